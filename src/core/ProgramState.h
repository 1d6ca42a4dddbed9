#pragma once

#include "core/LibraryState.h"
#include "core/SettingsFile.h"
#include "core/SettingsRecord.h"

#include <QDateTime>
#include <QString>

#include <cstdint>

namespace zentaro {

// The program-wide values of one run. Created before any window and passed
// explicitly to whoever needs it.
class ProgramState : public LibraryState
{
public:
    // programFolder: where the program keeps its files (ProgramLocation
    // chooses it; tests pass their own). dataFolder: where the template and
    // the help pages are read from; empty means the program folder.
    explicit ProgramState(QString programFolder, QString dataFolder = QString());

    // Gives every value its initial value, in the documented order.
    void SetVariables();

    const QString& ProgramFolder() const { return m_programFolder; }
    const QString& DataFolder() const { return m_dataFolder; }

    // Versions and constants.
    QString ProgramVersion;
    QString FullVersionText;
    std::int32_t ChunkSize = 64000;
    std::int32_t PanelGap = 100;
    QString NewLine;
    // NewLine, or the "\r\n" of the program's messages before it is set.
    QString newLineOrDefault() const { return NewLine.isEmpty() ? QStringLiteral("\r\n") : NewLine; }

    // Paths.
    QString TemplatePath;
    QString SettingsFilePath;
    QString ExtractFolder;

    // Transfer state.
    bool CancelRequested = false;
    QString CurrentFilePath;
    QString CurrentFileClass; // of the current record, by its FileType
    bool InsertionRunning = false;
    bool BulkExtraction = false;
    QDateTime ExtractedFileDate;

    // The local settings record, read by field name throughout.
    SettingsRecord Settings;
    // Where ZNT.CFG is read from and written to, as the paths stand now.
    SettingsFile::Place settingsPlace() const
    {
        return {SettingsFilePath, m_programFolder, ProgramVersion, CurrentLibraryPath};
    }
    // ZNT.CFG read into and written from Settings.
    SettingsFile settingsFile() { return SettingsFile(Settings, settingsPlace()); }

private:
    QString m_programFolder;
    QString m_dataFolder;
};

} // namespace zentaro
