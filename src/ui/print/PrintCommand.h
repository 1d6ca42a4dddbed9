#pragma once

#include "core/Status.h"
#include "ui/print/ListPrinter.h"
#include "ui/print/PrintListForm.h"
#include "ui/print/PrintRequest.h"

#include <QObject>

#include <functional>
#include <optional>

namespace zentaro {

class CommandContext;
class ProgramState;

// "Print List" (PrintListButton): refuses an empty list, asks with the
// dialog, prints, and leaves the first record and the first column current.
class PrintCommand : public QObject
{
    Q_OBJECT

public:
    // Binds PrintListButton of the form's commands.
    PrintCommand(ProgramState& state, CommandContext& context);

    void printListCommand();
    // The printing after the dialog said Print.
    Status print(const PrintRequest& request);

    // What the dialog is given (tests answer its own dialogs through it).
    void setFormSeams(PrintListForm::Seams seams) { m_seams = std::move(seams); }
    void setRowObserver(ListPrinter::RowObserver observer) { m_observer = std::move(observer); }
    // The printing of the last request, while it runs and after.
    const ListPrinter* lastPrinter() const { return m_printer.get(); }

private:
    void showFirstRecord();

    ProgramState& m_state;
    CommandContext& m_context;
    PrintListForm::Seams m_seams;
    ListPrinter::RowObserver m_observer;
    std::unique_ptr<ListPrinter> m_printer;
};

} // namespace zentaro
