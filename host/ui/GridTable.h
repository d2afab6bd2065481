// SPDX-License-Identifier: GPL-3.0-or-later
// What a grid shows, as a list for the list writer of host/data.
#pragma once

#include "host/data/ListWriter.h"

class TDBGrid;

// The logical indexes of the visible columns, in the order they are shown.
std::vector<int> ShownColumns(const TDBGrid& grid);
// Those columns titled as shown: a field's column typed by the field (as text when
// the field shows its values through a text of its own), a column the form draws
// as the words it stands for.
std::vector<TListColumn> GridColumns(const TDBGrid& grid, const std::vector<int>& columns);
// A row of those columns: each field's value and the text the grid shows.
TListRow GridRow(const TDBGrid& grid, const std::vector<int>& columns, int row);
