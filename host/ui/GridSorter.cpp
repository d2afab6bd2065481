// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ui/GridSorter.h"

#include "host/ui/DBGrid.h"
#include "host/ui/Dialogs.h"

TGridSorter GridSorter;

void TGridSorter::AddGrid(TDBGrid* grid) {
    if (!grid || m_grids.contains(grid)) return;
    m_grids.insert(grid, QObject::connect(grid, &TDBGrid::TitleClicked, grid,
                                          [grid](int column) { Guarded([&] { Sort(grid, column); }); }));
    QObject::connect(grid, &QObject::destroyed, [this, grid] { m_grids.remove(grid); });
}

void TGridSorter::RemoveGrid(TDBGrid* grid) {
    const auto it = m_grids.find(grid);
    if (it == m_grids.end()) return;
    QObject::disconnect(*it);
    m_grids.erase(it);
}

void TGridSorter::Sort(TDBGrid* grid, int column) {
    TDataSet* ds = grid->DataSet();
    const TField* field = grid->ColumnField(column);
    if (!ds || !ds->Active() || !field) return;
    const Qt::SortOrder order =
        grid->SortIndicatorColumn() == column && grid->SortIndicatorOrder() == Qt::AscendingOrder
            ? Qt::DescendingOrder
            : Qt::AscendingOrder;
    ds->SetSortedFields(field->FieldName() +
                        (order == Qt::AscendingOrder ? QStringLiteral(" ASC") : QStringLiteral(" DESC")));
    grid->SetSortIndicator(column, order);
}
