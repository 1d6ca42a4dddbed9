#include "ui/search/ListCommands.h"

#include "core/ProgramState.h"
#include "library/LibrarySession.h"
#include "search/ListModel.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageBoxes.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/ListPane.h"
#include "ui/main/RecordPane.h"
#include "ui/search/FilterForm.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QScrollBar>
#include <QTableView>
#include <QToolButton>

namespace zentaro {

ListCommands::ListCommands(ProgramState& state, MainForm& form) : QObject(&form), m_state(state), m_form(form)
{
    CommandRegistry& c = form.commands();
    c.bind(QStringLiteral("FilterButton"), this, [this] { showFilter(); });
    c.bind(QStringLiteral("ListAllButton"), this, [this] { listAll(); });
    c.bind(QStringLiteral("ListActionButton"), this, [this] {
        QToolButton* button = m_form.findChild<QToolButton*>(QStringLiteral("ListActionButton"));
        showListActions(button && button->isVisible() ? button->mapToGlobal(QPoint(0, button->height()))
                                                      : QCursor::pos());
    });
    for (int i = 0; i < 9; ++i) {
        const QString name = QStringLiteral("PopSort%1").arg(i);
        QAction* entry = c.action(name);
        c.bind(name, this, [this, entry] { sortBy(entry->text()); });
    }
    c.bind(QStringLiteral("SortAscendingbar"), this, [this] { sortHeaderColumn(false); });
    c.bind(QStringLiteral("SortDescendingbar"), this, [this] { sortHeaderColumn(true); });
    for (int i = 0; i < 10; ++i) {
        const QString name = QStringLiteral("ChangeFieldbar%1").arg(i);
        QAction* entry = c.action(name);
        c.bind(name, this, [this, entry] { changeHeaderColumnField(entry->text()); });
    }
    // The bulk extract and delete entries belong to the pop-up from the
    // start; they stay disabled until their work is bound.
    for (const char* name :
         {"menuExtractSelectedFilestoExtractFolder", "menuExtractSelectedFilestoDisk",
          "menuExtractListedFilestoExtractFolder", "menuExtractListedFilestoDisk", "menuDeleteCurrentFile",
          "menuDeleteSelectedFiles", "menuDeleteListedFiles"})
        c.showUnbound(QString::fromLatin1(name));
}

void ListCommands::focusGrid()
{
    m_form.gridMain()->setFocus();
}

bool ListCommands::requery(const QString& where, const QString& order)
{
    const QString previousWhere = m_state.QueryWhere;
    const QString previousOrder = m_state.QueryOrder;
    m_state.QueryWhere = where;
    m_state.QueryOrder = order;
    const Status run = m_form.session().RequeryList();
    if (run.ok())
        return true;
    m_state.QueryWhere = previousWhere;
    m_state.QueryOrder = previousOrder;
    m_form.showOutcome(Outcome{run, std::nullopt}, QStringLiteral("ZNT ERROR"));
    return false;
}

void ListCommands::showFilter()
{
    if (!m_form.session().isOpen())
        return;
    m_form.SaveRecordEdits();
    m_form.recordPane().showDetailsPage();
    const std::optional<QString> where = FilterForm::run(&m_form, m_state.QueryWhere);
    // Run again whichever way the dialog closed.
    requery(where.value_or(m_state.QueryWhere), m_state.QueryOrder);
    focusGrid();
}

void ListCommands::listAll()
{
    if (!m_form.session().isOpen())
        return;
    m_form.SaveRecordEdits();
    m_form.recordPane().showDetailsPage();
    requery(QString(), m_state.QueryOrder);
    focusGrid();
}

void ListCommands::sortBy(const QString& field)
{
    if (!m_form.session().isOpen())
        return;
    m_form.SaveRecordEdits();
    requery(m_state.QueryWhere, QStringLiteral("ORDER BY ") + field);
    focusGrid();
}

void ListCommands::sortHeaderColumn(bool descending)
{
    if (!m_form.session().isOpen())
        return;
    const QString field = m_form.listModel()->columnField(m_form.listPane().headerColumn());
    if (field.compare(QLatin1String("Notes"), Qt::CaseInsensitive) == 0) {
        MessageBoxes::information(&m_form, kNotesTitle,
                                  QStringLiteral("Can't sort by the 'Notes' Field...") + m_state.NewLine +
                                      m_state.NewLine + QStringLiteral("It is too large."));
        return;
    }
    m_form.SaveRecordEdits();
    QScrollBar* across = m_form.gridMain()->horizontalScrollBar();
    const int kept = across->value();
    QString order = QStringLiteral("ORDER BY [") + field + QStringLiteral("]");
    if (descending)
        order += QStringLiteral(" DESC");
    requery(m_state.QueryWhere, order);
    across->setValue(kept);
}

void ListCommands::changeHeaderColumnField(const QString& field)
{
    if (!m_form.session().isOpen())
        return;
    m_form.SaveRecordEdits();
    QScrollBar* across = m_form.gridMain()->horizontalScrollBar();
    const int kept = across->value();
    m_form.listModel()->setColumnField(m_form.listPane().headerColumn(), field);
    requery(m_state.QueryWhere, m_state.QueryOrder);
    across->setValue(kept);
}

void ListCommands::showListActions(const QPoint& at)
{
    if (QMenu* menu = m_form.commands().menu(QStringLiteral("Pbar")))
        menu->popup(at);
}

} // namespace zentaro
