#pragma once
// The window of a filter dialog, built from the dialog's slider groups, radio
// pair and texts each time the dialog runs, and destroyed afterwards.  Every
// change of a control is read back into the dialog, which rebuilds its filter
// and, in a colour dialog, restarts the preview.
#include <QDialog>

#include <array>
#include <memory>

class QLabel;
class QRadioButton;
class QSlider;
class TFilterDialog;
class TFilterPreview;
class TPGImage;
class TPixelGraphic;

class TFilterDialogForm : public QDialog {
    Q_OBJECT
public:
    // PreviewSource: the caller's image, for a dialog with preview.
    TFilterDialogForm(TFilterDialog &Dialog, const TPixelGraphic *PreviewSource);
    ~TFilterDialogForm() override;

    TFilterPreview *Preview() const { return preview_.get(); }
    TPGImage *PreviewControl() const { return image_; }

private:
    void buildGroup(int Number, int Margin, int Top);
    // Widths in design units: the dialog's, widened where a text needs more.
    int captionRoom() const;
    int valueRoom();
    int textUnits(const QString &Text) const;
    int unitsFor(int Pixels) const;
    void controlChanged();
    // A child at a place given in the dialog's design units, scaled to the screen.
    void place(QWidget &Widget, int Left, int Top, int Width, int Height) const;

    TFilterDialog &dialog_;
    long double scale_;
    int captionWidth_ = 0;
    int valueWidth_ = 0;
    std::array<QSlider *, 3> trackBars_{};
    std::array<QLabel *, 3> valueLabels_{};
    QRadioButton *firstRadio_ = nullptr;
    QRadioButton *secondRadio_ = nullptr;
    TPGImage *image_ = nullptr;
    std::unique_ptr<TFilterPreview> preview_;
};
