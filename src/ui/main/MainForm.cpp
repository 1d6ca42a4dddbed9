#include "ui/main/MainForm.h"

#include "core/SettingsFile.h"
#include "core/Twips.h"
#include "library/LibrarySession.h"
#include "search/ListModel.h"
#include "store/Recordset.h"
#include "ui/common/MousePointer.h"
#include "ui/common/Prompts.h"
#include "ui/library/LibraryCommands.h"
#include "ui/main/CommandIds.h"
#include "ui/main/DropHandler.h"
#include "ui/main/ListPane.h"
#include "ui/main/PaneSizer.h"
#include "ui/main/ProgramCommands.h"
#include "ui/main/RecordPane.h"
#include "ui/main/ResizePanel.h"
#include "ui/main/TwipsGeometry.h"
#include "ui/preview/PreviewController.h"
#include "ui/print/PrintCommand.h"
#include "ui/search/ListCommands.h"
#include "ui/transfer/BulkCommands.h"
#include "ui/transfer/EditDetection.h"
#include "ui/transfer/FileCommands.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <algorithm>

namespace zentaro {

MainForm::MainForm(ProgramState& state, QWidget* parent) : QMainWindow(parent), m_state(state)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(tr("Zentaro"));
    m_session = std::make_unique<LibrarySession>(m_state, m_state.Settings, *this);

    m_commands = new CommandRegistry(this);
    m_commands->buildMenuBar(menuBar());

    m_formArea = new ResizePanel(QStringLiteral("FormArea"), this);
    m_toolBar = new ToolBar(*m_commands, m_formArea);
    m_splitter = new QSplitter(Qt::Horizontal, m_formArea);
    m_splitter->setObjectName(QStringLiteral("MainSplitter"));
    m_splitter->setChildrenCollapsible(true);
    m_splitter->setHandleWidth(std::max(4, TwipsGeometry::pixelsX(this, 75)));
    m_listPane = new ListPane(m_state.PanelGap);
    m_recordPane = new RecordPane(m_state.PanelGap);
    m_splitter->addWidget(m_listPane);
    m_splitter->addWidget(m_recordPane);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 1);
    setCentralWidget(m_formArea);
    connect(m_formArea, &ResizePanel::resized, this, &MainForm::layoutFormArea);
    m_panes = std::make_unique<PaneSizer>(this, m_splitter);
    // Sizes the user chose are never replaced by the saved ones.
    connect(m_splitter, &QSplitter::splitterMoved, this, [this] { m_panes->userSized(); });

    m_listPane->setPopupMenus(m_commands->menu(CommandIds::kPbar),
                              m_commands->menu(CommandIds::kHeaderPopupbar));
    m_listPane->setDeleteCommand(m_commands->action(CommandIds::kEdbar));
    m_listPane->setCountsText(LibrarySession::CountsText(0, 0, 0));
    connect(m_listPane, &ListPane::currentRowChanged, this, &MainForm::gridRowChosen);
    m_fileCommands = new FileCommands(m_state, *this);
    // Files dropped onto the list are added as the file commands add them.
    new DropHandler(m_state, *this, gridMain()->viewport());
    connect(m_listPane, &ListPane::rowActivated, m_fileCommands, &FileCommands::extractAndOpen);
    connect(m_listPane, &ListPane::selectionChanged, this, &MainForm::showCounts);
    m_bulk = new BulkCommands(m_state, *this);

    bindCommands();
    new ListCommands(m_state, *this);
    auto* preview = new PreviewController(m_state, *this, *m_splitter);
    connect(this, &MainForm::recordChanged, preview, &PreviewController::followRecord);
    new PrintCommand(m_state, *this);
    updateCommands();
    ApplyFieldColors();
}

MainForm::~MainForm()
{
    // The grid must let go of the list before the library goes.
    m_listPane->setList(nullptr);
    m_session.reset();
}

void MainForm::bindCommands()
{
    using namespace CommandIds;
    CommandRegistry& c = *m_commands;
    c.bind(kFobar, this, [this] { openLibrary(); });
    c.bind(kFxbar, this, [this] { close(); });
    c.bind(kEubar, this, [this] { undoTyping(); });
    c.bind(kEmbar, this, [this] { m_fileCommands->addFiles(); });
    c.bind(kEevbar, this, [this] { m_fileCommands->extractAndOpen(); });
    c.bind(kEedbar, this, [this] { m_fileCommands->extractToDisk(); });
    c.bind(kEfbar, this, [this] { walk(&LibrarySession::MoveFirst); });
    c.bind(kEpbar, this, [this] { walk(&LibrarySession::MovePrevious); });
    c.bind(kEnbar, this, [this] { walk(&LibrarySession::MoveNext); });
    c.bind(kElbar, this, [this] { walk(&LibrarySession::MoveLast); });
    c.bind(kErbar, this, [this] { refreshData(); });
    // The list keeps the keys while it shows; the record alone hands them to its title.
    c.bind(kVlbar, this, [this] { m_panes->listOnly(); focusList(); });
    c.bind(kVsbar, this, [this] { m_panes->centerSplit(); focusList(); });
    c.bind(kVrbar, this, [this] { m_panes->recordOnly(); titleBox()->setFocus(); });
    new ProgramCommands(m_state, *this); // tpbar, hhbar, habar
    c.bind(kReLoginButton, this, [this] { reLogin(); });
    new LibraryCommands(m_state, *this); // fosbar, fnbar, fcbar, tcbar, tlbar, vibar
    // Shown only while the library is protected.
    command(kReLoginButton)->setVisible(false);
}

void MainForm::updateCommands()
{
    const bool open = m_session->isOpen();
    m_commands->applyState({open, m_controlStates});
    m_listPane->setLibraryOpen(open);
    // A read-only file cannot keep typed changes, so they cannot be typed.
    m_recordPane->setFieldsLocked(!open || m_controlStates.DetailFieldsLocked || m_state.LibraryReadOnly);
}

// --- Layout ----------------------------------------------------------------------

void MainForm::placeOnLoad()
{
    m_recordPane->showDetailsPage();
    resize(TwipsGeometry::pixelsX(this, MainLayout::kWindowWidth),
           TwipsGeometry::pixelsY(this, MainLayout::kWindowHeight));
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->geometry();
        const MainLayout::Point at = MainLayout::WindowPosition(
            Twips::fromPixels(area.width(), screen->logicalDotsPerInchX()),
            Twips::fromPixels(area.height(), screen->logicalDotsPerInchY()));
        move(area.x() + TwipsGeometry::pixelsX(this, at.left), area.y() + TwipsGeometry::pixelsY(this, at.top));
    }
    setWindowState(m_state.Settings.StartMaximized ? Qt::WindowMaximized : Qt::WindowNoState);
}

void MainForm::layoutFormArea()
{
    if (isMinimized())
        return;
    // The splitter takes the window's inner area below the toolbar; a window
    // too low for it leaves it at its last height.
    const int toolBarHeight = TwipsGeometry::pixelsY(this, MainLayout::kToolBarHeight);
    const int width = m_formArea->width();
    const int height = m_formArea->height() - toolBarHeight;
    m_toolBar->setGeometry(0, 0, width, toolBarHeight);
    m_splitter->setGeometry(0, toolBarHeight, width, height > 0 ? height : m_splitter->height());
    m_panes->windowResized();
}

void MainForm::RestorePaneSizes()
{
    m_panes->restore(m_state.Settings);
}

// --- Load and unload --------------------------------------------------------------

void MainForm::load()
{
    placeOnLoad();

    openCurrentLibrary();
    attachList();
    if (m_openAborted)
        return;

    // An empty library is taken to be new: it remembers when it was first
    // used. A read-only one cannot; that is no reason to stop.
    m_session->StampCreatedIfEmpty();

    m_listPane->applyGridSettings(m_state.Settings);
    ApplyFieldColors();
    showOutcome({m_session->RequeryList(), std::nullopt}, tr("ZNT ERROR"));
    m_loaded = true;
    QApplication::processEvents();
}

Result<OpenedLibrary> MainForm::openCurrentLibrary()
{
    Result<OpenedLibrary> opened = m_session->OpenLibrary();
    if (!opened)
        opened = m_session->ReopenPrevious(opened.status());
    m_openAborted = !opened;
    return opened;
}

void MainForm::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;

    if (!m_openAborted) {
        SaveRecordEdits();
        SettingsRecord& s = m_state.Settings;
        s.StartMaximized = isMaximized();
        if (m_loaded) {
            m_listPane->collectGridSettings(s);
            m_panes->keep(s);
        }
        // Exit always completes; a settings file that cannot be written only
        // loses this run's window layout.
        m_state.settingsFile().SaveSettings();
        m_bulk->ClearAndWipeAtExit();
    }

    detachList();
    if (m_session->isOpen())
        m_session->CloseLibrary();
    MousePointer::restoreDefault();
    Q_EMIT unloaded();
}

void MainForm::closeEvent(QCloseEvent* event)
{
    unload();
    event->accept();
}

void MainForm::ClearExtractFolder()
{
    m_bulk->ClearExtractFolder();
}

// --- The list and the record -----------------------------------------------------

void MainForm::detachList()
{
    m_syncingGrid = true;
    m_listPane->setList(nullptr);
    m_syncingGrid = false;
    showCurrentRecord();
}

void MainForm::attachList()
{
    ListReset();
    if (!m_session->isOpen()) {
        // No library is open (both a new one and the previous one were refused).
        setWindowTitle(tr("Zentaro ") + m_state.ProgramVersion);
        m_controlStates = AccessRights::ControlStatesFor(QString(), false, false);
        SetReLoginVisible(false);
        SetCountsText(LibrarySession::CountsText(0, 0, 0));
    }
    updateCommands();
}

void MainForm::gridRowChosen(int row)
{
    if (m_syncingGrid || row < 0 || !m_session->isOpen())
        return;
    if (m_session->DCMain() && m_session->DCMain()->absolutePosition() == row)
        return;
    SaveRecordEdits();
    m_session->MoveTo(row);
}

void MainForm::showCounts()
{
    if (m_session->isOpen())
        m_session->ShowCounts();
    else
        SetCountsText(LibrarySession::CountsText(SelectedCount(), 0, 0));
}

void MainForm::walk(void (LibrarySession::*step)())
{
    if (!m_session->isOpen())
        return;
    SaveRecordEdits();
    ((*m_session).*step)();
}

void MainForm::refreshData()
{
    if (!m_session->isOpen())
        return;
    SaveRecordEdits();
    showOutcome({m_session->RequeryList(), std::nullopt}, tr("ZNT ERROR"));
}

void MainForm::showCurrentRecord()
{
    Recordset* list = listModel()->recordset() ? m_session->DCMain() : nullptr;
    if (list && list->hasCurrent()) {
        Result<MainRecord> current = list->currentRecord();
        if (current) {
            m_recordPane->showRecord(&*current);
            m_bulk->editDetection().recordShown(current->MainID);
            return;
        }
    }
    m_recordPane->showRecord(nullptr);
    m_bulk->editDetection().recordShown(0);
}

void MainForm::undoTyping()
{
    // The stored values come back; nothing is written.
    showCurrentRecord();
}

bool MainForm::SaveRecordEdits()
{
    if (m_recordPane->shownId() == 0 || !m_session->isOpen() || !m_session->database())
        return true;
    if (m_recordPane->typedChanges().isEmpty())
        return true;
    const Status saved = m_recordPane->saveTypedChanges(*m_session->database());
    gridMain()->viewport()->update();
    return !MessageBoxes::showFailure(dialogParent(), saved, tr("ZNT ERROR"));
}

void MainForm::ApplyFieldColors()
{
    m_recordPane->ApplyFieldColors(m_state.Settings);
}

void MainForm::showOutcome(const Outcome& outcome, const QString& title)
{
    // A Cancel is the user's own choice and needs no word.
    if (outcome.notice)
        MessageBoxes::show(dialogParent(), *outcome.notice);
    else if (!outcome.cancelled())
        MessageBoxes::showFailure(dialogParent(), outcome.status, title);
}

// --- Commands ----------------------------------------------------------------------

void MainForm::openLibrary(const QString& chosen)
{
    const QString path = chosen.isEmpty() ? Prompts::chooseLibraryToOpen(this, m_state.Settings.LibraryFolder) : chosen;
    if (path.isEmpty())
        return;
    SaveRecordEdits();
    // The grid must not read the list while the session swaps it.
    detachList();
    m_session->OpenOtherLibrary(path);
    m_openAborted = !m_session->isOpen();
    attachList();
    focusList();
    MousePointer::restoreDefault();
}

std::optional<QString> MainForm::AskServerPassword(const QString& address)
{
    MousePointer::restoreDefault();
    return Prompts::askServerPassword(dialogParent(), address);
}

void MainForm::reLogin()
{
    if (!m_session->isOpen())
        return;
    const Result<LoginController::Login> result = m_session->CheckLogin();
    if (!result && result.code() != ErrorCode::Cancelled)
        showOutcome({result.status(), std::nullopt}, tr("ZNT ERROR"));
}

bool MainForm::CheckAccess(AccessRights::Command command)
{
    if (AccessRights::Allows(m_state.AccessLevel, command, m_session->Config()))
        return true;
    ShowAccessDenied();
    return false;
}

void MainForm::ShowAccessDenied()
{
    if (Prompts::askAccessDenied(this, m_state.AccessLevel))
        reLogin();
}

void MainForm::focusList()
{
    gridMain()->setFocus();
}

EditDetection& MainForm::editDetection() const
{
    return m_bulk->editDetection();
}

void MainForm::whenUnloaded(QObject* receiver, std::function<void()> handler)
{
    connect(this, &MainForm::unloaded, receiver, std::move(handler));
}

// --- LibraryHost -----------------------------------------------------------------------

QWidget* MainForm::dialogParent()
{
    // Before the window is shown a dialog stands over its owner, or alone.
    if (isVisible())
        return this;
    return m_dialogOwner && m_dialogOwner->isVisible() ? m_dialogOwner.data() : nullptr;
}

void MainForm::ShowNotice(const Notice& notice)
{
    showOutcome({Status::success(), notice}, QString());
}

void MainForm::ClearPreviewer()
{
    m_recordPane->showDetailsPage();
}

void MainForm::SetCaption(const QString& caption)
{
    setWindowTitle(caption);
}

void MainForm::StopEditDetection()
{
    m_bulk->editDetection().stop();
}

void MainForm::ListReset()
{
    m_syncingGrid = true;
    m_listPane->setList(m_session->isOpen() ? m_session->DCMain() : nullptr);
    m_syncingGrid = false;
    showCurrentRecord();
}

void MainForm::CurrentChanged(int position)
{
    if (m_state.SuppressReposition || !listModel()->recordset())
        return;
    m_syncingGrid = true;
    m_listPane->showRow(position);
    m_syncingGrid = false;
    showCurrentRecord();
    Q_EMIT recordChanged();
}

int MainForm::SelectedCount() const
{
    return m_listPane->selectedCount();
}

void MainForm::SetCountsText(const QString& text)
{
    m_listPane->setCountsText(text);
}

void MainForm::SetReLoginVisible(bool visible)
{
    command(CommandIds::kReLoginButton)->setVisible(visible);
}

Result<ConfigRow> MainForm::ReadConfig()
{
    return m_session->ReadConfig();
}

std::optional<LoginAnswer> MainForm::ShowLoginDialog()
{
    std::optional<LoginAnswer> answer = Prompts::askLogin(dialogParent());
    m_loginCancelled = !answer;
    return answer;
}

void MainForm::ShowLoginFailure(const QString& title, const QString& text)
{
    MessageBoxes::exclamation(dialogParent(), title, text);
}

void MainForm::ApplyAccessRights(const ConfigRow& config)
{
    m_controlStates = AccessRights::ControlStatesFor(m_state.AccessLevel, config);
    updateCommands();
}

} // namespace zentaro
