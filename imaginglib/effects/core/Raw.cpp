#include "Raw.h"

#include <climits>

namespace isp {

std::uint32_t rawValueOf(const Image &image, codecs::Rgb colour)
{
    if (image.bits() <= 8) {
        int best = 0, bestDistance = INT_MAX;
        for (int i = 0; i < image.colourCount(); ++i) {
            const codecs::Rgb c = image.colour(i);
            const int distance = (c.red - colour.red) * (c.red - colour.red)
                + (c.green - colour.green) * (c.green - colour.green) + (c.blue - colour.blue) * (c.blue - colour.blue);
            if (distance < bestDistance)
                best = i, bestDistance = distance;
        }
        return std::uint32_t(best);
    }
    if (image.bits() == 16)
        return std::uint32_t((colour.red >> 3) << 10 | (colour.green >> 3) << 5 | colour.blue >> 3);
    return std::uint32_t(colour.blue | colour.green << 8 | colour.red << 16);
}

bool mapComponents(Image &image, const ComponentTable &table, Progress &progress)
{
    if (image.bits() <= 8) {
        for (int i = 0; i < image.colourCount(); ++i) {
            const codecs::Rgb c = image.colour(i);
            image.setColour(i, {table[c.red], table[c.green], table[c.blue]});
        }
        return progress.finish();
    }
    if (image.bits() == 16) {
        // each 5-bit component widened to 8 bits, mapped, narrowed again
        auto mapFive = [&](std::uint32_t c) { return std::uint32_t(table[(c << 3) | (c >> 2)] >> 3); };
        return forRows(0, image.height(), progress, [&](int y) {
            for (int x = 0; x < image.width(); ++x) {
                const std::uint32_t v = rawPixel(image, x, y);
                setRawPixel(image, x, y,
                            (v & 0x8000) | mapFive(v >> 10 & 31) << 10 | mapFive(v >> 5 & 31) << 5 | mapFive(v & 31));
            }
        });
    }
    const int step = image.bits() / 8;
    return forRows(0, image.height(), progress, [&](int y) {
        std::uint8_t *p = image.row(y);
        for (int x = 0; x < image.width(); ++x, p += step)
            p[0] = table[p[0]], p[1] = table[p[1]], p[2] = table[p[2]];
    });
}

int32_t inPlaceEffect(HGLOBAL dib, void *user, ILProgressProc proc,
                      const std::function<bool(Image &, Progress &)> &body)
{
    return guarded<int32_t>(0, [&]() -> int32_t {
        ChangedDib changed(dib, proc);
        Progress progress(proc, user);
        if (!progress.at(0, 1) || !body(changed.image(), progress) || !progress.finish())
            return 0;
        changed.done();
        return 1;
    });
}

} // namespace isp
