// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/protocol/DeviceMemory.h"

namespace {

// Byte positions inside a user record and a log slot.
constexpr std::size_t kUserTicketAt = 0;
constexpr std::size_t kUserCodeAt = 4;
constexpr std::size_t kUserFlagsAt = 20;
constexpr std::uint8_t kUserRecordInUse = 0x80;
constexpr std::uint8_t kUserRecordActive = 0x01;

constexpr std::size_t kSlotIndexAt = 0;
constexpr std::size_t kSlotCardAt = 4;
constexpr std::size_t kSlotEventAt = 8;
constexpr std::size_t kSlotTimeAt = 9; // hour, minute, second, day, month, year

static_assert(kUserFlagsAt < kUserRecordSize);
static_assert(kSlotTimeAt + 6 == kLogSlotSize);

} // namespace

std::uint32_t ReadBigEndian(const std::uint8_t* field, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | field[i];
    return value;
}

void WriteBigEndian(std::uint8_t* field, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        field[i] = static_cast<std::uint8_t>(value >> (8 * (bytes - 1 - i)));
}

void EncodeUserRecord(const TUserRecord& record, std::uint8_t* bytes) {
    for (std::size_t i = 0; i < kUserRecordSize; ++i)
        bytes[i] = 0;
    WriteBigEndian(bytes + kUserTicketAt, record.ticket, 4);
    WriteBigEndian(bytes + kUserCodeAt, record.code, 4);
    bytes[kUserFlagsAt] = kUserRecordInUse | (record.active ? kUserRecordActive : 0);
}

TLogSlot DecodeLogSlot(const std::uint8_t* bytes) {
    TLogSlot s;
    s.index = ReadBigEndian(bytes + kSlotIndexAt, 4);
    s.card = ReadBigEndian(bytes + kSlotCardAt, 4);
    s.eventType = bytes[kSlotEventAt];
    const std::uint8_t* time = bytes + kSlotTimeAt;
    s.hour = time[0];
    s.minute = time[1];
    s.second = time[2];
    s.day = time[3];
    s.month = time[4];
    s.year = time[5];
    return s;
}

void EncodeLogSlot(const TLogSlot& slot, std::uint8_t* bytes) {
    WriteBigEndian(bytes + kSlotIndexAt, slot.index, 4);
    WriteBigEndian(bytes + kSlotCardAt, slot.card, 4);
    bytes[kSlotEventAt] = slot.eventType;
    std::uint8_t* time = bytes + kSlotTimeAt;
    time[0] = slot.hour;
    time[1] = slot.minute;
    time[2] = slot.second;
    time[3] = slot.day;
    time[4] = slot.month;
    time[5] = slot.year;
}
