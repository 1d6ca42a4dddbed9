#include "ui/print/PrintCommand.h"

#include "library/LibrarySession.h"
#include "search/ListModel.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageBoxes.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

namespace zentaro {

PrintCommand::PrintCommand(ProgramState& state, MainForm& form) : QObject(&form), m_state(state), m_form(form)
{
    setObjectName(QStringLiteral("PrintCommand"));
    form.commands().bind(QStringLiteral("PrintListButton"), this, [this] { printListCommand(); });
}

void PrintCommand::printListCommand()
{
    LibrarySession& session = m_form.session();
    if (!session.isOpen() || session.ListedCount() == 0) {
        MessageBoxes::show(&m_form, MessageIcon::Critical, kNothingTitle, kNothingText);
        return;
    }
    // Printing moves the current record; typed changes are kept first.
    if (!m_form.SaveRecordEdits())
        return;
    const std::optional<PrintRequest> request =
        PrintListForm::ask(&m_form, m_state, m_form.SelectedCount() > 0, m_seams);
    QCoreApplication::processEvents();
    if (!request)
        return;
    m_form.showOutcome({print(*request), std::nullopt}, QStringLiteral("ZNT ERROR"));
    m_form.gridMain()->setFocus();
}

Status PrintCommand::print(const PrintRequest& request)
{
    m_printer = std::make_unique<ListPrinter>(m_state, m_form.listPane(), &m_form);
    m_printer->setRowObserver(m_observer);
    const Status printed = m_printer->PrintList(request);
    showFirstRecord();
    return printed;
}

void PrintCommand::showFirstRecord()
{
    m_form.session().MoveFirst();
    QTableView* grid = m_form.gridMain();
    const ListModel* model = m_form.listModel();
    if (model->rowCount() == 0)
        return;
    const QModelIndex current = grid->selectionModel()->currentIndex();
    const int row = current.isValid() ? current.row() : 0;
    const QModelIndex first = model->index(row, grid->horizontalHeader()->logicalIndex(0));
    grid->selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
}

} // namespace zentaro
