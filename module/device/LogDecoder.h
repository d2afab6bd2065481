// SPDX-License-Identifier: GPL-3.0-or-later
// Decodes the log records of a device memory image and stores the new ones as
// raw events of one access point, moving its high-water mark. Widget-free: the
// import dialog and the command line drive it alike.
#pragma once

#include "host/data/Database.h"
#include "module/device/protocol/DeviceMemory.h"

#include <QDate>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

// One log slot as the download reads it: the card as the signed code the database
// keeps.
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
    int slotsRead = 0;        // slots that lay inside the received image
    int stored = 0;           // raw rows inserted and still there after the clean-up
    int notNew = 0;           // index not above the mark
    int empty = 0;            // time bytes all zero
    int invalidTime = 0;      // time bytes that form no real date-time
    int removed = 0;          // raw rows deleted by the clean-up (all access points)
    int storedElsewhere = 0;  // new when the download started, stored meanwhile by another program
    int alreadyStored = 0;    // above the mark, but stored for the door before (the mark was set back)
    bool markSetBack = false; // the mark was set back during the download: nothing stored
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
    // slots, and stores the records above markSeen (StoreRecords).
    TDecodeResult ShowDecodedData(const std::uint8_t* image, std::size_t receivedBytes,
                                  std::uint32_t memorySize, std::uint16_t usersCount,
                                  std::uint32_t maxLogRecords, qint64 accessPointId, std::uint32_t markSeen,
                                  const QDate& today);

    // Stores records (above markSeen, the mark the download started from) for the
    // access point, removes raw rows with impossible dates, and moves the mark to the
    // highest index stored that is at most newest, the device's newest: a stored row
    // above what the device holds never pulls the mark up. All of it happens in one
    // transaction, with the log locked and the mark read again: records another
    // program stored meanwhile are not stored twice; a mark set back meanwhile
    // (horlo point reset-mark) stores nothing. A record the door has stored already
    // (same index, time, card and type: a mark set back before the download) is not
    // stored again. On an error nothing is stored, the mark stays, and the error
    // propagates. A session lost while the COMMIT was under way is run again when
    // Retry allows it: what the cut-off attempt saved is then what it reports.
    TDecodeResult StoreRecords(const std::vector<TLogRecord>& records, qint64 accessPointId,
                               std::uint32_t markSeen, std::uint32_t newest, const QDate& today);

    // Rows per INSERT statement; 1 sends one statement per record.
    int BatchSize = 500;
    // How the store's transaction runs again after a conflict or a lost session.
    TRetryPolicy Retry;

private:
    TDecodeResult Store(const std::vector<TLogRecord>& records, qint64 accessPointId, std::uint32_t markSeen,
                        std::uint32_t newest, const QDate& today);
    TZConnection& m_connection;
};

// Sets an access point's mark in one transaction, with the log locked so that no
// store of it runs meanwhile; a store whose download began before it stores nothing.
void ResetDeviceMark(TZConnection& connection, qint64 accessPointId, std::uint32_t index);
