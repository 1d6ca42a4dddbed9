#pragma once

#include "core/Outcome.h"
#include "core/ProgramState.h"
#include "library/LibraryHost.h"
#include "library/OpenedLibrary.h"
#include "security/AccessRights.h"
#include "store/MainRecord.h"
#include "ui/common/MessageBoxes.h"
#include "ui/main/CommandContext.h"
#include "ui/main/CommandIds.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/ListPane.h"
#include "ui/main/MainLayout.h"
#include "ui/main/MainWindow.h"
#include "ui/main/RecordPane.h"
#include "ui/main/ToolBar.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <optional>

class QAction;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSplitter;
class QTabWidget;
class QTableView;
class QToolButton;

namespace zentaro {

class BulkCommands;
class FileCommands;
class LibrarySession;
class PaneSizer;
class ResizePanel;

// The main window: the coordinator of the toolbar, the list pane and the
// record pane. It owns the open library (and is its host: every message and
// dialog the opening, login and list need goes through it), the commands,
// the layout and the shutdown. The commands see it as their CommandContext,
// start-up as a MainWindow.
class MainForm : public QMainWindow, public LibraryHost, public CommandContext, public MainWindow
{
    Q_OBJECT

public:
    explicit MainForm(ProgramState& state, QWidget* parent = nullptr);
    ~MainForm() override;

    // The load step: places the controls and the window, opens
    // CurrentLibraryPath (with its login), stamps an empty library's Config
    // row, applies the grid's colours, fonts and columns from the settings and
    // runs the list. Afterwards either the library is open or openAborted()
    // is true. The window is not shown here.
    void load() override;
    // Opens CurrentLibraryPath, falling back to the library open before when
    // it cannot be opened; nothing open afterwards is an aborted open.
    Result<OpenedLibrary> openCurrentLibrary() override;
    // Whether the last open left no library open.
    bool openAborted() const override { return m_openAborted; }
    // The unload step, once: unless the open was aborted, saves pending edits and the
    // window's settings, empties the extraction folder; then releases the
    // library. Closing the window runs it.
    void unload() override;
    bool isUnloaded() const { return m_unloaded; }
    // Gives the splitter the saved pane sizes, kept within the splitter, and
    // gives them again while the window is still finding its size.
    void RestorePaneSizes() override;
    // What dialogs stand over while this window is not shown (the splash
    // window at start-up); none by default.
    void setDialogOwner(QWidget* owner) override { m_dialogOwner = owner; }
    // Whether the user cancelled the last login this window asked for.
    bool loginCancelled() const override { return m_loginCancelled; }
    QWidget* widget() override { return this; }
    void whenUnloaded(QObject* receiver, std::function<void()> handler) override;

    // --- CommandContext --------------------------------------------------
    QWidget* mainWidget() override { return this; }
    bool CheckAccess(AccessRights::Command command) override;
    void ShowAccessDenied() override;
    // Text and background colour of the four record fields from the settings.
    void ApplyFieldColors() override;
    // Deletes the files in the extraction folder; subfolders and files that
    // cannot be deleted are left.
    void ClearExtractFolder();
    bool SaveRecordEdits() override;
    void showOutcome(const Outcome& outcome, const QString& title) override;
    void focusList() override;
    LibrarySession& session() const override { return *m_session; }
    CommandRegistry& commands() const override { return *m_commands; }
    ListPane& listPane() const override { return *m_listPane; }
    RecordPane& recordPane() const override { return *m_recordPane; }
    EditDetection& editDetection() const override;

    BulkCommands& bulk() const { return *m_bulk; }
    // A command by its name ("fobar", "eevbar", "ViewButton", ...); nullptr when absent.
    QAction* command(const QString& name) const { return m_commands->action(name); }
    ListModel* listModel() const { return m_listPane->model(); }
    QTableView* gridMain() const { return m_listPane->grid(); }
    QLabel* recordCountLabel() const { return m_listPane->recordCountLabel(); }
    QLabel* cellPanel() const { return m_listPane->cellPanel(); }
    QSplitter* mainSplitter() const { return m_splitter; }
    QToolButton* reLoginButton() const { return m_toolBar->button(CommandIds::kReLoginButton); }
    QTabWidget* detailTab() const { return m_recordPane->detailTab(); }
    QLineEdit* titleBox() const { return m_recordPane->titleBox(); }
    QLineEdit* authorBox() const { return m_recordPane->authorBox(); }
    QLineEdit* keywordsBox() const { return m_recordPane->keywordsBox(); }
    QPlainTextEdit* notesBox() const { return m_recordPane->notesBox(); }
    // The control states last set by ApplyAccessRights.
    const AccessRights::ControlStates& controlStates() const { return m_controlStates; }

    // --- LibraryHost -----------------------------------------------------
    void ShowNotice(const Notice& notice) override;
    void ClearPreviewer() override;
    void SetCaption(const QString& caption) override;
    void StopEditDetection() override;
    void ListReset() override;
    void CurrentChanged(int position) override;
    int SelectedCount() const override;
    void SetCountsText(const QString& text) override;
    std::optional<QString> AskServerPassword(const QString& address) override;
    void SetReLoginVisible(bool visible) override;
    Result<ConfigRow> ReadConfig() override;
    std::optional<LoginAnswer> ShowLoginDialog() override;
    void ShowLoginFailure(const QString& title, const QString& text) override;
    void ApplyAccessRights(const ConfigRow& config) override;

public Q_SLOTS:
    // The library at path; with none given, the one the file dialog chooses.
    void openLibrary(const QString& path = QString()) override;
    void reLogin();
    void undoTyping();
    void refreshData();

Q_SIGNALS:
    // The unload step has run; the program ends.
    void unloaded();
    // The current record changed and the fields show it.
    void recordChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void bindCommands();
    void placeOnLoad();
    void layoutFormArea();
    // Enabling and locks from the library, the access level and read-only state.
    void updateCommands();

    void detachList();
    void attachList();
    void gridRowChosen(int row);
    void showCounts();
    void showCurrentRecord();
    void walk(void (LibrarySession::*step)());
    QWidget* dialogParent();

    ProgramState& m_state;
    QPointer<QWidget> m_dialogOwner;
    bool m_loginCancelled = false;
    bool m_openAborted = false;
    std::unique_ptr<LibrarySession> m_session;
    CommandRegistry* m_commands = nullptr;
    FileCommands* m_fileCommands = nullptr;
    BulkCommands* m_bulk = nullptr;
    AccessRights::ControlStates m_controlStates;

    ResizePanel* m_formArea = nullptr;
    ToolBar* m_toolBar = nullptr;
    QSplitter* m_splitter = nullptr;
    ListPane* m_listPane = nullptr;
    RecordPane* m_recordPane = nullptr;

    std::unique_ptr<PaneSizer> m_panes;
    bool m_syncingGrid = false;
    bool m_loaded = false;
    bool m_unloaded = false;
};

} // namespace zentaro
