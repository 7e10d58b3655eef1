#include "Convert.h"
#include "HotLoop.h"

#include "Error.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>

namespace codecs {
namespace {

int indexAt(const std::uint8_t *line, std::int32_t x, int bits)
{
    switch (bits) {
    case 1: return (line[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? line[x >> 1] & 0x0F : line[x >> 1] >> 4;
    default: return line[x];
    }
}

void putIndex(std::uint8_t *line, std::int32_t x, int bits, int value)
{
    switch (bits) {
    case 1:
        if (value & 1)
            line[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
        break;
    case 4: line[x >> 1] |= std::uint8_t((x & 1) ? value & 0x0F : value << 4); break;
    default: line[x] = std::uint8_t(value);
    }
}

std::uint32_t packRgb(Rgb c) { return std::uint32_t(c.red) << 16 | std::uint32_t(c.green) << 8 | c.blue; }

// Distinct colours in order of first appearance, or empty when more than `limit`.
std::vector<Rgb> exactColours(const Image &image, int limit)
{
    if (image.bits() <= 8) {
        std::vector<bool> used(std::size_t(image.colourCount()) + 1, false);
        std::vector<Rgb> result;
        std::unordered_map<std::uint32_t, int> seen;
        for (std::int32_t y = 0; y < image.height(); ++y)
            for (std::int32_t x = 0; x < image.width(); ++x) {
                const int i = std::min(indexAt(image.row(y), x, image.bits()), image.colourCount());
                if (used[i])
                    continue;
                used[i] = true;
                const Rgb c = i < image.colourCount() ? image.colour(i) : Rgb{};
                if (seen.emplace(packRgb(c), 0).second) {
                    if (int(result.size()) == limit)
                        return {};
                    result.push_back(c);
                }
            }
        return result;
    }
    std::unordered_map<std::uint32_t, int> seen;
    std::vector<Rgb> result;
    std::uint32_t last = 0xFFFFFFFF;
    for (std::int32_t y = 0; y < image.height(); ++y) {
        const std::uint8_t *line = image.row(y);
        for (std::int32_t x = 0; x < image.width(); ++x) {
            const Rgb c = pixelColour(image, line, x);
            const std::uint32_t key = packRgb(c);
            if (key == last)
                continue;
            last = key;
            if (seen.emplace(key, 0).second) {
                if (int(result.size()) == limit)
                    return {};
                result.push_back(c);
            }
        }
    }
    return result;
}

// Median cut over a 5-5-5 histogram.
class MedianCut {
public:
    explicit MedianCut(const Image &image)
    {
        for (std::int32_t y = 0; y < image.height(); ++y) {
            const std::uint8_t *line = image.row(y);
            for (std::int32_t x = 0; x < image.width(); ++x) {
                const Rgb c = pixelColour(image, line, x);
                Bin &bin = bins_[key(c.red >> 3, c.green >> 3, c.blue >> 3)];
                ++bin.count;
                bin.red += c.red;
                bin.green += c.green;
                bin.blue += c.blue;
            }
        }
    }

    std::vector<Rgb> palette(int colours)
    {
        std::vector<Box> boxes{shrink({{0, 0, 0}, {31, 31, 31}})};
        while (int(boxes.size()) < colours) {
            auto best = boxes.end();
            for (auto it = boxes.begin(); it != boxes.end(); ++it)
                if (it->longestSide() > 0 && (best == boxes.end() || it->count > best->count))
                    best = it;
            if (best == boxes.end())
                break;
            Box other = split(*best);
            boxes.push_back(other);
        }
        std::vector<Rgb> result;
        for (const Box &box : boxes) {
            std::uint64_t n = 0, r = 0, g = 0, b = 0;
            forEach(box, [&](const Bin &bin) { n += bin.count; r += bin.red; g += bin.green; b += bin.blue; });
            if (n)
                result.push_back({std::uint8_t((r + n / 2) / n), std::uint8_t((g + n / 2) / n), std::uint8_t((b + n / 2) / n)});
        }
        return result;
    }

private:
    struct Bin {
        std::uint64_t count = 0, red = 0, green = 0, blue = 0;
    };
    struct Box {
        std::array<int, 3> lo, hi;
        std::uint64_t count = 0;
        int longestSide() const { return std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]}); }
    };
    static int key(int r, int g, int b) { return r << 10 | g << 5 | b; }

    template <typename F> void forEach(const Box &box, F f) const
    {
        for (int r = box.lo[0]; r <= box.hi[0]; ++r)
            for (int g = box.lo[1]; g <= box.hi[1]; ++g)
                for (int b = box.lo[2]; b <= box.hi[2]; ++b)
                    if (bins_[key(r, g, b)].count)
                        f(bins_[key(r, g, b)]);
    }

    // Tightens a box around its occupied bins and counts them.
    Box shrink(Box box) const
    {
        Box tight{{31, 31, 31}, {0, 0, 0}, 0};
        for (int r = box.lo[0]; r <= box.hi[0]; ++r)
            for (int g = box.lo[1]; g <= box.hi[1]; ++g)
                for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                    const std::uint64_t n = bins_[key(r, g, b)].count;
                    if (!n)
                        continue;
                    tight.count += n;
                    const int v[3] = {r, g, b};
                    for (int c = 0; c < 3; ++c) {
                        tight.lo[c] = std::min(tight.lo[c], v[c]);
                        tight.hi[c] = std::max(tight.hi[c], v[c]);
                    }
                }
        return tight.count ? tight : box;
    }

    // Splits `box` at the median of its longest side; returns the upper half.
    Box split(Box &box) const
    {
        int axis = 0;
        for (int c = 1; c < 3; ++c)
            if (box.hi[c] - box.lo[c] > box.hi[axis] - box.lo[axis])
                axis = c;
        std::vector<std::uint64_t> slice(32, 0);
        for (int r = box.lo[0]; r <= box.hi[0]; ++r)
            for (int g = box.lo[1]; g <= box.hi[1]; ++g)
                for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                    const int v[3] = {r, g, b};
                    slice[v[axis]] += bins_[key(r, g, b)].count;
                }
        std::uint64_t sum = 0;
        int cut = box.lo[axis];
        for (int v = box.lo[axis]; v < box.hi[axis]; ++v) {
            sum += slice[v];
            cut = v;
            if (sum * 2 >= box.count)
                break;
        }
        Box upper = box;
        upper.lo[axis] = cut + 1;
        box.hi[axis] = cut;
        upper = shrink(upper);
        box = shrink(box);
        return upper;
    }

    std::vector<Bin> bins_ = std::vector<Bin>(32768);
};

// Nearest palette entry, cached per 5-5-5 cell.
class NearestColour {
public:
    explicit NearestColour(const std::vector<Rgb> &palette) : palette_(palette), cache_(32768, -1) {}
    int operator()(int r, int g, int b)
    {
        int &slot = cache_[(r >> 3) << 10 | (g >> 3) << 5 | (b >> 3)];
        if (slot < 0)
            slot = search((r & ~7) | 4, (g & ~7) | 4, (b & ~7) | 4);
        return slot;
    }
    int exact(int r, int g, int b) const { return search(r, g, b); }

private:
    int search(int r, int g, int b) const
    {
        int best = 0, bestDistance = 1 << 30;
        for (std::size_t i = 0; i < palette_.size(); ++i) {
            const int dr = palette_[i].red - r, dg = palette_[i].green - g, db = palette_[i].blue - b;
            const int d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
            if (d < bestDistance) {
                bestDistance = d;
                best = int(i);
            }
        }
        return best;
    }
    const std::vector<Rgb> &palette_;
    std::vector<int> cache_;
};

Image mapExact(const Image &image, int bits, const std::vector<Rgb> &palette)
{
    Image out(image.width(), image.height(), bits, palette);
    std::unordered_map<std::uint32_t, int> lookup;
    for (std::size_t i = 0; i < palette.size(); ++i)
        lookup.emplace(packRgb(palette[i]), int(i));
    for (std::int32_t y = 0; y < image.height(); ++y) {
        const std::uint8_t *in = image.row(y);
        std::uint8_t *line = out.row(y);
        for (std::int32_t x = 0; x < image.width(); ++x)
            putIndex(line, x, bits, lookup[packRgb(pixelColour(image, in, x))]);
    }
    return out;
}

// Floyd-Steinberg error diffusion (or none) to the nearest palette colour,
// or to black and white by luminance.  Each pixel depends on the errors
// before it, so the picture goes through in order; the pixel reader and
// the index writer are chosen once (Read and Write), not at every pixel.
template <typename Read, typename Write>
void diffuse(const Image &image, Image &out, const std::vector<Rgb> &palette, bool dither, bool byLuminance, Read read,
             Write write)
{
    NearestColour nearest(palette);
    const std::int32_t w = image.width();
    // error rows for Floyd-Steinberg, one pixel of margin on each side
    std::vector<int> current(std::size_t(w + 2) * 3, 0), next(std::size_t(w + 2) * 3, 0);
    for (std::int32_t y = 0; y < image.height(); ++y) {
        const std::uint8_t *in = image.row(y);
        std::uint8_t *line = out.row(y);
        std::fill(next.begin(), next.end(), 0);
        for (std::int32_t x = 0; x < w; ++x) {
            const Rgb c = read(in, x);
            int v[3] = {c.red, c.green, c.blue};
            if (dither)
                for (int k = 0; k < 3; ++k)
                    v[k] = std::clamp(v[k] + current[std::size_t(x + 1) * 3 + k] / 16, 0, 255);
            int chosen;
            if (byLuminance)
                chosen = luminance({std::uint8_t(v[0]), std::uint8_t(v[1]), std::uint8_t(v[2])}) >= 128 ? 1 : 0;
            else
                chosen = nearest(v[0], v[1], v[2]);
            write(line, x, chosen);
            if (!dither)
                continue;
            const int got[3] = {palette[std::size_t(chosen)].red, palette[std::size_t(chosen)].green,
                                palette[std::size_t(chosen)].blue};
            for (int k = 0; k < 3; ++k) {
                const int e = v[k] - got[k];
                current[std::size_t(x + 2) * 3 + k] += e * 7;
                next[std::size_t(x) * 3 + k] += e * 3;
                next[std::size_t(x + 1) * 3 + k] += e * 5;
                next[std::size_t(x + 2) * 3 + k] += e;
            }
        }
        std::swap(current, next);
    }
}

Image mapToPalette(const Image &image, int bits, const std::vector<Rgb> &palette, bool dither, bool byLuminance)
{
    Image out(image.width(), image.height(), bits, palette);
    const auto any = [&](const std::uint8_t *in, std::int32_t x) { return pixelColour(image, in, x); };
    const auto anyIndex = [bits](std::uint8_t *line, std::int32_t x, int index) { putIndex(line, x, bits, index); };
    const auto byte = [](std::uint8_t *line, std::int32_t x, int index) { line[x] = std::uint8_t(index); };
    if (image.bits() == 24 && bits == 8)
        diffuse(image, out, palette, dither, byLuminance,
                [](const std::uint8_t *in, std::int32_t x) { return Rgb{in[x * 3 + 2], in[x * 3 + 1], in[x * 3]}; }, byte);
    else
        diffuse(image, out, palette, dither, byLuminance, any, anyIndex);
    return out;
}

} // namespace

Rgb pixelColour(const Image &image, const std::uint8_t *line, std::int32_t x)
{
    switch (image.bits()) {
    case 1:
    case 4:
    case 8: {
        const int i = indexAt(line, x, image.bits());
        return i < image.colourCount() ? image.colour(i) : Rgb{};
    }
    case 16: {
        const unsigned v = line[x * 2] | line[x * 2 + 1] << 8;
        auto expand = [](unsigned five) { return std::uint8_t(five << 3 | five >> 2); };
        return {expand(v >> 10 & 31), expand(v >> 5 & 31), expand(v & 31)};
    }
    case 24: return {line[x * 3 + 2], line[x * 3 + 1], line[x * 3]};
    default: return {line[x * 4 + 2], line[x * 4 + 1], line[x * 4]};
    }
}

bool hasAlpha(const Image &image)
{
    if (image.bits() != 32)
        return false;
    for (std::int32_t y = 0; y < image.height(); ++y) {
        const std::uint8_t *line = image.row(y);
        for (std::int32_t x = 0; x < image.width(); ++x)
            if (line[x * 4 + 3])
                return true;
    }
    return false;
}

Image toTrueColour(const Image &image)
{
    Image out(image.width(), image.height(), 24);
    out.setResolution(image.xPelsPerMeter(), image.yPelsPerMeter());
    for (std::int32_t y = 0; y < image.height(); ++y) {
        const std::uint8_t *in = image.row(y);
        std::uint8_t *line = out.row(y);
        for (std::int32_t x = 0; x < image.width(); ++x) {
            const Rgb c = pixelColour(image, in, x);
            line[x * 3] = c.blue;
            line[x * 3 + 1] = c.green;
            line[x * 3 + 2] = c.red;
        }
    }
    return out;
}

Image toGrey(const Image &image)
{
    Image out(image.width(), image.height(), 8, greyPalette(8));
    out.setResolution(image.xPelsPerMeter(), image.yPelsPerMeter());
    for (std::int32_t y = 0; y < image.height(); ++y) {
        const std::uint8_t *in = image.row(y);
        std::uint8_t *line = out.row(y);
        for (std::int32_t x = 0; x < image.width(); ++x)
            line[x] = luminance(pixelColour(image, in, x));
    }
    return out;
}

Image widenIndices(const Image &image, int bits)
{
    if (image.bits() > 8 || bits > 8 || bits <= image.bits())
        fail(ErrorCode::BadDepth, "indices can only be widened");
    Image out(image.width(), image.height(), bits, image.palette());
    out.setResolution(image.xPelsPerMeter(), image.yPelsPerMeter());
    for (std::int32_t y = 0; y < image.height(); ++y)
        for (std::int32_t x = 0; x < image.width(); ++x)
            putIndex(out.row(y), x, bits, indexAt(image.row(y), x, image.bits()));
    return out;
}

Image reduceColours(const Image &image, int bits, bool dither, int colours)
{
    if (bits != 1 && bits != 4 && bits != 8)
        fail(ErrorCode::BadDepth, "colour tables exist for 1, 4 and 8 bits");
    const int limit = (colours <= 0 || colours > (1 << bits)) ? 1 << bits : colours;
    Image out;
    std::vector<Rgb> palette = exactColours(image, limit);
    if (!palette.empty()) {
        if (image.bits() == bits && image.colourCount() <= limit)
            out = image;
        else if (image.bits() < bits && image.bits() <= 8 && image.colourCount() <= limit)
            out = widenIndices(image, bits);
        else
            out = mapExact(image, bits, palette);
    } else if (bits == 1) {
        out = mapToPalette(image, 1, {{0, 0, 0}, {255, 255, 255}}, dither, true);
    } else {
        palette = MedianCut(image).palette(limit);
        out = mapToPalette(image, bits, palette, dither, false);
    }
    out.setResolution(image.xPelsPerMeter(), image.yPelsPerMeter());
    return out;
}

Image convertDepth(const Image &image, int bits, bool dither)
{
    if (image.bits() == bits)
        return image;
    switch (bits) {
    case 1:
    case 4:
    case 8:
        if (image.bits() < bits)
            return widenIndices(image, bits);
        return reduceColours(image, bits, dither);
    case 24: return toTrueColour(image);
    case 16:
    case 32: {
        Image out(image.width(), image.height(), bits);
        out.setResolution(image.xPelsPerMeter(), image.yPelsPerMeter());
        for (std::int32_t y = 0; y < image.height(); ++y) {
            const std::uint8_t *in = image.row(y);
            std::uint8_t *line = out.row(y);
            for (std::int32_t x = 0; x < image.width(); ++x) {
                const Rgb c = pixelColour(image, in, x);
                if (bits == 16) {
                    const unsigned v = (c.red >> 3) << 10 | (c.green >> 3) << 5 | (c.blue >> 3);
                    line[x * 2] = std::uint8_t(v);
                    line[x * 2 + 1] = std::uint8_t(v >> 8);
                } else {
                    line[x * 4] = c.blue;
                    line[x * 4 + 1] = c.green;
                    line[x * 4 + 2] = c.red;
                    line[x * 4 + 3] = 255;
                }
            }
        }
        return out;
    }
    default: fail(ErrorCode::BadDepth, "unsupported depth");
    }
}

// The three-byte case in a loop the compiler turns into byte shuffles,
// compiled for AVX2 as well and chosen when the library loads.
QUILLON_HOT_LOOP static void swapTriples(const std::uint8_t *in, std::uint8_t *out, std::size_t count)
{
    for (std::size_t i = 0; i < count * 3; i += 3) {
        const std::uint8_t first = in[i], second = in[i + 1], third = in[i + 2];
        out[i] = third, out[i + 1] = second, out[i + 2] = first;
    }
}

void swapRedBlue(const std::uint8_t *in, int inStep, std::uint8_t *out, int outStep, std::size_t count)
{
    if (inStep == 3 && outStep == 3)
        return swapTriples(in, out, count);
    const bool fourth = inStep >= 4 && outStep == 4;
    for (std::size_t x = 0; x < count; ++x, in += inStep, out += outStep) {
        out[0] = in[2], out[1] = in[1], out[2] = in[0];
        if (fourth)
            out[3] = in[3];
    }
}

} // namespace codecs
