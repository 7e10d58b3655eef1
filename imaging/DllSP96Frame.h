#pragma once
// The frame shared by every wrapper: a call into the library that throws
// shows the library exception message and gives no result.
#include "MessageBox.h"
#include "dib.h"
#include "globalmem.h"

#include <optional>

namespace imaging {

extern const QString ImagingExceptionMessage;

template <typename Call> auto callLibrary(Call &&call) -> std::optional<decltype(call())>
{
    try {
        return call();
    } catch (...) {
        platform::showError(ImagingExceptionMessage);
        return std::nullopt;
    }
}

// Keeps the failing status and the library's text for it.
void recordFailure(int status);

// DibtoDdb of CRDE2000.DLL: a locked DIB to a palette and a device bitmap.
using DdbFn = void (*)(const BITMAPINFOHEADER *, HGLOBAL *, HGLOBAL *);

} // namespace imaging
