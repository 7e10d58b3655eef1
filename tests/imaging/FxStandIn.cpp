// A stand-in for the effect exports the bridge's tests need: it records how
// it was called and makes simple, checkable changes.  Its exports are
// defined against isp2000.h's declarations, so they take what the real ones
// take.
#include "isp2000.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>

extern "C" {

struct FxCall {
    int bits;
    int32_t left, top, right, bottom;
    int32_t value;
    double angle;
    uint32_t colour;
    void *userData;
};

ISP_EXPORT FxCall fxLastCall;

static HGLOBAL copyOf(HGLOBAL dib)
{
    const size_t size = GlobalSize(dib);
    HGLOBAL copy = GlobalAlloc(GHND, size);
    std::memcpy(GlobalLockGuard(copy).data(), GlobalLockGuard(dib).data(), size);
    return copy;
}

static void record(HGLOBAL dib, int32_t l, int32_t t, int32_t r, int32_t b, int32_t value, void *userData)
{
    GlobalLockGuard lock(dib);
    fxLastCall = {lock.as<BITMAPINFOHEADER>()->biBitCount, l, t, r, b, value, 0, 0, userData};
}

// Inverts every pixel byte of a true-colour DIB, or the colour table of a palette one.
static void invert(HGLOBAL dib)
{
    GlobalLockGuard lock(dib);
    auto *header = lock.as<BITMAPINFOHEADER>();
    if (header->biBitCount <= 8) {
        RGBQUAD *table = dib_colour_table(header);
        for (unsigned i = 0; i < dib_colour_count(header); ++i) {
            table[i].rgbRed = BYTE(255 - table[i].rgbRed);
            table[i].rgbGreen = BYTE(255 - table[i].rgbGreen);
            table[i].rgbBlue = BYTE(255 - table[i].rgbBlue);
        }
        return;
    }
    BYTE *bits = dib_bits(header);
    for (size_t i = 0; i < dib_image_bytes(header); ++i)
        bits[i] = BYTE(255 - bits[i]);
}

ISP_EXPORT HGLOBAL OilPainting(HGLOBAL dib, int32_t strength, int32_t l, int32_t t,
                                                           int32_t r, int32_t b, void *userData, ILProgressProc)
{
    if (strength == 666)
        throw std::runtime_error("failure inside the library");
    record(dib, l, t, r, b, strength, userData);
    HGLOBAL result = copyOf(dib);
    invert(result);
    return result;
}

ISP_EXPORT HGLOBAL GrayArea(HGLOBAL dib, int32_t l, int32_t t, int32_t r, int32_t b,
                                                        void *userData, ILProgressProc)
{
    record(dib, l, t, r, b, 0, userData);
    return copyOf(dib);
}

ISP_EXPORT int32_t ILInvert(HGLOBAL dib, void *userData, ILProgressProc)
{
    record(dib, 0, 0, 0, 0, 0, userData);
    invert(dib);
    return 1;
}

// A quarter turn of a 24-bit DIB (other depths are refused with none).
ISP_EXPORT HGLOBAL ILRotate(HGLOBAL dib, double angle, int32_t l, int32_t t, int32_t r,
                                                        int32_t b, uint32_t colour, void *userData, ILProgressProc)
{
    record(dib, l, t, r, b, 0, userData);
    fxLastCall.angle = angle;
    fxLastCall.colour = colour;
    GlobalLockGuard lock(dib);
    const auto *in = lock.as<BITMAPINFOHEADER>();
    if (in->biBitCount != 24)
        return nullptr;
    BITMAPINFOHEADER header = *in;
    header.biWidth = in->biHeight;
    header.biHeight = in->biWidth;
    header.biSizeImage = uint32_t(dib_image_bytes(&header));
    HGLOBAL result = GlobalAlloc(GHND, sizeof header + header.biSizeImage);
    GlobalLockGuard out(result);
    auto *rotated = out.as<BITMAPINFOHEADER>();
    *rotated = header;
    const size_t inRow = dib_row_bytes(in->biWidth, 24), outRow = dib_row_bytes(header.biWidth, 24);
    const BYTE *from = reinterpret_cast<const BYTE *>(in + 1);
    BYTE *to = reinterpret_cast<BYTE *>(rotated + 1);
    for (int32_t y = 0; y < in->biHeight; ++y)
        for (int32_t x = 0; x < in->biWidth; ++x)
            std::memcpy(to + size_t(x) * outRow + size_t(y) * 3, from + size_t(y) * inRow + size_t(x) * 3, 3);
    return result;
}

// The transitions: which export was called with what; a delay of 666 throws.
struct FxTransition {
    const char *name;
    int32_t thickness, delay;
};

ISP_EXPORT FxTransition fxLastTransition;

static int32_t transition(const char *name, int32_t thickness, int32_t delay)
{
    if (delay == 666)
        throw std::runtime_error("failure inside the library");
    fxLastTransition = {name, thickness, delay};
    return 1;
}

#define FX_BANDS(name)                                                                                   \
    ISP_EXPORT int32_t name(ILSurface *, HGLOBAL, int32_t thickness, int32_t delay) \
    {                                                                                                    \
        return transition(#name, thickness, delay);                                                      \
    }
#define FX_RINGS(name)                                                                                   \
    ISP_EXPORT int32_t name(ILSurface *, HGLOBAL, int32_t delay)                  \
    {                                                                                                    \
        return transition(#name, -1, delay);                                                             \
    }
FX_BANDS(FXSkipHorizontal)
FX_BANDS(FXSkipVertical)
FX_BANDS(FXSkipDiagonals)
FX_BANDS(FXSkipDiagonalSquares)
FX_RINGS(FXSkipRectangles)
FX_BANDS(FXSkipHorizontalDib)
FX_BANDS(FXSkipVerticalDib)
FX_BANDS(FXSkipDiagonalsDib)
FX_BANDS(FXSkipDiagonalSquaresDib)
FX_RINGS(FXSkipRectanglesDib)

// The file library's device bitmap of a DIB, made wrong: rows of 4 bytes
// for a width of 8 pixels of 32 bits (the block holds exactly those rows).
ISP_EXPORT void DibtoDdb(const BITMAPINFOHEADER *, HGLOBAL *palette, HGLOBAL *bitmap)
{
    const int32_t device[4] = {8, 2, 32, 4}; // width, height, bits per pixel, row bytes
    *palette = nullptr;
    *bitmap = GlobalAlloc(GHND, sizeof device + 2 * 4);
    std::memcpy(GlobalLockGuard(*bitmap).data(), device, sizeof device);
}

} // extern "C"
