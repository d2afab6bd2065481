// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/LogDecoder.h"
#include "module/device/LogProof.h"
#include "module/device/protocol/DeviceMemory.h"
#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Slot {
    std::uint32_t index;
    std::int32_t card;
    std::uint8_t type;
    std::uint8_t h, mi, s, d, mo, y;
};

// A memory image with U user records and the given log slots.
struct Image {
    std::uint16_t users;
    std::vector<std::uint8_t> bytes;
    Image(std::uint16_t u, std::size_t slotCount)
        : users(u), bytes(kImageHeaderSize + kUserRecordSize * u + kLogSlotSize * slotCount, 0xEE) {
        std::fill(bytes.begin() + long(LogStart()), bytes.end(), 0);
    }
    std::size_t LogStart() const { return kImageHeaderSize + kUserRecordSize * users; }
    void Put(std::size_t k, const Slot& s) {
        std::uint8_t* p = bytes.data() + LogStart() + kLogSlotSize * k;
        const std::uint32_t card = std::uint32_t(s.card);
        const std::uint8_t raw[15] = {std::uint8_t(s.index >> 24),
                                      std::uint8_t(s.index >> 16),
                                      std::uint8_t(s.index >> 8),
                                      std::uint8_t(s.index),
                                      std::uint8_t(card >> 24),
                                      std::uint8_t(card >> 16),
                                      std::uint8_t(card >> 8),
                                      std::uint8_t(card),
                                      s.type,
                                      s.h,
                                      s.mi,
                                      s.s,
                                      s.d,
                                      s.mo,
                                      s.y};
        std::copy(raw, raw + 15, p);
    }
    std::uint32_t Size() const { return std::uint32_t(bytes.size()); }
};

struct DecoderFixture : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    const QDate today{2024, 3, 20};

    void SetUp() override {
        c.Execute(QStringLiteral(
            "INSERT INTO employee (employeeid, firstname, lastname) VALUES (7, 'Ana', 'Ilić')"));
        c.Execute(QStringLiteral(
            "INSERT INTO horloguest (horloguestid, firstname, lastname, employeecardid) VALUES "
            "(3, 'Gost', 'Gostić', 2)"));
        c.Execute(
            QStringLiteral("INSERT INTO employeecard (employeecardid, employeeid, cardcode, name) VALUES "
                           "(1, 7, 999, 'K1'), (2, NULL, 555, 'G1'), (3, 7, -2, 'K3')"));
        c.Execute(QStringLiteral(
            "INSERT INTO horloaccessticket (horloaccessticketid, horloaccesspointid, employeecardid, "
            "employeeid, horloguestid) VALUES (11, 1, 1, 7, NULL), (12, 1, 2, NULL, 3), "
            "(21, 2, 1, 7, NULL)"));
        c.Execute(QStringLiteral(
            "INSERT INTO horloaccesspoint (horloaccesspointid, name, macaddress, localip, publicip, "
            "udpport, tcpport, currentdeviceindex) VALUES (1, 'A', 'm', '127.0.0.2', "
            "'127.0.0.2', 5001, 0, 100), (2, 'B', 'm', '127.0.0.3', '127.0.0.3', 5001, 0, 0)"));
    }
    TResultSet Raw(const QString& where = QStringLiteral("1")) {
        return c.Select(
            QStringLiteral("SELECT deviceindex, eventtime, employeeeventtypeid, employeeid, horloguestid, "
                           "horloaccessticketid, cardcode, horloaccesspointid FROM employeeeventraw WHERE ") +
            where + QStringLiteral(" ORDER BY deviceindex"));
    }
    qint64 Mark(int ap) {
        return c
            .Select(QStringLiteral(
                        "SELECT currentdeviceindex FROM horloaccesspoint WHERE horloaccesspointid = %1")
                        .arg(ap))
            .rows[0][0]
            .toLongLong();
    }
    TDecodeResult Decode(const Image& image, std::uint32_t mark = 100, qint64 ap = 1) {
        TLogDecoder decoder(c);
        return decoder.ShowDecodedData(image.bytes.data(), image.bytes.size(), image.Size(), image.users,
                                       std::uint32_t((image.bytes.size() - image.LogStart()) / kLogSlotSize),
                                       ap, mark, today);
    }
};

} // namespace

TEST(LogRecord, DecodesTheDocumentedSlot) {
    const std::uint8_t slot[15] = {0x00, 0x00, 0x01, 0x2C, 0x00, 0x00, 0x03, 0xE7,
                                   0x0F, 0x07, 0x1E, 0x05, 0x0C, 0x03, 0x11};
    const TLogRecord r = TLogRecord::FromBytes(slot);
    EXPECT_EQ(r.index, 300u);
    EXPECT_EQ(r.cardCode, 999);
    EXPECT_EQ(r.eventType, 15);
    EXPECT_EQ(r.TimeText(), QStringLiteral("2017-03-12 07:30:05"));
    EXPECT_TRUE(r.HasValidTime());
    const std::uint8_t odd[15] = {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 5, 7, 0, 0, 1, 2, 123};
    const TLogRecord o = TLogRecord::FromBytes(odd);
    EXPECT_EQ(o.index, 0xFFFFFFFEu); // unsigned
    EXPECT_EQ(o.cardCode, -1);       // signed
    EXPECT_EQ(o.TimeText(), QStringLiteral("20123-02-01 07:00:00"));
    EXPECT_FALSE(o.HasValidTime());
}

TEST(DecodeLogImage, KeepsNewRecordsWithRealTimesInSlotOrderAndCountsTheRest) {
    Image image(1, 6);
    image.Put(0, {5, 100, 1, 7, 58, 3, 4, 3, 24});  // at the mark
    image.Put(1, {9, 101, 2, 16, 2, 0, 4, 3, 24});  // new
    image.Put(2, {10, 102, 1, 0, 0, 0, 0, 0, 0});   // no time
    image.Put(3, {11, 103, 1, 25, 0, 0, 4, 3, 24}); // no such hour
    image.Put(4, {8, -7, 3, 8, 0, 0, 29, 2, 24});   // new, leap day
    image.Put(5, {12, 104, 1, 9, 0, 0, 1, 1, 25});  // not received
    const TDecodedLog log =
        DecodeLogImage(image.bytes.data(), image.LogStart() + 5 * kLogSlotSize + 14, image.Size(), 1, 100, 5);
    EXPECT_EQ(log.slotsRead, 5);
    EXPECT_EQ(log.notNew, 1);
    EXPECT_EQ(log.empty, 1);
    EXPECT_EQ(log.invalidTime, 1);
    ASSERT_EQ(log.records.size(), 2u);
    EXPECT_EQ(log.records[0].index, 9u);
    EXPECT_EQ(log.records[1].cardCode, -7);
    EXPECT_EQ(log.records[1].TimeText(), QStringLiteral("2024-02-29 08:00:00"));
}

TEST_F(DecoderFixture, StoresNewRecordsWithTheirOwnersAndMovesTheMark) {
    Image image(3, 10);
    image.Put(0, {100, 999, 5, 8, 0, 0, 1, 3, 24});           // equal to the mark: old
    image.Put(1, {0, 999, 5, 8, 0, 0, 1, 3, 24});             // index 0: never new
    image.Put(2, {101, 999, 15, 0, 0, 0, 0, 0, 0});           // empty time
    image.Put(3, {102, 999, 15, 7, 30, 5, 12, 3, 24});        // employee's card with a ticket here
    image.Put(4, {103, 555, 16, 9, 0, 0, 12, 3, 24});         // card without employee: the ticket's guest
    image.Put(5, {104, 4242, 5, 10, 0, 0, 12, 3, 24});        // unknown card
    image.Put(6, {0x80000001u, -2, 10, 11, 0, 0, 12, 3, 24}); // top bit set, card without a ticket here
    image.Put(7, {106, 999, 10, 16, 0, 0, 6, 2, 17});         // 2017-02-06: removed by the clean-up
    image.Put(8, {107, 999, 10, 16, 0, 0, 21, 3, 24});        // tomorrow: removed as well
    // slot 9 stays zero: index 0
    const TDecodeResult r = Decode(image);
    EXPECT_EQ(r.slotsRead, 10);
    EXPECT_EQ(r.stored, 4); // what the clean-up left
    EXPECT_EQ(r.empty, 1);
    EXPECT_EQ(r.notNew, 3);

    const TResultSet rows = Raw();
    ASSERT_EQ(rows.rows.size(), 4u);
    struct Expected {
        qint64 index;
        const char* time;
        int type;
        QVariant employee, guest;
        qint64 ticket;
        int card;
    } expected[] = {
        {102, "2024-03-12 07:30:05", 15, 7, QVariant(), 11, 999},
        {103, "2024-03-12 09:00:00", 16, QVariant(), 3, 12, 555},
        {104, "2024-03-12 10:00:00", 5, QVariant(), 0, 0, 4242},
        {0x80000001LL, "2024-03-12 11:00:00", 10, 7, QVariant(), 0, -2},
    };
    for (size_t i = 0; i < 4; ++i) {
        const auto& row = rows.rows[i];
        const Expected& e = expected[i];
        EXPECT_EQ(row[0].toLongLong(), e.index);
        EXPECT_EQ(row[1].toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                  QString::fromLatin1(e.time));
        EXPECT_EQ(row[2].toInt(), e.type);
        EXPECT_EQ(row[3].isNull(), e.employee.isNull()) << e.index;
        if (!e.employee.isNull()) {
            EXPECT_EQ(row[3].toInt(), e.employee.toInt());
        }
        EXPECT_EQ(row[4].isNull(), e.guest.isNull()) << e.index;
        if (!e.guest.isNull()) {
            EXPECT_EQ(row[4].toInt(), e.guest.toInt());
        }
        EXPECT_EQ(row[5].toLongLong(), e.ticket);
        EXPECT_EQ(row[6].toInt(), e.card);
        EXPECT_EQ(row[7].toInt(), 1);
    }
    EXPECT_TRUE(r.markMoved);
    EXPECT_EQ(Mark(1), 0x80000001LL);
    EXPECT_EQ(r.mark, 0x80000001u);
}

TEST_F(DecoderFixture, CleanUpAlsoRemovesOtherAccessPointsImpossibleRows) {
    c.Execute(QStringLiteral(
        "INSERT INTO employeeeventraw VALUES (NULL, NULL, '2016-01-01 08:00:00', 5, NULL, 0, 2, 0, 1, "
        "5, NULL), (NULL, NULL, '2024-03-01 08:00:00', 5, NULL, 0, 2, 0, 1, 0, NULL), "
        "(NULL, NULL, '2024-03-01 08:00:00', 5, NULL, 0, 2, 0, 1, 6, NULL)"));
    Image image(0, 1);
    image.Put(0, {101, 999, 5, 8, 0, 0, 1, 3, 24});
    const TDecodeResult r = Decode(image);
    EXPECT_EQ(r.removed, 2);
    EXPECT_EQ(Raw(QStringLiteral("horloaccesspointid = 2")).rows.size(), 1u);
    EXPECT_EQ(Mark(2), 0); // only the decoded access point's mark moves
}

TEST_F(DecoderFixture, ImpossibleTimesAreSkippedAndCountedNotFatal) {
    Image image(0, 6);
    image.Put(0, {101, 999, 5, 8, 0, 0, 1, 13, 24}); // month 13
    image.Put(1, {102, 999, 5, 8, 0, 0, 0, 3, 24});  // day 0
    image.Put(2, {103, 999, 5, 25, 0, 0, 1, 3, 24}); // hour 25
    image.Put(3, {104, 999, 5, 8, 0, 0, 30, 2, 24}); // 30 February
    image.Put(4, {105, 999, 5, 8, 0, 0, 1, 3, 123}); // year 20123
    image.Put(5, {106, 999, 5, 8, 0, 0, 1, 3, 24});
    const TDecodeResult r = Decode(image);
    EXPECT_EQ(r.invalidTime, 5);
    EXPECT_EQ(r.stored, 1);
    EXPECT_EQ(Mark(1), 106);
}

TEST_F(DecoderFixture, NeverReadsPastTheImageOrWhatWasReceived) {
    Image image(2, 4);
    for (std::uint32_t k = 0; k < 4; ++k)
        image.Put(k, {200 + k, 999, 5, 8, 0, std::uint8_t(k), 1, 3, 24});
    TLogDecoder decoder(c);
    // the device claims far more slots and users than its memory holds
    TDecodeResult r = decoder.ShowDecodedData(image.bytes.data(), image.bytes.size(), image.Size(), 2, 70000,
                                              1, 100, today);
    EXPECT_EQ(r.slotsRead, 4);
    // only the first three slots arrived (the download ended early)
    c.Execute(QStringLiteral("DELETE FROM employeeeventraw"));
    c.Execute(QStringLiteral("UPDATE horloaccesspoint SET currentdeviceindex = 100"));
    r = decoder.ShowDecodedData(image.bytes.data(), image.LogStart() + 3 * kLogSlotSize + 7, 512000, 2, 4, 1,
                                100, today);
    EXPECT_EQ(r.slotsRead, 3);
    EXPECT_EQ(Raw().rows.size(), 3u);
    // user records that fill the whole memory leave no slot at all
    r = decoder.ShowDecodedData(image.bytes.data(), image.bytes.size(), image.Size(), 60000, 4, 1, 100,
                                today);
    EXPECT_EQ(r.slotsRead, 0);
    r = decoder.ShowDecodedData(image.bytes.data(), image.bytes.size(), image.Size(), 2, 0, 1, 100, today);
    EXPECT_EQ(r.slotsRead, 0);
}

TEST_F(DecoderFixture, AFailureStoresNothingAndKeepsTheMark) {
    c.ExecuteScript(
        QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON employeeeventraw FOR EACH ROW "
                       "BEGIN IF NEW.cardcode = 4242 THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = "
                       "'refused'; END IF; END"));
    Image image(0, 3);
    image.Put(0, {101, 999, 5, 8, 0, 0, 1, 3, 24});
    image.Put(1, {102, 4242, 5, 8, 0, 0, 1, 3, 24});
    image.Put(2, {103, 999, 5, 8, 0, 0, 1, 3, 24});
    for (int batch : {1, 500}) {
        TLogDecoder decoder(c);
        decoder.BatchSize = batch;
        EXPECT_THROW(decoder.ShowDecodedData(image.bytes.data(), image.bytes.size(), image.Size(), 0, 3, 1,
                                             100, today),
                     EDatabaseError);
        EXPECT_EQ(Raw().rows.size(), 0u) << batch;
        EXPECT_EQ(Mark(1), 100);
    }
}

TEST_F(DecoderFixture, LooksUpEachCardOncePerRun) {
    Image image(0, 40);
    for (std::uint32_t k = 0; k < 40; ++k)
        image.Put(k, {101 + k, k % 2 ? 999 : 555, 15, 8, 0, 0, 1, 3, 24});
    auto selects = [&] {
        return c.Select(QStringLiteral("SHOW SESSION STATUS LIKE 'Com_select'")).rows[0][1].toLongLong();
    };
    const qint64 before = selects();
    const TDecodeResult r = Decode(image);
    EXPECT_EQ(r.stored, 40);
    // two lookups per card, the mark, the records stored before, the count left stored,
    // the status query
    EXPECT_LE(selects() - before, 2 * 2 + 1 + 1 + 1 + 1);
}

// Bytes of another block inside the run of new records: the proof calls the run
// broken and names every block of the gap, the middle ones too, so that the
// download reads them again instead of storing the run with a hole.
TEST(ProveLogImage, AWrongBlockInsideTheRunBreaksItAndIsNamed) {
    constexpr std::uint16_t kUsers = 4;
    constexpr std::uint32_t kMemory = 2048, kBlock = 64, kSlots = 122;
    struct Case {
        const char* name;
        std::uint32_t zeroBlock; // read as zeros; 0 none
        bool broken;
    } cases[] = {{"whole run", 0, false}, {"a block in the middle of the run", 4, true}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        std::vector<std::uint8_t> image(kMemory, 0);
        for (std::uint32_t i = 1; i <= 19; ++i)
            EncodeLogSlot({i, 1001, 15, 8, std::uint8_t(i), 0, 1, 3, 24},
                          &image[LogSlotOffset(kUsers, i - 1)]);
        if (k.zeroBlock) std::fill_n(&image[k.zeroBlock * kBlock], kBlock, 0);
        const TLogProof proof = ProveLogImage(image.data(), image.size(), kMemory, kUsers, kSlots, 0, kBlock);
        EXPECT_EQ(proof.broken, k.broken);
        if (k.zeroBlock) {
            EXPECT_TRUE(proof.suspect.count(k.zeroBlock));
        } else {
            EXPECT_EQ(proof.records.size(), 19u);
        }
    }
}
