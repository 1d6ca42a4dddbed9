#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace zentaro::test {

// Points HOME and XDG_DATA_HOME at a folder of its own while it lives, so
// that files a test sends to the trash land in a trash it can look into.
class TrashHome
{
public:
    TrashHome() : m_home(m_dir.path())
    {
        m_oldHome = qgetenv("HOME");
        m_oldData = qgetenv("XDG_DATA_HOME");
        m_hadData = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        qputenv("HOME", QFile::encodeName(m_home));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome()));
    }
    ~TrashHome()
    {
        qputenv("HOME", m_oldHome);
        if (m_hadData)
            qputenv("XDG_DATA_HOME", m_oldData);
        else
            qunsetenv("XDG_DATA_HOME");
    }
    TrashHome(const TrashHome&) = delete;
    TrashHome& operator=(const TrashHome&) = delete;

    QString dataHome() const { return m_home + QStringLiteral("/.local/share"); }
    QString trashedFile(const QString& name) const { return dataHome() + QStringLiteral("/Trash/files/") + name; }
    QString trashInfo(const QString& name) const
    {
        return dataHome() + QStringLiteral("/Trash/info/") + name + QStringLiteral(".trashinfo");
    }
    // A data folder that is a plain file: no trash can be made there.
    void takeTheTrashAway()
    {
        const QString blocked = m_home + QStringLiteral("/no-data-folder");
        QFile file(blocked);
        if (file.open(QIODevice::WriteOnly))
            file.close();
        qputenv("XDG_DATA_HOME", QFile::encodeName(blocked));
    }

private:
    QTemporaryDir m_dir;
    QString m_home;
    QByteArray m_oldHome;
    QByteArray m_oldData;
    bool m_hadData = false;
};

} // namespace zentaro::test
