// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/reports/HoursReport.h"

#include "host/data/Database.h"
#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"

#include <QHash>
#include <QSet>

#include <algorithm>

qint64 OpeningAndClosingType(const std::vector<TEventPair>& pairs) {
    QSet<qint64> opening;
    for (const TEventPair& p : pairs)
        if (p.FromEventTypeID > 0) opening.insert(p.FromEventTypeID);
    for (const TEventPair& p : pairs)
        if (p.ToEventTypeID > 0 && opening.contains(p.ToEventTypeID)) return p.ToEventTypeID;
    return 0;
}

QString EventPairsProblem(const std::vector<TEventPair>& pairs,
                          const std::function<QString(qint64)>& typeName) {
    if (const qint64 both = OpeningAndClosingType(pairs))
        return Format(_REPORT_PAIR_BOTH_ERR, {typeName(both)});
    for (const TEventPair& p : pairs)
        if (p.FromEventTypeID > 0 && p.ToEventTypeID > 0) return {};
    return QString::fromUtf8(_REPORT_NO_PAIR_ERR);
}

QString WarningKindText(TWarningKind kind) {
    switch (kind) {
    case TWarningKind::Short:
        return QStringLiteral("Kraće od minimuma");
    case TWarningKind::Long:
        return QStringLiteral("Duže od maksimuma");
    case TWarningKind::NoArrival:
        return QStringLiteral("Odlazak bez dolaska");
    case TWarningKind::NothingCounted:
        return QStringLiteral("Odlazak ne zatvara dolazak");
    case TWarningKind::NoDeparture:
        break;
    }
    return QStringLiteral("Dolazak bez odlaska");
}

namespace {

TEventRoles RolesOf(const std::vector<TEventPair>& pairs) {
    QSet<qint64> opening, closing;
    for (const TEventPair& p : pairs) {
        if (p.FromEventTypeID > 0) opening.insert(p.FromEventTypeID);
        if (p.ToEventTypeID > 0) closing.insert(p.ToEventTypeID);
    }
    return TEventRoles(opening, closing);
}

} // namespace

THoursWalk::THoursWalk(const std::vector<TEventPair>& pairs, const TWarningCriteria& criteria,
                       const TWorkingDayLimits& limits, THoursTaker onHours, TWarningTaker onWarning)
    : m_roles(RolesOf(pairs)), m_criteria(criteria), m_limits(limits), m_onHours(std::move(onHours)),
      m_onWarning(std::move(onWarning)) {}

const TWorkingDay& THoursWalk::DayOf(const QDate& date) {
    auto it = m_days.find(date);
    if (it == m_days.end()) {
        if (m_days.size() > 4096) m_days.clear(); // a long period holds no more than a while of days
        it = m_days.insert(date, TWorkingDay::On(date, m_limits));
    }
    return *it;
}

void THoursWalk::Take(const TReportEvent& e) {
    if (!m_started || e.employeeId != m_current.employeeId) {
        Finish();
        m_started = true;
        m_current = {e.employeeId, e.lastName, e.firstName, e.vocation, 0};
    }
    if (!m_roles.Opens(e.typeId) && !m_roles.Closes(e.typeId)) return;
    if (!m_day.empty() && m_day.front().time.date() != e.time.date()) CountDay();
    m_day.push_back(e);
}

void THoursWalk::CountDay() {
    if (m_day.empty()) return;
    m_dayEvents.clear();
    for (const TReportEvent& e : m_day)
        m_dayEvents.push_back({e.time, e.typeId});
    const TDayCount count = CountWorkingDay(m_dayEvents, DayOf(m_day.front().time.date()), m_roles);
    m_current.minutes += count.minutes;
    std::vector<TWarningRow> warnings;
    for (const TDayNote& note : count.notes) {
        TWarningKind kind = TWarningKind::NoDeparture;
        switch (note.mark) {
        case TDayMark::Interval:
            if (note.minutes <= m_criteria.MinCalcLen)
                kind = TWarningKind::Short;
            else if (note.minutes >= m_criteria.MaxCalcLen)
                kind = TWarningKind::Long;
            else
                continue;
            break;
        case TDayMark::NoArrival:
            kind = TWarningKind::NoArrival;
            break;
        case TDayMark::NothingCounted:
            kind = TWarningKind::NothingCounted;
            break;
        case TDayMark::NoDeparture:
            break;
        }
        const TReportEvent& e = m_day[note.event];
        warnings.push_back({m_current.employeeId, m_current.firstName, m_current.lastName, e.eventId,
                            e.typeName, e.time, note.minutes, kind});
    }
    m_day.clear();
    if (!m_onWarning) return;
    // in the order of the events (an arrival left open comes where it was made)
    std::stable_sort(warnings.begin(), warnings.end(),
                     [](const TWarningRow& a, const TWarningRow& b) { return a.eventTime < b.eventTime; });
    for (const TWarningRow& w : warnings)
        m_onWarning(w);
}

void THoursWalk::Finish() {
    CountDay();
    if (m_started && m_onHours) m_onHours(m_current);
    m_started = false;
}

THoursReport ComputeHoursReport(const std::vector<TReportEvent>& events, const std::vector<TEventPair>& pairs,
                                const TWarningCriteria& criteria, const TWorkingDayLimits& limits) {
    THoursReport report;
    THoursWalk walk(
        pairs, criteria, limits, [&](const THoursRow& r) { report.hours.push_back(r); },
        [&](const TWarningRow& w) { report.warnings.push_back(w); });
    for (const TReportEvent& e : events)
        walk.Take(e);
    walk.Finish();
    return report;
}

namespace {

QString EventsFromWhere(TZConnection& connection, const QDate& from, const QDate& to,
                        const TEmployeeFilter& filter) {
    QString condition;
    if (filter.employeeId) condition += QStringLiteral(" AND e.employeeid = %1").arg(filter.employeeId);
    if (!filter.code.isEmpty())
        condition += QStringLiteral(" AND e.code = %1").arg(connection.Quote(filter.code));
    return QStringLiteral("FROM employeeevent AS ee "
                          "INNER JOIN employee AS e ON ee.employeeid = e.employeeid "
                          "INNER JOIN employeeeventtype AS eet ON ee.employeeeventtypeid = "
                          "eet.employeeeventtypeid WHERE ee.eventtime >= '%1 00:00:00' AND ee.eventtime <= "
                          "'%2 23:59:59'%3")
        .arg(SqlDate(from), SqlDate(to), condition);
}

} // namespace

void ForEachReportEvent(TZConnection& connection, const QDate& from, const QDate& to,
                        const TEmployeeFilter& filter, const std::function<bool(const TReportEvent&)>& take) {
    TReportEvent e;
    connection.SelectEach(
        QStringLiteral("SELECT ee.employeeeventid, ee.employeeid, ee.employeeeventtypeid, ee.eventtime, "
                       "e.firstname, e.lastname, e.vocation, eet.name ") +
            EventsFromWhere(connection, from, to, filter) + QStringLiteral(" ORDER BY ") +
            SerbianOrder(QStringLiteral("e.lastname")) + QStringLiteral(", ") +
            SerbianOrder(QStringLiteral("e.firstname")) +
            QStringLiteral(", e.employeeid, ee.eventtime, ee.employeeeventid"),
        {}, [&](std::vector<QVariant>& row) {
            e.eventId = row[0].toLongLong();
            e.employeeId = row[1].toLongLong();
            e.typeId = row[2].toLongLong();
            e.time = WallClock(row[3].toDateTime());
            e.firstName = row[4].toString();
            e.lastName = row[5].toString();
            e.vocation = row[6].toString();
            e.typeName = row[7].toString();
            return take(e);
        });
}

std::vector<TReportEvent> ReadReportEvents(TZConnection& connection, const QDate& from, const QDate& to,
                                           const TEmployeeFilter& filter) {
    std::vector<TReportEvent> events;
    ForEachReportEvent(connection, from, to, filter, [&](const TReportEvent& e) {
        events.push_back(e);
        return true;
    });
    return events;
}

qint64 CountReportEvents(TZConnection& connection, const QDate& from, const QDate& to,
                         const TEmployeeFilter& filter) {
    return connection
        .Select(QStringLiteral("SELECT COUNT(*) ") + EventsFromWhere(connection, from, to, filter))
        .rows[0][0]
        .toLongLong();
}

void WalkHoursReport(TZConnection& connection, const QDate& from, const QDate& to,
                     const TEmployeeFilter& filter, const std::vector<TEventPair>& pairs,
                     const TWarningCriteria& criteria, const TWorkingDayLimits& limits,
                     const THoursWalk::THoursTaker& onHours, const THoursWalk::TWarningTaker& onWarning,
                     const std::function<bool(qint64 events)>& progress) {
    TWorkingDay::On(from, limits); // a setting that is no time fails also when no event needs it
    THoursWalk walk(pairs, criteria, limits, onHours, onWarning);
    qint64 walked = 0;
    bool complete = true;
    ForEachReportEvent(connection, from, to, filter, [&](const TReportEvent& e) {
        walk.Take(e);
        ++walked;
        if (progress && (walked == 1 || walked % 2000 == 0) && !progress(walked)) complete = false;
        return complete;
    });
    if (complete) walk.Finish();
}

THoursReport ReadHoursReport(TZConnection& connection, const QDate& from, const QDate& to,
                             const TEmployeeFilter& filter, const std::vector<TEventPair>& pairs,
                             const TWarningCriteria& criteria, const TWorkingDayLimits& limits) {
    THoursReport report;
    WalkHoursReport(
        connection, from, to, filter, pairs, criteria, limits,
        [&](const THoursRow& r) { report.hours.push_back(r); },
        [&](const TWarningRow& w) { report.warnings.push_back(w); });
    return report;
}
