#include "Skew.h"

#include "Page.h"
#include "Rounding.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace cleanup {

namespace {

constexpr double widestAngle = 15.0;

// A cell of a reduced page where the page turns lighter or darker going
// down: its centre in cells and the change.
struct Edge {
    float x, y, change;
};

// The horizontal edges of a page: tops and bottoms of glyphs and of lines of
// text, of pictures, of the paper against the glass.  Even areas (paper,
// glass, a flat border) and the page's own borders carry none, and faint
// changes (noise) are left out.
std::vector<Edge> edgesOf(const QImage &grey)
{
    constexpr int faintest = 12;
    std::vector<Edge> edges;
    for (int y = 1; y + 1 < grey.height(); ++y) {
        const uchar *above = grey.constScanLine(y - 1), *below = grey.constScanLine(y + 1);
        for (int x = 0; x < grey.width(); ++x)
            if (const int change = below[x] - above[x]; std::abs(change) > faintest)
                edges.push_back({float(x + 0.5), float(y + 0.5), float(change)});
    }
    return edges;
}

// Each edge is spread over the lines around it as a Gaussian one line wide
// (sampled at 64 positions between two lines).  Spread so, its share of the
// energy below does not depend on where between two lines it falls: a
// narrower spread (or none) would favour the angles that happen to put many
// edges on whole lines, and bias the measure by some hundredths of a degree.
constexpr int spreadTaps = 8, spreadPhases = 64;
using Spread = std::array<std::array<float, spreadTaps>, spreadPhases>;

Spread makeSpread()
{
    Spread table{};
    for (int phase = 0; phase < spreadPhases; ++phase)
        for (int tap = 0; tap < spreadTaps; ++tap) {
            const double d = tap - (spreadTaps / 2 - 1) - double(phase) / spreadPhases;
            table[std::size_t(phase)][std::size_t(tap)] = float(std::exp(-d * d / 2));
        }
    return table;
}

// How well the edges line up along parallel lines turned clockwise by
// `degrees`: the energy of their projection (the sum of its squares).  Edges
// of one sign (glyph tops) and of the other (their bottoms) pile up on
// separate lines when the angle is right and cancel out otherwise, as the
// noise does.  Without spreadOut each edge is shared between the two nearest
// lines only: quicker, for the coarse sweep.
double alignment(const std::vector<Edge> &edges, QSize size, double degrees, bool spreadOut, std::vector<double> &profile)
{
    static const Spread spread = makeSpread();
    const double radians = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(radians), s = std::sin(radians);
    // Room for the lines a turned page reaches above its first row, a little
    // beyond the widest angle, and for the spread.
    const double offset = size.width() * std::sin((widestAngle + 1) * std::numbers::pi / 180.0) + spreadTaps;
    profile.assign(std::size_t(size.height() + 2 * offset), 0.0);
    for (const Edge &edge : edges) {
        const double position = edge.y * c - edge.x * s + offset;
        const double whole = std::floor(position);
        if (!spreadOut) { // shared between the two nearest lines only
            const double part = position - whole;
            profile[std::size_t(whole)] += edge.change * (1 - part);
            profile[std::size_t(whole) + 1] += edge.change * part;
            continue;
        }
        const auto &taps = spread[std::size_t((position - whole) * spreadPhases)];
        double *line = profile.data() + std::ptrdiff_t(whole) - (spreadTaps / 2 - 1);
        for (int tap = 0; tap < spreadTaps; ++tap)
            line[tap] += edge.change * taps[std::size_t(tap)];
    }
    double sum = 0;
    for (double p : profile)
        sum += p * p;
    return sum;
}

struct Level {
    int factor;
    double halfRange, step;
    bool spreadOut;
};

} // namespace

double measureSkew(const QImage &page)
{
    const QImage grey = luminance(workPage(page).pixels);
    // A coarse sweep on a copy about 600 cells wide (its small bias, see
    // makeSpread, is well within the next round's range), then two finer
    // rounds, the last on a copy twice as fine: on pages made for the tests
    // and the benchmark the angle comes out within a few thousandths of a
    // degree.
    const int coarse = std::max(1, grey.width() / 600);
    const Level levels[] = {
        {coarse, widestAngle, 0.25, false},
        {coarse, 0.3, 0.05, true},
        {std::max(1, coarse / 2), 0.06, 0.01, true},
    };
    double best = 0;
    for (const Level &level : levels) {
        const QImage small = reduced(grey, level.factor);
        const std::vector<Edge> edges = edgesOf(small);
        if (edges.empty())
            return 0;
        const int steps = platform::roundInt(level.halfRange / level.step);
        std::vector<double> scores(std::size_t(2 * steps + 1));
#pragma omp parallel
        {
            std::vector<double> profile;
#pragma omp for schedule(dynamic)
            for (int i = 0; i < int(scores.size()); ++i)
                scores[std::size_t(i)] = alignment(edges, small.size(), best + (i - steps) * level.step, level.spreadOut, profile);
        }
        const auto top = std::size_t(std::max_element(scores.begin(), scores.end()) - scores.begin());
        double shift = 0;
        if (top > 0 && top + 1 < scores.size()) { // the parabola's summit through the best and its neighbours
            const double left = scores[top - 1], middle = scores[top], right = scores[top + 1];
            const double curvature = left - 2 * middle + right;
            if (curvature < 0)
                shift = 0.5 * (left - right) / curvature;
        }
        best = std::clamp(best + (double(top) - steps + shift) * level.step, -widestAngle, widestAngle);
    }
    return best;
}

} // namespace cleanup
