// Mosaic: the picture laid in tiles.  Tiles are squares, or irregular
// polygons with `polygons` (cells around jittered points), about `size` / 10
// pixels across, set in grout of `spacing` / 5 pixels
// in the background colour.  Each tile takes the mean colour of the picture
// under it (with `smooth`) or the colour at its centre.  `height`
// is the width of the bevel, in tenths of a pixel, that lights the tile's
// edges from the direction `light` (degrees): edges facing the light blend
// towards the foreground colour, the others darken.  `randomness`
// jitters the polygons and the tiles' shades; `antiAliasing` softens the
// tile borders.  Tile interiors, away from the bevel, are uniform.
#include "Frame.h"
#include "Random.h"

#include <cmath>
#include <vector>

namespace {

// The tile a point falls in and how far the point lies inside it.
struct Cell {
    int index = 0;     // column + row × columns of the tile's grid square
    double inside = 0; // distance to the nearest tile border
    double nx = 0, ny = 0; // outward direction of that border
};

class Tiling {
public:
    Tiling(const isp::Rect &rect, double size, bool polygons, double jitter, std::uint64_t seed)
        : rect_(rect), size_(size), polygons_(polygons), jitter_(jitter), seed_(seed),
          columns_(int(std::ceil(rect.width() / size)) + 1), rows_(int(std::ceil(rect.height() / size)) + 1)
    {
    }
    int count() const { return columns_ * rows_; }

    Cell locate(double x, double y) const
    {
        x -= rect_.left, y -= rect_.top;
        const int column = int(x / size_), row = int(y / size_);
        if (!polygons_) {
            const double u = x - column * size_, v = y - row * size_;
            const double sides[4] = {u, size_ - u, v, size_ - v};
            const int nearest = int(std::min_element(sides, sides + 4) - sides);
            const double normals[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
            return {row * columns_ + column, sides[nearest], normals[nearest][0], normals[nearest][1]};
        }
        // nearest and second nearest seed among the neighbouring squares
        int best = -1, second = -1;
        double bestDistance = 1e300, secondDistance = 1e300, bx = 0, by = 0, tx = 0, ty = 0;
        for (int r = row - 1; r <= row + 1; ++r)
            for (int c = column - 1; c <= column + 1; ++c) {
                if (r < 0 || c < 0 || r >= rows_ || c >= columns_)
                    continue;
                double px, py;
                seedPoint(c, r, px, py);
                const double distance = (px - x) * (px - x) + (py - y) * (py - y);
                if (distance < bestDistance) {
                    second = best, secondDistance = bestDistance, tx = bx, ty = by;
                    best = r * columns_ + c, bestDistance = distance, bx = px, by = py;
                } else if (distance < secondDistance) {
                    second = r * columns_ + c, secondDistance = distance, tx = px, ty = py;
                }
            }
        if (second < 0)
            return {best, size_, 0, 0};
        const double gap = std::hypot(tx - bx, ty - by);
        return {best, (secondDistance - bestDistance) / (2.0 * gap), (tx - bx) / gap, (ty - by) / gap};
    }

    void centre(int index, double &x, double &y) const
    {
        const int column = index % columns_, row = index / columns_;
        if (polygons_)
            seedPoint(column, row, x, y);
        else
            x = (column + 0.5) * size_, y = (row + 0.5) * size_;
        x = std::clamp(x + rect_.left, double(rect_.left), double(rect_.right - 1));
        y = std::clamp(y + rect_.top, double(rect_.top), double(rect_.bottom - 1));
    }

private:
    void seedPoint(int column, int row, double &x, double &y) const
    {
        x = (column + 0.5 + (isp::unitRandom(seed_, column, row, 0) - 0.5) * jitter_) * size_;
        y = (row + 0.5 + (isp::unitRandom(seed_, column, row, 1) - 0.5) * jitter_) * size_;
    }

    isp::Rect rect_;
    double size_;
    bool polygons_;
    double jitter_;
    std::uint64_t seed_;
    int columns_, rows_;
};

} // namespace

extern "C" HGLOBAL Mosaic(HGLOBAL dib, int32_t size, int32_t height, int32_t spacing, int32_t light,
                          int32_t randomness, int32_t antiAliasing, int16_t polygons, int16_t smooth,
                          uint8_t backBlue, uint8_t backGreen, uint8_t backRed, uint8_t foreBlue, uint8_t foreGreen,
                          uint8_t foreRed, int32_t left, int32_t top, int32_t right, int32_t bottom, void *userData,
                          ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [=](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                 isp::Progress &p) {
        isp::require(isp::parameterRow("Mosaic", "size"), size);
        isp::require(isp::parameterRow("Mosaic", "height"), height);
        isp::require(isp::parameterRow("Mosaic", "spacing"), spacing);
        isp::require(isp::parameterRow("Mosaic", "light"), light);
        isp::require(isp::parameterRow("Mosaic", "randomness"), randomness);
        const double tile = std::max(2.0, size / 10.0);
        const double grout = spacing / 10.0; // half the grout on each side of the border
        const double bevel = std::min(tile / 3.0, height / 10.0);
        const Tiling tiling(rect, tile, polygons != 0, 0.4 + randomness * 0.12,
                            isp::hashOf(0x4D6F73616963ull, size, randomness));
        // the colour of every tile
        std::vector<double> colours(std::size_t(tiling.count()) * 3, 0.0);
        std::vector<int> counts(std::size_t(tiling.count()), 0);
        for (int y = rect.top; smooth && y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x) {
                const int index = tiling.locate(x + 0.5, y + 0.5).index;
                const std::uint8_t *s = isp::pixel(source, x, y);
                for (int k = 0; k < 3; ++k)
                    colours[std::size_t(index) * 3 + k] += s[k];
                ++counts[std::size_t(index)];
            }
        for (int index = 0; index < tiling.count(); ++index) {
            double *c = &colours[std::size_t(index) * 3];
            if (counts[std::size_t(index)] > 0) {
                for (int k = 0; k < 3; ++k)
                    c[k] /= counts[std::size_t(index)];
            } else {
                double cx, cy;
                tiling.centre(index, cx, cy);
                const std::uint8_t *s = isp::pixel(source, int(cx), int(cy));
                c[0] = s[0], c[1] = s[1], c[2] = s[2];
            }
            const double shade = 1.0 + (isp::unitRandom(0x5368616465ull, index) - 0.5) * 0.08 * randomness;
            for (int k = 0; k < 3; ++k)
                c[k] = std::min(255.0, c[k] * shade);
        }
        const double lx = std::cos(light * 3.141592653589793 / 180.0);
        const double ly = -std::sin(light * 3.141592653589793 / 180.0);
        const double groutColour[3] = {double(backBlue), double(backGreen), double(backRed)};
        const double highlight[3] = {double(foreBlue), double(foreGreen), double(foreRed)};
        isp::Progress rest = p.part(30, 100);
        return isp::forRows(rect.top, rect.bottom, rest, [&](int y) {
            for (int x = rect.left; x < rect.right; ++x) {
                const Cell cell = tiling.locate(x + 0.5, y + 0.5);
                const double *c = &colours[std::size_t(cell.index) * 3];
                double colour[3] = {c[0], c[1], c[2]};
                const double depth = cell.inside - grout; // distance inside the tile proper
                if (bevel > 0.0 && depth < bevel) {
                    const double facing = (cell.nx * lx + cell.ny * ly) * (1.0 - std::max(0.0, depth) / bevel);
                    for (int k = 0; k < 3; ++k)
                        colour[k] = facing > 0 ? colour[k] + (highlight[k] - colour[k]) * facing * 0.7
                                               : colour[k] * (1.0 + facing * 0.6);
                }
                // share of the tile in this pixel: a hard step, or a one-pixel ramp
                const double cover = antiAliasing ? std::clamp(depth + 0.5, 0.0, 1.0) : (depth >= 0.0 ? 1.0 : 0.0);
                std::uint8_t *q = isp::pixel(target, x, y);
                for (int k = 0; k < 3; ++k)
                    q[k] = isp::clampByte(colour[k] * cover + groutColour[k] * (1.0 - cover));
            }
        });
    });
}
