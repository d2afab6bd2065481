// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/worktime/HandEvents.h"

#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/data/ChangeHistory.h"
#include "module/worktime/AttendanceDay.h"

#include <optional>

namespace {

using TStatus = THandEventOutcome::TStatus;

THandEventOutcome Refused(TStatus status, const QString& message) {
    return {status, 0, message};
}

QString ReasonProblem(const QString& reason) {
    const QString trimmed = reason.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > kHandEventReasonLength)
        return Format(_HAND_EVENT_REASON_ERR, {kHandEventReasonLength});
    return {};
}

// What the input lacks, or empty.
QString InputProblem(TZConnection& connection, const THandEvent& event, const QString& reason) {
    if (const QString problem = ReasonProblem(reason); !problem.isEmpty()) return problem;
    if (event.employeeId <= 0 ||
        connection
            .Select(
                QStringLiteral("SELECT employeeid FROM employee WHERE employeeid = %1").arg(event.employeeId))
            .rows.empty())
        return QString::fromUtf8(_HAND_EVENT_NO_EMPLOYEE_ERR);
    if (connection
            .Select(QStringLiteral(
                        "SELECT employeeeventtypeid FROM employeeeventtype WHERE employeeeventtypeid = %1")
                        .arg(event.typeId))
            .rows.empty())
        return Format(_HAND_EVENT_NO_TYPE_ERR, {event.typeId});
    if (!event.time.isValid() || event.time > Now())
        return Format(_HAND_EVENT_FUTURE_ERR,
                      {FormatDateTime(QStringLiteral("dd.mm.yyyy hh:nn:ss"), event.time)});
    return {};
}

struct TStoredEvent {
    THandEvent event;
    QString comment;
    bool byHand = false;
};

// The event, locked for the change; none when there is no such event.
std::optional<TStoredEvent> LockEvent(TZConnection& connection, qint64 eventId) {
    const TResultSet rs = connection.Select(
        QStringLiteral(
            "SELECT IFNULL(ee.employeeid, 0), ee.eventtime, ee.employeeeventtypeid, ee.comment, %1 "
            "FROM employeeevent AS ee WHERE ee.employeeeventid = %2 FOR UPDATE")
            .arg(HandEnteredCondition(QStringLiteral("ee")))
            .arg(eventId));
    if (rs.rows.empty()) return std::nullopt;
    const auto& row = rs.rows[0];
    return TStoredEvent{{row[0].toLongLong(), WallClock(row[1].toDateTime()), row[2].toLongLong()},
                        row[3].toString(),
                        row[4].toBool()};
}

std::vector<std::pair<QString, QVariant>> Values(const THandEvent& e) {
    return {{QStringLiteral("employeeid"), e.employeeId},
            {QStringLiteral("eventtime"), e.time},
            {QStringLiteral("employeeeventtypeid"), e.typeId}};
}

// The attendance rows stored for the employee's day follow its events.
void Recount(TZConnection& connection, const THandEvent& e, const QString& reason) {
    TAttendanceDay(connection, TWorkingDayLimits::Read(connection))
        .RecountStoredRow(e.employeeId, e.time.date(), reason);
}

} // namespace

THandEventOutcome AddHandEvent(TZConnection& connection, const THandEvent& event, const QString& reason) {
    return RunInTransaction(connection, [&] {
        if (const QString problem = InputProblem(connection, event, reason); !problem.isEmpty())
            return Refused(TStatus::Invalid, problem);
        qint64 id = 0;
        connection.Execute(
            QStringLiteral("INSERT INTO employeeevent (comment, eventtime, employeeeventtypeid, employeeid, "
                           "horloaccesspointid, deviceindex) VALUES (%1, '%2', %3, %4, 0, 0)")
                .arg(connection.Quote(reason.trimmed()), SqlDateTime(event.time))
                .arg(event.typeId)
                .arg(event.employeeId),
            &id);
        THistoryChange change;
        change.table = QStringLiteral("employeeevent");
        change.rowId = id;
        change.action = THistoryAction::Added;
        change.employeeId = event.employeeId;
        change.after = Values(event);
        change.after.emplace_back(QStringLiteral("comment"), reason.trimmed());
        change.reason = reason;
        RecordChange(connection, change);
        Recount(connection, event, reason);
        return THandEventOutcome{TStatus::Done, id, {}};
    });
}

THandEventOutcome ChangeHandEvent(TZConnection& connection, qint64 eventId, const THandEvent& event,
                                  const QString& reason) {
    return RunInTransaction(connection, [&] {
        const std::optional<TStoredEvent> stored = LockEvent(connection, eventId);
        if (!stored) return Refused(TStatus::NotFound, Format(_HAND_EVENT_MISSING_ERR, {eventId}));
        if (!stored->byHand) return Refused(TStatus::DeviceEvent, Format(_HAND_EVENT_DEVICE_ERR, {eventId}));
        if (const QString problem = InputProblem(connection, event, reason); !problem.isEmpty())
            return Refused(TStatus::Invalid, problem);
        connection.Execute(
            QStringLiteral("UPDATE employeeevent SET eventtime = '%1', employeeeventtypeid = %2, "
                           "employeeid = %3 WHERE employeeeventid = %4")
                .arg(SqlDateTime(event.time))
                .arg(event.typeId)
                .arg(event.employeeId)
                .arg(eventId));
        THistoryChange change;
        change.table = QStringLiteral("employeeevent");
        change.rowId = eventId;
        change.employeeId = event.employeeId;
        const auto before = Values(stored->event), after = Values(event);
        for (size_t i = 0; i < before.size(); ++i)
            if (before[i].second != after[i].second) {
                change.before.push_back(before[i]);
                change.after.push_back(after[i]);
            }
        change.reason = reason;
        RecordChange(connection, change);
        Recount(connection, stored->event, reason);
        if (stored->event.employeeId != event.employeeId || stored->event.time.date() != event.time.date())
            Recount(connection, event, reason);
        return THandEventOutcome{TStatus::Done, eventId, {}};
    });
}

THandEventOutcome DeleteHandEvent(TZConnection& connection, qint64 eventId, const QString& reason) {
    return RunInTransaction(connection, [&] {
        const std::optional<TStoredEvent> stored = LockEvent(connection, eventId);
        if (!stored) return Refused(TStatus::NotFound, Format(_HAND_EVENT_MISSING_ERR, {eventId}));
        if (!stored->byHand) return Refused(TStatus::DeviceEvent, Format(_HAND_EVENT_DEVICE_ERR, {eventId}));
        if (const QString problem = ReasonProblem(reason); !problem.isEmpty())
            return Refused(TStatus::Invalid, problem);
        connection.Execute(
            QStringLiteral("DELETE FROM employeeevent WHERE employeeeventid = %1").arg(eventId));
        THistoryChange change;
        change.table = QStringLiteral("employeeevent");
        change.rowId = eventId;
        change.action = THistoryAction::Deleted;
        change.employeeId = stored->event.employeeId;
        change.before = Values(stored->event);
        change.before.emplace_back(QStringLiteral("comment"), stored->comment);
        change.reason = reason;
        RecordChange(connection, change);
        Recount(connection, stored->event, reason);
        return THandEventOutcome{TStatus::Done, eventId, {}};
    });
}
