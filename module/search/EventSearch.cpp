// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/search/EventSearch.h"

#include "host/data/Database.h"
#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/data/EmployeeLookup.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringList>

namespace {

int CheckedHour(const QString& value, const QString& caption) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,2}$"));
    const QString text = value.trimmed();
    if (digits.match(text).hasMatch() && text.toInt() <= 23) return text.toInt();
    throw ESearchKeyError(Format(_SEARCH_HOUR_WRN, {value, caption}));
}

QString CheckedDate(const QString& value, const QString& caption) {
    if (const QDate date = TypedDate(value); date.isValid()) return SqlDate(date);
    throw ESearchKeyError(Format(_SEARCH_DATE_WRN, {value, caption}));
}

// Blank dates and hours count as not filled in.
bool Filled(const QString& value) {
    return !value.trimmed().isEmpty();
}

} // namespace

QString EventSearchCondition(const TEventSearchKeys& keys, const TZConnection& connection) {
    QStringList conditions;
    if (!keys.eventType.isEmpty()) {
        if (keys.eventType == _HORLO_EVENT_IN)
            conditions << QStringLiteral("eet.direction = 'i'");
        else if (keys.eventType == _HORLO_EVENT_OUT)
            conditions << QStringLiteral("eet.direction = 'o'");
        else
            conditions << QStringLiteral("eet.name = ") + connection.Quote(keys.eventType);
    }
    if (Filled(keys.dateFrom))
        conditions << QStringLiteral("ee.eventtime >= ") +
                          connection.Quote(CheckedDate(keys.dateFrom, _HORLO_DATE_FROM));
    if (Filled(keys.dateTo))
        conditions << QStringLiteral("ee.eventtime <= ") +
                          connection.Quote(CheckedDate(keys.dateTo, _HORLO_DATE_TO) +
                                           QStringLiteral(" 23:59:59"));
    if (Filled(keys.beforeHour))
        conditions << QStringLiteral("HOUR(ee.eventtime) < ") +
                          QString::number(CheckedHour(keys.beforeHour, _HORLO_BEFORE_H));
    if (Filled(keys.afterHour))
        conditions << QStringLiteral("HOUR(ee.eventtime) >= ") +
                          QString::number(CheckedHour(keys.afterHour, _HORLO_AFTER_H));
    if (!keys.employee.isEmpty() && keys.selectedEmployeeId > 0)
        conditions << QStringLiteral("ee.employeeid = ") + QString::number(keys.selectedEmployeeId);
    return conditions.join(QStringLiteral(" AND "));
}

qint64 SearchedEmployee(TZConnection& connection, const QString& text) {
    const std::vector<qint64> found = EmployeesNamed(connection, text);
    if (found.size() == 1) return found[0];
    throw ESearchKeyError(found.empty() ? Format(_SEARCH_EMPLOYEE_NONE_WRN, {text})
                                        : Format(_SEARCH_EMPLOYEE_MANY_WRN, {text, qint64(found.size())}));
}
