#include "ui/main/GridColumnFit.h"

#include "search/ListModel.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>

namespace zentaro {

namespace {

int widthFor(const QTableView* grid, const QString& text)
{
    // As the item delegate lays a cell out: the text, a margin either side,
    // and the grid line.
    const int margin = grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1;
    return QFontMetrics(grid->font()).horizontalAdvance(text) + 2 * margin + (grid->showGrid() ? 1 : 0) + 2;
}

} // namespace

void GridColumnFit::widenToFont(QTableView* grid, const ListModel& model)
{
    QHeaderView* header = grid->horizontalHeader();
    for (int column = 0; column < model.columnCount(); ++column) {
        const QString sample = ListModel::sampleText(model.columnField(column));
        if (sample.isEmpty())
            continue;
        const int wanted = widthFor(grid, sample);
        if (header->sectionSize(column) < wanted)
            header->resizeSection(column, wanted);
    }
}

} // namespace zentaro
