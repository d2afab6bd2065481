// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/DeviceProbe.h"

#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/device/AccessPointSetup.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

// Device texts are ASCII; anything else is shown, not passed on to a terminal.
QString Printable(const std::string& text) {
    QString shown = QString::fromLatin1(text.data(), qsizetype(text.size())).trimmed();
    for (QChar& c : shown)
        if (!c.isPrint()) c = QLatin1Char('?');
    return shown;
}

// Datagrams the listener thread hands over, and the wait for them.
class TInbox {
public:
    void Put(const std::uint8_t* data, std::size_t len) {
        std::lock_guard lock(m_mutex);
        m_datagrams.emplace_back(data, data + len);
        if (m_loop) QMetaObject::invokeMethod(m_loop, "quit", Qt::QueuedConnection);
        m_arrived.notify_all();
    }
    std::vector<std::vector<std::uint8_t>> Take() {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_datagrams, {});
    }
    // Until a datagram is there or the deadline has passed.
    void Wait(Clock::time_point deadline) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return;
        QCoreApplication* app = QCoreApplication::instance();
        if (app && QThread::currentThread() == app->thread()) {
            QEventLoop loop;
            QTimer::singleShot(left, &loop, &QEventLoop::quit);
            {
                std::lock_guard lock(m_mutex);
                if (!m_datagrams.empty()) return;
                m_loop = &loop;
            }
            loop.exec(QEventLoop::ExcludeUserInputEvents);
            std::lock_guard lock(m_mutex);
            m_loop = nullptr;
            return;
        }
        std::unique_lock lock(m_mutex);
        m_arrived.wait_until(lock, deadline, [this] { return !m_datagrams.empty(); });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<std::vector<std::uint8_t>> m_datagrams;
    QEventLoop* m_loop = nullptr;
};

} // namespace

TProbeOutcome ProbeDevice(const TAccessPoint& door, const TProbeSettings& settings) {
    TProbeOutcome outcome;
    const QString where = QStringLiteral("%1:%2").arg(door.localIp).arg(door.udpPort);
    outcome.error = DeviceAddressRefusal(door.localIp, door.udpPort);
    if (!outcome.error.isEmpty()) return outcome;

    TDeviceProtocol protocol(rsIdle);
    TInbox inbox;
    protocol.Intercept = [&inbox](const std::uint8_t* data, std::size_t len, std::int64_t) {
        inbox.Put(data, len);
    };
    const auto close = qScopeGuard([&] {
        protocol.CloseEndpoint(); // waits for a running handler
        protocol.Intercept = nullptr;
    });
    if (!protocol.OpenEndpoint(door.localIp.trimmed().toStdString(), door.udpPort)) {
        const TUdpEndpoint& endpoint = protocol.Endpoint();
        outcome.error =
            endpoint.LastError() == EADDRINUSE
                ? Format(QStringLiteral(
                             "UDP port %d na ovom računaru već koristi drugi program koji čita uređaje%s."),
                         {door.udpPort,
                          endpoint.PortHolder().empty()
                              ? QString()
                              : QStringLiteral(" (%1)").arg(QString::fromStdString(endpoint.PortHolder()))})
                : QStringLiteral("%1 (%2)").arg(QString::fromUtf8(_DEVICE_CONNECT_ERR),
                                                QString::fromStdString(endpoint.LastErrorText()));
        return outcome;
    }
    bool answeredOtherwise = false; // replies came, but none described the device
    for (int attempt = 0; attempt < settings.requests && !outcome.answered; ++attempt) {
        TSendOutcome sent = protocol.RequestDeviceInfo();
        // held only while the listener queues a datagram: a moment
        for (int i = 0; sent == TSendOutcome::Held && i < 100; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            sent = protocol.RequestDeviceInfo();
        }
        if (sent != TSendOutcome::Sent) {
            const int error = protocol.LastSendError();
            outcome.error = Format(QStringLiteral("Zahtev uređaju na %s nije poslat (%s)."),
                                   {where, error ? QString::fromLocal8Bit(std::strerror(error))
                                                 : QStringLiteral("veza je zauzeta")});
            return outcome;
        }
        ++outcome.requests;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(settings.replyWaitMs);
        while (!outcome.answered && Clock::now() < deadline) {
            inbox.Wait(deadline);
            for (const std::vector<std::uint8_t>& datagram : inbox.Take()) {
                if (datagram.size() < kFrameSize || !FrameCrcOk(datagram.data())) continue;
                TDeviceInfo info;
                if (ParseDeviceInfo(datagram.data(), datagram.size(), info)) {
                    outcome.info = info;
                    outcome.answered = true;
                } else {
                    answeredOtherwise = true;
                }
            }
        }
    }
    protocol.ReceiveState = rsIdle;
    protocol.TimeOutForResponseEnabled = false;
    if (outcome.answered) {
        outcome.error.clear();
    } else if (answeredOtherwise) {
        outcome.error =
            Format(QStringLiteral("Uređaj na %s odgovara, ali ne šalje podatke o sebi u poznatom obliku "
                                  "(Koldar ili Tarmisoni)."),
                   {where});
    } else {
        outcome.error =
            Format(QStringLiteral("Uređaj na %s ne odgovara (%d zahteva, svaki čekan %d ms). Proverite "
                                  "da li je uključen, adresu i UDP port."),
                   {where, outcome.requests, settings.replyWaitMs});
    }
    return outcome;
}

QStringList ProbeReport(const TProbeOutcome& outcome) {
    if (!outcome.answered) return {outcome.error};
    const TDeviceInfo& i = outcome.info;
    QStringList lines{
        QStringLiteral("Model: ") + Printable(i.firmwareVersion),
        Format(QStringLiteral("Firmver: %s (%s)"), {Printable(i.firmwareVer), Printable(i.firmwareDateTime)}),
        QStringLiteral("Hardver: ") + Printable(i.hardwareVer),
        Format(QStringLiteral("Memorija: %d bajtova"), {qint64(i.eepromMemSize)})};
    if (i.sdcardMemSize > 0)
        lines.back() += Format(QStringLiteral(", memorijska kartica: %d bajtova"), {qint64(i.sdcardMemSize)});
    lines << Format(QStringLiteral("Korisnički zapisi (kartice): %d"), {int(i.usersCount)})
          << Format(QStringLiteral("Dnevnik: %d zapisa"), {qint64(i.maxLogRecords)});
    return lines;
}
