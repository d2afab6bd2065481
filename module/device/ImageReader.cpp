// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/ImageReader.h"

#include "host/data/SysUtils.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace {

constexpr std::int64_t kMs = 1000;

constexpr char kSendFailed[] = "Zahtev uređaju nije poslat (%s); ništa nije upisano.";
constexpr char kNoDeviceInfo[] =
    "Uređaj ne odgovara — proverite napajanje i mrežu uređaja; ništa nije upisano.";
constexpr char kBadMemorySize[] = "Uređaj prijavljuje neispravnu veličinu memorije (%s bajtova).";
constexpr char kTooManyBadReplies[] =
    "Blok %d memorije uređaja stiže oštećen i posle %d pokušaja; ništa nije upisano.";
constexpr char kNoReply[] = "Uređaj je prestao da odgovara — proverite napajanje i mrežu uređaja; ništa nije "
                            "upisano.";
constexpr char kNoProgress[] = "Uređaj ništa novo nije poslao %d s; ništa nije upisano.";
constexpr char kUnstable[] =
    "Blok %d memorije uređaja daje različite sadržaje u %d čitanja zaredom; ništa nije upisano.";
constexpr char kUnproven[] =
    "Sadržaj uređaja nije potvrđen ni posle %d krugova ponovljenih čitanja; ništa nije upisano.";
constexpr char kStrayReplies[] =
    "Uz blok %d memorije uređaja i posle %d čitanja stižu i drugi, zakasneli ili ponovljeni odgovori; ništa "
    "nije upisano.";
constexpr char kNeverQuiet[] = "Od uređaja stalno stižu odgovori koji nisu traženi; ništa nije upisano.";

bool SameData(const std::uint8_t* a, const std::uint8_t* b) {
    return std::memcmp(a, b, kFrameDataSize) == 0;
}

// A block of one repeated byte (unused memory) says nothing about where it came from.
bool Uniform(const std::uint8_t* data) {
    return std::all_of(data, data + kFrameDataSize, [data](std::uint8_t b) { return b == data[0]; });
}

std::uint64_t DataKey(const std::uint8_t* data) {
    std::uint64_t h = 1469598103934665603ull; // FNV-1a
    for (std::size_t i = 0; i < kFrameDataSize; ++i)
        h = (h ^ data[i]) * 1099511628211ull;
    return h;
}

QString OsErrorText(int error) {
    return error == 0 ? QStringLiteral("greška slanja") : QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

void TImageReader::Begin(std::uint32_t mark) {
    m_mark = mark;
    m_proof = TLogProof{};
    m_failure = TReadFailure::None;
    m_error.clear();
    m_blocksTaken = 0;
    m_totalBlocks = 0;
    m_rereads = 0;
    m_infoRequestsSent = 0;
    m_infoOut = false;
    m_infoSeen.reset();
    m_image.clear();
    m_blocks.clear();
    m_known.clear();
    m_again.clear();
    m_nextBlock = 0;
    m_proofRounds = 0;
    m_out = m_repeatNow = m_settling = false;
    m_holdSince = -1;
    m_minLatency = m_maxLatency = m_copyLateness = 0;
    m_copies = m_answers = m_strays = 0;
    m_lastArrival = m_lastAnswerAt = m_answersDoneAt = 0;
    m_lastTaken = false;
    m_state = State::AwaitingInfo;
}

void TImageReader::Fail(TReadFailure failure, const QString& error) {
    m_failure = failure;
    m_error = error;
    m_out = false;
    m_state = State::Failed;
}

std::int64_t TImageReader::Pump(std::int64_t nowUs) {
    switch (GetState()) {
    case State::AwaitingInfo:
        return PumpInfo(nowUs);
    case State::Reading:
        return PumpRead(nowUs);
    default:
        return -1;
    }
}

void TImageReader::TakeDatagram(const std::uint8_t* frame, std::size_t len, std::int64_t at) {
    if (frame == nullptr || len < kFrameSize) return;
    m_lastArrival = std::max(m_lastArrival, at);
    if (GetState() == State::AwaitingInfo) return TakeInfoReply(frame, len, at);
    if (GetState() != State::Reading) return;
    const std::uint8_t* data = frame + kFrameDataOffset;
    // Only what came after the request was sent can answer it, and not much sooner than
    // the device ever answers: that is a copy, or the answer to an earlier request. A
    // repeated request takes what comes; either of its answers carries its block.
    const bool answers =
        m_out && at >= m_sentAt && (m_attempts > 0 || m_minLatency == 0 || at - m_sentAt >= m_minLatency / 2);
    if (!FrameCrcOk(frame)) {
        ++m_strays;
        if (answers) {
            // the answer came damaged: asked again at once
            if (++m_badChecksums >= MaxBadChecksums)
                return Fail(TReadFailure::Device, Format(kTooManyBadReplies, {m_block, m_badChecksums}));
            m_out = false;
            m_repeatNow = true;
            return;
        }
        if (m_settling) return VoidReading(); // what it was cannot be told
        if (m_lastTaken) m_blocks[m_lastBlock].doubt = true;
        return;
    }
    // The bytes of another block, answering a first request, are a copy of that block's
    // reply; the real answer is still to come. A block that really holds the same bytes
    // is taken when its request is repeated.
    const bool copy =
        answers && m_attempts == 0 && !m_rereading && !Uniform(data) && KnownBlock(data, m_block);
    if (answers && !copy) return TakeAnswer(data, at);
    Stray(data, at);
}

// ---- device information

std::int64_t TImageReader::PumpInfo(std::int64_t now) {
    if (m_infoOut && now - m_infoSentAt < InfoWaitMs * kMs) return m_infoSentAt + InfoWaitMs * kMs;
    if (m_infoOut) { // this request's wait is over
        m_infoOut = false;
        m_protocol.TimeOutForResponseEnabled = false;
        m_protocol.ReceiveState = rsIdle;
        InfoEnded(now);
        if (GetState() != State::AwaitingInfo) return Pump(now);
    }
    if (m_infoRequestsSent >= InfoRequests) {
        Fail(TReadFailure::Connection, kNoDeviceInfo);
        return -1;
    }
    // each reply is read on its own: no sizes of an earlier reply or device stay behind
    m_protocol.EEPROM_MEM_SIZE = 0;
    m_protocol.USERS_COUNT_FROM_DEVICE = 0;
    m_protocol.MAX_LOG_RECORDS = 0;
    m_infoSentAt = now;
    switch (m_protocol.RequestDeviceInfo()) {
    case TSendOutcome::Sent:
        ++m_infoRequestsSent;
        m_infoOut = true;
        return now + InfoWaitMs * kMs;
    case TSendOutcome::Held: // a datagram is being handled this instant
        return now + 1;
    case TSendOutcome::Failed:
        break;
    }
    Fail(TReadFailure::Connection, Format(kSendFailed, {OsErrorText(m_protocol.LastSendError())}));
    return -1;
}

void TImageReader::TakeInfoReply(const std::uint8_t* frame, std::size_t len, std::int64_t at) {
    if (!m_infoOut || m_protocol.ReceiveState != rsDeviceInfo) return; // nothing asked: not an answer
    m_protocol.HandleReply(frame, len);
    if (m_protocol.ReceiveState == rsDeviceInfo) return; // bad checksum: still awaited
    m_infoOut = false;
    InfoEnded(at);
}

// A reply or the wait has ended one request for the device information.
void TImageReader::InfoEnded(std::int64_t now) {
    const TSizes sizes{m_protocol.EEPROM_MEM_SIZE, m_protocol.USERS_COUNT_FROM_DEVICE,
                       m_protocol.MAX_LOG_RECORDS};
    // A late memory block of an earlier read can come instead of the reply, and it
    // may even hold a model text; only two replies that agree are believed.
    if (sizes.memory != 0 && m_infoSeen && *m_infoSeen == sizes) {
        if (sizes.memory < kMinMemorySize || sizes.memory > kMaxMemorySize)
            return Fail(TReadFailure::Device, Format(kBadMemorySize, {sizes.memory}));
        m_sizes = sizes;
        return BeginRead(now);
    }
    if (sizes.memory != 0) m_infoSeen = sizes;
}

// ---- memory blocks

void TImageReader::BeginRead(std::int64_t now) {
    const std::uint32_t total = m_sizes.memory / kMemBlockSize;
    m_totalBlocks = total;
    m_image.assign(std::size_t(total) * kMemBlockSize, 0);
    m_blocks.assign(total, TBlock{});
    m_answeredAt.assign(total, 0);
    // only blocks that hold log slots matter to what is stored
    const std::size_t slotCount =
        std::min<std::size_t>(m_sizes.logRecords, LogSlotsWithin(m_image.size(), m_sizes.users));
    m_logFirstBlock = std::uint32_t(LogOffset(m_sizes.users) / kMemBlockSize);
    m_logEndBlock =
        slotCount == 0
            ? m_logFirstBlock
            : std::uint32_t((LogSlotOffset(m_sizes.users, slotCount) + kMemBlockSize - 1) / kMemBlockSize);
    m_lastAnswerAt = now;
    m_state = State::Reading;
}

bool TImageReader::InLog(std::uint32_t block) const {
    return block >= m_logFirstBlock && block < m_logEndBlock;
}

// The answer time is kept as a maximum that forgets a slow answer by a sixteenth per
// answer and a minimum that forgets a fast one more slowly: refusing a real answer as
// too early costs a repetition.
void TImageReader::NoteLatency(std::int64_t latency) {
    latency = std::max<std::int64_t>(latency, 1);
    m_maxLatency = std::max(latency, m_maxLatency - m_maxLatency / 16);
    m_minLatency = m_minLatency == 0 ? latency : std::min(latency, m_minLatency + m_minLatency / 64 + 1);
}

void TImageReader::NoteCopy(std::int64_t lateness) {
    ++m_copies;
    m_copyLateness = std::min<std::int64_t>(MaxDeadlineMs * kMs, std::max(lateness, m_copyLateness));
}

// Until the device has answered a block, how long it takes is not known: the first
// request waits patiently, instead of being repeated into a slow line.
std::int64_t TImageReader::DeadlineUs() const {
    const std::int64_t first =
        m_answers == 0 ? FirstDeadlineMs * kMs : std::max<std::int64_t>(DeadlineMs * kMs, 3 * m_maxLatency);
    return std::min<std::int64_t>(MaxDeadlineMs * kMs, first << std::min(m_attempts, 16));
}

std::int64_t TImageReader::SlackUs() const {
    return std::max<std::int64_t>(50, (m_maxLatency - m_minLatency) / 4);
}

std::int64_t TImageReader::CopyHorizonUs() const {
    return m_copies == 0 ? 0 : m_copyLateness + m_copyLateness / 4;
}

// Where copies come often, every request waits them out; a rare copy is found by what
// it holds, and waiting for one after every answer would not pay.
std::int64_t TImageReader::FirstPassQuietUs() const {
    return m_copies * 20 > m_answers ? CopyHorizonUs() : 0;
}

// A block read again goes out on a line quiet for longer than copies come late, and
// counts once the line has stayed as quiet after its answer.
std::int64_t TImageReader::SettleUs() const {
    return std::max<std::int64_t>({SettleMs * kMs, CopyHorizonUs(), m_maxLatency});
}

std::optional<std::uint32_t> TImageReader::KnownBlock(const std::uint8_t* data, std::uint32_t except) const {
    const auto [from, to] = m_known.equal_range(DataKey(data));
    for (auto it = from; it != to; ++it)
        if (it->second != except && SameData(data, m_image.data() + std::size_t(it->second) * kMemBlockSize))
            return it->second;
    return std::nullopt;
}

void TImageReader::TakeAnswer(const std::uint8_t* data, std::int64_t at) {
    const std::uint32_t block = m_block;
    TBlock& b = m_blocks[block];
    const std::int64_t latency = at - m_sentAt;
    // Much later than the device answers: perhaps a copy of another reply, taken while
    // this one was lost.
    const bool late = m_maxLatency > 0 && latency > m_maxLatency + std::max<std::int64_t>(m_maxLatency, 500);
    // After a repetition the answer may be that of any sending: the time since the last
    // is the least it took, the time since the first the most. Later than ever even after
    // the last sending, the line has become slower.
    const std::int64_t most = at - m_firstSentAt;
    if (m_attempts == 0) {
        NoteLatency(latency);
    } else {
        if (latency < m_minLatency) m_minLatency = std::max<std::int64_t>(latency, 1);
        if (m_maxLatency > 0 && latency >= m_maxLatency) m_maxLatency = std::max(m_maxLatency, most);
    }
    // Every other answer to this block's requests comes before the next request goes out.
    const bool slow = latency > m_maxLatency + SlackUs();
    m_answersDoneAt = m_sentAt + std::max(m_maxLatency, m_attempts > 0 ? most : 0) + SlackUs();
    b.pending = std::uint8_t(std::min(m_attempts, 255));
    ++m_answers;
    m_out = false;
    m_lastAnswerAt = at;
    m_answeredAt[block] = at;
    if (m_rereading) {
        std::copy(data, data + kFrameDataSize, m_settleData.begin());
        m_settling = true;
        m_lastTaken = false;
        return;
    }
    std::copy(data, data + kFrameDataSize, ImageBlock(block));
    b.taken = true;
    b.reads = 1;
    if (Uniform(data)) {
        b.maybeCopy = slow && m_lastTaken && SameData(data, m_lastAnswer.data());
    } else if (const auto other = KnownBlock(data, block)) {
        // the same bytes as another block: one of the two may hold a copy of the other's reply
        b.doubt = true;
        m_blocks[*other].doubt = true;
    }
    if (!Uniform(data)) m_known.emplace(DataKey(data), block);
    b.doubt = b.doubt || late;
    std::copy(data, data + kFrameDataSize, m_lastAnswer.begin());
    m_lastTaken = true;
    m_lastBlock = block;
    m_blocksTaken = ++m_nextBlock;
}

// A datagram that answers nothing: a copy, or a reply that came after its request was
// repeated. A copy of something read did no harm. Anything else may be the real answer
// to the block taken last, whose place it lost: that block is read again; a reading
// again not yet settled does not count.
void TImageReader::Stray(const std::uint8_t* data, std::int64_t at) {
    ++m_strays;
    // The late answer to a request that was repeated is no copy.
    const auto answered = [&](std::uint32_t block) {
        if (m_blocks[block].pending == 0) return NoteCopy(at - m_answeredAt[block]);
        --m_blocks[block].pending;
    };
    if (m_settling && SameData(data, m_settleData.data())) return answered(m_block);
    if (SameData(data, m_lastAnswer.data())) return answered(m_lastBlock);
    if (!Uniform(data)) {
        if (const auto block = KnownBlock(data, m_totalBlocks)) return answered(*block);
    }
    if (m_settling) return VoidReading();
    if (m_lastTaken) m_blocks[m_lastBlock].doubt = true;
}

// Another datagram came while a block read again settled: that reading does not count.
void TImageReader::VoidReading() {
    m_settling = false;
    if (++m_blocks[m_block].voided >= MaxReads)
        return Fail(TReadFailure::Device, Format(kStrayReplies, {m_block, MaxReads}));
    m_again.push_front(m_block);
}

std::int64_t TImageReader::PumpRead(std::int64_t now) {
    // A working line keeps answering; a dead one is given up on, whatever the memory size.
    if (now - m_lastAnswerAt > NoProgressMs * kMs) {
        Fail(TReadFailure::Connection, Format(kNoProgress, {NoProgressMs / 1000}));
        return -1;
    }
    if (m_settling) return Settle(now);
    if (m_repeatNow) {
        m_repeatNow = false;
        return Send(now);
    }
    if (m_out) {
        if (now - m_sentAt < DeadlineUs()) return m_sentAt + DeadlineUs();
        // given up on: asked again, each time after a longer wait
        if (++m_attempts >= MaxAttempts || now - m_firstSentAt >= NoAnswerMs * kMs) {
            Fail(TReadFailure::Connection, kNoReply);
            return -1;
        }
        return Send(now);
    }
    return SendNext(now);
}

// A block read again, once the line stayed quiet after its answer: two readings in a
// row that agree confirm it; otherwise the new one stands and is read again.
std::int64_t TImageReader::Settle(std::int64_t now) {
    const std::int64_t until = std::max(m_lastArrival + SettleUs(), m_answersDoneAt);
    if (now < until) return until;
    m_settling = false;
    TBlock& b = m_blocks[m_block];
    ++b.reads;
    ++m_rereads;
    if (SameData(m_settleData.data(), ImageBlock(m_block))) {
        b.confirmed = true;
    } else {
        if (b.reads >= MaxReads) {
            Fail(TReadFailure::Device, Format(kUnstable, {m_block, int(b.reads)}));
            return -1;
        }
        std::copy(m_settleData.begin(), m_settleData.end(), ImageBlock(m_block));
        if (!Uniform(m_settleData.data())) m_known.emplace(DataKey(m_settleData.data()), m_block);
        m_again.push_front(m_block);
    }
    return SendNext(now);
}

std::int64_t TImageReader::SendNext(std::int64_t now) {
    const bool first = m_nextBlock < m_totalBlocks;
    // Every answer to the last request is in before the next one goes out, or before the
    // image is judged; a block read again also waits for a quiet line.
    std::int64_t ready = m_answersDoneAt;
    if (!first && m_again.empty()) {
        if (now < ready) return ready;
        return Prove(now);
    }
    const std::int64_t quiet = first ? FirstPassQuietUs() : SettleUs();
    ready = std::max(ready, m_lastArrival + quiet);
    if (now < ready) {
        if (m_holdSince < 0) m_holdSince = now;
        if (now - m_holdSince > MaxHoldMs * kMs) {
            Fail(TReadFailure::Device, kNeverQuiet);
            return -1;
        }
        return ready;
    }
    m_holdSince = -1;
    m_rereading = !first;
    if (first) {
        m_block = m_nextBlock;
        m_blocks[m_block].quietBefore = std::min(now - m_lastArrival, now - m_lastAnswerAt);
    } else {
        m_block = m_again.front();
        m_again.pop_front();
    }
    m_attempts = 0;
    m_badChecksums = 0;
    m_firstSentAt = now;
    return Send(now);
}

std::int64_t TImageReader::Send(std::int64_t now) {
    m_sentAt = now;
    switch (m_protocol.SendGetMemoryBlock(m_block)) {
    case TSendOutcome::Sent:
        m_out = true;
        return now + DeadlineUs();
    case TSendOutcome::Held: // a datagram is being handled this instant
        m_out = false;
        m_repeatNow = true;
        return now + 1;
    case TSendOutcome::Failed:
        break;
    }
    Fail(TReadFailure::Connection, Format(kSendFailed, {OsErrorText(m_protocol.LastSendError())}));
    return -1;
}

// The whole memory has been read: what the log proves and what the line said decide
// what is read again. Nothing that two readings agree on is ever refused.
std::int64_t TImageReader::Prove(std::int64_t now) {
    m_proof = ProveLogImage(m_image.data(), m_image.size(), m_sizes.memory, m_sizes.users, m_sizes.logRecords,
                            m_mark, kMemBlockSize);
    std::set<std::uint32_t> again(m_proof.suspect.begin(), m_proof.suspect.end());
    again.insert(m_proof.frontier.begin(), m_proof.frontier.end());
    // A block that may hold a copy of the answer before it is read again where the line
    // left less quiet before its request than copies came late.
    const std::int64_t copies = CopyHorizonUs();
    for (std::uint32_t block = m_logFirstBlock; block < m_logEndBlock && block < m_totalBlocks; ++block) {
        const TBlock& b = m_blocks[block];
        if (b.doubt || (b.maybeCopy && b.quietBefore < copies)) again.insert(block);
    }
    std::erase_if(
        again, [this](std::uint32_t block) { return block >= m_totalBlocks || m_blocks[block].confirmed; });
    if (again.empty()) {
        m_state = State::Proven;
        return -1;
    }
    if (++m_proofRounds > MaxProofRounds) {
        Fail(TReadFailure::Device, Format(kUnproven, {MaxProofRounds}));
        return -1;
    }
    m_again.assign(again.begin(), again.end());
    return SendNext(now);
}
