#include "cli/CliApplication.h"
#include "cli/CliTerminal.h"
#include "store/server/ServerDatabase.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    // No display is ever needed: QCoreApplication only.
    QCoreApplication app(argc, argv);
    zentaro::ServerDatabase::registerEngine();
    QCoreApplication::setApplicationName(QStringLiteral("znt"));
    zentaro::CliTerminal::catchInterrupt();
    QTextStream out(stdout);
    QTextStream err(stderr);
    zentaro::CliApplication cli(out, err);
    QList<QByteArray> native;
    for (int i = 0; i < argc; ++i)
        native.push_back(QByteArray(argv[i]));
    cli.setNativeArguments(native);
    const int status = cli.run(QCoreApplication::arguments());
    out.flush();
    err.flush();
    return status;
}
