// ILRotate: turns the picture by `angle` degrees, counter-clockwise for
// positive angles, keeping its depth.  When the rectangle is the whole
// picture the canvas grows to hold the turned picture; otherwise the
// rectangle's content turns about its middle within the rectangle and the
// rest of the picture stays.  Uncovered parts take `background`
// (0x00BBGGRR).  Quarter turns are exact; other angles interpolate at 24 and
// 32 bits and take the nearest pixel at the other depths.
#include "Lanes.h"
#include "Raw.h"

#include <algorithm>
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

// The turn from a target point to the source point it shows.
struct Turn {
    double c, s;   // cosine and sine of the angle
    double cx, cy; // middle of the source rectangle
    double tx, ty; // middle of the target area
};

// Narrows [from, to], columns of a row, to those where start + (x - tx) ×
// slope, a coordinate of the source point, may lie in [low, high).  A
// hundredth of a pixel and a column to spare on each side cover the rounding
// of the arithmetic done per pixel; a slope too small to narrow safely
// leaves the columns as they are.
void narrow(double start, double slope, double low, double high, double tx, double &from, double &to)
{
    if (std::abs(slope) < 1e-6)
        return;
    double a = tx + (low - 0.01 - start) / slope, b = tx + (high + 0.01 - start) / slope;
    if (a > b)
        std::swap(a, b);
    from = std::max(from, a - 1), to = std::min(to, b + 1);
}

// One row of a picture of 24 or 32 bits: bilinear, with the background
// outside the rectangle so the edges are smooth.  Where the row's source
// points lie away from the rectangle it is background alone, without
// looking at each point.  The three channels of a pixel are mixed in the
// lanes of one vector.
QUILLON_HOT_LOOP void turnRow(const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                              const isp::Rect &area, const Turn &t, const std::uint8_t *fill, int y)
{
    const isp::Reading in(source);
    const int step = in.step;
    const double dy = y - t.ty, dys = dy * t.s, dyc = dy * t.c;
    double from = area.left, to = area.right - 1;
    narrow(t.cx - dys, t.c, rect.left - 1, rect.right, t.tx, from, to);
    narrow(t.cy + dyc, t.s, rect.top - 1, rect.bottom, t.tx, from, to);
    const int first = from > to ? area.right : int(std::ceil(from));
    const int last = from > to ? area.right : int(std::floor(to)) + 1;
    std::uint8_t *q = isp::pixel(target, area.left, y);
    auto background = [&](int count) {
        for (; count > 0; --count, q += step)
            q[0] = fill[0], q[1] = fill[1], q[2] = fill[2];
    };
    background(first - area.left);
    for (int x = first; x < last; ++x, q += step) {
        const double dx = x - t.tx;
        const double sx = t.cx + dx * t.c - dys, sy = t.cy + dx * t.s + dyc;
        const int x0 = int(std::floor(sx)), y0 = int(std::floor(sy));
        const double fx = sx - x0, fy = sy - y0;
        const std::uint8_t *a, *b, *d, *e;
        if (x0 >= rect.left && x0 + 1 < rect.right && y0 >= rect.top && y0 + 1 < rect.bottom) {
            a = in.at(x0, y0), b = a + step;
            d = in.at(x0, y0 + 1), e = d + step;
        } else if (x0 + 1 < rect.left || x0 >= rect.right || y0 + 1 < rect.top || y0 >= rect.bottom) {
            // the four neighbours are background, which the mean gives exactly
            q[0] = fill[0], q[1] = fill[1], q[2] = fill[2];
            continue;
        } else {
            auto at = [&](int px, int py) { return rect.contains(px, py) ? in.at(px, py) : fill; };
            a = at(x0, y0), b = at(x0 + 1, y0), d = at(x0, y0 + 1), e = at(x0 + 1, y0 + 1);
        }
        isp::Doubles pa, pb, pd, pe;
        isp::widenPixel(a, pa), isp::widenPixel(b, pb), isp::widenPixel(d, pd), isp::widenPixel(e, pe);
        const double gx = 1 - fx, gy = 1 - fy;
        isp::Ints mixed;
        isp::roundLanes((pa * gx + pb * fx) * gy + (pd * gx + pe * fx) * fy, mixed);
        q[0] = std::uint8_t(mixed[0]), q[1] = std::uint8_t(mixed[1]), q[2] = std::uint8_t(mixed[2]);
    }
    background(area.right - last);
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
        isp::Image target;
        isp::Rect area = rect;
        if (whole) {
            const int width = int(std::ceil(std::abs(rect.width() * c) + std::abs(rect.height() * s) - 1e-6));
            const int height = int(std::ceil(std::abs(rect.width() * s) + std::abs(rect.height() * c) - 1e-6));
            target = isp::Image(width, height, source.bits(), source.palette());
            target.setResolution(source.xPelsPerMeter(), source.yPelsPerMeter());
            area = isp::wholeOf(target);
        } else {
            target = source;
        }
        const codecs::Rgb fill{std::uint8_t(background), std::uint8_t(background >> 8), std::uint8_t(background >> 16)};
        const std::uint32_t fillValue = isp::rawValueOf(source, fill);
        const std::uint8_t fillBytes[3] = {fill.blue, fill.green, fill.red};
        const Turn turn{c, s, (rect.left + rect.right - 1) / 2.0, (rect.top + rect.bottom - 1) / 2.0,
                        (area.left + area.right - 1) / 2.0, (area.top + area.bottom - 1) / 2.0};
        isp::Progress p(progress, userData);
        const bool done = p.at(0, 1) && isp::forRows(area.top, area.bottom, p, [&](int y) {
            if (source.bits() >= 24)
                return turnRow(source, target, rect, area, turn, fillBytes, y);
            // the nearest pixel keeps the colours of a colour table
            const double dy = y - turn.ty;
            for (int x = area.left; x < area.right; ++x) {
                const double dx = x - turn.tx;
                const double sx = turn.cx + dx * c - dy * s, sy = turn.cy + dx * s + dy * c;
                const int ix = int(std::floor(sx + 0.5)), iy = int(std::floor(sy + 0.5));
                isp::setRawPixel(target, x, y, rect.contains(ix, iy) ? isp::rawPixel(source, ix, iy) : fillValue);
            }
        });
        if (!done || !p.finish())
            return nullptr;
        return isp::toGlobal(std::move(target));
    });
}
