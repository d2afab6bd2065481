// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ui/GridTable.h"

#include "host/ui/DBGrid.h"

#include <QHeaderView>

std::vector<int> ShownColumns(const TDBGrid& grid) {
    std::vector<int> columns;
    const QHeaderView* header = grid.horizontalHeader();
    for (int visual = 0; visual < grid.ColumnCount(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (column >= 0 && !grid.isColumnHidden(column)) columns.push_back(column);
    }
    return columns;
}

TTextTable GridTable(const TDBGrid& grid) {
    TTextTable table;
    const std::vector<int> columns = ShownColumns(grid);
    for (int column : columns)
        table.header << grid.ColumnTitle(column);
    const int rows = grid.RowCount();
    table.rows.reserve(size_t(rows));
    for (int row = 0; row < rows; ++row) {
        QStringList cells;
        for (int column : columns)
            cells << grid.CellText(row, column);
        table.rows.push_back(cells);
    }
    return table;
}
