// SPDX-License-Identifier: GPL-3.0-or-later
// The condition of the event list for the navigator's search keys, apart from
// any window. Typed texts reach the SQL only through the connection's quoting;
// hours and dates are checked first.
#pragma once

#include "host/data/SysUtils.h"

#include <QString>

class TZConnection;

// The search keys as the user left them.
struct TEventSearchKeys {
    QString employee; // the chosen employee's name as shown
    qint64 selectedEmployeeId = 0;
    QString eventType;
    QString dateFrom;
    QString dateTo;
    QString afterHour;
    QString beforeHour;
};

// A key whose value cannot be searched for; Message() is the warning for the user.
// A conversion error, so that the host, which knows no module's types, can tell it
// from a database error.
class ESearchKeyError : public EConvertError {
public:
    using EConvertError::EConvertError;
};

// The one employee that a typed employee key names (a preset search types the
// key, the chooser fills it otherwise): a code, "Prezime Ime" or "Ime
// Prezime". Throws ESearchKeyError naming the text when none or several do.
qint64 SearchedEmployee(TZConnection& connection, const QString& text);

// The conditions of the filled keys joined with " AND " (empty when none is
// filled): event type or direction, dates from and to (the whole last day),
// before hour, after hour, employee. Throws ESearchKeyError for an hour that
// is not a whole number 0 to 23 or a date that is not a real "yyyy-mm-dd".
QString EventSearchCondition(const TEventSearchKeys& keys, const TZConnection& connection);
