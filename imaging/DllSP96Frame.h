#pragma once
// The frame shared by every wrapper: a call into the library that throws
// shows the library exception message and gives no result.
#include "MessageBox.h"
#include "dib.h"
#include "globalmem.h"

#include <optional>

namespace imaging {

extern const QString ImagingExceptionMessage;

// Shows ImagingExceptionMessage; from a worker thread (the effects dialog
// runs effects on one) the GUI thread shows it, later.
void showLibraryException();

template <typename Call> auto callLibrary(Call &&call) -> std::optional<decltype(call())>
{
    try {
        return call();
    } catch (...) {
        showLibraryException();
        return std::nullopt;
    }
}

// Keeps the failing status and the library's text for it.
void recordFailure(int status);

// Width, rows and depth of a DIB, read through its checked view: a DIB may
// come from outside (the clipboard, a scanner); all 0 when it does not fit
// its block.
struct DibSize {
    int width = 0, height = 0, bits = 0;
};
inline DibSize sizeOf(HGLOBAL dib)
{
    GlobalLockGuard lock(dib);
    DibView view;
    if (dib_view_open(&view, lock.data(), GlobalSize(dib)) != DIB_OK)
        return {};
    return {view.width, view.height, int(view.bits)};
}

// DibtoDdb of CRDE2000.DLL: a locked DIB to a palette and a device bitmap.
using DdbFn = void (*)(const BITMAPINFOHEADER *, HGLOBAL *, HGLOBAL *);

} // namespace imaging
