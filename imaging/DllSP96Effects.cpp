// The effect wrappers of ISP2000.DLL in their common frame (OilPainting is
// the model), and the operations on a whole bitmap built on them.
#include "DllSP96.h"

#include "DllSP96Frame.h"
#include "ILDibCls.h"
#include "ImagingError.h"

#include <algorithm>

namespace imaging {
namespace {

using InvertFn = std::int32_t (*)(HGLOBAL, void *, ILProgressProc);
using RotateFn = HGLOBAL (*)(HGLOBAL, double, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::uint32_t,
                             void *, ILProgressProc);

// Right or bottom 0 stand for the whole width or height.
void completeRectangle(HGLOBAL dib, int &right, int &bottom)
{
    const DibSize size = sizeOf(dib);
    if (right == 0)
        right = size.width;
    if (bottom == 0)
        bottom = size.height;
}

// Every effect export with a picture result runs through here.  The effects
// compute in true colour: a DIB of 24 bits or more goes to the export as it
// is, one of fewer bits is raised to 24 for the call and the result brought
// back to its depth, except that 1 bit comes back as 4 (an effect rarely
// leaves a picture in two colours).
template <typename Fn, typename Invoke>
HGLOBAL effectFrame(Fn effect, const QString &caption, HGLOBAL dib, void *userData, ILProgressProc callback, Invoke invoke)
{
    const int depth = sizeOf(dib).bits;
    ImagingProgressCaption = caption;
    return callLibrary([&]() -> HGLOBAL {
               if (depth >= 24)
                   return invoke(effect, dib);
               GlobalBlock wide(ConvertDibUp(dib, 24));
               if (!wide)
                   return nullptr;
               GlobalBlock result24(invoke(effect, wide.get()));
               wide.reset();
               if (!result24)
                   return nullptr;
               return ReduceDibDepth(result24.get(), depth == 1 ? 4 : depth, false, 0, userData, callback);
           })
        .value_or(nullptr);
}

// A framed effect with a rectangle: the export takes the DIB, its own values,
// the rectangle, the user data and the callback.
template <typename... Values>
HGLOBAL rectangleEffect(const char *exportName, const QString &caption, HGLOBAL dib, int left, int top, int right,
                        int bottom, void *userData, ILProgressProc callback, Values... values)
{
    using Fn = HGLOBAL (*)(HGLOBAL, Values..., std::int32_t, std::int32_t, std::int32_t, std::int32_t, void *, ILProgressProc);
    const auto effect = ISP2000().function<Fn>(exportName);
    if (!effect)
        return nullptr;
    completeRectangle(dib, right, bottom);
    return effectFrame(effect, caption, dib, userData, callback, [&](Fn fn, HGLOBAL input) {
        return fn(input, values..., left, top, right, bottom, userData, callback);
    });
}

// A framed effect without a rectangle.
template <typename... Values>
HGLOBAL plainEffect(const char *exportName, const QString &caption, HGLOBAL dib, void *userData,
                    ILProgressProc callback, Values... values)
{
    using Fn = HGLOBAL (*)(HGLOBAL, Values..., void *, ILProgressProc);
    const auto effect = ISP2000().function<Fn>(exportName);
    if (!effect)
        return nullptr;
    return effectFrame(effect, caption, dib, userData, callback,
                       [&](Fn fn, HGLOBAL input) { return fn(input, values..., userData, callback); });
}

std::int16_t flag(bool value) { return value ? 1 : 0; }
std::int32_t boolean(bool value) { return value ? -1 : 0; }

// The depth a result below 24 bits goes back to.
int depthBack(int depth) { return depth == 1 ? 4 : depth; }

// In-place exports returning a status: at 24 bits or more the DIB itself
// is changed and a copy returned; below, a 24-bit temporary is changed and
// reduced back as the result.
template <typename Invoke>
HGLOBAL inPlaceEffect(HGLOBAL dib, const QString &caption, void *userData, ILProgressProc callback, Invoke invoke)
{
    const int depth = sizeOf(dib).bits;
    ImagingProgressCaption = caption;
    return callLibrary([&]() -> HGLOBAL {
               if (depth >= 24)
                   return invoke(dib) == 1 ? CopyDIB(dib) : nullptr;
               GlobalBlock wide(ConvertDibUp(dib, 24));
               if (!wide || invoke(wide.get()) != 1)
                   return nullptr;
               return ReduceDibDepth(wide.get(), depthBack(depth), false, 0, userData, callback);
           })
        .value_or(nullptr);
}

HGLOBAL overlayEffect(const char *exportName, HGLOBAL dib, HGLOBAL overlay, int red, int green, int blue, int top,
                      int left, void *userData, ILProgressProc callback)
{
    using Fn = HGLOBAL (*)(HGLOBAL, HGLOBAL, std::int16_t, std::int16_t, std::int16_t, std::int32_t, std::int32_t, void *,
                           ILProgressProc);
    const auto merge = ISP2000().function<Fn>(exportName);
    if (!merge)
        return nullptr;
    const int depth = sizeOf(dib).bits;
    ImagingProgressCaption = QStringLiteral("Merging Image ");
    return callLibrary([&]() -> HGLOBAL {
               GlobalBlock wideBase(depth < 24 ? ConvertDibUp(dib, 24) : nullptr);
               GlobalBlock wideOverlay(sizeOf(overlay).bits < 24 ? ConvertDibUp(overlay, 24) : nullptr);
               if ((depth < 24 && !wideBase) || (sizeOf(overlay).bits < 24 && !wideOverlay))
                   return nullptr;
               GlobalBlock result(merge(wideBase ? wideBase.get() : dib, wideOverlay ? wideOverlay.get() : overlay,
                                        std::int16_t(red), std::int16_t(green), std::int16_t(blue), top, left, userData,
                                        callback));
               if (!result || depth >= 24)
                   return result.release();
               // back to the base's own depth, 1 bit included, without progress
               return ReduceDibDepth(result.get(), depth, false, 0, nullptr, nullptr);
           })
        .value_or(nullptr);
}

// Runs `effect` on a DIB of the bitmap's pixels (the effect replaces the DIB
// or empties it on failure) and puts the result back into the bitmap.
template <typename Effect> void onWholeBitmap(Bitmap &bitmap, Effect effect)
{
    if (bitmap.isEmpty())
        throw EImagingError(QStringLiteral("Input image is empty"));
    GlobalBlock dib(BitmapToDib(bitmap));
    if (dib)
        effect(dib);
    if (!dib || !DibToBitmap(dib.get(), bitmap))
        throw EImagingError(QStringLiteral("Input image is empty"));
}

} // namespace

HGLOBAL OilPainting(HGLOBAL dib, int left, int top, int right, int bottom, int strength, void *userData,
                    ILProgressProc callback)
{
    return rectangleEffect("OilPainting", QStringLiteral("Oil Painting Image "), dib, left, top, right, bottom, userData,
                           callback, std::int32_t(strength));
}

HGLOBAL Blur(HGLOBAL dib, int left, int top, int right, int bottom, int strength, void *userData, ILProgressProc callback)
{
    return rectangleEffect("Blur", QStringLiteral("Blurring Image "), dib, left, top, right, bottom, userData, callback,
                           std::int32_t(strength));
}

HGLOBAL Engrave(HGLOBAL dib, int left, int top, int right, int bottom, int strength, void *userData, ILProgressProc callback)
{
    return rectangleEffect("Engrave", QStringLiteral("Engraving Image "), dib, left, top, right, bottom, userData,
                           callback, std::int32_t(strength));
}

HGLOBAL Bled(HGLOBAL dib, int left, int top, int right, int bottom, int amount, void *userData, ILProgressProc callback)
{
    return rectangleEffect("Bled", QStringLiteral("Bleeding Image "), dib, left, top, right, bottom, userData, callback,
                           std::int32_t(amount));
}

HGLOBAL Edge(HGLOBAL dib, int left, int top, int right, int bottom, int strength, void *userData, ILProgressProc callback)
{
    return rectangleEffect("Edge", QStringLiteral("Finding Edges "), dib, left, top, right, bottom, userData, callback,
                           std::int32_t(strength));
}

HGLOBAL Better(HGLOBAL dib, int left, int top, int right, int bottom, int amount, void *userData, ILProgressProc callback)
{
    return rectangleEffect("Better", QStringLiteral("Sharpen Image "), dib, left, top, right, bottom, userData, callback,
                           std::int32_t(amount));
}

HGLOBAL PixelFix(HGLOBAL dib, int left, int top, int right, int bottom, int strength, void *userData, ILProgressProc callback)
{
    return rectangleEffect("PixelFix", QStringLiteral("Despeckling Image "), dib, left, top, right, bottom, userData,
                           callback, std::int32_t(strength));
}

HGLOBAL PinchHole(HGLOBAL dib, int left, int top, int right, int bottom, double amount, void *userData, ILProgressProc callback)
{
    return rectangleEffect("PinchHole", QStringLiteral("Pinching Hole "), dib, left, top, right, bottom, userData,
                           callback, amount);
}

HGLOBAL Whirl(HGLOBAL dib, int left, int top, int right, int bottom, double amount, void *userData, ILProgressProc callback)
{
    return rectangleEffect("Whirl", QStringLiteral("Whirling Image "), dib, left, top, right, bottom, userData, callback,
                           amount);
}

HGLOBAL Wave(HGLOBAL dib, int left, int top, int right, int bottom, double amplitude, int waveLength, double phase,
             bool smooth, bool reflection, void *userData, ILProgressProc callback)
{
    return rectangleEffect("Wave", QStringLiteral("Waving Image "), dib, left, top, right, bottom, userData, callback,
                           amplitude, std::int32_t(waveLength), phase, flag(smooth), flag(reflection));
}

HGLOBAL Noise(HGLOBAL dib, int left, int top, int right, int bottom, bool gaussian, bool byIntensity, int red, int green,
              int blue, void *userData, ILProgressProc callback)
{
    return rectangleEffect("Noise", QStringLiteral("Noisifying Image "), dib, left, top, right, bottom, userData,
                           callback, flag(gaussian), flag(byIntensity), std::int32_t(red), std::int32_t(green),
                           std::int32_t(blue));
}

HGLOBAL Enhance(HGLOBAL dib, int left, int top, int right, int bottom, int brightness, int contrast, int blueGamma,
                int greenGamma, int redGamma, void *userData, ILProgressProc callback)
{
    return rectangleEffect("Enhance", QStringLiteral("Enhancing Image "), dib, left, top, right, bottom, userData,
                           callback, std::int32_t(brightness), std::int32_t(contrast), std::int32_t(blueGamma),
                           std::int32_t(greenGamma), std::int32_t(redGamma));
}

HGLOBAL Motion(HGLOBAL dib, int left, int top, int right, int bottom, int value, int angle, int kind, void *userData,
               ILProgressProc callback)
{
    return rectangleEffect("Motion", QStringLiteral("Motion Blurring Image "), dib, left, top, right, bottom, userData,
                           callback, std::int32_t(value), std::int32_t(angle), std::int16_t(kind));
}

HGLOBAL GrayArea(HGLOBAL dib, int left, int top, int right, int bottom, void *userData, ILProgressProc callback)
{
    return rectangleEffect("GrayArea", QStringLiteral("Applying Gray Area "), dib, left, top, right, bottom, userData,
                           callback);
}

HGLOBAL AutoContrast(HGLOBAL dib, int left, int top, int right, int bottom, void *userData, ILProgressProc callback)
{
    return rectangleEffect("AutoContrast", QStringLiteral("Applying Auto Contrast "), dib, left, top, right, bottom,
                           userData, callback);
}

HGLOBAL RecToPolar(HGLOBAL dib, int left, int top, int right, int bottom, int value, int angle, bool inverse,
                   bool backward, void *userData, ILProgressProc callback)
{
    return rectangleEffect("RecToPolar", QStringLiteral("Polar Image "), dib, left, top, right, bottom, userData,
                           callback, std::int32_t(value), std::int32_t(angle), boolean(inverse), boolean(backward));
}

HGLOBAL Jiggle(HGLOBAL dib, int left, int top, int right, int bottom, int period, int amplitude, bool triangle,
               void *userData, ILProgressProc callback)
{
    return rectangleEffect("Jiggle", QStringLiteral("Jiggling Image "), dib, left, top, right, bottom, userData,
                           callback, std::int32_t(period), std::int32_t(amplitude), flag(triangle));
}

HGLOBAL Spray(HGLOBAL dib, int left, int top, int right, int bottom, int value, int randomness, void *userData,
              ILProgressProc callback)
{
    return rectangleEffect("Spray", QStringLiteral("Spraying Image "), dib, left, top, right, bottom, userData,
                           callback, std::int32_t(value), std::int32_t(randomness));
}

HGLOBAL FadeDib(HGLOBAL dib, int left, int top, int right, int bottom, int size, int red, int green, int blue,
                void *userData, ILProgressProc callback)
{
    return rectangleEffect("FadeDib", QStringLiteral("Fading Image "), dib, left, top, right, bottom, userData,
                           callback, std::int32_t(size), std::int32_t(red), std::int32_t(green), std::int32_t(blue));
}

HGLOBAL ThresholdDib(HGLOBAL dib, int left, int top, int right, int bottom, int threshold, bool antiAliasing,
                     void *userData, ILProgressProc callback)
{
    return rectangleEffect("ThresholdDib", QStringLiteral("Applying Threshold "), dib, left, top, right, bottom,
                           userData, callback, std::int32_t(threshold), flag(antiAliasing));
}

HGLOBAL Curl(HGLOBAL dib, int left, int top, int right, int bottom, const TCurlOptions &o, void *userData,
             ILProgressProc callback)
{
    auto byte = [](int v) { return std::uint8_t(v); };
    return rectangleEffect("Curl", QStringLiteral("Applying Page Curl "), dib, left, top, right, bottom, userData,
                           callback, flag(o.FaceBackground), flag(o.FaceForeground), flag(o.KeepImage),
                           flag(o.ShadowBackground), flag(o.ShadowForeground), o.ShadowTransparency,
                           flag(o.ShadowUnder), flag(o.BottomLeft), flag(o.BottomRight), flag(o.TopLeft),
                           flag(o.TopRight), flag(o.VerticalFold), flag(o.HorizontalFold), byte(qRed(o.Foreground)),
                           byte(qGreen(o.Foreground)), byte(qBlue(o.Foreground)), byte(qRed(o.Background)),
                           byte(qGreen(o.Background)), byte(qBlue(o.Background)));
}

HGLOBAL Mosaic(HGLOBAL dib, int left, int top, int right, int bottom, const TMosaicOptions &o, void *userData,
               ILProgressProc callback)
{
    auto byte = [](int v) { return std::uint8_t(v); };
    return rectangleEffect("Mosaic", QStringLiteral("Applying Mosaic Effect "), dib, left, top, right, bottom, userData,
                           callback, std::int32_t(o.Size), std::int32_t(o.Height), std::int32_t(o.Spacing),
                           std::int32_t(o.Light), std::int32_t(o.Randomness), std::int32_t(o.AntiAliasing),
                           flag(o.Polygons), flag(o.Smooth), byte(qBlue(o.Background)), byte(qGreen(o.Background)),
                           byte(qRed(o.Background)), byte(qBlue(o.Foreground)), byte(qGreen(o.Foreground)),
                           byte(qRed(o.Foreground)));
}

HGLOBAL ExtrudeDib(HGLOBAL dib, bool levels, int size, void *userData, ILProgressProc callback)
{
    return plainEffect("ExtrudeDib", QStringLiteral("Extruding Image "), dib, userData, callback, flag(levels),
                       std::int32_t(size));
}

HGLOBAL HToneImage(HGLOBAL dib, int cellSize, float angle, int dotShape, void *userData, ILProgressProc callback)
{
    return plainEffect("HToneImage", QStringLiteral("Half Toning Image "), dib, userData, callback,
                       std::int32_t(cellSize), angle, std::int32_t(dotShape));
}

HGLOBAL TileDib(HGLOBAL dib, void *userData, ILProgressProc callback)
{
    return plainEffect("TileDib", QStringLiteral("Tiling Image "), dib, userData, callback);
}

HGLOBAL Warp(HGLOBAL dib, bool fromHue, bool fromSaturation, bool convolve, int scale, int vectorRotation, int steps,
             int displacement, void *userData, ILProgressProc callback, ILFrameProc frame)
{
    using Fn = HGLOBAL (*)(HGLOBAL, std::int16_t, std::int16_t, std::int16_t, std::int32_t, std::int32_t, std::int32_t,
                           std::int32_t, void *, ILProgressProc, ILFrameProc);
    const auto warp = ISP2000().function<Fn>("Warp");
    if (!warp)
        return nullptr;
    return effectFrame(warp, QStringLiteral("Warp disolve Image "), dib, userData, callback, [&](Fn fn, HGLOBAL input) {
        return fn(input, flag(fromHue), flag(fromSaturation), flag(convolve), scale, vectorRotation, steps,
                  displacement, userData, callback, frame);
    });
}

bool ilHueAndSaturation(HGLOBAL &dib, int left, int top, int right, int bottom, bool red, bool green, bool blue,
                        bool yellow, bool magenta, bool cyan, int hue, int saturation, int brightness, void *userData,
                        ILProgressProc callback)
{
    using Fn = std::int32_t (*)(HGLOBAL, std::int16_t, std::int16_t, std::int16_t, std::int16_t, std::int16_t,
                                std::int16_t, std::int16_t, std::int16_t, std::int16_t, std::int32_t, std::int32_t,
                                std::int32_t, std::int32_t, void *, ILProgressProc);
    const auto change = ISP2000().function<Fn>("ilHueAndSaturation");
    if (!change)
        return false;
    ImagingProgressCaption = QStringLiteral("Applying Hue and Saturation ");
    auto run = [&](HGLOBAL target) {
        return change(target, flag(red), flag(green), flag(blue), flag(yellow), flag(magenta), flag(cyan),
                      std::int16_t(hue), std::int16_t(saturation), std::int16_t(brightness), left, top, right, bottom,
                      userData, callback) == 1;
    };
    const int depth = sizeOf(dib).bits;
    return callLibrary([&]() -> bool {
               if (depth >= 24)
                   return run(dib);
               // the caller's DIB is replaced only once the changed one exists
               GlobalBlock wide(ConvertDibUp(dib, 24));
               if (!wide || !run(wide.get()))
                   return false;
               HGLOBAL reduced = ReduceDibDepth(wide.get(), depthBack(depth), false, 0, userData, callback);
               if (!reduced)
                   return false;
               FreeDib(dib);
               dib = reduced;
               return true;
           })
        .value_or(false);
}

HGLOBAL MergeDib(HGLOBAL dib, HGLOBAL overlay, int red, int green, int blue, int top, int left, void *userData,
                 ILProgressProc callback)
{
    return overlayEffect("MergeDib", dib, overlay, red, green, blue, top, left, userData, callback);
}

HGLOBAL DropDib(HGLOBAL dib, HGLOBAL overlay, int red, int green, int blue, int top, int left, void *userData,
                ILProgressProc callback)
{
    return overlayEffect("DropDib", dib, overlay, red, green, blue, top, left, userData, callback);
}

HGLOBAL ILMirror(HGLOBAL dib, bool vertical, bool horizontal, void *userData, ILProgressProc callback)
{
    using Fn = std::int32_t (*)(HGLOBAL, std::int32_t, std::int32_t, void *, ILProgressProc);
    const auto mirror = ISP2000().function<Fn>("ILMirror");
    if (!mirror)
        return nullptr;
    ImagingProgressCaption = QStringLiteral("Mirroring Image ");
    return callLibrary([&]() -> HGLOBAL {
               return mirror(dib, boolean(vertical), boolean(horizontal), userData, callback) == 1 ? CopyDIB(dib) : nullptr;
           })
        .value_or(nullptr);
}

HGLOBAL ILBrightness(HGLOBAL dib, int amount, void *userData, ILProgressProc callback)
{
    using Fn = std::int32_t (*)(HGLOBAL, std::int32_t, void *, ILProgressProc);
    const auto brighten = ISP2000().function<Fn>("ILBrightness");
    if (!brighten)
        return nullptr;
    const int clamped = std::clamp(amount, -255, 255);
    return inPlaceEffect(dib, QStringLiteral("Brighten Image "), userData, callback,
                         [&](HGLOBAL target) { return brighten(target, clamped, userData, callback); });
}

HGLOBAL ILGamma(HGLOBAL dib, int gamma, void *userData, ILProgressProc callback)
{
    using Fn = std::int32_t (*)(HGLOBAL, std::int32_t, void *, ILProgressProc);
    const auto correct = ISP2000().function<Fn>("ILGamma");
    if (!correct)
        return nullptr;
    const int clamped = std::clamp(gamma, 10, 50);
    return inPlaceEffect(dib, QStringLiteral("Gamma Correct Image "), userData, callback,
                         [&](HGLOBAL target) { return correct(target, clamped, userData, callback); });
}

HGLOBAL ScaleDib(HGLOBAL dib, int width, int height, int bits, void *userData, ILProgressProc callback)
{
    using Fn = HGLOBAL (*)(HGLOBAL, std::int32_t, std::int32_t, void *, ILProgressProc);
    const auto scale = ISP2000().function<Fn>("ScaleDib");
    if (!scale)
        return nullptr;
    const int depth = sizeOf(dib).bits;
    ImagingProgressCaption = QStringLiteral("Resizing Image");
    return callLibrary([&]() -> HGLOBAL {
               if (depth >= 24)
                   return scale(dib, width, height, userData, callback);
               GlobalBlock wide(ConvertDibUp(dib, 24));
               if (!wide)
                   return nullptr;
               GlobalBlock scaled(scale(wide.get(), width, height, userData, callback));
               if (!scaled || bits == 24)
                   return scaled.release();
               return ReduceDibDepth(scaled.get(), bits, false, 0, userData, callback);
           })
        .value_or(nullptr);
}

HGLOBAL ILReduceColors(HGLOBAL dib, int colours, int dither, void *userData, ILProgressProc callback)
{
    using Fn = HGLOBAL (*)(HGLOBAL, std::int32_t, std::int32_t, void *, ILProgressProc);
    GlobalBlock input(dib);
    const auto reduce = ISP2000().function<Fn>("ILReduceColors");
    if (!reduce)
        return nullptr;
    ImagingProgressCaption = QStringLiteral("Reducing colors ");
    return callLibrary([&]() -> HGLOBAL {
               if (sizeOf(input.get()).bits == 32) {
                   const auto to24 = CRDE2000().function<HGLOBAL (*)(HGLOBAL)>("DIB32To24");
                   input.reset(to24 ? to24(input.get()) : nullptr);
                   if (!input)
                       return nullptr;
               }
               return reduce(input.get(), std::clamp(colours, 2, 255), dither, userData, callback);
           })
        .value_or(nullptr);
}

bool ILInvert(HGLOBAL &dib, void *userData, ILProgressProc callback)
{
    const auto invert = ISP2000().function<InvertFn>("ILInvert");
    if (!invert)
        return false;
    ImagingProgressCaption = QStringLiteral("Inverting Image");
    return callLibrary([&] { return invert(dib, userData, callback); }).value_or(0) == 1;
}

bool ILRotate(HGLOBAL &dib, double angle, int left, int top, int right, int bottom, QRgb background, void *userData,
              ILProgressProc callback)
{
    const auto rotate = ISP2000().function<RotateFn>("ILRotate");
    if (!rotate)
        return false;
    completeRectangle(dib, right, bottom);
    ImagingProgressCaption = QStringLiteral("Rotating Image ");
    // the library takes colours as 0x00BBGGRR
    const std::uint32_t colour = std::uint32_t(qBlue(background)) << 16 | std::uint32_t(qGreen(background)) << 8 | qRed(background);
    HGLOBAL rotated = callLibrary([&] { return rotate(dib, angle, left, top, right, bottom, colour, userData, callback); })
                          .value_or(nullptr);
    if (!rotated)
        return false;
    FreeDib(dib);
    dib = rotated;
    return true;
}

void RotateBitmap(Bitmap &bitmap, double angle, QRgb background)
{
    onWholeBitmap(bitmap, [&](GlobalBlock &dib) {
        HGLOBAL handle = dib.release();
        const bool rotated = ILRotate(handle, angle, 0, 0, 0, 0, background);
        dib.reset(handle);
        if (!rotated)
            dib.reset();
    });
}

void InvertBitmap(Bitmap &bitmap, void *userData, ILProgressProc callback)
{
    onWholeBitmap(bitmap, [&](GlobalBlock &dib) {
        HGLOBAL handle = dib.get();
        if (!ILInvert(handle, userData, callback))
            dib.reset();
    });
}

void GrayAreaBitmap(Bitmap &bitmap, int left, int top, int right, int bottom, void *userData, ILProgressProc callback)
{
    onWholeBitmap(bitmap, [&](GlobalBlock &dib) { dib.reset(GrayArea(dib.get(), left, top, right, bottom, userData, callback)); });
}

void AutoContrastBitmap(Bitmap &bitmap, int left, int top, int right, int bottom, void *userData, ILProgressProc callback)
{
    onWholeBitmap(bitmap,
                  [&](GlobalBlock &dib) { dib.reset(AutoContrast(dib.get(), left, top, right, bottom, userData, callback)); });
}

} // namespace imaging
