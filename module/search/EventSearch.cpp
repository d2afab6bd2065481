#include "module/search/EventSearch.h"

#include "host/data/Database.h"
#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"

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
    if (IsoDate(value).isValid()) return value.trimmed();
    throw ESearchKeyError(Format(_SEARCH_DATE_WRN, {value, caption}));
}

// Blank dates and hours count as not filled in.
bool Filled(const QString& value) {
    return !value.trimmed().isEmpty();
}

} // namespace

QString EventSearchCondition(const TEventSearchKeys& keys, const TZConnection& connection) {
    QStringList conditions;
    if (!keys.EventType.isEmpty()) {
        if (keys.EventType == _HORLO_EVENT_IN)
            conditions << QStringLiteral("eet.direction = 'i'");
        else if (keys.EventType == _HORLO_EVENT_OUT)
            conditions << QStringLiteral("eet.direction = 'o'");
        else
            conditions << QStringLiteral("eet.name = ") + connection.Quote(keys.EventType);
    }
    if (Filled(keys.DateFrom))
        conditions << QStringLiteral("ee.eventtime >= ") +
                          connection.Quote(CheckedDate(keys.DateFrom, _HORLO_DATE_FROM));
    if (Filled(keys.DateTo))
        conditions << QStringLiteral("ee.eventtime <= ") +
                          connection.Quote(CheckedDate(keys.DateTo, _HORLO_DATE_TO) +
                                           QStringLiteral(" 23:59:59"));
    if (Filled(keys.BeforeHour))
        conditions << QStringLiteral("HOUR(ee.eventtime) < ") +
                          QString::number(CheckedHour(keys.BeforeHour, _HORLO_BEFORE_H));
    if (Filled(keys.AfterHour))
        conditions << QStringLiteral("HOUR(ee.eventtime) >= ") +
                          QString::number(CheckedHour(keys.AfterHour, _HORLO_AFTER_H));
    if (!keys.Employee.isEmpty() && keys.SelectedEmployeeID > 0)
        conditions << QStringLiteral("ee.employeeid = ") + QString::number(keys.SelectedEmployeeID);
    return conditions.join(QStringLiteral(" AND "));
}
