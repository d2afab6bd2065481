// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/data/EmployeeLookup.h"

#include "host/data/Database.h"

namespace {

std::vector<qint64> Employees(TZConnection& connection, const QString& condition) {
    std::vector<qint64> ids;
    for (const auto& row :
         connection
             .Select(QStringLiteral("SELECT employeeid FROM employee WHERE %1 ORDER BY employeeid")
                         .arg(condition))
             .rows)
        ids.push_back(row[0].toLongLong());
    return ids;
}

} // namespace

std::vector<qint64> EmployeesNamed(TZConnection& connection, const QString& text) {
    const QString name = connection.Quote(text.simplified());
    return Employees(connection, QStringLiteral("code = %1 OR CONCAT(lastname, ' ', firstname) = %1 OR "
                                                "CONCAT(firstname, ' ', lastname) = %1")
                                     .arg(name));
}
