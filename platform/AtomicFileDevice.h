#pragma once
// An AtomicFile as a QIODevice, for Qt's own writers (the PDF writer, the
// image writers, the profile files): a write the disk refuses makes the
// device fail, and commit() says why instead of putting the file in place.
#include "AtomicFile.h"

#include <QIODevice>
#include <QString>
#include <optional>

namespace platform {

class AtomicFileDevice : public QIODevice {
public:
    // Opened for writing; throws WriteError when the target is refused.
    explicit AtomicFileDevice(const QString &target);

    // Puts the file in place; throws WriteError with the first failure, leaving the old file.
    void commit();

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override;

private:
    AtomicFile file_;
    std::optional<WriteError> failure_;
};

} // namespace platform
