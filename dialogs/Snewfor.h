#pragma once
// The poster format dialog: the poster's size in tenths of a millimetre, its
// orientation and whether it keeps the picture's proportions, with a sketch
// of the sheets it needs.  DrawPosterSheets also draws poster mode on the
// main window's sheet, so both always count the same sheets.
#include <QDialog>
#include <QPointF>
#include <QSize>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPainter;
class QPushButton;
class QScrollBar;
class TPicture;

// Paints the picture at poster size at an origin, with printer-to-preview scales.
using PosterPainter = std::function<void(QPainter &canvas, QPointF origin, long double kx, long double ky)>;

// Draws the sheets a poster of the given size (screen pixels at ppi) needs on
// the target picture, and writes the count into the label.  With a painter,
// the picture is drawn cut over the sheets.
void DrawPosterSheets(TPicture *target, int posterWidth, int posterHeight, const PosterPainter &withImage,
                      QLabel *label, int ppi);

class TNewFor : public QDialog {
    Q_OBJECT
public:
    // What the dialog reads and writes of the main window.
    struct Owner {
        std::function<QSize()> pictureSize;
        std::function<bool()> keepProportions;
        std::function<void(bool)> setKeepProportions;
    };

    explicit TNewFor(QWidget *parent = nullptr);
    void setOwner(Owner owner) { owner_ = std::move(owner); }

    // Screen pixels at this dialog's resolution from a bar position in tenths of a millimetre.
    int ScreenPixels(int position) const;

    QScrollBar *WScroll, *HScroll;
    QLineEdit *Edit1, *Edit2;
    QLabel *WLbl, *HLbl, *Label3;
    TPicture *Image;
    QCheckBox *CheckBox1, *CheckBox2;
    QPushButton *OKBtn, *CancelBtn;

public slots:
    void FormShow();
    void WScrollChange();
    void HScrollChange();
    void CommitWidthEdit();
    void CommitHeightEdit();
    void CheckBox1Click();
    void CheckBox2Click();
    void OKBtnClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void redraw();
    void commitEdit(QLineEdit *edit, QScrollBar *bar);
    bool keepProportions() const;
    QSize pictureSize() const;

    Owner owner_;
};
