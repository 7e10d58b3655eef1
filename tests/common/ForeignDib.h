#pragma once
// Packed DIBs laid out as other programs make them (clipboard owners, TWAIN
// sources): bit-field masks, top-down rows, colour tables on true colour,
// and headers that lie about their block.  Shared by the tests of every
// part that reads a DIB from outside.
#include "dib.h"
#include "globalmem.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace foreign {

struct Colour {
    std::uint8_t red, green, blue;
};

struct Layout {
    unsigned bits = 24;             // 8 (grey table), 16, 24 or 32
    bool topDown = false;           // negative height
    std::uint32_t masks[3] = {};    // red, green, blue: BI_BITFIELDS when set
    unsigned extraColours = 0;      // a colour table on a true-colour DIB
};

// Six colours every layout holds exactly (each channel 0 or 255).
inline Colour colourAt(int x, int y)
{
    static const Colour colours[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}, {255, 255, 0}};
    return colours[(x + 2 * y) % 6];
}

// One channel placed under a mask, from 0 or 255.
inline std::uint32_t placed(std::uint8_t value, std::uint32_t mask)
{
    return value ? mask : 0;
}

inline std::vector<std::uint8_t> packedDib(int width, int height, const Layout &layout)
{
    const bool bitFields = layout.masks[0] != 0;
    const unsigned colours = layout.bits == 8 ? 256 : layout.extraColours;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = layout.topDown ? -height : height;
    header.biPlanes = 1;
    header.biBitCount = WORD(layout.bits);
    header.biCompression = bitFields ? BI_BITFIELDS : BI_RGB;
    header.biClrUsed = colours;
    const std::size_t rowBytes = dib_row_bytes(width, layout.bits);
    header.biSizeImage = DWORD(rowBytes * std::size_t(height));
    std::vector<std::uint8_t> dib(sizeof header);
    std::memcpy(dib.data(), &header, sizeof header);
    if (bitFields)
        for (std::uint32_t mask : layout.masks)
            for (int i = 0; i < 4; ++i)
                dib.push_back(std::uint8_t(mask >> (8 * i)));
    for (unsigned i = 0; i < colours; ++i) // a grey ramp
        dib.insert(dib.end(), {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0});
    const std::size_t pixels = dib.size();
    dib.resize(pixels + rowBytes * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        // y counts from the top of the picture
        std::uint8_t *row = dib.data() + pixels + std::size_t(layout.topDown ? y : height - 1 - y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            const Colour c = colourAt(x, y);
            if (layout.bits == 8) {
                row[x] = std::uint8_t((c.red + c.green + c.blue) / 3);
            } else if (layout.bits == 24) {
                row[3 * x] = c.blue, row[3 * x + 1] = c.green, row[3 * x + 2] = c.red;
            } else {
                const std::uint32_t *m = layout.masks;
                const std::uint32_t value = bitFields ? placed(c.red, m[0]) | placed(c.green, m[1]) | placed(c.blue, m[2])
                    : layout.bits == 16 ? placed(c.red, 0x7C00) | placed(c.green, 0x3E0) | placed(c.blue, 0x1F)
                                        : placed(c.red, 0xFF0000) | placed(c.green, 0xFF00) | placed(c.blue, 0xFF);
                for (unsigned k = 0; k < layout.bits / 8; ++k)
                    row[x * (layout.bits / 8) + k] = std::uint8_t(value >> (8 * k));
            }
        }
    }
    return dib;
}

// The expected colour of a pixel of packedDib's picture.
inline Colour expected(const Layout &layout, int x, int y)
{
    const Colour c = colourAt(x, y);
    if (layout.bits != 8)
        return c;
    const auto grey = std::uint8_t((c.red + c.green + c.blue) / 3);
    return {grey, grey, grey};
}

inline GlobalBlock block(const std::vector<std::uint8_t> &bytes)
{
    GlobalBlock handle(GlobalAlloc(GHND, bytes.size()));
    std::memcpy(GlobalLockGuard(handle.get()).data(), bytes.data(), bytes.size());
    return handle;
}

struct LayoutCase {
    const char *name;
    Layout layout;
};

// Layouts every reader of outside DIBs must read with their colours.
inline std::vector<LayoutCase> layouts()
{
    std::vector<LayoutCase> cases = {
        {"bottom-up 24 bits", {}},
        {"top-down 24 bits", {24, true}},
        {"top-down 8 bits", {8, true}},
        {"5-6-5 bit fields", {16, false, {0xF800, 0x07E0, 0x001F}}},
        {"5-5-5 bit fields, top-down", {16, true, {0x7C00, 0x03E0, 0x001F}}},
        {"32 bits, red in the low byte", {32, false, {0x0000FF, 0x00FF00, 0xFF0000}}},
        {"32 bits, 10-10-10", {32, false, {0x3FF00000, 0x000FFC00, 0x000003FF}}},
        {"plain 16 bits", {16}},
        {"24 bits with a colour table", {24, false, {}, 16}},
    };
    return cases;
}

// A header change and the block size it leaves, for the table of damaged headers.
struct Damage {
    const char *name;
    std::function<void(BITMAPINFOHEADER &)> change;
    std::size_t keep; // bytes of the block kept; 0 keeps them all
};

inline std::vector<Damage> damages()
{
    return {
        {"colour count beyond the block", [](BITMAPINFOHEADER &h) { h.biClrUsed = 0x10000000; }, 0},
        {"colour count beyond the depth", [](BITMAPINFOHEADER &h) { h.biBitCount = 8, h.biClrUsed = 300; }, 0},
        {"more rows than the block holds", [](BITMAPINFOHEADER &h) { h.biHeight = 4000; }, 0},
        {"more top-down rows than the block holds", [](BITMAPINFOHEADER &h) { h.biHeight = -4000; }, 0},
        {"width beyond the block", [](BITMAPINFOHEADER &h) { h.biWidth = 0x7FFFFFFF; }, 0},
        {"no width", [](BITMAPINFOHEADER &h) { h.biWidth = 0; }, 0},
        {"no height", [](BITMAPINFOHEADER &h) { h.biHeight = 0; }, 0},
        {"height that has no positive", [](BITMAPINFOHEADER &h) { h.biHeight = INT32_MIN; }, 0},
        {"header longer than the block", [](BITMAPINFOHEADER &h) { h.biSize = 0x7FFFFFF0; }, 0},
        {"header shorter than any", [](BITMAPINFOHEADER &h) { h.biSize = 8; }, 0},
        {"depth of 7 bits", [](BITMAPINFOHEADER &h) { h.biBitCount = 7; }, 0},
        {"no depth", [](BITMAPINFOHEADER &h) { h.biBitCount = 0; }, 0},
        {"two planes", [](BITMAPINFOHEADER &h) { h.biPlanes = 2; }, 0},
        {"unknown compression", [](BITMAPINFOHEADER &h) { h.biCompression = 77; }, 0},
        {"bit fields on 24 bits", [](BITMAPINFOHEADER &h) { h.biCompression = BI_BITFIELDS; }, 0},
        {"run lengths on 24 bits", [](BITMAPINFOHEADER &h) { h.biCompression = BI_RLE8; }, 0},
        {"last row cut short", [](BITMAPINFOHEADER &) {}, sizeof(BITMAPINFOHEADER) + 5 * 12 - 1},
        {"header cut short", [](BITMAPINFOHEADER &) {}, 30},
    };
}

// A 4 × 5 24-bit DIB with one damage applied.
inline std::vector<std::uint8_t> damaged(const Damage &damage)
{
    std::vector<std::uint8_t> dib = packedDib(4, 5, {});
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib.data(), sizeof header);
    damage.change(header);
    std::memcpy(dib.data(), &header, sizeof header);
    if (damage.keep)
        dib.resize(damage.keep);
    return dib;
}

} // namespace foreign
