#include "library/LibrarySession.h"

#include "core/ListPositionHold.h"
#include "core/PathText.h"
#include "core/Version.h"
#include "security/AccessRights.h"
#include "library/LibraryAddress.h"
#include "store/LibraryFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace zentaro {

namespace {
// The line break of the program's messages.
const QString kNewLine = QStringLiteral("\r\n");
} // namespace

LibrarySession::LibrarySession(LibraryState& library, SettingsRecord& settings, LibraryHost& host)
    : m_state(library), m_settings(settings), m_host(host), m_login(library, host)
{
}

LibrarySession::LibrarySession(SettingsRecord& settings, LibraryHost& host)
    : m_ownState(std::make_unique<LibraryState>()), m_state(*m_ownState), m_settings(settings), m_host(host),
      m_login(*m_ownState, host)
{
}

LibrarySession::~LibrarySession()
{
    release();
}

bool LibrarySession::isOpen() const
{
    return m_db && m_db->isOpen() && m_main;
}

QString LibrarySession::CaptionFor(const QString& programVersion, const QString& libraryPath,
                                   bool readOnly)
{
    QString caption = QStringLiteral("Zentaro ") + programVersion +
                      QStringLiteral("       Current Library:  ") +
                      LibraryAddress::DisplayName(libraryPath);
    if (readOnly)
        caption += QStringLiteral(" (READ ONLY)");
    return caption;
}

QString LibrarySession::CountsText(qint64 selected, qint64 listed, qint64 total)
{
    return QStringLiteral("Selected: %1    Listed: %2    Total: %3")
        .arg(selected)
        .arg(listed)
        .arg(total);
}

void LibrarySession::release()
{
    m_main.reset();
    if (m_db)
        m_db->close();
    m_db.reset();
    m_total = 0;
}

Status LibrarySession::bind(bool readOnly)
{
    OpenOptions options;
    // A server library is shared unless asked otherwise: ExclusiveMode is
    // about a library file on a network share.
    options.exclusive = LibraryAddress::IsServer(m_state.CurrentLibraryPath) ? m_serverExclusive
                                                                              : m_settings.ExclusiveMode;
    options.readOnly = readOnly;
    // Only once the level is known may an older library be brought up to date.
    options.upgrade = false;
    const QString address = m_state.CurrentLibraryPath;
    const QString bare = LibraryAddress::WithoutPassword(address);
    const bool server = LibraryAddress::IsServer(address);
    // A password given at an earlier prompt for this server library.
    QString connectAddress = server && bare == address && m_serverPasswords.contains(bare)
                                 ? LibraryAddress::WithPassword(address, m_serverPasswords.value(bare))
                                 : address;
    Result<std::shared_ptr<Database>> db = Database::open(connectAddress, options);
    // The server wants a password the address did not give: asked, as often
    // as the user tries, until it is right or given up.
    while (!db && server && db.code() == ErrorCode::WrongPassword && bare == address) {
        const std::optional<QString> password = m_host.AskServerPassword(bare);
        if (!password)
            break;
        connectAddress = LibraryAddress::WithPassword(address, *password);
        db = Database::open(connectAddress, options);
        if (db)
            m_serverPasswords.insert(bare, *password);
    }
    if (!db)
        return db.status();
    Result<ConfigRow> config = (*db)->loadConfig();
    if (!config) {
        (*db)->close();
        return config.status();
    }
    m_db = *db;
    m_config = *config;
    return Status::success();
}

Result<OpenedLibrary> LibrarySession::OpenLibrary()
{
    ResetQuery();
    m_host.ClearPreviewer();
    release();
    m_host.ListReset();

    // A file without write permission is opened read-only after a notice;
    // the owner's write bit is the read-only attribute, which also holds for root.
    const QFileInfo info(m_state.CurrentLibraryPath);
    m_state.LibraryReadOnly = info.exists() && (!info.isWritable() || !(info.permissions() & QFile::WriteOwner));
    if (m_state.LibraryReadOnly)
        m_host.ShowNotice({NoticeIcon::Exclamation, kReadOnlyTitle, kReadOnlyText});

    auto refuse = [this](const Status& why) {
        release();
        m_host.ListReset();
        m_state.AccessLevel.clear();
        return Result<OpenedLibrary>(why);
    };
    if (Status bound = bind(m_state.LibraryReadOnly); !bound) {
        m_host.ShowNotice({NoticeIcon::Critical, kOpenFailureTitle, bound.message()});
        return refuse(bound);
    }
    if (const Result<LoginController::OpeningAccess> access = m_login.SettleOpeningLevel(m_config); !access) {
        // A login given up, or one that could not run: the open is given up.
        if (access.code() != ErrorCode::Cancelled)
            m_host.ShowNotice({NoticeIcon::Critical, kOpenFailureTitle, access.message()});
        return refuse(Status::failure(ErrorCode::Cancelled, access.message()));
    }
    if (Result<ConfigRow> fresh = m_db->loadConfig(); fresh) {
        // The login loop re-read the row; keep what it saw.
        m_config = *fresh;
    }
    if (Status upgraded = upgradeForWriting(); !upgraded) {
        m_host.ShowNotice({NoticeIcon::Critical, kOpenFailureTitle, upgraded.message()});
        return refuse(upgraded);
    }

    Result<std::unique_ptr<Recordset>> list = Recordset::open(m_db, m_state.CurrentQuery);
    if (!list) {
        // The reset query always runs; anything else is a damaged file.
        m_host.ShowNotice({NoticeIcon::Critical, kOpenFailureTitle, list.message()});
        return refuse(list.status());
    }
    m_main = std::move(*list);
    if (Result<qint64> total = m_db->countMain(); total)
        m_total = *total;
    m_host.ListReset();
    m_host.SetCaption(
        CaptionFor(Version::currentProgramVersion(), m_state.CurrentLibraryPath, m_state.LibraryReadOnly));
    m_host.ApplyAccessRights(m_config);
    notifyCurrent();
    return OpenedLibrary{m_state.CurrentLibraryPath, m_state.AccessLevel, m_state.LibraryReadOnly};
}

Result<OpenedLibrary> LibrarySession::ReopenPrevious(const Status& why)
{
    if (m_state.PreviousLibraryPath.isEmpty())
        return why;
    m_state.CurrentLibraryPath = m_state.PreviousLibraryPath;
    m_state.PreviousLibraryPath.clear();
    if (why.code() == ErrorCode::Cancelled)
        m_host.ShowNotice({NoticeIcon::Plain, LoginController::kFailureTitle, LoginController::kReopenText});
    Result<OpenedLibrary> reopened = OpenLibrary();
    return reopened ? reopened : ReopenPrevious(reopened.status());
}

void LibrarySession::CloseLibrary()
{
    m_host.StopEditDetection();
    release();
    m_host.ListReset();
    // Kept in the settings at exit: never with a password.
    m_state.PreviousLibraryPath = LibraryAddress::WithoutPassword(m_state.CurrentLibraryPath);
}

Status LibrarySession::RebindLibrary()
{
    m_main.reset();
    if (m_db)
        m_db->close();
    m_db.reset();
    if (Status bound = bind(m_state.LibraryReadOnly); !bound) {
        m_host.ListReset();
        return bound;
    }
    // A compaction may have made the room an upgrade was waiting for; if
    // not, the library goes on as it is.
    upgradeForWriting();
    Result<std::unique_ptr<Recordset>> list = Recordset::open(m_db, m_state.CurrentQuery);
    if (!list) {
        release();
        m_host.ListReset();
        return list.status();
    }
    m_main = std::move(*list);
    if (Result<qint64> total = m_db->countMain(); total)
        m_total = *total;
    m_host.ListReset();
    notifyCurrent();
    return Status::success();
}

Result<OpenedLibrary> LibrarySession::OpenOtherLibrary(const QString& path)
{
    if (!LibraryAddress::IsLibraryAddress(path)) {
        m_host.ShowNotice({NoticeIcon::Plain, QString(), kInvalidNameText});
        return Status::failure(ErrorCode::InvalidArgument, kInvalidNameText);
    }
    CloseLibrary();
    m_state.CurrentLibraryPath = path;
    Result<OpenedLibrary> opened = OpenLibrary();
    if (!opened)
        opened = ReopenPrevious(opened.status());
    if (isOpen())
        RequeryList();
    if (LibraryAddress::IsServer(path))
        return opened;

    QString folder = path;
    const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
    folder = slash >= 0 ? folder.left(slash).trimmed() : QString();
    if (folder.isEmpty())
        folder = QStringLiteral("/");
    m_settings.LibraryFolder = folder;
    return opened;
}

bool LibrarySession::CheckDataFile(const QString& path, const QString& templatePath, LibraryHost& host)
{
    QFile file(path);
    // An existing library is only read here, so a read-only one still starts.
    const bool existed = file.exists();
    const bool opened = existed ? file.open(QIODevice::ReadOnly)
                                : file.open(QIODevice::ReadWrite | QIODevice::NewOnly);
    if (!opened) {
        const QString& nl = kNewLine;
        host.ShowNotice(
            {NoticeIcon::Exclamation, kStartupFailureTitle,
             QStringLiteral("There was a problem opening the Default Startup Library:") + nl + nl +
                 path + nl +
                 QStringLiteral("Please correct the problem and restart ZNT.  If the problem "
                                "persists, delete the file ZNT.CFG in the ZNT program folder; "
                                "this clears all local settings but lets ZNT start again.")});
        return false;
    }
    const qint64 size = file.size();
    file.close();
    if (size < 2) {
        file.remove();
        CreateLibraryFromTemplate(templatePath, path, host);
    }
    return true;
}

Status LibrarySession::CreateLibraryFromTemplate(const QString& templatePath, const QString& target,
                                                 LibraryHost& host)
{
    Status made = Database::compactFile(templatePath, target);
    if (!made)
        host.ShowNotice({NoticeIcon::Plain, QString(), made.message()});
    return made;
}

void LibrarySession::ResetQuery()
{
    m_state.QuerySelect = QStringLiteral("SELECT * FROM Main ");
    m_state.QueryWhere.clear();
    m_state.QueryOrder = QStringLiteral("ORDER BY Title");
    m_state.CurrentQuery = m_state.DefaultQuery;
}

Status LibrarySession::RequeryList()
{
    if (!isOpen())
        return Status::failure(ErrorCode::NotFound, QStringLiteral("No library is open."));
    const std::optional<qint64> remembered = m_main->bookmark();
    const QString query = m_state.QuerySelect + m_state.QueryWhere + m_state.QueryOrder;
    Status run = m_main->setSource(query);
    if (!run)
        return run;
    m_state.CurrentQuery = query;
    if (remembered) {
        if (m_main->setBookmark(*remembered).ok()) {
            // still listed: stays current
        } else if (m_main->recordCount() > 0) {
            m_main->moveFirst();
        }
    }
    m_host.ListReset();
    RefreshCounts();
    notifyCurrent();
    return Status::success();
}

void LibrarySession::RefreshCounts()
{
    const ListPositionHold hold(m_state);
    if (m_db) {
        m_db->idle();
        if (Result<qint64> total = m_db->countMain(); total)
            m_total = *total;
    }
    ShowCounts();
}

void LibrarySession::ShowCounts()
{
    m_host.SetCountsText(CountsText(m_host.SelectedCount(), ListedCount(), m_total));
}

void LibrarySession::notifyCurrent()
{
    m_host.CurrentChanged(m_main ? m_main->absolutePosition() : -1);
}

void LibrarySession::MoveFirst()
{
    if (!m_main || m_main->recordCount() == 0)
        return;
    m_main->moveFirst();
    notifyCurrent();
}

void LibrarySession::MoveLast()
{
    if (!m_main || m_main->recordCount() == 0)
        return;
    m_main->moveLast();
    notifyCurrent();
}

void LibrarySession::MoveNext()
{
    if (!m_main || m_main->recordCount() == 0)
        return;
    m_main->moveNext();
    if (m_main->eof())
        m_main->moveLast();
    notifyCurrent();
}

void LibrarySession::MovePrevious()
{
    if (!m_main || m_main->recordCount() == 0)
        return;
    m_main->movePrevious();
    if (m_main->bof())
        m_main->moveFirst();
    notifyCurrent();
}

void LibrarySession::MoveTo(int position)
{
    if (!m_main || position < 0 || position >= m_main->recordCount())
        return;
    if (m_main->absolutePosition() == position)
        return;
    if (m_main->setAbsolutePosition(position))
        notifyCurrent();
}

Result<ConfigRow> LibrarySession::ReadConfig()
{
    if (!m_db || !m_db->isOpen())
        return Result<ConfigRow>::failure(ErrorCode::NotFound, QStringLiteral("No library is open."));
    Result<ConfigRow> row = m_db->loadConfig();
    if (row)
        m_config = *row;
    return row;
}

Status LibrarySession::SaveConfig(const ConfigRow& row)
{
    if (!m_db || !m_db->isOpen())
        return Status::failure(ErrorCode::NotFound, QStringLiteral("No library is open."));
    Status saved = m_db->saveConfig(row);
    if (saved) {
        m_config = row;
        m_db->idle();
    }
    return saved;
}

Status LibrarySession::StampCreatedIfEmpty()
{
    if (!m_db || !m_db->isOpen())
        return Status::failure(ErrorCode::NotFound, QStringLiteral("No library is open."));
    Result<qint64> count = m_db->countMain();
    if (!count)
        return count.status();
    if (*count != 0 || m_db->isReadOnly())
        return Status::success();
    ConfigRow row = m_config;
    row.Created = QDateTime::currentDateTime();
    return SaveConfig(row);
}

Result<LoginController::Login> LibrarySession::CheckLogin()
{
    Result<LoginController::Login> result = m_login.CheckLogin();
    if (result && *result == LoginController::Login::LoggedIn) {
        // A Browser's session read the library as it was; a level that may
        // change it works on it brought up to date.
        if (Status upgraded = upgradeForWriting(); !upgraded)
            m_host.ShowNotice({NoticeIcon::Exclamation, kOpenFailureTitle, upgraded.message()});
    }
    return result;
}

Status LibrarySession::upgradeForWriting()
{
    if (!m_db || !m_db->isOpen() || m_onlyReads || m_state.LibraryReadOnly || m_db->isReadOnly() ||
        m_state.AccessLevel == AccessRights::kBrowser)
        return Status::success();
    const Status upgraded = m_db->upgradeSchema();
    if (upgraded.ok() || !m_db->upgradeWaitsForSpace())
        return upgraded;
    if (m_upgradeWaitTold != m_db->path()) {
        m_upgradeWaitTold = m_db->path();
        m_host.ShowNotice(UpgradeWaitsNotice(m_db->path(), kNewLine));
    }
    return Status::success();
}

Notice LibrarySession::UpgradeWaitsNotice(const QString& libraryPath, const QString& newLine)
{
    return {NoticeIcon::Exclamation, kReadOnlyTitle,
            QStringLiteral("The library \"%1\" was made by an earlier version of Zentaro and cannot be brought up "
                           "to date now: the disk is full.")
                    .arg(libraryPath) +
                newLine + newLine +
                QStringLiteral("It is opened as it is, without the quick text search and the file checksums of this "
                               "version. It is brought up to date the next time it is opened with enough free disk "
                               "space.")};
}

} // namespace zentaro
