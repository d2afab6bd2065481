// SPDX-License-Identifier: GPL-3.0-or-later
// Worked time per employee over a period and the intervals that look wrong.
// Pairs of event types say which events open an interval and which close it;
// arrival and departure times are clamped to the working day of their own
// date. The report dialog and `horlo report hours|warnings` share it.
#pragma once

#include "module/reports/WorkingDay.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <functional>

#include <vector>

class TZConnection;

struct TEventPair {
    qint64 FromEventTypeID = 0; // opens an interval
    qint64 ToEventTypeID = 0;   // closes it: the inverse of the opening type
};

// An interval of at most MinCalcLen or at least MaxCalcLen minutes is a warning.
struct TWarningCriteria {
    int MinCalcLen = 360;
    int MaxCalcLen = 600;
};

// One event of the walk, in the order last name, first name, employee, time.
struct TReportEvent {
    qint64 eventId = 0;
    qint64 employeeId = 0;
    QString firstName, lastName, vocation;
    qint64 typeId = 0;
    QString typeName;
    QDateTime time;
};

struct THoursRow {
    qint64 employeeId = 0;
    QString lastName, firstName, vocation;
    int minutes = 0;
    int TotHours() const { return minutes / 60; }
    int TotMinutes() const { return minutes % 60; }
};

// Why an event is a warning.
enum class TWarningKind {
    Short,          // an interval of at most MinCalcLen minutes
    Long,           // an interval of at least MaxCalcLen minutes
    NoArrival,      // a departure while no arrival was open
    NothingCounted, // a departure that counted no whole minute and left the arrival open
    NoDeparture,    // an arrival that no departure closed on its day
};
QString WarningKindText(TWarningKind kind);

struct TWarningRow {
    qint64 employeeId = 0;
    QString firstName, lastName;
    qint64 eventId = 0;
    QString eventType;
    QDateTime eventTime; // the closing event, or the arrival left open
    int minutes = 0;     // the interval's; 0 for the other kinds
    TWarningKind kind = TWarningKind::Short;
    int LengthH() const { return minutes / 60; }
    int LengthM() const { return minutes % 60; }
};

struct THoursReport {
    std::vector<THoursRow> hours; // one row per employee with events in the period
    std::vector<TWarningRow> warnings;
};

// Why these pairs cannot count hours, in the user's words; empty when they can.
// Some pair must open and close an interval, and no type may do both (pairs
// 5->10 and 10->5 would count a lunch break as work). typeName names a type.
// A type that opens one pair's interval and closes another's; 0 when none does.
qint64 OpeningAndClosingType(const std::vector<TEventPair>& pairs);
QString EventPairsProblem(const std::vector<TEventPair>& pairs,
                          const std::function<QString(qint64)>& typeName);

// Walks events of the period in report order and counts each employee's days
// with the attendance sheet's computation (CountWorkingDay), the pairs' opening
// types as arrivals and their closing types as departures; types in no pair are
// left out. Warnings: intervals too short or too long, departures with no
// arrival open or that counted nothing, arrivals open at the end of their day.
// Events are taken one at a time, so that a period of any length needs only
// the current employee's day. Throws EConvertError when a working-day limit is
// no time.
class THoursWalk {
public:
    using THoursTaker = std::function<void(const THoursRow&)>;
    using TWarningTaker = std::function<void(const TWarningRow&)>;
    THoursWalk(const std::vector<TEventPair>& pairs, const TWarningCriteria& criteria,
               const TWorkingDayLimits& limits, THoursTaker onHours, TWarningTaker onWarning);
    void Take(const TReportEvent& e);
    void Finish(); // the last employee's row

private:
    const TWorkingDay& DayOf(const QDate& date);
    void CountDay(); // the events of the day taken so far

    TEventRoles m_roles;
    TWarningCriteria m_criteria;
    TWorkingDayLimits m_limits;
    THoursTaker m_onHours;
    TWarningTaker m_onWarning;
    QHash<QDate, TWorkingDay> m_days; // the limits of each date met so far
    bool m_started = false;
    THoursRow m_current;                // the employee being summed
    std::vector<TReportEvent> m_day;    // the employee's events of one date
    std::vector<TDayEvent> m_dayEvents; // the same for the computation
};

THoursReport ComputeHoursReport(const std::vector<TReportEvent>& events, const std::vector<TEventPair>& pairs,
                                const TWarningCriteria& criteria, const TWorkingDayLimits& limits);

// Which employees: all, one by identifier, or those with a code.
struct TEmployeeFilter {
    qint64 employeeId = 0;
    QString code;
};

// The events of the days from..to (whole days) of employees that exist, with
// the names of their types, in report order: each handed to take as the
// server sends it; take returns false to stop.
void ForEachReportEvent(TZConnection& connection, const QDate& from, const QDate& to,
                        const TEmployeeFilter& filter, const std::function<bool(const TReportEvent&)>& take);
std::vector<TReportEvent> ReadReportEvents(TZConnection& connection, const QDate& from, const QDate& to,
                                           const TEmployeeFilter& filter = TEmployeeFilter());
// How many events ForEachReportEvent hands over (for a progress display).
qint64 CountReportEvents(TZConnection& connection, const QDate& from, const QDate& to,
                         const TEmployeeFilter& filter);

// The report streamed from the database: hour rows and warnings go to their
// takers as they are found. progress gets the number of events walked (at the
// first and every 2000th) and returns false to stop: the last employee's row
// is then not given.
void WalkHoursReport(TZConnection& connection, const QDate& from, const QDate& to,
                     const TEmployeeFilter& filter, const std::vector<TEventPair>& pairs,
                     const TWarningCriteria& criteria, const TWorkingDayLimits& limits,
                     const THoursWalk::THoursTaker& onHours, const THoursWalk::TWarningTaker& onWarning,
                     const std::function<bool(qint64 events)>& progress = {});
THoursReport ReadHoursReport(TZConnection& connection, const QDate& from, const QDate& to,
                             const TEmployeeFilter& filter, const std::vector<TEventPair>& pairs,
                             const TWarningCriteria& criteria, const TWorkingDayLimits& limits);
