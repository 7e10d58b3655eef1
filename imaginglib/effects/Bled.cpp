// Bled, the "Sépia" of the effects dialog: the picture in one tone.  Each
// pixel keeps its intensity and takes a tint whose strength is |amount|:
// warm brown for positive amounts, cold blue for negative ones, neutral
// grey at 0.
#include "Frame.h"

#include <cstdlib>

extern "C" HGLOBAL Bled(HGLOBAL dib, int32_t amount, int32_t left, int32_t top, int32_t right, int32_t bottom,
                        void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [amount](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                      isp::Progress &p) {
        isp::require(isp::parameterRow("Bled", "amount"), amount);
        const double t = std::abs(amount) / 255.0;
        // shifts of blue, green, red at full strength
        const double warm[3] = {-45.0, 10.0, 45.0}, cold[3] = {50.0, 10.0, -40.0};
        const double *tint = amount >= 0 ? warm : cold;
        const int step = source.bits() / 8;
        return isp::forRows(rect.top, rect.bottom, p, [&](int y) {
            const std::uint8_t *s = isp::pixel(source, rect.left, y);
            std::uint8_t *q = isp::pixel(target, rect.left, y);
            for (int x = rect.left; x < rect.right; ++x, s += step, q += step) {
                const int grey = isp::luminance(s);
                // the tint fades out towards black and white so both stay clean
                const double room = 1.0 - std::abs(grey - 127.5) / 127.5 * 0.6;
                for (int k = 0; k < 3; ++k)
                    q[k] = isp::clampByte(grey + tint[k] * t * room);
            }
        });
    });
}
