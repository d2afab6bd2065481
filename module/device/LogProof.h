// SPDX-License-Identifier: GPL-3.0-or-later
// What a device memory image says about the records above a mark, and which of its
// blocks deserve a second reading. Block replies carry no block number, so a copy
// taken in place of a lost reply, or a reply that came for an earlier request, puts
// another block's bytes into the image; timing cannot always tell. A tidy log can: a
// ring of slots whose record indexes rise by one from slot to slot, the records above
// the mark one unbroken run from the mark + 1 (unless the device overwrote them) to
// the newest, each a real date-time, followed by a slot that is empty or older.
// Whatever breaks that names blocks to read again, and the blocks at the run's two
// ends are read again in any case, since a wrong block there could hide records
// without breaking anything. A device need not be tidy: once its blocks read the same
// again, what they hold is its content, however it is laid out.
#pragma once

#include "module/device/LogDecoder.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

struct TLogProof {
    // Blocks that some slot in them breaks the rules with: read them again.
    std::set<std::uint32_t> suspect;
    // Blocks at the ends of the new run (or where it would begin): they must read
    // the same twice before the run is believed.
    std::set<std::uint32_t> frontier;
    // The new records are not one tidy run (a repeated index, a gap, a run that jumps
    // between slots, a newer slot after the newest, a missing start).
    bool broken = false;
    // The new records in index order, valid date-times only; meaningful when suspect
    // is empty and every frontier block is confirmed.
    std::vector<TLogRecord> records;
    int invalidTime = 0;         // new slots whose bytes form no real date-time (stored never)
    std::uint32_t newest = 0;    // the device's newest index (0: an empty log)
    std::uint32_t oldestNew = 0; // the first index of the new run (0: none)
    int slotsRead = 0;
    int empty = 0;
    int notNew = 0;
    // The device holds nothing up to the mark: replaced, cleared, or the mark is garbage.
    bool BelowMark(std::uint32_t mark) const { return newest < mark; }
    // Records after the mark were overwritten before this read.
    bool Overwritten(std::uint32_t mark) const { return mark > 0 && oldestNew > mark + 1; }
};

// Examines image[0, receivedBytes) of a device whose memory holds memorySize
// bytes, with usersCount user records and maxLogRecords log slots, against the
// mark. Slots past the received bytes are not read.
TLogProof ProveLogImage(const std::uint8_t* image, std::size_t receivedBytes, std::uint32_t memorySize,
                        std::uint16_t usersCount, std::uint32_t maxLogRecords, std::uint32_t mark,
                        std::uint32_t blockSize);
