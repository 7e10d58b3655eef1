// HToneImage: a halftone screen in black and white.  The picture is cut
// into cells of `cellSize` pixels on a grid turned by `angle`
// degrees; in each cell a dot grows from the middle as the picture darkens.
// The dot's shape: 0 circle, 1 ellipse, 2 square, 3 diamond, 4 line, 5 cross.
// A dot covers the share of its cell that the picture's darkness asks for,
// so the screen keeps the tone whatever the shape.
#include "Frame.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Order in which the points of a cell turn black, 0 first, 1 last; fu and fv
// from -0.5 to 0.5.
double spot(int shape, double fu, double fv)
{
    const double u = std::abs(fu), v = std::abs(fv);
    switch (shape) {
    case 0: return (u * u + v * v) * 2.0;
    case 1: return std::min(1.0, (u * u * 0.64 + v * v * 1.44) * 2.0 / 1.04);
    case 2: return std::max(u, v) * 2.0;
    case 3: return u + v;
    case 4: return v * 2.0;
    default: return std::min(u, v) * 2.0;
    }
}

// The share of a cell whose spot order is below a value, measured on a
// fine grid over the cell and kept as a table over the orders 0 to 1.
class Coverage {
public:
    explicit Coverage(int shape) : table_(kSteps + 1)
    {
        constexpr int kGrid = 64;
        std::vector<double> orders;
        for (int j = 0; j < kGrid; ++j)
            for (int i = 0; i < kGrid; ++i)
                orders.push_back(spot(shape, (i + 0.5) / kGrid - 0.5, (j + 0.5) / kGrid - 0.5));
        std::sort(orders.begin(), orders.end());
        for (int step = 0; step <= kSteps; ++step) {
            const auto below = std::lower_bound(orders.begin(), orders.end(), double(step) / kSteps) - orders.begin();
            table_[std::size_t(step)] = double(below) / double(orders.size());
        }
    }
    double below(double order) const { return table_[std::size_t(std::clamp(int(order * kSteps), 0, kSteps))]; }

private:
    static constexpr int kSteps = 4096;
    std::vector<double> table_;
};

} // namespace

extern "C" HGLOBAL HToneImage(HGLOBAL dib, int32_t cellSize, float angle, int32_t dotShape, void *userData,
                              ILProgressProc progress)
{
    return isp::newDibEffect(dib, userData, progress, [=](const isp::Image &source, isp::Image &target,
                                                          const isp::Rect &rect, isp::Progress &p) {
        isp::require(isp::parameterRow("HToneImage", "cellSize"), cellSize);
        isp::require(isp::parameterRow("HToneImage", "angle"), angle);
        isp::require(isp::parameterRow("HToneImage", "dotShape"), dotShape);
        const double radians = double(angle) * 3.141592653589793 / 180.0;
        const double cosine = std::cos(radians) / cellSize, sine = std::sin(radians) / cellSize;
        const Coverage coverage(dotShape);
        const int step = source.bits() / 8;
        return isp::forRows(rect.top, rect.bottom, p, [&](int y) {
            const std::uint8_t *s = isp::pixel(source, rect.left, y);
            std::uint8_t *q = isp::pixel(target, rect.left, y);
            for (int x = rect.left; x < rect.right; ++x, s += step, q += step) {
                const double u = (x + 0.5) * cosine + (y + 0.5) * sine, v = (y + 0.5) * cosine - (x + 0.5) * sine;
                const double darkness = 1.0 - isp::luminance(s) / 255.0;
                const double order = spot(dotShape, u - std::floor(u) - 0.5, v - std::floor(v) - 0.5);
                const bool black = coverage.below(order) < darkness;
                q[0] = q[1] = q[2] = black ? 0 : 255;
            }
        });
    });
}
