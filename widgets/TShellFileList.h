#pragma once
// A shell file list: the files of one folder that match a mask (hidden
// files left out), sorted by name with small icons.  It reports the item
// selected (by mouse or keys) and the item double-clicked, each by its full
// path, and can follow a folder tree.  Folders are read on a worker thread,
// so a folder of many thousand files does not hold up the window.
#include <QListView>
#include <QString>

class TShellFolderTree;
class TShellModel;

class TShellFileList : public QListView {
    Q_OBJECT
    Q_PROPERTY(QString Folder READ Folder WRITE setFolder)
    Q_PROPERTY(QString Mask READ Mask WRITE setMask)
    Q_PROPERTY(QString SelectedFile READ SelectedFile)
public:
    explicit TShellFileList(QWidget *parent = nullptr);

    // Shows the tree's selected folder, now and whenever it changes.
    void setFolderTree(TShellFolderTree *tree);
    QString Folder() const { return folder_; }
    void setFolder(const QString &folder);
    // Patterns separated by ";", as "*.bmp;*.png"; letter case is ignored.
    QString Mask() const { return mask_; }
    void setMask(const QString &mask);
    QString SelectedFile() const;
    // Selects the file (a full path in the folder) as a click would; false when it is not listed.
    Q_INVOKABLE bool selectFile(const QString &path);
    // Files listed so far.
    int count() const;

signals:
    void fileSelected(const QString &path);
    void fileActivated(const QString &path);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TShellModel *model_;
    QString folder_;
    QString mask_;
};
