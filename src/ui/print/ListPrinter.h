#pragma once

#include "core/Status.h"
#include "ui/common/MGCForm.h"
#include "ui/print/PrintRequest.h"

#include <QFont>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <vector>

class QPrinter;
class QWidget;

namespace zentaro {

class ListPane;
class ProgramState;

// PrintList: the current list as the grid shows it, onto a printer or into
// a PDF file, one job per copy, with the progress window and its Cancel.
// Rows are read through the grid's model of the list (never file bytes).
// Each copy is laid out in full before its job starts, so a Cancel leaves
// nothing of the copy in progress on any printer.
class ListPrinter
{
public:
    // Called after the progress of each row was shown, before Cancel is looked at.
    using RowObserver = std::function<void(int copy, int row)>;

    // progressParent: the window the progress window stands over.
    ListPrinter(ProgramState& state, ListPane& list, QWidget* progressParent);
    ~ListPrinter();
    ListPrinter(const ListPrinter&) = delete;
    ListPrinter& operator=(const ListPrinter&) = delete;

    // Prints the request: the selected rows (in list order) or all of them.
    // Cancelled when the user pressed Cancel; the copies finished before stay.
    Status PrintList(const PrintRequest& request);

    void setRowObserver(RowObserver observer) { m_observer = std::move(observer); }
    // The progress window while PrintList runs.
    MGCForm* progressWindow() const { return m_progress; }
    // The jobs (copies) that were completed by the last PrintList, and the
    // PDF files among them.
    int jobsPrinted() const { return m_jobs; }
    const QStringList& filesWritten() const { return m_files; }

    // The fixed title font.
    static QFont titleFont();

private:
    struct Column
    {
        int logical = 0;
        QString caption;
        bool notes = false;
    };

    Status printCopy(const PrintRequest& request, int copy, const std::vector<int>& rows);
    std::vector<int> rowsToPrint(bool selectedOnly) const;
    void collectColumns(int count);
    void configure(QPrinter& printer, const PrintRequest& request, const QString& file) const;

    ProgramState& m_state;
    ListPane& m_list;
    QWidget* m_parent;
    QPointer<MGCForm> m_progress;
    RowObserver m_observer;
    std::vector<Column> m_columns;
    std::vector<double> m_widths; // twips, in the order the grid shows them
    int m_jobs = 0;
    QStringList m_files;
};

} // namespace zentaro
