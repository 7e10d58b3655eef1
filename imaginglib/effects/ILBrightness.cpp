// ILBrightness: adds `amount`, held within its range, to every colour
// component, in place, at any depth.  Returns 1 when done.
#include "Raw.h"

extern "C" int32_t ILBrightness(HGLOBAL dib, int32_t amount, void *userData, ILProgressProc progress)
{
    const int shift = int(isp::held(isp::parameterRow("ILBrightness", "amount"), amount));
    return isp::inPlaceEffect(dib, userData, progress, [shift](isp::Image &image, isp::Progress &p) {
        isp::ComponentTable table;
        for (int v = 0; v < 256; ++v)
            table[v] = isp::clampByte(v + shift);
        return isp::mapComponents(image, table, p);
    });
}
