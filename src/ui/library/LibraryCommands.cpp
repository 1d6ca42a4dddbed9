#include "ui/library/LibraryCommands.h"

#include "core/ProgramState.h"
#include "library/LibraryCompactor.h"
#include "library/LibraryAddress.h"
#include "library/LibraryCopier.h"
#include "library/LibrarySession.h"
#include "library/LibraryTransfer.h"
#include "ui/common/MGForm.h"
#include "ui/common/MessageBoxes.h"
#include "ui/common/MousePointer.h"
#include "ui/common/Prompts.h"
#include "ui/library/LibraryInfoForm.h"
#include "ui/main/CommandContext.h"
#include "ui/main/CommandIds.h"
#include "ui/main/CommandRegistry.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QTableView>

namespace zentaro {

namespace {

// The progress window of copying and compacting, with the main window
// disabled while it shows.
class BusyWindow
{
public:
    BusyWindow(QWidget* mainWindow, const QString& text) : m_main(mainWindow), m_window(new MGForm(mainWindow))
    {
        m_main->setEnabled(false);
        m_window->setAttribute(Qt::WA_DeleteOnClose, false);
        m_window->setWindowModality(Qt::ApplicationModal);
        m_window->setText(text);
        m_window->showNow();
    }
    ~BusyWindow() { close(); }
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

    Progress& progress() { return *m_window; }
    void close()
    {
        if (!m_window)
            return;
        m_window->hide();
        m_window->deleteLater();
        m_window = nullptr;
        m_main->setEnabled(true);
        m_main->raise();
        m_main->activateWindow();
    }

private:
    QWidget* m_main;
    MGForm* m_window;
};

Notice readOnlyNotice(const QString& newLine)
{
    return {NoticeIcon::Exclamation, QCoreApplication::translate("LibraryCommands", "ZNT Reminder"),
            QCoreApplication::translate("LibraryCommands", "This Library File is READ ONLY") +
                newLine + newLine +
                QCoreApplication::translate("LibraryCommands",
                                            "You can not make any changes to this library")};
}

} // namespace

LibraryCommands::LibraryCommands(ProgramState& state, CommandContext& context)
    : QObject(context.mainWidget()), m_state(state), m_context(context)
{
    setObjectName(QStringLiteral("LibraryCommands"));
    CommandRegistry& c = context.commands();
    c.bind(CommandIds::kFosbar, this, [this] {
        // The form names a server library; opening it is the same as for a file.
        if (const std::optional<QString> address = Prompts::chooseServerLibrary(m_context.mainWidget()))
            m_context.openLibrary(*address);
    });
    c.bind(CommandIds::kFnbar, this, [this] { newLibrary(); });
    c.bind(CommandIds::kFcbar, this, [this] { copyLibrary(); });
    c.bind(CommandIds::kTcbar, this, [this] { compactLibrary(); });
    c.bind(CommandIds::kTlbar, this, [this] { librarySettings(); });
    c.bind(CommandIds::kVibar, this, [this] { libraryInformation(); });
}

QString LibraryCommands::askSaveFileName(QWidget* parent, const QString& title, const QString& folder)
{
    // The command itself refuses an existing file and adds the extension.
    return QFileDialog::getSaveFileName(parent, title, folder, tr("ZNT Libraries (*.ZNT *.znt)"),
                                        nullptr, QFileDialog::DontConfirmOverwrite);
}

std::optional<QString> LibraryCommands::chooseTarget(const QString& title)
{
    for (;;) {
        const QString chosen = m_chooseFile ? m_chooseFile(m_context.mainWidget(), title,
                                                           m_state.Settings.LibraryFolder)
                                            : QString();
        if (chosen.trimmed().isEmpty())
            return std::nullopt;
        const QString target = LibraryCopier::TargetName(chosen);
        if (!LibraryCopier::TargetTaken(target))
            return target;
        MessageBoxes::show(m_context.mainWidget(), LibraryCopier::ExistsNotice());
    }
}

void LibraryCommands::newLibrary()
{
    // With no library open (its opening failed) a new one can still be made.
    LibrarySession& session = m_context.session();
    if (session.isOpen() &&
        !AccessRights::Allows(m_state.AccessLevel, AccessRights::Command::NewLibrary, session.Config())) {
        m_context.ShowAccessDenied();
        return;
    }
    const std::optional<QString> target = chooseTarget(LibraryCopier::kNewDialogTitle);
    if (!target)
        return;
    m_context.SaveRecordEdits();
    MousePointer::setWait();
    // Written (and stamped with its creation date) before the open library
    // is closed, so a failure leaves that one open and nothing at the target.
    LibraryCopier copier(m_state.TemplatePath, m_freeSpace);
    const Status made = copier.CreateNewLibrary(*target);
    if (!made) {
        MousePointer::restoreDefault();
        MessageBoxes::show(
            m_context.mainWidget(),
            Notice{NoticeIcon::Exclamation, LibraryCopier::kExistsTitle, made.message()});
        return;
    }
    session.CloseLibrary();
    QCoreApplication::processEvents();
    m_state.CurrentLibraryPath = *target;
    m_context.openCurrentLibrary();
    if (session.isOpen())
        m_context.showOutcome({session.RequeryList(), std::nullopt}, tr("ZNT ERROR"));
    MousePointer::restoreDefault();
    m_context.focusList();
}

void LibraryCommands::copyLibrary()
{
    LibrarySession& session = m_context.session();
    if (!session.isOpen())
        return;
    const std::optional<QString> target = chooseTarget(LibraryCopier::kCopyDialogTitle);
    if (!target)
        return;
    const QString source = m_state.CurrentLibraryPath;
    if (LibraryAddress::IsServer(source)) {
        copyServerLibrary(*target);
        return;
    }
    if (!FreeSpace::Fits(QFileInfo(source).size(), m_freeSpace ? m_freeSpace(*target) : std::nullopt)) {
        MessageBoxes::show(m_context.mainWidget(), LibraryCopier::NoSpaceNotice());
        return;
    }
    m_context.SaveRecordEdits();
    MousePointer::setWait();
    Status copied;
    {
        BusyWindow busy(m_context.mainWidget(), LibraryCopier::kCopyingText);
        session.CloseLibrary();
        LibraryCopier copier(m_state.TemplatePath, m_freeSpace);
        copied = copier.CopyLibrary(source, *target, busy.progress());
        const Status rebound = session.RebindLibrary();
        busy.close();
        MousePointer::restoreDefault();
        if (!copied) {
            // The cause, where the original said nothing; no partial copy is left.
            MessageBoxes::show(
                m_context.mainWidget(),
                Notice{NoticeIcon::Exclamation, LibraryCopier::kNoSpaceTitle, copied.message()});
        }
        if (!rebound)
            MessageBoxes::showFailure(m_context.mainWidget(), rebound,
                                      LibrarySession::kOpenFailureTitle);
    }
    m_context.ApplyAccessRights(session.Config());
}

void LibraryCommands::copyServerLibrary(const QString& target)
{
    LibrarySession& session = m_context.session();
    m_context.SaveRecordEdits();
    MousePointer::setWait();
    // Read on the open connection as of one moment: the library stays open
    // and other users go on working.
    BusyWindow busy(m_context.mainWidget(), LibraryCopier::kCopyingText);
    const Result<qint64> copied =
        LibraryTransfer::CopyToFile(*session.database(), m_state.TemplatePath, target, busy.progress());
    busy.close();
    MousePointer::restoreDefault();
    if (!copied) {
        MessageBoxes::show(m_context.mainWidget(), Notice{NoticeIcon::Exclamation, LibraryCopier::kNoSpaceTitle,
                                           copied.message()});
    }
}

void LibraryCommands::compactLibrary()
{
    LibrarySession& session = m_context.session();
    if (!session.isOpen())
        return;
    LibraryCompactor compactor(m_state, m_state.ProgramFolder(), m_drives, m_freeSpace);
    const Outcome refusal = compactor.CheckCommand();
    if (refusal.status.code() == ErrorCode::AccessDenied) {
        m_context.ShowAccessDenied();
        return;
    }
    if (!refusal.ok()) {
        MessageBoxes::show(m_context.mainWidget(), *refusal.notice);
        return;
    }
    if (MessageBoxes::show(m_context.mainWidget(), compactor.Confirmation(),
                           MessageButtons::YesNo) != MessageAnswer::Yes)
        return;

    m_context.SaveRecordEdits();
    MousePointer::setWait();
    if (LibraryAddress::IsServer(m_state.CurrentLibraryPath)) {
        // The server compacts while the library stays open here.
        const Result<LibraryCompactor::Sizes> compacted = [&] {
            BusyWindow busy(m_context.mainWidget(), LibraryCompactor::kProgressText);
            QCoreApplication::processEvents();
            return LibraryCompactor::CompactServerLibrary(*session.database(), busy.progress());
        }();
        MousePointer::restoreDefault();
        MessageBoxes::show(m_context.mainWidget(), compacted ? LibraryCompactor::CompletionNotice(*compacted)
                                              : LibraryCompactor::FailureNotice(compacted.status()));
        if (session.isOpen())
            session.RequeryList();
        return;
    }
    session.CloseLibrary();
    const Result<LibraryCompactor::Sizes> compacted = [&] {
        BusyWindow busy(m_context.mainWidget(), LibraryCompactor::kProgressText);
        QCoreApplication::processEvents();
        return compactor.CompactLibrary(busy.progress());
    }();
    MousePointer::restoreDefault();
    MessageBoxes::show(m_context.mainWidget(),
                       compacted ? LibraryCompactor::CompletionNotice(*compacted)
                                 : LibraryCompactor::FailureNotice(compacted.status()));
    const Status rebound = session.RebindLibrary();
    if (!rebound)
        MessageBoxes::showFailure(m_context.mainWidget(), rebound,
                                  LibrarySession::kOpenFailureTitle);
    m_context.ApplyAccessRights(session.Config());
}

void LibraryCommands::librarySettings()
{
    LibrarySession& session = m_context.session();
    if (!session.isOpen())
        return;
    if (m_state.LibraryReadOnly) {
        MessageBoxes::show(m_context.mainWidget(), readOnlyNotice(m_state.NewLine));
        return;
    }
    if (m_state.AccessLevel != AccessRights::kAdministrator) {
        m_context.ShowAccessDenied();
        return;
    }
    m_context.SaveRecordEdits();
    ConfigLibraryForm dialog([&session] { return session.ReadConfig(); },
                             [&session](const ConfigRow& row) { return session.SaveConfig(row); },
                             m_hasherLimits, m_context.mainWidget());
    dialog.setDatePicker(m_datePicker);
    if (dialog.exec() == QDialog::Accepted) {
        if (dialog.savedRow().UseSecurity) {
            m_context.SetReLoginVisible(true);
            m_state.AccessLevel = AccessRights::kAdministrator;
        } else {
            m_context.SetReLoginVisible(false);
        }
    }
    // The window's own row again, so that the new settings take effect at once.
    if (Result<ConfigRow> row = session.ReadConfig(); row)
        m_context.ApplyAccessRights(*row);
}

void LibraryCommands::libraryInformation()
{
    LibrarySession& session = m_context.session();
    if (!session.isOpen())
        return;
    const Result<ConfigRow> row = session.ReadConfig();
    // Counted and added up in the table of records; no file's bytes are read.
    std::optional<LibraryInfoForm::Totals> totals;
    const Result<qint64> records = session.database()->countMain();
    const Result<qint64> bytes = session.database()->sumFileSize();
    if (records && bytes)
        totals = LibraryInfoForm::Totals{*records, *bytes};
    LibraryInfoForm dialog(row ? *row : session.Config(), totals, m_context.mainWidget());
    dialog.exec();
}

} // namespace zentaro
