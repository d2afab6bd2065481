// SPDX-License-Identifier: GPL-3.0-or-later
// What a grid shows, as a table for the writers of host/data.
#pragma once

#include "host/data/TableWriter.h"

class TDBGrid;

// Its visible columns in the order they are shown, their titles as the header,
// the cells' display texts.
TTextTable GridTable(const TDBGrid& grid);
// The logical indexes of the visible columns, in the order they are shown.
std::vector<int> ShownColumns(const TDBGrid& grid);
