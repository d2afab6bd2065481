// SPDX-License-Identifier: GPL-3.0-or-later
// The door devices' common commands (clock, lock, unlock, fire) and writing a
// card to them. Widget-free: the card dialog and `horlo clock|lock|unlock|fire|
// card send` drive the same class. One exchange at a time, in the order of the
// access point list; each reply is awaited in a local event loop that leaves
// user input alone, so a window keeps repainting, and the next request goes as
// soon as the reply is in.
#pragma once

#include "host/data/ZQuery.h"
#include "module/device/AccessPoint.h"
#include "module/device/protocol/DeviceProtocol.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

class QEventLoop;

// Only those that receive card records.
std::vector<TAccessPoint> AllAccessDoors(const std::vector<TAccessPoint>& doors);

enum class TDeviceAnswer {
    NotContacted, // nothing was due for it
    Acknowledged,
    Refused,   // N O
    Unclear,   // an acknowledgement that is neither O K nor N O
    NoAnswer,  // silent until the wait ended, or the request could not be sent
    Cancelled, // not reached: the operation was cancelled before this door
};

struct TDoorResult {
    TAccessPoint door;
    TDeviceAnswer answer = TDeviceAnswer::NotContacted;
    int requests = 0;       // requests sent to it
    bool notOpened = false; // its endpoint did not open
    QString note;           // why, when it did not acknowledge
};

// What one operation did.
struct TDeviceRun {
    // The doors the operation named, up to where it stopped; after a cancel the doors
    // not reached follow as Cancelled.
    std::vector<TDoorResult> doors;
    // An endpoint did not open: the operation stopped at that door (its result is the
    // last one) and nothing further was sent.
    bool abandoned = false;
    bool cancelled = false;
    QString connectError;
    // Doors whose endpoint was still active after it was closed.
    QStringList closeFailures;
    // Texts of the reply handler's error boxes, in the order they came.
    QStringList deviceErrors;

    // True when the operation ran to its end and every door it contacted acknowledged.
    bool AllAcknowledged() const;
    // "Magacin (127.0.0.3), Server sala (127.0.0.4)": the contacted doors that did not.
    QString Unconfirmed() const;
};

// Text of an answer for reports ("potvrđeno", "odbijeno", ...).
QString AnswerText(TDeviceAnswer answer);

enum class TRelayOperation { Lock, Unlock, Fire };
// The relay mode an operation sends to a door.
std::uint8_t RelayModeFor(TRelayOperation operation, bool outdoor);

struct TCardTicket {
    qint64 ticketId = 0;
    qint64 accessPointId = 0;
};

struct TCardData {
    qint64 cardId = 0;
    qint64 employeeId = 0; // 0: none
    qint64 cardCode = 0;
    bool active = true;
    QString name;
};

class TDeviceCommands {
public:
    explicit TDeviceCommands(TDeviceProtocol& protocol);
    ~TDeviceCommands();
    TDeviceCommands(const TDeviceCommands&) = delete;
    TDeviceCommands& operator=(const TDeviceCommands&) = delete;

    // The longest a device is waited for, per request.
    int ReplyWaitMs = 2000;
    // GetRelayDelays requests within one ReplyWaitMs before a door is given up.
    int RelayDelayRequests = 3;
    // The local wall clock that SetClock sends, read once per door.
    std::function<QDateTime()> LocalClock;

    // Progress, on the caller's thread: the door's place in the operation, from 1.
    std::function<void(const TAccessPoint&, int number, int count)> OnDoorStarted;
    std::function<void(const TDoorResult&)> OnDoorFinished;
    // Ends the running operation once the door at hand is done (its answers are
    // awaited as ever); the doors after it are not contacted.
    void Cancel() { m_cancel = true; }

    // The clock of every door.
    TDeviceRun SetClocks(const std::vector<TAccessPoint>& doors);
    // Relay delays read back, then the operation's mode by the door's outdoor flag. A
    // door that never reports its delays gets no mode and counts as not acknowledged.
    TDeviceRun SetRelayModes(const std::vector<TAccessPoint>& doors, TRelayOperation operation);
    // The card's record under each of its tickets, door by door (doors with allaccess).
    TDeviceRun SendCard(const std::vector<TAccessPoint>& doors, const std::vector<TCardTicket>& tickets,
                        const TCardData& card);

private:
    struct TReply {
        bool answered = false;
        bool sendFailed = false;
        std::uint8_t ack1 = 0, ack2 = 0;
    };
    template <class Body> TDeviceRun Run(const std::vector<TAccessPoint>& doors, Body body);
    TReply Exchange(TDeviceCommand command, const QByteArray& request,
                    const std::function<TSendOutcome()>& send, int waitMs);
    void Drain();
    bool TakeReply(TDeviceCommand command, std::uint8_t expectedState, TReply& reply);
    void Receive(const std::uint8_t* data, std::size_t len); // listener thread
    static TDeviceAnswer AckAnswer(const TReply& reply);
    void Attach(TDeviceRun& run);
    void Detach();

    TDeviceProtocol& m_protocol;
    TDeviceRun* m_run = nullptr;
    std::atomic<bool> m_cancel{false};

    // The requests of the current door whose answers may still come (equal requests
    // only), and until when they are awaited.
    struct TOutstanding {
        QByteArray request;
        int count = 0;
        std::chrono::steady_clock::time_point until;
    } m_outstanding;

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<std::vector<std::uint8_t>> m_inbox;
    QEventLoop* m_loop = nullptr; // the wait that a datagram ends
};

// The tickets of the card in an open ticket list.
std::vector<TCardTicket> CardTicketsOf(TDataSet& tickets);
// Gives a card that has no tickets one for each of the doors, in one transaction:
// all of them or, when one cannot be stored, none. `tickets` is the card's open
// ticket list and is reopened. Returns how many were made.
int CreateCardTickets(TZConnection& connection, TZQuery& tickets, const TCardData& card,
                      const std::vector<TAccessPoint>& doors);

// "Pošalji u uređaje" for one card: reopens the access points and the card's tickets,
// creates the tickets of a card that has none before any device is contacted, then
// writes the card to the doors with allaccess.
TDeviceRun SendCardToDevices(TDeviceCommands& commands, TZConnection& connection, TZQuery& accessPoints,
                             TZQuery& tickets, const TCardData& card);
