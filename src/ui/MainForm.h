#pragma once

#include "core/ProgramState.h"
#include "security/AccessRights.h"
#include "library/LibraryHost.h"
#include "store/MainRecord.h"
#include "ui/MainLayout.h"
#include "ui/MessageBoxes.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QTabWidget;
class QTableView;
class QToolButton;

namespace zentaro {

class LibrarySession;
class ListModel;
class ResizePanel;

// The main window: menu bar, toolbar, and the splitter with the list pane
// (GridMain over the current list, the current-cell panel, the record
// counts) and the record pane (the current record's fields). It owns the
// open library and is the library's host: every message and dialog the
// opening, login and list need goes through it.
class MainForm : public QMainWindow, public LibraryHost
{
    Q_OBJECT

public:
    explicit MainForm(ProgramState& state, QWidget* parent = nullptr);
    ~MainForm() override;

    // The load step: places the controls and the window, opens
    // CurrentLibraryPath (with its login), stamps an empty library's Config
    // row, applies the grid's colours, fonts and columns from the settings and
    // runs the list. Afterwards either the library is open or OpenAborted is
    // set. The window is not shown here.
    void Form_Load();
    // The unload step, once: unless OpenAborted, saves pending edits and the
    // window's settings, empties the extraction folder; then releases the
    // library. Closing the window runs it.
    void Form_Unload();
    bool isUnloaded() const { return m_unloaded; }
    // Gives the splitter the saved pane size (after the window is shown).
    void RestorePaneSizes();
    // What dialogs stand over while this window is not shown (the splash
    // window at start-up); none by default.
    void setDialogOwner(QWidget* owner) { m_dialogOwner = owner; }

    // For a guarded command: true when the access level allows it; otherwise
    // the Access Denied dialog is shown (its Re-Login runs the login) and the
    // command must not run.
    bool CheckAccess(AccessRights::Command command);
    // The Access Denied dialog for the current level; its Re-Login runs the login.
    void ShowAccessDenied();
    // Text and background colour of the four record fields from the settings.
    void ApplyFieldColors();
    // Deletes the files in the extraction folder; subfolders and files that
    // cannot be deleted are left.
    void ClearExtractFolder();
    // Writes typed changes of the shown record to the library. False when
    // that failed (the message was shown).
    bool SaveRecordEdits();

    LibrarySession& session() const { return *m_session; }
    ListModel* listModel() const { return m_model; }
    QTableView* gridMain() const { return m_grid; }
    QLabel* recordCountLabel() const { return m_recordCount; }
    QLabel* cellPanel() const { return m_cellPanel; }
    QToolButton* reLoginButton() const { return m_reLoginButton; }
    QSplitter* mainSplitter() const { return m_splitter; }
    QTabWidget* detailTab() const { return m_detailTab; }
    QLineEdit* titleBox() const { return m_titleBox; }
    QLineEdit* authorBox() const { return m_authorBox; }
    QLineEdit* keywordsBox() const { return m_keywordsBox; }
    QPlainTextEdit* notesBox() const { return m_notesBox; }
    // A menu entry by its name ("fobar", "enbar", ...); nullptr when absent.
    QAction* menuEntry(const QString& name) const { return m_entries.value(name); }
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
    void SetReLoginVisible(bool visible) override;
    Result<ConfigRow> ReadConfig() override;
    std::optional<LoginAnswer> ShowLoginDialog() override;
    void ShowLoginFailure(const QString& title, const QString& text) override;
    void ApplyAccessRights(const ConfigRow& config) override;

public Q_SLOTS:
    // Toolbar.
    void OpenLibraryButton_Click();
    void ReLoginButton_Click();
    void ListOnlyButton_Click();
    void CenterSplitButton_Click();
    void RecordOnlyButton_Click();
    void AddMultipleRecordsButton_Click();
    void ExtractToDiskButton_Click();
    void ViewButton_Click();
    void GridMain_DblClick();
    // Menus.
    void fobar_Click();
    void embar_Click();
    void eevbar_Click();
    void eedbar_Click();
    void fxbar_Click();
    void efbar_Click();
    void epbar_Click();
    void enbar_Click();
    void elbar_Click();
    void erbar_Click();
    void vlbar_Click();
    void vsbar_Click();
    void vrbar_Click();
    void habar_Click();

Q_SIGNALS:
    // The unload step has run; the program ends.
    void Unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    QWidget* buildToolBar(QWidget* parent);
    QWidget* buildListPane();
    QWidget* buildRecordPane();
    QAction* addEntry(QMenu* menu, const QString& name, const QString& caption,
                      void (MainForm::*handler)(), const QKeySequence& key = {});

    // Placement on load and the resize rules.
    void placeOnLoad();
    void Form_Resize();
    void ListPanel_Resize();
    void MainPanel_Resize();
    void DetailsPage_Resize();
    void applyPaneSize(const MainLayout::PaneSize& size);

    // The grid.
    void applyGridSettings();
    void collectGridSettings();
    void GridMain_CurrentRowChanged(int row);
    void GridMain_RowColChange();
    void GridMain_SelChange();
    void detachList();
    void attachList();
    void selectGridRow(int row);

    // The record pane shows the list's current record.
    void showCurrentRecord();
    void applyFieldLocks();
    void afterLibraryChange();
    void walk(void (LibrarySession::*step)());
    // The current record when the level may extract it; nothing otherwise
    // (the refusal or failure was shown).
    std::optional<MainRecord> recordToExtract();

    QWidget* dialogParent();
    int pixelsX(double twips) const;
    int pixelsY(double twips) const;
    double twipsX(int pixels) const;
    double twipsY(int pixels) const;
    // A width in twips for pixels; the saved value when it still maps to them.
    double keptTwips(int pixels, double saved) const;
    void setGeometryTwips(QWidget* widget, const TwipsRect& rect, int minimumHeight = 0);

    ProgramState& m_state;
    QPointer<QWidget> m_dialogOwner;
    std::unique_ptr<LibrarySession> m_session;
    ListModel* m_model = nullptr;
    AccessRights::ControlStates m_controlStates;
    QHash<QString, QAction*> m_entries;

    ResizePanel* m_formArea = nullptr;
    QWidget* m_toolBar = nullptr;
    QToolButton* m_openLibraryButton = nullptr;
    QToolButton* m_reLoginButton = nullptr;
    QSplitter* m_splitter = nullptr;
    ResizePanel* m_listPanel = nullptr;
    QTableView* m_grid = nullptr;
    QLabel* m_cellPanel = nullptr;
    QLabel* m_recordCount = nullptr;
    ResizePanel* m_mainPanel = nullptr;
    QLabel* m_titleLabel = nullptr;
    QLabel* m_authorLabel = nullptr;
    QLabel* m_keywordsLabel = nullptr;
    QLineEdit* m_titleBox = nullptr;
    QLineEdit* m_authorBox = nullptr;
    QLineEdit* m_keywordsBox = nullptr;
    QTabWidget* m_detailTab = nullptr;
    ResizePanel* m_detailsPage = nullptr;
    QPlainTextEdit* m_notesBox = nullptr;
    QLabel* m_notesLabel = nullptr;
    struct FactPanel
    {
        QLabel* caption = nullptr;
        QLabel* value = nullptr;
        QString field;
    };
    std::array<FactPanel, 6> m_facts;

    MainLayout::ListPane m_listLayout;
    MainLayout::RecordPane m_recordLayout;
    std::array<double, kGridColumnCount> m_loadedWidths{};
    double m_loadedListPane = 0;
    double m_loadedFilePane = 0;

    qint64 m_shownId = 0;  // MainID shown in the record pane, 0 for none
    bool m_syncingGrid = false;
    bool m_loaded = false;
    bool m_unloaded = false;
};

} // namespace zentaro
