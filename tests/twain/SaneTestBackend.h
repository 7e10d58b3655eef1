#pragma once
// SANE's test backend as the scanner of a test: a configuration folder of
// the test's own (dll.conf naming only "test", and test.conf) made the only
// one SANE searches, and the test backend whose failing reads are safe
// (FaultyTestBackend.cpp) the one it loads.
//
// SANE reads where its configuration lives once per load of the library, and
// the source manager unloads it with every session.  The tests keep libsane
// and the test backend loaded for the whole run instead, so that the leak
// checker can still name them at exit; hence one folder for the whole run,
// whose test.conf each test rewrites.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <dlfcn.h>

#include <cstdlib>
#include <string>

// Where SANE's dll backend finds the test backend whose failing reads start
// no reader thread (FaultyTestBackend.cpp) before the real one.
inline std::string faultySaneSearchPath()
{
    const char *path = std::getenv("LD_LIBRARY_PATH");
    return std::string(QUILLON_FAULTY_SANE_DIR) + (path && *path ? std::string(":") + path : std::string());
}

class SaneTestBackend {
public:
    // extraLines go into test.conf after the defaults (later lines win).
    explicit SaneTestBackend(const std::string &extraLines = {}, int devices = 1)
    {
        static const bool resident = keepSaneLoaded();
        (void)resident;
        write("dll.conf", "test\n");
        write("test.conf", "number_of_devices " + std::to_string(devices)
                               + "\nresolution 100.0\ngeometry_max 300.0\nbr_x 210.0\nbr_y 297.0\n" + extraLines);
        setenv("SANE_CONFIG_DIR", QFile::encodeName(folder().path()).constData(), 1);
    }
    SaneTestBackend(const SaneTestBackend &) = delete;
    SaneTestBackend &operator=(const SaneTestBackend &) = delete;

private:
    static QTemporaryDir &folder()
    {
        static QTemporaryDir dir;
        return dir;
    }
    static bool keepSaneLoaded()
    {
        setenv("SANE_CONFIG_DIR", QFile::encodeName(folder().path()).constData(), 1);
        setenv("LD_LIBRARY_PATH", faultySaneSearchPath().c_str(), 1);
        return dlopen("libsane.so.1", RTLD_NOW | RTLD_LOCAL) != nullptr
            && dlopen(QUILLON_FAULTY_SANE_DIR "/libsane-test.so.1", RTLD_NOW | RTLD_LOCAL) != nullptr;
    }
    static void write(const char *name, const std::string &text)
    {
        QFile file(folder().filePath(QString::fromLatin1(name)));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(text.data(), qint64(text.size()));
    }
};
