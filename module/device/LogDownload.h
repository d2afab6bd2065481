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

    // Opens the endpoint for the access point and asks the device about itself.
    // False (with the outcome's error) when the endpoint cannot be opened.
    bool Start(const TAccessPointInfo& accessPoint);
    // The 10 ms ticker: starts the memory read once the device has described
    // itself, sends the block request that is due, and notices an abandoned read.
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

    // Asks the owner to run MemPacketTick after delayMs, on its own thread; the
    // download calls it from the listener thread when a block request is due
    // before the next tick.
    std::function<void(int delayMs)> OnSendDue;

    // Block replies carry no block number: a copy of a reply, or a reply that
    // comes after its request was repeated, would be taken for the next block and
    // shift the rest of the image. So the answers due are counted, anything that
    // arrives when none is due is dropped, and the next block is asked for only
    // after the line has been quiet for a window. A reply that comes when none is
    // due and is not a copy of the last answer shows that a copy came later than
    // the window: the window widens and the read starts over.
    int QuietWindowMs = 1;
    static constexpr int kMaxQuietWindowMs = 2000;
    // An answer missing this long is given up; the request is repeated, and the
    // old answer, should it still come, is dropped.
    int LostAfterMs = 3000;
    int QuietWindow() const { return CeilWindowMs(); }
    int Restarts() const { return m_restarts.load(); }

private:
    bool AcceptReply(const std::uint8_t* frame, bool crcOk);
    void NoteLatency(qint64 now);
    void UpdateWindow();
    int CeilWindowMs() const { return int((m_windowUs.load() + 999) / 1000); }
    bool SendDueRequest();
    void RequestDeviceInfo();
    void ReadEnded();
    void FinishRead();
    void Fail(const QString& error);
    void Detach();

    TDeviceProtocol& m_protocol;
    TZConnection& m_connection;
    TAccessPointInfo m_accessPoint;
    std::uint32_t m_mark = 0;
    std::atomic<State> m_state{State::Idle};
    std::atomic<std::uint32_t> m_blocksTaken{0};
    std::atomic<std::uint32_t> m_totalBlocks{0};
    std::atomic<bool> m_readEnded{false};

    std::atomic<int> m_due{0};       // block answers due
    std::atomic<int> m_maybeLate{0}; // answers given up that may still come
    std::uint32_t m_lateBlock = 0;   // the block they would answer
    // Times in microseconds of a monotonic clock.
    std::atomic<qint64> m_windowUs{1000};
    std::atomic<qint64> m_strayFloorUs{0}; // what late copies showed
    std::atomic<qint64> m_latencyUs{0};    // how long the device takes to answer
    std::atomic<bool> m_restart{false};
    std::atomic<int> m_restarts{0};
    std::atomic<qint64> m_lastDatagramUs{0};
    std::atomic<qint64> m_lastAnswerUs{0};
    std::atomic<qint64> m_readStartUs{0};
    std::atomic<qint64> m_sentUs{0}; // the last request
    TFrame m_lastAnswer{};           // listener thread only
    struct TDeviceSizes {
        std::uint32_t memory = 0;
        std::uint16_t users = 0;
        std::uint32_t logRecords = 0;
        bool operator==(const TDeviceSizes&) const = default;
    };
    static constexpr int kInfoRequests = 5;
    int m_infoRequests = 0;
    std::optional<TDeviceSizes> m_infoSeen;
    bool m_infoExpired = false; // ticking thread only
    bool m_infoDue = false;

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
