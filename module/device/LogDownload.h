// SPDX-License-Identifier: GPL-3.0-or-later
// Downloading the event logs of the door devices: one device's memory image
// (TLogDownload) and the chain over the readable access points (TEventImport).
// Widget-free: the import dialog and `horlo import` drive the same classes with
// their 10 ms and 100 ms tickers; the device's replies arrive on the endpoint's
// listener thread. A complete image is decoded and stored on the ticking
// thread, once the line has been quiet after the last block.
#pragma once

#include "host/data/DataSet.h"
#include "module/device/AccessPoint.h"
#include "module/device/LogDecoder.h"
#include "module/device/protocol/DeviceProtocol.h"

#include <QString>

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

// Why a device was not stored.
enum class TDownloadFailure {
    None,
    Connection, // the device could not be asked or does not answer
    Device,     // it answers, but what it holds could not be read or proven
    Mark,       // its log lies below the mark: replaced, cleared, or the mark is wrong
    Store       // the database refused the records
};

struct TDownloadOutcome {
    bool ok = false;
    QString error;   // why nothing was stored
    QString reason;  // the same without the kind of failure (for a text that names it already)
    QString warning; // stored, but something needs looking at (records overwritten before the read)
    TDownloadFailure failure = TDownloadFailure::None;
    std::uint32_t blocks = 0;  // memory blocks read
    std::uint32_t rereads = 0; // blocks read again to prove the image
    std::uint32_t newest = 0;  // the device's newest record index
    TDecodeResult decoded;     // what was stored
};

// One access point's outcome as `horlo import` prints it and the import dialog sums it
// up: "16 blokova pročitano, 5 novih zapisa upisano" and what else there is to tell,
// or "GREŠKA: " and why nothing was stored.
QString OutcomeText(const TDownloadOutcome& outcome);
// Whether somebody must look at it: nothing stored, or records overwritten unread.
bool NeedsAttention(const TDownloadOutcome& outcome);

// One device's download. Replies arrive on the endpoint's listener thread, which only
// queues them; everything else runs on the owner's thread in MemPacketTick, so no
// decision depends on how the two threads interleave.
//
// Block replies carry no block number, so the image is not believed for how its replies
// came, but for what it holds: the memory is read once, block by block, and then the
// log is proven (LogProof.h). Blocks that the proof or the line puts in doubt (a
// reply that came late, after a repeated request, around a stray datagram, or equal
// to the block before) are read again one at a time until two reads agree, and the
// proof runs again; only a proven image is stored.
class TLogDownload {
public:
    enum class State { Idle, AwaitingInfo, Reading, Finished, Failed };

    // Device memories outside these bounds are not read.
    static constexpr std::uint32_t kMinMemorySize = 128;
    static constexpr std::uint32_t kMaxMemorySize = 512000;

    TLogDownload(TDeviceProtocol& protocol, TZConnection& connection);
    ~TLogDownload();
    TLogDownload(const TLogDownload&) = delete;
    TLogDownload& operator=(const TLogDownload&) = delete;

    // Checks the access point's address, reads its mark, opens the endpoint and asks the
    // device about itself. False (with the outcome's error) when any of that fails.
    bool Start(const TAccessPoint& accessPoint);
    // The 10 ms ticker, and whatever OnTickDue asks for: handles the replies that came,
    // repeats what is overdue, sends the request that is due, and proves and stores the
    // image once it is read.
    void MemPacketTick();
    // The 100 ms ticker: the device information's wait.
    void ReplyWatchdogTick();
    // Deactivates the endpoint, waiting for a running handler.
    // A device that was not complete stores nothing.
    void Stop();

    State GetState() const { return m_state.load(); }
    bool Busy() const { return GetState() == State::AwaitingInfo || GetState() == State::Reading; }
    // Blocks of the first reading; never goes back while blocks are read again.
    std::uint32_t BlocksDone() const { return m_blocksTaken.load(); }
    std::uint32_t TotalBlocks() const { return m_totalBlocks.load(); }
    TDownloadOutcome Outcome() const;

    // Asks the owner to run MemPacketTick on its own thread after delayMs. Called from
    // the listener thread when a reply has come, and from the owner's thread when
    // something is due before the next tick.
    std::function<void(int delayMs)> OnTickDue;

    // The line is left quiet this long after the last datagram before the next block is
    // asked for: at least QuietWindowMs, and as long as the device's answer times vary,
    // so that an answer that came sooner than half the shortest answer time can be
    // refused without letting a late real answer pass for the next block's. The answer
    // times forget slow answers step by step, so the window comes back down once the
    // line is clean again.
    int QuietWindowMs = 1;
    static constexpr int kMaxQuietWindowMs = 2000;
    // A block read again goes out on a line quiet this long, and its answer counts once
    // the line stays quiet as long after it; a datagram meanwhile voids that reading.
    // Where copies of replies are common, the wait covers how late they come.
    int SettleWindowMs = 2;
    // A request is repeated when its answer is eight times the usual answer time
    // overdue, but not before DeadlineMs; each repetition waits twice as long, up to
    // kMaxDeadlineMs.
    int DeadlineMs = 20;
    static constexpr int kMaxDeadlineMs = 2000;
    int MaxAttempts = 6;     // requests of one block without an answer before the device fails
    int MaxReads = 6;        // readings of one block that may disagree before the device fails
    int MaxProofRounds = 20; // rounds of reading again before the device fails
    // Device information requests, each waited for this long; two replies must agree.
    int InfoRequests = 5;
    int InfoWaitMs = 1000;
    // The longest the next request may wait for a quiet line.
    int MaxHoldMs = 5000;
    // A device that has given no new answer for this long fails, however far it got.
    int NoProgressMs = 20000;
    // Microseconds of a monotonic clock; tests replace it.
    std::function<qint64()> ClockUs;

    int QuietWindow() const { return CeilMs(QuietWindowUs()); }
    std::uint32_t Rereads() const { return m_rereads; }

private:
    struct TDatagram {
        std::vector<std::uint8_t> bytes;
        qint64 at = 0;
    };
    struct TBlock {
        bool taken = false;     // read once
        bool confirmed = false; // two readings in a row agree
        bool doubt = false;     // the line gave a reason to read it again
        int reads = 0;
        int voided = 0; // readings again that another datagram followed
    };
    static int CeilMs(qint64 us) { return int((us + 999) / 1000); }
    qint64 Now() const;
    qint64 QuietWindowUs() const;
    qint64 DeadlineUs() const;
    void Receive(const std::uint8_t* data, std::size_t len); // listener thread
    void TakeInfoReply(const TDatagram& d);
    void SendInfoRequest();
    void InfoReplyEnded();
    void BeginRead();
    void TakeBlockReply(const TDatagram& d);
    void TakeAnswer(const std::uint8_t* data, qint64 at);
    void Stray(const std::uint8_t* data, qint64 at);
    static std::uint64_t DataKey(const std::uint8_t* data);
    std::optional<std::uint32_t> KnownBlock(const std::uint8_t* data, std::uint32_t except);
    qint64 SettleWindowUs() const;
    void Remember(const std::uint8_t* data, std::uint32_t block);
    void SettleReading();
    void Repeat();
    bool LineQuiet(qint64 windowUs);
    void SendDueRequest();
    void Prove();
    void Store(const struct TLogProof& proof);
    void NoteLatency(qint64 latency);
    void Fail(TDownloadFailure failure, const QString& error, const QString& reason = QString());
    void WakeAfter(qint64 us);
    std::uint8_t* ImageBlock(std::uint32_t block) {
        return m_image.data() + std::size_t(block) * kMemBlockSize;
    }

    TDeviceProtocol& m_protocol;
    TZConnection& m_connection;
    TAccessPoint m_accessPoint;
    std::uint32_t m_mark = 0;
    std::atomic<State> m_state{State::Idle};
    std::atomic<std::uint32_t> m_blocksTaken{0};
    std::atomic<std::uint32_t> m_totalBlocks{0};

    std::mutex m_inboxMutex;
    std::vector<TDatagram> m_inbox;

    // Owner's thread only from here on. Times in microseconds of ClockUs.
    qint64 m_startedAt = 0;
    struct TDeviceSizes {
        std::uint32_t memory = 0;
        std::uint16_t users = 0;
        std::uint32_t logRecords = 0;
        bool operator==(const TDeviceSizes&) const = default;
    };
    int m_infoRequestsSent = 0;
    bool m_infoDue = false;
    std::optional<TDeviceSizes> m_infoSeen;

    std::vector<std::uint8_t> m_image;
    std::vector<TBlock> m_blocks;
    std::unordered_multimap<std::uint64_t, std::uint32_t> m_known; // bytes read -> block
    std::vector<qint64> m_answeredAt;                              // when each block's last reading came
    std::uint32_t m_nextBlock = 0;                                 // of the first reading
    std::vector<std::uint32_t> m_again;                            // to read again, in order
    int m_proofRounds = 0;
    std::uint32_t m_rereads = 0;

    // The request on the line.
    bool m_due = false;
    bool m_sendHeld = false; // the request waits for the listener to let go of the endpoint
    std::uint32_t m_dueBlock = 0;
    bool m_dueAgain = false; // a block read again
    int m_attempts = 0;      // requests of the due block without an answer
    int m_badChecksums = 0;  // answers of the due block that arrived damaged
    qint64 m_sentAt = 0;
    // A block read again, waiting for the line to stay quiet before it counts.
    bool m_settling = false;
    std::array<std::uint8_t, kFrameDataSize> m_settleData{};

    qint64 m_latencyUs = 0;    // how long the device takes to answer, at most
    qint64 m_minLatencyUs = 0; // and at least
    qint64 m_avgLatencyUs = 0; // on the mean, and how far from it
    qint64 m_devLatencyUs = 0;
    qint64 m_copyDelayUs = 0; // how much later than their replies copies come
    int m_copies = 0;         // copies seen, against the answers taken
    int m_answers = 0;
    qint64 m_lastDatagramAt = 0;
    qint64 m_lastAnswerAt = 0;
    qint64 m_holdSince = -1; // when the next request became due and waited for quiet
    bool m_lastAnswerTaken = false;
    std::uint32_t m_lastAnswerBlock = 0;
    std::array<std::uint8_t, kFrameDataSize> m_lastAnswer{};

    mutable std::mutex m_outcomeMutex;
    TDownloadOutcome m_outcome;
};

// The chain over the access points, in the order given. A device that fails stores
// nothing and keeps its mark; the chain goes on with the next one.
class TEventImport {
public:
    TEventImport(TDeviceProtocol& protocol, TZConnection& connection);

    // Access points to read, readable ones only, in ascending identifier.
    void SetAccessPoints(std::vector<TAccessPoint> accessPoints);
    const std::vector<TAccessPoint>& AccessPoints() const { return m_accessPoints; }

    // Starts at the current access point (the first after SetAccessPoints). False when
    // there is none left.
    bool Begin();
    void MemPacketTick();
    void ReplyWatchdogTick();
    void Stop();

    bool Running() const { return m_running; }
    bool AtEnd() const { return m_current >= m_accessPoints.size(); }
    std::size_t Current() const { return m_current; }
    TLogDownload& Download() { return m_download; }

    std::function<void(const TAccessPoint&)> OnDeviceStarted;
    std::function<void(const TAccessPoint&, const TDownloadOutcome&)> OnDeviceFinished;
    // The chain has ended, after the last access point.
    std::function<void()> OnChainEnded;

private:
    void StartCurrent();
    void Advance();

    TLogDownload m_download;
    std::vector<TAccessPoint> m_accessPoints;
    std::size_t m_current = 0;
    bool m_running = false;
};
