#pragma once
// The environment the program runs in under the end-to-end tests: a home of
// its own (Documents, where the PDF printer writes, included), SANE's test
// backend with safe failing reads.  In the sanitizer run the program keeps
// every check but the leak check: libsane unloads its backends before the program ends, so what a
// backend keeps until then cannot be named in the suppressions.  Leaks of
// our own code are checked in the unit and window suites, which keep SANE
// loaded.
#include "SaneTestBackend.h"

#include <QProcessEnvironment>
#include <QString>

inline QProcessEnvironment programEnvironment(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), QString::fromStdString(faultySaneSearchPath()));
    if (env.contains(QStringLiteral("ASAN_OPTIONS")))
        env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
    return env;
}
