#include "host/ui/GridTable.h"

#include "host/ui/DBGrid.h"

#include <QHeaderView>

TTextTable GridTable(const TDBGrid& grid) {
    TTextTable table;
    std::vector<int> columns;
    const QHeaderView* header = grid.horizontalHeader();
    for (int visual = 0; visual < grid.ColumnCount(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (column < 0 || grid.isColumnHidden(column)) continue;
        columns.push_back(column);
        table.Header << grid.ColumnTitle(column);
    }
    const int rows = grid.RowCount();
    table.Rows.reserve(size_t(rows));
    for (int row = 0; row < rows; ++row) {
        QStringList cells;
        for (int column : columns)
            cells << grid.CellText(row, column);
        table.Rows.push_back(cells);
    }
    return table;
}
