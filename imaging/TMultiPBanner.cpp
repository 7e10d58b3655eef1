// TPMultiImage: the text banners.  A horizontal banner moves its message
// leftwards across the control, a vertical one moves each message line up
// it in turn.  The picture is the control's frame, redrawn at every move;
// the banner's timer runs only while the control is shown.
#include "TMultiP.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTimer>

namespace imaging {

void TPMultiImage::startBanner(TBannerKind kind, const TBanner &settings)
{
    StopBanner();
    banner_.kind = kind;
    banner_.settings = settings;
    banner_.ticks = 0;
    banner_.line = 0;
    banner_.savedColor = color_;
    color_ = settings.Background;
    if (kind == TBannerKind::Horizontal) {
        const QFont font = bannerFont(settings, this->font());
        const QFontMetrics metrics(font);
        const QString message = settings.Message.value(0);
        banner_.bitmap = QImage(std::max(1, metrics.horizontalAdvance(message)), std::max(1, metrics.height()),
                                QImage::Format_RGB32);
        banner_.bitmap.fill(settings.Background);
        QPainter painter(&banner_.bitmap);
        painter.setFont(font);
        painter.setPen(settings.FontColor);
        painter.drawText(0, metrics.ascent(), message);
        banner_.position = QPoint(width(), (height() - banner_.bitmap.height()) / 2);
    } else {
        renderBannerLine();
    }
    renderBannerFrame();
    if (isVisible())
        bannerTimer_->start();
}

void TPMultiImage::renderBannerLine()
{
    const TBanner &settings = banner_.settings;
    QString line = settings.Message.value(banner_.line);
    if (!line.startsWith(QLatin1Char(' ')))
        line.prepend(QStringLiteral("  "));
    if (!line.endsWith(QLatin1Char(' ')))
        line.append(QLatin1Char(' '));
    const QFont font = bannerFont(settings, this->font());
    const QFontMetrics metrics(font);
    const int textWidth = metrics.horizontalAdvance(line);
    // a little room for the last character; a line of spaces only needs none
    const int extra = line.size() > 2 ? textWidth / int(line.size() - 2) : 0;
    banner_.bitmap = QImage(std::max(1, textWidth + extra), metrics.height() + 5, QImage::Format_RGB32);
    banner_.bitmap.fill(settings.Background);
    QPainter painter(&banner_.bitmap);
    painter.setFont(font);
    painter.setPen(settings.FontColor);
    painter.drawText(0, metrics.ascent(), line);
    banner_.position = QPoint((width() - textWidth) / 2, height());
}

void TPMultiImage::renderBannerFrame()
{
    if (size().isEmpty()) {
        picture_.clear();
        return;
    }
    QImage frame(size(), QImage::Format_RGB32);
    frame.fill(banner_.settings.Background);
    QPainter painter(&frame);
    painter.drawImage(banner_.position, banner_.bitmap);
    painter.end();
    graphic_ = QPicture();
    picture_.assign(frame, 24);
    update();
}

void TPMultiImage::BannerTick()
{
    if (banner_.kind == TBannerKind::None)
        return;
    if (++banner_.ticks % (banner_.settings.Speed + 1) != 0)
        return;
    if (banner_.kind == TBannerKind::Horizontal) {
        banner_.position.rx() -= 1;
        if (banner_.position.x() + banner_.bitmap.width() < 0)
            banner_.position.setX(width());
    } else {
        banner_.position.ry() -= 1;
        // the bitmap is the text's height and 5 more
        if (banner_.position.y() < -banner_.bitmap.height()) {
            banner_.line = (banner_.line + 1) % std::max<int>(1, int(banner_.settings.Message.size()));
            renderBannerLine();
        }
    }
    renderBannerFrame();
}

void TPMultiImage::StopBanner()
{
    if (banner_.kind == TBannerKind::None)
        return;
    bannerTimer_->stop();
    banner_.kind = TBannerKind::None;
    banner_.bitmap = QImage();
    color_ = banner_.savedColor;
    update();
}

void TPMultiImage::showEvent(QShowEvent *)
{
    if (banner_.kind != TBannerKind::None)
        bannerTimer_->start();
}

void TPMultiImage::hideEvent(QHideEvent *)
{
    bannerTimer_->stop();
}

} // namespace imaging
