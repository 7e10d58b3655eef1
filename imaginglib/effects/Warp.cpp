// Warp, the dissolution: the picture flows along a field of displacements
// made from its own colours.  Each pixel's vector points in the direction
// of its hue (with `fromHue`; else to the right) turned by `vectorRotation`
// degrees, and is as long as its saturation (with `fromSaturation`; else
// full) times `displacement` pixels.  With `convolve` the
// field is smoothed over `scale` / 4 pixels, which makes
// the flow soft.  The picture moves in `steps` growing stages;
// each stage is handed to `frame` (when given) and the last is the result.
//
// A stage's pixel needs the field at that pixel only, so the field is made
// band by band of rows (with the rows its smoothing reaches beyond the
// band) and never held whole: a band's field is made for each stage shown,
// and only the last stage is made when nobody watches the others.
#include "Colour.h"
#include "Filters.h"
#include "Sampler.h"

#include <cmath>

namespace {

struct FieldMaker {
    const isp::Image &source;
    bool fromHue, fromSaturation;
    int smoothing; // box radius, 0 for none
    double turn, displacement;

    // The field of rows [top, bottom) of the picture, with the rows from
    // `first` on: its row 0 is row `first` of the picture.
    isp::FloatImage band(int top, int bottom, int &first) const
    {
        first = std::max(0, top - smoothing);
        const int last = std::min(source.height(), bottom + smoothing);
        isp::FloatImage field{source.width(), last - first, 2, {}};
        field.data.resize(std::size_t(field.width) * field.height * 2);
        for (int y = first; y < last; ++y)
            for (int x = 0; x < field.width; ++x) {
                const std::uint8_t *s = isp::pixel(source, x, y);
                const isp::Hsl hsl = isp::toHsl(s[2], s[1], s[0]);
                const double direction = (fromHue ? hsl.hue * 3.141592653589793 / 180.0 : 0.0) + turn;
                const double length = (fromSaturation ? hsl.saturation : 1.0) * displacement;
                float *v = field.at(x, y - first);
                v[0] = float(std::cos(direction) * length);
                v[1] = float(std::sin(direction) * length);
            }
        // beyond the band's own rows the smoothing reaches the picture's
        // edge or rows it does not use, so its rows see what they would see
        // in the whole field
        isp::Progress quiet(nullptr, nullptr);
        if (smoothing > 0)
            isp::boxBlur(field, smoothing, quiet);
        return field;
    }
};

} // namespace

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
        const FieldMaker maker{source, fromHue != 0, fromSaturation != 0, convolve ? std::max(1, scale / 4) : 0,
                               vectorRotation * 3.141592653589793 / 180.0, double(displacement)};
        const int bandRows = std::max(64, 4 * maker.smoothing);
        const int bands = (rect.height() + bandRows - 1) / bandRows;
        const int firstShown = frame != nullptr ? 1 : steps;
        for (int step = firstShown; step <= steps; ++step) {
            const double share = double(step) / steps;
            const int done = step - firstShown, count = steps - firstShown + 1;
            isp::Progress stage = p.part(100 * done / count, 100 * (done + 1) / count);
            const bool moved = isp::forRows(0, bands, stage, [&](int band) {
                const int top = rect.top + band * bandRows, bottom = std::min(rect.bottom, top + bandRows);
                int first = 0;
                const isp::FloatImage field = maker.band(top, bottom, first);
                auto map = [&](double x, double y, double &sx, double &sy) {
                    const float *v = field.at(int(x), int(y) - first);
                    sx = x - v[0] * share, sy = y - v[1] * share;
                };
                for (int y = top; y < bottom; ++y)
                    isp::distortRow(source, target, rect, y, rect.left, rect.right, map, true);
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
