// The transition wrappers of ISP2000.DLL: a picture drawn progressively
// onto a TransitionSurface, and the choice of transition by TFXMethod.
#include "DllSP96.h"
#include "ilstatus.h"

#include "DllSP96Frame.h"
#include "TransitionSurface.h"

#include <algorithm>

namespace imaging {
namespace {

using BandsFn = std::int32_t (*)(ILSurface *, HGLOBAL, std::int32_t, std::int32_t);
using RingsFn = std::int32_t (*)(ILSurface *, HGLOBAL, std::int32_t);

// The thickest band the library draws.
constexpr int kThickestBand = 10000;

bool refuse()
{
    recordFailure(IL_ERR_BAD_PARAMETER);
    return false;
}

// Binds the export, sets the caption and plays; the library answers 1 when drawn.
template <typename Fn, typename Invoke> bool transitionFrame(const char *exportName, Invoke invoke)
{
    const auto play = ISP2000().function<Fn>(exportName);
    if (!play)
        return false;
    ImagingProgressCaption = QStringLiteral("Transition Image ");
    const std::optional<std::int32_t> drawn = callLibrary([&] { return invoke(play); });
    if (!drawn)
        return false;
    return *drawn == 1 || refuse();
}

bool bands(const char *exportName, TransitionSurface &surface, HGLOBAL picture, int thickness, int delay)
{
    return transitionFrame<BandsFn>(exportName, [&](BandsFn play) { return play(surface.surface(), picture, thickness, delay); });
}

bool rings(const char *exportName, TransitionSurface &surface, HGLOBAL picture, int delay)
{
    return transitionFrame<RingsFn>(exportName, [&](RingsFn play) { return play(surface.surface(), picture, delay); });
}

// The bitmap as the library's device bitmap, made by DibtoDdb from a DIB of
// its pixels; null for an empty bitmap.
class DeviceBitmap {
public:
    explicit DeviceBitmap(const Bitmap &bitmap)
    {
        if (bitmap.isEmpty())
            return;
        const auto toDevice = CRDE2000().function<DdbFn>("DibtoDdb");
        const GlobalBlock dib(BitmapToDib(bitmap));
        if (!toDevice || !dib)
            return;
        HGLOBAL palette = nullptr, device = nullptr;
        toDevice(GlobalLockGuard(dib.get()).as<BITMAPINFOHEADER>(), &palette, &device);
        palette_.reset(palette);
        device_.reset(device);
    }
    HGLOBAL handle() const { return device_.get(); }

private:
    GlobalBlock palette_, device_;
};

// A transition of a bitmap: the export with its device bitmap.
template <typename Play> bool withDeviceBitmap(const Bitmap &bitmap, Play play)
{
    const DeviceBitmap device(bitmap);
    return device.handle() ? play(device.handle()) : refuse();
}

} // namespace

bool FXSkipHorizontal(TransitionSurface &surface, const Bitmap &bitmap, int thickness, int delay)
{
    return withDeviceBitmap(bitmap, [&](HGLOBAL device) { return bands("FXSkipHorizontal", surface, device, thickness, delay); });
}

bool FXSkipVertical(TransitionSurface &surface, const Bitmap &bitmap, int thickness, int delay)
{
    return withDeviceBitmap(bitmap, [&](HGLOBAL device) { return bands("FXSkipVertical", surface, device, thickness, delay); });
}

bool FXSkipDiagonals(TransitionSurface &surface, const Bitmap &bitmap, int thickness, int delay)
{
    return withDeviceBitmap(bitmap, [&](HGLOBAL device) { return bands("FXSkipDiagonals", surface, device, thickness, delay); });
}

bool FXSkipDiagonalSquares(TransitionSurface &surface, const Bitmap &bitmap, int thickness, int delay)
{
    return withDeviceBitmap(bitmap,
                            [&](HGLOBAL device) { return bands("FXSkipDiagonalSquares", surface, device, thickness, delay); });
}

bool FXSkipRectangles(TransitionSurface &surface, const Bitmap &bitmap, int delay)
{
    return withDeviceBitmap(bitmap, [&](HGLOBAL device) { return rings("FXSkipRectangles", surface, device, delay); });
}

bool FXSkipHorizontalDib(TransitionSurface &surface, HGLOBAL dib, int thickness, int delay)
{
    return bands("FXSkipHorizontalDib", surface, dib, thickness, delay);
}

bool FXSkipVerticalDib(TransitionSurface &surface, HGLOBAL dib, int thickness, int delay)
{
    return bands("FXSkipVerticalDib", surface, dib, thickness, delay);
}

bool FXSkipDiagonalsDib(TransitionSurface &surface, HGLOBAL dib, int thickness, int delay)
{
    return bands("FXSkipDiagonalsDib", surface, dib, thickness, delay);
}

bool FXSkipDiagonalSquaresDib(TransitionSurface &surface, HGLOBAL dib, int thickness, int delay)
{
    return bands("FXSkipDiagonalSquaresDib", surface, dib, thickness, delay);
}

bool FXSkipRectanglesDib(TransitionSurface &surface, HGLOBAL dib, int delay)
{
    return rings("FXSkipRectanglesDib", surface, dib, delay);
}

namespace {

// At once: one horizontal band over the whole surface, no pause.
int wholeSurface(TransitionSurface &surface) { return std::clamp(surface.surface()->height, 1, kThickestBand); }

} // namespace

bool PlayTransition(TransitionSurface &surface, TFXMethod method, const Bitmap &bitmap, int thickness, int delay)
{
    switch (method) {
    case FXNone: return FXSkipHorizontal(surface, bitmap, wholeSurface(surface), 0);
    case FXHorizontal: return FXSkipHorizontal(surface, bitmap, thickness, delay);
    case FXVertical: return FXSkipVertical(surface, bitmap, thickness, delay);
    case FXDiagonal: return FXSkipDiagonals(surface, bitmap, thickness, delay);
    case FXDiagonalSquares: return FXSkipDiagonalSquares(surface, bitmap, thickness, delay);
    case FXRectangles: return FXSkipRectangles(surface, bitmap, delay);
    }
    return refuse();
}

bool PlayTransitionDib(TransitionSurface &surface, TFXMethod method, HGLOBAL dib, int thickness, int delay)
{
    switch (method) {
    case FXNone: return FXSkipHorizontalDib(surface, dib, wholeSurface(surface), 0);
    case FXHorizontal: return FXSkipHorizontalDib(surface, dib, thickness, delay);
    case FXVertical: return FXSkipVerticalDib(surface, dib, thickness, delay);
    case FXDiagonal: return FXSkipDiagonalsDib(surface, dib, thickness, delay);
    case FXDiagonalSquares: return FXSkipDiagonalSquaresDib(surface, dib, thickness, delay);
    case FXRectangles: return FXSkipRectanglesDib(surface, dib, delay);
    }
    return refuse();
}

} // namespace imaging
