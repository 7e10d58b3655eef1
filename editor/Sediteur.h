#pragma once
// TEditeur, "Edition de l'image": edits a copy of the main window's picture
// with painting tools, zoom (x1, x2, x4: the picture itself is resampled),
// a one-level undo and the effects dialog, and hands the picture back when
// closed with saving.  Created once at start and shown modally again and
// again; the attribute bars, the airbrush settings and the window's bounds
// are kept, in the registry too.
//
// One class over several files, one per concern:
//   Sediteur.cpp            creation, settings, opening, closing and handing the picture back
//   SediteurControls.cpp    the tool bar, the attribute bars, the scroll box, the status bar
//   SediteurAttributes.cpp  colours, pen and brush styles, pen width, font
//   SediteurPicture.cpp     zoom, undo, effects
//   SediteurMouse.cpp       the mouse on the picture, the tools, the airbrush
//
// What the opener does (the main window's editor command):
//   Editeur->Edit(Image->picture());   // hands the picture in, resets zoom and undo, shows modally
// and, once, Editeur->setOwner({...}) to take the picture back when the user
// saves: the owner puts HandBack::picture in place of its own, sizes its
// control to HandBack::displayedSize() when HandBack::resized(), and refreshes.
#include "Bitmap.h"
#include "SettingsTable.h"
#include "Spray.h"
#include "Tools.h"

#include <QCursor>
#include <QDialog>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QAbstractButton;
class QAction;
class QButtonGroup;
class QFrame;
class QLabel;
class QMenu;
class QScrollArea;
class QToolButton;
class TAeroDlg;
class TSpinEdit;
class TThreadedTimer;

namespace imaging {
class TPMultiImage;
}
namespace editor {
class PictureView;
}

class TEditeur : public QDialog, private editor::ToolHost {
    Q_OBJECT
public:
    static constexpr int HelpContext = 3;

    // What closing with saving gives back.
    struct HandBack {
        // At 100 %; at the depth it was handed in with when that loses no
        // colour, else at 24 bits.
        imaging::Bitmap picture;
        QSize handedInSize;
        // Cropped: the picture's size changed.
        bool resized() const { return picture.image().size() != handedInSize; }
        // The size a control showing the handed-in picture at `displayed`
        // takes so that the picture keeps its scale: round(w2 x width / w),
        // round(h2 x height / h).
        QSize displayedSize(QSize displayed) const;
    };
    struct Owner {
        // Puts the picture in place of the opener's and refreshes.
        std::function<void(const HandBack &)> takePicture;
    };

    explicit TEditeur(QWidget *parent = nullptr);
    ~TEditeur() override;

    void setOwner(Owner owner) { owner_ = std::move(owner); }
    // The multi-format component whose effects dialog the effects command
    // runs (the main window's Tampon); without one the editor uses its own.
    void setTampon(imaging::TPMultiImage *tampon) { tampon_ = tampon; }
    // The airbrush settings dialog, created after this window; without one
    // the editor makes its own when first needed.
    TAeroDlg *AeroDlg = nullptr;

    // The opener's entry: the picture handed in (the editor works on a copy),
    // zoom in enabled, zoom out, 100 % and undo not, factor 1, the pen width
    // shown.
    void SetPicture(const QImage &picture);
    // SetPicture, then the modal showing; the dialog's result.
    int Edit(const QImage &picture);

    editor::Canvas &Canvas() { return canvas_; }
    const QImage &Picture() const { return canvas_.picture(); }
    bool IsDrawing() const;
    bool IsFraming() const;
    QPoint StartPoint() const;
    QPoint EndPoint() const;
    // The airbrush's dots (a fixed seed gives a fixed spray).
    editor::Spray &spray() { return spray_; }
    // However the window closes, nothing is left under way.
    void done(int result) override;

    // ---- controls -------------------------------------------------------------------
    QFrame *Panel1;
    QToolButton *pen, *brush;
    QToolButton *line, *rectangle, *roundrect, *ellipse, *HandBtn, *Stabilo, *PipetteBtn, *FillBtn, *AeroBtn;
    QToolButton *FontBtn, *TextBtn, *GommeBtn, *DecoupeBtn;
    QToolButton *SpeedButton1, *SpeedButton2, *SpeedButton3, *FXBtn, *UndoBtn, *CloseYBtn, *CloseNBtn;
    QFrame *Penbar;
    QToolButton *Solidpen, *dashpen, *dotpen, *dashdotpen, *dashdotdotpen, *clearpen, *PenColBtn;
    QFrame *Panel2;
    TSpinEdit *SpinEdit;
    QFrame *brushbar;
    QToolButton *solidbrush, *clearbrush, *horizontalbrush, *verticalbrush, *fdiagonalbrush, *bdiagonalbrush,
        *crossbrush, *diagcrossbrush, *BrushColBtn;
    QFrame *Panel3;
    QScrollArea *ScrollBox1;
    editor::PictureView *Image;
    QFrame *statusbar;
    QLabel *originpanel, *currentpanel;
    QMenu *AeroPopup;
    QAction *Couleur1, *Rglages1;
    TThreadedTimer *Timer;

    // ---- fields ---------------------------------------------------------------------
    int AeroRay = 10;  // airbrush size in pixels, at least 1
    int AeroPress = 1; // airbrush tick interval in milliseconds, at least 1
    int ZoomFactor = 1;
    // The undo snapshot is the canvas's (Canvas().hasSnapshot()).
    QString SettingsName;
    // The custom cursors by their slot (11 "Crayon" .. 25 "Pipette").
    std::map<int, QCursor> Cursors;

public slots:
    void FormShow();
    void SyncAttributeBars();
    void SpinEditChange();
    void PenColBtnClick();
    void BrushColBtnClick();
    void FontBtnClick();
    void Rglages1Click();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void UndoBtnClick();
    void FXBtnClick();
    void CloseYBtnClick();
    void CloseNBtnClick();
    void FormMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int X, int Y);
    void FormMouseMove(Qt::KeyboardModifiers shift, int X, int Y);
    void FormMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int X, int Y);
    void TimerTimer();

signals:
    // F1: the help topic of this window.
    void helpRequested(int context);

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct ToolChoice {
        QToolButton *button;
        std::unique_ptr<editor::Tool> tool;
        QCursor cursor;
    };

    // editor::ToolHost
    editor::Canvas &canvas() override { return canvas_; }
    void attributesChanged() override;
    std::optional<QString> askText() override;
    void startAirbrush() override;
    void stopAirbrush() override;
    void replacePicture(const QImage &picture) override;
    void undoStroke() override;

    // Sediteur.cpp
    void FormCreate();
    void FormDestroy();
    // The stored window place and tool choices: one row per key, read at
    // creation and written at destruction.
    platform::SettingsTable settingsTable();
    void loadCursors();

    // SediteurControls.cpp
    void buildControls();
    QFrame *buildToolBar();
    QFrame *buildPenBar();
    QFrame *buildBrushBar();
    QFrame *buildStatusBar();
    void buildTools();
    void connectHandlers();
    void choose(QAbstractButton *button);

    // SediteurAttributes.cpp
    void refreshSwatches();

    // SediteurPicture.cpp
    void takeUndoSnapshot();
    void dropUndoSnapshot();
    // Replaces the working picture; its attributes start afresh and the bars show them.
    void newPicture(const QImage &picture);
    void showNewPicture();
    // Resamples the picture for a zoom, scaling the pen and the font, keeping
    // the point in the middle of the view.
    void zoomTo(QSize size, int numerator, int denominator);
    imaging::TPMultiImage &tampon();

    // SediteurMouse.cpp
    editor::Tool &tool() const { return *tool_; }
    // Finishes a drag under way as if released where the pointer was last.
    void settleDrag();

    editor::Canvas canvas_;
    editor::Spray spray_;
    std::vector<ToolChoice> tools_;
    editor::Tool *tool_ = nullptr;
    QButtonGroup *toolGroup_ = nullptr;
    QButtonGroup *penStyles_ = nullptr;
    QButtonGroup *brushStyles_ = nullptr;
    QPoint pointer_; // where the pointer was last over the picture
    Owner owner_;
    imaging::TPMultiImage *tampon_ = nullptr;
    QSize handedInSize_;
    int handedInDepth_ = 24;
};
