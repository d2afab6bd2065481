// SPDX-License-Identifier: GPL-3.0-or-later
// Reading one device's memory image over the line, and proving it, without the
// database: the download runs it on the endpoint's listener thread, driven by the
// datagrams that arrive and by the times it asks to be woken; tests drive it in
// simulated time.
//
// Block replies carry no block number, so the image is believed for what it holds,
// not for how its replies came: the memory is read once, block by block, one request
// on the line at a time, and then the log is proven (LogProof.h). Blocks that the
// proof or the line puts in doubt are read again, each on a line left quiet before
// and after, until two readings in a row agree; what two agreeing readings hold is
// the device's content, however odd. Only a proven image is handed on.
#pragma once

#include "module/device/LogProof.h"
#include "module/device/protocol/DeviceProtocol.h"

#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

// Why a device's image was not read.
enum class TReadFailure {
    None,
    Connection, // the device could not be asked or does not answer
    Device      // it answers, but what it holds could not be read or proven
};

class TImageReader {
public:
    enum class State { Idle, AwaitingInfo, Reading, Proven, Failed };

    // Device memories outside these bounds are not read.
    static constexpr std::uint32_t kMinMemorySize = 128;
    static constexpr std::uint32_t kMaxMemorySize = kMaxMemBlocks * kMemBlockSize;

    explicit TImageReader(TDeviceProtocol& protocol) : m_protocol(protocol) {}

    // A new read of a device whose stored records end at `mark`; the first Pump sends.
    void Begin(std::uint32_t mark);
    // Every datagram from the device, with the time it arrived.
    void TakeDatagram(const std::uint8_t* frame, std::size_t len, std::int64_t arrivedUs);
    // Sends what is due and keeps the deadlines; returns when it must run next at the
    // latest (it runs after every datagram as well), or -1 once the read is over.
    std::int64_t Pump(std::int64_t nowUs);

    State GetState() const { return m_state.load(); }
    bool Over() const { return GetState() == State::Proven || GetState() == State::Failed; }
    // Blocks of the first reading; never goes back while blocks are read again.
    std::uint32_t BlocksTaken() const { return m_blocksTaken.load(); }
    std::uint32_t TotalBlocks() const { return m_totalBlocks.load(); }
    std::uint32_t Rereads() const { return m_rereads.load(); }

    // Once over (and only then, from any thread):
    const TLogProof& Proof() const { return m_proof; }
    TReadFailure Failure() const { return m_failure; }
    const QString& Error() const { return m_error; }

    // Datagrams that came from the device but answered nothing asked (copies, late
    // replies, strays), for the curious.
    long Strays() const { return m_strays; }

    // Limits. Each wait has a deadline and each repetition a cap.
    int InfoRequests = 5;     // device information requests; two replies must agree
    int InfoWaitMs = 1000;    // the wait for each of them
    int FirstDeadlineMs = 100; // the first block's request waits this long before it is repeated
    int DeadlineMs = 1;       // the least time a later request waits before it is repeated
    int MaxDeadlineMs = 1000; // each repetition waits twice as long, up to this
    int MaxAttempts = 16;     // requests of one block without an answer before the device fails ...
    int NoAnswerMs = 5000;    // ... or this long since its first request
    int MaxBadChecksums = 6;  // damaged answers of one block in a row
    int MaxReads = 6;         // readings of one block that may disagree, or be voided, before it fails
    int MaxProofRounds = 50;  // rounds of reading again before the device fails
    int SettleMs = 1;         // the least quiet before and after a block read again
    int MaxHoldMs = 5000;     // the longest a request may wait for a quiet line
    int NoProgressMs = 20000; // a device that gives no new answer this long fails

private:
    struct TBlock {
        bool taken = false;      // read once
        bool confirmed = false;  // two readings in a row agree, the last on a quiet line
        bool doubt = false;      // the line gave a reason to read it again
        // One repeated byte, as the answer before it, and slower than the device answers:
        // perhaps a copy of that answer, taken while its own was lost.
        bool maybeCopy = false;
        std::int64_t quietBefore = 0; // how long the line was left quiet before its request
        std::uint8_t reads = 0;
        std::uint8_t voided = 0;
        std::uint8_t pending = 0; // its requests that have not been answered yet
    };
    struct TSizes {
        std::uint32_t memory = 0;
        std::uint16_t users = 0;
        std::uint32_t logRecords = 0;
        bool operator==(const TSizes&) const = default;
    };
    using TData = std::array<std::uint8_t, kFrameDataSize>;

    std::int64_t PumpInfo(std::int64_t now);
    void TakeInfoReply(const std::uint8_t* frame, std::size_t len, std::int64_t at);
    void InfoEnded(std::int64_t now);
    void BeginRead(std::int64_t now);
    std::int64_t PumpRead(std::int64_t now);
    void TakeAnswer(const std::uint8_t* data, std::int64_t at);
    void Stray(const std::uint8_t* data, std::int64_t at);
    void VoidReading();
    std::int64_t Settle(std::int64_t now);
    std::int64_t SendNext(std::int64_t now);
    std::int64_t Send(std::int64_t now);
    std::int64_t Prove(std::int64_t now);
    void Fail(TReadFailure failure, const QString& error);
    void NoteLatency(std::int64_t latency);
    void NoteCopy(std::int64_t lateness);
    std::int64_t DeadlineUs() const;
    std::int64_t SlackUs() const;
    std::int64_t CopyHorizonUs() const;
    std::int64_t FirstPassQuietUs() const;
    std::int64_t SettleUs() const;
    bool InLog(std::uint32_t block) const;
    std::optional<std::uint32_t> KnownBlock(const std::uint8_t* data, std::uint32_t except) const;
    std::uint8_t* ImageBlock(std::uint32_t block) { return m_image.data() + std::size_t(block) * kMemBlockSize; }

    TDeviceProtocol& m_protocol;
    std::uint32_t m_mark = 0;
    std::atomic<State> m_state{State::Idle};
    std::atomic<std::uint32_t> m_blocksTaken{0};
    std::atomic<std::uint32_t> m_totalBlocks{0};
    std::atomic<std::uint32_t> m_rereads{0};
    TLogProof m_proof;
    TReadFailure m_failure = TReadFailure::None;
    QString m_error;

    // The thread that pumps only, from here on. Times in microseconds.
    int m_infoRequestsSent = 0;
    std::int64_t m_infoSentAt = 0;
    bool m_infoOut = false;
    std::optional<TSizes> m_infoSeen;
    TSizes m_sizes;

    std::vector<std::uint8_t> m_image;
    std::vector<TBlock> m_blocks;
    std::unordered_multimap<std::uint64_t, std::uint32_t> m_known; // bytes of a varied block -> block
    std::vector<std::int64_t> m_answeredAt;
    std::uint32_t m_logFirstBlock = 0, m_logEndBlock = 0; // blocks holding log slots
    std::uint32_t m_nextBlock = 0;                        // of the first reading
    std::deque<std::uint32_t> m_again;                    // to read again, in order
    int m_proofRounds = 0;

    // The request on the line.
    bool m_out = false;
    bool m_repeatNow = false; // its answer came damaged
    std::uint32_t m_block = 0;
    bool m_rereading = false;
    int m_attempts = 0;
    int m_badChecksums = 0;
    std::int64_t m_sentAt = 0;
    std::int64_t m_firstSentAt = 0; // of the request's first sending
    std::int64_t m_holdSince = -1;
    // A block read again, counted once the line stayed quiet after it.
    bool m_settling = false;
    TData m_settleData{};

    // The line as measured.
    std::int64_t m_minLatency = 0, m_maxLatency = 0; // answer times, each forgetting slowly
    std::int64_t m_copyLateness = 0;                 // how much later than their replies copies come
    long m_copies = 0, m_answers = 0, m_strays = 0;
    std::int64_t m_lastArrival = 0;
    std::int64_t m_lastAnswerAt = 0;
    std::int64_t m_answersDoneAt = 0; // every answer to the requests sent so far has come by then
    bool m_lastTaken = false; // the last answer was taken into the first reading
    std::uint32_t m_lastBlock = 0;
    TData m_lastAnswer{};
};
