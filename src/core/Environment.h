#pragma once

#include <QString>

#include <cstdint>

namespace zentaro {

// What a run of the program knows from the start and never changes: where
// its files are, its version and its constants. Made once at start-up (the
// window and znt each make theirs) and handed to whoever needs a part of it.
class Environment
{
public:
    static constexpr std::int32_t kChunkSize = 64000; // bytes per read or write of a stored file
    static constexpr std::int32_t kPanelGap = 100;    // twips between a pane's edge and its contents

    // programFolder: where the program keeps its files (ProgramLocation
    // chooses it; tests pass their own). dataFolder: where the template and
    // the help pages are read from; empty means the program folder.
    explicit Environment(QString programFolder, QString dataFolder = QString());

    const QString& programFolder() const { return m_programFolder; }
    const QString& dataFolder() const { return m_dataFolder; }
    const QString& templatePath() const { return m_templatePath; }
    // "Main Library.ZNT" in the program folder: the library opened when
    // neither the command line nor the settings name another.
    const QString& defaultLibraryPath() const { return m_defaultLibraryPath; }
    const QString& settingsFilePath() const { return m_settingsFilePath; }
    const QString& extractFolder() const { return m_extractFolder; }
    const QString& programVersion() const { return m_programVersion; }
    const QString& fullVersionText() const { return m_fullVersionText; }
    std::int32_t chunkSize() const { return kChunkSize; }
    std::int32_t panelGap() const { return kPanelGap; }
    // The line break of the program's messages: carriage return, line feed.
    const QString& newLine() const { return m_newLine; }

    // The same environment with its settings file elsewhere (znt's
    // --settings, tests).
    Environment withSettingsFilePath(QString path) const;
    // The same environment reading its template from elsewhere (tests).
    Environment withTemplatePath(QString path) const;

private:
    QString m_programFolder;
    QString m_dataFolder;
    QString m_templatePath;
    QString m_defaultLibraryPath;
    QString m_settingsFilePath;
    QString m_extractFolder;
    QString m_programVersion;
    QString m_fullVersionText;
    QString m_newLine;
};

} // namespace zentaro
