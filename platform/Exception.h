#pragma once
// The base of the program's own errors.  Its text is what the error report
// shows, so it is written for the user.
#include <QString>
#include <stdexcept>

namespace platform {

class Exception : public std::runtime_error {
public:
    explicit Exception(const QString &message) : std::runtime_error(message.toStdString()) {}
    using std::runtime_error::runtime_error;

    QString message() const { return QString::fromUtf8(what()); }

    // A reader's or writer's failure said of the file it concerns: "FILE : reason".
    static Exception aboutFile(const QString &file, const std::exception &error)
    {
        return Exception(file + QStringLiteral(" : ") + QString::fromUtf8(error.what()));
    }
};

} // namespace platform
