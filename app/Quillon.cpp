// Program entry: splash, the windows in their fixed order, the message loop.
#include "Automation.h"
#include "CommandLine.h"
#include "DllSP96.h"
#include "ErrorBoundary.h"
#include "Identity.h"
#include "Main.h"
#include "Printer.h"
#include "Resources.h"
#include "Sleeper.h"
#include "Slogo.h"
#include "WaitCursor.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

struct Options {
    platform::PrinterChoice printer;
    bool automation = false;
};

std::optional<Options> parseOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Quillon: scan, place and print pictures."));
    parser.addHelpOption();
    QCommandLineOption printer(QStringLiteral("printer"),
        QStringLiteral("Printer for this run: none, system, its name, or pdf:FILE[,dpi=N][,paper=A4][,margins=MM]."),
        QStringLiteral("printer"));
    parser.addOption(printer);
    QCommandLineOption automation(QStringLiteral("automation"),
        QStringLiteral("Take JSON commands on standard input, one per line, and answer on standard output."));
    parser.addOption(automation);
    parser.process(arguments);
    Options options;
    options.automation = parser.isSet(automation);
    if (parser.isSet(printer)) {
        QString error;
        auto choice = platform::Printer::parseChoice(parser.value(printer), &error);
        if (!choice) {
            std::fprintf(stderr, "quillon: %s\n", qPrintable(error));
            return std::nullopt;
        }
        options.printer = *choice;
    }
    return options;
}

} // namespace

int main(int argc, char **argv)
{
    if (isCommand(argc, argv)) {
        // A command needs no screen: without one, Qt draws offscreen.
        if (!qEnvironmentVariableIsSet("DISPLAY") && !qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
            && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        platform::Application application(argc, argv);
        identity::applyToApplication();
        return runCommand(QApplication::arguments());
    }
    platform::Application application(argc, argv);
    identity::applyToApplication();
    const std::optional<Options> options = parseOptions(QApplication::arguments());
    if (!options)
        return 2;
    if (!platform::Printer::instance().use(options->printer))
        std::fprintf(stderr, "quillon: no printer named \"%s\"; the default one is used\n",
                     qPrintable(options->printer.systemName));
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
    const int status = QApplication::exec();
    window.reset();
    imaging::ReleaseImagingLibraries();
    return status;
}
