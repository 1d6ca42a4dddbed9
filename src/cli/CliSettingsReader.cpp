#include "cli/CliSettingsReader.h"

#include "core/Environment.h"
#include "core/SettingsFile.h"

#include <QFile>
#include <QTemporaryDir>

namespace zentaro {

Status CliSettingsReader::Load(const Environment& environment, SettingsRecord& settings)
{
    const QString& real = environment.settingsFilePath();
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

    SettingsFile file(settings, {copy, environment.programFolder(), environment.programVersion(),
                                 environment.defaultLibraryPath()});
    // Errors of writing the copy do not concern the user's file.
    file.LoadConfig();
    return status;
}

} // namespace zentaro
