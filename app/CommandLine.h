#pragma once
// The program's command line.  Without a command it opens the window, on the
// picture or page it names; with one it works without the window, for
// scanner buttons and scripts:
//   quillon copy  [options]          scan, then print
//   quillon print [options] FILE...  print pictures, one sheet each
//   quillon scan  [options] OUT      scan into a file (png, jpg, tif or pdf)
// --help and --version need no screen.  Exit status 0 on success, 1 with a
// one-line reason in French on standard error.
#include "Printer.h"

#include <QCommandLineOption>
#include <QStringList>
#include <optional>

enum class Launch { Command, Information, Window };

// What the arguments ask for, read before anything needs a screen.
Launch launchOf(int argc, char **argv);

// The one "--printer" option of the window and the commands.
QCommandLineOption printerOption();

// Runs the command named by the arguments; needs an application object.
int runCommand(const QStringList &arguments);

// Prints the help or the version: 0, or 1 for arguments in error.
int showInformation(const QStringList &arguments);

struct WindowOptions {
    platform::PrinterChoice printer;
    bool automation = false;
    QStringList files; // pictures or pages to open, each an existing file
};

// The window's options; none, once said why on standard error, when the arguments are in error.
std::optional<WindowOptions> windowOptions(const QStringList &arguments);
