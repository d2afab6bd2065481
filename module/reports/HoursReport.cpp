#include "module/reports/HoursReport.h"

#include "host/Database.h"
#include "host/SysUtils.h"
#include "module/HorloResourceString.h"

#include <QHash>
#include <QSet>

qint64 OpeningAndClosingType(const std::vector<TEventPair>& pairs) {
    QSet<qint64> opening;
    for (const TEventPair& p : pairs)
        if (p.FromEventTypeID > 0) opening.insert(p.FromEventTypeID);
    for (const TEventPair& p : pairs)
        if (p.ToEventTypeID > 0 && opening.contains(p.ToEventTypeID)) return p.ToEventTypeID;
    return 0;
}

QString EventPairsProblem(const std::vector<TEventPair>& pairs, const std::function<QString(qint64)>& typeName) {
    if (const qint64 both = OpeningAndClosingType(pairs)) return Format(_REPORT_PAIR_BOTH_ERR, {typeName(both)});
    for (const TEventPair& p : pairs)
        if (p.FromEventTypeID > 0 && p.ToEventTypeID > 0) return {};
    return QString::fromUtf8(_REPORT_NO_PAIR_ERR);
}

THoursReport ComputeHoursReport(const std::vector<TReportEvent>& events, const std::vector<TEventPair>& pairs,
                                const TWarningCriteria& criteria, const TWorkingDayLimits& limits) {
    QSet<qint64> opening, closing;
    for (const TEventPair& p : pairs) {
        if (p.FromEventTypeID > 0) opening.insert(p.FromEventTypeID);
        if (p.ToEventTypeID > 0) closing.insert(p.ToEventTypeID);
    }
    QHash<QDate, TWorkingDay> days; // the limits of each date met so far
    auto dayOf = [&](const QDate& date) -> const TWorkingDay& {
        auto it = days.find(date);
        if (it == days.end()) it = days.insert(date, TWorkingDay::On(date, limits));
        return *it;
    };

    THoursReport report;
    const TReportEvent* current = nullptr; // the employee being summed
    int total = 0;
    QDateTime start; // the open interval's counted start; invalid when none is open
    auto emitHours = [&] {
        report.Hours.push_back(
            {current->EmployeeID, current->Lastname, current->Firstname, current->Vocation, total});
    };
    for (const TReportEvent& e : events) {
        if (!current || e.EmployeeID != current->EmployeeID) {
            if (current) emitHours();
            current = &e;
            total = 0;
            start = QDateTime(); // an interval never passes to another employee
        }
        const bool opens = opening.contains(e.TypeID);
        const bool closes = closing.contains(e.TypeID);
        if (!opens && !closes) continue;
        const TWorkingDay& day = dayOf(e.Time.date());
        if (closes) {
            const int minutes = start.isValid() ? WorkedMinutes(start, day.CountedDeparture(e.Time)) : 0;
            total += minutes;
            start = QDateTime();
            if (minutes <= criteria.MinCalcLen || minutes >= criteria.MaxCalcLen)
                report.Warnings.push_back({current->EmployeeID, current->Firstname, current->Lastname,
                                           e.EventID, e.TypeName, e.Time, minutes});
        }
        if (opens) start = day.CountedArrival(e.Time);
    }
    if (current) emitHours();
    return report;
}

std::vector<TReportEvent> ReadReportEvents(TZConnection& connection, const QDate& from, const QDate& to,
                                           const TEmployeeFilter& filter) {
    QString condition;
    if (filter.EmployeeID) condition += QStringLiteral(" AND e.employeeid = %1").arg(filter.EmployeeID);
    if (!filter.Code.isEmpty())
        condition += QStringLiteral(" AND e.code = %1").arg(connection.Quote(filter.Code));
    const TResultSet rs = connection.Select(
        QStringLiteral("SELECT ee.employeeeventid, ee.employeeid, ee.employeeeventtypeid, ee.eventtime, "
                       "e.firstname, e.lastname, e.vocation, eet.name FROM employeeevent AS ee "
                       "INNER JOIN employee AS e ON ee.employeeid = e.employeeid "
                       "INNER JOIN employeeeventtype AS eet ON ee.employeeeventtypeid = "
                       "eet.employeeeventtypeid WHERE ee.eventtime >= '%1 00:00:00' AND ee.eventtime <= "
                       "'%2 23:59:59'%3 ORDER BY e.lastname, e.firstname, e.employeeid, ee.eventtime, "
                       "ee.employeeeventid")
            .arg(SqlDate(from), SqlDate(to), condition));
    std::vector<TReportEvent> events;
    events.reserve(rs.rows.size());
    for (const auto& row : rs.rows) {
        TReportEvent e;
        e.EventID = row[0].toLongLong();
        e.EmployeeID = row[1].toLongLong();
        e.TypeID = row[2].toLongLong();
        const QDateTime t = row[3].toDateTime();
        e.Time = QDateTime(t.date(), t.time(), Qt::UTC);
        e.Firstname = row[4].toString();
        e.Lastname = row[5].toString();
        e.Vocation = row[6].toString();
        e.TypeName = row[7].toString();
        events.push_back(std::move(e));
    }
    return events;
}

THoursReport ReadHoursReport(TZConnection& connection, const QDate& from, const QDate& to,
                             const TEmployeeFilter& filter, const std::vector<TEventPair>& pairs,
                             const TWarningCriteria& criteria, const TWorkingDayLimits& limits) {
    TWorkingDay::On(from, limits); // a setting that is no time fails also when no event needs it
    return ComputeHoursReport(ReadReportEvents(connection, from, to, filter), pairs, criteria, limits);
}
