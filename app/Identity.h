#pragma once
// Who the program says it is: its title (every caption and the registry key
// start from it), its maker, and the identity it gives the scanner's source
// manager, the same for the window and the command line.
#include "twain.h"

#include <QString>

namespace identity {

inline const QString Title = QStringLiteral("Quillon 2002");
inline const QString Maker = QStringLiteral("Vardo");
// The main window's settings: "Software\<maker>\<title>".
inline const QString RegistryKey = QStringLiteral("Software\\") + Maker + QLatin1Char('\\') + Title;
// The company under whose name the scanner settings are kept.
inline const QString ScannerCompany = QStringLiteral("Ondelis");

// Names the program's title and maker to Qt, whose settings and dialogs use them.
void applyToApplication();

TW_IDENTITY scanner();

} // namespace identity
