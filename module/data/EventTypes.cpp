// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/data/EventTypes.h"

#include "host/data/Database.h"

namespace {

qint64 FirstInteger(TZConnection& connection, const QString& sql) {
    const TResultSet rs = connection.Select(sql);
    return rs.rows.empty() || rs.columns.empty() ? 0 : rs.rows[0][0].toLongLong();
}

} // namespace

qint64 DefaultEventTypeID(TZConnection& connection, QChar direction) {
    return FirstInteger(connection, QStringLiteral("SELECT employeeeventtypeid FROM employeeeventtype WHERE "
                                                   "direction = %1 AND defaultevent = 'y'")
                                        .arg(connection.Quote(QString(direction))));
}

qint64 InverseEventTypeID(TZConnection& connection, qint64 id) {
    return FirstInteger(
        connection,
        QStringLiteral("SELECT employeeeventtypeid FROM employeeeventtype WHERE pairid = %1").arg(id));
}

QList<qint64> DefaultPairOpeners(TZConnection& connection) {
    QList<qint64> openers;
    if (const qint64 arrival = DefaultEventTypeID(connection, QLatin1Char('i')); arrival > 0)
        openers << arrival;
    const TResultSet rs = connection.Select(
        QStringLiteral(
            "SELECT employeeeventtypeid FROM employeeeventtype WHERE employeeeventtypeid IN (%1, %2) "
            "ORDER BY employeeeventtypeid")
            .arg(kArrivalEventType)
            .arg(kCardArrivalEventType));
    for (const auto& row : rs.rows)
        if (!openers.contains(row[0].toLongLong())) openers << row[0].toLongLong();
    return openers;
}

QList<qint64> EventTypesNamed(TZConnection& connection, const QString& text) {
    bool isCode = false;
    const qint64 code = text.trimmed().toLongLong(&isCode);
    const QString condition = isCode ? QStringLiteral("employeeeventtypeid = %1").arg(code)
                                     : QStringLiteral("name = %1").arg(connection.Quote(text.trimmed()));
    QList<qint64> ids;
    for (const auto& row :
         connection
             .Select(QStringLiteral("SELECT employeeeventtypeid FROM employeeeventtype WHERE %1 ORDER BY "
                                    "employeeeventtypeid")
                         .arg(condition))
             .rows)
        ids << row[0].toLongLong();
    return ids;
}

QString HandEnteredCondition(const QString& alias) {
    return QStringLiteral("(%1.employeeeventrawid IS NULL AND %1.horloaccesspointid = 0)").arg(alias);
}
