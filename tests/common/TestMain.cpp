// Test entry shared by every test executable: a QApplication without a
// display, in a fresh configuration folder so no test sees the user's settings.
#include "ErrorBoundary.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir home;
    const QByteArray base = QFile::encodeName(home.path());
    setenv("XDG_CONFIG_HOME", (base + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (base + "/data").constData(), 1);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        QDir().mkpath(home.path() + QStringLiteral("/runtime"));
        QFile::setPermissions(home.path() + QStringLiteral("/runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        setenv("XDG_RUNTIME_DIR", (base + "/runtime").constData(), 1);
    }
    platform::Application app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillon-tests"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
