#pragma once
// Errors raised by the imaging bridge: the imaging library that cannot be
// loaded, an empty input image, memory that cannot be had, a file that
// cannot be opened.
#include <QString>
#include <stdexcept>

namespace imaging {

class EImagingError : public std::runtime_error {
public:
    explicit EImagingError(const QString &message) : std::runtime_error(message.toStdString()), message_(message) {}
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
