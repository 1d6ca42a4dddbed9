#include "ui/MainForm.h"

#include "core/PathText.h"
#include "core/SettingsFile.h"
#include "core/Twips.h"
#include "search/ListModel.h"
#include "library/LibrarySession.h"
#include "store/Recordset.h"
#include "transfer/AddFilesBatch.h"
#include "transfer/FileExtractor.h"
#include "ui/MousePointer.h"
#include "ui/ProgressWindow.h"
#include "ui/Prompts.h"
#include "ui/ResizePanel.h"
#include "ui/ScreenMetrics.h"
#include "ui/ToolIcons.h"
#include "ui/TransferProgressHost.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace zentaro {

namespace {

// Colours are kept as 0x00BBGGRR.
QColor colorFromSetting(std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

std::int32_t settingFromColor(const QColor& color)
{
    return std::int32_t(std::uint32_t(color.red()) | (std::uint32_t(color.green()) << 8)
                        | (std::uint32_t(color.blue()) << 16));
}

QFont fontFromSetting(const QString& name, std::int32_t size, bool bold, bool italic, bool underline,
                      const QFont& fallback)
{
    QFont font = fallback;
    if (!name.trimmed().isEmpty())
        font.setFamily(name);
    if (size > 0)
        font.setPointSize(size);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    return font;
}

void setColors(QWidget* widget, const QColor& text, const QColor& base)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Text, text);
    pal.setColor(QPalette::Base, base);
    widget->setPalette(pal);
}

// The facts of the stored file beside the notes: caption, field and tooltip.
struct FactSpec
{
    const char* name;
    const char* caption;
    const char* field;
    const char* tooltip;
    double top;
};

constexpr FactSpec kFactSpecs[] = {
    {"FileNameBox", "File Name", "FileName", "Original File Name", 750},
    {"FileTypeBox", "Type (Extension)", "FileType", "Extension of File which designates its type", 1260},
    {"SizeBox", "File Size (Bytes)", "FileSize", "Size of File in Bytes", 1770},
    {"FileDateBox", "File Date", "FileDate", "Date of File (by default, the date original file was created)", 2310},
    {"InsertionDateBox", "Library Insertion Date", "InsertionDate", "Date that the file was inserted into the library", 2880},
    {"LastEditedBox", "Last Updated Date", "LastUpdatedDate", "Date that the file was last extracted, edited and placed back", 3450},
};
constexpr double kFactLeft = 100;
constexpr double kFactWidth = 2000;
constexpr double kFactHeight = 225;
constexpr double kFactCaptionHeight = 210;

} // namespace

MainForm::MainForm(ProgramState& state, QWidget* parent)
    : QMainWindow(parent), m_state(state)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Zentaro"));
    m_session = std::make_unique<LibrarySession>(m_state, *this);
    m_recordLayout = MainLayout::DesignRecordPane(m_state.PanelGap);

    buildMenus();

    m_formArea = new ResizePanel(QStringLiteral("FormArea"), this);
    m_toolBar = buildToolBar(m_formArea);
    m_splitter = new QSplitter(Qt::Horizontal, m_formArea);
    m_splitter->setObjectName(QStringLiteral("MainSplitter"));
    m_splitter->setChildrenCollapsible(true);
    m_splitter->setHandleWidth(std::max(4, pixelsX(75)));
    m_splitter->addWidget(buildListPane());
    m_splitter->addWidget(buildRecordPane());
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 1);
    setCentralWidget(m_formArea);
    connect(m_formArea, &ResizePanel::resized, this, &MainForm::Form_Resize);

    applyFieldLocks();
    ApplyFieldColors();
}

MainForm::~MainForm()
{
    // The grid must let go of the list before the library goes.
    m_model->setRecordset(nullptr);
    m_session.reset();
}

// --- Building ----------------------------------------------------------------

QAction* MainForm::addEntry(QMenu* menu, const QString& name, const QString& caption,
                            void (MainForm::*handler)(), const QKeySequence& key)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    if (!key.isEmpty())
        action->setShortcut(key);
    // F2 to F8 work wherever the focus is in the window, also in a text field.
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, handler);
    menu->addAction(action);
    m_entries.insert(name, action);
    return action;
}

void MainForm::buildMenus()
{
    QMenuBar* bar = menuBar();

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fbar"));
    addEntry(file, QStringLiteral("fobar"), QStringLiteral("&Open Library"), &MainForm::fobar_Click);
    file->addSeparator()->setObjectName(QStringLiteral("fsep2"));
    addEntry(file, QStringLiteral("fxbar"), QStringLiteral("E&xit ZNT"), &MainForm::fxbar_Click,
             QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("ebar"));
    addEntry(edit, QStringLiteral("embar"), QStringLiteral("&Add File(s) to Library"),
             &MainForm::embar_Click, QKeySequence(Qt::CTRL | Qt::Key_A));
    QMenu* extract = edit->addMenu(QStringLiteral("&Extract File from Library"));
    extract->setObjectName(QStringLiteral("eebar"));
    addEntry(extract, QStringLiteral("eevbar"), QStringLiteral("To &View/Edit"), &MainForm::eevbar_Click,
             QKeySequence(Qt::Key_F9));
    addEntry(extract, QStringLiteral("eedbar"), QStringLiteral("To &Disk or other location"),
             &MainForm::eedbar_Click);
    edit->addSeparator()->setObjectName(QStringLiteral("esep2"));
    addEntry(edit, QStringLiteral("efbar"), QStringLiteral("&First Record"), &MainForm::efbar_Click,
             QKeySequence(Qt::Key_F5));
    addEntry(edit, QStringLiteral("epbar"), QStringLiteral("&Previous Record"), &MainForm::epbar_Click,
             QKeySequence(Qt::Key_F6));
    addEntry(edit, QStringLiteral("enbar"), QStringLiteral("&Next Record"), &MainForm::enbar_Click,
             QKeySequence(Qt::Key_F7));
    addEntry(edit, QStringLiteral("elbar"), QStringLiteral("&Last record"), &MainForm::elbar_Click,
             QKeySequence(Qt::Key_F8));
    edit->addSeparator()->setObjectName(QStringLiteral("esep1"));
    addEntry(edit, QStringLiteral("erbar"), QStringLiteral("&Refresh Data"), &MainForm::erbar_Click);

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("vbar"));
    addEntry(view, QStringLiteral("vlbar"), QStringLiteral("&List Only"), &MainForm::vlbar_Click,
             QKeySequence(Qt::Key_F2));
    addEntry(view, QStringLiteral("vsbar"), QStringLiteral("List/File &Split"), &MainForm::vsbar_Click,
             QKeySequence(Qt::Key_F3));
    addEntry(view, QStringLiteral("vrbar"), QStringLiteral("&File Only"), &MainForm::vrbar_Click,
             QKeySequence(Qt::Key_F4));

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("hbar"));
    addEntry(help, QStringLiteral("habar"), QStringLiteral("&About ZNT"), &MainForm::habar_Click);
}

QWidget* MainForm::buildToolBar(QWidget* parent)
{
    auto* panel = new QFrame(parent);
    panel->setObjectName(QStringLiteral("ToolBarPanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);

    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(pixelsX(60), pixelsY(MainLayout::kToolButtonTop) - 1, pixelsX(60), 0);
    row->setSpacing(pixelsX(15));
    row->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    const int button = pixelsX(MainLayout::kToolButtonSize);
    auto addGroupLabel = [&](const QString& name, const QString& text) {
        auto* label = new QLabel(text, panel);
        label->setObjectName(name);
        QFont small = label->font();
        small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.8));
        label->setFont(small);
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
        label->setPalette(pal);
        label->setFixedHeight(button);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row->addWidget(label);
    };
    auto addButton = [&](const QString& name, const QString& tooltip, const QIcon& icon,
                         void (MainForm::*handler)()) {
        auto* b = new QToolButton(panel);
        b->setObjectName(name);
        b->setToolTip(tooltip);
        b->setIcon(icon);
        b->setIconSize(QSize(button - 6, button - 6));
        b->setFixedSize(button, button);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, handler);
        row->addWidget(b);
        return b;
    };
    auto addSeparator = [&] {
        auto* line = new QFrame(panel);
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        line->setFixedHeight(button);
        row->addSpacing(pixelsX(30));
        row->addWidget(line);
        row->addSpacing(pixelsX(30));
    };

    addGroupLabel(QStringLiteral("LibraryGroupLabel"), QStringLiteral("Library"));
    m_openLibraryButton = addButton(QStringLiteral("OpenLibraryButton"), QStringLiteral("Open Library"),
                                    ToolIcons::openLibrary(), &MainForm::OpenLibraryButton_Click);
    m_reLoginButton = addButton(QStringLiteral("ReLoginButton"), QStringLiteral("Re-Login (Change Access Level)"),
                                ToolIcons::reLogin(), &MainForm::ReLoginButton_Click);
    m_reLoginButton->setVisible(false);
    addSeparator();
    addGroupLabel(QStringLiteral("ViewGroupLabel"), QStringLiteral("View"));
    addButton(QStringLiteral("ListOnlyButton"), QStringLiteral("View List Only [F2]"), ToolIcons::listOnly(),
              &MainForm::ListOnlyButton_Click);
    addButton(QStringLiteral("CenterSplitButton"), QStringLiteral("View 50/50 Split [F3]"),
              ToolIcons::centerSplit(), &MainForm::CenterSplitButton_Click);
    addButton(QStringLiteral("RecordOnlyButton"), QStringLiteral("View File Only [F4]"), ToolIcons::recordOnly(),
              &MainForm::RecordOnlyButton_Click);
    addSeparator();
    addGroupLabel(QStringLiteral("FileGroupLabel"), QStringLiteral("File"));
    addButton(QStringLiteral("AddMultipleRecordsButton"), QStringLiteral("Add File(s) to Library"),
              ToolIcons::addFiles(), &MainForm::AddMultipleRecordsButton_Click);
    addButton(QStringLiteral("ExtractToDiskButton"), QStringLiteral("Extract File to Disk"),
              ToolIcons::extractToDisk(), &MainForm::ExtractToDiskButton_Click);
    addButton(QStringLiteral("ViewButton"), QStringLiteral("Extract and Open File [F9]"),
              ToolIcons::extractAndOpen(), &MainForm::ViewButton_Click);
    row->addStretch(1);
    return panel;
}

QWidget* MainForm::buildListPane()
{
    m_listPanel = new ResizePanel(QStringLiteral("ListPanel"));
    connect(m_listPanel, &ResizePanel::resized, this, &MainForm::ListPanel_Resize);

    m_model = new ListModel(this);
    m_grid = new QTableView(m_listPanel);
    m_grid->setObjectName(QStringLiteral("GridMain"));
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setWordWrap(false);
    m_grid->setCornerButtonEnabled(false);
    m_grid->verticalHeader()->setVisible(false);
    // Fixed row heights: the view never measures rows, so a long list costs
    // only the rows on screen.
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->horizontalHeader()->setSectionsMovable(true);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_grid->horizontalHeader()->setStretchLastSection(false);
    m_grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    connect(m_grid, &QAbstractItemView::doubleClicked, this, [this] { GridMain_DblClick(); });
    QItemSelectionModel* selection = m_grid->selectionModel();
    connect(selection, &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { GridMain_CurrentRowChanged(current.row()); });
    connect(selection, &QItemSelectionModel::currentChanged, this, &MainForm::GridMain_RowColChange);
    connect(selection, &QItemSelectionModel::selectionChanged, this, &MainForm::GridMain_SelChange);
    connect(m_model, &QAbstractItemModel::modelReset, this, &MainForm::GridMain_SelChange);

    auto makeStatus = [this](const QString& name) {
        auto* label = new QLabel(m_listPanel);
        label->setObjectName(name);
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setIndent(pixelsX(45));
        label->setTextFormat(Qt::PlainText);
        return label;
    };
    m_cellPanel = makeStatus(QStringLiteral("CellPanel"));
    m_recordCount = makeStatus(QStringLiteral("RecordCountLabel"));
    m_recordCount->setText(LibrarySession::CountsText(0, 0, 0));

    const int statusHeight = std::max(pixelsY(MainLayout::kStatusHeight), fontMetrics().height() + 4);
    m_listLayout.cellPanel.height = twipsY(statusHeight);
    m_listLayout.recordCount.height = twipsY(statusHeight);
    return m_listPanel;
}

QWidget* MainForm::buildRecordPane()
{
    m_mainPanel = new ResizePanel(QStringLiteral("MainPanel"));
    connect(m_mainPanel, &ResizePanel::resized, this, &MainForm::MainPanel_Resize);

    auto makeField = [this](const QString& name, const QString& labelName, const QString& caption,
                            const QString& tooltip, QLabel** label) {
        *label = new QLabel(caption, m_mainPanel);
        (*label)->setObjectName(labelName);
        (*label)->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        auto* box = new QLineEdit(m_mainPanel);
        box->setObjectName(name);
        box->setToolTip(tooltip);
        (*label)->setBuddy(box);
        return box;
    };
    m_titleBox = makeField(QStringLiteral("TitleBox"), QStringLiteral("TitleLabel"), QStringLiteral("Title"),
                           QStringLiteral("Title or Descriptive Name for File"), &m_titleLabel);
    m_authorBox = makeField(QStringLiteral("AuthorBox"), QStringLiteral("AuthorLabel"), QStringLiteral("Author(s)"),
                            QStringLiteral("Creator(s) of the File (Artist, Author, Creator, etc...)"),
                            &m_authorLabel);
    m_keywordsBox = makeField(QStringLiteral("KeywordsBox"), QStringLiteral("KeywordsLabel"),
                              QStringLiteral("Keywords"),
                              QStringLiteral("Keywords that help identify and categorize the file."),
                              &m_keywordsLabel);

    m_detailTab = new QTabWidget(m_mainPanel);
    m_detailTab->setObjectName(QStringLiteral("DetailTab"));
    m_detailsPage = new ResizePanel(QStringLiteral("DetailsPage"));
    connect(m_detailsPage, &ResizePanel::resized, this, &MainForm::DetailsPage_Resize);
    m_detailTab->addTab(m_detailsPage, QStringLiteral("&Details"));

    for (std::size_t i = 0; i < m_facts.size(); ++i) {
        const FactSpec& item = kFactSpecs[i];
        FactPanel& fact = m_facts[i];
        fact.field = QString::fromLatin1(item.field);
        fact.caption = new QLabel(QString::fromLatin1(item.caption), m_detailsPage);
        fact.caption->setObjectName(QString::fromLatin1(item.name).replace(QLatin1String("Box"),
                                                                            QLatin1String("Label")));
        fact.value = new QLabel(m_detailsPage);
        fact.value->setObjectName(QString::fromLatin1(item.name));
        fact.value->setToolTip(QString::fromLatin1(item.tooltip));
        fact.value->setFrameShape(QFrame::StyledPanel);
        fact.value->setFrameShadow(QFrame::Sunken);
        fact.value->setTextFormat(Qt::PlainText);
        fact.value->setIndent(pixelsX(30));
        fact.value->setBackgroundRole(QPalette::Base);
        fact.value->setAutoFillBackground(true);
    }
    m_notesLabel = new QLabel(QStringLiteral("Notes"), m_detailsPage);
    m_notesLabel->setObjectName(QStringLiteral("NotesLabel"));
    m_notesBox = new QPlainTextEdit(m_detailsPage);
    m_notesBox->setObjectName(QStringLiteral("NotesBox"));
    m_notesLabel->setBuddy(m_notesBox);
    return m_mainPanel;
}

// --- Twips ---------------------------------------------------------------------

int MainForm::pixelsX(double twips) const
{
    return ScreenMetrics::toPixelsX(twips, this);
}

int MainForm::pixelsY(double twips) const
{
    return ScreenMetrics::toPixelsY(twips, this);
}

double MainForm::twipsX(int pixels) const
{
    return Twips::fromPixels(pixels, ScreenMetrics::logicalDpiX(this));
}

double MainForm::twipsY(int pixels) const
{
    return Twips::fromPixels(pixels, ScreenMetrics::logicalDpiY(this));
}

double MainForm::keptTwips(int pixels, double saved) const
{
    // Saving what was loaded keeps a width from creeping by a twip or two on
    // every run through the pixel rounding.
    if (saved > 0 && pixelsX(saved) == pixels)
        return saved;
    return std::round(twipsX(pixels));
}

void MainForm::setGeometryTwips(QWidget* widget, const TwipsRect& rect, int minimumHeight)
{
    widget->setGeometry(pixelsX(rect.left), pixelsY(rect.top), pixelsX(rect.width),
                        std::max(pixelsY(rect.height), minimumHeight));
}

// --- Layout ----------------------------------------------------------------------

void MainForm::placeOnLoad()
{
    m_detailTab->setCurrentIndex(0);
    resize(pixelsX(MainLayout::kWindowWidth), pixelsY(MainLayout::kWindowHeight));
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->geometry();
        const MainLayout::Point at = MainLayout::WindowPosition(
            Twips::fromPixels(area.width(), screen->logicalDotsPerInchX()),
            Twips::fromPixels(area.height(), screen->logicalDotsPerInchY()));
        move(area.x() + pixelsX(at.left), area.y() + pixelsY(at.top));
    }
    setWindowState(m_state.Settings.StartMaximized ? Qt::WindowMaximized : Qt::WindowNoState);
}

void MainForm::Form_Resize()
{
    if (isMinimized())
        return;
    // The splitter takes the window's inner area below the toolbar; a window
    // too low for it leaves it at its last height.
    const int toolBarHeight = pixelsY(MainLayout::kToolBarHeight);
    const int width = m_formArea->width();
    const int height = m_formArea->height() - toolBarHeight;
    m_toolBar->setGeometry(0, 0, width, toolBarHeight);
    m_splitter->setGeometry(0, toolBarHeight, width, height > 0 ? height : m_splitter->height());
}

void MainForm::ListPanel_Resize()
{
    m_listLayout = MainLayout::ListPanelLayout(twipsX(m_listPanel->width()), twipsY(m_listPanel->height()),
                                               m_state.PanelGap, m_listLayout);
    setGeometryTwips(m_grid, m_listLayout.grid);
    setGeometryTwips(m_cellPanel, m_listLayout.cellPanel);
    setGeometryTwips(m_recordCount, m_listLayout.recordCount);
}

void MainForm::MainPanel_Resize()
{
    m_recordLayout = MainLayout::MainPanelLayout(twipsX(m_mainPanel->width()), twipsY(m_mainPanel->height()),
                                                 m_state.PanelGap, m_recordLayout);
    const double gap = m_state.PanelGap;
    auto placeField = [&](QLabel* label, QLineEdit* box, const TwipsRect& rect) {
        const int minimum = box->minimumSizeHint().height();
        setGeometryTwips(box, rect, minimum);
        // A font wider than the design's moves the box right of its caption.
        const int labelLeft = pixelsX(gap);
        const int needed = labelLeft + label->sizeHint().width() + 3;
        if (box->x() < needed) {
            const int right = box->geometry().right();
            box->setGeometry(needed, box->y(), std::max(1, right - needed + 1), box->height());
        }
        label->setGeometry(labelLeft, box->y(), std::max(0, box->x() - labelLeft - 3), box->height());
    };
    placeField(m_titleLabel, m_titleBox, m_recordLayout.titleBox);
    placeField(m_authorLabel, m_authorBox, m_recordLayout.authorBox);
    placeField(m_keywordsLabel, m_keywordsBox, m_recordLayout.keywordsBox);
    // The tab control starts below the fields even when the font needs taller boxes.
    TwipsRect tab = m_recordLayout.detailTab;
    const double below = twipsY(m_keywordsBox->geometry().bottom() + 1) + gap;
    if (below > tab.top) {
        tab.height = std::max(1.0, tab.height - (below - tab.top));
        tab.top = below;
    }
    setGeometryTwips(m_detailTab, tab);
    DetailsPage_Resize();
}

void MainForm::DetailsPage_Resize()
{
    // The notes box is placed in the tab control's coordinates; the page sits
    // below the tab strip.
    const QPoint origin = m_detailsPage->mapTo(m_detailTab, QPoint(0, 0));
    const double offsetX = twipsX(origin.x());
    const double offsetY = twipsY(origin.y());
    const double gap = m_state.PanelGap;

    const int factHeight = std::max(pixelsY(kFactHeight), fontMetrics().height() + 4);
    const int captionHeight = std::max(pixelsY(kFactCaptionHeight), fontMetrics().height());
    // The facts keep their design spacing, or closer to the top on a large font.
    const double step = std::max(510.0, twipsY(factHeight + captionHeight) + 60);
    double top = std::max(gap, kFactSpecs[0].top - offsetY);
    for (std::size_t i = 0; i < m_facts.size(); ++i) {
        const FactPanel& fact = m_facts[i];
        const int x = pixelsX(kFactLeft - offsetX > 0 ? kFactLeft - offsetX : gap);
        const int y = pixelsY(top);
        fact.caption->setGeometry(x, y - captionHeight, pixelsX(kFactWidth), captionHeight);
        fact.value->setGeometry(x, y, pixelsX(kFactWidth), factHeight);
        top += step;
    }

    const TwipsRect& notes = m_recordLayout.notesBox;
    const int notesX = pixelsX(notes.left - offsetX);
    const int notesY = std::max(pixelsY(notes.top - offsetY), captionHeight + pixelsY(gap) / 2);
    const int notesBottom = m_detailsPage->height() - pixelsY(gap);
    const int notesRight = m_detailsPage->width() - pixelsX(gap);
    m_notesLabel->setGeometry(notesX, notesY - captionHeight, std::max(0, notesRight - notesX), captionHeight);
    if (notesBottom - notesY > 0 && notesRight - notesX > 0)
        m_notesBox->setGeometry(notesX, notesY, notesRight - notesX, notesBottom - notesY);
}

void MainForm::applyPaneSize(const MainLayout::PaneSize& size)
{
    const int available = m_splitter->width() - m_splitter->handleWidth();
    const MainLayout::PanePixels pixels = MainLayout::SplitPixels(size.pane, pixelsX(size.size), available);
    m_splitter->setSizes({pixels.list, pixels.record});
}

void MainForm::RestorePaneSizes()
{
    QApplication::processEvents();
    applyPaneSize(MainLayout::RestoredPane(m_state.Settings.ListPaneSize, m_state.Settings.FilePaneSize));
    m_loadedListPane = m_state.Settings.ListPaneSize;
    m_loadedFilePane = m_state.Settings.FilePaneSize;
}

void MainForm::ListOnlyButton_Click()
{
    applyPaneSize(MainLayout::ListOnly(twipsX(m_splitter->width())));
    m_grid->setFocus();
}

void MainForm::CenterSplitButton_Click()
{
    applyPaneSize(MainLayout::CenterSplit(twipsX(m_splitter->width())));
    m_grid->setFocus();
}

void MainForm::RecordOnlyButton_Click()
{
    applyPaneSize(MainLayout::RecordOnly(twipsX(m_splitter->width())));
    m_titleBox->setFocus();
}

// --- Load and unload --------------------------------------------------------------

void MainForm::Form_Load()
{
    placeOnLoad();

    m_session->OpenLibrary();
    attachList();
    if (m_state.OpenAborted)
        return;

    // An empty library is taken to be new: it remembers when it was first
    // used. A read-only one cannot; that is no reason to stop.
    m_session->StampCreatedIfEmpty();

    applyGridSettings();
    ApplyFieldColors();
    const Status listed = m_session->RequeryList();
    MessageBoxes::showFailure(dialogParent(), listed, QStringLiteral("ZNT ERROR"));
    m_loaded = true;
    QApplication::processEvents();
}

void MainForm::applyGridSettings()
{
    const SettingsRecord& s = m_state.Settings;
    setColors(m_grid, colorFromSetting(s.GridForeColor), colorFromSetting(s.GridBackColor));
    const QFont listFont = fontFromSetting(s.ListFontName, s.ListFontSize, s.ListFontBold, s.ListFontItalic,
                                           s.ListFontUnderline, m_grid->font());
    m_grid->setFont(listFont);
    QHeaderView* header = m_grid->horizontalHeader();
    header->setFont(fontFromSetting(s.HeaderFontName, s.HeaderFontSize, s.HeaderFontBold, s.HeaderFontItalic,
                                    s.HeaderFontUnderline, header->font()));
    QHeaderView* rows = m_grid->verticalHeader();
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(QFontMetrics(listFont).height() + 4);

    // The saved order is the order of the columns; any earlier dragging is undone.
    for (int visual = 0; visual < kGridColumnCount; ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical != visual)
            header->moveSection(header->visualIndex(visual), visual);
    }
    m_model->setColumnFields(s.ColumnFields);
    for (int i = 0; i < kGridColumnCount; ++i) {
        m_loadedWidths[std::size_t(i)] = s.ColumnWidths[std::size_t(i)];
        const int width = pixelsX(s.ColumnWidths[std::size_t(i)]);
        header->resizeSection(i, std::max(width, header->minimumSectionSize()));
    }
}

void MainForm::collectGridSettings()
{
    SettingsRecord& s = m_state.Settings;
    const QPalette pal = m_grid->palette();
    s.GridForeColor = settingFromColor(pal.color(QPalette::Text));
    s.GridBackColor = settingFromColor(pal.color(QPalette::Base));

    const QFont listFont = m_grid->font();
    s.ListFontName = listFont.family();
    s.ListFontSize = static_cast<std::int32_t>(std::lround(listFont.pointSizeF()));
    s.ListFontBold = listFont.bold();
    s.ListFontItalic = listFont.italic();
    s.ListFontUnderline = listFont.underline();
    QHeaderView* header = m_grid->horizontalHeader();
    const QFont headerFont = header->font();
    s.HeaderFontName = headerFont.family();
    s.HeaderFontSize = static_cast<std::int32_t>(std::lround(headerFont.pointSizeF()));
    s.HeaderFontBold = headerFont.bold();
    s.HeaderFontItalic = headerFont.italic();
    s.HeaderFontUnderline = headerFont.underline();

    // Columns in the order the user sees them.
    for (int visual = 0; visual < kGridColumnCount; ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical < 0)
            continue;
        s.ColumnFields[std::size_t(visual)] = m_model->columnField(logical);
        s.ColumnWidths[std::size_t(visual)] = static_cast<std::int32_t>(
            keptTwips(header->sectionSize(logical), m_loadedWidths[std::size_t(logical)]));
    }
}

void MainForm::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;

    if (!m_state.OpenAborted) {
        SaveRecordEdits();
        SettingsRecord& s = m_state.Settings;
        s.StartMaximized = isMaximized();
        if (m_loaded) {
            collectGridSettings();
            const QList<int> sizes = m_splitter->sizes();
            if (sizes.size() == 2 && isVisible()) {
                s.ListPaneSize = keptTwips(sizes[0], m_loadedListPane);
                s.FilePaneSize = keptTwips(sizes[1], m_loadedFilePane);
            }
        }
        // Exit always completes; a settings file that cannot be written only
        // loses this run's window layout.
        SettingsFile(m_state).SaveSettings();
        ClearExtractFolder();
    }

    detachList();
    if (m_session->isOpen())
        m_session->CloseLibrary();
    MousePointer::restoreDefault();
    Q_EMIT Unloaded();
}

void MainForm::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void MainForm::ClearExtractFolder()
{
    m_detailTab->setCurrentIndex(0);
    QApplication::processEvents();
    QDir folder(m_state.ExtractFolder);
    if (m_state.ExtractFolder.isEmpty() || !folder.exists())
        return;
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        // A link is removed itself; what it points at is never touched.
        QFile::remove(PathText::join(m_state.ExtractFolder, name));
    }
}

// --- The list and the grid --------------------------------------------------------

void MainForm::detachList()
{
    m_syncingGrid = true;
    m_model->setRecordset(nullptr);
    m_syncingGrid = false;
    showCurrentRecord();
}

void MainForm::attachList()
{
    ListReset();
    afterLibraryChange();
}

void MainForm::afterLibraryChange()
{
    if (m_session->isOpen())
        return;
    // No library is open (both a new one and the previous one were refused).
    setWindowTitle(QStringLiteral("Zentaro ") + m_state.ProgramVersion);
    m_controlStates = AccessRights::ControlStatesFor(QString(), false, false);
    applyFieldLocks();
    m_reLoginButton->setVisible(false);
    SetCountsText(LibrarySession::CountsText(0, 0, 0));
}

void MainForm::selectGridRow(int row)
{
    QItemSelectionModel* selection = m_grid->selectionModel();
    if (row < 0 || row >= m_model->rowCount()) {
        selection->clear();
        return;
    }
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && current.row() == row)
        return; // keeps a selection the user is making
    const int column = current.isValid() ? current.column() : m_grid->horizontalHeader()->logicalIndex(0);
    const QModelIndex index = m_model->index(row, std::max(column, 0));
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_grid->scrollTo(index);
}

void MainForm::GridMain_CurrentRowChanged(int row)
{
    if (m_syncingGrid || row < 0 || !m_session->isOpen())
        return;
    if (m_session->DCMain() && m_session->DCMain()->absolutePosition() == row)
        return;
    SaveRecordEdits();
    m_session->MoveTo(row);
}

void MainForm::GridMain_RowColChange()
{
    const QModelIndex current = m_grid->selectionModel()->currentIndex();
    m_cellPanel->setText(current.isValid() ? current.data(Qt::DisplayRole).toString() : QString());
}

void MainForm::GridMain_SelChange()
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

void MainForm::efbar_Click()
{
    walk(&LibrarySession::MoveFirst);
}

void MainForm::epbar_Click()
{
    walk(&LibrarySession::MovePrevious);
}

void MainForm::enbar_Click()
{
    walk(&LibrarySession::MoveNext);
}

void MainForm::elbar_Click()
{
    walk(&LibrarySession::MoveLast);
}

void MainForm::erbar_Click()
{
    if (!m_session->isOpen())
        return;
    SaveRecordEdits();
    const Status listed = m_session->RequeryList();
    MessageBoxes::showFailure(this, listed, QStringLiteral("ZNT ERROR"));
}

// --- The record pane -----------------------------------------------------------------

void MainForm::showCurrentRecord()
{
    MainRecord record;
    bool shown = false;
    Recordset* list = m_model->recordset() ? m_session->DCMain() : nullptr;
    if (list && list->hasCurrent()) {
        Result<MainRecord> current = list->currentRecord();
        if (current) {
            record = std::move(*current);
            shown = true;
        }
    }
    m_shownId = shown ? record.MainID : 0;
    m_titleBox->setText(record.Title);
    m_authorBox->setText(record.Author);
    m_keywordsBox->setText(record.Keywords);
    m_notesBox->setPlainText(record.Notes);
    m_notesBox->document()->setModified(false);
    for (const FactPanel& fact : m_facts)
        fact.value->setText(shown ? ListModel::displayText(record, fact.field) : QString());
    m_titleBox->setCursorPosition(0);
    m_authorBox->setCursorPosition(0);
    m_keywordsBox->setCursorPosition(0);
}

bool MainForm::SaveRecordEdits()
{
    if (m_shownId == 0 || !m_session->isOpen() || !m_session->database())
        return true;
    QVariantMap values;
    if (m_titleBox->isModified())
        values.insert(QStringLiteral("Title"), m_titleBox->text());
    if (m_authorBox->isModified())
        values.insert(QStringLiteral("Author"), m_authorBox->text());
    if (m_keywordsBox->isModified())
        values.insert(QStringLiteral("Keywords"), m_keywordsBox->text());
    if (m_notesBox->document()->isModified())
        values.insert(QStringLiteral("Notes"), m_notesBox->toPlainText());
    if (values.isEmpty())
        return true;
    m_titleBox->setModified(false);
    m_authorBox->setModified(false);
    m_keywordsBox->setModified(false);
    m_notesBox->document()->setModified(false);
    const Status saved = m_session->database()->updateFields(m_shownId, values);
    m_grid->viewport()->update();
    if (MessageBoxes::showFailure(dialogParent(), saved, QStringLiteral("ZNT ERROR")))
        return false;
    return true;
}

void MainForm::applyFieldLocks()
{
    // A read-only file cannot keep typed changes, so they cannot be typed.
    const bool locked = m_controlStates.DetailFieldsLocked || m_state.LibraryReadOnly;
    m_titleBox->setReadOnly(locked);
    m_authorBox->setReadOnly(locked);
    m_keywordsBox->setReadOnly(locked);
    m_notesBox->setReadOnly(locked);
}

void MainForm::ApplyFieldColors()
{
    const QColor text = colorFromSetting(m_state.Settings.FieldViewForeColor);
    const QColor back = colorFromSetting(m_state.Settings.FieldViewBackColor);
    for (QWidget* box : {static_cast<QWidget*>(m_titleBox), static_cast<QWidget*>(m_authorBox),
                         static_cast<QWidget*>(m_keywordsBox), static_cast<QWidget*>(m_notesBox)})
        setColors(box, text, back);
}

// --- Commands ----------------------------------------------------------------------

void MainForm::OpenLibraryButton_Click()
{
    const QString path = Prompts::chooseLibraryToOpen(this, m_state.Settings.LibraryFolder);
    if (path.isEmpty())
        return;
    SaveRecordEdits();
    // The grid must not read the list while the session swaps it.
    detachList();
    m_session->OpenOtherLibrary(path);
    attachList();
    m_grid->setFocus();
    MousePointer::restoreDefault();
}

void MainForm::ReLoginButton_Click()
{
    if (!m_session->isOpen())
        return;
    const LoginController::LoginResult result = m_session->CheckLogin();
    if (result.outcome == LoginController::Outcome::ConfigUnreadable)
        MessageBoxes::showFailure(this, result.error, QStringLiteral("ZNT ERROR"));
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
        ReLoginButton_Click();
}

void MainForm::fobar_Click()
{
    OpenLibraryButton_Click();
}

void MainForm::embar_Click()
{
    AddMultipleRecordsButton_Click();
}

void MainForm::eevbar_Click()
{
    ViewButton_Click();
}

void MainForm::eedbar_Click()
{
    ExtractToDiskButton_Click();
}

// --- Putting files in and getting them out -------------------------------------------

void MainForm::AddMultipleRecordsButton_Click()
{
    if (!m_session->isOpen())
        return;
    switch (AddFilesBatch::CheckCommand(m_state, m_session->Config())) {
    case AddFilesBatch::Refusal::ReadOnly:
        MessageBoxes::show(this, AddFilesBatch::ReadOnlyNotice(m_state.NewLine));
        return;
    case AddFilesBatch::Refusal::AccessDenied:
        CheckAccess(AccessRights::Command::AddFiles);
        return;
    case AddFilesBatch::Refusal::None:
        break;
    }
    SaveRecordEdits();
    m_detailTab->setCurrentIndex(0);
    ProgramState& state = m_state;
    Prompts::runAddFiles(this, m_state, m_session->database(),
                         [&state] { return SettingsFile(state).SaveSettings(); });
    MessageBoxes::showFailure(this, m_session->RequeryList(), QStringLiteral("ZNT ERROR"));
    m_grid->setFocus();
}

std::optional<MainRecord> MainForm::recordToExtract()
{
    if (!m_session->isOpen() || !m_session->DCMain()->hasCurrent())
        return std::nullopt;
    // The level is tested before anything on screen changes.
    if (!FileExtractor::MayExtract(m_state, m_session->Config())) {
        ShowAccessDenied();
        return std::nullopt;
    }
    SaveRecordEdits();
    Result<MainRecord> record = m_session->DCMain()->currentRecord();
    if (!record) {
        MessageBoxes::showFailure(this, record.status(), FileExtractor::kErrorTitle);
        return std::nullopt;
    }
    return *record;
}

void MainForm::ViewButton_Click()
{
    const std::optional<MainRecord> record = recordToExtract();
    if (!record)
        return;
    m_detailTab->setCurrentIndex(0);
    StopEditDetection();
    TransferProgressHost host(m_state, this);
    FileExtractor extractor(m_state, m_session->database());
    const FileExtractor::OpenResult result =
        extractor.ExtractAndOpen(*record, m_session->Config(), host, Prompts::fileOpener());
    if (result.accessDenied)
        ShowAccessDenied();
    else if (result.outcome.notice)
        MessageBoxes::show(this, *result.outcome.notice);
    // result.startEditDetection: nothing watches extracted files for changes yet.
    m_grid->setFocus();
}

void MainForm::ExtractToDiskButton_Click()
{
    const std::optional<MainRecord> record = recordToExtract();
    if (!record)
        return;
    const std::optional<QString> folder =
        Prompts::pickFolder(this, m_state.Settings.PickFolder, m_state.ProgramFolder());
    if (!folder)
        return;
    m_state.Settings.PickFolder = *folder;
    m_detailTab->setCurrentIndex(0);
    TransferProgressHost host(m_state, this);
    FileExtractor extractor(m_state, m_session->database());
    const TransferOutcome outcome = extractor.ExtractToFolder(*record, *folder, host);
    if (outcome.notice)
        MessageBoxes::show(this, *outcome.notice);
    m_grid->setFocus();
}

void MainForm::GridMain_DblClick()
{
    ViewButton_Click();
}

void MainForm::fxbar_Click()
{
    close();
}

void MainForm::vlbar_Click()
{
    ListOnlyButton_Click();
}

void MainForm::vsbar_Click()
{
    CenterSplitButton_Click();
}

void MainForm::vrbar_Click()
{
    RecordOnlyButton_Click();
}

void MainForm::habar_Click()
{
    Prompts::showAbout(this, m_state.FullVersionText);
    setEnabled(true);
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
    MessageBoxes::show(dialogParent(), notice);
}

void MainForm::ClearPreviewer()
{
    m_detailTab->setCurrentIndex(0);
}

void MainForm::SetCaption(const QString& caption)
{
    setWindowTitle(caption);
}

void MainForm::StopEditDetection()
{
    // Nothing is watched for changes yet.
}

void MainForm::ListReset()
{
    m_syncingGrid = true;
    m_model->setRecordset(m_session->isOpen() ? m_session->DCMain() : nullptr);
    Recordset* list = m_model->recordset();
    selectGridRow(list ? list->absolutePosition() : -1);
    m_syncingGrid = false;
    GridMain_RowColChange();
    showCurrentRecord();
}

void MainForm::CurrentChanged(int position)
{
    if (m_state.SuppressReposition || !m_model->recordset())
        return;
    m_syncingGrid = true;
    selectGridRow(position);
    m_syncingGrid = false;
    showCurrentRecord();
}

int MainForm::SelectedCount() const
{
    if (!m_model->recordset())
        return 0;
    return static_cast<int>(m_grid->selectionModel()->selectedRows().size());
}

void MainForm::SetCountsText(const QString& text)
{
    m_recordCount->setText(text);
}

void MainForm::SetReLoginVisible(bool visible)
{
    m_reLoginButton->setVisible(visible);
}

Result<ConfigRow> MainForm::ReadConfig()
{
    return m_session->ReadConfig();
}

std::optional<LoginAnswer> MainForm::ShowLoginDialog()
{
    return Prompts::askLogin(dialogParent());
}

void MainForm::ShowLoginFailure(const QString& title, const QString& text)
{
    MessageBoxes::exclamation(dialogParent(), title, text);
}

void MainForm::ApplyAccessRights(const ConfigRow& config)
{
    m_controlStates = AccessRights::ControlStatesFor(m_state.AccessLevel, config);
    applyFieldLocks();
}

} // namespace zentaro
