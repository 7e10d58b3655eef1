#include "Module.h"

#include "Folders.h"

#include <QDir>
#include <QFileInfo>
#include <dlfcn.h>

namespace platform {

Module::~Module()
{
    if (handle_)
        dlclose(handle_);
}

QString Module::fileNameFor(const QString &dllName)
{
    QString base = QFileInfo(dllName).fileName().toLower();
    if (base.endsWith(QLatin1String(".dll")))
        base.chop(4);
    if (base.endsWith(QLatin1String(".so")) || base.contains(QLatin1String(".so.")))
        return base;
    return QStringLiteral("lib") + base + QStringLiteral(".so");
}

std::unique_ptr<Module> Module::load(const QString &dllName, QString *error)
{
    const QString fileName = fileNameFor(dllName);
    const QString exe = exeFolder();
    // Beside the program, then where the build tree and an installed program keep the plug-ins.
    const QStringList candidates = {exe + fileName, QDir::cleanPath(exe + QStringLiteral("../lib/") + fileName),
                                    QDir::cleanPath(exe + QStringLiteral("../lib/quillon/") + fileName)};
    for (const QString &candidate : candidates) {
        if (!QFileInfo::exists(candidate))
            continue;
        if (void *handle = dlopen(QFile::encodeName(candidate).constData(), RTLD_NOW | RTLD_LOCAL))
            return std::unique_ptr<Module>(new Module(handle, candidate));
        if (error)
            *error = QString::fromLocal8Bit(dlerror());
        return nullptr;
    }
    if (void *handle = dlopen(QFile::encodeName(fileName).constData(), RTLD_NOW | RTLD_LOCAL))
        return std::unique_ptr<Module>(new Module(handle, fileName));
    if (error)
        *error = QString::fromLocal8Bit(dlerror());
    return nullptr;
}

void *Module::symbol(const char *name) const
{
    return dlsym(handle_, name);
}

} // namespace platform
