#pragma once
// One simulated access device: its memory image, card records, log ring, clock and
// injected faults. Pure logic: the server in SimServer.h moves its frames.

#include "module/device/DeviceProtocol.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace devicesim {

inline constexpr std::uint32_t HEADER_SIZE = 128;
inline constexpr std::uint32_t USER_RECORD_SIZE = 21;
inline constexpr std::uint32_t LOG_RECORD_SIZE = 15;

// Event types a swipe produces.
inline constexpr std::uint8_t TICKET_ARRIVAL = 5;
inline constexpr std::uint8_t TICKET_DEPARTURE = 10;
inline constexpr std::uint8_t CARD_ARRIVAL = 15;
inline constexpr std::uint8_t CARD_DEPARTURE = 16;

// A naive wall-clock time: whole seconds since 1970-01-01 00:00:00 of the local calendar.
using NaiveTime = std::int64_t;
NaiveTime MakeNaiveTime(int year, unsigned month, unsigned day, unsigned hour = 0, unsigned minute = 0,
                        unsigned second = 0);
NaiveTime LocalNow(); // the machine's local clock

struct CardRecord {
    std::uint32_t ticket = 0;
    std::uint32_t code = 0;
    bool active = true;
};

// One log record as stored in a 15-byte slot. Time fields are raw bytes.
struct LogRecord {
    std::uint32_t index = 0;
    std::uint32_t card = 0; // ticket for types 5/10, card code for 15/16
    std::uint8_t type = 0;
    std::uint8_t hour = 0, minute = 0, second = 0, day = 0, month = 0, year = 0; // year - 2000
};
LogRecord DecodeLogRecord(const std::uint8_t* slot);
void EncodeLogRecord(const LogRecord& record, std::uint8_t* slot);

// Scripted faults name a block. Each fires on the first request for its block after
// every answered GE (a download starts with one), so a re-read is answered normally.
struct BlockFault {
    std::uint32_t block = 0;
    int ms = 0;
};
struct StaleBlockFault {
    std::uint32_t block = 0;
    std::uint32_t source = 0; // whose reply goes out first
    int ms = 0;               // the real reply follows this much later
};
struct SwipeFault {
    std::uint32_t block = 0;
    int count = 1; // records logged before the reply is built
};

struct Faults {
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
    std::vector<BlockFault> loseThenCopy;    // no reply; a copy of the previous reply after ms
    std::vector<StaleBlockFault> staleFirst; // the reply of `source` at once, the real one after ms
    std::vector<BlockFault> answerTwice;     // the reply, and again ms later
    std::vector<BlockFault> hold;            // the reply after ms
    std::vector<SwipeFault> swipeDuring;     // `count` records logged first
};

struct SwipePlan {
    NaiveTime from = 0;                 // first day (midnight)
    NaiveTime to = 0;                   // last day (midnight), inclusive
    std::vector<std::uint32_t> tickets; // types 5/10
    std::vector<std::uint32_t> codes;   // types 15/16
};

struct DeviceConfig {
    std::string address = "127.0.0.2";
    int port = 5001;
    std::string model = "Koldar";     // "Tarmisoni" anywhere in it selects layout B
    std::uint32_t memorySize = 32768; // reported and held; 24 bits
    std::uint16_t users = 100;
    std::optional<std::uint32_t> logSlots; // default: as many as fit after the user records
    std::uint8_t delayR1 = 5;
    std::uint8_t delayR2 = 5;
    std::vector<CardRecord> cards;
    std::optional<SwipePlan> swipes;
    std::vector<std::string> swipeFiles;
    int liveSwipeMs = 0; // a known card swipes at the device clock this often (0: never)
    std::uint64_t seed = 1;
    Faults faults;
};

class SimDevice {
public:
    // Builds the image, writes the preloaded cards, then generates the planned swipes
    // and loads the swipe files. Throws std::runtime_error on an unreadable swipe file.
    explicit SimDevice(DeviceConfig config);

    struct Outgoing {
        TFrame frame;
        int delayMs = 0;
    };
    struct Outcome {
        std::vector<Outgoing> replies;
        std::string note; // what happened, for the trace
    };
    // Answers one request received at device-local time `now`.
    Outcome Handle(const std::uint8_t* data, std::size_t len, NaiveTime now);

    // A card at the reader at device time (`now` plus the clock offset). Admitted only
    // when the device keeps the ticket (or code) as an active card; returns whether the
    // passage was logged.
    bool SwipeTicket(std::uint32_t ticket, bool arrival, NaiveTime now);
    bool SwipeCode(std::uint32_t code, bool arrival, NaiveTime now);
    // The next live swipe (round robin over the known cards, alternating direction).
    bool LiveSwipe(NaiveTime now);
    // Appends a record as it is, without admission; index 0 takes the next index.
    void AppendRecord(LogRecord record);

    const DeviceConfig& Config() const { return Config_; }
    const std::vector<std::uint8_t>& Image() const { return Image_; }
    std::uint32_t LogSlots() const { return LogSlots_; }
    std::uint32_t LogOffset() const { return HEADER_SIZE + USER_RECORD_SIZE * Config_.users; }
    std::uint32_t LastIndex() const { return LastIndex_; }
    // Where the next record goes: its slot, its byte offset and the block holding its first byte.
    std::uint32_t NextSlot() const { return NextSlot_; }
    std::uint64_t NextRecordOffset() const {
        return LogOffset() + std::uint64_t{LOG_RECORD_SIZE} * NextSlot_;
    }
    std::uint32_t NextRecordBlock() const { return std::uint32_t(NextRecordOffset() / MEM_BLOCK_SIZE); }
    std::vector<LogRecord> Records() const; // every used slot, in slot order
    std::optional<CardRecord> Card(std::uint32_t ticket) const;
    const std::vector<CardRecord>& Cards() const { return Cards_; }
    std::int64_t ClockOffset() const { return ClockOffset_; }
    std::uint8_t RelayMode() const { return RelayMode_; }
    bool RelayModeSet() const { return RelayModeSet_; }
    bool ClockSet() const { return ClockSet_; }
    std::uint8_t DelayR1() const { return Config_.delayR1; }
    std::uint8_t DelayR2() const { return Config_.delayR2; }
    // What the commands have set: "clock +3 s, relay mode 2, delays 5,5, cards 7:1001 8:1002:inactive".
    std::string StateText() const;
    long RepliesSent() const { return RepliesSent_; }
    TFrame DeviceInfoReply() const;
    TFrame BlockReply(std::uint32_t block) const; // GB O K with the block as the image holds it now

private:
    bool StoreCard(const CardRecord& card);
    bool Admitted(std::uint32_t card, bool byTicket) const;
    bool Swipe(std::uint32_t card, bool byTicket, bool arrival, NaiveTime deviceTime);
    void GenerateSwipes(const SwipePlan& plan);
    void LoadSwipeFile(const std::string& path);
    void WriteImage(std::uint64_t offset, const std::uint8_t* data, std::size_t len);
    std::uint64_t NextRandom();
    bool Chance(double p);
    bool FaultApplies(TDeviceCommand cmd) const;
    static bool Listed(const std::string& list, TDeviceCommand cmd);
    void ScriptedSwipe(NaiveTime now);
    // Applies the scripted delivery faults of `block` to `frame`; false when none fires.
    bool ShapeReplies(std::uint32_t block, const TFrame& frame, Outcome& out, bool& realSent);

    DeviceConfig Config_;
    std::vector<std::uint8_t> Image_;
    std::uint32_t LogSlots_ = 0;
    std::vector<CardRecord> Cards_; // user-record slot i holds Cards_[i]
    std::uint32_t LastIndex_ = 0;
    std::uint32_t NextSlot_ = 0;
    std::int64_t ClockOffset_ = 0;
    std::uint8_t RelayMode_ = 0;
    bool RelayModeSet_ = false;
    bool ClockSet_ = false;
    long RepliesSent_ = 0;
    std::uint64_t Rng_;
    std::uint32_t UsedSlots_ = 0;
    std::size_t LiveNext_ = 0;
    std::map<std::uint32_t, bool> LiveInside_; // ticket -> inside after its last live or scripted swipe
    std::set<std::uint32_t> ReadSinceInfo_;    // blocks asked for since the last answered GE
    std::optional<TFrame> LastReply_;          // the last frame sent, for lose-then-copy
};

} // namespace devicesim
