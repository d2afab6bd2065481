// SPDX-License-Identifier: GPL-3.0-or-later
// How the work calendar sees dates: a month's rows read at once, each date's
// work-day flag, and Monday to Friday where the calendar has no row. The
// attendance period and the report's number of work days count by it.
#pragma once

#include <QDate>
#include <QHash>

#include <vector>

class TZConnection;

// How the work calendar sees one date: its row's flag, or, where the calendar
// has no row for it, Monday to Friday.
struct TCalendarDay {
    bool workDay = false;
    bool fromCalendar = false;
};

// The calendar of one month (at most 31 dates), read in one statement.
class TMonthCalendar {
public:
    TMonthCalendar(TZConnection& connection, int year, int month);
    TCalendarDay Day(const QDate& date) const;

private:
    QHash<QDate, bool> m_workDays;
};

struct TWorkDayCount {
    int days = 0;
    std::vector<QDate> monthsWithoutCalendar; // the first of each month counted Monday to Friday
};

// The work days of from..to, both included (none when from is after to).
TWorkDayCount CountWorkDays(TZConnection& connection, const QDate& from, const QDate& to);
