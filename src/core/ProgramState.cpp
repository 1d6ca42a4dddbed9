#include "core/ProgramState.h"

#include "core/PathText.h"
#include "core/Version.h"

namespace zentaro {

ProgramState::ProgramState(QString programFolder, QString dataFolder)
    : m_programFolder(std::move(programFolder)), m_dataFolder(std::move(dataFolder))
{
    if (m_dataFolder.isEmpty())
        m_dataFolder = m_programFolder;
    SetVariables();
}

void ProgramState::SetVariables()
{
    ProgramVersion = Version::currentProgramVersion();
    FullVersionText = Version::currentFullVersionText();
    TemplatePath = PathText::join(m_dataFolder, QStringLiteral("Struct10.qdb"));
    CurrentLibraryPath = PathText::join(m_programFolder, QStringLiteral("Main Library.ZNT"));
    PreviousLibraryPath.clear();
    SettingsFilePath = PathText::join(m_programFolder, QStringLiteral("ZNT.CFG"));
    ExtractFolder = PathText::join(m_programFolder, QStringLiteral("Extract"));
    ChunkSize = 64000;
    SuppressReposition = false;
    LibraryReadOnly = false;
    CancelRequested = false;
    PanelGap = 100;
    NewLine = QStringLiteral("\r\n");
    QuerySelect = QStringLiteral("SELECT * FROM Main ");
    QueryWhere.clear();
    QueryOrder = QStringLiteral("ORDER BY Title");
    DefaultQuery = QStringLiteral("SELECT * FROM Main ORDER BY Title");
    CurrentQuery = DefaultQuery;
}

} // namespace zentaro
