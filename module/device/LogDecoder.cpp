// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/LogDecoder.h"

#include "host/data/SysUtils.h"
#include "module/data/EventTypes.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <optional>

// The event types the data layer knows by these codes are the ones the devices write.
static_assert(kArrivalEventType == kTicketArrivalEvent && kDepartureEventType == kTicketDepartureEvent &&
              kCardArrivalEventType == kCardArrivalEvent && kCardDepartureEventType == kCardDepartureEvent);

namespace {

QString TwoDigits(std::uint8_t v) {
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

// A door's record as its natural key names it: index, time, card and type.
QString RecordKey(qint64 index, const QString& time, qint64 cardCode, qint64 eventType) {
    return QStringLiteral("%1|%2|%3|%4").arg(index).arg(time).arg(cardCode).arg(eventType);
}

struct CardOwner {
    qint64 employeeId = 0;
    qint64 ticketId = 0;
    qint64 guestId = 0;
};

} // namespace

TLogRecord TLogRecord::FromBytes(const std::uint8_t* slot) {
    const TLogSlot s = DecodeLogSlot(slot);
    return {s.index, std::int32_t(s.card), s.eventType, s.hour, s.minute, s.second, s.day, s.month, s.year};
}

QString TLogRecord::TimeText() const {
    return QStringLiteral("20") + TwoDigits(year) + QLatin1Char('-') + TwoDigits(month) + QLatin1Char('-') +
           TwoDigits(day) + QLatin1Char(' ') + TwoDigits(hour) + QLatin1Char(':') + TwoDigits(minute) +
           QLatin1Char(':') + TwoDigits(second);
}

bool TLogRecord::HasValidTime() const {
    return year <= 99 && QDate::isValid(2000 + year, month, day) && QTime::isValid(hour, minute, second);
}

bool TLogRecord::IsEmpty() const {
    return !hour && !minute && !second && !day && !month && !year;
}

TDecodedLog DecodeLogImage(const std::uint8_t* image, std::size_t receivedBytes, std::uint32_t memorySize,
                           std::uint16_t usersCount, std::uint32_t maxLogRecords, std::uint32_t mark) {
    TDecodedLog out;
    // Only bytes that this download received and that lie inside the device's
    // memory are read; a slot reaching past them is never decoded.
    const std::size_t limit = std::min<std::size_t>(receivedBytes, memorySize);
    const std::size_t slotCount = std::min<std::size_t>(maxLogRecords, LogSlotsWithin(limit, usersCount));
    out.records.reserve(slotCount);
    for (std::size_t k = 0; k < slotCount; ++k) {
        const TLogRecord r = TLogRecord::FromBytes(image + LogSlotOffset(usersCount, k));
        ++out.slotsRead;
        if (r.index <= mark) {
            ++out.notNew;
            continue;
        }
        if (r.IsEmpty()) {
            ++out.empty;
            continue;
        }
        // A slot whose bytes form no real date-time would fail the whole
        // statement and block this device's import for good.
        if (!r.HasValidTime()) {
            ++out.invalidTime;
            continue;
        }
        out.records.push_back(r);
    }
    return out;
}

void LockRawEventLog(TZConnection& connection) {
    // A write, not a locking read: a cluster certifies writes only. The row is
    // made again should it be missing.
    connection.Execute(QStringLiteral("INSERT INTO horlolock (name, taken) VALUES ('employeeeventraw', 1) "
                                      "ON DUPLICATE KEY UPDATE taken = taken + 1"));
}

TDecodeResult TLogDecoder::ShowDecodedData(const std::uint8_t* image, std::size_t receivedBytes,
                                           std::uint32_t memorySize, std::uint16_t usersCount,
                                           std::uint32_t maxLogRecords, qint64 accessPointId,
                                           std::uint32_t markSeen, const QDate& today) {
    const TDecodedLog decoded =
        DecodeLogImage(image, receivedBytes, memorySize, usersCount, maxLogRecords, markSeen);
    std::uint32_t newest = markSeen;
    for (const TLogRecord& r : decoded.records)
        newest = std::max(newest, r.index);
    TDecodeResult result = StoreRecords(decoded.records, accessPointId, markSeen, newest, today);
    result.slotsRead = decoded.slotsRead;
    result.notNew = decoded.notNew;
    result.empty = decoded.empty;
    result.invalidTime = decoded.invalidTime;
    return result;
}

TDecodeResult TLogDecoder::StoreRecords(const std::vector<TLogRecord>& records, qint64 accessPointId,
                                        std::uint32_t markSeen, std::uint32_t newest, const QDate& today) {
    // The attempt whose COMMIT was cut off: if it was saved, the rerun finds the
    // mark where that attempt left it and nothing left to store.
    std::optional<TDecodeResult> unsure;
    return RunInTransaction(m_connection, Retry, [&](const TAttempt& attempt) {
        TDecodeResult result = Store(records, accessPointId, markSeen, newest, today);
        if (attempt.afterUncertainCommit && unsure && unsure->stored > 0 && result.stored == 0 &&
            result.mark == unsure->mark)
            return *unsure;
        unsure = result;
        return result;
    });
}

void ResetDeviceMark(TZConnection& connection, qint64 accessPointId, std::uint32_t index) {
    RunInTransaction(connection, [&] {
        LockRawEventLog(connection);
        connection.Execute(
            Format(QStringLiteral(
                       "UPDATE horloaccesspoint SET currentdeviceindex = %u WHERE horloaccesspointid = %d"),
                   {index, accessPointId}));
    });
}

TDecodeResult TLogDecoder::Store(const std::vector<TLogRecord>& records, qint64 accessPointId,
                                 std::uint32_t markSeen, std::uint32_t newest, const QDate& today) {
    TDecodeResult result;
    result.mark = markSeen;
    LockRawEventLog(m_connection);
    // Another import of this door (another desk, a job on another machine) may
    // have stored records since this download began, or the mark was set back.
    const TResultSet markNow = m_connection.Select(Format(
        QStringLiteral("SELECT currentdeviceindex FROM horloaccesspoint WHERE horloaccesspointid = %d"),
        {accessPointId}));
    const std::uint32_t mark = markNow.rows.empty() ? 0u : std::uint32_t(markNow.rows[0][0].toLongLong());
    if (mark < markSeen) {
        result.markSetBack = true;
        result.mark = mark;
        return result;
    }
    result.mark = mark;

    QHash<std::int32_t, CardOwner> owners; // one lookup per card and run
    auto ownerOf = [&](std::int32_t cardCode) {
        auto it = owners.constFind(cardCode);
        if (it != owners.constEnd()) return *it;
        CardOwner owner;
        const TResultSet card = m_connection.Select(
            Format(QStringLiteral("SELECT * FROM employeecard WHERE cardcode = %d"), {cardCode}));
        qint64 cardId = 0;
        if (!card.rows.empty()) {
            cardId = card.Value(0, QStringLiteral("employeecardid")).toLongLong();
            owner.employeeId = card.Value(0, QStringLiteral("employeeid")).toLongLong();
        }
        const TResultSet ticket = m_connection.Select(Format(
            QStringLiteral(
                "SELECT * FROM horloaccessticket WHERE employeecardid = %d AND horloaccesspointid= %d"),
            {cardId, accessPointId}));
        if (!ticket.rows.empty()) {
            owner.ticketId = ticket.Value(0, QStringLiteral("horloaccessticketid")).toLongLong();
            owner.guestId = ticket.Value(0, QStringLiteral("horloguestid")).toLongLong();
        }
        owners.insert(cardCode, owner);
        return owner;
    };

    // Records of this door stored before, under the mark a reset set back: never twice.
    QSet<QString> stored;
    std::uint32_t lowest = 0, highest = 0;
    for (const TLogRecord& r : records)
        if (r.index > mark) {
            lowest = lowest == 0 ? r.index : std::min(lowest, r.index);
            highest = std::max(highest, r.index);
        }
    if (highest > 0) {
        const TResultSet known = m_connection.Select(Format(
            QStringLiteral("SELECT deviceindex, eventtime, cardcode, employeeeventtypeid FROM "
                           "`employeeeventraw` WHERE horloaccesspointid = %d AND deviceindex BETWEEN %u "
                           "AND %u"),
            {accessPointId, lowest, highest}));
        for (const auto& row : known.rows)
            stored.insert(RecordKey(row[0].toLongLong(), SqlDateTime(row[1].toDateTime()),
                                    row[2].toLongLong(), row[3].toLongLong()));
    }

    TBatchInsert rows(m_connection, QStringLiteral("INSERT INTO `employeeeventraw` VALUES "), BatchSize);
    int inserted = 0;
    for (const TLogRecord& r : records) {
        if (r.index <= mark) {
            ++result.storedElsewhere;
            continue;
        }
        if (!stored.isEmpty() && stored.contains(RecordKey(r.index, r.TimeText(), r.cardCode, r.eventType))) {
            ++result.alreadyStored;
            continue;
        }
        const CardOwner owner = ownerOf(r.cardCode);
        const QString quotedTime = QLatin1Char('\'') + r.TimeText() + QLatin1Char('\'');
        const int eventType = r.eventType;
        if (owner.employeeId > 0)
            rows.Add(Format(QStringLiteral("(NULL, NULL, %s, %d, %d, NULL, %d, %d, %d, %u, NULL)"),
                            {quotedTime, eventType, owner.employeeId, accessPointId, owner.ticketId,
                             r.cardCode, r.index}));
        else
            rows.Add(Format(
                QStringLiteral("(NULL, NULL, %s, %d, NULL, %d, %d, %d, %d, %u, NULL)"),
                {quotedTime, eventType, owner.guestId, accessPointId, owner.ticketId, r.cardCode, r.index}));
        ++inserted;
    }
    rows.Flush();

    result.removed = int(m_connection.Execute(Format(
        QStringLiteral("DELETE FROM `employeeeventraw` WHERE (deviceindex = 0) OR (eventtime < '2017-02-07 "
                       "00:00:00') OR (eventtime > '%s 23:59:59')"),
        {SqlDate(today)})));
    // what this run left stored: its rows are the newest keys of the access point
    if (inserted > 0)
        result.stored =
            m_connection
                .Select(Format(QStringLiteral("SELECT COUNT(*) FROM `employeeeventraw` WHERE "
                                              "horloaccesspointid = %d AND employeeeventrawid >= %d"),
                               {accessPointId, rows.FirstInsertId()}))
                .rows[0][0]
                .toInt();
    const TResultSet maxIndex = m_connection.Select(Format(
        QStringLiteral("SELECT MAX(deviceindex) FROM `employeeeventraw` WHERE horloaccesspointid = %d AND "
                       "deviceindex > %u AND deviceindex <= %u"),
        {accessPointId, mark, newest}));
    if (!maxIndex.rows.empty() && !maxIndex.rows[0][0].isNull()) {
        const qint64 index = maxIndex.rows[0][0].toLongLong();
        m_connection.Execute(
            Format(QStringLiteral(
                       "UPDATE horloaccesspoint SET currentdeviceindex = %d WHERE horloaccesspointid = %d"),
                   {index, accessPointId}));
        result.markMoved = true;
        result.mark = std::uint32_t(index);
    }
    return result;
}
