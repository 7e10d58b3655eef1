#pragma once
// Names of the compiled-in artwork and help pages.
#include <QSize>
#include <QString>

namespace resources {

inline const QString strip = QStringLiteral(":/art/strip.png");
inline const QString sample = QStringLiteral(":/art/sample.png");
inline const QString splash = QStringLiteral(":/art/splash.png");
inline const QString background = QStringLiteral(":/art/background.png");
inline const QString icon = QStringLiteral(":/art/icon.png");
inline const QString helpContents = QStringLiteral(":/help/index.html");
constexpr int stripCell = 32;
// The scanner presets window: its background, and the faces of its seven
// buttons, each centred in a cell of the largest button's size.
inline const QString presetsBackground = QStringLiteral(":/art/presets_background.png");
inline const QString presetFaces = QStringLiteral(":/art/presets.png");
constexpr QSize presetFaceCell(257, 33);
constexpr QSize presetsClientSize(297, 238);
// The pictures at both ends of the scanner settings' six track bars, lower end first.
inline const QString trackBarEnds = QStringLiteral(":/art/trackends.png");
constexpr int trackBarEndCell = 16;

// Makes sure the resources of this static library are registered.
void initialise();

} // namespace resources
