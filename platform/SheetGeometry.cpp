#include "SheetGeometry.h"

#include "Printer.h"
#include "Rounding.h"

#include <algorithm>
#include <utility>

namespace platform {

PaperMetrics PaperMetrics::of(const Printer &printer)
{
    return {printer.physicalPageSize(), printer.printableSize(), printer.printingOffset(), printer.logPixelsX(),
            printer.logPixelsY(), printer.orientation() == Orientation::Landscape};
}

int PaperMetrics::widthMm() const
{
    return dpiX > 0 ? roundInt(physical.width() * 25.4L / dpiX) : 0;
}

int PaperMetrics::heightMm() const
{
    return dpiY > 0 ? roundInt(physical.height() * 25.4L / dpiY) : 0;
}

SheetGeometry::SheetGeometry(const PaperMetrics &paper, QSize preview) : paper_(paper), preview_(preview)
{
    if (paper.physical.width() > 0 && paper.physical.height() > 0) {
        rw_ = static_cast<double>(paper.printable.width()) / paper.physical.width();
        rh_ = static_cast<double>(paper.printable.height()) / paper.physical.height();
        ox_ = static_cast<double>(paper.offset.x()) / paper.physical.width();
        oy_ = static_cast<double>(paper.offset.y()) / paper.physical.height();
    }
    if (paper.landscape) {
        std::swap(rw_, rh_);
        std::swap(ox_, oy_);
    }
}

SheetGeometry SheetGeometry::onPreview(QSize preview) const
{
    SheetGeometry other = *this;
    other.preview_ = preview;
    return other;
}

int SheetGeometry::x0() const { return roundInt(static_cast<long double>(width()) * ox_); }
int SheetGeometry::y0() const { return roundInt(static_cast<long double>(height()) * oy_); }
int SheetGeometry::x1() const { return roundInt((static_cast<long double>(ox_) + rw_) * width()); }
int SheetGeometry::y1() const { return roundInt((static_cast<long double>(oy_) + rh_) * height()); }
int SheetGeometry::printableWidth() const { return roundInt(static_cast<long double>(width()) * rw_); }
int SheetGeometry::printableHeight() const { return roundInt(static_cast<long double>(height()) * rh_); }

long double SheetGeometry::scaleX() const
{
    return static_cast<long double>(paper_.physical.width()) / width();
}

long double SheetGeometry::scaleY() const
{
    return static_cast<long double>(paper_.physical.height()) / height();
}

SheetGeometry::Axis SheetGeometry::axis(bool horizontal) const
{
    if (horizontal)
        return {static_cast<long double>(paper_.physical.width()), static_cast<long double>(paper_.dpiX)};
    return {static_cast<long double>(paper_.physical.height()), static_cast<long double>(paper_.dpiY)};
}

int SheetGeometry::mmToPixelsX(int mm, bool turned) const
{
    const Axis a = axis(!turned);
    return roundInt(a.dpi * (mm / 25.4L) * (width() / a.physical));
}

int SheetGeometry::mmToPixelsY(int mm, bool turned) const
{
    const Axis a = axis(turned);
    return roundInt(a.dpi * (mm / 25.4L) * (height() / a.physical));
}

int SheetGeometry::pixelsToMmX(int pixels, bool turned) const
{
    const Axis a = axis(!turned);
    return roundInt(pixels * 25.4L * (a.physical / width()) / a.dpi);
}

int SheetGeometry::pixelsToMmY(int pixels, bool turned) const
{
    const Axis a = axis(turned);
    return roundInt(pixels * 25.4L * (a.physical / height()) / a.dpi);
}

QSize fitPicture(QSize natural, QSize room)
{
    const int a = natural.width(), b = natural.height();
    if (a <= 0 || b <= 0)
        return natural;
    auto heightFor = [&](int w) { return roundInt(static_cast<long double>(w) * b / a); };
    auto widthFor = [&](int h) { return roundInt(static_cast<long double>(a) * h / b); };
    int width = a, height = b;
    if (a > room.width()) {
        width = room.width();
        height = heightFor(width);
        if (height > room.height()) {
            height = room.height();
            width = widthFor(height);
        }
    }
    if (b > room.height()) {
        height = room.height();
        width = widthFor(height);
        if (width > room.width()) {
            width = room.width();
            height = heightFor(width);
        }
    }
    return {width, height};
}

int screenPixelsFromTenthsOfMm(int tenths, int ppi)
{
    return roundInt(ppi * (tenths / 10.0L) / 25.4L);
}

int tenthsOfMmFromScreenPixels(int pixels, int ppi)
{
    return roundInt(pixels * 254.0L / ppi);
}

PosterLayout::PosterLayout(const PaperMetrics &paper, QSize posterScreenPixels, int ppi)
    : kx_(static_cast<long double>(paper.dpiX) / ppi),
      ky_(static_cast<long double>(paper.dpiY) / ppi),
      width_(std::max(1, roundInt(posterScreenPixels.width() * kx_))),
      height_(std::max(1, roundInt(posterScreenPixels.height() * ky_))),
      page_(paper.printable.expandedTo(QSize(1, 1)))
{
    columns_ = (width_ + page_.width() - 1) / page_.width();
    rows_ = (height_ + page_.height() - 1) / page_.height();
}

bool PosterLayout::singleSheet() const
{
    return width_ <= page_.width() && height_ <= page_.height();
}

QRect PosterLayout::part(int column, int row) const
{
    const QPoint corner(column * page_.width(), row * page_.height());
    return QRect(corner, QSize(std::min(page_.width(), width_ - corner.x()), std::min(page_.height(), height_ - corner.y())));
}

} // namespace platform
