// ILRotate: turns the picture by `angle` degrees, counter-clockwise for
// positive angles, keeping its depth.  When the rectangle is the whole
// picture the canvas grows to hold the turned picture; otherwise the
// rectangle's content turns about its middle within the rectangle and the
// rest of the picture stays.  Uncovered parts take `background`
// (0x00BBGGRR).  Quarter turns are exact; other angles interpolate at 24 and
// 32 bits and take the nearest pixel at the other depths.
#include "Raw.h"

#include <cmath>

namespace {

// Sine and cosine, exact for multiples of 90 degrees.
void turnOf(double degrees, double &c, double &s)
{
    const double normal = degrees - 360.0 * std::floor(degrees / 360.0);
    const int quarter = int(normal / 90.0);
    if (normal == quarter * 90.0) {
        const double cosines[4] = {1, 0, -1, 0}, sines[4] = {0, 1, 0, -1};
        c = cosines[quarter], s = sines[quarter];
        return;
    }
    c = std::cos(normal * 3.141592653589793 / 180.0), s = std::sin(normal * 3.141592653589793 / 180.0);
}

} // namespace

extern "C" HGLOBAL ILRotate(HGLOBAL dib, double angle, int32_t left, int32_t top, int32_t right, int32_t bottom,
                            uint32_t background, void *userData, ILProgressProc progress)
{
    return isp::guarded<HGLOBAL>(nullptr, [&]() -> HGLOBAL {
        isp::require(isp::parameterRow("ILRotate", "angle"), angle);
        const codecs::HeldDib held(dib);
        const isp::Image &source = held.image();
        const isp::Rect rect = isp::completeRect(source, left, top, right, bottom);
        const bool whole = rect.width() == source.width() && rect.height() == source.height();
        double c, s;
        turnOf(angle, c, s);
        // the target: a larger canvas, or a copy whose rectangle is redrawn
        isp::Image target = source;
        isp::Rect area = rect;
        if (whole) {
            const int width = int(std::ceil(std::abs(rect.width() * c) + std::abs(rect.height() * s) - 1e-6));
            const int height = int(std::ceil(std::abs(rect.width() * s) + std::abs(rect.height() * c) - 1e-6));
            target = isp::Image(width, height, source.bits(), source.palette());
            target.setResolution(source.xPelsPerMeter(), source.yPelsPerMeter());
            area = isp::wholeOf(target);
        }
        const codecs::Rgb fill{std::uint8_t(background), std::uint8_t(background >> 8), std::uint8_t(background >> 16)};
        const std::uint32_t fillValue = isp::rawValueOf(source, fill);
        const bool interpolate = source.bits() >= 24;
        const double cx = (rect.left + rect.right - 1) / 2.0, cy = (rect.top + rect.bottom - 1) / 2.0;
        const double tx = (area.left + area.right - 1) / 2.0, ty = (area.top + area.bottom - 1) / 2.0;
        isp::Progress p(progress, userData);
        const bool done = p.at(0, 1) && isp::forRows(area.top, area.bottom, p, [&](int y) {
            for (int x = area.left; x < area.right; ++x) {
                const double dx = x - tx, dy = y - ty;
                const double sx = cx + dx * c - dy * s, sy = cy + dx * s + dy * c;
                if (!interpolate) {
                    const int ix = int(std::floor(sx + 0.5)), iy = int(std::floor(sy + 0.5));
                    isp::setRawPixel(target, x, y, rect.contains(ix, iy) ? isp::rawPixel(source, ix, iy) : fillValue);
                    continue;
                }
                // bilinear, with the background outside the rectangle so the edges are smooth
                const int x0 = int(std::floor(sx)), y0 = int(std::floor(sy));
                const double fx = sx - x0, fy = sy - y0;
                const std::uint8_t fillBytes[3] = {fill.blue, fill.green, fill.red};
                auto at = [&](int px, int py) {
                    return rect.contains(px, py) ? isp::pixel(source, px, py) : fillBytes;
                };
                const std::uint8_t *a = at(x0, y0), *b = at(x0 + 1, y0), *d = at(x0, y0 + 1), *e = at(x0 + 1, y0 + 1);
                std::uint8_t *q = isp::pixel(target, x, y);
                for (int k = 0; k < 3; ++k)
                    q[k] = isp::clampByte((a[k] * (1 - fx) + b[k] * fx) * (1 - fy) + (d[k] * (1 - fx) + e[k] * fx) * fy);
            }
        });
        if (!done || !p.finish())
            return nullptr;
        return isp::toGlobal(std::move(target));
    });
}
