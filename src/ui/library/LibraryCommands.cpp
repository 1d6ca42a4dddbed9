#include "ui/library/LibraryCommands.h"

#include "core/ProgramState.h"
#include "library/LibraryCompactor.h"
#include "library/LibraryAddress.h"
#include "library/LibraryCopier.h"
#include "library/LibrarySession.h"
#include "library/LibraryTransfer.h"
#include "ui/common/MGForm.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageBoxes.h"
#include "ui/common/MousePointer.h"
#include "ui/library/LibraryInfoForm.h"

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
    return {NoticeIcon::Exclamation, LibraryCommands::kReminderTitle,
            QStringLiteral("This Library File is READ ONLY") + newLine + newLine +
                QStringLiteral("You can not make any changes to this library")};
}

} // namespace

LibraryCommands::LibraryCommands(ProgramState& state, MainForm& form) : QObject(&form), m_state(state), m_form(form)
{
    setObjectName(QStringLiteral("LibraryCommands"));
    CommandRegistry& c = form.commands();
    c.bind(QStringLiteral("fnbar"), this, [this] { newLibrary(); });
    c.bind(QStringLiteral("fcbar"), this, [this] { copyLibrary(); });
    c.bind(QStringLiteral("tcbar"), this, [this] { compactLibrary(); });
    c.bind(QStringLiteral("tlbar"), this, [this] { librarySettings(); });
    c.bind(QStringLiteral("vibar"), this, [this] { libraryInformation(); });
}

QString LibraryCommands::askSaveFileName(QWidget* parent, const QString& title, const QString& folder)
{
    // The command itself refuses an existing file and adds the extension.
    return QFileDialog::getSaveFileName(parent, title, folder, QStringLiteral("ZNT Libraries (*.ZNT *.znt)"), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

std::optional<QString> LibraryCommands::chooseTarget(const QString& title)
{
    for (;;) {
        const QString chosen = m_chooseFile ? m_chooseFile(&m_form, title, m_state.Settings.LibraryFolder) : QString();
        if (chosen.trimmed().isEmpty())
            return std::nullopt;
        const QString target = LibraryCopier::TargetName(chosen);
        if (!LibraryCopier::TargetTaken(target))
            return target;
        MessageBoxes::show(&m_form, LibraryCopier::ExistsNotice());
    }
}

void LibraryCommands::newLibrary()
{
    // With no library open (its opening failed) a new one can still be made.
    LibrarySession& session = m_form.session();
    if (session.isOpen() &&
        !AccessRights::Allows(m_state.AccessLevel, AccessRights::Command::NewLibrary, session.Config())) {
        m_form.ShowAccessDenied();
        return;
    }
    const std::optional<QString> target = chooseTarget(LibraryCopier::kNewDialogTitle);
    if (!target)
        return;
    m_form.SaveRecordEdits();
    MousePointer::setWait();
    // Written (and stamped with its creation date) before the open library
    // is closed, so a failure leaves that one open and nothing at the target.
    LibraryCopier copier(m_state.TemplatePath, m_freeSpace);
    const Status made = copier.CreateNewLibrary(*target);
    if (!made) {
        MousePointer::restoreDefault();
        MessageBoxes::show(&m_form, Notice{NoticeIcon::Exclamation, LibraryCopier::kExistsTitle, made.message()});
        return;
    }
    session.CloseLibrary();
    QCoreApplication::processEvents();
    m_state.CurrentLibraryPath = *target;
    m_form.openCurrentLibrary();
    if (session.isOpen())
        m_form.showOutcome({session.RequeryList(), std::nullopt}, QStringLiteral("ZNT ERROR"));
    MousePointer::restoreDefault();
    m_form.gridMain()->setFocus();
}

void LibraryCommands::copyLibrary()
{
    LibrarySession& session = m_form.session();
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
        MessageBoxes::show(&m_form, LibraryCopier::NoSpaceNotice());
        return;
    }
    m_form.SaveRecordEdits();
    MousePointer::setWait();
    Status copied;
    {
        BusyWindow busy(&m_form, LibraryCopier::kCopyingText);
        session.CloseLibrary();
        LibraryCopier copier(m_state.TemplatePath, m_freeSpace);
        copied = copier.CopyLibrary(source, *target, busy.progress());
        const Status rebound = session.RebindLibrary();
        busy.close();
        MousePointer::restoreDefault();
        if (!copied) {
            // The cause, where the original said nothing; no partial copy is left.
            MessageBoxes::show(&m_form, Notice{NoticeIcon::Exclamation, LibraryCopier::kNoSpaceTitle,
                                               copied.message()});
        }
        if (!rebound)
            MessageBoxes::showFailure(&m_form, rebound, LibrarySession::kOpenFailureTitle);
    }
    m_form.ApplyAccessRights(session.Config());
}

void LibraryCommands::copyServerLibrary(const QString& target)
{
    LibrarySession& session = m_form.session();
    m_form.SaveRecordEdits();
    MousePointer::setWait();
    // Read on the open connection as of one moment: the library stays open
    // and other users go on working.
    BusyWindow busy(&m_form, LibraryCopier::kCopyingText);
    const Result<qint64> copied =
        LibraryTransfer::CopyToFile(*session.database(), m_state.TemplatePath, target, busy.progress());
    busy.close();
    MousePointer::restoreDefault();
    if (!copied) {
        MessageBoxes::show(&m_form, Notice{NoticeIcon::Exclamation, LibraryCopier::kNoSpaceTitle,
                                           copied.message()});
    }
}

void LibraryCommands::compactLibrary()
{
    LibrarySession& session = m_form.session();
    if (!session.isOpen())
        return;
    LibraryCompactor compactor(m_state, m_state.ProgramFolder(), m_drives, m_freeSpace);
    const LibraryCompactor::Refusal refusal = compactor.CheckCommand();
    if (refusal == LibraryCompactor::Refusal::AccessDenied) {
        m_form.ShowAccessDenied();
        return;
    }
    if (refusal != LibraryCompactor::Refusal::None) {
        MessageBoxes::show(&m_form, compactor.RefusalNotice(refusal));
        return;
    }
    if (MessageBoxes::show(&m_form, compactor.Confirmation(), MessageButtons::YesNo) != MessageAnswer::Yes)
        return;

    m_form.SaveRecordEdits();
    MousePointer::setWait();
    if (LibraryAddress::IsServer(m_state.CurrentLibraryPath)) {
        // The server compacts while the library stays open here.
        const Result<LibraryCompactor::Sizes> compacted = [&] {
            BusyWindow busy(&m_form, LibraryCompactor::kProgressText);
            QCoreApplication::processEvents();
            return LibraryCompactor::CompactServerLibrary(*session.database(), busy.progress());
        }();
        MousePointer::restoreDefault();
        MessageBoxes::show(&m_form, compacted ? LibraryCompactor::CompletionNotice(*compacted)
                                              : LibraryCompactor::FailureNotice(compacted.status()));
        if (session.isOpen())
            session.RequeryList();
        return;
    }
    session.CloseLibrary();
    const Result<LibraryCompactor::Sizes> compacted = [&] {
        BusyWindow busy(&m_form, LibraryCompactor::kProgressText);
        QCoreApplication::processEvents();
        return compactor.CompactLibrary(busy.progress());
    }();
    MousePointer::restoreDefault();
    MessageBoxes::show(&m_form, compacted ? LibraryCompactor::CompletionNotice(*compacted)
                                          : LibraryCompactor::FailureNotice(compacted.status()));
    const Status rebound = session.RebindLibrary();
    if (!rebound)
        MessageBoxes::showFailure(&m_form, rebound, LibrarySession::kOpenFailureTitle);
    m_form.ApplyAccessRights(session.Config());
}

void LibraryCommands::librarySettings()
{
    LibrarySession& session = m_form.session();
    if (!session.isOpen())
        return;
    if (m_state.LibraryReadOnly) {
        MessageBoxes::show(&m_form, readOnlyNotice(m_state.NewLine));
        return;
    }
    if (m_state.AccessLevel != AccessRights::kAdministrator) {
        m_form.ShowAccessDenied();
        return;
    }
    m_form.SaveRecordEdits();
    ConfigLibraryForm dialog([&session] { return session.ReadConfig(); },
                             [&session](const ConfigRow& row) { return session.SaveConfig(row); }, m_hasherLimits,
                             &m_form);
    dialog.setDatePicker(m_datePicker);
    if (dialog.exec() == QDialog::Accepted) {
        if (dialog.savedRow().UseSecurity) {
            m_form.SetReLoginVisible(true);
            m_state.AccessLevel = AccessRights::kAdministrator;
        } else {
            m_form.SetReLoginVisible(false);
        }
    }
    // The window's own row again, so that the new settings take effect at once.
    if (Result<ConfigRow> row = session.ReadConfig(); row)
        m_form.ApplyAccessRights(*row);
}

void LibraryCommands::libraryInformation()
{
    LibrarySession& session = m_form.session();
    if (!session.isOpen())
        return;
    const Result<ConfigRow> row = session.ReadConfig();
    // Counted and added up in the table of records; no file's bytes are read.
    std::optional<LibraryInfoForm::Totals> totals;
    const Result<qint64> records = session.database()->countMain();
    const Result<qint64> bytes = session.database()->sumFileSize();
    if (records && bytes)
        totals = LibraryInfoForm::Totals{*records, *bytes};
    LibraryInfoForm dialog(row ? *row : session.Config(), totals, &m_form);
    dialog.exec();
}

} // namespace zentaro
