// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

#include <optional>

// The command line, read before the application object exists so that --help and --version need
// no display. Qt's own options (-platform, -style, -reverse, ...) are accepted and left for Qt.

struct CommandLineOutcome
{
    int exitStatus = 0;
    QString standardOutput; // the help or the version
    QString standardError;  // why the command line was refused, and the usage
};

// What the arguments (the executable's name first) ask for; nothing when the window is to open.
std::optional<CommandLineOutcome> ReadCommandLine(const QStringList &arguments);

// The same on main's arguments, printing the outcome; the exit status when the program is done.
std::optional<int> HandleCommandLine(int argc, char *argv[]);
