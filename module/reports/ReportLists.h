// SPDX-License-Identifier: GPL-3.0-or-later
// The report's five lists as in-memory record sets, the same for the dialog's
// grids and for the command line: their fields, labels and named sort orders
// (field name + "A" or "D"), how they are filled from the computations, and
// the tables written from them (for programs every field by its name, for people
// the grid's columns by their titles).
#pragma once

#include "host/data/ClientDataSet.h"
#include "host/data/ListWriter.h"
#include "module/reports/HoursReport.h"
#include "module/reports/PresenceLists.h"

enum class TPresenceKind { Present, Late, Absent };

void DefinePresenceList(TClientDataSet& list, TPresenceKind kind);
void DefineHoursList(TClientDataSet& list);
void DefineWarningsList(TClientDataSet& list);

// The fields each list's grid shows, in order.
QStringList PresenceColumns(TPresenceKind kind);
QStringList HoursColumns();
QStringList WarningsColumns();

// Each replaces the list's rows, keeping its chosen sort order, and moves to
// the first row; the views are refreshed once at the end.
void FillPresenceList(TClientDataSet& list, const std::vector<TPresentEmployee>& rows);
void FillAbsentList(TClientDataSet& list, const std::vector<TAbsentEmployee>& rows);
// One row appended and posted, as the fills do it.
void AppendHoursRow(TClientDataSet& list, const THoursRow& row);
void AppendWarningRow(TClientDataSet& list, const TWarningRow& row);
void FillHoursList(TClientDataSet& list, const std::vector<THoursRow>& rows);
void FillWarningsList(TClientDataSet& list, const std::vector<TWarningRow>& rows);

// The named orders "FA"/"FD" of a list for field F; none when the list has no
// order for F. A click on a title asks for the next one: ascending unless the
// list is sorted ascending by F already.
QString NextSortOrder(const TClientDataSet& list, const QString& fieldName);

// The three presence lists as one list whose first column says which list a row
// belongs to: for programs `list` (present, late, absent) and every field, for
// people "Lista" (Prisutni, Kasnili, Odsutni) and the grids' columns.
struct TPresenceTable {
    TList list;
    std::vector<TListRow> rows;
};
TPresenceTable PresenceTable(const TDataSet& present, const TDataSet& late, const TDataSet& absent,
                             bool forPeople);
