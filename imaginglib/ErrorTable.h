#pragma once
// Error numbers of the library and their texts.
#include "Error.h"
#include "crde2000.h"

#include <string>

namespace imaginglib {

ILSTATUS statusFor(codecs::ErrorCode code);
const char *errorText(int id);

// What the writer said when the last export on this thread could not write
// its file (the file and the system's reason); empty after any other outcome.
std::string &lastWriteFailure();

// Runs one export body: codec errors become their status, anything else
// thrown becomes a status too, so nothing crosses the C interface.
template <typename Body> ILSTATUS guarded(Body &&body) noexcept
{
    lastWriteFailure().clear();
    try {
        return body();
    } catch (const codecs::WriteFailure &e) {
        lastWriteFailure() = e.what();
        return statusFor(e.code());
    } catch (const codecs::Error &e) {
        return statusFor(e.code());
    } catch (const std::bad_alloc &) {
        return IL_ERR_NO_MEMORY;
    } catch (...) {
        return IL_ERR_UNKNOWN;
    }
}

// The same for exports that return a new DIB or none.
template <typename Body> HGLOBAL guardedHandle(Body &&body) noexcept
{
    try {
        return body();
    } catch (...) {
        return nullptr;
    }
}

} // namespace imaginglib
