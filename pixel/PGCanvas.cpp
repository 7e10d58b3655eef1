// TPGCanvas: a painter on a colour copy of a pixel image, written back on flush.
#include "PGCanvas.h"

#include "PGPixelGraphic.h"

#include <array>

namespace {

// Colours of the raw pixel values of a palette image: entries missing from a
// short palette repeat entry 0, and an empty palette is all black.
std::array<QRgb, 256> colourTable(const TPixelGraphic &graphic)
{
    std::array<QRgb, 256> table{};
    table.fill(qRgb(0, 0, 0));
    for (int i = 0; i < graphic.ColorCount() && graphic.PaletteCount() > 0; ++i) {
        const TRGB c = graphic.PaletteEntries(i < graphic.PaletteCount() ? i : 0);
        table[size_t(i)] = toQRgb(c);
    }
    return table;
}

} // namespace

QPainter &TPGCanvas::Painter()
{
    if (painter_.isActive() || graphic_.GetEmpty())
        return painter_;
    const bool trueColour = graphic_.PixelFormat() == pg24Bit;
    const std::array<QRgb, 256> table = colourTable(graphic_);
    surface_ = QImage(graphic_.Width(), graphic_.Height(), QImage::Format_RGB32);
    for (int y = 0; y < graphic_.Height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(surface_.scanLine(y));
        for (int x = 0; x < graphic_.Width(); ++x) {
            const uint32_t value = graphic_.GetPixel(x, y);
            line[x] = trueColour ? toQRgb(value) : table[value];
        }
    }
    painter_.begin(&surface_);
    graphic_.canvasDirty_ = true;
    return painter_;
}

void TPGCanvas::Flush()
{
    graphic_.canvasDirty_ = false;
    if (!painter_.isActive())
        return;
    painter_.end();
    // Only the pixels the painter changed are written: an untouched pixel keeps
    // its index even where two palette entries share its colour.
    const bool trueColour = graphic_.PixelFormat() == pg24Bit;
    const std::array<QRgb, 256> table = colourTable(graphic_);
    for (int y = 0; y < graphic_.Height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(surface_.constScanLine(y));
        for (int x = 0; x < graphic_.Width(); ++x) {
            const uint32_t value = graphic_.GetPixel(x, y);
            const QRgb drawn = line[x] | 0xFF000000u;
            if (drawn == (trueColour ? toQRgb(value) : table[value]))
                continue;
            const TRGB colour = fromQRgb(drawn);
            if (trueColour)
                graphic_.SetPixel(x, y, colour);
            else
                graphic_.SetPixel(x, y, graphic_.PaletteCount() > 0 ? graphic_.NearestIndex(colour) : 0);
        }
    }
    surface_ = QImage();
}
