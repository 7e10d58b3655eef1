// ScaleDib: the picture resized to `width` × `height`, at its own depth.
// At 24 and 32 bits each direction is scaled on its own: shrinking averages
// the source pixels each target pixel covers (by area), enlarging
// interpolates linearly between the nearest two.  Pictures with a colour
// table or of 16 bits take the nearest pixel, so their colours stay.
#include "Filters.h"
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

bool resample(const isp::Image &source, isp::Image &target, isp::Progress &progress)
{
    const int channels = source.bits() / 8;
    const auto across = tapsFor(source.width(), target.width());
    const auto down = tapsFor(source.height(), target.height());
    // rows first, into floats, then columns into the target
    isp::FloatImage rows{target.width(), source.height(), channels, {}};
    rows.data.resize(std::size_t(rows.width) * rows.height * channels);
    isp::Progress first = progress.part(0, 50), second = progress.part(50, 100);
    const bool rowsDone = isp::forRows(0, source.height(), first, [&](int y) {
        for (int x = 0; x < target.width(); ++x) {
            float *out = rows.at(x, y);
            for (const Tap &tap : across[std::size_t(x)]) {
                const std::uint8_t *s = isp::pixel(source, tap.index, y);
                for (int k = 0; k < channels; ++k)
                    out[k] += tap.weight * s[k];
            }
        }
    });
    return rowsDone && isp::forRows(0, target.height(), second, [&](int y) {
        for (int x = 0; x < target.width(); ++x) {
            float sum[4] = {0, 0, 0, 0};
            for (const Tap &tap : down[std::size_t(y)]) {
                const float *s = rows.at(x, tap.index);
                for (int k = 0; k < channels; ++k)
                    sum[k] += tap.weight * s[k];
            }
            std::uint8_t *q = isp::pixel(target, x, y);
            for (int k = 0; k < channels; ++k)
                q[k] = isp::clampByte(double(sum[k]));
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
