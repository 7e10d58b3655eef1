#pragma once
// Names of the compiled-in artwork and help pages.
#include <QString>

namespace resources {

inline const QString strip = QStringLiteral(":/art/strip.png");
inline const QString sample = QStringLiteral(":/art/sample.png");
inline const QString splash = QStringLiteral(":/art/splash.png");
inline const QString background = QStringLiteral(":/art/background.png");
inline const QString icon = QStringLiteral(":/art/icon.png");
inline const QString helpContents = QStringLiteral(":/help/index.html");
constexpr int stripCell = 32;

// Makes sure the resources of this static library are registered.
void initialise();

} // namespace resources
