// A stand-in for the whole effect library, for the effects dialog's tests:
// every export records its name, the picture it got, its values in argument
// order and its rectangle, and answers with a checkable change (the picture
// inverted).  The exports are defined against isp2000.h's declarations, and
// what a call carries is read from the export's row.  With fxSlowSteps set, an export reports that many progress
// steps a few milliseconds apart and gives up, with no result, as soon as
// it is asked to stop, as the real library does.  With fxFailing set, the
// exports fail inside, with an exception.
#include "EffectParameters.h"
#include "isp2000.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <thread>

extern "C" {

struct FxRecord {
    char name[32];
    int32_t width, height, bits;
    int32_t hasRect;
    int32_t rect[4];
    int32_t count;
    double values[24];
    void *userData;
};

ISP_EXPORT FxRecord fxRecords[64];
ISP_EXPORT int32_t fxRecordCount = 0;
ISP_EXPORT int32_t fxSlowSteps = 0;
ISP_EXPORT int32_t fxFailing = 0;

} // extern "C"

namespace {

FxRecord &record(const char *name, HGLOBAL dib, std::initializer_list<double> values, void *userData)
{
    FxRecord &r = fxRecords[fxRecordCount % 64];
    ++fxRecordCount;
    std::memset(&r, 0, sizeof r);
    std::strncpy(r.name, name, sizeof r.name - 1);
    GlobalLockGuard lock(dib);
    if (const auto *header = lock.as<BITMAPINFOHEADER>()) {
        r.width = header->biWidth;
        r.height = header->biHeight;
        r.bits = header->biBitCount;
    }
    for (double value : values)
        r.values[r.count++] = value;
    r.userData = userData;
    return r;
}

// A call of an effect export, as its row describes it: its values, and the
// rectangle when the row says it takes one.
FxRecord &record(const char *name, HGLOBAL dib, std::initializer_list<double> values, void *userData,
                 std::array<int32_t, 4> rect)
{
    FxRecord &r = record(name, dib, values, userData);
    r.hasRect = isp::exportRow(name).rectangle;
    if (r.hasRect)
        std::copy(rect.begin(), rect.end(), r.rect);
    return r;
}

// The progress of a slow export; false once the caller asked to stop.
bool work(void *userData, ILProgressProc progress)
{
    if (fxFailing)
        throw std::runtime_error("failure inside the library");
    if (!progress)
        return true;
    if (progress(0, userData) == 0)
        return false;
    for (int step = 1; step <= fxSlowSteps; ++step) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (progress(int16_t(step * 100 / fxSlowSteps), userData) == 0)
            return false;
    }
    return progress(100, userData) != 0;
}

void invert(HGLOBAL dib)
{
    GlobalLockGuard lock(dib);
    auto *header = lock.as<BITMAPINFOHEADER>();
    BYTE *bits = dib_bits(header);
    for (size_t i = 0; i < dib_image_bytes(header); ++i)
        bits[i] = BYTE(255 - bits[i]);
}

HGLOBAL copyOf(HGLOBAL dib)
{
    const size_t size = GlobalSize(dib);
    HGLOBAL copy = GlobalAlloc(GHND, size);
    std::memcpy(GlobalLockGuard(copy).data(), GlobalLockGuard(dib).data(), size);
    return copy;
}

// The answer of an export with a new picture.
HGLOBAL changed(HGLOBAL dib, void *userData, ILProgressProc progress)
{
    if (!work(userData, progress))
        return nullptr;
    HGLOBAL result = copyOf(dib);
    invert(result);
    return result;
}

// The answer of an export that changes its picture.
int32_t changedInPlace(HGLOBAL dib, void *userData, ILProgressProc progress)
{
    if (!work(userData, progress))
        return 0;
    invert(dib);
    return 1;
}

} // namespace

extern "C" {

#define RECT_EFFECT_1(NAME, TYPE)                                                                                    \
    ISP_EXPORT HGLOBAL NAME(HGLOBAL dib, TYPE v, int32_t l, int32_t t, int32_t r, int32_t b, void *u, ILProgressProc p) \
    {                                                                                                                \
        record(#NAME, dib, {double(v)}, u, {l, t, r, b});                                                             \
        return changed(dib, u, p);                                                                                   \
    }
RECT_EFFECT_1(OilPainting, int32_t)
RECT_EFFECT_1(Blur, int32_t)
RECT_EFFECT_1(Engrave, int32_t)
RECT_EFFECT_1(Bled, int32_t)
RECT_EFFECT_1(Edge, int32_t)
RECT_EFFECT_1(Better, int32_t)
RECT_EFFECT_1(PixelFix, int32_t)
RECT_EFFECT_1(PinchHole, double)
RECT_EFFECT_1(Whirl, double)

HGLOBAL Wave(HGLOBAL dib, double amplitude, int32_t waveLength, double phase, int16_t smooth, int16_t reflection,
             int32_t l, int32_t t, int32_t r, int32_t b, void *u, ILProgressProc p)
{
    record("Wave", dib, {amplitude, double(waveLength), phase, double(smooth), double(reflection)}, u, {l, t, r, b});
    return changed(dib, u, p);
}

HGLOBAL Noise(HGLOBAL dib, int16_t gaussian, int16_t byIntensity, int32_t red, int32_t green, int32_t blue, int32_t l,
              int32_t t, int32_t r, int32_t b, void *u, ILProgressProc p)
{
    record("Noise", dib, {double(gaussian), double(byIntensity), double(red), double(green), double(blue)}, u, {l, t, r, b});
    return changed(dib, u, p);
}

HGLOBAL Enhance(HGLOBAL dib, int32_t brightness, int32_t contrast, int32_t blueGamma, int32_t greenGamma,
                int32_t redGamma, int32_t l, int32_t t, int32_t r, int32_t b, void *u, ILProgressProc p)
{
    record("Enhance", dib, {double(brightness), double(contrast), double(blueGamma), double(greenGamma), double(redGamma)}, u, {l, t, r, b});
    return changed(dib, u, p);
}

HGLOBAL Motion(HGLOBAL dib, int32_t value, int32_t angle, int16_t kind, int32_t l, int32_t t, int32_t r, int32_t b,
               void *u, ILProgressProc p)
{
    record("Motion", dib, {double(value), double(angle), double(kind)}, u, {l, t, r, b});
    return changed(dib, u, p);
}

HGLOBAL GrayArea(HGLOBAL dib, int32_t l, int32_t t, int32_t r, int32_t b, void *u, ILProgressProc p)
{
    record("GrayArea", dib, {}, u, {l, t, r, b});
    return changed(dib, u, p);
}

HGLOBAL AutoContrast(HGLOBAL dib, int32_t l, int32_t t, int32_t r, int32_t b, void *u, ILProgressProc p)
{
    record("AutoContrast", dib, {}, u, {l, t, r, b});
    return changed(dib, u, p);
}

HGLOBAL RecToPolar(HGLOBAL dib, int32_t value, int32_t angle, int32_t inverse, int32_t backward, int32_t l, int32_t t,
                   int32_t r, int32_t b, void *u, ILProgressProc p)
{
    record("RecToPolar", dib, {double(value), double(angle), double(inverse), double(backward)}, u, {l, t, r, b});
    return changed(dib, u, p);
}

HGLOBAL Jiggle(HGLOBAL dib, int32_t period, int32_t amplitude, int16_t triangle, int32_t l, int32_t t, int32_t r,
               int32_t b, void *u, ILProgressProc p)
{
    record("Jiggle", dib, {double(period), double(amplitude), double(triangle)}, u, {l, t, r, b});
    return changed(dib, u, p);
}

HGLOBAL Spray(HGLOBAL dib, int32_t value, int32_t randomness, int32_t l, int32_t t, int32_t r, int32_t b, void *u,
              ILProgressProc p)
{
    record("Spray", dib, {double(value), double(randomness)}, u, {l, t, r, b});
    return changed(dib, u, p);
}

HGLOBAL FadeDib(HGLOBAL dib, int32_t size, int32_t red, int32_t green, int32_t blue, int32_t l, int32_t t, int32_t r,
                int32_t b, void *u, ILProgressProc p)
{
    record("FadeDib", dib, {double(size), double(red), double(green), double(blue)}, u, {l, t, r, b});
    return changed(dib, u, p);
}

HGLOBAL ThresholdDib(HGLOBAL dib, int32_t threshold, int16_t antiAliasing, int32_t l, int32_t t, int32_t r, int32_t b,
                     void *u, ILProgressProc p)
{
    record("ThresholdDib", dib, {double(threshold), double(antiAliasing)}, u, {l, t, r, b});
    return changed(dib, u, p);
}

HGLOBAL Curl(HGLOBAL dib, int16_t faceBackground, int16_t faceForeground, int16_t keepImage, int16_t shadowBackground,
             int16_t shadowForeground, double shadowTransparency, int16_t shadowUnder, int16_t bottomLeft,
             int16_t bottomRight, int16_t topLeft, int16_t topRight, int16_t verticalFold, int16_t horizontalFold,
             uint8_t foreRed, uint8_t foreGreen, uint8_t foreBlue, uint8_t backRed, uint8_t backGreen, uint8_t backBlue,
             int32_t l, int32_t t, int32_t r, int32_t b, void *u, ILProgressProc p)
{
    record("Curl", dib,
           {double(faceBackground), double(faceForeground), double(keepImage), double(shadowBackground),
            double(shadowForeground), shadowTransparency, double(shadowUnder), double(bottomLeft), double(bottomRight),
            double(topLeft), double(topRight), double(verticalFold), double(horizontalFold), double(foreRed),
            double(foreGreen), double(foreBlue), double(backRed), double(backGreen), double(backBlue)}, u, {l, t, r, b});
    return changed(dib, u, p);
}

HGLOBAL Mosaic(HGLOBAL dib, int32_t size, int32_t height, int32_t spacing, int32_t light, int32_t randomness,
               int32_t antiAliasing, int16_t polygons, int16_t smooth, uint8_t backBlue, uint8_t backGreen,
               uint8_t backRed, uint8_t foreBlue, uint8_t foreGreen, uint8_t foreRed, int32_t l, int32_t t, int32_t r,
               int32_t b, void *u, ILProgressProc p)
{
    record("Mosaic", dib,
           {double(size), double(height), double(spacing), double(light), double(randomness), double(antiAliasing),
            double(polygons), double(smooth), double(backBlue), double(backGreen), double(backRed), double(foreBlue),
            double(foreGreen), double(foreRed)}, u, {l, t, r, b});
    return changed(dib, u, p);
}

int32_t ilHueAndSaturation(HGLOBAL dib, int16_t red, int16_t green, int16_t blue, int16_t yellow, int16_t magenta,
                           int16_t cyan, int16_t hue, int16_t saturation, int16_t brightness, int32_t l, int32_t t,
                           int32_t r, int32_t b, void *u, ILProgressProc p)
{
    record("ilHueAndSaturation", dib,
           {double(red), double(green), double(blue), double(yellow), double(magenta), double(cyan), double(hue),
            double(saturation), double(brightness)}, u, {l, t, r, b});
    return changedInPlace(dib, u, p);
}

HGLOBAL ExtrudeDib(HGLOBAL dib, int16_t levels, int32_t size, void *u, ILProgressProc p)
{
    record("ExtrudeDib", dib, {double(levels), double(size)}, u, {});
    return changed(dib, u, p);
}

HGLOBAL HToneImage(HGLOBAL dib, int32_t cellSize, float angle, int32_t dotShape, void *u, ILProgressProc p)
{
    record("HToneImage", dib, {double(cellSize), double(angle), double(dotShape)}, u, {});
    return changed(dib, u, p);
}

HGLOBAL TileDib(HGLOBAL dib, void *u, ILProgressProc p)
{
    record("TileDib", dib, {}, u, {});
    return changed(dib, u, p);
}

// Each step is handed to the frame callback: the picture, then its inversion.
HGLOBAL Warp(HGLOBAL dib, int16_t fromHue, int16_t fromSaturation, int16_t convolve, int32_t scale,
             int32_t vectorRotation, int32_t steps, int32_t displacement, void *u, ILProgressProc p, ILFrameProc frame)
{
    record("Warp", dib,
           {double(fromHue), double(fromSaturation), double(convolve), double(scale), double(vectorRotation),
            double(steps), double(displacement)},
           u, {});
    if (frame)
        frame(dib, u);
    HGLOBAL result = changed(dib, u, p);
    if (frame && result)
        frame(result, u);
    return result;
}

static HGLOBAL overlay(const char *name, HGLOBAL dib, HGLOBAL over, int16_t red, int16_t green, int16_t blue,
                       int32_t top, int32_t left, void *u, ILProgressProc p)
{
    GlobalLockGuard lock(over);
    const auto *header = lock.as<BITMAPINFOHEADER>();
    record(name, dib,
           {double(red), double(green), double(blue), double(top), double(left), double(header->biWidth),
            double(header->biHeight)},
           u, {});
    return changed(dib, u, p);
}

HGLOBAL MergeDib(HGLOBAL dib, HGLOBAL over, int16_t red, int16_t green, int16_t blue, int32_t top, int32_t left, void *u,
                 ILProgressProc p)
{
    return overlay("MergeDib", dib, over, red, green, blue, top, left, u, p);
}

HGLOBAL DropDib(HGLOBAL dib, HGLOBAL over, int16_t red, int16_t green, int16_t blue, int32_t top, int32_t left, void *u,
                ILProgressProc p)
{
    return overlay("DropDib", dib, over, red, green, blue, top, left, u, p);
}

HGLOBAL ILRotate(HGLOBAL dib, double angle, int32_t l, int32_t t, int32_t r, int32_t b, uint32_t background, void *u,
                 ILProgressProc p)
{
    record("ILRotate", dib, {angle, double(background)}, u, {l, t, r, b});
    return changed(dib, u, p);
}

int32_t ILMirror(HGLOBAL dib, int32_t vertical, int32_t horizontal, void *u, ILProgressProc p)
{
    record("ILMirror", dib, {double(vertical), double(horizontal)}, u, {});
    return changedInPlace(dib, u, p);
}

int32_t ILInvert(HGLOBAL dib, void *u, ILProgressProc p)
{
    record("ILInvert", dib, {}, u, {});
    return changedInPlace(dib, u, p);
}

int32_t ILBrightness(HGLOBAL dib, int32_t amount, void *u, ILProgressProc p)
{
    record("ILBrightness", dib, {double(amount)}, u, {});
    return changedInPlace(dib, u, p);
}

int32_t ILGamma(HGLOBAL dib, int32_t gamma, void *u, ILProgressProc p)
{
    record("ILGamma", dib, {double(gamma)}, u, {});
    return changedInPlace(dib, u, p);
}

HGLOBAL ILReduceColors(HGLOBAL dib, int32_t colours, int32_t dither, void *u, ILProgressProc p)
{
    record("ILReduceColors", dib, {double(colours), double(dither)}, u, {});
    return changed(dib, u, p);
}

// Nearest pixels at the same depth (the bridge hands 24 or 32 bits); not recorded.
HGLOBAL ScaleDib(HGLOBAL dib, int32_t width, int32_t height, void *, ILProgressProc)
{
    GlobalLockGuard lock(dib);
    const auto *in = lock.as<BITMAPINFOHEADER>();
    if (width <= 0 || height <= 0 || in->biBitCount < 24)
        return nullptr;
    BITMAPINFOHEADER header = *in;
    header.biWidth = width;
    header.biHeight = height;
    header.biSizeImage = uint32_t(dib_image_bytes(&header));
    HGLOBAL result = GlobalAlloc(GHND, sizeof header + header.biSizeImage);
    GlobalLockGuard out(result);
    auto *scaled = out.as<BITMAPINFOHEADER>();
    *scaled = header;
    const size_t pixel = in->biBitCount / 8;
    const size_t inRow = dib_row_bytes(in->biWidth, in->biBitCount), outRow = dib_row_bytes(width, in->biBitCount);
    const BYTE *from = reinterpret_cast<const BYTE *>(in + 1);
    BYTE *to = reinterpret_cast<BYTE *>(scaled + 1);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            std::memcpy(to + size_t(y) * outRow + size_t(x) * pixel,
                        from + size_t(y * in->biHeight / height) * inRow + size_t(x * in->biWidth / width) * pixel, pixel);
    return result;
}

// The transitions draw the picture in four steps, stretched onto the surface.
static int32_t transition(const char *name, ILSurface *dc, HGLOBAL dib, int32_t thickness, int32_t delay)
{
    record(name, dib, {double(thickness), double(delay), double(dc->width), double(dc->height)}, nullptr);
    GlobalLockGuard lock(dib);
    const auto *header = lock.as<BITMAPINFOHEADER>();
    if (!header || header->biBitCount != 24 || dc->width <= 0 || dc->height <= 0)
        return 0;
    const BYTE *pixels = reinterpret_cast<const BYTE *>(header + 1);
    const size_t row = dib_row_bytes(header->biWidth, 24);
    for (int step = 0; step < 4; ++step) {
        const int32_t top = dc->height * step / 4, bottom = dc->height * (step + 1) / 4;
        for (int32_t y = top; y < bottom; ++y)
            for (int32_t x = 0; x < dc->width; ++x) {
                const int32_t sy = header->biHeight - 1 - y * header->biHeight / dc->height;
                const BYTE *from = pixels + size_t(sy) * row + size_t(x * header->biWidth / dc->width) * 3;
                BYTE *to = dc->bits + size_t(y) * size_t(dc->stride) + size_t(x) * 4;
                to[0] = from[0], to[1] = from[1], to[2] = from[2], to[3] = 0xFF;
            }
        if (dc->flush)
            dc->flush(dc->user, 0, top, dc->width, bottom);
    }
    return 1;
}

int32_t FXSkipHorizontalDib(ILSurface *dc, HGLOBAL dib, int32_t thickness, int32_t delay)
{
    return transition("FXSkipHorizontalDib", dc, dib, thickness, delay);
}
int32_t FXSkipVerticalDib(ILSurface *dc, HGLOBAL dib, int32_t thickness, int32_t delay)
{
    return transition("FXSkipVerticalDib", dc, dib, thickness, delay);
}
int32_t FXSkipDiagonalsDib(ILSurface *dc, HGLOBAL dib, int32_t thickness, int32_t delay)
{
    return transition("FXSkipDiagonalsDib", dc, dib, thickness, delay);
}
int32_t FXSkipDiagonalSquaresDib(ILSurface *dc, HGLOBAL dib, int32_t thickness, int32_t delay)
{
    return transition("FXSkipDiagonalSquaresDib", dc, dib, thickness, delay);
}
int32_t FXSkipRectanglesDib(ILSurface *dc, HGLOBAL dib, int32_t delay)
{
    return transition("FXSkipRectanglesDib", dc, dib, -1, delay);
}

} // extern "C"
