#pragma once
// The frame shared by every wrapper: a call into the library that throws
// shows the library exception message and gives no result.
#include "MessageBox.h"

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

} // namespace imaging
