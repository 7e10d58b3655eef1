#include "ErrorTable.h"

#include <algorithm>
#include <cstring>

namespace imaginglib {

ILSTATUS statusFor(codecs::ErrorCode code)
{
    using codecs::ErrorCode;
    switch (code) {
    case ErrorCode::Cancelled: return IL_ERR_STOPPED;
    case ErrorCode::CannotOpen: return IL_ERR_CANNOT_OPEN;
    case ErrorCode::CannotCreate: return IL_ERR_CANNOT_CREATE;
    case ErrorCode::NotThisFormat: return IL_ERR_WRONG_FORMAT;
    case ErrorCode::Corrupt: return IL_ERR_DAMAGED;
    case ErrorCode::Unsupported: return IL_ERR_UNSUPPORTED_VARIANT;
    case ErrorCode::OutOfMemory: return IL_ERR_NO_MEMORY;
    case ErrorCode::TooLarge: return IL_ERR_TOO_LARGE;
    case ErrorCode::BadDepth: return IL_ERR_BAD_DEPTH;
    case ErrorCode::BadImage: return IL_ERR_BAD_IMAGE;
    case ErrorCode::NoSuchPage: return IL_ERR_NO_SUCH_PAGE;
    case ErrorCode::BadParameter: return IL_ERR_BAD_PARAMETER;
    }
    return IL_ERR_UNKNOWN;
}

std::string &lastWriteFailure()
{
    // In the static TLS block: the program loads and unloads this library at
    // run time, and the leak checker of the sanitizer builds (GCC 12) crashes
    // at exit scanning a thread's dynamic TLS block of an unloaded library.
    // 32 bytes, well within what the loader keeps spare for such libraries.
    thread_local std::string text __attribute__((tls_model("initial-exec")));
    return text;
}

const char *errorText(int id)
{
    switch (id) {
    case IL_ERR_STOPPED: return "The operation was stopped";
    case IL_ERR_CANNOT_OPEN: return "Cannot open the file";
    case IL_ERR_CANNOT_CREATE: return "Cannot create or write the file";
    case IL_ERR_WRONG_FORMAT: return "The file is not in the expected format";
    case IL_ERR_DAMAGED: return "The file is damaged or truncated";
    case IL_ERR_UNSUPPORTED_VARIANT: return "This variant of the file format is not supported";
    case IL_ERR_NO_MEMORY: return "Not enough memory";
    case IL_ERR_TOO_LARGE: return "The image is too large";
    case IL_ERR_BAD_DEPTH: return "The bit depth or compression does not suit this file format";
    case IL_ERR_BAD_IMAGE: return "The image is empty or invalid";
    case IL_ERR_NO_SUCH_PAGE: return "The file has no such page";
    case IL_ERR_BAD_PARAMETER: return "Invalid parameter";
    case IL_ERR_NO_SOURCE_MANAGER: return "The TWAIN source manager is missing";
    case IL_ERR_SCAN_FAILED: return "The scanner could not deliver the image";
    case IL_ERR_UNKNOWN: return "Unknown error";
    default: return nullptr;
    }
}

} // namespace imaginglib

namespace {

int32_t copyText(const char *text, char *buffer, int32_t size)
{
    if (!text || !buffer || size <= 0)
        return 0;
    const auto length = std::min<std::size_t>(std::strlen(text), std::size_t(size - 1));
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return int32_t(length);
}

} // namespace

extern "C" int32_t ilLoadString(int32_t id, char *buffer, int32_t size)
{
    return copyText(imaginglib::errorText(id), buffer, size);
}

extern "C" int32_t ilLastWriteFailure(char *buffer, int32_t size)
{
    return copyText(imaginglib::lastWriteFailure().c_str(), buffer, size);
}
