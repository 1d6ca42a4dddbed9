#include "cli/CliTerminal.h"

#include <QByteArray>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include <termios.h>
#include <unistd.h>

namespace zentaro {

namespace {

volatile std::sig_atomic_t g_interrupts = 0;

void onInterrupt(int)
{
    g_interrupts = g_interrupts + 1;
    if (g_interrupts >= 2) {
        // A second Ctrl-C means now: the default action ends the program.
        std::signal(SIGINT, SIG_DFL);
        std::raise(SIGINT);
    }
}

void install(bool restart)
{
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = restart ? SA_RESTART : 0;
    sigaction(SIGINT, &action, nullptr);
}

void writeError(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace

CliTerminal::CliTerminal() = default;

bool CliTerminal::inputIsTerminal() const
{
    return ::isatty(STDIN_FILENO) == 1;
}

bool CliTerminal::errorIsTerminal() const
{
    return ::isatty(STDERR_FILENO) == 1;
}

void CliTerminal::catchInterrupt()
{
    install(true);
}

bool CliTerminal::interrupted()
{
    return g_interrupts > 0;
}

std::optional<QString> CliTerminal::askHidden(const QString& prompt) const
{
    return readLine(prompt, true);
}

std::optional<QString> CliTerminal::ask(const QString& prompt) const
{
    return readLine(prompt, false);
}

std::optional<QString> CliTerminal::readLine(const QString& prompt, bool hidden) const
{
    if (!inputIsTerminal())
        return std::nullopt;
    writeError(prompt);

    termios saved {};
    const bool haveTerminal = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (hidden && haveTerminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    // Ctrl-C must end the read, not wait for Enter.
    install(false);
    const int before = g_interrupts;

    QByteArray line;
    bool complete = false;
    for (;;) {
        char c = 0;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n == 1) {
            if (c == '\n') {
                complete = true;
                break;
            }
            line.append(c);
            continue;
        }
        if (n < 0 && errno == EINTR && g_interrupts == before)
            continue;
        break; // end of input, an error or Ctrl-C
    }

    if (hidden && haveTerminal)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    install(true);
    if (!complete) {
        writeError(QStringLiteral("\n"));
        return std::nullopt;
    }
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

} // namespace zentaro
