#include "ui/print/PrintCommand.h"

#include "library/LibrarySession.h"
#include "search/ListModel.h"
#include "ui/common/MessageBoxes.h"
#include "ui/main/CommandContext.h"
#include "ui/main/CommandIds.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/ListPane.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

namespace zentaro {

PrintCommand::PrintCommand(ProgramState& state, CommandContext& context)
    : QObject(context.mainWidget()), m_state(state), m_context(context)
{
    setObjectName(QStringLiteral("PrintCommand"));
    context.commands().bind(CommandIds::kPrintListButton, this, [this] { printListCommand(); });
}

void PrintCommand::printListCommand()
{
    LibrarySession& session = m_context.session();
    if (!session.isOpen() || session.ListedCount() == 0) {
        MessageBoxes::show(m_context.mainWidget(), MessageIcon::Critical, tr("Error"),
                           tr("Nothing to Print"));
        return;
    }
    // Printing moves the current record; typed changes are kept first.
    if (!m_context.SaveRecordEdits())
        return;
    const std::optional<PrintRequest> request = PrintListForm::ask(
        m_context.mainWidget(), m_state, m_context.listPane().selectedCount() > 0, m_seams);
    QCoreApplication::processEvents();
    if (!request)
        return;
    m_context.showOutcome({print(*request), std::nullopt}, tr("ZNT ERROR"));
    m_context.focusList();
}

Status PrintCommand::print(const PrintRequest& request)
{
    m_printer =
        std::make_unique<ListPrinter>(m_state, m_context.listPane(), m_context.mainWidget());
    m_printer->setRowObserver(m_observer);
    const Status printed = m_printer->PrintList(request);
    showFirstRecord();
    return printed;
}

void PrintCommand::showFirstRecord()
{
    m_context.session().MoveFirst();
    QTableView* grid = m_context.listPane().grid();
    const ListModel* model = m_context.listPane().model();
    if (model->rowCount() == 0)
        return;
    const QModelIndex current = grid->selectionModel()->currentIndex();
    const int row = current.isValid() ? current.row() : 0;
    const QModelIndex first = model->index(row, grid->horizontalHeader()->logicalIndex(0));
    grid->selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
}

} // namespace zentaro
