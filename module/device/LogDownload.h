// Downloading the event logs of the door devices: one device's memory image
// (TLogDownload) and the chain over the readable access points (TEventImport).
// Widget-free: the import dialog and `horlo import` drive the same classes with
// their 10 ms and 100 ms tickers; the device's replies arrive on the endpoint's
// listener thread. A complete image is decoded and stored on the ticking
// thread, once the line has been quiet after the last block.
#pragma once

#include "host/DataSet.h"
#include "module/device/DeviceProtocol.h"
#include "module/device/LogDecoder.h"

#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

struct TAccessPointInfo {
    qint64 id = 0;
    QString name;
    QString localIp;
    int udpPort = 0;
};

struct TDownloadOutcome {
    bool ok = false;
    QString error;            // why nothing was stored
    bool storeFailed = false; // the device was read, the database refused its records
    std::uint32_t blocks = 0; // memory blocks read
    TDecodeResult decoded;    // what was stored
};

// One device's download. Replies arrive on the endpoint's listener thread, which only
// queues them; everything else, the reply rules included, runs on the owner's thread
// in MemPacketTick, so no decision depends on how the two threads interleave.
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
    bool Start(const TAccessPointInfo& accessPoint);
    // The 10 ms ticker, and whatever OnTickDue asks for: handles the replies that came,
    // sends the request that is due, and stores the image once it is complete.
    void MemPacketTick();
    // The 100 ms ticker: the response deadline.
    void ReplyWatchdogTick();
    // Deactivates the endpoint, waiting for a running handler.
    // A device that was not complete stores nothing.
    void Stop();

    State GetState() const { return m_state.load(); }
    bool Busy() const { return GetState() == State::AwaitingInfo || GetState() == State::Reading; }
    std::uint32_t BlocksDone() const { return m_blocksTaken.load(); }
    std::uint32_t TotalBlocks() const { return m_totalBlocks.load(); }
    TDownloadOutcome Outcome() const;

    // Asks the owner to run MemPacketTick on its own thread after delayMs. Called from
    // the listener thread when a reply has come, and from the owner's thread when the
    // next request is due before the next tick.
    std::function<void(int delayMs)> OnTickDue;

    // Block replies carry no block number: a copy of a reply, or a reply that comes
    // after its request was repeated, would be taken for the next block and shift the
    // rest of the image. So only one answer is due at a time, anything that comes when
    // none is due is a stray, and the next block is asked for only after the line has
    // been quiet for a window. A stray that is not a copy of the last answer shows that
    // something came later than the window: the window widens and the image is read
    // again, also when the stray comes after the last block. Past MaxRestarts, or past
    // the device's time limit, the device fails and stores nothing.
    int QuietWindowMs = 1;
    static constexpr int kMaxQuietWindowMs = 2000;
    // An answer given up on by the deadline may still come this long after the repeated
    // request's answer; the next block waits for it.
    int LostAfterMs = 1000;
    int MaxRestarts = 3;
    // Device information requests, each waited for this long; two replies must agree.
    int InfoRequests = 5;
    int InfoWaitMs = 1000;
    // The longest the next request may wait for a quiet line.
    int MaxHoldMs = 5000;
    // The whole device, restarts included: a base plus an allowance per block that is
    // generous for a slow device.
    int BaseLimitMs = 60000;
    int PerBlockLimitMs = 200;
    // Microseconds of a monotonic clock; tests replace it.
    std::function<qint64()> ClockUs;

    int QuietWindow() const { return CeilMs(m_windowUs); }
    int Restarts() const { return m_restarts.load(); }

private:
    struct TDatagram {
        std::vector<std::uint8_t> bytes;
        qint64 at = 0;
    };
    static int CeilMs(qint64 us) { return int((us + 999) / 1000); }
    qint64 Now() const;
    void Receive(const std::uint8_t* data, std::size_t len); // listener thread
    void TakeInfoReply(const TDatagram& d);
    void TakeBlockReply(const TDatagram& d);
    void SendInfoRequest();
    void InfoReplyEnded();
    void BeginRead();
    void StartPass();
    bool LineQuiet(qint64 atLeastUs);
    bool Restart();
    void SendDueRequest();
    qint64 StrayDelay(const TDatagram& d) const;
    qint64 CopyDelay(const std::uint8_t* data, qint64 at, std::uint32_t below) const;
    void NoteLatency(qint64 latency);
    void UpdateWindow();
    void FinishRead();
    void Fail(const QString& error);
    void WakeAfter(qint64 us);

    TDeviceProtocol& m_protocol;
    TZConnection& m_connection;
    TAccessPointInfo m_accessPoint;
    std::uint32_t m_mark = 0;
    std::atomic<State> m_state{State::Idle};
    std::atomic<std::uint32_t> m_blocksTaken{0};
    std::atomic<std::uint32_t> m_totalBlocks{0};

    std::mutex m_inboxMutex;
    std::vector<TDatagram> m_inbox;

    // Owner's thread only from here on. Times in microseconds of ClockUs.
    qint64 m_startedAt = 0;
    qint64 m_limitUs = 0;
    struct TDeviceSizes {
        std::uint32_t memory = 0;
        std::uint16_t users = 0;
        std::uint32_t logRecords = 0;
        bool operator==(const TDeviceSizes&) const = default;
    };
    int m_infoRequestsSent = 0;
    bool m_infoDue = false;
    std::optional<TDeviceSizes> m_infoSeen;

    bool m_due = false;  // a block answer is awaited
    int m_maybeLate = 0; // answers given up on that may still come
    std::uint32_t m_lateBlock = 0;
    bool m_readEnded = false; // the last block is in; the line is watched before storing
    bool m_doubt = false;     // a stray showed that the image may hold a copy
    std::atomic<int> m_restarts{0};
    qint64 m_windowUs = 1000;
    qint64 m_strayFloorUs = 0; // what late strays showed
    qint64 m_latencyUs = 0;    // how long the device takes to answer
    qint64 m_sentAt = 0;
    qint64 m_lastDatagramAt = 0;
    qint64 m_lastAnswerAt = 0;
    qint64 m_readStartAt = 0;
    qint64 m_holdSince = -1; // when the next request became due and waited for quiet
    std::vector<std::uint8_t> m_lastAnswer;
    std::vector<qint64> m_answerAt; // when each block of this pass was answered

    mutable std::mutex m_outcomeMutex;
    TDownloadOutcome m_outcome;
};

// The access points of the list whose log is read, in the list's order.
std::vector<TAccessPointInfo> ReadableAccessPoints(TDataSet& accessPoints);

// The chain over the access points, in the order given.
class TEventImport {
public:
    TEventImport(TDeviceProtocol& protocol, TZConnection& connection);

    // Access points to read, readable ones only, in ascending identifier.
    void SetAccessPoints(std::vector<TAccessPointInfo> accessPoints);
    const std::vector<TAccessPointInfo>& AccessPoints() const { return m_accessPoints; }

    // The dialog stops at a device that failed (the next start retries it);
    // the command line goes on with the next one.
    bool StopAtFailure = true;

    // Starts (or resumes) at the current access point. False when there is none left.
    bool Begin();
    void MemPacketTick();
    void ReplyWatchdogTick();
    void Stop();

    bool Running() const { return m_running; }
    bool AtEnd() const { return m_current >= m_accessPoints.size(); }
    std::size_t Current() const { return m_current; }
    TLogDownload& Download() { return m_download; }

    std::function<void(const TAccessPointInfo&)> OnDeviceStarted;
    std::function<void(const TAccessPointInfo&, const TDownloadOutcome&)> OnDeviceFinished;
    // The chain has ended: after the last access point, or at a failure when it stops there.
    std::function<void(bool completed)> OnChainEnded;

private:
    void StartCurrent();
    void Advance(bool finished);

    TLogDownload m_download;
    std::vector<TAccessPointInfo> m_accessPoints;
    std::size_t m_current = 0;
    bool m_running = false;
};
