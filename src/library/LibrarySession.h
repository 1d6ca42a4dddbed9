#pragma once

#include "core/LibraryState.h"
#include "core/SettingsRecord.h"
#include "core/Status.h"
#include "security/LoginController.h"
#include "store/ConfigRow.h"
#include "store/Database.h"
#include "library/LibraryHost.h"
#include "library/OpenedLibrary.h"
#include "store/Recordset.h"

#include <QHash>

#include <memory>

namespace zentaro {

// The open library and its three bindings: DCMain (the current list, record
// source CurrentQuery), DCall (all of Main, for the total) and DCconfig (the
// Config row). Only OpenLibrary, CloseLibrary and RebindLibrary bind or
// release them. One connection is shared by all of them.
class LibrarySession
{
public:
    // Works on library, the state the window keeps; settings give
    // ExclusiveMode and keep the LibraryFolder of an opened library.
    LibrarySession(LibraryState& library, SettingsRecord& settings, LibraryHost& host);
    // Owns its library state (znt).
    LibrarySession(SettingsRecord& settings, LibraryHost& host);
    ~LibrarySession();

    // --- Opening and closing --------------------------------------------
    // Opens CurrentLibraryPath: the library opened, with AccessLevel set, or
    // why not: a refusal of the file (not a library, damaged, in use,
    // unreadable; shown), or Cancelled when a login was given up.
    Result<OpenedLibrary> OpenLibrary();
    // The fall-back of a caller whose open failed for why: opens the library
    // open before, when there was one (after saying so when a login was given
    // up). Without one, why is returned and nothing is open.
    Result<OpenedLibrary> ReopenPrevious(const Status& why);
    // Releases the bindings; PreviousLibraryPath := CurrentLibraryPath.
    void CloseLibrary();
    // Binds again to CurrentLibraryPath without the read-only test and
    // without login (after a copy or compaction closed the file).
    Status RebindLibrary();
    // The open-library command after the file dialog: validates the name,
    // closes, opens (or falls back to the library open before), re-queries
    // and remembers LibraryFolder. InvalidArgument when the name was refused
    // (the message was shown).
    Result<OpenedLibrary> OpenOtherLibrary(const QString& path);

    // Start-up check of the library at path before any window exists: false
    // when the program must end (the message was shown); a missing or empty
    // file is created from the template.
    static bool CheckDataFile(const QString& path, const QString& templatePath, LibraryHost& host);
    // Writes a new library at target from the template. A failure is shown
    // plainly and returned.
    static Status CreateLibraryFromTemplate(const QString& templatePath, const QString& target, LibraryHost& host);

    LibraryState& state() { return m_state; }
    const LibraryState& state() const { return m_state; }

    bool isOpen() const;
    const std::shared_ptr<Database>& database() const { return m_db; }

    // A session that only reads (znt list, search, info, copy, extract,
    // verify): a library made by an earlier version is used as it is and
    // never brought up to date, so nothing is written to it. A Browser's
    // session reads only as well, until a login at another level.
    void setOnlyReads(bool onlyReads) { m_onlyReads = onlyReads; }
    // A library on a server opens shared; exclusive (every other client then
    // finds it in use) only when asked.
    void setServerExclusive(bool exclusive) { m_serverExclusive = exclusive; }

    // --- The current list -----------------------------------------------
    void ResetQuery();
    // Re-runs the list, keeping the current record when it is still listed.
    // On an InvalidQuery the previous list stays and the error is returned
    // (the caller shows it).
    Status RequeryList();
    void RefreshCounts();
    void ShowCounts();
    static QString CountsText(qint64 selected, qint64 listed, qint64 total);

    Recordset* DCMain() const { return m_main.get(); }
    qint64 TotalCount() const { return m_total; }
    int ListedCount() const { return m_main ? m_main->recordCount() : 0; }

    // Record walking; nothing happens on an empty list.
    void MoveFirst();
    void MovePrevious();
    void MoveNext();
    void MoveLast();
    // Makes a list position current (the grid's current row).
    void MoveTo(int position);

    // --- Config row and login -------------------------------------------
    // The Config row as last bound or re-read.
    const ConfigRow& Config() const { return m_config; }
    Result<ConfigRow> ReadConfig();
    Status SaveConfig(const ConfigRow& row);
    // Stamps Created with the current date and time when Main is empty.
    Status StampCreatedIfEmpty();
    // The login loop on the open library (Re-Login buttons).
    // Cancelled when given up, or why the Config row could not be read.
    Result<LoginController::Login> CheckLogin();

    static QString CaptionFor(const QString& programVersion, const QString& libraryPath,
                              bool readOnly);

    static inline const QString kReadOnlyTitle = QStringLiteral("ZNT Notice");
    static inline const QString kReadOnlyText =
        QStringLiteral("This Library is READ-ONLY.  Changes will not be saved.");
    static inline const QString kInvalidNameText =
        QStringLiteral("That is not a valid ZNT file name (*.ZNT)");
    static inline const QString kStartupFailureTitle = QStringLiteral("ZNT Open Library Failure");
    static inline const QString kOpenFailureTitle = QStringLiteral("ZNT Open Library Failure");
    // An older library that the full disk keeps from being brought up to date.
    static Notice UpgradeWaitsNotice(const QString& libraryPath, const QString& newLine);

private:
    Status bind(bool readOnly);
    // Brings an older library up to date when this session may write to it
    // (not read-only, not only reading, not a Browser). A full disk leaves
    // it as it is, said once per library; any other failure is returned.
    Status upgradeForWriting();
    void release();
    void notifyCurrent();

    std::unique_ptr<LibraryState> m_ownState;
    LibraryState& m_state;
    SettingsRecord& m_settings;
    LibraryHost& m_host;
    LoginController m_login;
    std::shared_ptr<Database> m_db;
    std::unique_ptr<Recordset> m_main;
    ConfigRow m_config;
    qint64 m_total = 0;
    bool m_onlyReads = false;
    bool m_serverExclusive = false;
    // Passwords typed for server libraries in this run, by address; kept in
    // memory only.
    QHash<QString, QString> m_serverPasswords;
    QString m_upgradeWaitTold; // the library whose waiting upgrade was told
};

} // namespace zentaro
