#pragma once

#include <QString>

#include <vector>

namespace zentaro {

// The arithmetic of a printed list, in twips, apart from any printer.
class PrintLayout
{
public:
    // Where each printed column starts: N + 1 boundaries, the first 0 and the
    // last the printable width; the columns share the width in proportion to
    // their grid widths. N is clamped to the widths given.
    static std::vector<double> ColumnLeft(const std::vector<double>& gridWidths, int columnCount,
                                          double printableWidth);

    // The room for the text of each column between the boundaries: its width
    // less a gap that keeps it apart from the next column; the last column
    // reaches the last boundary.
    static std::vector<double> CellWidths(const std::vector<double>& columnLeft, double gap);

    // The Copies text as a number of copies: its leading number, rounded;
    // 0 for a text that does not start with a number or for a negative one.
    static int CopiesFromText(const QString& text);

    // The progress window's title, e.g. "Copy: 1   Page: 2".
    static QString ProgressTitle(int copy, int page);

    // Where copy n of a list printed to path goes: copy 1 to path itself,
    // later copies beside it as "name (n).pdf".
    static QString CopyFileName(const QString& path, int copy);

    // One copy's pages: the title, captions and rule take headerHeight at the
    // top of the first page only; every row takes rowHeight; a row that would
    // pass the bottom starts a new page.
    struct Pages
    {
        double pageHeight = 0;
        double headerHeight = 0;
        double rowHeight = 0;

        // The page (1-based) a row (0-based) is printed on.
        int pageOfRow(int row) const;
        // The row's top on its page.
        double rowTop(int row) const;
        int rowsOnFirstPage() const;
        int rowsPerPage() const;
    };
};

} // namespace zentaro
