#pragma once
// Codec failures.  Each carries a code that the imaging library turns into
// its numbered status and that the pixel library maps to its own messages.
#include <stdexcept>
#include <string>

namespace codecs {

enum class ErrorCode {
    Cancelled,         // the progress callback asked to stop
    CannotOpen,        // the file cannot be opened or read
    CannotCreate,      // the file cannot be created or written
    NotThisFormat,     // the data is not of the format asked for
    Corrupt,           // damaged or truncated data
    Unsupported,       // a variant of the format we do not handle
    OutOfMemory,
    TooLarge,          // dimensions beyond what we accept
    BadDepth,          // the format cannot hold this depth / compression pair
    BadImage,          // empty or malformed DIB handed to a writer
    NoSuchPage,
    BadParameter,
};

class Error : public std::runtime_error {
public:
    Error(ErrorCode code, const std::string &what) : std::runtime_error(what), code_(code) {}
    ErrorCode code() const { return code_; }
private:
    ErrorCode code_;
};

// A file that could not be written, in the writer's own words for the user:
// the file and the system's reason (disk full, permission refused, ...).
class WriteFailure : public Error {
public:
    explicit WriteFailure(const std::string &what) : Error(ErrorCode::CannotCreate, what) {}
};

[[noreturn]] inline void fail(ErrorCode code, const std::string &what) { throw Error(code, what); }

} // namespace codecs
