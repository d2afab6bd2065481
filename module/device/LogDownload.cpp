// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/LogDownload.h"

#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/device/LogProof.h"

#include <QDateTime>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
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
constexpr char kPortTaken[] = "UDP port %d već koristi drugi program koji čita uređaje%s";
constexpr char kMarkUnread[] = "Oznaka poslednjeg upisanog zapisa nije pročitana (%s).";
constexpr char kSendFailed[] = "Zahtev uređaju nije poslat (%s); ništa nije upisano.";
constexpr char kNoDeviceInfo[] = "Uređaj nije poslao podatke o sebi.";
constexpr char kBadMemorySize[] = "Uređaj prijavljuje neispravnu veličinu memorije (%s bajtova).";
constexpr char kTooManyBadReplies[] =
    "Blok %d memorije uređaja stiže oštećen i posle %d pokušaja; ništa nije upisano.";
constexpr char kNoReply[] = "Uređaj ne odgovara; ništa nije upisano.";
constexpr char kNoProgress[] = "Uređaj ništa novo nije poslao %d s; ništa nije upisano.";
constexpr char kUnstable[] =
    "Blok %d memorije uređaja daje različite sadržaje u %d čitanja zaredom; ništa nije upisano.";
constexpr char kUnproven[] =
    "Sadržaj uređaja nije potvrđen ni posle %d ponovljenih čitanja sumnjivih blokova; ništa nije upisano.";
constexpr char kStrayReplies[] =
    "Uz blok %d memorije uređaja i posle %d čitanja stižu i drugi, zakasneli ili ponovljeni odgovori; ništa "
    "nije upisano.";
constexpr char kNeverQuiet[] = "Od uređaja stalno stižu odgovori koji nisu traženi; ništa nije upisano.";
constexpr char kBelowMark[] =
    "Uređaj ima zapise samo do rednog broja %u, a poslednji upisani je %u (uređaj je zamenjen ili "
    "obrisan, ili je oznaka pogrešna); ništa nije upisano. Oznaku vraća: horlo point reset-mark.";
constexpr char kOverwritten[] = "Zapisi od %u do %u su u uređaju prepisani novim pre nego što su pročitani.";
constexpr char kMarkSetBack[] = "Oznaka poslednjeg upisanog zapisa je promenjena tokom čitanja; ništa nije "
                                "upisano. Pokrenite uvoz ponovo.";
constexpr char kStoreFailed[] = "Upis događaja nije uspeo (%s); ništa nije upisano.";
constexpr char kStopped[] = "Prekinuto pre kraja; ništa nije upisano.";

// ": horlo-console, pid 4242" when the system tells who holds the device's port.
QString HolderText(const std::string& holder) {
    return holder.empty() ? QString() : QStringLiteral(": ") + QString::fromStdString(holder);
}

bool SameData(const std::uint8_t* a, const std::uint8_t* b) {
    return std::memcmp(a, b, kFrameDataSize) == 0;
}

// A block of one repeated byte (unused memory) says nothing about where it came from.
bool Uniform(const std::uint8_t* data) {
    return std::all_of(data, data + kFrameDataSize, [data](std::uint8_t b) { return b == data[0]; });
}

QString OsErrorText(int error) {
    return error == 0 ? QStringLiteral("greška slanja") : QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString OutcomeText(const TDownloadOutcome& outcome) {
    if (!outcome.ok) return QStringLiteral("GREŠKA: ") + outcome.error;
    QString text = QStringLiteral("%1 blokova pročitano, %2 novih zapisa upisano")
                       .arg(outcome.blocks)
                       .arg(outcome.decoded.stored);
    if (outcome.decoded.invalidTime > 0)
        text +=
            QStringLiteral(", %1 zapisa sa nemogućim vremenom preskočeno").arg(outcome.decoded.invalidTime);
    if (outcome.decoded.storedElsewhere > 0)
        text += QStringLiteral("; ") + Format(_IMPORTED_ELSEWHERE_FMT, {outcome.decoded.storedElsewhere});
    if (!outcome.warning.isEmpty()) text += QStringLiteral("; UPOZORENJE: ") + outcome.warning;
    return text;
}

bool NeedsAttention(const TDownloadOutcome& outcome) {
    return !outcome.ok || !outcome.warning.isEmpty();
}

// ---------------------------------------------------------------- one device

TLogDownload::TLogDownload(TDeviceProtocol& protocol, TZConnection& connection)
    : m_protocol(protocol), m_connection(connection) {}

TLogDownload::~TLogDownload() {
    Stop();
    m_protocol.Intercept = nullptr;
}

qint64 TLogDownload::Now() const {
    return ClockUs ? ClockUs() : MonotonicUs();
}

TDownloadOutcome TLogDownload::Outcome() const {
    std::lock_guard lock(m_outcomeMutex);
    return m_outcome;
}

void TLogDownload::Fail(TDownloadFailure failure, const QString& error, const QString& reason) {
    {
        std::lock_guard lock(m_outcomeMutex);
        m_outcome.ok = false;
        m_outcome.error = error;
        m_outcome.reason = reason.isEmpty() ? error : reason;
        m_outcome.failure = failure;
        m_outcome.blocks = m_blocksTaken.load();
        m_outcome.rereads = m_rereads;
    }
    m_due = false;
    m_state = State::Failed;
}

void TLogDownload::WakeAfter(qint64 us) {
    if (OnTickDue) OnTickDue(CeilMs(std::max<qint64>(us, 0)));
}

bool TLogDownload::Start(const TAccessPoint& accessPoint) {
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
    m_image.clear();
    m_blocks.clear();
    m_known.clear();
    m_again.clear();
    m_nextBlock = 0;
    m_proofRounds = 0;
    m_rereads = 0;
    m_due = false;
    m_sendHeld = false;
    m_settling = false;
    m_latencyUs = 0;
    m_minLatencyUs = m_avgLatencyUs = m_devLatencyUs = 0;
    m_copyDelayUs = 0;
    m_copies = m_answers = 0;
    m_lastDatagramAt = m_lastAnswerAt = 0;
    m_holdSince = -1;
    m_lastAnswerTaken = false;

    const std::string address = accessPoint.localIp.trimmed().toStdString();
    if (!IsIpv4Address(address)) {
        Fail(TDownloadFailure::Connection, Format(kBadAddress, {accessPoint.localIp}));
        return false;
    }
    if (accessPoint.udpPort < 1 || accessPoint.udpPort > 65535) {
        Fail(TDownloadFailure::Connection, Format(kBadPort, {accessPoint.udpPort}));
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
        Fail(TDownloadFailure::Store, Format(kMarkUnread, {e.Message()}));
        return false;
    }

    m_protocol.Intercept = [this](const std::uint8_t* data, std::size_t len) { Receive(data, len); };
    if (!m_protocol.OpenEndpoint(address, accessPoint.udpPort)) {
        const QString reason =
            m_protocol.Endpoint().LastError() == EADDRINUSE
                ? Format(kPortTaken, {accessPoint.udpPort, HolderText(m_protocol.Endpoint().PortHolder())})
                : QString::fromStdString(m_protocol.Endpoint().LastErrorText());
        Fail(TDownloadFailure::Connection,
             QStringLiteral("%1 (%2)").arg(QString::fromUtf8(_DEVICE_CONNECT_ERR), reason), reason);
        return false;
    }
    m_startedAt = Now();
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
    const qint64 now = Now();
    if (GetState() == State::AwaitingInfo) {
        if (m_infoDue) return SendInfoRequest();
        if (m_protocol.ReceiveState == rsDeviceInfo && now - m_sentAt > qint64(InfoWaitMs) * 1000) {
            // this request's wait is over; the next one, if any is left, goes out now
            m_protocol.TimeOutForResponseEnabled = false;
            m_protocol.ReceiveState = rsIdle;
            InfoReplyEnded();
        }
        return;
    }
    // A working line keeps answering; a dead one is given up on, whatever the memory size.
    if (now - std::max(m_lastAnswerAt, m_startedAt) > qint64(NoProgressMs) * 1000)
        return Fail(TDownloadFailure::Connection, Format(kNoProgress, {NoProgressMs / 1000}));
    if (m_settling) return SettleReading();
    if (m_sendHeld) return Repeat();
    if (m_due) {
        if (now - m_sentAt < DeadlineUs()) return WakeAfter(m_sentAt + DeadlineUs() - now);
        // given up on: asked again (an answer to either request carries this block),
        // each time after a longer wait
        if (++m_attempts >= MaxAttempts) return Fail(TDownloadFailure::Connection, kNoReply);
        m_blocks[m_dueBlock].doubt = true;
        return Repeat();
    }
    SendDueRequest();
}

void TLogDownload::ReplyWatchdogTick() {
    // the device information has its own wait (InfoWaitMs); the blocks their deadlines
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
        return Fail(TDownloadFailure::Connection,
                    Format(kSendFailed, {OsErrorText(m_protocol.LastSendError())}));
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
            return Fail(TDownloadFailure::Device, Format(kBadMemorySize, {sizes.memory}));
        return BeginRead();
    }
    if (sizes.memory != 0) m_infoSeen = sizes;
    if (m_infoRequestsSent >= InfoRequests) return Fail(TDownloadFailure::Connection, kNoDeviceInfo);
    SendInfoRequest();
}

// ---- memory blocks

void TLogDownload::BeginRead() {
    const std::uint32_t total = m_protocol.MemBlockCount();
    m_totalBlocks = total;
    m_image.assign(std::size_t(total) * kMemBlockSize, 0);
    m_blocks.assign(total, TBlock{});
    m_answeredAt.assign(total, 0);
    m_lastAnswerAt = Now();
    m_state = State::Reading;
    SendDueRequest();
}

qint64 TLogDownload::QuietWindowUs() const {
    const qint64 jitter = m_avgLatencyUs + 2 * m_devLatencyUs - m_minLatencyUs;
    return std::min<qint64>(qint64(kMaxQuietWindowMs) * 1000,
                            std::max<qint64>(qint64(QuietWindowMs) * 1000, jitter));
}

qint64 TLogDownload::DeadlineUs() const {
    const qint64 first = std::max<qint64>(qint64(DeadlineMs) * 1000, 8 * m_latencyUs);
    return std::min<qint64>(qint64(kMaxDeadlineMs) * 1000, first << std::min(m_attempts, 6));
}

// The answer time is kept as a maximum that forgets a slow answer by a sixteenth per
// answer (for the deadline), a minimum that forgets a fast one more slowly (refusing a
// real answer costs a repetition), and a mean with its mean deviation (for the jitter,
// which a single slow answer hardly moves).
void TLogDownload::NoteLatency(qint64 latency) {
    m_latencyUs = std::max(latency, m_latencyUs - m_latencyUs / 16);
    if (m_avgLatencyUs == 0) m_avgLatencyUs = latency;
    m_devLatencyUs += (std::abs(latency - m_avgLatencyUs) - m_devLatencyUs) / 16;
    m_avgLatencyUs += (latency - m_avgLatencyUs) / 16;
    m_minLatencyUs =
        m_minLatencyUs == 0 ? latency : std::min(latency, m_minLatencyUs + m_minLatencyUs / 64 + 1);
}

void TLogDownload::TakeBlockReply(const TDatagram& d) {
    const std::uint8_t* frame = d.bytes.data();
    const std::uint8_t* data = frame + kFrameDataOffset;
    m_lastDatagramAt = d.at;
    // Only what came after the request was sent can answer it, and not much sooner than
    // the device ever answers: that is a copy, or the answer to an earlier request,
    // which would shift every later block by one. A repeated request takes what comes.
    const bool answers = m_due && d.at >= m_sentAt &&
                         (m_attempts > 0 || m_minLatencyUs == 0 || d.at - m_sentAt >= m_minLatencyUs / 2);
    if (!FrameCrcOk(frame)) {
        if (!answers) return Stray(data, d.at); // its data may still show it is a copy
        // the answer came damaged: asked again at once
        if (++m_badChecksums > MaxAttempts)
            return Fail(TDownloadFailure::Device, Format(kTooManyBadReplies, {m_dueBlock, MaxAttempts}));
        return Repeat();
    }
    if (answers) return TakeAnswer(data, d.at);
    Stray(data, d.at);
}

void TLogDownload::TakeAnswer(const std::uint8_t* data, qint64 at) {
    const std::uint32_t block = m_dueBlock;
    TBlock& b = m_blocks[block];
    const qint64 latency = at - m_sentAt;
    // Much later than the device answers: perhaps a copy of another reply, taken
    // while this one was lost.
    const bool late = m_latencyUs > 0 && latency > 4 * m_latencyUs + 2000;
    NoteLatency(latency);
    ++m_answers;
    m_due = false;
    m_lastAnswerAt = at;
    std::copy(data, data + kFrameDataSize, m_lastAnswer.begin());
    if (m_dueAgain) {
        m_answeredAt[block] = at;
        // A block read again counts once the line has stayed quiet after it.
        std::copy(data, data + kFrameDataSize, m_settleData.begin());
        m_settling = true;
        m_lastAnswerTaken = false;
        WakeAfter(SettleWindowUs());
        return;
    }
    std::copy(data, data + kFrameDataSize, ImageBlock(block));
    m_answeredAt[block] = at;
    b.taken = true;
    b.reads = 1;
    // the same bytes as another block: one of the two may hold a copy of the other's reply
    if (const auto other = Uniform(data) ? std::nullopt : KnownBlock(data, block)) {
        b.doubt = true;
        m_blocks[*other].doubt = true;
    }
    Remember(data, block);
    b.doubt = b.doubt || late || m_attempts > 0;
    m_lastAnswerTaken = true;
    m_lastAnswerBlock = block;
    m_nextBlock = block + 1;
    m_blocksTaken = m_nextBlock;
    WakeAfter(QuietWindowUs());
}

// A datagram that answers nothing: a copy, or a reply that came after its request was
// repeated or given up on. A copy of the last answer did no harm. Anything else may be
// the real answer to the block taken last, whose place it lost: that block is read
// again; a block read again and not yet settled is read once more.
void TLogDownload::Stray(const std::uint8_t* data, qint64 at) {
    // A copy of something already read says nothing about the last answer; how late
    // it came tells how long a block read again must keep the line to itself.
    qint64 answeredAt = -1;
    if (SameData(data, m_lastAnswer.data()))
        answeredAt = m_lastAnswerAt;
    else if (const auto block = KnownBlock(data, m_totalBlocks))
        answeredAt = m_answeredAt[*block];
    if (answeredAt >= 0) {
        ++m_copies;
        m_copyDelayUs = std::min<qint64>(qint64(kMaxQuietWindowMs) * 1000,
                                         std::max(at - answeredAt, m_copyDelayUs - m_copyDelayUs / 16));
        return;
    }
    if (m_settling) {
        m_settling = false;
        if (++m_blocks[m_dueBlock].voided >= MaxReads)
            return Fail(TDownloadFailure::Device, Format(kStrayReplies, {m_dueBlock, MaxReads}));
        m_again.insert(m_again.begin(), m_dueBlock);
        return;
    }
    if (m_lastAnswerTaken) m_blocks[m_lastAnswerBlock].doubt = true;
}

std::uint64_t TLogDownload::DataKey(const std::uint8_t* data) {
    std::uint64_t h = 1469598103934665603ull; // FNV-1a
    for (std::size_t i = 0; i < kFrameDataSize; ++i)
        h = (h ^ data[i]) * 1099511628211ull;
    return h;
}

// A block other than `except` that has read these bytes.
std::optional<std::uint32_t> TLogDownload::KnownBlock(const std::uint8_t* data, std::uint32_t except) {
    const auto [from, to] = m_known.equal_range(DataKey(data));
    for (auto it = from; it != to; ++it)
        if (it->second != except && SameData(data, ImageBlock(it->second))) return it->second;
    return std::nullopt;
}

// Before and after a block read again the line stays quiet longer than copies come late.
qint64 TLogDownload::SettleWindowUs() const {
    // a copy in a hundred answers seldom meets a reading; waiting for each would not pay
    const qint64 copies = m_copies * 20 > m_answers ? m_copyDelayUs + m_copyDelayUs / 2 : 0;
    return std::max({QuietWindowUs(), qint64(SettleWindowMs) * 1000, copies});
}

void TLogDownload::Remember(const std::uint8_t* data, std::uint32_t block) {
    m_known.emplace(DataKey(data), block);
}

// A block read again, once the line stayed quiet after its answer: two readings in a
// row that agree confirm it; otherwise the new one stands and is read again.
void TLogDownload::SettleReading() {
    const qint64 wait = SettleWindowUs() - (Now() - m_lastDatagramAt);
    if (wait > 0) return WakeAfter(wait);
    m_settling = false;
    TBlock& b = m_blocks[m_dueBlock];
    ++b.reads;
    ++m_rereads;
    if (SameData(m_settleData.data(), ImageBlock(m_dueBlock))) {
        b.confirmed = true;
    } else {
        if (b.reads >= MaxReads)
            return Fail(TDownloadFailure::Device, Format(kUnstable, {m_dueBlock, b.reads}));
        std::copy(m_settleData.begin(), m_settleData.end(), ImageBlock(m_dueBlock));
        Remember(m_settleData.data(), m_dueBlock);
        m_again.insert(m_again.begin(), m_dueBlock);
    }
    SendDueRequest();
}

void TLogDownload::Repeat() {
    m_due = false;
    m_sendHeld = false;
    const std::uint32_t block = m_dueBlock;
    m_sentAt = Now();
    switch (m_protocol.SendGetMemoryBlock(block)) {
    case TSendOutcome::Sent:
        m_due = true;
        return WakeAfter(DeadlineUs());
    case TSendOutcome::Held: // a datagram is being queued; the wake-up it brings sends this
        m_sendHeld = true;
        return;
    case TSendOutcome::Failed:
        return Fail(TDownloadFailure::Connection,
                    Format(kSendFailed, {OsErrorText(m_protocol.LastSendError())}));
    }
}

// True once the line has been quiet for the window; otherwise asks for a tick when it
// may be, and fails the device when it never is.
bool TLogDownload::LineQuiet(qint64 windowUs) {
    const qint64 now = Now();
    if (m_holdSince < 0) m_holdSince = now;
    const qint64 wait = windowUs - (now - m_lastDatagramAt);
    if (wait <= 0) return true;
    if (now - m_holdSince > qint64(MaxHoldMs) * 1000) {
        Fail(TDownloadFailure::Device, kNeverQuiet);
        return false;
    }
    WakeAfter(wait);
    return false;
}

void TLogDownload::SendDueRequest() {
    if (m_due || m_settling || m_sendHeld || !Busy()) return;
    std::uint32_t block;
    bool again = false;
    if (m_nextBlock < m_totalBlocks) {
        block = m_nextBlock;
    } else if (!m_again.empty()) {
        block = m_again.front();
        again = true;
    } else {
        return Prove();
    }
    // a block read again goes out on a line quiet for longer: its answer must be its own
    const qint64 window = again ? SettleWindowUs() : QuietWindowUs();
    if (!LineQuiet(window)) return;
    m_holdSince = -1;
    if (again) m_again.erase(m_again.begin());
    m_dueBlock = block;
    m_dueAgain = again;
    m_attempts = 0;
    m_badChecksums = 0;
    Repeat();
}

// The whole memory has been read: what the log proves decides what is read again.
void TLogDownload::Prove() {
    const TLogProof proof =
        ProveLogImage(m_image.data(), m_image.size(), m_protocol.EEPROM_MEM_SIZE,
                      m_protocol.USERS_COUNT_FROM_DEVICE, m_protocol.MAX_LOG_RECORDS, m_mark, kMemBlockSize);
    std::set<std::uint32_t> again(proof.suspect.begin(), proof.suspect.end());
    again.insert(proof.frontier.begin(), proof.frontier.end());
    for (std::uint32_t block = 0; block < m_totalBlocks; ++block)
        if (m_blocks[block].doubt) again.insert(block);
    std::erase_if(
        again, [this](std::uint32_t block) { return block >= m_totalBlocks || m_blocks[block].confirmed; });
    if (again.empty() && proof.broken) {
        // Two readings agreed on bytes the log cannot hold (a stale reply taken twice):
        // the blocks the proof names are read again from scratch, never stored broken.
        for (std::uint32_t block : proof.suspect) {
            if (block >= m_totalBlocks) continue;
            m_blocks[block].confirmed = false;
            m_blocks[block].reads = 1;
            again.insert(block);
        }
    }
    if (!again.empty()) {
        if (++m_proofRounds > MaxProofRounds)
            return Fail(TDownloadFailure::Device, Format(kUnproven, {MaxProofRounds}));
        m_again.assign(again.begin(), again.end());
        return SendDueRequest();
    }
    if (proof.BelowMark(m_mark))
        return Fail(TDownloadFailure::Mark, Format(kBelowMark, {proof.newest, m_mark}));
    Store(proof);
}

void TLogDownload::Store(const TLogProof& proof) {
    try {
        TLogDecoder decoder(m_connection);
        TDecodeResult decoded =
            decoder.StoreRecords(proof.records, m_accessPoint.id, m_mark, proof.newest, ::Now().date());
        if (decoded.markSetBack) return Fail(TDownloadFailure::Mark, kMarkSetBack);
        decoded.slotsRead = proof.slotsRead;
        decoded.notNew = proof.notNew;
        decoded.empty = proof.empty;
        decoded.invalidTime = proof.invalidTime;
        {
            std::lock_guard lock(m_outcomeMutex);
            m_outcome.ok = true;
            m_outcome.blocks = m_totalBlocks;
            m_outcome.rereads = m_rereads;
            m_outcome.newest = proof.newest;
            m_outcome.decoded = decoded;
            if (proof.Overwritten(m_mark))
                m_outcome.warning = Format(kOverwritten, {m_mark + 1, proof.oldestNew - 1});
        }
        m_state = State::Finished;
    } catch (const EDatabaseError& e) {
        Fail(TDownloadFailure::Store, Format(kStoreFailed, {e.Message()}));
    }
}

void TLogDownload::Stop() {
    m_protocol.CloseEndpoint(); // waits for a running handler
    if (Busy()) Fail(TDownloadFailure::Connection, kStopped);
    m_protocol.TimeOutForResponseEnabled = false;
    m_protocol.ReceiveState = rsIdle;
    std::lock_guard lock(m_inboxMutex);
    m_inbox.clear();
}

// ---------------------------------------------------------------- the chain

TEventImport::TEventImport(TDeviceProtocol& protocol, TZConnection& connection)
    : m_download(protocol, connection) {}

void TEventImport::SetAccessPoints(std::vector<TAccessPoint> accessPoints) {
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
    const TAccessPoint& ap = m_accessPoints[m_current];
    if (OnDeviceStarted) OnDeviceStarted(ap);
    if (!m_download.Start(ap)) Advance();
}

void TEventImport::MemPacketTick() {
    if (!m_running) return;
    m_download.MemPacketTick();
    const TLogDownload::State state = m_download.GetState();
    if (state == TLogDownload::State::Finished || state == TLogDownload::State::Failed) Advance();
}

void TEventImport::ReplyWatchdogTick() {
    if (m_running) m_download.ReplyWatchdogTick();
}

void TEventImport::Advance() {
    m_download.Stop();
    const TAccessPoint ap = m_accessPoints[m_current];
    if (OnDeviceFinished) OnDeviceFinished(ap, m_download.Outcome());
    ++m_current;
    if (AtEnd()) {
        m_running = false;
        if (OnChainEnded) OnChainEnded();
        return;
    }
    StartCurrent();
}

void TEventImport::Stop() {
    if (!m_running) return;
    m_running = false;
    m_download.Stop();
}
