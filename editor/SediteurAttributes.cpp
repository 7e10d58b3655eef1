// The drawing attributes: colours and their swatches, pen and brush styles,
// pen width, font.
#include "Sediteur.h"

#include "Modal.h"
#include "Rounding.h"
#include "TSpinEdit.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QFontDialog>
#include <QFrame>
#include <QToolButton>

namespace {

// Asks for a colour, starting from `color`; nothing when cancelled.
std::optional<TRGB> chooseColor(QWidget *parent, TRGB color)
{
    QColorDialog dialog(QColor::fromRgb(toQRgb(color)), parent);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (platform::execModal(dialog) != QDialog::Accepted)
        return std::nullopt;
    return fromQRgb(dialog.currentColor().rgb());
}

void showColor(QFrame *swatch, TRGB color)
{
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(toQRgb(color)));
    swatch->setPalette(palette);
}

} // namespace

void TEditeur::SyncAttributeBars()
{
    SpinEdit->setValue(canvas_.pen.width);
    penStyles_->button(int(canvas_.pen.style))->setChecked(true);
    brushStyles_->button(int(canvas_.brush.style))->setChecked(true);
}

void TEditeur::refreshSwatches()
{
    showColor(Panel2, canvas_.pen.color);
    showColor(Panel3, canvas_.brush.color);
}

void TEditeur::attributesChanged()
{
    refreshSwatches();
}

// The box holds three digits; a width beyond 100 comes back to 100.
void TEditeur::SpinEditChange()
{
    if (SpinEdit->value() > 100) {
        SpinEdit->setValue(100);
        return;
    }
    canvas_.pen.width = SpinEdit->value();
}

void TEditeur::PenColBtnClick()
{
    if (const std::optional<TRGB> color = chooseColor(this, canvas_.pen.color)) {
        canvas_.pen.color = *color;
        refreshSwatches();
    }
}

void TEditeur::BrushColBtnClick()
{
    if (const std::optional<TRGB> color = chooseColor(this, canvas_.brush.color)) {
        canvas_.brush.color = *color;
        refreshSwatches();
    }
}

// The canvas's font is sized in pixels; the dialog speaks in points on the screen.
void TEditeur::FontBtnClick()
{
    const long double dpi = logicalDpiY();
    QFont shown = canvas_.font;
    shown.setPointSizeF(double(canvas_.font.pixelSize() * 72 / dpi));
    QFontDialog dialog(shown, this);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (platform::execModal(dialog) != QDialog::Accepted)
        return;
    QFont chosen = dialog.currentFont();
    if (chosen.pixelSize() <= 0)
        chosen.setPixelSize(std::max(1, platform::roundInt(chosen.pointSizeF() * dpi / 72)));
    canvas_.font = chosen;
}
