// SPDX-License-Identifier: GPL-3.0-or-later
// Sorting a grid by a click on a column title: the first click on a column
// sorts its record set by that column from the lowest value up, a second click
// on the same column reverses the order.
#pragma once

#include <QHash>
#include <QMetaObject>

class TDBGrid;

class TGridSorter {
public:
    void AddGrid(TDBGrid* grid);
    void RemoveGrid(TDBGrid* grid);
    bool HasGrid(TDBGrid* grid) const { return m_grids.contains(grid); }
    // What a click on the column's title does.
    static void Sort(TDBGrid* grid, int column);

private:
    QHash<TDBGrid*, QMetaObject::Connection> m_grids;
};

extern TGridSorter GridSorter;
