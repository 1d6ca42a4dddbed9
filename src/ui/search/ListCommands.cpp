#include "ui/search/ListCommands.h"

#include "core/ProgramState.h"
#include "library/LibrarySession.h"
#include "search/ListModel.h"
#include "ui/common/MessageBoxes.h"
#include "ui/main/CommandContext.h"
#include "ui/main/CommandIds.h"
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

ListCommands::ListCommands(ProgramState& state, CommandContext& context)
    : QObject(context.mainWidget()), m_state(state), m_context(context)
{
    CommandRegistry& c = context.commands();
    c.bind(CommandIds::kFilterButton, this, [this] { showFilter(); });
    c.bind(CommandIds::kListAllButton, this, [this] { listAll(); });
    c.bind(CommandIds::kListActionButton, this, [this] {
        QToolButton* button =
            m_context.mainWidget()->findChild<QToolButton*>(CommandIds::kListActionButton);
        showListActions(button && button->isVisible() ? button->mapToGlobal(QPoint(0, button->height()))
                                                      : QCursor::pos());
    });
    for (int i = 0; i < 9; ++i) {
        const QString name = CommandIds::popSort(i);
        QAction* entry = c.action(name);
        c.bind(name, this, [this, entry] { sortBy(entry->text()); });
    }
    c.bind(CommandIds::kSortAscendingbar, this, [this] { sortHeaderColumn(false); });
    c.bind(CommandIds::kSortDescendingbar, this, [this] { sortHeaderColumn(true); });
    for (int i = 0; i < 10; ++i) {
        const QString name = CommandIds::changeFieldbar(i);
        QAction* entry = c.action(name);
        c.bind(name, this, [this, entry] { changeHeaderColumnField(entry->text()); });
    }
    // The bulk extract and delete entries belong to the pop-up from the
    // start; they stay disabled until their work is bound.
    for (const char* name :
         {CommandIds::kMenuExtractSelectedFilestoExtractFolder,
          CommandIds::kMenuExtractSelectedFilestoDisk,
          CommandIds::kMenuExtractListedFilestoExtractFolder,
          CommandIds::kMenuExtractListedFilestoDisk, CommandIds::kMenuDeleteCurrentFile,
          CommandIds::kMenuDeleteSelectedFiles, CommandIds::kMenuDeleteListedFiles})
        c.showUnbound(QString::fromLatin1(name));
}

void ListCommands::focusGrid()
{
    m_context.focusList();
}

bool ListCommands::requery(const QString& where, const QString& order)
{
    const QString previousWhere = m_state.QueryWhere;
    const QString previousOrder = m_state.QueryOrder;
    m_state.QueryWhere = where;
    m_state.QueryOrder = order;
    const Status run = m_context.session().RequeryList();
    if (run.ok())
        return true;
    m_state.QueryWhere = previousWhere;
    m_state.QueryOrder = previousOrder;
    m_context.showOutcome(Outcome{run, std::nullopt}, tr("ZNT ERROR"));
    return false;
}

void ListCommands::showFilter()
{
    if (!m_context.session().isOpen())
        return;
    m_context.SaveRecordEdits();
    m_context.recordPane().showDetailsPage();
    const std::optional<QString> where =
        FilterForm::run(m_context.mainWidget(), m_state.QueryWhere);
    // Run again whichever way the dialog closed.
    requery(where.value_or(m_state.QueryWhere), m_state.QueryOrder);
    focusGrid();
}

void ListCommands::listAll()
{
    if (!m_context.session().isOpen())
        return;
    m_context.SaveRecordEdits();
    m_context.recordPane().showDetailsPage();
    requery(QString(), m_state.QueryOrder);
    focusGrid();
}

void ListCommands::sortBy(const QString& field)
{
    if (!m_context.session().isOpen())
        return;
    m_context.SaveRecordEdits();
    requery(m_state.QueryWhere, QStringLiteral("ORDER BY ") + field);
    focusGrid();
}

void ListCommands::sortHeaderColumn(bool descending)
{
    if (!m_context.session().isOpen())
        return;
    const QString field =
        m_context.listPane().model()->columnField(m_context.listPane().headerColumn());
    if (field.compare(QLatin1String("Notes"), Qt::CaseInsensitive) == 0) {
        MessageBoxes::information(m_context.mainWidget(), tr("For Your Info..."),
                                  tr("Can't sort by the 'Notes' Field...") + m_state.NewLine +
                                      m_state.NewLine + tr("It is too large."));
        return;
    }
    m_context.SaveRecordEdits();
    QScrollBar* across = m_context.listPane().grid()->horizontalScrollBar();
    const int kept = across->value();
    QString order = QStringLiteral("ORDER BY [") + field + QStringLiteral("]");
    if (descending)
        order += QStringLiteral(" DESC");
    requery(m_state.QueryWhere, order);
    across->setValue(kept);
}

void ListCommands::changeHeaderColumnField(const QString& field)
{
    if (!m_context.session().isOpen())
        return;
    m_context.SaveRecordEdits();
    QScrollBar* across = m_context.listPane().grid()->horizontalScrollBar();
    const int kept = across->value();
    m_context.listPane().model()->setColumnField(m_context.listPane().headerColumn(), field);
    requery(m_state.QueryWhere, m_state.QueryOrder);
    across->setValue(kept);
}

void ListCommands::showListActions(const QPoint& at)
{
    if (QMenu* menu = m_context.commands().menu(CommandIds::kPbar))
        menu->popup(at);
}

} // namespace zentaro
