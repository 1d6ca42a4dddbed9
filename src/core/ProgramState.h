#pragma once

#include "core/SettingsRecord.h"

#include <QDateTime>
#include <QString>

#include <cstdint>

namespace zentaro {

// The program-wide values of one run. Created before any window and passed
// explicitly to whoever needs it.
class ProgramState
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
    QString CurrentLibraryPath;
    QString SettingsFilePath;
    QString ExtractFolder;

    // Library state.
    QString PreviousLibraryPath;
    QString AccessLevel;
    bool LibraryReadOnly = false;
    bool OpenAborted = false;
    bool SuppressReposition = false;
    bool CancelRequested = false;
    QString CurrentFilePath;
    QString CurrentFileClass; // of the current record, by its FileType
    bool InsertionRunning = false;
    bool BulkExtraction = false;
    QDateTime ExtractedFileDate;

    // List query.
    QString QuerySelect;
    QString QueryWhere;
    QString QueryOrder;
    QString DefaultQuery;
    QString CurrentQuery;

    // The local settings record, read by field name throughout.
    SettingsRecord Settings;

private:
    QString m_programFolder;
    QString m_dataFolder;
};

} // namespace zentaro
