// SPDX-License-Identifier: GPL-3.0-or-later
// Many days of the attendance sheet at once ("Dodaj period", `horlo attendance
// add OD DO`): the work days of a period by the work calendar, each stored as
// one day is (TAttendanceDay::StoreDay, a transaction of its own), days that
// have rows already left as they are.
#pragma once

#include "module/data/WorkCalendar.h"
#include "module/worktime/AttendanceDay.h"

#include <functional>

// What storing a period did.
struct TPeriodResult {
    std::vector<QDate> added;                 // work days stored, in date order
    qint64 addedRows = 0;                     // and the rows they got
    std::vector<QDate> existing;              // work days left alone: they had rows
    qint64 nonWorkDays = 0;                   // days the calendar (or the weekend) leaves out
    std::vector<QDate> monthsWithoutCalendar; // the first of each month whose days the calendar lacks
    // Set when it stopped early: the first day not done, and why (empty: cancelled).
    QDate stoppedAt;
    QString failure;

    bool Complete() const { return !stoppedAt.isValid(); }
};

// Called after each day of the period with the days done so far; false stops
// the work before the next day.
using TPeriodProgress = std::function<bool(qint64 done)>;

// Stores every work day of from..to that has no rows, in date order. A day
// that fails (the database, a working-time setting that is no time) stops the
// work; the days before it stay stored.
TPeriodResult StorePeriod(TAttendanceDay& day, const QDate& from, const QDate& to,
                          const TPeriodProgress& progress = {});

// The summary for people, one line each: the days added with their rows, the
// days skipped for their rows, the non-work days, the months counted Monday to
// Friday, and where and why it stopped. Dates and months in QDate's notation.
QStringList PeriodSummary(const TPeriodResult& result, const QString& dateFormat, const QString& monthFormat);
