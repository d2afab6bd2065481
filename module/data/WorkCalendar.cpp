// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/data/WorkCalendar.h"

#include "host/data/Database.h"

#include <optional>

TMonthCalendar::TMonthCalendar(TZConnection& connection, int year, int month) {
    const QDate first(year, month, 1);
    const TResultSet rs = connection.Select(
        QStringLiteral("SELECT workcalendardate, workday FROM horloworkcalendar WHERE workcalendardate "
                       "BETWEEN '%1' AND '%2'")
            .arg(SqlDate(first), SqlDate(first.addMonths(1).addDays(-1))));
    for (const auto& row : rs.rows)
        m_workDays.insert(row[0].toDate(), row[1].toBool()); // the ENUM arrives as a flag
}

TCalendarDay TMonthCalendar::Day(const QDate& date) const {
    const auto found = m_workDays.constFind(date);
    if (found != m_workDays.constEnd()) return {*found, true};
    return {date.dayOfWeek() < Qt::Saturday, false};
}

TWorkDayCount CountWorkDays(TZConnection& connection, const QDate& from, const QDate& to) {
    TWorkDayCount count;
    std::optional<TMonthCalendar> calendar;
    bool monthFromCalendar = true;
    for (QDate date = from; date.isValid() && date <= to; date = date.addDays(1)) {
        if (!calendar || date.day() == 1) {
            calendar.emplace(connection, date.year(), date.month());
            monthFromCalendar = true;
        }
        const TCalendarDay day = calendar->Day(date);
        if (!day.fromCalendar && monthFromCalendar) {
            monthFromCalendar = false;
            count.monthsWithoutCalendar.push_back(QDate(date.year(), date.month(), 1));
        }
        if (day.workDay) ++count.days;
    }
    return count;
}
