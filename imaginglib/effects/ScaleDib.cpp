// ScaleDib: the picture resized to `width` × `height`, at its own depth.
// At 24 and 32 bits each direction is scaled on its own: shrinking averages
// the source pixels each target pixel covers (by area), enlarging
// interpolates linearly between the nearest two.  Pictures with a colour
// table or of 16 bits take the nearest pixel, so their colours stay.
#include "Raw.h"

#include <cmath>
#include <vector>

namespace {

struct Tap {
    int index;
    float weight;
};

// For each of `to` target positions, the source positions it draws on.
std::vector<std::vector<Tap>> tapsFor(int from, int to)
{
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(to));
    const double ratio = double(from) / to;
    for (int i = 0; i < to; ++i) {
        auto &list = taps[std::size_t(i)];
        if (to < from) {
            const double start = i * ratio, end = (i + 1) * ratio;
            for (int j = int(start); j < from && j < end; ++j) {
                const double cover = std::min(end, j + 1.0) - std::max(start, double(j));
                if (cover > 0)
                    list.push_back({j, float(cover / ratio)});
            }
        } else {
            const double position = std::clamp((i + 0.5) * ratio - 0.5, 0.0, from - 1.0);
            const int j = int(position);
            const double f = position - j;
            list.push_back({j, float(1.0 - f)});
            if (j + 1 < from && f > 0)
                list.push_back({j + 1, float(f)});
        }
    }
    return taps;
}

// Each target row needs the source rows its taps name, summed across first.
// Bands of target rows are made on their own: the rows a band needs are
// summed across into a small buffer (rows shared by two bands are summed
// twice, in the same order, so to the same floats) and then down.
QUILLON_HOT_LOOP void acrossRow(const std::uint8_t *in, float *out, int channels,
                                const std::vector<std::vector<Tap>> &taps)
{
    for (const std::vector<Tap> &list : taps) {
        for (const Tap &tap : list) {
            const std::uint8_t *s = in + std::size_t(tap.index) * channels;
            for (int k = 0; k < channels; ++k)
                out[k] += tap.weight * s[k];
        }
        out += channels;
    }
}

bool resample(const isp::Image &source, isp::Image &target, isp::Progress &progress)
{
    const int channels = source.bits() / 8;
    const auto across = tapsFor(source.width(), target.width());
    const auto down = tapsFor(source.height(), target.height());
    const int bandRows = 32;
    const int bands = (target.height() + bandRows - 1) / bandRows;
    const std::size_t rowFloats = std::size_t(target.width()) * channels;
    return isp::forRows(0, bands, progress, [&](int band) {
        const int top = band * bandRows, bottom = std::min(target.height(), top + bandRows);
        const int first = down[std::size_t(top)].front().index, last = down[std::size_t(bottom - 1)].back().index;
        std::vector<float> rows(rowFloats * std::size_t(last - first + 1), 0.0f);
        for (int y = first; y <= last; ++y)
            acrossRow(source.row(y), rows.data() + rowFloats * std::size_t(y - first), channels, across);
        for (int y = top; y < bottom; ++y) {
            std::uint8_t *q = target.row(y);
            for (std::size_t i = 0; i < rowFloats; ++i) {
                float sum = 0;
                for (const Tap &tap : down[std::size_t(y)])
                    sum += tap.weight * rows[rowFloats * std::size_t(tap.index - first) + i];
                q[i] = isp::clampByte(double(sum));
            }
        }
    });
}

} // namespace

extern "C" HGLOBAL ScaleDib(HGLOBAL dib, int32_t width, int32_t height, void *userData, ILProgressProc progress)
{
    return isp::guarded<HGLOBAL>(nullptr, [&]() -> HGLOBAL {
        isp::require(isp::parameterRow("ScaleDib", "width"), width);
        isp::require(isp::parameterRow("ScaleDib", "height"), height);
        const codecs::HeldDib held(dib);
        const isp::Image &source = held.image();
        isp::Image target(width, height, source.bits(), source.palette());
        target.setResolution(source.xPelsPerMeter(), source.yPelsPerMeter());
        isp::Progress p(progress, userData);
        if (!p.at(0, 1))
            return nullptr;
        bool done;
        if (source.bits() >= 24) {
            done = resample(source, target, p);
        } else {
            done = isp::forRows(0, height, p, [&](int y) {
                const int sy = int(std::int64_t(y) * source.height() / height);
                for (int x = 0; x < width; ++x)
                    isp::setRawPixel(target, x, y, isp::rawPixel(source, int(std::int64_t(x) * source.width() / width), sy));
            });
        }
        if (!done || !p.finish())
            return nullptr;
        return isp::toGlobal(std::move(target));
    });
}
