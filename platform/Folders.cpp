#include "Folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

QString exeFolder()
{
    QString folder = QCoreApplication::applicationDirPath();
    if (folder.isEmpty())
        folder = QDir::currentPath();
    return QDir::cleanPath(folder) + QLatin1Char('/');
}

QString configFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Quillon");
    QDir().mkpath(folder);
    return QDir::cleanPath(folder) + QLatin1Char('/');
}

QString programFile(const QString &name)
{
    const QFileInfo folder(exeFolder());
    if (folder.isWritable())
        return exeFolder() + name;
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return QDir::cleanPath(data) + QLatin1Char('/') + name;
}

} // namespace platform
