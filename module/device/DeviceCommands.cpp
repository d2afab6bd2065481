// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/DeviceCommands.h"

#include "module/HorloResourceString.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

std::vector<TAccessPoint> AllAccessDoors(const std::vector<TAccessPoint>& doors) {
    std::vector<TAccessPoint> out;
    for (const TAccessPoint& d : doors)
        if (d.allAccess) out.push_back(d);
    return out;
}

bool TDeviceRun::AllAcknowledged() const {
    if (abandoned) return false;
    bool any = false; // nothing asked is nothing confirmed
    for (const TDoorResult& r : doors) {
        if (r.answer != TDeviceAnswer::Acknowledged && r.answer != TDeviceAnswer::NotContacted) return false;
        any = any || r.answer == TDeviceAnswer::Acknowledged;
    }
    return any;
}

QString TDeviceRun::Unconfirmed() const {
    QStringList labels;
    for (const TDoorResult& r : doors)
        if (r.answer != TDeviceAnswer::Acknowledged && r.answer != TDeviceAnswer::NotContacted)
            labels << r.door.Label();
    return labels.join(QStringLiteral(", "));
}

QString AnswerText(TDeviceAnswer answer) {
    switch (answer) {
    case TDeviceAnswer::NotContacted:
        return QStringLiteral("ništa za slanje");
    case TDeviceAnswer::Acknowledged:
        return QStringLiteral("potvrđeno");
    case TDeviceAnswer::Refused:
        return QStringLiteral("odbijeno");
    case TDeviceAnswer::Unclear:
        return QStringLiteral("nejasan odgovor");
    case TDeviceAnswer::NoAnswer:
        return QString::fromUtf8(_DEVICE_SILENT_TXT);
    case TDeviceAnswer::Cancelled:
        return QStringLiteral("otkazano, nije poslato");
    }
    return QString();
}

std::uint8_t RelayModeFor(TRelayOperation operation, bool outdoor) {
    switch (operation) {
    case TRelayOperation::Lock:
        return outdoor ? 1 : 3;
    case TRelayOperation::Unlock:
        return outdoor ? 8 : 2;
    case TRelayOperation::Fire:
        return outdoor ? 0 : 2;
    }
    return 0;
}

TDeviceCommands::TDeviceCommands(TDeviceProtocol& protocol) : m_protocol(protocol) {}

TDeviceCommands::~TDeviceCommands() {
    Detach();
}

void TDeviceCommands::Attach(TDeviceRun& run) {
    m_run = &run;
    // Replies are only queued on the listener thread; the reply rules, and the error
    // boxes they raise, run here on the caller's thread.
    m_protocol.Intercept = [this](const std::uint8_t* data, std::size_t len, std::int64_t) {
        Receive(data, len);
    };
    m_protocol.ShowErrorBox = [this](const std::string&, const std::string& text) {
        if (m_run) m_run->deviceErrors << QString::fromStdString(text);
    };
}

void TDeviceCommands::Detach() {
    m_protocol.CloseEndpoint(); // waits for a running handler
    m_protocol.Intercept = nullptr;
    m_protocol.ShowErrorBox = nullptr;
    m_run = nullptr;
    std::lock_guard lock(m_mutex);
    m_inbox.clear();
}

void TDeviceCommands::Receive(const std::uint8_t* data, std::size_t len) {
    std::lock_guard lock(m_mutex);
    m_inbox.emplace_back(data, data + len);
    if (m_loop) QMetaObject::invokeMethod(m_loop, "quit", Qt::QueuedConnection);
    m_arrived.notify_all();
}

namespace {

// What tells two requests apart: equal keys ask the same and get the same answer.
QByteArray RequestKey(TDeviceCommand command, std::initializer_list<qint64> arguments) {
    QByteArray key{command.c1 + QByteArray(1, command.c2)};
    for (qint64 a : arguments)
        key += ':' + QByteArray::number(a);
    return key;
}

// A reply that names another command than the one asked is the late answer to an
// earlier request (a repeated GetRelayDelays, say). Devices that leave bytes 6-7
// empty are not affected.
bool AnswersAnotherCommand(const std::vector<std::uint8_t>& datagram, TDeviceCommand asked) {
    const char c1 = char(datagram[6]), c2 = char(datagram[7]);
    if (c1 == asked.c1 && c2 == asked.c2) return false;
    for (const TDeviceCommand known : {kCmdGetDeviceInfo, kCmdGetMemoryBlock, kCmdGetRelayDelays,
                                       kCmdSetRelayMode, kCmdSetClock, kCmdSetUserRecord})
        if (c1 == known.c1 && c2 == known.c2) return true;
    return false;
}

} // namespace

bool TDeviceCommands::TakeReply(TDeviceCommand command, std::uint8_t expectedState, TReply& reply) {
    std::vector<std::vector<std::uint8_t>> inbox;
    {
        std::lock_guard lock(m_mutex);
        inbox.swap(m_inbox);
    }
    for (const auto& datagram : inbox) {
        if (reply.answered || AnswersAnotherCommand(datagram, command)) {
            // the late answer to a request of this door that is still out, or nothing asked
            if (FrameCrcOk(datagram.data()) && m_outstanding.count > 0) --m_outstanding.count;
            continue;
        }
        m_protocol.HandleReply(datagram.data(), datagram.size());
        // A reply with a bad checksum leaves the state, and the wait goes on.
        if (m_protocol.ReceiveState.load() == expectedState) continue;
        reply.answered = true;
        reply.ack1 = datagram[8];
        reply.ack2 = datagram[9];
        if (m_outstanding.count > 0) --m_outstanding.count;
    }
    return reply.answered;
}

// Waits until the requests of this door that are still out have been answered, or
// their time is over, and drops those answers: a reply does not say which request it
// answers, so a late one must not be taken for the next, different request.
void TDeviceCommands::Drain() {
    TReply nothing;
    nothing.answered = true; // every datagram now answers something earlier
    while (m_outstanding.count > 0 && Clock::now() < m_outstanding.until) {
        TakeReply(kCmdGetDeviceInfo, 0, nothing);
        if (m_outstanding.count == 0) break;
        std::unique_lock lock(m_mutex);
        m_arrived.wait_until(lock, m_outstanding.until, [this] { return !m_inbox.empty(); });
    }
    TakeReply(kCmdGetDeviceInfo, 0, nothing);
    m_outstanding = {};
}

TDeviceCommands::TReply TDeviceCommands::Exchange(TDeviceCommand command, const QByteArray& request,
                                                  const std::function<TSendOutcome()>& send, int waitMs) {
    if (m_outstanding.count > 0 && request != m_outstanding.request) Drain();
    TReply reply;
    TSendOutcome outcome = send();
    // Held only while the listener queues a datagram: a moment.
    for (int i = 0; outcome == TSendOutcome::Held && i < 100; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        outcome = send();
    }
    if (outcome != TSendOutcome::Sent) {
        reply.sendFailed = true;
        return reply;
    }
    // The same request again may be answered by either sending: its answers are alike.
    if (request != m_outstanding.request) m_outstanding = {request, 0, {}};
    ++m_outstanding.count;
    m_outstanding.until = Clock::now() + std::chrono::milliseconds(ReplyWaitMs);
    const std::uint8_t expected = m_protocol.ReceiveState.load();
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    QCoreApplication* app = QCoreApplication::instance();
    const bool eventLoop = app && QThread::currentThread() == app->thread();
    for (;;) {
        if (TakeReply(command, expected, reply)) return reply;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return reply;
        if (eventLoop) {
            // The window goes on painting and its timers run; the dialog keeps its own
            // controls disabled meanwhile.
            QEventLoop loop;
            QTimer timer;
            timer.setSingleShot(true);
            QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
            {
                std::lock_guard lock(m_mutex);
                if (!m_inbox.empty()) continue;
                m_loop = &loop;
            }
            timer.start(int(left.count()));
            loop.exec();
            std::lock_guard lock(m_mutex);
            m_loop = nullptr;
        } else {
            std::unique_lock lock(m_mutex);
            m_arrived.wait_for(lock, left, [this] { return !m_inbox.empty(); });
        }
    }
}

TDeviceAnswer TDeviceCommands::AckAnswer(const TReply& reply) {
    if (!reply.answered) return TDeviceAnswer::NoAnswer;
    if (reply.ack1 == 'N' && reply.ack2 == 'O') return TDeviceAnswer::Refused;
    return TDeviceAnswer::Acknowledged;
}

template <class Body> TDeviceRun TDeviceCommands::Run(const std::vector<TAccessPoint>& doors, Body body) {
    TDeviceRun run;
    Attach(run);
    m_cancel = false;
    const auto detach = qScopeGuard([this] { Detach(); });
    for (std::size_t i = 0; i < doors.size(); ++i) {
        if (m_cancel) {
            run.cancelled = true;
            for (; i < doors.size(); ++i)
                run.doors.push_back({doors[i], TDeviceAnswer::Cancelled, 0, false, {}});
            break;
        }
        const TAccessPoint& door = doors[i];
        TDoorResult result;
        result.door = door;
        if (OnDoorStarted) OnDoorStarted(door, int(i) + 1, int(doors.size()));
        if (!m_protocol.OpenEndpoint(door.localIp.toStdString(), door.udpPort)) {
            result.answer = TDeviceAnswer::NoAnswer;
            result.notOpened = true;
            result.note = QString::fromStdString(m_protocol.Endpoint().LastErrorText());
            run.abandoned = true;
            run.connectError = result.note;
            run.doors.push_back(result);
            if (OnDoorFinished) OnDoorFinished(result);
            break;
        }
        m_outstanding = {}; // another door: its replies come from its own address
        {
            std::lock_guard lock(m_mutex);
            m_inbox.clear();
        }
        body(door, result);
        m_protocol.CloseEndpoint();
        if (m_protocol.Endpoint().Active()) run.closeFailures << door.Label();
        run.doors.push_back(result);
        if (OnDoorFinished) OnDoorFinished(result);
    }
    return run;
}

namespace {

const QString kSendFailed = QStringLiteral("slanje nije uspelo");

} // namespace

TDeviceRun TDeviceCommands::SetClocks(const std::vector<TAccessPoint>& doors) {
    return Run(doors, [this](const TAccessPoint&, TDoorResult& r) {
        // one reading of the clock for this door, just before its request
        const QDateTime now = LocalClock ? LocalClock() : QDateTime::currentDateTime();
        const QDate d = now.date();
        const QTime t = now.time();
        const TCommandArgs args = ClockArgs(d.year(), unsigned(d.month()), unsigned(d.day()),
                                            unsigned(t.hour()), unsigned(t.minute()), unsigned(t.second()));
        const TReply reply = Exchange(
            kCmdSetClock,
            RequestKey(kCmdSetClock, {}) +
                QByteArray(reinterpret_cast<const char*>(args.data()), int(args.size())),
            [&] { return m_protocol.RequestClock(args); }, ReplyWaitMs);
        r.requests = 1;
        r.answer = AckAnswer(reply);
        if (reply.sendFailed) r.note = kSendFailed;
    });
}

TDeviceRun TDeviceCommands::SetRelayModes(const std::vector<TAccessPoint>& doors, TRelayOperation operation) {
    return Run(doors, [this, operation](const TAccessPoint& door, TDoorResult& r) {
        // The delays come back with the mode, so they must be this door's own: a door
        // that does not tell them is asked again and, failing that, left as it is.
        const int attempts = std::max(1, RelayDelayRequests);
        const int perAttempt = std::max(1, ReplyWaitMs / attempts);
        TReply delays;
        for (int i = 0; i < attempts && !delays.answered; ++i) {
            delays = Exchange(
                kCmdGetRelayDelays, RequestKey(kCmdGetRelayDelays, {}),
                [&] { return m_protocol.RequestRelayDelays(); }, perAttempt);
            ++r.requests;
            if (delays.sendFailed) break;
        }
        if (!delays.answered || AckAnswer(delays) != TDeviceAnswer::Acknowledged) {
            r.answer = delays.answered ? TDeviceAnswer::Refused : TDeviceAnswer::NoAnswer;
            r.note = delays.sendFailed ? kSendFailed : QStringLiteral("režim nije poslat");
            return;
        }
        const std::uint8_t mode = RelayModeFor(operation, door.outdoor);
        const TReply reply = Exchange(
            kCmdSetRelayMode, RequestKey(kCmdSetRelayMode, {mode}),
            [&] { return m_protocol.RequestRelayMode(mode); }, ReplyWaitMs);
        ++r.requests;
        r.answer = AckAnswer(reply);
        if (reply.sendFailed) r.note = kSendFailed;
    });
}

TDeviceRun TDeviceCommands::SendCard(const std::vector<TAccessPoint>& doors,
                                     const std::vector<TCardTicket>& tickets, const TCardData& card) {
    return Run(doors, [&](const TAccessPoint& door, TDoorResult& r) {
        for (const TCardTicket& ticket : tickets) {
            if (ticket.accessPointId != door.id) continue;
            const TReply reply = Exchange(
                kCmdSetUserRecord,
                RequestKey(kCmdSetUserRecord, {ticket.ticketId, card.cardCode, card.active}),
                [&] {
                    return m_protocol.RequestUserRecord(std::uint32_t(ticket.ticketId), card.cardCode,
                                                        card.active);
                },
                ReplyWaitMs);
            ++r.requests;
            TDeviceAnswer answer = AckAnswer(reply);
            if (answer == TDeviceAnswer::Acknowledged && !(reply.ack1 == 'O' && reply.ack2 == 'K'))
                answer = TDeviceAnswer::Unclear;
            // the door's result is its first failure
            if (r.answer == TDeviceAnswer::NotContacted || r.answer == TDeviceAnswer::Acknowledged) {
                r.answer = answer;
                if (reply.sendFailed) r.note = kSendFailed;
            }
            // its answer may still come, and would pass for the next ticket's
            if (!reply.answered) break;
        }
    });
}

std::vector<TCardTicket> CardTicketsOf(TDataSet& tickets) {
    std::vector<TCardTicket> out;
    if (!tickets.Active()) return out;
    for (tickets.First(); !tickets.Eof(); tickets.Next())
        out.push_back({tickets.FieldByName(QStringLiteral("horloaccessticketid"))->AsLargeInt(),
                       tickets.FieldByName(QStringLiteral("horloaccesspointid"))->AsLargeInt()});
    if (!tickets.IsEmpty()) tickets.First();
    return out;
}

int CreateCardTickets(TZConnection& connection, TZQuery& tickets, const TCardData& card,
                      const std::vector<TAccessPoint>& doors) {
    if (!tickets.IsEmpty() || doors.empty()) return 0;
    int made = 0;
    try {
        TTransaction transaction(connection);
        for (const TAccessPoint& door : doors) {
            tickets.Append();
            tickets.FieldByName(QStringLiteral("horloaccesspointid"))->SetAsLargeInt(door.id);
            tickets.FieldByName(QStringLiteral("employeecardid"))->SetAsLargeInt(card.cardId);
            tickets.FieldByName(QStringLiteral("active"))->SetAsBoolean(true);
            if (card.employeeId > 0)
                tickets.FieldByName(QStringLiteral("employeeid"))->SetAsLargeInt(card.employeeId);
            tickets.FieldByName(QStringLiteral("employeecardcode"))->SetAsFloat(double(card.cardCode));
            tickets.Post();
            ++made;
        }
        transaction.Commit();
    } catch (...) {
        // the list shows what the database holds: none of them
        tickets.Close();
        tickets.Open();
        throw;
    }
    tickets.Close();
    tickets.Open();
    return made;
}

TDeviceRun SendCardToDevices(TDeviceCommands& commands, TZConnection& connection, TZQuery& accessPoints,
                             TZQuery& tickets, const TCardData& card) {
    accessPoints.Close();
    accessPoints.Open();
    const std::vector<TAccessPoint> all = AccessPointsOf(accessPoints);
    std::vector<TAccessPoint> doors = AllAccessDoors(all);
    tickets.Close();
    tickets.ParamByName(QStringLiteral("IDEmployeeCard"))->SetAsInteger(card.cardId);
    tickets.Open();
    CreateCardTickets(connection, tickets, card, doors);
    const std::vector<TCardTicket> held = CardTicketsOf(tickets);
    if (!card.active) {
        // A withdrawn card also leaves a door that holds a ticket of it but no longer
        // takes all cards: that door would go on admitting it.
        doors.clear();
        for (const TAccessPoint& door : all)
            if (door.allAccess || std::any_of(held.begin(), held.end(), [&](const TCardTicket& t) {
                    return t.accessPointId == door.id;
                }))
                doors.push_back(door);
    }
    return commands.SendCard(doors, held, card);
}
