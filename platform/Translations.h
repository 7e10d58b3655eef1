#pragma once
// Qt's own texts (the file, print and colour dialogs, the standard buttons,
// the command line's usage) in the user's language, French when Qt has no
// translation for it: the program's own texts are French.
namespace platform {

// Needs the application object; the translations stay installed until it ends.
void installQtTranslations();

} // namespace platform
