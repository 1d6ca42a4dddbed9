#pragma once

#include "cli/CliLibrary.h"

#include <QCommandLineParser>
#include <QStringList>

namespace zentaro {

class CliOutput;
class CliTerminal;
class Environment;
struct SettingsRecord;

// What a command of znt works with: the environment and settings of this
// run, where to write, the terminal, and its parsed arguments.
struct CliContext
{
    const Environment& environment;
    SettingsRecord& settings;
    CliOutput& output;
    CliTerminal& terminal;
    const QCommandLineParser& parser;
    QStringList positional;  // the command's arguments after its name
    CliLibrary::Access access;
    bool json = false;
    QList<QByteArray> nativeArguments = {}; // every argument as the system's bytes, or none
};

} // namespace zentaro
