#include "core/Environment.h"

#include "core/PathText.h"
#include "core/Version.h"

namespace zentaro {

Environment::Environment(QString programFolder, QString dataFolder)
    : m_programFolder(std::move(programFolder)), m_dataFolder(std::move(dataFolder))
{
    if (m_dataFolder.isEmpty())
        m_dataFolder = m_programFolder;
    m_programVersion = Version::currentProgramVersion();
    m_fullVersionText = Version::currentFullVersionText();
    m_templatePath = PathText::join(m_dataFolder, QStringLiteral("Struct10.qdb"));
    m_defaultLibraryPath = PathText::join(m_programFolder, QStringLiteral("Main Library.ZNT"));
    m_settingsFilePath = PathText::join(m_programFolder, QStringLiteral("ZNT.CFG"));
    m_extractFolder = PathText::join(m_programFolder, QStringLiteral("Extract"));
    m_newLine = QStringLiteral("\r\n");
}

Environment Environment::withSettingsFilePath(QString path) const
{
    Environment copy = *this;
    copy.m_settingsFilePath = std::move(path);
    return copy;
}

Environment Environment::withTemplatePath(QString path) const
{
    Environment copy = *this;
    copy.m_templatePath = std::move(path);
    return copy;
}

} // namespace zentaro
