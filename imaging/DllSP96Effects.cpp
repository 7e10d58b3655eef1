// The effect wrappers of ISP2000.DLL in their common frame (OilPainting is
// the model), and the operations on a whole bitmap built on them.  Each
// export's caption and rectangle come from its row (EffectParameters.h);
// the types of its arguments come from its C declaration (isp2000.h), which
// only the compiler reads: the export is bound by name when it is called.
#include "DllSP96.h"

#include "DllSP96Frame.h"
#include "EffectParameters.h"
#include "ILDibCls.h"
#include "ImagingError.h"
#include "isp2000.h"

#include <algorithm>
#include <type_traits>

namespace imaging {
namespace {

// The caption an export's progress shows, from its row.
QString captionOf(const isp::ExportRow &row)
{
    return QString::fromLatin1(row.caption);
}

// Right or bottom 0 stand for the whole width or height.
void completeRectangle(HGLOBAL dib, int &right, int &bottom)
{
    const DibSize size = sizeOf(dib);
    if (right == 0)
        right = size.width;
    if (bottom == 0)
        bottom = size.height;
}

// An argument as the export's parameter P takes it: a switch is 1 or 0 in
// 16 bits (a "flag") and -1 or 0 in 32 bits (a "bool").
template <typename P, typename A> P asParameter(A value)
{
    if constexpr (std::is_same_v<A, bool> && std::is_integral_v<P>)
        return sizeof(P) == 2 ? P(value ? 1 : 0) : P(value ? -1 : 0);
    else
        return static_cast<P>(value);
}

// Calls the export with each argument as its declaration takes it.
template <typename R, typename... P, typename... A> R callExport(R (*fn)(P...), A... arguments)
{
    static_assert(sizeof...(P) == sizeof...(A), "the call and the export's declaration differ");
    return fn(asParameter<P>(arguments)...);
}

// An export as the bridge calls it: its row, and its C declaration Fn
// (isp2000.h), which gives the types of its arguments.  The export itself
// is bound by name at run time.
template <typename Fn> struct Export {
    const isp::ExportRow &row;
    Fn *bind() const { return ISP2000().function<Fn *>(row.name); }
};

// The export `name`; its declaration must be what its row says, or this does not compile.
#define DECLARED_EXPORT(name)                                                                                      \
    ([] {                                                                                                          \
        static_assert(isp::declaredAsItsRow<decltype(::name)>(#name), #name "'s declaration differs from its row"); \
        return Export<decltype(::name)>{isp::exportRow(#name)};                                                    \
    }())
// The same for the few exports whose arguments come in an order of their own.
#define DECLARED_EXPORT_OWN_ORDER(name) (Export<decltype(::name)>{isp::exportRow(#name)})

// Every effect export with a picture result runs through here.  The effects
// compute in true colour: a DIB of 24 bits or more goes to the export as it
// is, one of fewer bits is raised to 24 for the call and the result brought
// back to its depth, except that 1 bit comes back as 4 (an effect rarely
// leaves a picture in two colours).
template <typename Invoke>
HGLOBAL effectFrame(const isp::ExportRow &row, HGLOBAL dib, void *userData, ILProgressProc callback, Invoke invoke)
{
    const int depth = sizeOf(dib).bits;
    ImagingProgressCaption = captionOf(row);
    return callLibrary([&]() -> HGLOBAL {
               if (depth >= 24)
                   return invoke(dib);
               GlobalBlock wide(ConvertDibUp(dib, 24));
               if (!wide)
                   return nullptr;
               GlobalBlock result24(invoke(wide.get()));
               wide.reset();
               if (!result24)
                   return nullptr;
               return ReduceDibDepth(result24.get(), depth == 1 ? 4 : depth, false, 0, userData, callback);
           })
        .value_or(nullptr);
}

// A framed effect with a rectangle: the export takes the DIB, its own values,
// the rectangle, the user data and the callback.
template <typename Fn, typename... Values>
HGLOBAL rectangleEffect(Export<Fn> effect, HGLOBAL dib, int left, int top, int right, int bottom, void *userData,
                        ILProgressProc callback, Values... values)
{
    const auto fn = effect.bind();
    if (!fn)
        return nullptr;
    completeRectangle(dib, right, bottom);
    return effectFrame(effect.row, dib, userData, callback, [&](HGLOBAL input) {
        return callExport(fn, input, values..., left, top, right, bottom, userData, callback);
    });
}

// A framed effect without a rectangle.
template <typename Fn, typename... Values>
HGLOBAL plainEffect(Export<Fn> effect, HGLOBAL dib, void *userData, ILProgressProc callback, Values... values)
{
    const auto fn = effect.bind();
    if (!fn)
        return nullptr;
    return effectFrame(effect.row, dib, userData, callback,
                       [&](HGLOBAL input) { return callExport(fn, input, values..., userData, callback); });
}

// The depth a result below 24 bits goes back to.
int depthBack(int depth) { return depth == 1 ? 4 : depth; }

// In-place exports returning a status: at 24 bits or more the DIB itself
// is changed and a copy returned; below, a 24-bit temporary is changed and
// reduced back as the result.
template <typename Invoke>
HGLOBAL inPlaceEffect(const isp::ExportRow &row, HGLOBAL dib, void *userData, ILProgressProc callback, Invoke invoke)
{
    const int depth = sizeOf(dib).bits;
    ImagingProgressCaption = captionOf(row);
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

template <typename Fn>
HGLOBAL overlayEffect(Export<Fn> effect, HGLOBAL dib, HGLOBAL overlay, int red, int green, int blue, int top, int left,
                      void *userData, ILProgressProc callback)
{
    const auto merge = effect.bind();
    if (!merge)
        return nullptr;
    const int depth = sizeOf(dib).bits;
    ImagingProgressCaption = captionOf(effect.row);
    return callLibrary([&]() -> HGLOBAL {
               GlobalBlock wideBase(depth < 24 ? ConvertDibUp(dib, 24) : nullptr);
               GlobalBlock wideOverlay(sizeOf(overlay).bits < 24 ? ConvertDibUp(overlay, 24) : nullptr);
               if ((depth < 24 && !wideBase) || (sizeOf(overlay).bits < 24 && !wideOverlay))
                   return nullptr;
               GlobalBlock result(callExport(merge, wideBase ? wideBase.get() : dib,
                                             wideOverlay ? wideOverlay.get() : overlay, red, green, blue, top, left,
                                             userData, callback));
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
    return rectangleEffect(DECLARED_EXPORT(OilPainting), dib, left, top, right, bottom, userData, callback, strength);
}

HGLOBAL Blur(HGLOBAL dib, int left, int top, int right, int bottom, int strength, void *userData, ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(Blur), dib, left, top, right, bottom, userData, callback, strength);
}

HGLOBAL Engrave(HGLOBAL dib, int left, int top, int right, int bottom, int strength, void *userData, ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(Engrave), dib, left, top, right, bottom, userData, callback, strength);
}

HGLOBAL Bled(HGLOBAL dib, int left, int top, int right, int bottom, int amount, void *userData, ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(Bled), dib, left, top, right, bottom, userData, callback, amount);
}

HGLOBAL Edge(HGLOBAL dib, int left, int top, int right, int bottom, int strength, void *userData, ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(Edge), dib, left, top, right, bottom, userData, callback, strength);
}

HGLOBAL Better(HGLOBAL dib, int left, int top, int right, int bottom, int amount, void *userData, ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(Better), dib, left, top, right, bottom, userData, callback, amount);
}

HGLOBAL PixelFix(HGLOBAL dib, int left, int top, int right, int bottom, int strength, void *userData, ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(PixelFix), dib, left, top, right, bottom, userData, callback, strength);
}

HGLOBAL PinchHole(HGLOBAL dib, int left, int top, int right, int bottom, double amount, void *userData, ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(PinchHole), dib, left, top, right, bottom, userData, callback, amount);
}

HGLOBAL Whirl(HGLOBAL dib, int left, int top, int right, int bottom, double amount, void *userData, ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(Whirl), dib, left, top, right, bottom, userData, callback, amount);
}

HGLOBAL Wave(HGLOBAL dib, int left, int top, int right, int bottom, double amplitude, int waveLength, double phase,
             bool smooth, bool reflection, void *userData, ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(Wave), dib, left, top, right, bottom, userData, callback, amplitude, waveLength,
                           phase, smooth, reflection);
}

HGLOBAL Noise(HGLOBAL dib, int left, int top, int right, int bottom, bool gaussian, bool byIntensity, int red, int green,
              int blue, void *userData, ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(Noise), dib, left, top, right, bottom, userData, callback, gaussian,
                           byIntensity, red, green, blue);
}

HGLOBAL Enhance(HGLOBAL dib, int left, int top, int right, int bottom, int brightness, int contrast, int blueGamma,
                int greenGamma, int redGamma, void *userData, ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(Enhance), dib, left, top, right, bottom, userData, callback, brightness,
                           contrast, blueGamma, greenGamma, redGamma);
}

HGLOBAL Motion(HGLOBAL dib, int left, int top, int right, int bottom, int value, int angle, int kind, void *userData,
               ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(Motion), dib, left, top, right, bottom, userData, callback, value, angle, kind);
}

HGLOBAL GrayArea(HGLOBAL dib, int left, int top, int right, int bottom, void *userData, ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(GrayArea), dib, left, top, right, bottom, userData, callback);
}

HGLOBAL AutoContrast(HGLOBAL dib, int left, int top, int right, int bottom, void *userData, ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(AutoContrast), dib, left, top, right, bottom, userData, callback);
}

HGLOBAL RecToPolar(HGLOBAL dib, int left, int top, int right, int bottom, int value, int angle, bool inverse,
                   bool backward, void *userData, ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(RecToPolar), dib, left, top, right, bottom, userData, callback, value, angle,
                           inverse, backward);
}

HGLOBAL Jiggle(HGLOBAL dib, int left, int top, int right, int bottom, int period, int amplitude, bool triangle,
               void *userData, ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(Jiggle), dib, left, top, right, bottom, userData, callback, period, amplitude,
                           triangle);
}

HGLOBAL Spray(HGLOBAL dib, int left, int top, int right, int bottom, int value, int randomness, void *userData,
              ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(Spray), dib, left, top, right, bottom, userData, callback, value, randomness);
}

HGLOBAL FadeDib(HGLOBAL dib, int left, int top, int right, int bottom, int size, int red, int green, int blue,
                void *userData, ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(FadeDib), dib, left, top, right, bottom, userData, callback, size, red, green,
                           blue);
}

HGLOBAL ThresholdDib(HGLOBAL dib, int left, int top, int right, int bottom, int threshold, bool antiAliasing,
                     void *userData, ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(ThresholdDib), dib, left, top, right, bottom, userData, callback, threshold,
                           antiAliasing);
}

HGLOBAL Curl(HGLOBAL dib, int left, int top, int right, int bottom, const TCurlOptions &o, void *userData,
             ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(Curl), dib, left, top, right, bottom, userData, callback, o.FaceBackground,
                           o.FaceForeground, o.KeepImage, o.ShadowBackground, o.ShadowForeground, o.ShadowTransparency,
                           o.ShadowUnder, o.BottomLeft, o.BottomRight, o.TopLeft, o.TopRight, o.VerticalFold,
                           o.HorizontalFold, qRed(o.Foreground), qGreen(o.Foreground), qBlue(o.Foreground),
                           qRed(o.Background), qGreen(o.Background), qBlue(o.Background));
}

HGLOBAL Mosaic(HGLOBAL dib, int left, int top, int right, int bottom, const TMosaicOptions &o, void *userData,
               ILProgressProc callback)
{
    return rectangleEffect(DECLARED_EXPORT(Mosaic), dib, left, top, right, bottom, userData, callback, o.Size, o.Height,
                           o.Spacing, o.Light, o.Randomness, o.AntiAliasing, o.Polygons, o.Smooth, qBlue(o.Background),
                           qGreen(o.Background), qRed(o.Background), qBlue(o.Foreground), qGreen(o.Foreground),
                           qRed(o.Foreground));
}

HGLOBAL ExtrudeDib(HGLOBAL dib, bool levels, int size, void *userData, ILProgressProc callback)
{
    return plainEffect(DECLARED_EXPORT(ExtrudeDib), dib, userData, callback, levels, size);
}

HGLOBAL HToneImage(HGLOBAL dib, int cellSize, float angle, int dotShape, void *userData, ILProgressProc callback)
{
    return plainEffect(DECLARED_EXPORT(HToneImage), dib, userData, callback, cellSize, angle, dotShape);
}

HGLOBAL TileDib(HGLOBAL dib, void *userData, ILProgressProc callback)
{
    return plainEffect(DECLARED_EXPORT(TileDib), dib, userData, callback);
}

HGLOBAL Warp(HGLOBAL dib, bool fromHue, bool fromSaturation, bool convolve, int scale, int vectorRotation, int steps,
             int displacement, void *userData, ILProgressProc callback, ILFrameProc frame)
{
    // the steps go to a frame callback after the progress callback
    const auto warp = DECLARED_EXPORT_OWN_ORDER(Warp);
    const auto fn = warp.bind();
    if (!fn)
        return nullptr;
    return effectFrame(warp.row, dib, userData, callback, [&](HGLOBAL input) {
        return callExport(fn, input, fromHue, fromSaturation, convolve, scale, vectorRotation, steps, displacement,
                          userData, callback, frame);
    });
}

bool ilHueAndSaturation(HGLOBAL &dib, int left, int top, int right, int bottom, bool red, bool green, bool blue,
                        bool yellow, bool magenta, bool cyan, int hue, int saturation, int brightness, void *userData,
                        ILProgressProc callback)
{
    const auto export_ = DECLARED_EXPORT(ilHueAndSaturation);
    const auto change = export_.bind();
    if (!change)
        return false;
    ImagingProgressCaption = captionOf(export_.row);
    auto run = [&](HGLOBAL target) {
        return callExport(change, target, red, green, blue, yellow, magenta, cyan, hue, saturation, brightness, left, top,
                          right, bottom, userData, callback)
               == 1;
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
    return overlayEffect(DECLARED_EXPORT_OWN_ORDER(MergeDib), dib, overlay, red, green, blue, top, left, userData, callback);
}

HGLOBAL DropDib(HGLOBAL dib, HGLOBAL overlay, int red, int green, int blue, int top, int left, void *userData,
                ILProgressProc callback)
{
    return overlayEffect(DECLARED_EXPORT_OWN_ORDER(DropDib), dib, overlay, red, green, blue, top, left, userData, callback);
}

HGLOBAL ILMirror(HGLOBAL dib, bool vertical, bool horizontal, void *userData, ILProgressProc callback)
{
    const auto mirror = DECLARED_EXPORT(ILMirror);
    const auto fn = mirror.bind();
    if (!fn)
        return nullptr;
    ImagingProgressCaption = captionOf(mirror.row);
    return callLibrary([&]() -> HGLOBAL {
               return callExport(fn, dib, vertical, horizontal, userData, callback) == 1 ? CopyDIB(dib) : nullptr;
           })
        .value_or(nullptr);
}

HGLOBAL ILBrightness(HGLOBAL dib, int amount, void *userData, ILProgressProc callback)
{
    const auto brighten = DECLARED_EXPORT(ILBrightness);
    const auto fn = brighten.bind();
    if (!fn)
        return nullptr;
    const int clamped = std::clamp(amount, -255, 255);
    return inPlaceEffect(brighten.row, dib, userData, callback,
                         [&](HGLOBAL target) { return callExport(fn, target, clamped, userData, callback); });
}

HGLOBAL ILGamma(HGLOBAL dib, int gamma, void *userData, ILProgressProc callback)
{
    const auto correct = DECLARED_EXPORT(ILGamma);
    const auto fn = correct.bind();
    if (!fn)
        return nullptr;
    const int clamped = std::clamp(gamma, 10, 50);
    return inPlaceEffect(correct.row, dib, userData, callback,
                         [&](HGLOBAL target) { return callExport(fn, target, clamped, userData, callback); });
}

HGLOBAL ScaleDib(HGLOBAL dib, int width, int height, int bits, void *userData, ILProgressProc callback)
{
    const auto scale = DECLARED_EXPORT(ScaleDib);
    const auto fn = scale.bind();
    if (!fn)
        return nullptr;
    const int depth = sizeOf(dib).bits;
    ImagingProgressCaption = captionOf(scale.row);
    return callLibrary([&]() -> HGLOBAL {
               if (depth >= 24)
                   return callExport(fn, dib, width, height, userData, callback);
               GlobalBlock wide(ConvertDibUp(dib, 24));
               if (!wide)
                   return nullptr;
               GlobalBlock scaled(callExport(fn, wide.get(), width, height, userData, callback));
               if (!scaled || bits == 24)
                   return scaled.release();
               return ReduceDibDepth(scaled.get(), bits, false, 0, userData, callback);
           })
        .value_or(nullptr);
}

HGLOBAL ILReduceColors(HGLOBAL dib, int colours, int dither, void *userData, ILProgressProc callback)
{
    GlobalBlock input(dib);
    const auto reduce = DECLARED_EXPORT(ILReduceColors);
    const auto fn = reduce.bind();
    if (!fn)
        return nullptr;
    ImagingProgressCaption = captionOf(reduce.row);
    return callLibrary([&]() -> HGLOBAL {
               if (sizeOf(input.get()).bits == 32) {
                   const auto to24 = CRDE2000().function<HGLOBAL (*)(HGLOBAL)>("DIB32To24");
                   input.reset(to24 ? to24(input.get()) : nullptr);
                   if (!input)
                       return nullptr;
               }
               return callExport(fn, input.get(), std::clamp(colours, 2, 255), dither, userData, callback);
           })
        .value_or(nullptr);
}

bool ILInvert(HGLOBAL &dib, void *userData, ILProgressProc callback)
{
    const auto invert = DECLARED_EXPORT(ILInvert);
    const auto fn = invert.bind();
    if (!fn)
        return false;
    ImagingProgressCaption = captionOf(invert.row);
    return callLibrary([&] { return callExport(fn, dib, userData, callback); }).value_or(0) == 1;
}

bool ILRotate(HGLOBAL &dib, double angle, int left, int top, int right, int bottom, QRgb background, void *userData,
              ILProgressProc callback)
{
    // the rectangle comes between the angle and the background
    const auto rotate = DECLARED_EXPORT_OWN_ORDER(ILRotate);
    const auto fn = rotate.bind();
    if (!fn)
        return false;
    completeRectangle(dib, right, bottom);
    ImagingProgressCaption = captionOf(rotate.row);
    // the library takes colours as 0x00BBGGRR
    const std::uint32_t colour = std::uint32_t(qBlue(background)) << 16 | std::uint32_t(qGreen(background)) << 8 | qRed(background);
    HGLOBAL rotated =
        callLibrary([&] { return callExport(fn, dib, angle, left, top, right, bottom, colour, userData, callback); })
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
