#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace platform {

void installQtTranslations()
{
    static QTranslator qt;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (qt.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"), folder)
        || qt.load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"), QStringLiteral("_"), folder))
        QCoreApplication::installTranslator(&qt);
}

} // namespace platform
