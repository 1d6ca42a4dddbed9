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
    // programFolder: the folder of the running executable; tests pass their own.
    explicit ProgramState(QString programFolder);

    // Gives every value its initial value, in the documented order.
    void SetVariables();

    const QString& ProgramFolder() const { return m_programFolder; }

    // Versions and constants.
    QString ProgramVersion;
    QString FullVersionText;
    std::int32_t ChunkSize = 64000;
    std::int32_t PanelGap = 100;
    QString NewLine;

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
};

} // namespace zentaro
