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

std::vector<TListColumn> GridColumns(const TDBGrid& grid, const std::vector<int>& columns) {
    std::vector<TListColumn> list;
    for (int column : columns) {
        const TField* f = grid.ColumnField(column);
        const QString title = grid.ColumnTitle(column);
        list.push_back({f ? f->FieldName() : title, title,
                        f && !f->OnGetText ? CellTypeOf(f->DataType()) : TCellType::Text});
    }
    return list;
}

TListRow GridRow(const TDBGrid& grid, const std::vector<int>& columns, int row) {
    TListRow cells;
    cells.reserve(columns.size());
    for (int column : columns) {
        const TField* f = grid.ColumnField(column);
        const QString shown = grid.CellText(row, column);
        cells.emplace_back(f && !f->OnGetText ? grid.DataSet()->RowValue(row, f->Index()) : QVariant(shown),
                           shown);
    }
    return cells;
}
