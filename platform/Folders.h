#pragma once
// Where the program's files live: the program folder (the executable's, with
// a trailing separator) and the "Windows folder", the per-user configuration
// folder of the program.
#include <QString>

namespace platform {

QString exeFolder();
// The program's folder in the user's configuration, with a trailing
// separator: every settings file of the program lives there.  It is also
// the "Windows folder" of the profile files.
QString configFolder();
inline QString windowsFolder() { return configFolder(); }
// A file meant for the program folder, or the per-user data folder when the
// program folder cannot be written.
QString programFile(const QString &name);

} // namespace platform
