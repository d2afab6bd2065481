#include "module/device/LogDownload.h"

#include "host/SysUtils.h"
#include "module/HorloResourceString.h"

#include <QDateTime>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

qint64 MonotonicUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

constexpr char kBadAddress[] =
    "Neispravna IP adresa uređaja \"%s\" (potrebna je adresa oblika 192.168.1.20).";
constexpr char kBadPort[] = "Neispravan UDP port uređaja: %d (dozvoljeno je 1 do 65535).";
constexpr char kPortTaken[] = " (UDP port %d već koristi drugi program koji čita uređaje)";
constexpr char kMarkUnread[] = "Oznaka poslednjeg upisanog zapisa nije pročitana (%s).";
constexpr char kSendFailed[] = "Zahtev uređaju nije poslat (%s); ništa nije upisano.";
constexpr char kNoDeviceInfo[] = "Uređaj nije poslao podatke o sebi.";
constexpr char kBadMemorySize[] = "Uređaj prijavljuje neispravnu veličinu memorije (%s bajtova).";
constexpr char kTooManyBadReplies[] = "Previše neispravnih odgovora uređaja; ništa nije upisano.";
constexpr char kNoReply[] = "Uređaj ne odgovara; ništa nije upisano.";
constexpr char kStrayReplies[] =
    "Uređaj šalje zakasnele ili ponovljene odgovore i posle %d ponovljenih čitanja; ništa nije upisano.";
constexpr char kNeverQuiet[] = "Od uređaja stalno stižu odgovori koji nisu traženi; ništa nije upisano.";
constexpr char kTimeLimit[] = "Čitanje uređaja traje duže od %d s; ništa nije upisano.";
constexpr char kStoreFailed[] = "Upis događaja nije uspeo (%s); ništa nije upisano.";
constexpr char kStopped[] = "Prekinuto pre kraja; ništa nije upisano.";

QString OsErrorText(int error) {
    return error == 0 ? QStringLiteral("greška slanja") : QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

// ---------------------------------------------------------------- one device

TLogDownload::TLogDownload(TDeviceProtocol& protocol, TZConnection& connection)
    : m_protocol(protocol), m_connection(connection) {}

TLogDownload::~TLogDownload() {
    Stop();
    m_protocol.Intercept = nullptr;
    m_protocol.OnMemBlockDone = nullptr;
    m_protocol.OnMemReadEnded = nullptr;
}

qint64 TLogDownload::Now() const {
    return ClockUs ? ClockUs() : MonotonicUs();
}

TDownloadOutcome TLogDownload::Outcome() const {
    std::lock_guard lock(m_outcomeMutex);
    return m_outcome;
}

void TLogDownload::Fail(const QString& error) {
    {
        std::lock_guard lock(m_outcomeMutex);
        m_outcome.ok = false;
        m_outcome.error = error;
        m_outcome.blocks = m_blocksTaken.load();
    }
    m_protocol.SendForNextMemPacket = false;
    m_state = State::Failed;
}

void TLogDownload::WakeAfter(qint64 us) {
    if (OnTickDue) OnTickDue(CeilMs(std::max<qint64>(us, 0)));
}

bool TLogDownload::Start(const TAccessPointInfo& accessPoint) {
    Stop();
    m_accessPoint = accessPoint;
    m_state = State::Idle;
    m_blocksTaken = 0;
    m_totalBlocks = 0;
    {
        std::lock_guard lock(m_inboxMutex);
        m_inbox.clear();
    }
    {
        std::lock_guard lock(m_outcomeMutex);
        m_outcome = TDownloadOutcome{};
    }
    m_infoRequestsSent = 0;
    m_infoDue = false;
    m_infoSeen.reset();
    m_due = false;
    m_maybeLate = 0;
    m_readEnded = false;
    m_doubt = false;
    m_restarts = 0;
    m_strayFloorUs = 0;
    m_latencyUs = 0;
    UpdateWindow();
    m_lastDatagramAt = m_lastAnswerAt = m_readStartAt = 0;
    m_holdSince = -1;
    m_lastAnswer.assign(FRAME_SIZE, 0);

    const std::string address = accessPoint.localIp.trimmed().toStdString();
    if (!IsIpv4Address(address)) {
        Fail(Format(kBadAddress, {accessPoint.localIp}));
        return false;
    }
    if (accessPoint.udpPort < 1 || accessPoint.udpPort > 65535) {
        Fail(Format(kBadPort, {accessPoint.udpPort}));
        return false;
    }
    try {
        // The mark as stored now, so that a second read in one session starts above
        // what the first one stored.
        const TResultSet mark = m_connection.Select(Format(
            QStringLiteral("SELECT currentdeviceindex FROM horloaccesspoint WHERE horloaccesspointid = %d"),
            {accessPoint.id}));
        m_mark = mark.rows.empty() ? 0 : std::uint32_t(mark.rows[0][0].toLongLong());
    } catch (const EDatabaseError& e) {
        Fail(Format(kMarkUnread, {e.Message()}));
        return false;
    }

    m_protocol.Intercept = [this](const std::uint8_t* data, std::size_t len) { Receive(data, len); };
    m_protocol.OnMemBlockDone = [this](std::uint32_t done) { m_blocksTaken = done; };
    m_protocol.OnMemReadEnded = [this] { m_readEnded = true; };
    if (!m_protocol.OpenEndpoint(address, accessPoint.udpPort)) {
        const int error = m_protocol.Endpoint().LastError();
        Fail(QString::fromUtf8(_DEVICE_CONNECT_ERR) +
             (error == EADDRINUSE ? Format(kPortTaken, {accessPoint.udpPort})
                                  : QStringLiteral(" (%1)").arg(
                                        QString::fromStdString(m_protocol.Endpoint().LastErrorText()))));
        return false;
    }
    m_startedAt = Now();
    m_limitUs = qint64(BaseLimitMs) * 1000;
    m_state = State::AwaitingInfo;
    SendInfoRequest();
    return GetState() != State::Failed;
}

// Listener thread: the datagram is stored before the owner is told.
void TLogDownload::Receive(const std::uint8_t* data, std::size_t len) {
    TDatagram d{std::vector<std::uint8_t>(data, data + len), Now()};
    {
        std::lock_guard lock(m_inboxMutex);
        m_inbox.push_back(std::move(d));
    }
    if (OnTickDue) OnTickDue(0);
}

void TLogDownload::MemPacketTick() {
    if (!Busy()) return;
    std::vector<TDatagram> arrived;
    {
        std::lock_guard lock(m_inboxMutex);
        arrived.swap(m_inbox);
    }
    for (const TDatagram& d : arrived) {
        if (GetState() == State::AwaitingInfo)
            TakeInfoReply(d);
        else if (GetState() == State::Reading)
            TakeBlockReply(d);
    }
    if (!Busy()) return;
    if (Now() - m_startedAt > m_limitUs) return Fail(Format(kTimeLimit, {m_limitUs / 1000000}));
    if (GetState() == State::AwaitingInfo) {
        if (m_infoDue) return SendInfoRequest();
        if (m_protocol.ReceiveState == rsDeviceInfo && Now() - m_sentAt > qint64(InfoWaitMs) * 1000) {
            // this request's wait is over; the next one, if any is left, goes out now
            m_protocol.TimeOutForResponseEnabled = false;
            m_protocol.ReceiveState = rsIdle;
            InfoReplyEnded();
        }
        return;
    }
    if (m_readEnded) return FinishRead();
    if (!m_protocol.MemReadIsInProgress) return Fail(kNoReply); // abandoned by the deadline
    SendDueRequest();
}

void TLogDownload::ReplyWatchdogTick() {
    // the device information has its own wait (InfoWaitMs); the blocks keep the
    // device's deadline and retries
    if (GetState() == State::Reading) m_protocol.ReplyWatchdogTick();
}

// ---- device information

void TLogDownload::SendInfoRequest() {
    // each reply is read on its own: no sizes of an earlier reply or device stay behind
    m_protocol.EEPROM_MEM_SIZE = 0;
    m_protocol.USERS_COUNT_FROM_DEVICE = 0;
    m_protocol.MAX_LOG_RECORDS = 0;
    m_sentAt = Now();
    switch (m_protocol.RequestDeviceInfo()) {
    case TSendOutcome::Sent:
        ++m_infoRequestsSent;
        m_infoDue = false;
        return;
    case TSendOutcome::Held: // a datagram is being queued; the wake-up it brings sends this
        m_infoDue = true;
        return;
    case TSendOutcome::Failed:
        return Fail(Format(kSendFailed, {OsErrorText(m_protocol.LastSendError())}));
    }
}

void TLogDownload::TakeInfoReply(const TDatagram& d) {
    // nothing asked (a copy, or a request still held): not an answer
    if (m_infoDue || m_protocol.ReceiveState != rsDeviceInfo) return;
    m_protocol.HandleReply(d.bytes.data(), d.bytes.size());
    if (m_protocol.ReceiveState == rsDeviceInfo) return; // bad checksum: still awaited
    m_lastDatagramAt = d.at;
    NoteLatency(d.at - m_sentAt);
    InfoReplyEnded();
}

// A reply or the deadline has ended one request for the device information.
void TLogDownload::InfoReplyEnded() {
    const TDeviceSizes sizes{m_protocol.EEPROM_MEM_SIZE, m_protocol.USERS_COUNT_FROM_DEVICE,
                             m_protocol.MAX_LOG_RECORDS};
    // A late memory block of an earlier read can come instead of the reply, and it
    // may even hold a model text; only two replies that agree are believed.
    if (sizes.memory != 0 && m_infoSeen && *m_infoSeen == sizes) {
        if (sizes.memory < kMinMemorySize || sizes.memory > kMaxMemorySize)
            return Fail(Format(kBadMemorySize, {sizes.memory}));
        return BeginRead();
    }
    if (sizes.memory != 0) m_infoSeen = sizes;
    if (m_infoRequestsSent >= InfoRequests) return Fail(kNoDeviceInfo);
    SendInfoRequest();
}

// ---- memory blocks

void TLogDownload::BeginRead() {
    const std::uint32_t total = m_protocol.EEPROM_MEM_SIZE / MEM_BLOCK_SIZE;
    m_totalBlocks = total;
    m_answerAt.assign(total, 0);
    m_limitUs = (Now() - m_startedAt) + (qint64(BaseLimitMs) + qint64(PerBlockLimitMs) * total) * 1000;
    m_protocol.ReadLastBlock = true; // every block, the last one included
    m_state = State::Reading;
    StartPass();
    SendDueRequest();
}

// Reads the image from its first block; the blocks taken so far are forgotten.
void TLogDownload::StartPass() {
    m_blocksTaken = 0;
    m_readEnded = false;
    m_doubt = false;
    m_due = false;
    m_holdSince = -1;
    m_readStartAt = Now();
    m_protocol.BeginMemoryRead();
}

void TLogDownload::TakeBlockReply(const TDatagram& d) {
    const std::uint8_t* frame = d.bytes.data();
    m_lastDatagramAt = d.at;
    if (m_due) {
        m_due = false;
        m_lastAnswer.assign(frame, frame + FRAME_SIZE);
        m_lastAnswerAt = d.at;
        const std::uint32_t block = m_protocol.MemReadAddress;
        if (block < m_answerAt.size()) m_answerAt[block] = d.at;
        NoteLatency(d.at - m_sentAt);
        // nothing is awaited while the next request waits for its window
        m_protocol.TimeOutForResponseEnabled = false;
        m_protocol.HandleReply(frame, d.bytes.size());
        return;
    }
    // A stray: nothing is due.
    if (m_maybeLate > 0) {
        --m_maybeLate; // an answer given up on, come after all
        return;
    }
    // A copy of the last answer (whatever became of its checksum on the way), come before
    // the next request, did no harm: it carries the data that was taken.
    if (std::equal(frame + FRAME_DATA_OFFSET, frame + FRAME_CRC_OFFSET,
                   m_lastAnswer.begin() + FRAME_DATA_OFFSET))
        return;
    // Before the first answer of a pass nothing can have been taken wrongly; and one
    // widening per pass is enough: the strays of one burst come together.
    if (m_lastAnswerAt < m_readStartAt || m_doubt) return;
    // Anything else may be the real answer to a request whose place a late copy took.
    m_strayFloorUs = std::max(2 * m_windowUs, 2 * StrayDelay(d));
    UpdateWindow();
    m_doubt = true;
}

// How late a stray came, to size the window; whether to read again does not depend on
// it. A copy carries the data of an earlier block (its checksum may have suffered on the
// way), so it came as late as the time since that block's answer. Either the stray is
// such a copy, or it is the real answer and the last answer taken was the copy.
qint64 TLogDownload::StrayDelay(const TDatagram& d) const {
    const std::uint32_t next = m_protocol.MemReadAddress;
    const std::uint32_t lastTaken = next > 0 ? next - 1 : 0;
    return std::max({d.at - m_lastAnswerAt, CopyDelay(d.bytes.data() + FRAME_DATA_OFFSET, d.at, next),
                     CopyDelay(m_lastAnswer.data() + FRAME_DATA_OFFSET, m_lastAnswerAt, lastTaken)});
}

// The time since the answer of the latest block before `below` of this pass that holds
// `data`, or 0. Blocks of one repeated byte (unused memory) say nothing about which
// block a copy came from.
qint64 TLogDownload::CopyDelay(const std::uint8_t* data, qint64 at, std::uint32_t below) const {
    if (std::all_of(data, data + FRAME_DATA_SIZE, [data](std::uint8_t b) { return b == data[0]; })) return 0;
    for (std::uint32_t block = std::min<std::uint32_t>(below, std::uint32_t(m_answerAt.size()));
         block-- > 0;) {
        const qint64 since = at - m_answerAt[block];
        if (m_answerAt[block] < m_readStartAt || since > qint64(kMaxQuietWindowMs) * 1000) break;
        if (std::memcmp(data, m_protocol.RcvMemBuffer.data() + std::size_t(block) * MEM_BLOCK_SIZE,
                        FRAME_DATA_SIZE) == 0)
            return since;
    }
    return 0;
}

// True once the line has been quiet for the window (and for `atLeast`); otherwise asks
// for a tick when it may be, and fails the device when it never is.
bool TLogDownload::LineQuiet(qint64 atLeast) {
    const qint64 now = Now();
    if (m_holdSince < 0) m_holdSince = now;
    const qint64 wait = std::max(m_windowUs, atLeast) - (now - m_lastDatagramAt);
    if (wait <= 0) return true;
    if (now - m_holdSince > qint64(MaxHoldMs) * 1000) {
        Fail(kNeverQuiet);
        return false;
    }
    WakeAfter(wait);
    return false;
}

// Reads the image again after a stray; false when the device has had its restarts.
bool TLogDownload::Restart() {
    if (m_restarts >= MaxRestarts) {
        Fail(Format(kStrayReplies, {MaxRestarts}));
        return false;
    }
    ++m_restarts;
    StartPass();
    return true;
}

void TLogDownload::SendDueRequest() {
    if (!m_protocol.SendForNextMemPacket) return;
    if (m_due) {
        // The deadline gave the answer up and asks again. Should the old answer still
        // come after the new one, it answers nothing.
        m_due = false;
        ++m_maybeLate;
        m_lateBlock = m_protocol.MemReadAddress;
    }
    qint64 atLeast = 0;
    if (m_maybeLate > 0 && m_protocol.MemReadAddress != m_lateBlock) {
        // the next block is not asked for while the old answer may still come
        const qint64 lostAfter = qint64(LostAfterMs) * 1000;
        if (Now() - m_lastDatagramAt >= lostAfter)
            m_maybeLate = 0;
        else
            atLeast = lostAfter;
    }
    if (!LineQuiet(atLeast)) return;
    if (m_doubt && !Restart()) return;
    m_sentAt = Now();
    switch (m_protocol.SendNextMemPacket()) {
    case TSendOutcome::Sent:
        m_due = true;
        m_holdSince = -1;
        return;
    case TSendOutcome::Held: // a datagram is being queued; the wake-up it brings sends this
        return;
    case TSendOutcome::Failed:
        return Fail(Format(kSendFailed, {OsErrorText(m_protocol.LastSendError())}));
    }
}

// A reply that comes later than the window would arrive after the next
// request, where a copy that took its place could not be told from it: the
// window is kept at twice the time the device takes to answer (a maximum that
// slowly forgets single slow answers), and never below what late strays showed.
void TLogDownload::NoteLatency(qint64 latency) {
    m_latencyUs = std::max(latency, m_latencyUs - m_latencyUs / 16);
    UpdateWindow();
}

void TLogDownload::UpdateWindow() {
    m_windowUs = std::min<qint64>(qint64(kMaxQuietWindowMs) * 1000,
                                  std::max({qint64(QuietWindowMs) * 1000, m_strayFloorUs, 2 * m_latencyUs}));
}

void TLogDownload::FinishRead() {
    const std::uint32_t total = m_totalBlocks;
    if (m_blocksTaken < total) return Fail(kTooManyBadReplies); // ended early: nothing is stored
    // The line is watched after the last block too: the real last answer may still
    // come after a copy that took its place.
    if (!LineQuiet(0)) return;
    if (m_doubt) {
        if (Restart()) SendDueRequest();
        return;
    }
    try {
        TLogDecoder decoder(m_connection);
        const TDecodeResult decoded =
            decoder.ShowDecodedData(m_protocol.RcvMemBuffer.data(), std::size_t(total) * MEM_BLOCK_SIZE,
                                    m_protocol.EEPROM_MEM_SIZE, m_protocol.USERS_COUNT_FROM_DEVICE,
                                    m_protocol.MAX_LOG_RECORDS, m_accessPoint.id, m_mark, ::Now().date());
        {
            std::lock_guard lock(m_outcomeMutex);
            m_outcome.ok = true;
            m_outcome.blocks = total;
            m_outcome.decoded = decoded;
        }
        m_state = State::Finished;
    } catch (const EDatabaseError& e) {
        Fail(Format(kStoreFailed, {e.Message()}));
        std::lock_guard lock(m_outcomeMutex);
        m_outcome.storeFailed = true;
    }
}

void TLogDownload::Stop() {
    m_protocol.CloseEndpoint(); // waits for a running handler
    if (Busy()) Fail(kStopped);
    m_protocol.SendForNextMemPacket = false;
    m_protocol.MemReadIsInProgress = false;
    m_protocol.TimeOutForResponseEnabled = false;
    m_protocol.ReceiveState = rsIdle;
    std::lock_guard lock(m_inboxMutex);
    m_inbox.clear();
}

// ---------------------------------------------------------------- the chain

std::vector<TAccessPointInfo> ReadableAccessPoints(TDataSet& accessPoints) {
    std::vector<TAccessPointInfo> result;
    for (accessPoints.First(); !accessPoints.Eof(); accessPoints.Next()) {
        if (!accessPoints.FieldByName(QStringLiteral("readaccess"))->AsBoolean()) continue;
        result.push_back({accessPoints.FieldByName(QStringLiteral("horloaccesspointid"))->AsLargeInt(),
                          accessPoints.FieldByName(QStringLiteral("name"))->AsString(),
                          accessPoints.FieldByName(QStringLiteral("localip"))->AsString(),
                          accessPoints.FieldByName(QStringLiteral("udpport"))->AsInteger()});
    }
    accessPoints.First();
    return result;
}

TEventImport::TEventImport(TDeviceProtocol& protocol, TZConnection& connection)
    : m_download(protocol, connection) {}

void TEventImport::SetAccessPoints(std::vector<TAccessPointInfo> accessPoints) {
    m_accessPoints = std::move(accessPoints);
    m_current = 0;
}

bool TEventImport::Begin() {
    if (m_running) return true;
    if (AtEnd()) return false;
    m_running = true;
    StartCurrent();
    return true;
}

void TEventImport::StartCurrent() {
    const TAccessPointInfo& ap = m_accessPoints[m_current];
    if (OnDeviceStarted) OnDeviceStarted(ap);
    if (!m_download.Start(ap)) Advance(false);
}

void TEventImport::MemPacketTick() {
    if (!m_running) return;
    m_download.MemPacketTick();
    const TLogDownload::State state = m_download.GetState();
    if (state == TLogDownload::State::Finished)
        Advance(true);
    else if (state == TLogDownload::State::Failed)
        Advance(false);
}

void TEventImport::ReplyWatchdogTick() {
    if (m_running) m_download.ReplyWatchdogTick();
}

void TEventImport::Advance(bool finished) {
    m_download.Stop();
    const TAccessPointInfo ap = m_accessPoints[m_current];
    if (OnDeviceFinished) OnDeviceFinished(ap, m_download.Outcome());
    if (!finished && StopAtFailure) {
        m_running = false; // the next start tries this access point again
        if (OnChainEnded) OnChainEnded(false);
        return;
    }
    ++m_current;
    if (AtEnd()) {
        m_running = false;
        if (OnChainEnded) OnChainEnded(true);
        return;
    }
    StartCurrent();
}

void TEventImport::Stop() {
    if (!m_running) return;
    m_running = false;
    m_download.Stop();
}
