// ILReduceColors: the picture with an optimised palette of `colours`
// colours (held within its range), in a new DIB of 1, 4 or 8 bits, whichever
// is the smallest that holds them.  `dither` chooses how the colours are
// spread: 1 ordered (Bayer 8 × 8), 2 Burkes and 4 Floyd-Steinberg error
// diffusion, 8 grey levels (a palette of equally spaced greys), 0 the
// nearest colour.  The palette is a median cut of the picture's colours.
#include "Raw.h"

#include "Convert.h"

#include <array>
#include <climits>
#include <cmath>
#include <vector>

namespace {

enum Dither { kBayer = 1, kBurkes = 2, kFloyd = 4, kGrey = 8 };

// Nearest palette entry of a colour, remembered per colour at 6 bits a
// component.
class NearestColour {
public:
    explicit NearestColour(std::vector<codecs::Rgb> palette) : palette_(std::move(palette)), cache_(1 << 18, -1) {}
    int operator()(int red, int green, int blue)
    {
        red = std::clamp(red, 0, 255), green = std::clamp(green, 0, 255), blue = std::clamp(blue, 0, 255);
        int &slot = cache_[std::size_t((red >> 2) << 12 | (green >> 2) << 6 | blue >> 2)];
        if (slot < 0) {
            int bestDistance = INT_MAX;
            for (std::size_t i = 0; i < palette_.size(); ++i) {
                const codecs::Rgb &c = palette_[i];
                const int distance = (c.red - red) * (c.red - red) + (c.green - green) * (c.green - green)
                    + (c.blue - blue) * (c.blue - blue);
                if (distance < bestDistance)
                    bestDistance = distance, slot = int(i);
            }
        }
        return slot;
    }
    const codecs::Rgb &colour(int index) const { return palette_[std::size_t(index)]; }

private:
    std::vector<codecs::Rgb> palette_;
    std::vector<int> cache_;
};

// The palette entries a reduced picture uses, in index order.
std::vector<codecs::Rgb> usedColours(const codecs::Image &reduced, int limit)
{
    std::vector<codecs::Rgb> palette = reduced.palette();
    palette.resize(std::min<std::size_t>(palette.size(), std::size_t(limit)));
    return palette;
}

bool bayer(const codecs::Image &source, codecs::Image &target, NearestColour &nearest, int colours,
           isp::Progress &progress)
{
    static constexpr int kMatrix[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                                          {12, 44, 4, 36, 14, 46, 6, 38},  {60, 28, 52, 20, 62, 30, 54, 22},
                                          {3, 35, 11, 43, 1, 33, 9, 41},   {51, 19, 59, 27, 49, 17, 57, 25},
                                          {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};
    // the spread matches the distance between neighbouring palette colours
    const double spread = 255.0 / std::cbrt(double(colours));
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const std::uint8_t *s = isp::pixel(source, x, y);
            const int offset = int((kMatrix[y & 7][x & 7] / 64.0 - 0.5) * spread);
            target.setIndex(x, y, nearest(s[2] + offset, s[1] + offset, s[0] + offset));
        }
        if (!progress.at(y + 1, source.height()))
            return false;
    }
    return true;
}

bool burkes(const codecs::Image &source, codecs::Image &target, NearestColour &nearest, isp::Progress &progress)
{
    const int width = source.width();
    // errors of this row and the next, three components, with two spare columns each side
    std::vector<int> current(std::size_t(width + 4) * 3), next(current.size());
    for (int y = 0; y < source.height(); ++y) {
        std::fill(next.begin(), next.end(), 0);
        for (int x = 0; x < width; ++x) {
            const std::uint8_t *s = isp::pixel(source, x, y);
            int wanted[3];
            for (int k = 0; k < 3; ++k)
                wanted[k] = s[2 - k] + current[std::size_t(x + 2) * 3 + k] / 32;
            const int index = nearest(wanted[0], wanted[1], wanted[2]);
            target.setIndex(x, y, index);
            const codecs::Rgb &got = nearest.colour(index);
            const int error[3] = {std::clamp(wanted[0], 0, 255) - got.red, std::clamp(wanted[1], 0, 255) - got.green,
                                  std::clamp(wanted[2], 0, 255) - got.blue};
            for (int k = 0; k < 3; ++k) {
                auto at = [&](std::vector<int> &row, int dx) -> int & { return row[std::size_t(x + 2 + dx) * 3 + k]; };
                at(current, 1) += error[k] * 8, at(current, 2) += error[k] * 4;
                at(next, -2) += error[k] * 2, at(next, -1) += error[k] * 4, at(next, 0) += error[k] * 8;
                at(next, 1) += error[k] * 4, at(next, 2) += error[k] * 2;
            }
        }
        std::swap(current, next);
        if (!progress.at(y + 1, source.height()))
            return false;
    }
    return true;
}

codecs::Image greyLevels(const codecs::Image &source, int colours, int bits)
{
    std::vector<codecs::Rgb> palette(static_cast<std::size_t>(colours));
    for (int i = 0; i < colours; ++i) {
        const auto level = std::uint8_t((i * 255 + (colours - 1) / 2) / (colours - 1));
        palette[std::size_t(i)] = {level, level, level};
    }
    codecs::Image target(source.width(), source.height(), bits, palette);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            target.setIndex(x, y, (isp::luminance(isp::pixel(source, x, y)) * (colours - 1) + 127) / 255);
    return target;
}

} // namespace

extern "C" HGLOBAL ILReduceColors(HGLOBAL dib, int32_t colours, int32_t dither, void *userData,
                                  ILProgressProc progress)
{
    const int count = int(isp::held(isp::parameterRow("ILReduceColors", "colours"), colours));
    return isp::guarded<HGLOBAL>(nullptr, [&]() -> HGLOBAL {
        const codecs::HeldDib held(dib);
        const isp::Image wide = held.image().bits() == 24 ? isp::Image() : codecs::toTrueColour(held.image());
        const isp::Image &source = wide.isNull() ? held.image() : wide;
        const int bits = count <= 2 ? 1 : count <= 16 ? 4 : 8;
        isp::Progress p(progress, userData);
        if (!p.at(0, 1))
            return nullptr;
        isp::Image target;
        if (dither & kGrey) {
            target = greyLevels(source, count, bits);
        } else if (dither & kFloyd || !(dither & (kBayer | kBurkes))) {
            target = codecs::reduceColours(source, bits, (dither & kFloyd) != 0, count);
        } else {
            const isp::Image reduced = codecs::reduceColours(source, bits, false, count);
            NearestColour nearest(usedColours(reduced, count));
            target = isp::Image(source.width(), source.height(), bits, reduced.palette());
            isp::Progress mapping = p.part(30, 100);
            const bool done = dither & kBurkes ? burkes(source, target, nearest, mapping)
                                               : bayer(source, target, nearest, count, mapping);
            if (!done)
                return nullptr;
        }
        target.setResolution(source.xPelsPerMeter(), source.yPelsPerMeter());
        if (!p.finish())
            return nullptr;
        return isp::toGlobal(std::move(target));
    });
}
