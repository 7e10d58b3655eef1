#pragma once
// Errors raised by the imaging bridge: the imaging library that cannot be
// loaded, an empty input image, memory that cannot be had, a file that
// cannot be opened.
#include "Exception.h"

#include <QString>

namespace imaging {

class EImagingError : public platform::Exception {
public:
    explicit EImagingError(const QString &message) : platform::Exception(message), message_(message) {}
    const QString &message() const { return message_; }
private:
    QString message_;
};

// The toolkit's file-open error.
class EFOpenError : public EImagingError {
public:
    using EImagingError::EImagingError;
};

} // namespace imaging
