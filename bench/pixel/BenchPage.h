#pragma once
// The page the pixel benchmarks work on: A4 scanned at 300 dpi (2480 x 3508,
// 24-bit).  PIXEL_BENCH_PAGE names an image file to use instead of the
// built-in one (the comparison scripts give the page their peer reads too).
#include "PGPixelGraphic.h"

#include <QString>

#include <cstdlib>

constexpr int pageWidth = 2480;
constexpr int pageHeight = 3508;

// A page with smooth gradients and some texture, the same on every run.
inline const TPixelGraphic &page()
{
    static const TPixelGraphic *image = [] {
        auto *result = new TPixelGraphic;
        if (const char *file = std::getenv("PIXEL_BENCH_PAGE")) {
            result->LoadFromFile(QString::fromLocal8Bit(file));
            return result;
        }
        result->SetFormat(pageWidth, pageHeight, pg24Bit);
        uint32_t noise = 12345;
        for (int y = 0; y < pageHeight; ++y) {
            uint8_t *row = result->ScanLine(y);
            for (int x = 0; x < pageWidth; ++x) {
                noise = noise * 1103515245u + 12345u;
                row[3 * x] = uint8_t(x * 255 / pageWidth);
                row[3 * x + 1] = uint8_t(y * 255 / pageHeight);
                row[3 * x + 2] = uint8_t((x + y) / 8 + (noise >> 28));
            }
        }
        return result;
    }();
    return *image;
}
