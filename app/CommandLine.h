#pragma once
// The copier as a command, for scanner buttons and scripts:
//   quillon copy  [options]          scan, then print
//   quillon print [options] FILE...  print pictures, one sheet each
//   quillon scan  [options] OUT      scan into a file (png, jpg, tif or pdf)
// Exit status 0 on success, 1 with a one-line reason on standard error.
#include <QStringList>
#include <optional>

// Whether the arguments name one of the commands (the window runs otherwise).
bool isCommand(int argc, char **argv);

// Runs the command named by the arguments; needs a QApplication.
int runCommand(const QStringList &arguments);
