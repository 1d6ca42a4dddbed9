#include "core/ProgramLocation.h"
#include "core/ProgramState.h"
#include "store/server/ServerDatabase.h"
#include "ui/common/MessageBoxes.h"
#include "ui/main/MainForm.h"
#include "ui/main/StartupSequence.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // Previews play through FFmpeg unless the user chose another backend.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");

    QApplication app(argc, argv);
    zentaro::ServerDatabase::registerEngine();
    QApplication::setApplicationName(QStringLiteral("Zentaro"));
    // The start-up sequence decides when the program ends, not the last window.
    QApplication::setQuitOnLastWindowClosed(false);

    const zentaro::Result<zentaro::ProgramPlace> place = zentaro::ProgramLocation::Locate();
    if (!place) {
        zentaro::MessageBoxes::showFailure(nullptr, place.status(), QStringLiteral("ZNT ERROR"));
        return 1;
    }
    zentaro::ProgramState state(place->programFolder, place->dataFolder);
    // Qt has taken its own options out; the rest, joined, is a library path.
    zentaro::StartupSequence startup(
        state, zentaro::StartupSequence::CommandLineText(QApplication::arguments()),
        [](zentaro::ProgramState& s) { return new zentaro::MainForm(s); });
    QObject::connect(&startup, &zentaro::StartupSequence::ended, &app,
                     [](int exitCode) { QCoreApplication::exit(exitCode); });
    if (!startup.Start())
        return 1;
    return QApplication::exec();
}
