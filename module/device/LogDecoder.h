// Decodes the log records of a device memory image and stores the new ones as
// raw events of one access point, moving its high-water mark. Widget-free: the
// import dialog and the command line drive it alike.
#pragma once

#include "host/Database.h"

#include <QDate>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

// Layout of a device memory image: a 128-byte header, the user records, then
// the log slots.
constexpr std::size_t kImageHeaderSize = 128;
constexpr std::size_t kUserRecordSize = 21;
constexpr std::size_t kLogSlotSize = 15;

// One 15-byte log slot.
struct TLogRecord {
    std::uint32_t index = 0; // unsigned; 0 is never a real record
    std::int32_t cardCode = 0;
    std::uint8_t eventType = 0;
    std::uint8_t hour = 0, minute = 0, second = 0, day = 0, month = 0, year = 0; // year after 2000

    static TLogRecord FromBytes(const std::uint8_t* slot);
    // "20yy-mm-dd hh:nn:ss", each part at least two digits.
    QString TimeText() const;
    bool IsEmpty() const;      // all six time bytes zero
    bool HasValidTime() const; // the text names a real date-time
};

struct TDecodeResult {
    int slotsRead = 0;   // slots that lay inside the received image
    int stored = 0;      // raw rows inserted
    int notNew = 0;      // index not above the mark
    int empty = 0;       // time bytes all zero
    int invalidTime = 0; // time bytes that form no real date-time
    int removed = 0;     // raw rows deleted by the clean-up (all access points)
    int storedElsewhere = 0; // new when the download started, stored meanwhile by another program
    bool markMoved = false;
    std::uint32_t mark = 0; // the access point's mark afterwards
};

// The records of an image that are due for storing, in slot order, and what
// was passed over.
struct TDecodedLog {
    std::vector<TLogRecord> records; // index above the mark, with a real date-time
    int slotsRead = 0;
    int notNew = 0;
    int empty = 0;
    int invalidTime = 0;
};

// Decodes image[0, receivedBytes) of a device whose memory holds memorySize
// bytes, with usersCount user records and maxLogRecords log slots, keeping the
// records above mark. Touches no database; image must hold receivedBytes bytes.
TDecodedLog DecodeLogImage(const std::uint8_t* image, std::size_t receivedBytes, std::uint32_t memorySize,
                           std::uint16_t usersCount, std::uint32_t maxLogRecords, std::uint32_t mark);

// Taken first in every transaction that writes or processes raw events: the
// others wait until it commits (on a cluster, conflict and run again), so raw
// keys are committed in the order they are given and the marks read after it
// are final.
void LockRawEventLog(TZConnection& connection);

class TLogDecoder {
public:
    explicit TLogDecoder(TZConnection& connection) : m_connection(connection) {}

    // Decodes received[0, receivedBytes) of a device whose memory holds
    // memorySize bytes, with usersCount user records and maxLogRecords log
    // slots, and stores the new records for the access point: those above its
    // mark as read again once the log is locked. markSeen is the mark that the
    // download started from; records between the two were stored by another
    // program. All of it happens in one transaction: on an error nothing is
    // stored, the mark stays, and the error propagates.
    TDecodeResult ShowDecodedData(const std::uint8_t* image, std::size_t receivedBytes,
                                  std::uint32_t memorySize, std::uint16_t usersCount,
                                  std::uint32_t maxLogRecords, qint64 accessPointId,
                                  std::uint32_t markSeen, const QDate& today);

    // Rows per INSERT statement; 1 sends one statement per record.
    int BatchSize = 500;

private:
    TDecodeResult Store(const TDecodedLog& decoded, qint64 accessPointId, std::uint32_t markSeen,
                        const QDate& today);
    TZConnection& m_connection;
};
