#pragma once
// The open-image dialog "Choix d'une image": a folder tree, the image files
// of the selected folder, and a preview of the selected file.  The caller
// sets the folder (tv->setSelection), shows the dialog modally and, when
// Accepted, reads the folder (tv->Selection()) and ChosenFile.
#include <QDialog>
#include <QRect>
#include <QSize>
#include <functional>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class TPicture;
class TShellFileList;
class TShellFolderTree;
namespace imaging {
class TPMultiImage;
}

class TOpenDial : public QDialog {
    Q_OBJECT
    Q_PROPERTY(QString ChosenFile MEMBER ChosenFile)
    Q_PROPERTY(bool Accepted MEMBER Accepted)
public:
    // The preview option the dialog shares with its owner: read when the
    // owner is set, written back whenever the dialog closes.
    struct Owner {
        std::function<bool()> previewInOpenDialog;
        std::function<void(bool)> setPreviewInOpenDialog;
    };

    explicit TOpenDial(QWidget *parent = nullptr);
    void setOwner(Owner owner);

    // The full path of the last file selected in the list; empty at first.
    QString ChosenFile;
    // Set by "OK" or a double click, cleared by "Annuler" or closing.
    bool Accepted = false;

    QFrame *Bevel1;
    TShellFolderTree *tv;
    TShellFileList *lv;
    QCheckBox *apercu;
    QFrame *Panel;
    imaging::TPMultiImage *Image;
    TPicture *Image1;
    // A short note in the panel when the file cannot be previewed.
    QLabel *PreviewNote;
    QPushButton *OKBtn, *CancelBtn;

    // The files the list shows.
    static const QString Mask;
    // Where a preview of a picture's size goes in a panel: at its size when
    // it fits 4/5 of the panel, else shrunk to it (stretched); centred.
    static QRect PreviewBounds(QSize panel, QSize picture, bool &stretch);

public slots:
    void lvChange(const QString &path);
    void lvDblClick();
    void apercuClick();
    void OKBtnClick();
    void CancelBtnClick();
    void LoadPreview();

protected:
    // Closing asks first: an accepted dialog closes only on an existing file.
    void done(int result) override;
    void reject() override;

private:
    bool isToolkitPicture() const;
    void showPreviewControl();
    void hidePreviews();
    void showNote(const QString &reason);

    Owner owner_;
    QString previewFailure_;
};
