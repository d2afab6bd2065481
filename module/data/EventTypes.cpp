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
