// Blur: a smooth blur growing with `strength` (the radius in
// pixels): three box passes, close to a Gaussian.  Pixels near the edge of
// the rectangle also draw on their neighbours outside it, so the blurred
// part blends into the rest.
#include "Filters.h"

extern "C" HGLOBAL Blur(HGLOBAL dib, int32_t strength, int32_t left, int32_t top, int32_t right, int32_t bottom,
                        void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [strength](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                        isp::Progress &p) {
        isp::require(isp::parameterRow("Blur", "strength"), strength);
        const isp::Rect region = isp::grown(rect, 3 * strength, source);
        isp::FloatImage work = isp::extractColour(source, region);
        for (int pass = 0; pass < 3; ++pass) {
            isp::Progress part = p.part(pass * 30, pass * 30 + 30);
            if (!isp::boxBlur(work, strength, part))
                return false;
        }
        isp::Progress rest = p.part(90, 100);
        return isp::forRows(rect.top, rect.bottom, rest, [&](int y) {
            for (int x = rect.left; x < rect.right; ++x) {
                const float *w = work.at(x - region.left, y - region.top);
                std::uint8_t *q = isp::pixel(target, x, y);
                q[0] = isp::clampByte(double(w[0])), q[1] = isp::clampByte(double(w[1]));
                q[2] = isp::clampByte(double(w[2]));
            }
        });
    });
}
