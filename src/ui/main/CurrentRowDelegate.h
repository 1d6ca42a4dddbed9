#pragma once

#include <QStyledItemDelegate>

class QTableView;

namespace zentaro {

// Draws the grid's cells and frames the current row: the current record is
// shown without being a selection, as a grid's record pointer shows it.
class CurrentRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit CurrentRowDelegate(QTableView* grid);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QTableView* m_grid;
};

} // namespace zentaro
