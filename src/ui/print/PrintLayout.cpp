#include "ui/print/PrintLayout.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace zentaro {

std::vector<double> PrintLayout::ColumnLeft(const std::vector<double>& gridWidths, int columnCount,
                                            double printableWidth)
{
    const int n = std::clamp(columnCount, 0, static_cast<int>(gridWidths.size()));
    std::vector<double> left(std::size_t(n) + 1, 0.0);
    double total = 0;
    for (int c = 0; c < n; ++c)
        total += std::max(0.0, gridWidths[std::size_t(c)]);
    double sum = 0;
    for (int c = 1; c < n; ++c) {
        sum += std::max(0.0, gridWidths[std::size_t(c - 1)]);
        // Columns all of width 0 share the page equally rather than divide by 0.
        left[std::size_t(c)] = total > 0 ? sum * printableWidth / total : c * printableWidth / n;
    }
    left[std::size_t(n)] = printableWidth;
    return left;
}

std::vector<double> PrintLayout::CellWidths(const std::vector<double>& columnLeft, double gap)
{
    std::vector<double> widths;
    for (std::size_t c = 0; c + 1 < columnLeft.size(); ++c) {
        const double room = columnLeft[c + 1] - columnLeft[c] - (c + 2 < columnLeft.size() ? gap : 0.0);
        widths.push_back(std::max(0.0, room));
    }
    return widths;
}

int PrintLayout::CopiesFromText(const QString& text)
{
    static const QRegularExpression leadingNumber(QStringLiteral("^\\s*([+-]?(\\d+\\.?\\d*|\\.\\d+))"));
    const QRegularExpressionMatch match = leadingNumber.match(text);
    if (!match.hasMatch())
        return 0;
    const double value = match.captured(1).toDouble();
    // More copies than anyone prints would only keep the printer busy for days.
    return static_cast<int>(std::clamp(std::round(value), 0.0, 32767.0));
}

QString PrintLayout::ProgressTitle(int copy, int page)
{
    return QStringLiteral("Copy: %1   Page: %2").arg(copy).arg(page);
}

QString PrintLayout::CopyFileName(const QString& path, int copy)
{
    if (copy <= 1)
        return path;
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    const QString stem = suffix.isEmpty() ? path : path.left(path.size() - suffix.size() - 1);
    return stem + QStringLiteral(" (%1)").arg(copy) + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
}

int PrintLayout::Pages::rowsOnFirstPage() const
{
    if (rowHeight <= 0)
        return 0;
    return std::max(0, static_cast<int>(std::floor((pageHeight - headerHeight) / rowHeight)));
}

int PrintLayout::Pages::rowsPerPage() const
{
    if (rowHeight <= 0)
        return 1;
    // A row taller than the page still gets a page of its own.
    return std::max(1, static_cast<int>(std::floor(pageHeight / rowHeight)));
}

int PrintLayout::Pages::pageOfRow(int row) const
{
    const int first = rowsOnFirstPage();
    if (row < first)
        return 1;
    return 2 + (row - first) / rowsPerPage();
}

double PrintLayout::Pages::rowTop(int row) const
{
    const int first = rowsOnFirstPage();
    if (row < first)
        return headerHeight + row * rowHeight;
    return ((row - first) % rowsPerPage()) * rowHeight;
}

} // namespace zentaro
