#pragma once
// A disk of a few hundred kilobytes of the test's own (tmpfs), to see what
// writers do when it fills or when it is read-only.  Mounting needs root, as
// the test scripts run; elsewhere the fixture says so and the test is skipped.
#include <QDir>
#include <QTemporaryDir>
#include <string>
#include <sys/mount.h>

class SmallDisk {
public:
    explicit SmallDisk(int kilobytes)
    {
        const std::string options = "size=" + std::to_string(kilobytes) + "k";
        mounted_ = ::mount("tmpfs", path().toLocal8Bit().constData(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk()
    {
        if (mounted_)
            ::umount2(path().toLocal8Bit().constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return mounted_; }
    QString path() const { return folder_.path(); }
    QString file(const QString &name) const { return folder_.filePath(name); }
    // From now on nothing can be written on it.
    bool makeReadOnly() const
    {
        return ::mount("tmpfs", path().toLocal8Bit().constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    QTemporaryDir folder_;
    bool mounted_ = false;
};
