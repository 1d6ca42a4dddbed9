#include "ui/main/ListPane.h"

#include "search/ListModel.h"
#include "store/Recordset.h"
#include "ui/main/CurrentRowDelegate.h"
#include "ui/main/FieldColors.h"
#include "ui/main/TwipsGeometry.h"

#include <QAction>
#include <QCursor>
#include <QScrollBar>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTableView>

#include <algorithm>
#include <cmath>

namespace zentaro {

namespace {

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

bool offersCommand(const QMenu* menu)
{
    if (!menu)
        return false;
    const QList<QAction*> entries = menu->actions();
    return std::any_of(entries.begin(), entries.end(),
                       [](const QAction* a) { return !a->isSeparator() && a->isVisible(); });
}

} // namespace

ListPane::ListPane(double panelGap, QWidget* parent) : QFrame(parent), m_gap(panelGap)
{
    setObjectName(QStringLiteral("ListPanel"));

    m_model = new ListModel(this);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("GridMain"));
    m_grid->setModel(m_model);
    m_grid->setItemDelegate(new CurrentRowDelegate(m_grid));
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setWordWrap(false);
    m_grid->setCornerButtonEnabled(false);
    m_grid->verticalHeader()->setVisible(false);
    // Fixed row heights: the view never measures rows, so a long list costs
    // only the rows on screen.
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView* header = m_grid->horizontalHeader();
    header->setSectionsMovable(true);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(false);
    m_grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_grid->installEventFilter(this);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    // Neither pop-up opens over an empty list.
    connect(m_grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (m_model->rowCount() > 0 && offersCommand(m_rowsMenu))
            m_rowsMenu->popup(m_grid->viewport()->mapToGlobal(at));
    });
    auto headerPopup = [this, header](int column, const QPoint& at) {
        if (m_model->rowCount() == 0 || column < 0)
            return;
        m_headerColumn = column;
        if (offersCommand(m_headerMenu))
            m_headerMenu->popup(header->mapToGlobal(at));
    };
    connect(header, &QWidget::customContextMenuRequested, this,
            [header, headerPopup](const QPoint& at) { headerPopup(header->logicalIndexAt(at), at); });
    connect(header, &QHeaderView::sectionClicked, this, [header, headerPopup](int column) {
        headerPopup(column, header->mapFromGlobal(QCursor::pos()));
    });

    connect(m_grid, &QAbstractItemView::doubleClicked, this, &ListPane::rowActivated);
    QItemSelectionModel* selection = m_grid->selectionModel();
    connect(selection, &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
        if (!m_syncing && current.row() >= 0)
            Q_EMIT currentRowChanged(current.row());
    });
    connect(selection, &QItemSelectionModel::currentChanged, this, &ListPane::showCurrentCell);
    connect(selection, &QItemSelectionModel::selectionChanged, this, &ListPane::selectionChanged);
    connect(m_model, &QAbstractItemModel::modelReset, this, &ListPane::selectionChanged);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &ListPane::showCurrentCell);

    auto makeStatus = [this](const QString& name) {
        auto* label = new QLabel(this);
        label->setObjectName(name);
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setIndent(TwipsGeometry::pixelsX(this, 45));
        label->setTextFormat(Qt::PlainText);
        return label;
    };
    m_cellPanel = makeStatus(QStringLiteral("CellPanel"));
    m_recordCount = makeStatus(QStringLiteral("RecordCountLabel"));

    m_noLibrary = new QLabel(kNoLibraryText, this);
    m_noLibrary->setObjectName(QStringLiteral("NoLibraryLabel"));
    m_noLibrary->setAlignment(Qt::AlignCenter);
    m_noLibrary->setWordWrap(true);
    m_noLibrary->setFrameShape(QFrame::StyledPanel);
    m_noLibrary->setFrameShadow(QFrame::Sunken);
    m_noLibrary->hide();

    const int statusHeight =
        std::max(TwipsGeometry::pixelsY(this, MainLayout::kStatusHeight), fontMetrics().height() + 4);
    m_layout.cellPanel.height = TwipsGeometry::twipsY(this, statusHeight);
    m_layout.recordCount.height = TwipsGeometry::twipsY(this, statusHeight);
}

ListPane::~ListPane()
{
    // The grid must let go of the list before the list goes; nobody is told.
    blockSignals(true);
    m_model->setRecordset(nullptr);
}

void ListPane::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    layoutPane();
}

void ListPane::layoutPane()
{
    m_layout = MainLayout::ListPanelLayout(TwipsGeometry::twipsX(this, width()), TwipsGeometry::twipsY(this, height()),
                                           m_gap, m_layout);
    TwipsGeometry::place(m_grid, m_layout.grid);
    TwipsGeometry::place(m_cellPanel, m_layout.cellPanel);
    TwipsGeometry::place(m_recordCount, m_layout.recordCount);
    m_noLibrary->setGeometry(m_grid->geometry());
}

bool ListPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
            // The view moves by the rows it shows; the grid then moves its
            // current row as it always does.
            const int rowHeight = std::max(1, m_grid->verticalHeader()->defaultSectionSize());
            const int visible = std::max(1, m_grid->viewport()->height() / rowHeight);
            QScrollBar* bar = m_grid->verticalScrollBar();
            bar->setValue(bar->value() + (key == Qt::Key_PageDown ? visible : -visible));
        }
    }
    if (watched == m_grid && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete
        && static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier && m_deleteCommand) {
        if (m_deleteCommand->isEnabled() && m_deleteCommand->isVisible())
            m_deleteCommand->trigger();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

void ListPane::setList(Recordset* list)
{
    m_syncing = true;
    m_model->setRecordset(list);
    showRow(list ? list->absolutePosition() : -1);
    m_syncing = false;
    showCurrentCell();
}

void ListPane::showRow(int row)
{
    const bool wasSyncing = m_syncing;
    m_syncing = true;
    QItemSelectionModel* selection = m_grid->selectionModel();
    if (row < 0 || row >= m_model->rowCount()) {
        selection->clear();
    } else {
        const QModelIndex current = selection->currentIndex();
        if (!current.isValid() || current.row() != row) {
            const int column =
                current.isValid() ? current.column() : m_grid->horizontalHeader()->logicalIndex(0);
            const QModelIndex index = m_model->index(row, std::max(column, 0));
            // The current row is no selection: only rows the user picks are
            // selected, and whatever the user selected stays so.
            selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
            m_grid->scrollTo(index);
        }
    }
    m_syncing = wasSyncing;
}

void ListPane::showCurrentCell()
{
    const QModelIndex current = m_grid->selectionModel()->currentIndex();
    m_cellPanel->setText(current.isValid() ? current.data(ListModel::FullTextRole).toString() : QString());
}

int ListPane::selectedCount() const
{
    if (!m_model->recordset())
        return 0;
    return static_cast<int>(m_grid->selectionModel()->selectedRows().size());
}

void ListPane::setCountsText(const QString& text)
{
    m_recordCount->setText(text);
}

void ListPane::setLibraryOpen(bool open)
{
    m_grid->setVisible(open);
    m_noLibrary->setVisible(!open);
    m_cellPanel->setText(open ? m_cellPanel->text() : QString());
}

void ListPane::setPopupMenus(QMenu* rows, QMenu* header)
{
    m_rowsMenu = rows;
    m_headerMenu = header;
}

void ListPane::setDeleteCommand(QAction* command)
{
    m_deleteCommand = command;
}

void ListPane::applyGridSettings(const SettingsRecord& s)
{
    FieldColors::setTextColors(m_grid, FieldColors::fromSetting(s.GridForeColor),
                               FieldColors::fromSetting(s.GridBackColor));
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
        if (header->logicalIndex(visual) != visual)
            header->moveSection(header->visualIndex(visual), visual);
    }
    m_model->setColumnFields(s.ColumnFields);
    for (int i = 0; i < kGridColumnCount; ++i) {
        m_loadedWidths[std::size_t(i)] = s.ColumnWidths[std::size_t(i)];
        const int width = TwipsGeometry::pixelsX(this, s.ColumnWidths[std::size_t(i)]);
        header->resizeSection(i, std::max(width, header->minimumSectionSize()));
    }
}

void ListPane::collectGridSettings(SettingsRecord& s) const
{
    const QPalette pal = m_grid->palette();
    s.GridForeColor = FieldColors::toSetting(pal.color(QPalette::Text));
    s.GridBackColor = FieldColors::toSetting(pal.color(QPalette::Base));

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
            TwipsGeometry::keptTwips(this, header->sectionSize(logical), m_loadedWidths[std::size_t(logical)]));
    }
}

} // namespace zentaro
