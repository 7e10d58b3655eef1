// Warp, the dissolution: the picture flows along a field of displacements
// made from its own colours.  Each pixel's vector points in the direction
// of its hue (with `fromHue`; else to the right) turned by `vectorRotation`
// degrees, and is as long as its saturation (with `fromSaturation`; else
// full) times `displacement` pixels.  With `convolve` the
// field is smoothed over `scale` / 4 pixels, which makes
// the flow soft.  The picture moves in `steps` growing stages;
// each stage is handed to `frame` (when given) and the last is the result.
#include "Colour.h"
#include "Filters.h"
#include "Sampler.h"

#include <cmath>

extern "C" HGLOBAL Warp(HGLOBAL dib, int16_t fromHue, int16_t fromSaturation, int16_t convolve, int32_t scale,
                        int32_t vectorRotation, int32_t steps, int32_t displacement, void *userData,
                        ILProgressProc progress, ILFrameProc frame)
{
    return isp::newDibEffect(dib, userData, progress, [=](const isp::Image &source, isp::Image &target,
                                                          const isp::Rect &rect, isp::Progress &p) {
        isp::require(isp::parameterRow("Warp", "scale"), scale);
        isp::require(isp::parameterRow("Warp", "vectorRotation"), vectorRotation);
        isp::require(isp::parameterRow("Warp", "steps"), steps);
        isp::require(isp::parameterRow("Warp", "displacement"), displacement);
        // the field: two channels, x and y of each pixel's vector
        isp::FloatImage field{rect.width(), rect.height(), 2, {}};
        field.data.resize(std::size_t(field.width) * field.height * 2);
        const double turn = vectorRotation * 3.141592653589793 / 180.0;
        for (int y = 0; y < field.height; ++y)
            for (int x = 0; x < field.width; ++x) {
                const std::uint8_t *s = isp::pixel(source, x, y);
                const isp::Hsl hsl = isp::toHsl(s[2], s[1], s[0]);
                const double direction = (fromHue ? hsl.hue * 3.141592653589793 / 180.0 : 0.0) + turn;
                const double length = (fromSaturation ? hsl.saturation : 1.0) * displacement;
                field.at(x, y)[0] = float(std::cos(direction) * length);
                field.at(x, y)[1] = float(std::sin(direction) * length);
            }
        isp::Progress smoothing = p.part(0, 20);
        if (convolve && !isp::boxBlur(field, std::max(1, scale / 4), smoothing))
            return false;
        for (int step = 1; step <= steps; ++step) {
            const double share = double(step) / steps;
            isp::Progress stage = p.part(20 + 80 * (step - 1) / steps, 20 + 80 * step / steps);
            const bool moved = isp::distort(source, target, rect, stage, [&](double x, double y, double &sx, double &sy) {
                const float *v = field.at(int(x), int(y));
                sx = x - v[0] * share, sy = y - v[1] * share;
            });
            if (!moved)
                return false;
            if (frame != nullptr) {
                GlobalBlock still(isp::toGlobal(target));
                frame(still.get(), userData);
            }
        }
        return true;
    });
}
