#pragma once

#include <QString>

#include <optional>

namespace zentaro {

// The terminal znt runs on, when it runs on one: whether standard input and
// standard error are terminals, asking for a line without echo, and Ctrl-C,
// which asks long work to stop at its next step (a second one ends znt).
class CliTerminal
{
public:
    CliTerminal();

    bool inputIsTerminal() const;
    bool errorIsTerminal() const;

    // Writes prompt on standard error and reads one line from standard input
    // with echo off. Nothing when input is not a terminal, at end of input or
    // on Ctrl-C; the terminal's echo is restored in every case.
    std::optional<QString> askHidden(const QString& prompt) const;
    // The same with echo on.
    std::optional<QString> ask(const QString& prompt) const;

    // Catches Ctrl-C from now on.
    static void catchInterrupt();
    // True once Ctrl-C was pressed.
    static bool interrupted();

private:
    std::optional<QString> readLine(const QString& prompt, bool hidden) const;
};

} // namespace zentaro
