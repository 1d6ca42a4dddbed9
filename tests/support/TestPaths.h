#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <sqlite3.h>

namespace zentaro::test {

// The template the build generated; tests copy it, never write to it.
inline QString templatePath()
{
    return QStringLiteral(ZENTARO_TEST_TEMPLATE);
}

// A library as the first version of Zentaro made it: schema/library.sql
// alone, before any step of SchemaUpgrade. False when it could not be made.
inline bool makeOldLibrary(const QString& path)
{
    QFile script(QStringLiteral(ZENTARO_TEST_SOURCE_DIR "/schema/library.sql"));
    if (!script.open(QIODevice::ReadOnly))
        return false;
    QFile::remove(path);
    sqlite3* db = nullptr;
    const bool made = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK &&
                      sqlite3_exec(db, script.readAll().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return made;
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
