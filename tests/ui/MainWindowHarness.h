#pragma once

#include "QtPrinters.h"
#include "support/TestPaths.h"

#include "core/ProgramState.h"
#include "core/SettingsFile.h"
#include "security/PasswordHasher.h"
#include "store/Database.h"
#include "ui/common/Prompts.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>

#include <deque>
#include <memory>
#include <optional>

namespace zentaro::test {

// Answers the login dialog from a queue; an empty queue cancels.
class LoginScript
{
public:
    LoginScript()
    {
        m_previous = Prompts::setLoginAnswerer([this]() -> std::optional<LoginAnswer> {
            ++m_asked;
            if (m_answers.empty())
                return std::nullopt;
            // Copied out as a plain value: GCC cannot follow an optional
            // copied from a deque and warns that it may be uninitialized.
            const bool cancel = !m_answers.front().has_value();
            LoginAnswer next = cancel ? LoginAnswer{} : *m_answers.front();
            m_answers.pop_front();
            if (cancel)
                return std::nullopt;
            return next;
        });
    }
    ~LoginScript() { Prompts::setLoginAnswerer(std::move(m_previous)); }
    LoginScript(const LoginScript&) = delete;
    LoginScript& operator=(const LoginScript&) = delete;

    void queue(const QString& level, const QString& password)
    {
        m_answers.push_back(LoginAnswer{level, password});
    }
    void queueCancel() { m_answers.push_back(std::nullopt); }
    int asked() const { return m_asked; }

private:
    std::deque<std::optional<LoginAnswer>> m_answers;
    int m_asked = 0;
    Prompts::LoginAnswerer m_previous;
};

// Answers the file-open, Access Denied and about dialogs.
class DialogScript
{
public:
    DialogScript()
    {
        m_previousFile = Prompts::setFileAnswerer([this](const QString& title, const QString& folder) {
            fileTitles.push_back(title);
            fileFolders.push_back(folder);
            if (files.isEmpty())
                return QString();
            return files.takeFirst();
        });
        m_previousDenied = Prompts::setAccessDeniedAnswerer([this](const QString& level) {
            deniedLevels.push_back(level);
            return reLoginWhenDenied;
        });
        m_previousAbout = Prompts::setAboutAnswerer([this] { ++aboutShown; });
    }
    ~DialogScript()
    {
        Prompts::setFileAnswerer(std::move(m_previousFile));
        Prompts::setAccessDeniedAnswerer(std::move(m_previousDenied));
        Prompts::setAboutAnswerer(std::move(m_previousAbout));
    }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    QStringList files; // chosen in turn; empty = Cancel
    QStringList fileTitles;
    QStringList fileFolders;
    QStringList deniedLevels;
    bool reLoginWhenDenied = false;
    int aboutShown = 0;

private:
    Prompts::FileAnswerer m_previousFile;
    Prompts::AccessDeniedAnswerer m_previousDenied;
    Prompts::AboutAnswerer m_previousAbout;
};

// A new library from the template holding one record per title (no bytes).
inline void makeLibrary(const QString& path, const QStringList& titles = {})
{
    ASSERT_TRUE(Database::compactFile(templatePath(), path).ok()) << path.toStdString();
    if (titles.isEmpty())
        return;
    auto db = Database::open(path);
    ASSERT_TRUE(db.ok()) << db.message().toStdString();
    ASSERT_TRUE((*db)->begin().ok());
    int n = 0;
    for (const QString& title : titles) {
        MainRecord record;
        record.Title = title;
        record.Author = QStringLiteral("Author of ") + title;
        record.Keywords = QStringLiteral("kw%1").arg(n);
        record.Notes = QStringLiteral("Notes on ") + title;
        record.FileName = QStringLiteral("file%1").arg(n);
        record.FileType = QStringLiteral("TXT");
        record.FileSize = 100 + n;
        ++n;
        ASSERT_TRUE((*db)->insertRecord(record).ok());
    }
    ASSERT_TRUE((*db)->commit().ok());
    (*db)->close();
}

// Turns security on with the passwords as a user would type them; stored as
// the program stores them (hashed, fastest limits).
inline void protectLibrary(const QString& path, const QString& browse, const QString& edit,
                           const QString& admin, bool browseExtract = false, bool editDelete = false)
{
    auto db = Database::open(path);
    ASSERT_TRUE(db.ok()) << db.message().toStdString();
    auto row = (*db)->loadConfig();
    ASSERT_TRUE(row.ok());
    row->UseSecurity = true;
    row->BrowsePassword = browse;
    row->EditPassword = edit;
    row->AdminPassword = admin;
    row->BrowseExtract = browseExtract;
    row->EditDelete = editDelete;
    auto stored = PasswordHasher(PasswordHasher::Limits::Fastest()).PrepareForStorage(*row);
    ASSERT_TRUE(stored.ok()) << stored.message().toStdString();
    ASSERT_TRUE((*db)->saveConfig(*stored).ok());
    (*db)->close();
}

// The settings as the file holds them now.
inline SettingsRecord settingsOnDisk(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return SettingsFile::decode(file.readAll());
}

} // namespace zentaro::test
