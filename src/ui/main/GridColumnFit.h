#pragma once

class QTableView;

namespace zentaro {

class ListModel;

// Keeps the list grid's fixed-form columns (sizes, dates, the file type)
// wide enough for their values in the grid's font.
class GridColumnFit
{
public:
    // Widens each such column that would cut a typical value in the grid's
    // present font; never narrows one. Free-text columns stay as they are.
    static void widenToFont(QTableView* grid, const ListModel& model);
};

} // namespace zentaro
