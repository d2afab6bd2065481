// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The device memory image as a device keeps it: a 128-byte header, the user records,
// then the log slots, every number big-endian. The download decodes it; the
// simulated devices write it.

#include <cstddef>
#include <cstdint>

// The one way a big-endian field of `bytes` bytes (1 to 4) is read or written, in the
// image and in frames alike.
std::uint32_t ReadBigEndian(const std::uint8_t* field, int bytes);
void WriteBigEndian(std::uint8_t* field, std::uint32_t value, int bytes);

inline constexpr std::size_t kImageHeaderSize = 128; // not interpreted by the download
inline constexpr std::size_t kUserRecordSize = 21;
inline constexpr std::size_t kLogSlotSize = 15;

// Event codes a swipe writes into the log: by access ticket (the slot's card field
// holds the ticket) or by card code.
inline constexpr std::uint8_t kTicketArrivalEvent = 5;
inline constexpr std::uint8_t kTicketDepartureEvent = 10;
inline constexpr std::uint8_t kCardArrivalEvent = 15;
inline constexpr std::uint8_t kCardDepartureEvent = 16;

// Where user record `record` begins.
constexpr std::size_t UserRecordOffset(std::size_t record) {
    return kImageHeaderSize + kUserRecordSize * record;
}
// Where the log begins: after the header and `usersCount` user records.
constexpr std::size_t LogOffset(std::size_t usersCount) {
    return UserRecordOffset(usersCount);
}
// Where log slot `slot` begins.
constexpr std::size_t LogSlotOffset(std::size_t usersCount, std::size_t slot) {
    return LogOffset(usersCount) + kLogSlotSize * slot;
}
// The whole log slots that the first `bytes` bytes of the image hold.
constexpr std::size_t LogSlotsWithin(std::size_t bytes, std::size_t usersCount) {
    return bytes > LogOffset(usersCount) ? (bytes - LogOffset(usersCount)) / kLogSlotSize : 0;
}

// A card the device keeps. Ticket 0 marks a free user record.
struct TUserRecord {
    std::uint32_t ticket = 0;
    std::uint32_t code = 0;
    bool active = true;
};
// Writes kUserRecordSize bytes: ticket, card code, reserved zeros, flags (0x80, bit 0
// set while the card is active).
void EncodeUserRecord(const TUserRecord& record, std::uint8_t* bytes);

// One log slot as it is stored. The time fields are raw bytes; year counts from 2000.
struct TLogSlot {
    std::uint32_t index = 0; // 0 is never a real record
    std::uint32_t card = 0;  // the access ticket for the ticket events, else the card code
    std::uint8_t eventType = 0;
    std::uint8_t hour = 0, minute = 0, second = 0, day = 0, month = 0, year = 0;
};
// Each reads or writes kLogSlotSize bytes.
TLogSlot DecodeLogSlot(const std::uint8_t* bytes);
void EncodeLogSlot(const TLogSlot& slot, std::uint8_t* bytes);
