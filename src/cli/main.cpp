#include "cli/CliApplication.h"
#include "cli/CliTerminal.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    // No display is ever needed: QCoreApplication only.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("znt"));
    zentaro::CliTerminal::catchInterrupt();
    QTextStream out(stdout);
    QTextStream err(stderr);
    zentaro::CliApplication cli(out, err);
    const int status = cli.run(QCoreApplication::arguments());
    out.flush();
    err.flush();
    return status;
}
