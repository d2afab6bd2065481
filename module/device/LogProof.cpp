// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/LogProof.h"

#include <algorithm>

TLogProof ProveLogImage(const std::uint8_t* image, std::size_t receivedBytes, std::uint32_t memorySize,
                        std::uint16_t usersCount, std::uint32_t maxLogRecords, std::uint32_t mark,
                        std::uint32_t blockSize) {
    TLogProof proof;
    const std::size_t limit = std::min<std::size_t>(receivedBytes, memorySize);
    const std::size_t count = std::min<std::size_t>(maxLogRecords, LogSlotsWithin(limit, usersCount));
    if (count == 0) return proof;
    const auto slotAt = [&](std::size_t k) { return image + LogSlotOffset(usersCount, k); };
    const auto blocksOf = [&](std::size_t k, std::set<std::uint32_t>& into) {
        const std::size_t first = LogSlotOffset(usersCount, k);
        into.insert(std::uint32_t(first / blockSize));
        into.insert(std::uint32_t((first + kLogSlotSize - 1) / blockSize));
    };
    const auto next = [&](std::size_t k) { return (k + 1) % count; };
    const auto prev = [&](std::size_t k) { return (k + count - 1) % count; };

    struct Claim {
        std::uint32_t index;
        std::size_t slot;
        bool valid;
    };
    std::vector<Claim> claims; // slots that say they hold a record above the mark
    std::size_t newestSlot = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const TLogRecord r = TLogRecord::FromBytes(slotAt(k));
        ++proof.slotsRead;
        if (r.IsEmpty()) {
            ++proof.empty;
            if (r.index > mark) blocksOf(k, proof.suspect); // an index without a time: another block's bytes
            continue;
        }
        const bool valid = r.HasValidTime();
        if (valid && r.index >= proof.newest) {
            proof.newest = r.index;
            newestSlot = k;
        }
        if (r.index <= mark) {
            ++proof.notNew;
            continue;
        }
        claims.push_back({r.index, k, valid});
        if (!valid) blocksOf(k, proof.suspect); // read again; if it stays, the device holds it so
    }

    if (claims.empty()) {
        // Nothing new; the slot after the newest could still hide the next record.
        blocksOf(newestSlot, proof.frontier);
        blocksOf(next(newestSlot), proof.frontier);
        return proof;
    }
    std::sort(claims.begin(), claims.end(), [](const Claim& a, const Claim& b) { return a.index < b.index; });
    const bool full = claims.size() == count;
    for (std::size_t i = 0; i + 1 < claims.size(); ++i) {
        const Claim& a = claims[i];
        const Claim& b = claims[i + 1];
        if (b.index == a.index + 1 && b.slot == next(a.slot)) continue;
        // a repeated index, a gap, or a run that jumps between slots
        proof.broken = true;
        for (std::size_t k : {a.slot, next(a.slot), prev(b.slot), b.slot})
            blocksOf(k, proof.suspect);
    }
    const Claim& first = claims.front();
    const Claim& last = claims.back();
    proof.oldestNew = first.index;
    // The run ends at the newest: the slot after it is empty or older, or, in a ring
    // full of new records, the oldest of them.
    blocksOf(last.slot, proof.frontier);
    blocksOf(next(last.slot), proof.frontier);
    const TLogRecord after = TLogRecord::FromBytes(slotAt(next(last.slot)));
    if (!after.IsEmpty() && after.index > mark && !(full && after.index == first.index)) {
        proof.broken = true;
        blocksOf(next(last.slot), proof.suspect);
    }
    // The run's first record and the slot before it, at any mark (a new door's is 0): a
    // wrong block there could hide the oldest new records.
    blocksOf(first.slot, proof.frontier);
    blocksOf(prev(first.slot), proof.frontier);
    // The run begins right after the mark, unless the device overwrote what followed it.
    if (mark > 0 && first.index != mark + 1 && !full) proof.broken = true;
    for (const Claim& c : claims) {
        if (c.valid)
            proof.records.push_back(TLogRecord::FromBytes(slotAt(c.slot)));
        else
            ++proof.invalidTime;
    }
    return proof;
}
