// Program entry: the command line; then the splash, the windows and the message loop.
#include "Automation.h"
#include "CommandLine.h"
#include "DllSP96.h"
#include "ErrorBoundary.h"
#include "Identity.h"
#include "Main.h"
#include "Printer.h"
#include "Resources.h"
#include "Translations.h"
#include "Sleeper.h"
#include "Slogo.h"
#include "WaitCursor.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

int main(int argc, char **argv)
{
    const Launch launch = launchOf(argc, argv);
    // Only the window needs a screen: without one, the rest draws offscreen.
    const bool screen = qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
        || qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    if (!screen)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    platform::Application application(argc, argv);
    identity::applyToApplication();
    platform::installQtTranslations();
    const QStringList arguments = QApplication::arguments();
    if (launch == Launch::Command)
        return runCommand(arguments);
    if (launch == Launch::Information)
        return showInformation(arguments);
    const std::optional<WindowOptions> options = windowOptions(arguments);
    if (!options)
        return 1;
    if (!screen) {
        std::fprintf(stderr, "quillon : pas d'écran pour la fenêtre (DISPLAY n'est pas défini) ; "
                             "les commandes copy, print et scan marchent sans écran (quillon --help)\n");
        return 1;
    }
    if (!platform::Printer::instance().use(options->printer))
        std::fprintf(stderr, "quillon : aucune imprimante « %s » : celle par défaut est utilisée\n",
                     options->printer.systemName.toLocal8Bit().constData());
    // Docks and task switchers pair the window with its desktop entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Quillon"));
    std::unique_ptr<AutomationChannel> channel;
    if (options->automation)
        channel = std::make_unique<AutomationChannel>(STDIN_FILENO, stdout);
    resources::initialise();
    imaging::WriteTwainProfileEntry();
    QApplication::setWindowIcon(QIcon(resources::icon));

    std::optional<platform::WaitCursor> hourglass(std::in_place);
    auto splash = std::make_unique<TLogo>();
    splash->show();
    splash->repaint();
    splash->Sleeper->Sleep();

    // The main window makes the other windows, each once, and keeps them.
    std::unique_ptr<TForm1> window;
    try {
        window = std::make_unique<TForm1>();
    } catch (...) {
        // A missing plug-in library: said in the error report, and the program cannot go on.
        hourglass.reset();
        platform::reportCurrentException();
        return 1;
    }
    splash.reset();
    hourglass.reset();
    window->show();
    if (!options->files.isEmpty())
        QMetaObject::invokeMethod(window.get(), [&window, file = options->files.first()] {
            platform::guarded([&] { window->OpenFile(file); });
        }, Qt::QueuedConnection);
    const int status = QApplication::exec();
    window.reset();
    imaging::ReleaseImagingLibraries();
    return status;
}
