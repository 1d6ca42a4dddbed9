#include "ui/main/CurrentRowDelegate.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QTableView>

namespace zentaro {

CurrentRowDelegate::CurrentRowDelegate(QTableView* grid) : QStyledItemDelegate(grid), m_grid(grid)
{
    // The frame spans the row, so both rows repaint when the current one moves.
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [grid] { grid->viewport()->update(); });
}

void CurrentRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    const QModelIndex current = m_grid->selectionModel()->currentIndex();
    if (!current.isValid() || current.row() != index.row())
        return;
    const QHeaderView* header = m_grid->horizontalHeader();
    const int visual = header->visualIndex(index.column());
    int first = 0;
    while (first < header->count() && header->isSectionHidden(header->logicalIndex(first)))
        ++first;
    int last = header->count() - 1;
    while (last > 0 && header->isSectionHidden(header->logicalIndex(last)))
        --last;

    // In the grid's own text colour, which the user keeps readable on its background.
    painter->save();
    painter->setPen(QPen(option.palette.color(QPalette::Text), 1));
    const QRect r = option.rect.adjusted(0, 0, -1, -1);
    painter->drawLine(r.topLeft(), r.topRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    if (visual == first)
        painter->drawLine(r.topLeft(), r.bottomLeft());
    if (visual == last)
        painter->drawLine(r.topRight(), r.bottomRight());
    painter->restore();
}

} // namespace zentaro
