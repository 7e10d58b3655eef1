#include "AtomicFileDevice.h"

#include <QFile>

namespace platform {

AtomicFileDevice::AtomicFileDevice(const QString &target) : file_(QFile::encodeName(target).toStdString())
{
    QIODevice::open(QIODevice::WriteOnly);
}

qint64 AtomicFileDevice::writeData(const char *data, qint64 size)
{
    if (failure_)
        return -1;
    try {
        file_.writeAt(std::uint64_t(pos()), data, std::size_t(size));
    } catch (const WriteError &error) {
        failure_ = error;
        setErrorString(QString::fromUtf8(error.what()));
        return -1;
    }
    return size;
}

void AtomicFileDevice::commit()
{
    if (failure_)
        throw *failure_;
    close();
    file_.commit();
}

} // namespace platform
