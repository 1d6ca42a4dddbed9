#pragma once

#include <QString>

namespace zentaro {

// What the "Print List" dialog hands to the printing: PrintTitle,
// PrintCopies, PrintSelectedOnly and PrintColumnCount, and where the pages go.
struct PrintRequest
{
    QString title;
    int copies = 0;
    bool selectedOnly = false;
    int columnCount = 0;
    // The printer by its exact name; empty when the pages go to pdfFile.
    QString printerName;
    QString pdfFile;

    bool toPdf() const { return !pdfFile.isEmpty(); }
};

} // namespace zentaro
