// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/worktime/AttendanceDay.h"

#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/data/ChangeHistory.h"

namespace {

// The employee columns of a sheet row; the start date as the sheet shows it.
const QString kEmployeeColumns =
    QStringLiteral("SELECT employeeid, firstname, lastname, code, personalidentificator, vocation, "
                   "DATE_FORMAT(startworkingdate,'%d.%m.%Y') AS startworkingdate FROM employee ");

} // namespace

QString FutureDayRefusal(const QDate& day) {
    if (day <= Now().date()) return {};
    return Format(_ATTEND_FUTURE_DATE_ERR, {FormatDateTime(QStringLiteral("dd.mm.yyyy"), WallClock(day))});
}

bool TAttendanceDay::DateHasRows(const QDate& day) const {
    return !m_connection
                .Select(QStringLiteral("SELECT horloattendanceid FROM horloattendance WHERE attendancedate = "
                                       "'%1' LIMIT 1")
                            .arg(SqlDate(day)))
                .rows.empty();
}

bool TAttendanceDay::EmployeeHasRow(qint64 employeeID, const QDate& day) const {
    return !m_connection
                .Select(QStringLiteral("SELECT horloattendanceid FROM horloattendance WHERE attendancedate = "
                                       "'%1' AND employeeid = %2 LIMIT 1")
                            .arg(SqlDate(day))
                            .arg(employeeID))
                .rows.empty();
}

std::vector<TAttendanceEmployee> TAttendanceDay::Employees(const QString& condition) const {
    const TResultSet rs = m_connection.Select(kEmployeeColumns + condition);
    std::vector<TAttendanceEmployee> list;
    list.reserve(rs.rows.size());
    for (const auto& row : rs.rows) {
        TAttendanceEmployee e;
        e.employeeId = row[0].toLongLong();
        e.firstName = row[1].toString();
        e.lastName = row[2].toString();
        e.code = row[3].toString();
        e.personalIdentificator = row[4].toString();
        e.vocation = row[5].toString();
        e.startWorkingDate = row[6].toString();
        list.push_back(std::move(e));
    }
    return list;
}

std::vector<TAttendanceEmployee> TAttendanceDay::EligibleEmployees(const QDate& day) const {
    const QString d = SqlDate(day);
    const QString firstOfMonth = SqlDate(QDate(day.year(), day.month(), 1));
    // an employee without a start or end date, or without a working state, is not left out
    return Employees(
        QStringLiteral("WHERE active = 'y' AND (workingfromdate IS NULL OR workingfromdate <= '%1') AND "
                       "(workingtodate IS NULL "
                       "OR workingtodate >= '%1' OR workingtodate < '%2') AND (workingstateid IS "
                       "NULL OR (workingstateid != 7 AND workingstateid != 8 AND workingstateid "
                       "!= 15)) ORDER BY code, employeeid")
            .arg(d, firstOfMonth));
}

std::optional<TAttendanceEmployee> TAttendanceDay::Employee(qint64 employeeID) const {
    std::vector<TAttendanceEmployee> list =
        Employees(QStringLiteral("WHERE employeeid = %1").arg(employeeID));
    if (list.empty()) return std::nullopt;
    return list.front();
}

QHash<qint64, int> TAttendanceDay::DayMinutes(const QDate& day, qint64 employeeID) const {
    const QString d = SqlDate(day);
    QString sql = QStringLiteral("SELECT employeeid, employeeeventtypeid, eventtime FROM employeeevent WHERE "
                                 "eventtime >= '%1 00:00:00' AND eventtime <= '%1 23:59:59' AND ")
                      .arg(d);
    sql += employeeID ? QStringLiteral("employeeid = %1").arg(employeeID)
                      : QStringLiteral("employeeid IS NOT NULL");
    // in the order of the time index; events of one second keep the order they were stored in
    sql += QStringLiteral(" ORDER BY eventtime, employeeeventid");
    // a count that is stored sees the events other sessions committed, and waits for those they write
    if (m_connection.TransactionDepth() > 0) sql += QStringLiteral(" LOCK IN SHARE MODE");
    const TResultSet rs = m_connection.Select(sql);
    QHash<qint64, std::vector<TDayEvent>> events;
    for (const auto& row : rs.rows)
        events[row[0].toLongLong()].push_back({WallClock(row[2].toDateTime()), row[1].toLongLong()});
    const TWorkingDay bounds = TWorkingDay::On(day, m_settings);
    const TEventRoles roles = TEventRoles::Attendance();
    QHash<qint64, int> minutes;
    for (auto it = events.cbegin(); it != events.cend(); ++it)
        minutes.insert(it.key(), CountWorkingDay(it.value(), bounds, roles).minutes);
    return minutes;
}

int TAttendanceDay::StoreDay(const QDate& day) {
    if (const QString refusal = FutureDayRefusal(day); !refusal.isEmpty()) throw EConvertError(refusal);
    try {
        return RunInTransaction(m_connection, [&] {
            if (DateHasRows(day)) return -1;
            const std::vector<TAttendanceEmployee> employees = EligibleEmployees(day);
            const QHash<qint64, int> minutes = DayMinutes(day);
            TBatchInsert insert(m_connection,
                                QStringLiteral("INSERT INTO horloattendance (employeeid, attendancedate, "
                                               "regularworkinghours, unallocatedhours) VALUES "),
                                500);
            const QString date = m_connection.Literal(day);
            for (const TAttendanceEmployee& e : employees) {
                const int m = minutes.value(e.employeeId);
                insert.Add(QStringLiteral("(%1, %2, %3, %4)")
                               .arg(e.employeeId)
                               .arg(date, m_connection.Literal(RegularHours(m)),
                                    m_connection.Literal(UnallocatedHours(m))));
            }
            insert.Flush();
            // the rows' keys, for their history: the day had none before
            const TResultSet stored = m_connection.Select(
                QStringLiteral(
                    "SELECT employeeid, horloattendanceid FROM horloattendance WHERE attendancedate = %1")
                    .arg(date));
            QHash<qint64, qint64> keys;
            for (const auto& row : stored.rows)
                keys.insert(row[0].toLongLong(), row[1].toLongLong());
            THistoryBatch history(m_connection);
            for (const TAttendanceEmployee& e : employees) {
                const int m = minutes.value(e.employeeId);
                THistoryChange change;
                change.table = QStringLiteral("horloattendance");
                change.rowId = keys.value(e.employeeId);
                change.action = THistoryAction::Added;
                change.employeeId = e.employeeId;
                change.after = {{QStringLiteral("employeeid"), e.employeeId},
                                {QStringLiteral("attendancedate"), day},
                                {QStringLiteral("regularworkinghours"), RegularHours(m)},
                                {QStringLiteral("unallocatedhours"), UnallocatedHours(m)}};
                history.Add(change);
            }
            history.Flush();
            return int(employees.size());
        });
    } catch (const EDatabaseError& e) {
        // another desk or job stored the day while this one computed it
        if (e.DuplicateKey() == QLatin1String("horloattendance_employee")) return -1;
        throw;
    }
}

bool TAttendanceDay::RecountStoredRow(qint64 employeeID, const QDate& day, const QString& reason) {
    const TResultSet stored = m_connection.Select(
        QStringLiteral("SELECT horloattendanceid, regularworkinghours, unallocatedhours FROM horloattendance "
                       "WHERE employeeid = %1 AND attendancedate = '%2' FOR UPDATE")
            .arg(employeeID)
            .arg(SqlDate(day)));
    if (stored.rows.empty()) return false;
    const int minutes = DayMinutes(day, employeeID).value(employeeID);
    const double regular = RegularHours(minutes), unallocated = UnallocatedHours(minutes);
    const std::vector<QVariant>& row = stored.rows[0];
    if (row[1].toDouble() == regular && row[2].toDouble() == unallocated) return false;
    m_connection.Execute(
        QStringLiteral("UPDATE horloattendance SET regularworkinghours = %1, unallocatedhours "
                       "= %2 WHERE horloattendanceid = %3")
            .arg(m_connection.Literal(regular), m_connection.Literal(unallocated))
            .arg(row[0].toLongLong()));
    THistoryChange change;
    change.table = QStringLiteral("horloattendance");
    change.rowId = row[0].toLongLong();
    change.employeeId = employeeID;
    change.before = {{QStringLiteral("regularworkinghours"), row[1]},
                     {QStringLiteral("unallocatedhours"), row[2]}};
    change.after = {{QStringLiteral("regularworkinghours"), regular},
                    {QStringLiteral("unallocatedhours"), unallocated}};
    change.reason = reason;
    RecordChange(m_connection, change);
    return true;
}
