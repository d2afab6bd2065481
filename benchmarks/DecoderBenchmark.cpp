// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding and storing a full 512,000-byte device image, beside one bare
// multi-row INSERT of the same rows into the same table.
#include "benchmarks/BareInsert.h"
#include "host/data/SysUtils.h"
#include "module/device/LogDecoder.h"
#include "tests/support/TestDatabase.h"

#include <QElapsedTimer>

#include <cstdio>
#include <vector>

namespace {

constexpr std::uint32_t kMemory = 512000;
constexpr std::uint16_t kUsers = 200;
constexpr int kCards = 200;

std::vector<std::uint8_t> MakeImage(std::uint32_t& slotCount) {
    std::vector<std::uint8_t> image(kMemory, 0);
    const std::size_t logStart = kImageHeaderSize + kUserRecordSize * kUsers;
    slotCount = std::uint32_t((kMemory - logStart) / kLogSlotSize);
    const QDateTime start(QDate(2024, 1, 1), QTime(7, 0), Qt::UTC);
    for (std::uint32_t k = 0; k < slotCount; ++k) {
        std::uint8_t* p = image.data() + logStart + kLogSlotSize * k;
        const std::uint32_t index = k + 1;
        const std::uint32_t card = 100000 + k % kCards;
        const QDateTime t = start.addSecs(qint64(k) * 97);
        const std::uint8_t slot[15] = {std::uint8_t(index >> 24),
                                       std::uint8_t(index >> 16),
                                       std::uint8_t(index >> 8),
                                       std::uint8_t(index),
                                       std::uint8_t(card >> 24),
                                       std::uint8_t(card >> 16),
                                       std::uint8_t(card >> 8),
                                       std::uint8_t(card),
                                       std::uint8_t(k % 2 ? 16 : 15),
                                       std::uint8_t(t.time().hour()),
                                       std::uint8_t(t.time().minute()),
                                       std::uint8_t(t.time().second()),
                                       std::uint8_t(t.date().day()),
                                       std::uint8_t(t.date().month()),
                                       std::uint8_t(t.date().year() - 2000)};
        std::copy(slot, slot + 15, p);
    }
    return image;
}

} // namespace

int main() {
    TestDatabase db;
    TZConnection& c = db.Connection();
    QStringList cards, tickets;
    for (int i = 0; i < kCards; ++i) {
        cards << QStringLiteral("(%1, %2, %3, 'C%1')")
                     .arg(i + 1)
                     .arg(i % 3 ? QString::number(i + 1) : QStringLiteral("NULL"))
                     .arg(100000 + i);
        tickets << QStringLiteral("(1, %1, NULL)").arg(i + 1);
    }
    c.Execute(
        QStringLiteral("INSERT INTO employeecard (employeecardid, employeeid, cardcode, name) VALUES ") +
        cards.join(','));
    c.Execute(
        QStringLiteral(
            "INSERT INTO horloaccessticket (horloaccesspointid, employeecardid, horloguestid) VALUES ") +
        tickets.join(','));
    c.Execute(QStringLiteral(
        "INSERT INTO horloaccesspoint (horloaccesspointid, name, macaddress, localip, publicip, udpport, "
        "tcpport) VALUES (1, 'A', 'm', '127.0.0.2', '127.0.0.2', 5001, 0)"));

    std::uint32_t slotCount = 0;
    const std::vector<std::uint8_t> image = MakeImage(slotCount);
    const QDate today(2026, 12, 31);

    for (int batch : {500, 1}) {
        c.Execute(QStringLiteral("DELETE FROM employeeeventraw"));
        c.Execute(QStringLiteral("UPDATE horloaccesspoint SET currentdeviceindex = 0"));
        TLogDecoder decoder(c);
        decoder.BatchSize = batch;
        QElapsedTimer timer;
        timer.start();
        const TDecodeResult r =
            decoder.ShowDecodedData(image.data(), image.size(), kMemory, kUsers, slotCount, 1, 0, today);
        const double seconds = timer.nsecsElapsed() / 1e9;
        std::printf("decode and store, %3d rows per INSERT: %d slots stored in %.3f s = %.0f slots/s\n",
                    batch, r.stored, seconds, r.stored / seconds);
    }

    TimeBareInsert(c, QStringLiteral("employeeeventraw"), "rows");
    return 0;
}
