// SPDX-License-Identifier: GPL-3.0-or-later
// The log decoder over arbitrary memory images and sizes (no database).
//
// Input: received bytes (4, big-endian, taken modulo the image's length + 1),
// memory size (4), user records (2), log slots (4), the mark (4); the rest is
// the image.
#include "fuzz/FuzzCheck.h"
#include "module/device/LogDecoder.h"

#include <algorithm>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput in(data, size);
    const std::uint32_t received = in.BigEndian(4);
    const std::uint32_t memorySize = in.BigEndian(4);
    const auto users = static_cast<std::uint16_t>(in.BigEndian(2));
    const std::uint32_t maxLogRecords = in.BigEndian(4);
    const std::uint32_t mark = in.BigEndian(4);
    std::size_t length = 0;
    const std::uint8_t* bytes = in.Take(in.Left(), length);
    // Exactly the image's length, so a slot read past it is caught.
    const std::vector<std::uint8_t> image(bytes, bytes + length);
    const std::size_t receivedBytes = received % (length + 1);

    const TDecodedLog log =
        DecodeLogImage(image.data(), receivedBytes, memorySize, users, maxLogRecords, mark);

    // Every slot read lies inside what was received, the memory and the log area.
    const std::size_t logStart = kImageHeaderSize + kUserRecordSize * users;
    const std::size_t slotsRead = static_cast<std::size_t>(log.slotsRead);
    FUZZ_CHECK(slotsRead <= maxLogRecords);
    FUZZ_CHECK(slotsRead == 0 ||
               logStart + kLogSlotSize * slotsRead <= std::min<std::size_t>(receivedBytes, memorySize));
    // Every slot read is counted once.
    FUZZ_CHECK(log.records.size() + std::size_t(log.notNew + log.empty + log.invalidTime) == slotsRead);
    for (const TLogRecord& r : log.records) {
        FUZZ_CHECK(r.index > mark);
        FUZZ_CHECK(!r.IsEmpty() && r.HasValidTime());
        // The stored text is a real "20yy-mm-dd hh:nn:ss" date-time.
        const QString text = r.TimeText();
        FUZZ_CHECK(text.size() == 19);
        FUZZ_CHECK(QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd")).isValid());
        FUZZ_CHECK(QTime::fromString(text.mid(11), QStringLiteral("HH:mm:ss")).isValid());
    }
    return 0;
}
