#pragma once
// Small DIBs in global blocks for the effect tests: built from a colour
// function, read back pixel by pixel (top row 0), compared.
#include "globalmem.h"
#include "dib.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace fxtest {

struct Rgb {
    int red = 0, green = 0, blue = 0;
    friend bool operator==(const Rgb &, const Rgb &) = default;
};

inline std::ostream &operator<<(std::ostream &out, const Rgb &c)
{
    return out << '(' << c.red << ',' << c.green << ',' << c.blue << ')';
}

struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

using Painter = std::function<Rgb(int x, int y)>;

// A 24 or 32-bit DIB painted by the function.
inline GlobalBlock makeDib(int width, int height, const Painter &paint, int bits = 24)
{
    const std::size_t row = dib_row_bytes(width, unsigned(bits));
    GlobalBlock block(GlobalAlloc(GHND, sizeof(BITMAPINFOHEADER) + row * std::size_t(height)));
    GlobalLockGuard lock(block.get());
    auto *header = lock.as<BITMAPINFOHEADER>();
    *header = BITMAPINFOHEADER{40, width, height, 1, WORD(bits), BI_RGB, DWORD(row * height), 2953, 2953, 0, 0};
    BYTE *pixels = dib_bits(header);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb c = paint(x, y);
            BYTE *p = pixels + std::size_t(height - 1 - y) * row + std::size_t(x) * (bits / 8);
            p[0] = BYTE(c.blue), p[1] = BYTE(c.green), p[2] = BYTE(c.red);
            if (bits == 32)
                p[3] = 0;
        }
    return block;
}

// A DIB with a colour table (1, 4 or 8 bits) whose pixels are the indices
// the function gives.
inline GlobalBlock makeIndexedDib(int width, int height, int bits, const std::vector<Rgb> &palette,
                                  const std::function<int(int, int)> &index)
{
    const std::size_t row = dib_row_bytes(width, unsigned(bits));
    const std::size_t colours = std::size_t(1) << bits;
    GlobalBlock block(GlobalAlloc(GHND, sizeof(BITMAPINFOHEADER) + colours * 4 + row * std::size_t(height)));
    GlobalLockGuard lock(block.get());
    auto *header = lock.as<BITMAPINFOHEADER>();
    *header = BITMAPINFOHEADER{40, width, height, 1, WORD(bits), BI_RGB, DWORD(row * height), 2953, 2953,
                               DWORD(colours), DWORD(colours)};
    RGBQUAD *table = dib_colour_table(header);
    for (std::size_t i = 0; i < palette.size() && i < colours; ++i)
        table[i] = RGBQUAD{BYTE(palette[i].blue), BYTE(palette[i].green), BYTE(palette[i].red), 0};
    BYTE *pixels = dib_bits(header);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            BYTE *line = pixels + std::size_t(height - 1 - y) * row;
            const int value = index(x, y);
            if (bits == 8)
                line[x] = BYTE(value);
            else if (bits == 4)
                line[x / 2] |= BYTE(x % 2 ? value : value << 4);
            else
                line[x / 8] |= BYTE(value ? 0x80 >> (x % 8) : 0);
        }
    return block;
}

// A 16-bit (5-5-5) DIB.
inline GlobalBlock makeDib16(int width, int height, const std::function<std::uint16_t(int, int)> &value)
{
    const std::size_t row = dib_row_bytes(width, 16);
    GlobalBlock block(GlobalAlloc(GHND, sizeof(BITMAPINFOHEADER) + row * std::size_t(height)));
    GlobalLockGuard lock(block.get());
    auto *header = lock.as<BITMAPINFOHEADER>();
    *header = BITMAPINFOHEADER{40, width, height, 1, 16, BI_RGB, DWORD(row * height), 2953, 2953, 0, 0};
    BYTE *pixels = dib_bits(header);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint16_t v = value(x, y);
            std::memcpy(pixels + std::size_t(height - 1 - y) * row + std::size_t(x) * 2, &v, 2);
        }
    return block;
}

// Read-only view of a DIB handle.
class View {
public:
    explicit View(HGLOBAL dib) : lock_(dib), header_(lock_.as<BITMAPINFOHEADER>()) {}
    int width() const { return header_->biWidth; }
    int height() const { return header_->biHeight; }
    int bits() const { return header_->biBitCount; }
    const BITMAPINFOHEADER *header() const { return header_; }
    Rgb at(int x, int y) const
    {
        const BYTE *line = dib_bits(header_) + std::size_t(height() - 1 - y) * dib_row_bytes(width(), bits());
        switch (bits()) {
        case 1: return entry((line[x / 8] >> (7 - x % 8)) & 1);
        case 4: return entry(x % 2 ? line[x / 2] & 15 : line[x / 2] >> 4);
        case 8: return entry(line[x]);
        case 16: {
            const int v = line[x * 2] | line[x * 2 + 1] << 8;
            return {(v >> 10 & 31) << 3, (v >> 5 & 31) << 3, (v & 31) << 3};
        }
        default: {
            const BYTE *p = line + std::size_t(x) * (bits() / 8);
            return {p[2], p[1], p[0]};
        }
        }
    }
    // The raw bytes of the pixel rows.
    std::vector<BYTE> pixelBytes() const
    {
        const BYTE *begin = dib_bits(header_);
        return {begin, begin + dib_image_bytes(header_)};
    }

private:
    Rgb entry(int index) const
    {
        const RGBQUAD q = dib_colour_table(header_)[index];
        return {q.rgbRed, q.rgbGreen, q.rgbBlue};
    }
    GlobalLockGuard lock_;
    BITMAPINFOHEADER *header_;
};

inline int grey(const Rgb &c) { return (c.red * 299 + c.green * 587 + c.blue * 114 + 500) / 1000; }

// A busy picture: gradients, a disc and a bar, different in every channel.
inline Rgb photo(int x, int y)
{
    const int dx = x - 20, dy = y - 14;
    if (dx * dx + dy * dy < 64)
        return {40, 90, 200};
    if (x > 30 && x < 40 && y > 4 && y < 12)
        return {240, 210, 30};
    return {(x * 7 + y * 3) % 256, (x * 2 + y * 11) % 256, (x * y) % 256};
}

// Same size, same depth and the same pixels.
inline bool sameDib(HGLOBAL a, HGLOBAL b)
{
    View va(a), vb(b);
    if (va.width() != vb.width() || va.height() != vb.height() || va.bits() != vb.bits())
        return false;
    for (int y = 0; y < va.height(); ++y)
        for (int x = 0; x < va.width(); ++x)
            if (!(va.at(x, y) == vb.at(x, y)))
                return false;
    return true;
}

} // namespace fxtest
