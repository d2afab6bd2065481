// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/reports/PresenceLists.h"

#include "module/data/EventTypes.h"

#include "host/data/Database.h"
#include "host/data/SysUtils.h"

#include <QSet>

namespace {

const QString kEmployeeColumns = QStringLiteral(
    "e.employeeid AS EmpID, e.lastname AS EmpLastname, e.firstname AS EmpFirstname, e.code AS EmpCode, "
    "e.vocation AS EmpVocation, e.organizationunit AS EmpOrgUnit, e.foreignvocation AS EmpForeignVocation, "
    "e.contracttype AS EmpContractType, e.startworkingdate AS EmpStartWorkingDate");
QString Order() {
    return QStringLiteral(" ORDER BY ") + SerbianOrder(QStringLiteral("e.lastname")) + QStringLiteral(", ") +
           SerbianOrder(QStringLiteral("e.firstname")) + QStringLiteral(", e.code, e.employeeid");
}

TReportEmployee EmployeeOf(const std::vector<QVariant>& row) {
    TReportEmployee e;
    e.EmpID = row[0].toLongLong();
    e.EmpLastname = row[1].toString();
    e.EmpFirstname = row[2].toString();
    e.EmpCode = row[3].toString();
    e.EmpVocation = row[4].toString();
    e.EmpOrgUnit = row[5].toString();
    e.EmpForeignVocation = row[6].toString();
    e.EmpContractType = row[7].toString();
    e.EmpStartWorkingDate = row[8].toDate();
    return e;
}

} // namespace

TPresenceLists ReadPresenceLists(TZConnection& connection, const QDate& day,
                                 const TWorkingDayLimits& limits) {
    const QDateTime lateFrom = TWorkingDay::StartOn(day, limits);
    const QString d0 = SqlDate(day) + QStringLiteral(" 00:00:00");
    const QString d1 = SqlDate(day) + QStringLiteral(" 23:59:59");
    TPresenceLists lists;

    // Each employee's first arrival of the day; the grouping names only what it
    // groups by, so servers with ONLY_FULL_GROUP_BY take it too.
    const TResultSet present = connection.Select(
        QStringLiteral("SELECT ") + kEmployeeColumns +
        QStringLiteral(", fa.FirstArrival FROM (SELECT ee.employeeid, MIN(ee.eventtime) AS FirstArrival "
                       "FROM employeeevent AS ee WHERE ee.employeeeventtypeid IN (%3, %4) AND "
                       "ee.eventtime >= '%1' AND ee.eventtime <= '%2' AND ee.employeeid > 0 "
                       "GROUP BY ee.employeeid) AS fa INNER JOIN employee AS e ON e.employeeid = "
                       "fa.employeeid")
            .arg(d0, d1)
            .arg(kArrivalEventType)
            .arg(kCardArrivalEventType) +
        Order());
    QSet<qint64> presentIDs;
    lists.present.reserve(present.rows.size());
    for (const auto& row : present.rows) {
        TPresentEmployee p{EmployeeOf(row), WallClock(row[9].toDateTime())};
        presentIDs.insert(p.employee.EmpID);
        if (p.firstArrival >= lateFrom) lists.late.push_back(p);
        lists.present.push_back(std::move(p));
    }

    const TResultSet active = connection.Select(
        QStringLiteral("SELECT ") + kEmployeeColumns +
        QStringLiteral(", ws.description AS EmpWorkState FROM employee AS e LEFT JOIN workingstate AS ws ON "
                       "ws.workingstateid = e.workingstateid WHERE (e.active != 'n')") +
        Order());
    for (const auto& row : active.rows) {
        if (row[0].isNull() || presentIDs.contains(row[0].toLongLong())) continue;
        lists.absent.push_back({EmployeeOf(row), row[9].toString()});
    }
    return lists;
}
