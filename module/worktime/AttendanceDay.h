// SPDX-License-Identifier: GPL-3.0-or-later
// One day of the attendance sheet, without windows: which employees get a row,
// whether the day has rows already, and the regular and unallocated hours that
// a day's arrivals and departures give. The attendance dialog ("Dodaj dan",
// "Dodaj zaposlenog") and `horlo attendance add` share it.
#pragma once

#include "host/data/Database.h"
#include "module/data/EventTypes.h"
#include "module/reports/WorkingDay.h"

#include <QDate>
#include <QDateTime>
#include <QHash>

#include <optional>
#include <vector>

// The day's minutes come from CountWorkingDay with the sheet's roles
// (TEventRoles::Attendance): arrivals 5 and 15 open, every other type closes.

// A day after today has no events yet: a row stored for it would hold 0 hours
// and stand in the way of the real computation. The refusal naming the day, or
// empty for today and earlier days.
QString FutureDayRefusal(const QDate& day);

// Regular hours are capped at 8 a day; the rest is unallocated.
constexpr int kDailyCapMinutes = 8 * 60;
inline double RegularHours(int minutes) {
    return (minutes < kDailyCapMinutes ? minutes : kDailyCapMinutes) / 60.0;
}
inline double UnallocatedHours(int minutes) {
    return (minutes > kDailyCapMinutes ? minutes - kDailyCapMinutes : 0) / 60.0;
}

// What a sheet row shows of its employee.
struct TAttendanceEmployee {
    qint64 employeeId = 0;
    QString firstName, lastName, code, personalIdentificator, vocation;
    QString startWorkingDate; // "dd.mm.yyyy", empty when unknown
};

class TAttendanceDay {
public:
    TAttendanceDay(TZConnection& connection, TWorkingDayLimits settings)
        : m_connection(connection), m_settings(std::move(settings)) {}

    const TWorkingDayLimits& Settings() const { return m_settings; }
    TZConnection& Connection() const { return m_connection; }

    // Stored rows of the day (of every employee, or of one).
    bool DateHasRows(const QDate& day) const;
    bool EmployeeHasRow(qint64 employeeID, const QDate& day) const;

    // Active employees who started on or before the day, whose employment ends
    // on or after it, or before the first of its month, or never (no end date),
    // and whose working state is none of 7, 8 and 15 (or who have none); by code.
    std::vector<TAttendanceEmployee> EligibleEmployees(const QDate& day) const;
    std::optional<TAttendanceEmployee> Employee(qint64 employeeID) const;

    // Counted minutes of the day per employee, read in one statement (of one
    // employee only when employeeID is given). Employees without events are absent.
    QHash<qint64, int> DayMinutes(const QDate& day, qint64 employeeID = 0) const;

    // What "Dodaj dan" adds, stored at once in one transaction with a history
    // row for each; the number of rows stored, or -1 (nothing stored) when the
    // day has rows already. A day after today throws EConvertError.
    int StoreDay(const QDate& day);

    // After the employee's events of the day changed: the stored row of that
    // day, if there is one, gets the regular and unallocated hours the events
    // give now, with a history row giving the reason. Inside the caller's
    // transaction; true when the row changed.
    bool RecountStoredRow(qint64 employeeID, const QDate& day, const QString& reason);

private:
    std::vector<TAttendanceEmployee> Employees(const QString& condition) const;
    TZConnection& m_connection;
    TWorkingDayLimits m_settings;
};
