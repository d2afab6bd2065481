// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One simulated access device: its memory image, card records, log ring, clock and
// injected faults. Pure logic: the server in SimServer.h moves its frames.

#include "module/device/protocol/DeviceMemory.h"
#include "module/device/protocol/DeviceProtocol.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace devicesim {

// A naive wall-clock time: whole seconds since 1970-01-01 00:00:00 of the local calendar.
using TNaiveTime = std::int64_t;
TNaiveTime MakeNaiveTime(int year, unsigned month, unsigned day, unsigned hour = 0, unsigned minute = 0,
                         unsigned second = 0);
TNaiveTime LocalNow(); // the machine's local clock

// Scripted faults name a block. Each fires on the first request for its block after
// every answered GE (a download starts with one), so a re-read is answered normally.
struct TBlockFault {
    std::uint32_t block = 0;
    int ms = 0;
};
struct TStaleBlockFault {
    std::uint32_t block = 0;
    std::uint32_t source = 0; // whose reply goes out first
    int ms = 0;               // the real reply follows this much later
};
struct TSwipeFault {
    std::uint32_t block = 0;
    int count = 1; // records logged before the reply is built
};

struct TFaults {
    double drop = 0;            // chance that a reply is not sent
    double corrupt = 0;         // chance that a reply goes out with a wrong checksum
    int delayMs = 0;            // replies are held back this long ...
    double delayChance = 1;     // ... with this chance
    int duplicateMs = -1;       // a second copy of the reply follows this much later (-1: never) ...
    double duplicateChance = 1; // ... with this chance
    long silentAfter = -1;      // stop replying after this many replies (0: silent from the start)
    bool refuseCards = false;   // SetUserRecord is answered N O and not kept
    bool noEcho = false;        // replies leave bytes 6-7 (the command) empty
    std::string silentCommands; // requests of these are carried out but never answered ("GD")
    std::string refuseCommands; // requests of these are answered N O and not carried out ("ST,SD")
    std::string onlyCommands;   // drop/corrupt/delay/duplicate only for these ("GB,GE"); empty: all
    // Scripted, per block. The replies that lose-then-copy, stale-first, answer-twice
    // and hold shape go out exactly as scripted, untouched by the random faults above.
    std::vector<TBlockFault> loseThenCopy;    // no reply; a copy of the previous reply after ms
    std::vector<TStaleBlockFault> staleFirst; // the reply of `source` at once, the real one after ms
    std::vector<TBlockFault> answerTwice;     // the reply, and again ms later
    std::vector<TBlockFault> hold;            // the reply after ms
    std::vector<TSwipeFault> swipeDuring;     // `count` records logged first
};

struct TSwipePlan {
    TNaiveTime from = 0;                // first day (midnight)
    TNaiveTime to = 0;                  // last day (midnight), inclusive
    std::vector<std::uint32_t> tickets; // types 5/10
    std::vector<std::uint32_t> codes;   // types 15/16
};

struct TDeviceConfig {
    std::string address = "127.0.0.2";
    int port = 5001;
    std::string model = "Koldar";     // "Tarmisoni" anywhere in it selects layout B
    std::uint32_t memorySize = 32768; // reported and held; 24 bits
    std::uint16_t users = 100;
    std::optional<std::uint32_t> logSlots; // default: as many as fit after the user records
    std::uint8_t delayR1 = 5;
    std::uint8_t delayR2 = 5;
    std::vector<TUserRecord> cards;
    std::optional<TSwipePlan> swipes;
    std::vector<std::string> swipeFiles;
    int liveSwipeMs = 0; // a known card swipes at the device clock this often (0: never)
    std::uint64_t seed = 1;
    TFaults faults;
};

class TSimDevice {
public:
    // Builds the image, writes the preloaded cards, then generates the planned swipes
    // and loads the swipe files. Throws std::runtime_error on an unreadable swipe file.
    explicit TSimDevice(TDeviceConfig config);

    struct TOutgoing {
        TFrame frame;
        int delayMs = 0;
    };
    struct TOutcome {
        std::vector<TOutgoing> replies;
        std::string note; // what happened, for the trace
    };
    // Answers one request received at device-local time `now`.
    TOutcome Handle(const std::uint8_t* data, std::size_t len, TNaiveTime now);

    // A card at the reader at device time (`now` plus the clock offset). Admitted only
    // when the device keeps the ticket (or code) as an active card; returns whether the
    // passage was logged.
    bool SwipeTicket(std::uint32_t ticket, bool arrival, TNaiveTime now);
    bool SwipeCode(std::uint32_t code, bool arrival, TNaiveTime now);
    // The next live swipe (round robin over the known cards, alternating direction).
    bool LiveSwipe(TNaiveTime now);
    // Appends a record as it is, without admission; index 0 takes the next index.
    void AppendRecord(TLogSlot record);
    // Writes a record into log slot `slot` exactly as given (index 0 too), leaving the
    // ring where it is: a log that is not one tidy run. False past the last slot.
    bool PlaceRecord(std::uint32_t slot, const TLogSlot& record);

    const TDeviceConfig& Config() const { return m_config; }
    const std::vector<std::uint8_t>& Image() const { return m_image; }
    std::uint32_t LogSlots() const { return m_logSlots; }
    std::uint32_t LogOffset() const { return std::uint32_t(::LogOffset(m_config.users)); }
    std::uint32_t LastIndex() const { return m_lastIndex; }
    // Where the next record goes: its slot, its byte offset and the block holding its first byte.
    std::uint32_t NextSlot() const { return m_nextSlot; }
    std::uint64_t NextRecordOffset() const { return LogSlotOffset(m_config.users, m_nextSlot); }
    std::uint32_t NextRecordBlock() const { return std::uint32_t(NextRecordOffset() / kMemBlockSize); }
    std::vector<TLogSlot> Records() const; // every slot that holds something, in slot order
    std::optional<TUserRecord> Card(std::uint32_t ticket) const;
    const std::vector<TUserRecord>& Cards() const { return m_cards; }
    std::int64_t ClockOffset() const { return m_clockOffset; }
    std::uint8_t RelayMode() const { return m_relayMode; }
    bool RelayModeSet() const { return m_relayModeSet; }
    bool ClockSet() const { return m_clockSet; }
    std::uint8_t DelayR1() const { return m_config.delayR1; }
    std::uint8_t DelayR2() const { return m_config.delayR2; }
    // What the commands have set: "clock +3 s, relay mode 2, delays 5,5, cards 7:1001 8:1002:inactive".
    std::string StateText() const;
    long RepliesSent() const { return m_repliesSent; }
    TFrame DeviceInfoReply() const;
    TFrame BlockReply(std::uint32_t block) const; // GB O K with the block as the image holds it now

private:
    bool StoreCard(const TUserRecord& card);
    bool Admitted(std::uint32_t card, bool byTicket) const;
    bool Swipe(std::uint32_t card, bool byTicket, bool arrival, TNaiveTime deviceTime);
    void GenerateSwipes(const TSwipePlan& plan);
    void LoadSwipeFile(const std::string& path);
    void WriteImage(std::uint64_t offset, const std::uint8_t* data, std::size_t len);
    std::uint64_t NextRandom();
    bool Chance(double p);
    bool FaultApplies(TDeviceCommand cmd) const;
    static bool Listed(const std::string& list, TDeviceCommand cmd);
    void ScriptedSwipe(TNaiveTime now);
    // Applies the scripted delivery faults of `block` to `frame`; false when none fires.
    bool ShapeReplies(std::uint32_t block, const TFrame& frame, TOutcome& out, bool& realSent);

    TDeviceConfig m_config;
    std::vector<std::uint8_t> m_image;
    std::uint32_t m_logSlots = 0;
    std::vector<TUserRecord> m_cards; // user-record slot i holds m_cards[i]
    std::uint32_t m_lastIndex = 0;
    std::uint32_t m_nextSlot = 0;
    std::int64_t m_clockOffset = 0;
    std::uint8_t m_relayMode = 0;
    bool m_relayModeSet = false;
    bool m_clockSet = false;
    long m_repliesSent = 0;
    std::uint64_t m_rng;
    std::size_t m_liveNext = 0;
    std::map<std::uint32_t, bool> m_liveInside; // ticket -> inside after its last live or scripted swipe
    std::set<std::uint32_t> m_readSinceInfo;    // blocks asked for since the last answered GE
    std::optional<TFrame> m_lastReply;          // the last frame sent, for lose-then-copy
};

} // namespace devicesim
