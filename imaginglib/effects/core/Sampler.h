#pragma once
// The geometric distortions share one sampler and one loop: for every pixel
// of the rectangle a mapping gives the point of the source it shows, read
// with bilinear interpolation (or the nearest pixel) and kept inside the
// rectangle, so nothing from outside is pulled in.
#include "Frame.h"
#include "Lanes.h"

#include <cmath>
#include <optional>

namespace isp {

// Reads the source at (x, y), clamped to the rectangle, into out (all the
// picture's channels), the channels mixed in the lanes of one vector.
// Always inlined, so that the AVX2 build of a hot loop mixes in AVX2 too.
[[gnu::always_inline]] inline void sampleBilinear(const Reading &source, const Rect &rect, double x, double y,
                                                  std::uint8_t *out)
{
    x = std::clamp(x, double(rect.left), double(rect.right - 1));
    y = std::clamp(y, double(rect.top), double(rect.bottom - 1));
    const int x0 = int(x), y0 = int(y);
    const int x1 = std::min(x0 + 1, rect.right - 1), y1 = std::min(y0 + 1, rect.bottom - 1);
    const double fx = x - x0, fy = y - y0;
    const std::uint8_t *a = source.at(x0, y0), *b = source.at(x1, y0);
    const std::uint8_t *c = source.at(x0, y1), *d = source.at(x1, y1);
    Doubles pa, pb, pc, pd;
    if (source.step == 4)
        widen(a, pa), widen(b, pb), widen(c, pc), widen(d, pd);
    else
        widenPixel(a, pa), widenPixel(b, pb), widenPixel(c, pc), widenPixel(d, pd);
    const Doubles top = pa + (pb - pa) * fx, bottom = pc + (pd - pc) * fx;
    Ints mixed;
    roundLanes(top + (bottom - top) * fy, mixed);
    out[0] = std::uint8_t(mixed[0]), out[1] = std::uint8_t(mixed[1]), out[2] = std::uint8_t(mixed[2]);
    if (source.step == 4)
        out[3] = std::uint8_t(mixed[3]);
}

inline void sampleNearest(const Reading &source, const Rect &rect, double x, double y, std::uint8_t *out)
{
    const int channels = source.step;
    const int ix = std::clamp(int(std::floor(x + 0.5)), rect.left, rect.right - 1);
    const int iy = std::clamp(int(std::floor(y + 0.5)), rect.top, rect.bottom - 1);
    const std::uint8_t *p = source.at(ix, iy);
    for (int k = 0; k < channels; ++k)
        out[k] = p[k];
}

// Fills the pixels [from, to) of row y from the source points that
// map(x, y, sourceX, sourceY) gives.
template <typename Map>
QUILLON_HOT_LOOP void distortRow(const Image &source, Image &target, const Rect &rect, int y, int from, int to,
                                 Map &map, bool smooth)
{
    const Reading in(source);
    const Writing out(target);
    for (int x = from; x < to; ++x) {
        double sx = x, sy = y;
        map(double(x), double(y), sx, sy);
        if (smooth)
            sampleBilinear(in, rect, sx, sy, out.at(x, y));
        else
            sampleNearest(in, rect, sx, sy, out.at(x, y));
    }
}

// Fills each pixel (x, y) of the rectangle from the source point that
// map(x, y, sourceX, sourceY) gives.  Rows run in parallel.
template <typename Map>
bool distort(const Image &source, Image &target, const Rect &rect, Progress &progress, Map &&map,
             bool smooth = true)
{
    return forRows(rect.top, rect.bottom, progress,
                   [&](int y) { distortRow(source, target, rect, y, rect.left, rect.right, map, smooth); });
}

// Centre and half the smaller side of a rectangle, the frame of the radial
// distortions.
struct Polar {
    double cx, cy, radius;
    explicit Polar(const Rect &rect)
        : cx((rect.left + rect.right - 1) / 2.0), cy((rect.top + rect.bottom - 1) / 2.0),
          radius(std::max(1.0, std::min(rect.width(), rect.height()) / 2.0))
    {
    }
};

// The distortions that turn or move a point by an amount its distance from
// the centre decides, within the circle of `polar` only.  shape(r, amount)
// gives that amount for the relative distance r, or false where the point
// stays (beyond the circle, at its centre); place(dx, dy, amount, sx, sy)
// the source point of the pixel at (dx, dy) from the centre.  A point shown
// where it is is the pixel itself, which the target already holds, so only
// the circle is visited.  The pixels that mirror each other across the
// centre lines lie at the same distance, and so do those that mirror each
// other across the diagonals when the centre lies as far from a pixel
// centre across as down, so each amount is worked out once for the four or
// the eight.  Row y (in the upper half) takes its pixels from the circle's
// rim up to the middle, or up to the diagonal when the diagonals are used
// (those beyond it are the turned images of pixels of rows above), of the
// columns [left, right).
template <typename Shape, typename Place>
QUILLON_HOT_LOOP void distortRadialRow(const Reading &reading, const Writing &writing, const Rect &rect,
                                       const Polar &polar, int y, int left, int right, Shape &shape, Place &place)
{
    const Reading in = reading;
    const Writing out = writing;
    const int mirrorX = rect.left + rect.right - 1, mirrorY = rect.top + rect.bottom - 1;
    const double dy = y - polar.cy, reach = polar.radius * polar.radius - dy * dy;
    if (reach <= 0)
        return;
    // the centre's offset across from down, whole when the diagonals mirror pixels
    const bool diagonals = (mirrorX - mirrorY) % 2 == 0;
    const int across = (mirrorX - mirrorY) / 2;
    // from a pixel beyond the circle's chord, with a pixel to spare, to the middle or the diagonal
    const int from = std::max(rect.left, int(std::floor(polar.cx - std::sqrt(reach))) - 1);
    const int to = diagonals ? y + across : mirrorX;
    auto four = [&](int x, int row, const auto &amount) {
        const int xs[2] = {x, mirrorX - x}, ys[2] = {row, mirrorY - row};
        for (int j = 0; j < (ys[1] != ys[0] ? 2 : 1); ++j)
            for (int i = 0; i < (xs[1] != xs[0] ? 2 : 1); ++i) {
                double sx, sy;
                place(xs[i] - polar.cx, ys[j] - polar.cy, amount, sx, sy);
                sampleBilinear(in, rect, sx, sy, out.at(xs[i], ys[j]));
            }
    };
    for (int x = std::max(from, left); x < right && x <= to && x <= mirrorX - x; ++x) {
        const double dx = x - polar.cx;
        auto amount = shape(std::sqrt(dx * dx + dy * dy) / polar.radius);
        if (!amount)
            continue;
        four(x, y, *amount);
        // the pixel across the diagonal, unless it is this one
        if (diagonals && x != y + across && rect.contains(y + across, x - across))
            four(y + across, x - across, *amount);
    }
}

// The upper half's rows run in bands of kBand rows, each band in columns of
// kColumns: the images of a row's pixels across the diagonal run down a
// column, and a tile keeps the rows and the columns it reads and writes in
// the cache (a tenth less time than whole rows on the A4 page).
template <typename Shape, typename Place>
bool distortRadially(const Image &source, Image &target, const Rect &rect, const Polar &polar, Progress &progress,
                     Shape &&shape, Place &&place)
{
    constexpr int kBand = 16, kColumns = 64;
    const Reading in(source);
    const Writing out(target);
    const int half = (rect.top + rect.bottom + 1) / 2;
    return forRows(0, (half - rect.top + kBand - 1) / kBand, progress, [&](int band) {
        const int top = rect.top + band * kBand, bottom = std::min(half, top + kBand);
        for (int left = rect.left; left < rect.right; left += kColumns)
            for (int y = top; y < bottom; ++y)
                distortRadialRow(in, out, rect, polar, y, left, left + kColumns, shape, place);
    });
}

} // namespace isp
