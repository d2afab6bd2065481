#include "module/device/RawEventProcessing.h"

#include "module/data/EventTypes.h"

#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/device/LogDecoder.h"

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

// The raw rows that processing turns into events, above a mark.
constexpr char kCandidates[] =
    "FROM employeeeventraw WHERE (employeeeventrawid > %d) AND ((employeeeventtypeid = 5) OR "
    "(employeeeventtypeid = 10) OR (((employeeeventtypeid = 15) OR (employeeeventtypeid = 16)) AND "
    "((employeeid > 0) OR (horloguestid > 0))))";

qint64 ReadMark(TZConnection& connection) {
    const TResultSet mark =
        connection.Select(QStringLiteral("SELECT MAX(employeeeventrawid) AS maxrawid FROM employeeevent"));
    return mark.rows.empty() ? 0 : mark.rows[0][0].toLongLong();
}

int CountCandidates(TZConnection& connection, qint64 above, const QString& more = QString()) {
    return connection
        .Select(Format(QStringLiteral("SELECT COUNT(*) ") + QLatin1String(kCandidates) + more, {above}))
        .rows[0][0]
        .toInt();
}

} // namespace

TProcessResult TRawEventProcessor::Run() {
    // The mark before waiting for the log: what lies between it and the mark
    // after the wait was processed by another program meanwhile.
    const qint64 markSeen = ReadMark(m_connection);
    return RunInTransaction(m_connection, [&] { return ProcessAbove(markSeen); });
}

TProcessResult TRawEventProcessor::ProcessAbove(qint64 markSeen) {
    TProcessResult result;
    // Taken first, so that the mark and the candidates are read after any other
    // writer of the log has committed, and nobody writes while this run does.
    LockRawEventLog(m_connection);
    const qint64 mark = ReadMark(m_connection);
    if (mark > markSeen)
        result.processedElsewhere = CountCandidates(
            m_connection, markSeen, QStringLiteral(" AND employeeeventrawid <= %1").arg(mark));
    result.candidates = CountCandidates(m_connection, mark);

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
            ticket = Ticket{rs.Value(0, QStringLiteral("horloaccessticketid")).toLongLong(),
                            rs.Value(0, QStringLiteral("employeeid")).toLongLong(),
                            rs.Value(0, QStringLiteral("horloguestid")).toLongLong(),
                            rs.Value(0, QStringLiteral("cardcode")).toLongLong()};
        }
        tickets.insert(id, ticket);
        return ticket;
    };

    TBatchInsert events(m_connection, QStringLiteral("INSERT INTO `employeeevent` VALUES "), BatchSize);
    const int reportEvery = std::max(1, result.candidates / 200);
    int position = 0;
    // Read a page at a time by key, so that memory stays the same however many
    // records wait; the log cannot change under the lock.
    for (qint64 after = mark;;) {
        const TResultSet raw = m_connection.Select(
            Format(QStringLiteral("SELECT * ") + QLatin1String(kCandidates) +
                       QStringLiteral(" ORDER BY employeeeventrawid LIMIT %1").arg(PageSize),
                   {after}));
        if (raw.rows.empty()) break;
        const auto col = [&](const char* name) { return size_t(raw.ColumnIndex(QString::fromLatin1(name))); };
        const size_t cId = col("employeeeventrawid"), cTime = col("eventtime"),
                     cType = col("employeeeventtypeid"), cEmployee = col("employeeid"),
                     cGuest = col("horloguestid"), cPoint = col("horloaccesspointid"),
                     cTicket = col("horloaccessticketid"), cCard = col("cardcode"),
                     cIndex = col("deviceindex");
        for (const auto& row : raw.rows) {
            ++position;
            const qint64 type = row[cType].toLongLong();
            const QString time = QLatin1Char('\'') + SqlDateTime(row[cTime].toDateTime()) + QLatin1Char('\'');
            if (type == kArrivalEventType || type == kDepartureEventType) {
                // these records carry an access ticket in their card field
                const std::optional<Ticket> ticket = ticketOf(row[cCard].toLongLong());
                if (!ticket) {
                    ++result.skipped;
                } else {
                    events.Add(EventValues(time, type, ticket->employeeId, ticket->guestId,
                                           row[cPoint].toLongLong(), ticket->id, ticket->cardCode,
                                           row[cIndex].toLongLong(), row[cId].toLongLong()));
                    ++result.written;
                }
            } else {
                events.Add(EventValues(time, type, row[cEmployee].toLongLong(), row[cGuest].toLongLong(),
                                       row[cPoint].toLongLong(), row[cTicket].toLongLong(),
                                       row[cCard].toLongLong(), row[cIndex].toLongLong(),
                                       row[cId].toLongLong()));
                ++result.written;
            }
            if (OnProgress && (position % reportEvery == 0 || position == result.candidates))
                OnProgress(position, result.candidates);
        }
        after = raw.rows.back()[cId].toLongLong();
    }
    events.Flush();
    return result;
}

QString ProcessSummary(const TProcessResult& r) {
    QString text = QStringLiteral("Upisano događaja: %1").arg(r.written);
    if (r.skipped > 0)
        text += QStringLiteral(" (") +
                Plural(r.skipped, "%d zapis bez pristupne dozvole preskočen",
                       "%d zapisa bez pristupne dozvole preskočena",
                       "%d zapisa bez pristupne dozvole preskočeno") +
                QLatin1Char(')');
    if (r.processedElsewhere > 0)
        text += QStringLiteral("; ") + Format(_PROCESSED_ELSEWHERE_FMT, {r.processedElsewhere});
    return text;
}
