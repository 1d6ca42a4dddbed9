#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace zentaro::test {

// The template the build generated; tests copy it, never write to it.
inline QString templatePath()
{
    return QStringLiteral(ZENTARO_TEST_TEMPLATE);
}

// A throw-away program folder: the template copied in, nothing else.
class ProgramFolder
{
public:
    ProgramFolder()
    {
        QFile::copy(templatePath(), path(QStringLiteral("Struct10.qdb")));
    }
    QString folder() const { return m_dir.path(); }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    bool valid() const { return m_dir.isValid(); }

private:
    QTemporaryDir m_dir;
};

} // namespace zentaro::test
