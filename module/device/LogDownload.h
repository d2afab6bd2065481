// SPDX-License-Identifier: GPL-3.0-or-later
// Downloading the event logs of the door devices: one device's memory image
// (TLogDownload) and the chain over the readable access points (TEventImport).
// Widget-free: the import dialog and `horlo import` drive the same classes. The
// device's replies arrive, and its image is read, on the endpoint's listener thread;
// a proven image is decoded and stored on the owner's thread.
#pragma once

#include "host/data/DataSet.h"
#include "module/device/AccessPoint.h"
#include "module/device/ImageReader.h"
#include "module/device/LogDecoder.h"
#include "module/device/protocol/DeviceProtocol.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
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

// One device's download. The endpoint's listener thread reads and proves the image
// (ImageReader.h): it hears the replies and keeps the deadlines, so the line is paced
// by the line, not by how busy the owner's thread is. The owner's thread reads the mark
// first and stores a proven image at the end (Finish).
class TLogDownload {
public:
    enum class State { Idle, Reading, Finished, Failed };

    TLogDownload(TDeviceProtocol& protocol, TZConnection& connection);
    ~TLogDownload();
    TLogDownload(const TLogDownload&) = delete;
    TLogDownload& operator=(const TLogDownload&) = delete;

    // Checks the access point's address, reads its mark and opens the line; the reading
    // goes on on the listener thread. False (with the outcome's error) when any of that
    // fails.
    bool Start(const TAccessPoint& accessPoint);
    // Once the reading is over (LineDone): closes the line and stores a proven image.
    void Finish();
    // Closes the line, waiting for the listener. A device that was not stored stores nothing.
    void Stop();

    State GetState() const { return m_state.load(); }
    bool Busy() const { return GetState() == State::Reading; }
    // The reading is over, proven or failed, and waits for Finish.
    bool LineDone() const { return Busy() && m_reader.Over(); }
    std::uint32_t BlocksDone() const { return m_reader.BlocksTaken(); }
    std::uint32_t TotalBlocks() const { return m_reader.TotalBlocks(); }
    TDownloadOutcome Outcome() const;
    TImageReader& Reader() { return m_reader; }

    // Called on the listener thread when the reading has moved on (at most every
    // kEventMs) and when it is over: the owner calls Finish on its own thread then.
    std::function<void()> OnLineEvent;
    static constexpr int kEventMs = 50;
    // Opens the line to the device and starts the listener that pumps the reader; tests
    // that play the line themselves replace it.
    std::function<bool(const std::string& address, int port)> OpenLine;
    // A read image is worth minutes of a device's line: its store waits out other
    // programs' locks and a cluster's view changes this long, not a number of times.
    std::chrono::milliseconds StoreDeadline{std::chrono::minutes(5)};

private:
    bool OpenEndpoint(const std::string& address, int port);
    void Store(const TLogProof& proof);
    void Fail(TDownloadFailure failure, const QString& error, const QString& reason = QString());

    TDeviceProtocol& m_protocol;
    TZConnection& m_connection;
    TImageReader m_reader;
    TAccessPoint m_accessPoint;
    std::uint32_t m_mark = 0;
    std::atomic<State> m_state{State::Idle};
    std::int64_t m_lastEventAt = 0; // listener thread

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
    // On the owner's thread whenever the download has something to say (OnWake): stores a
    // device whose reading is over and goes on with the next.
    void Step();
    void Stop();

    bool Running() const { return m_running; }
    bool AtEnd() const { return m_current >= m_accessPoints.size(); }
    std::size_t Current() const { return m_current; }
    TLogDownload& Download() { return m_download; }

    // From the listener thread: Step is due on the owner's thread.
    std::function<void()> OnWake;
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
