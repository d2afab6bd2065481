// SPDX-License-Identifier: GPL-3.0-or-later
// The attendance sheet without windows: the statement of a view (period,
// employee, kind of hours), adding rows to the sheet, the colour of a row, the
// per-employee summary, and the sheet as a table for the command line.
#pragma once

#include "host/data/ClientDataSet.h"
#include "host/data/ListWriter.h"
#include "host/data/ZQuery.h"
#include "module/worktime/AttendanceDay.h"

// The hour fields in the sheet's column order (nightworkinghours included).
const QStringList& AttendanceHourFields();
// The fifteen hour fields that the colours, filters and summary look at
// (every hour field but nightworkinghours).
const QStringList& AttendanceSummedHourFields();
// The sheet's columns, in the grid's order.
const QStringList& AttendanceSheetColumns();

enum class TAttendanceFilter { None, Absent, Short, Overtime, Vacation, Redistribution, Sick, Unallocated };

struct TAttendanceView {
    QString fromDate, toDate; // "yyyy-mm-dd" as typed
    QString code, lastName, firstName;
    TAttendanceFilter filter = TAttendanceFilter::None;
};

// The condition added after the period: exact code, name prefixes, the filter.
// Typed texts are escaped (the name prefixes also against LIKE wildcards).
QString AttendanceCondition(const TAttendanceView& view, const TZConnection& connection);
// The whole statement of the sheet for a view (period texts must be dates).
QString AttendanceStatement(const TAttendanceView& view, const TZConnection& connection);
// How many rows that statement gives (for a progress display).
qint64 CountSheetRows(TZConnection& connection, const TAttendanceView& view);

// Appends a posted sheet row for the employee and day with the counted minutes
// as regular and unallocated hours; the other categories are 0.
void AppendSheetRow(TDataSet& sheet, const TAttendanceEmployee& employee, const QDate& day, int minutes);
// Whether the sheet holds a row (stored or not) of the employee on the day.
bool SheetHasRow(const TDataSet& sheet, qint64 employeeID, const QDate& day);

// Outcome of adding to the sheet (FutureDay: after today, see FutureDayRefusal).
enum class TAddResult { Added, NotEmpty, Exists, NoEmployee, FutureDay };
// "Dodaj dan": every eligible employee's row for the day, into an empty sheet view.
TAddResult AddDayToSheet(TDataSet& sheet, TAttendanceDay& day, const QDate& date);
// "Dodaj zaposlenog": one employee's row, unless the database or the sheet has one.
TAddResult AddEmployeeToSheet(TDataSet& sheet, TAttendanceDay& day, qint64 employeeID, const QDate& date);

// How a sheet row is marked, by the first rule that holds: redistribution
// hours not 0, unallocated hours above 0, all fifteen categories 0, regular
// hours under 8 and nothing else; None for the default look. The sheet's
// fields must outlive it (they are looked up once, for every cell painted).
enum class TAttendanceMark { None, Redistribution, Unallocated, Empty, Short };

class TAttendanceMarks {
public:
    explicit TAttendanceMarks(const TDataSet& sheet);
    TAttendanceMark Row(int row) const;

private:
    const TDataSet& m_sheet;
    int m_regular, m_redistribution, m_unallocated;
    std::vector<int> m_others; // every summed category but the regular one
};

// The summary list's fields; the sums of the sheet's rows per employee, in the
// order of each employee's first row. An empty start date stays empty.
void DefineAttendanceSummary(TClientDataSet& summary);
void BuildAttendanceSummary(TDataSet& sheet, TClientDataSet& summary);

// The sheet's fields in its column order, looked up once for many rows.
std::vector<const TField*> AttendanceSheetFields(const TDataSet& sheet);
// One row's values, asked for by the sheet's fields.
using TSheetValue = std::function<QVariant(const TField&)>;
// A row of the sheet as the list writer takes it: hours as numbers, dates as dates.
TListRow AttendanceRow(const std::vector<const TField*>& fields, const TSheetValue& value);

// The rows of a view streamed from the database, never held whole: each row's
// values, by the fields of the sheet (open or not), go to take in turn.
void ForEachSheetRow(TZConnection& connection, const TDataSet& sheet, const TAttendanceView& view,
                     const std::function<void(const TSheetValue&)>& take);
