#include "TMMBitmapCheckBox.h"

#include "ScopeExit.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

TMMBitmapCheckBox::TMMBitmapCheckBox(const QString &caption, QWidget *parent) : QAbstractButton(parent)
{
    setText(caption);
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
}

void TMMBitmapCheckBox::setGlyph(const QPixmap &glyph)
{
    glyph_ = glyph;
    update();
}

QSize TMMBitmapCheckBox::sizeHint() const
{
    const int glyphWidth = glyph_.width() / 2;
    return {glyphWidth + 4 + fontMetrics().horizontalAdvance(text()), qMax(glyph_.height(), fontMetrics().height())};
}

void TMMBitmapCheckBox::nextCheckState()
{
    if (clicking_)
        return;
    const bool target = !isChecked();
    clicking_ = true;
    // Reset on every way out: a handler's error still ends its click.
    const platform::ScopeExit end([this] { clicking_ = false; });
    emit clicking(target);
    setChecked(target);
}

void TMMBitmapCheckBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int half = glyph_.width() / 2;
    const int top = (height() - glyph_.height()) / 2;
    if (!glyph_.isNull())
        painter.drawPixmap(QPoint(0, top), glyph_, QRect(isChecked() ? half : 0, 0, half, glyph_.height()));
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const QRect textRect(half + 4, 0, width() - half - 4, height());
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, text());
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = textRect.adjusted(-1, 1, 0, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}
