// ilHueAndSaturation: hue, saturation and lightness shifts limited to the
// chosen colour ranges, in place.  A pixel belongs to the range of its hue:
// red (around 0°), yellow (60°), green (120°), cyan (180°), blue (240°) or
// magenta (300°); it changes only when that range's flag is 1, and greys
// (no hue) only when all six are.  `hue` turns by that many degrees;
// `saturation` and `brightness` move by that share of the way
// to full (or to none, when negative).  Returns 1 when done.
#include "Colour.h"
#include "Frame.h"

#include <cmath>

namespace {

double shifted(double value, int percent)
{
    return percent >= 0 ? value + (1.0 - value) * percent / 100.0 : value * (1.0 + percent / 100.0);
}

} // namespace

extern "C" int32_t ilHueAndSaturation(HGLOBAL dib, int16_t red, int16_t green, int16_t blue, int16_t yellow,
                                      int16_t magenta, int16_t cyan, int16_t hue, int16_t saturation,
                                      int16_t brightness, int32_t left, int32_t top, int32_t right,
                                      int32_t bottom, void *userData, ILProgressProc progress)
{
    return isp::guarded<int32_t>(0, [&]() -> int32_t {
        isp::require(isp::parameterRow("ilHueAndSaturation", "hue"), hue);
        isp::require(isp::parameterRow("ilHueAndSaturation", "saturation"), saturation);
        isp::require(isp::parameterRow("ilHueAndSaturation", "brightness"), brightness);
        isp::ChangedDib changed(dib, progress);
        isp::Image &image = changed.image();
        isp::requireTrueColour(image);
        const isp::Rect rect = isp::completeRect(image, left, top, right, bottom);
        // ranges in the order of their hues: red, yellow, green, cyan, blue, magenta
        const bool chosen[6] = {red != 0, yellow != 0, green != 0, cyan != 0, blue != 0, magenta != 0};
        const bool all = red && green && blue && yellow && magenta && cyan;
        isp::Progress p(progress, userData);
        const bool done = p.at(0, 1) && isp::forRows(rect.top, rect.bottom, p, [&](int y) {
            for (int x = rect.left; x < rect.right; ++x) {
                std::uint8_t *q = isp::pixel(image, x, y);
                isp::Hsl hsl = isp::toHsl(q[2], q[1], q[0]);
                const bool grey = hsl.saturation < 1e-9;
                if (grey ? !all : !chosen[int(std::fmod(hsl.hue + 30.0, 360.0) / 60.0) % 6])
                    continue;
                hsl.hue = std::fmod(hsl.hue + hue + 360.0, 360.0);
                if (!grey)
                    hsl.saturation = shifted(hsl.saturation, saturation);
                hsl.lightness = shifted(hsl.lightness, brightness);
                double r, g, b;
                isp::fromHsl(hsl, r, g, b);
                q[0] = isp::clampByte(b), q[1] = isp::clampByte(g), q[2] = isp::clampByte(r);
            }
        });
        if (!done)
            return 0;
        changed.done();
        return 1;
    });
}
