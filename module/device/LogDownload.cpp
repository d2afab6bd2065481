#include "module/device/LogDownload.h"

#include "host/SysUtils.h"
#include "module/HorloResourceString.h"

#include <QDateTime>

#include <algorithm>

namespace {

qint64 MonotonicUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int CeilMs(qint64 us) {
    return int((us + 999) / 1000);
}

const QString kNoDeviceInfo = QStringLiteral("Uređaj nije poslao podatke o sebi.");
const QString kBadMemorySize =
    QStringLiteral("Uređaj prijavljuje neispravnu veličinu memorije (%s bajtova).");
const QString kTooManyBadReplies =
    QStringLiteral("Previše neispravnih odgovora uređaja; ništa nije upisano.");
const QString kNoReply = QStringLiteral("Uređaj ne odgovara; ništa nije upisano.");
const QString kStoreFailed = QStringLiteral("Upis događaja nije uspeo (%s); ništa nije upisano.");
const QString kStopped = QStringLiteral("Prekinuto pre kraja; ništa nije upisano.");

} // namespace

// ---------------------------------------------------------------- one device

TLogDownload::TLogDownload(TDeviceProtocol& protocol, TZConnection& connection)
    : m_protocol(protocol), m_connection(connection) {}

TLogDownload::~TLogDownload() {
    Stop();
    Detach();
}

void TLogDownload::Detach() {
    m_protocol.OnMemBlockDone = nullptr;
    m_protocol.OnMemReadEnded = nullptr;
    m_protocol.AcceptMemReply = nullptr;
    m_protocol.AfterDatagram = nullptr;
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
    m_state = State::Failed;
}

bool TLogDownload::Start(const TAccessPointInfo& accessPoint) {
    Stop();
    m_accessPoint = accessPoint;
    m_blocksTaken = 0;
    m_totalBlocks = 0;
    m_readEnded = false;
    m_due = 0;
    m_maybeLate = 0;
    m_lateBlock = 0;
    m_strayFloorUs = 0;
    m_latencyUs = 0;
    UpdateWindow();
    m_restart = false;
    m_restarts = 0;
    m_lastAnswer.fill(0);
    m_infoRequests = 1;
    m_infoExpired = false;
    m_infoSeen.reset();
    {
        std::lock_guard lock(m_outcomeMutex);
        m_outcome = TDownloadOutcome{};
    }
    // The mark as stored now, so that a second read in one session starts above
    // what the first one stored.
    const TResultSet mark = m_connection.Select(Format(
        QStringLiteral("SELECT currentdeviceindex FROM horloaccesspoint WHERE horloaccesspointid = %d"),
        {accessPoint.id}));
    m_mark = mark.rows.empty() ? 0 : std::uint32_t(mark.rows[0][0].toLongLong());

    m_protocol.OnMemBlockDone = [this](std::uint32_t done) { m_blocksTaken = done; };
    m_protocol.OnMemReadEnded = [this] { ReadEnded(); };
    m_protocol.AcceptMemReply = [this](const std::uint8_t* frame, bool crcOk) {
        return AcceptReply(frame, crcOk);
    };
    m_protocol.AfterDatagram = [this] {
        m_lastDatagramUs = MonotonicUs();
        if (m_state == State::AwaitingInfo) NoteLatency(m_lastDatagramUs);
        if (m_protocol.SendForNextMemPacket && OnSendDue) OnSendDue(CeilMs(m_windowUs));
    };
    // Sizes of the previous device must never decode this one's memory.
    m_protocol.EEPROM_MEM_SIZE = 0;
    m_protocol.USERS_COUNT_FROM_DEVICE = 0;
    m_protocol.MAX_LOG_RECORDS = 0;
    if (!m_protocol.OpenEndpoint(accessPoint.localIp.toStdString(), accessPoint.udpPort)) {
        Fail(_DEVICE_CONNECT_ERR + QStringLiteral(" (") +
             QString::fromStdString(m_protocol.Endpoint().LastErrorText()) + QLatin1Char(')'));
        return false;
    }
    m_state = State::AwaitingInfo;
    RequestDeviceInfo();
    return true;
}

void TLogDownload::RequestDeviceInfo() {
    // not sent while a reply is being handled: the next tick tries again
    m_sentUs = MonotonicUs();
    m_infoDue = !m_protocol.RequestDeviceInfo();
}

void TLogDownload::MemPacketTick() {
    switch (m_state.load()) {
    case State::AwaitingInfo: {
        if (m_infoDue) return RequestDeviceInfo();
        // the reply, or the deadline, ends the wait
        if (m_protocol.ReceiveState == rsDeviceInfo) return;
        const TDeviceSizes sizes{m_protocol.EEPROM_MEM_SIZE, m_protocol.USERS_COUNT_FROM_DEVICE,
                                 m_protocol.MAX_LOG_RECORDS};
        // A late memory block of an earlier read can come instead of the reply,
        // and it may even hold a model text; only two replies that agree are
        // believed.
        if (sizes.memory == 0 || !m_infoSeen || !(*m_infoSeen == sizes)) {
            if (m_infoExpired || m_infoRequests >= kInfoRequests) return Fail(kNoDeviceInfo);
            if (sizes.memory != 0) m_infoSeen = sizes;
            ++m_infoRequests;
            m_protocol.EEPROM_MEM_SIZE = 0;
            return RequestDeviceInfo();
        }
        if (sizes.memory < kMinMemorySize || sizes.memory > kMaxMemorySize)
            return Fail(Format(kBadMemorySize, {sizes.memory}));
        m_totalBlocks = sizes.memory / MEM_BLOCK_SIZE;
        m_protocol.ReadLastBlock = true; // every block, the last one included
        m_state = State::Reading;
        m_readStartUs = MonotonicUs();
        m_protocol.BeginMemoryRead();
        SendDueRequest();
        return;
    }
    case State::Reading:
        if (m_readEnded) return FinishRead();
        if (!m_protocol.MemReadIsInProgress) return Fail(kNoReply); // abandoned by the deadline
        SendDueRequest();
        return;
    default:
        return;
    }
}

bool TLogDownload::SendDueRequest() {
    if (!m_protocol.SendForNextMemPacket) return false;
    const qint64 quiet = MonotonicUs() - m_lastDatagramUs;
    const qint64 lostAfter = qint64(LostAfterMs) * 1000;
    if (m_due > 0) {
        if (quiet < lostAfter) return false; // the answer is still awaited
        m_maybeLate += m_due.exchange(0);
        m_lateBlock = m_protocol.MemReadAddress;
    }
    qint64 wait = m_windowUs - quiet;
    // Once the repeated request has been answered, the answer given up on may
    // still come; it must not be taken for the next block.
    if (m_maybeLate > 0 && m_protocol.MemReadAddress != m_lateBlock) {
        if (quiet >= lostAfter)
            m_maybeLate = 0;
        else
            wait = std::max(wait, lostAfter - quiet);
    }
    if (wait > 0) {
        if (OnSendDue) OnSendDue(CeilMs(wait));
        return false;
    }
    if (m_restart.exchange(false)) {
        // blocks taken with the narrower window may hold a copy: read them again
        ++m_restarts;
        m_blocksTaken = 0;
        m_readStartUs = MonotonicUs();
        m_protocol.BeginMemoryRead();
    }
    ++m_due; // before the send: the answer may arrive before the send returns
    m_sentUs = MonotonicUs();
    if (m_protocol.SendNextMemPacket()) return true;
    --m_due;
    return false;
}

void TLogDownload::ReplyWatchdogTick() {
    if (!Busy()) return;
    const bool awaitingInfo = m_protocol.ReceiveState == rsDeviceInfo;
    m_protocol.ReplyWatchdogTick();
    // the deadline, not a reply, ended the wait for the device information
    if (awaitingInfo && m_protocol.ReceiveState != rsDeviceInfo) m_infoExpired = true;
}

// A reply that comes later than the window would arrive after the next
// request, where a copy that took its place could not be told from it: the
// window is kept at twice the time the device takes to answer (a maximum that
// slowly forgets single slow answers), and never below what late copies showed.
void TLogDownload::NoteLatency(qint64 now) {
    const qint64 latency = now - m_sentUs;
    const qint64 estimate = m_latencyUs;
    m_latencyUs = std::max(latency, estimate - estimate / 16);
    UpdateWindow();
}

void TLogDownload::UpdateWindow() {
    m_windowUs = std::min<qint64>(
        qint64(kMaxQuietWindowMs) * 1000,
        std::max({qint64(QuietWindowMs) * 1000, m_strayFloorUs.load(), 2 * m_latencyUs.load()}));
}

// Listener thread: does this reply answer a request?
bool TLogDownload::AcceptReply(const std::uint8_t* frame, bool crcOk) {
    const qint64 now = MonotonicUs();
    int due = m_due.load();
    while (due > 0 && !m_due.compare_exchange_weak(due, due - 1)) {
    }
    if (due > 0) {
        if (crcOk) std::copy(frame, frame + FRAME_SIZE, m_lastAnswer.begin());
        m_lastAnswerUs = now;
        NoteLatency(now);
        // nothing is awaited while the next request waits for its window; the
        // next send arms the deadline again
        if (due == 1) m_protocol.TimeOutForResponseEnabled = false;
        return true;
    }
    int late = m_maybeLate.load();
    while (late > 0 && !m_maybeLate.compare_exchange_weak(late, late - 1)) {
    }
    if (late > 0) return false; // an answer given up on, come after all
    // A copy of the last answer, caught by the window, did no harm. Anything
    // else means a copy may have been taken for an answer: widen the window and
    // read again.
    if (!crcOk || std::equal(frame, frame + FRAME_SIZE, m_lastAnswer.begin())) return false;
    // Before the first answer of a (new) read nothing can have been taken wrongly;
    // and one widening per read is enough: the copies of one burst come together.
    if (m_lastAnswerUs < m_readStartUs || m_restart) return false;
    const qint64 delay = now - m_lastAnswerUs;
    m_strayFloorUs = std::max(2 * m_windowUs.load(), 2 * delay);
    UpdateWindow();
    m_restart = true;
    return false;
}

void TLogDownload::ReadEnded() {
    // Listener thread. The ticker finishes the read, once it knows that no copy
    // of the last answers followed them.
    m_lastDatagramUs = MonotonicUs();
    m_readEnded = true;
}

void TLogDownload::FinishRead() {
    const std::uint32_t total = m_totalBlocks;
    if (m_blocksTaken < total) return Fail(kTooManyBadReplies); // ended early: nothing is stored
    const qint64 quiet = MonotonicUs() - m_lastDatagramUs;
    if (quiet < m_windowUs) {
        if (OnSendDue) OnSendDue(CeilMs(m_windowUs - quiet));
        return;
    }
    if (m_restart.exchange(false)) {
        // a copy came late after the last answers: the image may hold one
        ++m_restarts;
        m_readEnded = false;
        m_blocksTaken = 0;
        m_readStartUs = MonotonicUs();
        m_protocol.BeginMemoryRead();
        SendDueRequest();
        return;
    }
    try {
        TLogDecoder decoder(m_connection);
        const TDecodeResult decoded =
            decoder.ShowDecodedData(m_protocol.RcvMemBuffer.data(), std::size_t(total) * MEM_BLOCK_SIZE,
                                    m_protocol.EEPROM_MEM_SIZE, m_protocol.USERS_COUNT_FROM_DEVICE,
                                    m_protocol.MAX_LOG_RECORDS, m_accessPoint.id, m_mark, Now().date());
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
    m_protocol.CloseEndpoint(); // waits for a running handler, and with it the decoder
    if (Busy()) Fail(kStopped);
    m_protocol.MemReadIsInProgress = false;
    m_protocol.TimeOutForResponseEnabled = false;
    m_protocol.ReceiveState = rsIdle;
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
