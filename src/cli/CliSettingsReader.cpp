#include "cli/CliSettingsReader.h"

#include "core/ProgramState.h"
#include "core/SettingsFile.h"

#include <QFile>
#include <QTemporaryDir>

namespace zentaro {

Status CliSettingsReader::Load(ProgramState& state)
{
    const QString real = state.SettingsFilePath;
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        return Status::failure(ErrorCode::Io, QStringLiteral("No temporary folder for reading the settings file: %1")
                                                  .arg(scratch.errorString()));
    }
    const QString copy = scratch.filePath(QStringLiteral("ZNT.CFG"));

    Status status;
    QFile source(real);
    if (source.exists()) {
        if (!source.open(QIODevice::ReadOnly)) {
            status = Status::failure(ErrorCode::Unreadable, QStringLiteral("The settings file %1 could not be read: %2")
                                                                .arg(real, source.errorString()));
        } else {
            const QByteArray bytes = source.read(SettingsFile::kRecordLength);
            QFile target(copy);
            if (!target.open(QIODevice::WriteOnly) || target.write(bytes) != bytes.size()) {
                status = Status::failure(ErrorCode::Io, QStringLiteral("The settings file %1 could not be copied: %2")
                                                            .arg(real, target.errorString()));
            }
        }
    }

    state.SettingsFilePath = copy;
    SettingsFile file(state);
    // Errors of writing the copy do not concern the user's file.
    file.LoadConfig();
    state.SettingsFilePath = real;
    return status;
}

} // namespace zentaro
