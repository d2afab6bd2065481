// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/RawEventProcessing.h"

#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/data/EventTypes.h"
#include "module/device/LogDecoder.h"

#include <QHash>

#include <algorithm>
#include <optional>

namespace {

constexpr char kMarkName[] = "employeeevent";

bool IsTicketType(qint64 type) {
    return type == kArrivalEventType || type == kDepartureEventType;
}

// The kinds of records processing turns into events: ticket and card swipes.
QString ProcessedTypes(const QString& alias) {
    return QStringLiteral("%1.employeeeventtypeid IN (%2, %3, %4, %5)")
        .arg(alias)
        .arg(kArrivalEventType)
        .arg(kDepartureEventType)
        .arg(kCardArrivalEventType)
        .arg(kCardDepartureEventType);
}

QString TicketTypes(const QString& alias) {
    return QStringLiteral("%1.employeeeventtypeid IN (%2, %3)")
        .arg(alias)
        .arg(kArrivalEventType)
        .arg(kDepartureEventType);
}

QString CardTypes(const QString& alias) {
    return QStringLiteral("%1.employeeeventtypeid IN (%2, %3)")
        .arg(alias)
        .arg(kCardArrivalEventType)
        .arg(kCardDepartureEventType);
}

// A raw record as processing reads it (NULLs read as 0).
struct RawSwipe {
    qint64 id = 0;
    QDateTime time;
    qint64 type = 0, employee = 0, guest = 0, point = 0, ticket = 0, card = 0, index = 0;
};

constexpr char kRawColumns[] =
    "r.employeeeventrawid, r.eventtime, r.employeeeventtypeid, r.employeeid, r.horloguestid, "
    "r.horloaccesspointid, r.horloaccessticketid, r.cardcode, r.deviceindex";

RawSwipe ReadSwipe(const std::vector<QVariant>& row) {
    return {row[0].toLongLong(), row[1].toDateTime(), row[2].toLongLong(),
            row[3].toLongLong(), row[4].toLongLong(), row[5].toLongLong(),
            row[6].toLongLong(), row[7].toLongLong(), row[8].toLongLong()};
}

// Whose event a swipe is.
struct Owner {
    enum class TKind { Event, NoHolder, UnknownTicket } kind = TKind::NoHolder;
    qint64 employee = 0; // the event's employee, or else
    qint64 guest = 0;    // its guest
    qint64 ticket = 0;
    qint64 cardCode = 0;
};

struct Holding {
    QDateTime from, to; // invalid: since ever, still held
    qint64 employee = 0;
};

// Who held what when, read once per ticket, card and run: processing holds the
// raw log, so that no tie or untie changes it meanwhile.
class TOwners {
public:
    explicit TOwners(TZConnection& connection) : m_connection(connection) {}

    // An event belongs to whoever held the card when the swipe happened; a card
    // that nobody held then leaves it to its ticket's guest, or to nobody. A card
    // code that no card has (a card deleted since) keeps what the import found.
    Owner Of(const RawSwipe& r) {
        Owner owner;
        qint64 cardId = 0, guest = r.guest, importedEmployee = 0;
        if (IsTicketType(r.type)) {
            // these records carry an access ticket in their card field
            const auto ticket = TicketOf(r.card);
            if (!ticket) {
                owner.kind = Owner::TKind::UnknownTicket;
                return owner;
            }
            cardId = ticket->cardId;
            guest = ticket->guestId;
            owner.ticket = ticket->id;
            owner.cardCode = ticket->cardCode;
        } else {
            cardId = CardOf(r.card);
            if (cardId == 0) importedEmployee = r.employee;
            owner.ticket = r.ticket;
            owner.cardCode = r.card;
        }
        owner.employee = cardId ? HolderAt(cardId, r.time) : importedEmployee;
        if (owner.employee <= 0) {
            owner.employee = 0;
            owner.guest = guest;
        }
        owner.kind = owner.employee > 0 || owner.guest > 0 ? Owner::TKind::Event : Owner::TKind::NoHolder;
        return owner;
    }

private:
    struct Ticket {
        qint64 id = 0, cardId = 0, guestId = 0, cardCode = 0;
    };

    std::optional<Ticket> TicketOf(qint64 id) {
        auto it = m_tickets.constFind(id);
        if (it != m_tickets.constEnd()) return *it;
        const TResultSet rs = m_connection.Select(Format(
            QStringLiteral("SELECT tat.horloaccessticketid, tat.employeecardid, tat.horloguestid, "
                           "ec.cardcode FROM horloaccessticket AS tat LEFT JOIN employeecard AS ec ON "
                           "tat.employeecardid = ec.employeecardid WHERE tat.horloaccessticketid = %d"),
            {id}));
        std::optional<Ticket> ticket;
        if (!rs.rows.empty()) {
            const auto& row = rs.rows[0];
            ticket =
                Ticket{row[0].toLongLong(), row[1].toLongLong(), row[2].toLongLong(), row[3].toLongLong()};
        }
        m_tickets.insert(id, ticket);
        return ticket;
    }

    qint64 CardOf(qint64 code) {
        auto it = m_cards.constFind(code);
        if (it != m_cards.constEnd()) return *it;
        const TResultSet rs = m_connection.Select(
            Format(QStringLiteral("SELECT employeecardid FROM employeecard WHERE cardcode = %d"), {code}));
        const qint64 card = rs.rows.empty() ? 0 : rs.rows[0][0].toLongLong();
        m_cards.insert(code, card);
        return card;
    }

    // A card without recorded holders is held by its employee at every time.
    qint64 HolderAt(qint64 cardId, const QDateTime& time) {
        auto it = m_holdings.find(cardId);
        if (it == m_holdings.end()) {
            std::vector<Holding> holdings;
            const TResultSet rs = m_connection.Select(
                Format(QStringLiteral(
                           "SELECT employeeid, startdatetime, enddatetime FROM employeecardholder WHERE "
                           "employeecardid = %d UNION ALL SELECT employeeid, NULL, NULL FROM employeecard "
                           "AS ec WHERE ec.employeecardid = %d AND ec.employeeid > 0 AND NOT EXISTS (SELECT "
                           "1 FROM employeecardholder AS h WHERE h.employeecardid = ec.employeecardid)"),
                       {cardId, cardId}));
            for (const auto& row : rs.rows)
                holdings.push_back({row[1].toDateTime(), row[2].toDateTime(), row[0].toLongLong()});
            it = m_holdings.insert(cardId, holdings);
        }
        for (const Holding& h : *it)
            if ((!h.from.isValid() || h.from <= time) && (!h.to.isValid() || time < h.to)) return h.employee;
        return 0;
    }

    TZConnection& m_connection;
    QHash<qint64, std::optional<Ticket>> m_tickets;
    QHash<qint64, qint64> m_cards;
    QHash<qint64, std::vector<Holding>> m_holdings;
};

QString Quoted(const QDateTime& time) {
    return QLatin1Char('\'') + SqlDateTime(time) + QLatin1Char('\'');
}

QString IdOrNull(qint64 id) {
    return id > 0 ? QString::number(id) : QStringLiteral("NULL");
}

// The event row: the first form names the employee, the second the guest.
QString EventValues(const RawSwipe& r, const Owner& o) {
    if (o.employee > 0)
        return Format(QStringLiteral("(NULL, NULL, %s, %d, %d, NULL, %d, %d, %d, %d, %d, NULL)"),
                      {Quoted(r.time), r.type, o.employee, r.point, o.ticket, o.cardCode, r.index, r.id});
    return Format(QStringLiteral("(NULL, NULL, %s, %d, NULL, %d, %d, %d, %d, %d, %d, NULL)"),
                  {Quoted(r.time), r.type, o.guest, r.point, o.ticket, o.cardCode, r.index, r.id});
}

// Candidates: records of the processed kinds above a key that have no event.
QString Candidates(qint64 above) {
    return Format(QStringLiteral("FROM employeeeventraw AS r WHERE r.employeeeventrawid > %d AND %s AND NOT "
                                 "EXISTS (SELECT 1 FROM employeeevent AS e WHERE e.employeeeventrawid = "
                                 "r.employeeeventrawid)"),
                  {above, ProcessedTypes(QStringLiteral("r"))});
}

void SetMark(TZConnection& connection, qint64 mark) {
    connection.Execute(
        Format(QStringLiteral("INSERT INTO horlomark (name, value) VALUES ('%s', %d) ON DUPLICATE "
                              "KEY UPDATE value = GREATEST(value, VALUES(value))"),
               {QString::fromLatin1(kMarkName), mark}));
}

} // namespace

TProcessResult& TProcessResult::operator+=(const TProcessResult& other) {
    candidates += other.candidates;
    written += other.written;
    skipped += other.skipped;
    unassigned += other.unassigned;
    processedElsewhere += other.processedElsewhere;
    return *this;
}

qint64 ProcessingMark(TZConnection& connection) {
    const TResultSet rs = connection.Select(Format(
        QStringLiteral("SELECT value FROM horlomark WHERE name = '%s'"), {QString::fromLatin1(kMarkName)}));
    return rs.rows.empty() ? 0 : rs.rows[0][0].toLongLong();
}

TProcessResult TRawEventProcessor::Run() {
    // The mark before waiting for the log: what lies between it and the mark
    // after the wait was processed by another program meanwhile.
    const qint64 markSeen = ProcessingMark(m_connection);
    if (m_connection.Select(QStringLiteral("SELECT 1 ") + Candidates(markSeen) + QStringLiteral(" LIMIT 1"))
            .rows.empty())
        return {};

    // An attempt whose COMMIT was in doubt was saved when the mark has reached
    // where it ended; what it did then counts as this run's.
    TProcessResult confirmed, lastOwn;
    qint64 lastThrough = -1;
    return RunInTransaction(m_connection, TRetryPolicy{ConflictDeadline, true}, [&](const TAttempt& attempt) {
        // Taken first, so that the mark, the candidates and the holders are read
        // after any other writer of the log has committed, and nobody writes while
        // this run does.
        LockRawEventLog(m_connection);
        const qint64 mark = ProcessingMark(m_connection);
        if (attempt.afterUncertainCommit && lastThrough >= 0 && mark >= lastThrough) confirmed += lastOwn;
        lastThrough = -1;
        TProcessResult own;
        if (mark > markSeen)
            own.processedElsewhere =
                m_connection
                    .Select(Format(
                        QStringLiteral("SELECT COUNT(*) FROM employeeeventraw AS r WHERE "
                                       "r.employeeeventrawid > %d AND r.employeeeventrawid <= %d AND %s"),
                        {markSeen, mark, ProcessedTypes(QStringLiteral("r"))}))
                    .rows[0][0]
                    .toInt() -
                confirmed.candidates;
        own.candidates =
            m_connection.Select(QStringLiteral("SELECT COUNT(*) ") + Candidates(mark)).rows[0][0].toInt();

        TOwners owners(m_connection);
        TBatchInsert events(m_connection, QStringLiteral("INSERT INTO `employeeevent` VALUES "), BatchSize);
        const int reportEvery = std::max(1, own.candidates / 200);
        int position = 0;
        qint64 through = mark;
        // Read a page at a time by key, so that memory stays the same however many
        // records wait; the log cannot change under the lock.
        for (;;) {
            const TResultSet raw = m_connection.Select(
                QStringLiteral("SELECT %1 ").arg(QLatin1String(kRawColumns)) + Candidates(through) +
                QStringLiteral(" ORDER BY r.employeeeventrawid LIMIT %1").arg(PageSize));
            if (raw.rows.empty()) break;
            for (const auto& row : raw.rows) {
                const RawSwipe swipe = ReadSwipe(row);
                const Owner owner = owners.Of(swipe);
                switch (owner.kind) {
                case Owner::TKind::Event:
                    events.Add(EventValues(swipe, owner));
                    ++own.written;
                    break;
                case Owner::TKind::NoHolder:
                    ++own.unassigned;
                    break;
                case Owner::TKind::UnknownTicket:
                    ++own.skipped;
                    break;
                }
                ++position;
                if (OnProgress && (position % reportEvery == 0 || position == own.candidates))
                    OnProgress(position, own.candidates);
            }
            through = ReadSwipe(raw.rows.back()).id;
        }
        events.Flush();
        if (through > mark) SetMark(m_connection, through);
        lastOwn = own;
        lastOwn.processedElsewhere = 0;
        lastThrough = through;
        TProcessResult total = confirmed;
        total += own;
        return total;
    });
}

TCardEventsChange RederiveCardEvents(TZConnection& connection, qint64 cardId, const QDateTime& from) {
    TCardEventsChange change;
    const qint64 mark = ProcessingMark(connection);
    // the card's swipes: by its code, or by one of its tickets
    const QString swipes =
        Format(QStringLiteral(
                   "((%s AND r.cardcode = (SELECT cardcode FROM employeecard WHERE employeecardid = %d)) OR "
                   "(%s AND r.cardcode IN (SELECT horloaccessticketid FROM horloaccessticket WHERE "
                   "employeecardid = %d)))"),
               {CardTypes(QStringLiteral("r")), cardId, TicketTypes(QStringLiteral("r")), cardId});
    const QString since = from.isValid() ? QStringLiteral(" AND r.eventtime >= ") + Quoted(from) : QString();
    TOwners owners(connection);
    TBatchInsert made(connection, QStringLiteral("INSERT INTO `employeeevent` VALUES "), 500);
    QStringList removed;
    for (qint64 after = 0;;) {
        const TResultSet raw = connection.Select(
            QStringLiteral(
                "SELECT %1, e.employeeeventid, e.employeeid, e.horloguestid FROM employeeeventraw AS r "
                "LEFT JOIN employeeevent AS e ON e.employeeeventrawid = r.employeeeventrawid WHERE "
                "r.employeeeventrawid > %2 AND r.employeeeventrawid <= %3 AND %4%5 ORDER BY "
                "r.employeeeventrawid LIMIT 5000")
                .arg(QLatin1String(kRawColumns))
                .arg(after)
                .arg(mark)
                .arg(swipes, since));
        if (raw.rows.empty()) break;
        for (const auto& row : raw.rows) {
            const RawSwipe swipe = ReadSwipe(row);
            const Owner owner = owners.Of(swipe);
            const qint64 event = row[9].toLongLong();
            const bool owned = owner.kind == Owner::TKind::Event;
            if (event == 0) {
                if (!owned) continue;
                made.Add(EventValues(swipe, owner));
                ++change.made;
            } else if (!owned) {
                removed << QString::number(event);
                ++change.removed;
            } else if (row[10].toLongLong() != owner.employee || row[11].toLongLong() != owner.guest) {
                connection.Execute(Format(
                    QStringLiteral("UPDATE employeeevent SET employeeid = %s, horloguestid = %s WHERE "
                                   "employeeeventid = %d"),
                    {IdOrNull(owner.employee),
                     owner.employee > 0 ? QStringLiteral("NULL") : QString::number(owner.guest), event}));
                ++change.moved;
            }
        }
        after = ReadSwipe(raw.rows.back()).id;
    }
    made.Flush();
    // a swipe that nobody held the card for is no event: its record waits for a holder
    for (qsizetype i = 0; i < removed.size(); i += 500)
        connection.Execute(QStringLiteral("DELETE FROM employeeevent WHERE employeeeventid IN (%1)")
                               .arg(removed.mid(i, 500).join(QLatin1Char(','))));
    return change;
}

QString ProcessResultText(const TProcessResult& result) {
    QString text = _PROCESSED_EVENT_INF;
    if (result.processedElsewhere > 0)
        text += QLatin1Char('\n') + Format(_PROCESSED_ELSEWHERE_FMT, {result.processedElsewhere});
    if (result.unassigned > 0)
        text += QLatin1Char('\n') + Format(_PROCESSED_UNASSIGNED_FMT, {result.unassigned});
    if (result.skipped > 0) text += QLatin1Char('\n') + Format(_PROCESSED_NO_TICKET_FMT, {result.skipped});
    return text;
}

QString ReasonText(TUnassignedSwipe::TReason reason) {
    switch (reason) {
    case TUnassignedSwipe::TReason::NoHolder:
        return QString::fromUtf8(_SWIPE_NO_HOLDER_CAP);
    case TUnassignedSwipe::TReason::UnknownCard:
        return QString::fromUtf8(_SWIPE_UNKNOWN_CARD_CAP);
    case TUnassignedSwipe::TReason::UnknownTicket:
        return QString::fromUtf8(_SWIPE_UNKNOWN_TICKET_CAP);
    }
    return {};
}

QString ReasonCode(TUnassignedSwipe::TReason reason) {
    switch (reason) {
    case TUnassignedSwipe::TReason::NoHolder:
        return QStringLiteral("noholder");
    case TUnassignedSwipe::TReason::UnknownCard:
        return QStringLiteral("unknowncard");
    case TUnassignedSwipe::TReason::UnknownTicket:
        return QStringLiteral("unknownticket");
    }
    return {};
}

void WalkUnassignedSwipes(TZConnection& connection, const QDate& from, const QDate& to,
                          const std::function<void(const TUnassignedSwipe&)>& take) {
    QString period;
    if (from.isValid()) period += QStringLiteral(" AND r.eventtime >= '%1 00:00:00'").arg(SqlDate(from));
    if (to.isValid()) period += QStringLiteral(" AND r.eventtime <= '%1 23:59:59'").arg(SqlDate(to));
    const QString sql = Format(
        QStringLiteral("SELECT r.employeeeventrawid, r.eventtime, p.name, r.employeeeventtypeid, t.name, "
                       "IF(%s, tc.name, cc.name), IF(%s, tc.cardcode, r.cardcode), "
                       "IF(%s, tk.horloaccessticketid IS NULL, cc.employeecardid IS NULL) "
                       "FROM employeeeventraw AS r "
                       "LEFT JOIN employeeevent AS e ON e.employeeeventrawid = r.employeeeventrawid "
                       "LEFT JOIN horloaccesspoint AS p ON p.horloaccesspointid = r.horloaccesspointid "
                       "LEFT JOIN employeeeventtype AS t ON t.employeeeventtypeid = r.employeeeventtypeid "
                       "LEFT JOIN horloaccessticket AS tk ON %s AND tk.horloaccessticketid = r.cardcode "
                       "LEFT JOIN employeecard AS tc ON tc.employeecardid = tk.employeecardid "
                       "LEFT JOIN employeecard AS cc ON %s AND cc.cardcode = r.cardcode "
                       "WHERE e.employeeeventid IS NULL AND %s AND r.employeeeventrawid <= %d%s "
                       "ORDER BY r.eventtime, r.employeeeventrawid"),
        {TicketTypes(QStringLiteral("r")), TicketTypes(QStringLiteral("r")), TicketTypes(QStringLiteral("r")),
         TicketTypes(QStringLiteral("r")), CardTypes(QStringLiteral("r")),
         ProcessedTypes(QStringLiteral("r")), ProcessingMark(connection), period});
    connection.SelectEach(sql, {}, [&](std::vector<QVariant>& row) {
        TUnassignedSwipe s;
        s.rawId = row[0].toLongLong();
        s.time = row[1].toDateTime();
        s.door = row[2].toString();
        s.eventType = row[3].toLongLong();
        s.eventTypeName = row[4].toString();
        s.card = row[5].toString();
        s.code = row[6].toLongLong();
        const bool unknown = row[7].toLongLong() != 0;
        s.reason = !unknown                    ? TUnassignedSwipe::TReason::NoHolder
                   : IsTicketType(s.eventType) ? TUnassignedSwipe::TReason::UnknownTicket
                                               : TUnassignedSwipe::TReason::UnknownCard;
        take(s);
        return true;
    });
}
