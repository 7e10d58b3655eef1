#include "Overlay.h"

namespace isp {

HGLOBAL overlayEffect(const char *exportName, HGLOBAL dib, HGLOBAL overlay, OptionalColour colour, int top, int left,
                      void *user, ILProgressProc proc, const Combine &combine)
{
    return guarded<HGLOBAL>(nullptr, [&]() -> HGLOBAL {
        require(parameterRow(exportName, "red"), colour.red);
        require(parameterRow(exportName, "green"), colour.green);
        require(parameterRow(exportName, "blue"), colour.blue);
        Image base = readDib(dib);
        if (base.bits() != 24 && base.bits() != 32)
            base = codecs::toTrueColour(base);
        const codecs::HeldDib held(overlay);
        const Image &picture = held.image();
        Progress progress(proc, user);
        if (!progress.at(0, 1))
            return nullptr;
        // the covered part of the base, in 64 bits so far-away positions cannot overflow
        const int firstRow = std::max(0, top);
        const int lastRow = int(std::min<std::int64_t>(base.height(), std::int64_t(top) + picture.height()));
        const int firstColumn = std::max(0, left);
        const int lastColumn = int(std::min<std::int64_t>(base.width(), std::int64_t(left) + picture.width()));
        if (firstRow < lastRow && firstColumn < lastColumn) {
            const bool done = forRows(firstRow, lastRow, progress, [&](int y) {
                const std::uint8_t *line = picture.row(y - top);
                for (int x = firstColumn; x < lastColumn; ++x)
                    combine(pixel(base, x, y), codecs::pixelColour(picture, line, x - left));
            });
            if (!done)
                return nullptr;
        }
        if (!progress.finish())
            return nullptr;
        return toGlobal(std::move(base));
    });
}

} // namespace isp
