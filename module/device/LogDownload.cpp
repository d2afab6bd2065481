// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/LogDownload.h"

#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/device/LogProof.h"

#include <cerrno>

namespace {

constexpr char kBadAddress[] =
    "Neispravna IP adresa uređaja \"%s\" (potrebna je adresa oblika 192.168.1.20).";
constexpr char kBadPort[] = "Neispravan UDP port uređaja: %d (dozvoljeno je 1 do 65535).";
constexpr char kPortTaken[] = "UDP port %d već koristi drugi program koji čita uređaje%s";
constexpr char kMarkUnread[] = "Oznaka poslednjeg upisanog zapisa nije pročitana (%s).";
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
    if (outcome.decoded.alreadyStored > 0)
        text += QStringLiteral("; ") + Format(_ALREADY_STORED_FMT, {outcome.decoded.alreadyStored});
    if (!outcome.warning.isEmpty()) text += QStringLiteral("; UPOZORENJE: ") + outcome.warning;
    return text;
}

bool NeedsAttention(const TDownloadOutcome& outcome) {
    return !outcome.ok || !outcome.warning.isEmpty();
}

// ---------------------------------------------------------------- one device

TLogDownload::TLogDownload(TDeviceProtocol& protocol, TZConnection& connection)
    : m_protocol(protocol), m_connection(connection), m_reader(protocol) {
    OpenLine = [this](const std::string& address, int port) { return OpenEndpoint(address, port); };
}

TLogDownload::~TLogDownload() {
    Stop();
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
        m_outcome.blocks = m_reader.BlocksTaken();
        m_outcome.rereads = m_reader.Rereads();
    }
    m_state = State::Failed;
}

bool TLogDownload::Start(const TAccessPoint& accessPoint) {
    Stop();
    m_accessPoint = accessPoint;
    m_state = State::Idle;
    {
        std::lock_guard lock(m_outcomeMutex);
        m_outcome = TDownloadOutcome{};
    }
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
    m_reader.Begin(m_mark);
    m_lastEventAt = 0;
    m_state = State::Reading;
    if (!OpenLine(address, accessPoint.udpPort)) {
        const QString reason =
            m_protocol.Endpoint().LastError() == EADDRINUSE
                ? Format(kPortTaken, {accessPoint.udpPort, HolderText(m_protocol.Endpoint().PortHolder())})
                : QString::fromStdString(m_protocol.Endpoint().LastErrorText());
        Fail(TDownloadFailure::Connection,
             QStringLiteral("%1 (%2)").arg(QString::fromUtf8(_DEVICE_CONNECT_ERR), reason), reason);
        return false;
    }
    return true;
}

bool TLogDownload::OpenEndpoint(const std::string& address, int port) {
    m_protocol.Intercept = [this](const std::uint8_t* data, std::size_t len, std::int64_t arrivedUs) {
        m_reader.TakeDatagram(data, len, arrivedUs);
    };
    m_protocol.Pump = [this](std::int64_t nowUs) {
        const std::int64_t next = m_reader.Pump(nowUs);
        if (OnLineEvent && (m_reader.Over() || nowUs - m_lastEventAt >= kEventMs * 1000)) {
            m_lastEventAt = nowUs;
            OnLineEvent();
        }
        return next;
    };
    const bool open = m_protocol.OpenEndpoint(address, port);
    m_protocol.Pump = nullptr; // the endpoint keeps its own copy while it listens
    return open;
}

void TLogDownload::Finish() {
    if (!LineDone()) return;
    m_protocol.CloseEndpoint(); // waits for the listener
    m_protocol.Intercept = nullptr;
    if (m_reader.GetState() == TImageReader::State::Failed) {
        const TReadFailure failure = m_reader.Failure();
        return Fail(failure == TReadFailure::Device ? TDownloadFailure::Device : TDownloadFailure::Connection,
                    m_reader.Error());
    }
    const TLogProof& proof = m_reader.Proof();
    if (proof.BelowMark(m_mark))
        return Fail(TDownloadFailure::Mark, Format(kBelowMark, {proof.newest, m_mark}));
    Store(proof);
}

void TLogDownload::Store(const TLogProof& proof) {
    try {
        TLogDecoder decoder(m_connection);
        // a rerun after an uncertain COMMIT finds what was saved under the raw keys
        decoder.Retry = {StoreDeadline, true};
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
            m_outcome.blocks = m_reader.TotalBlocks();
            m_outcome.rereads = m_reader.Rereads();
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
    m_protocol.Intercept = nullptr;
    if (Busy()) Fail(TDownloadFailure::Connection, kStopped);
    m_protocol.TimeOutForResponseEnabled = false;
    m_protocol.ReceiveState = rsIdle;
}

// ---------------------------------------------------------------- the chain

TEventImport::TEventImport(TDeviceProtocol& protocol, TZConnection& connection)
    : m_download(protocol, connection) {
    m_download.OnLineEvent = [this] {
        if (OnWake) OnWake();
    };
}

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

void TEventImport::Step() {
    if (!m_running || !m_download.LineDone()) return;
    m_download.Finish();
    Advance();
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
