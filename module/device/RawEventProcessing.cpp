#include "module/device/RawEventProcessing.h"

#include "host/SysUtils.h"

#include <QHash>

#include <algorithm>
#include <optional>

namespace {

struct Ticket {
    qint64 id = 0;
    qint64 employeeId = 0;
    qint64 guestId = 0;
    qint64 cardCode = 0;
};

// The event row: the first form names the employee, the second the guest.
QString EventValues(const QString& quotedTime, qint64 type, qint64 employee, qint64 guest, qint64 accessPoint,
                    qint64 ticket, qint64 cardCode, qint64 deviceIndex, qint64 rawId) {
    if (employee > 0)
        return Format(QStringLiteral("(NULL, NULL, %s, %d, %d, NULL, %d, %d, %d, %d, %d, NULL)"),
                      {quotedTime, type, employee, accessPoint, ticket, cardCode, deviceIndex, rawId});
    return Format(QStringLiteral("(NULL, NULL, %s, %d, NULL, %d, %d, %d, %d, %d, %d, NULL)"),
                  {quotedTime, type, guest, accessPoint, ticket, cardCode, deviceIndex, rawId});
}

} // namespace

TProcessResult TRawEventProcessor::Run() {
    TProcessResult result;
    // One transaction: the mark and the candidates cannot change under the run,
    // and a failure leaves no row behind the mark unprocessed.
    TTransaction transaction(m_connection);
    const TResultSet mark =
        m_connection.Select(QStringLiteral("SELECT MAX(employeeeventrawid) AS maxrawid FROM employeeevent"));
    const qint64 maxRawId = mark.rows.empty() ? 0 : mark.rows[0][0].toLongLong();
    const TResultSet raw = m_connection.Select(Format(
        QStringLiteral(
            "SELECT * FROM employeeeventraw WHERE (employeeeventrawid > %d) AND ((employeeeventtypeid = "
            "5) OR (employeeeventtypeid = 10) OR (((employeeeventtypeid = 15) OR (employeeeventtypeid = "
            "16)) AND ((employeeid > 0) OR (horloguestid > 0)))) ORDER BY employeeeventrawid"),
        {maxRawId}));
    result.candidates = int(raw.rows.size());
    const auto col = [&](const char* name) { return size_t(raw.ColumnIndex(QString::fromLatin1(name))); };
    const size_t cId = col("employeeeventrawid"), cTime = col("eventtime"),
                 cType = col("employeeeventtypeid"), cEmployee = col("employeeid"),
                 cGuest = col("horloguestid"), cPoint = col("horloaccesspointid"),
                 cTicket = col("horloaccessticketid"), cCard = col("cardcode"), cIndex = col("deviceindex");

    QHash<qint64, std::optional<Ticket>> tickets;
    auto ticketOf = [&](qint64 id) {
        auto it = tickets.constFind(id);
        if (it != tickets.constEnd()) return *it;
        const TResultSet rs = m_connection.Select(Format(
            QStringLiteral(
                "SELECT tat.*,ec.cardcode FROM horloaccessticket AS tat LEFT JOIN employee AS e ON "
                "tat.employeeid "
                "= e.employeeid LEFT JOIN horloguest AS tg ON tat.horloguestid = tg.horloguestid LEFT JOIN "
                "employeecard AS ec ON tat.employeecardid = ec.employeecardid WHERE tat.horloaccessticketid "
                "= %d"),
            {id}));
        std::optional<Ticket> ticket;
        if (!rs.rows.empty()) {
            const auto& row = rs.rows[0];
            ticket = Ticket{row[size_t(rs.ColumnIndex(QStringLiteral("horloaccessticketid")))].toLongLong(),
                            row[size_t(rs.ColumnIndex(QStringLiteral("employeeid")))].toLongLong(),
                            row[size_t(rs.ColumnIndex(QStringLiteral("horloguestid")))].toLongLong(),
                            row[size_t(rs.ColumnIndex(QStringLiteral("cardcode")))].toLongLong()};
        }
        tickets.insert(id, ticket);
        return ticket;
    };

    TBatchInsert events(m_connection, QStringLiteral("INSERT INTO `employeeevent` VALUES "), BatchSize);
    const int reportEvery = std::max(1, result.candidates / 200);
    int position = 0;
    for (const auto& row : raw.rows) {
        ++position;
        const qint64 type = row[cType].toLongLong();
        const QString time = QLatin1Char('\'') + SqlDateTime(row[cTime].toDateTime()) + QLatin1Char('\'');
        if (type == 5 || type == 10) {
            // these records carry an access ticket in their card field
            const std::optional<Ticket> ticket = ticketOf(row[cCard].toLongLong());
            if (!ticket) {
                ++result.skipped;
            } else {
                events.Add(EventValues(time, type, ticket->employeeId, ticket->guestId,
                                       row[cPoint].toLongLong(), ticket->id, ticket->cardCode,
                                       row[cIndex].toLongLong(), row[cId].toLongLong()));
            }
        } else {
            events.Add(EventValues(time, type, row[cEmployee].toLongLong(), row[cGuest].toLongLong(),
                                   row[cPoint].toLongLong(), row[cTicket].toLongLong(),
                                   row[cCard].toLongLong(), row[cIndex].toLongLong(), row[cId].toLongLong()));
        }
        if (OnProgress && (position % reportEvery == 0 || position == result.candidates))
            OnProgress(position, result.candidates);
    }
    events.Flush();
    transaction.Commit();
    result.written = result.candidates - result.skipped;
    return result;
}
