// ILGamma: gamma correction, in place, at any depth.  `gamma` is in tenths
// (held within 1.0 to 5.0); each component c becomes
// 255 × (c / 255)^(1 / gamma), rounded: 10 changes nothing, higher values
// lighten the mid-tones.  Returns 1 when done.
#include "Raw.h"

#include <cmath>

extern "C" int32_t ILGamma(HGLOBAL dib, int32_t gamma, void *userData, ILProgressProc progress)
{
    const double exponent = 10.0 / isp::held(isp::parameterRow("ILGamma", "gamma"), gamma);
    return isp::inPlaceEffect(dib, userData, progress, [exponent](isp::Image &image, isp::Progress &p) {
        isp::ComponentTable table;
        for (int v = 0; v < 256; ++v)
            table[v] = isp::clampByte(255.0 * std::pow(v / 255.0, exponent));
        return isp::mapComponents(image, table, p);
    });
}
