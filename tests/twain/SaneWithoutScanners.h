#pragma once
// SANE finding no scanner at all: a configuration folder that names no
// backend, and the demonstration scanner's configuration written to the
// folder given (none offered when it is empty).  SANE reads where its
// configuration lives once per load, so this is for a process of its own (a
// death test's child), which ends with finish().
#include "twainidentity.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

class SaneWithoutScanners {
public:
    explicit SaneWithoutScanners(const QString &demonstrationFolder)
    {
        QFile(empty_.filePath(QStringLiteral("dll.conf"))).open(QIODevice::WriteOnly);
        setenv("SANE_CONFIG_DIR", QFile::encodeName(empty_.path()).constData(), 1);
        setenv(DemonstrationFolderVariable, QFile::encodeName(demonstrationFolder).constData(), 1);
    }
    SaneWithoutScanners(const SaneWithoutScanners &) = delete;
    SaneWithoutScanners &operator=(const SaneWithoutScanners &) = delete;

    QString folder() const { return empty_.path(); }

    // Ends the child: what went wrong goes to standard error, for the parent
    // to show.  SANE, loaded and unloaded here on purpose, keeps a few bytes
    // per load: no leak check in the child.
    [[noreturn]] static void finish(const QStringList &problems)
    {
        std::fputs(problems.join(QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
        std::_Exit(problems.isEmpty() ? 0 : 1);
    }

private:
    QTemporaryDir empty_;
};
