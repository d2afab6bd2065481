// SPDX-License-Identifier: GPL-3.0-or-later
// Downloading a full 512,000-byte device image from a simulated device on
// loopback, paced as the import dialog paces it (10 ms and 100 ms tickers,
// requests sent as soon as the line is quiet), and storing its records: on a
// clean line, a slow one, one that copies replies late and one that loses them.
#include "devicesim/SimServer.h"
#include "module/device/LogDownload.h"
#include "tests/device/LoopbackTools.h"
#include "tests/support/TestDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <functional>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // a line as soon as it is measured
    TestDatabase db;
    TZConnection& c = db.Connection();
    const int port = devicetest::FreeUdpPort();
    c.Execute(QStringLiteral(
                  "INSERT INTO horloaccesspoint (horloaccesspointid, name, macaddress, localip, publicip, "
                  "udpport, tcpport) VALUES (1, 'A', 'm', '127.0.0.2', '-', %1, 0)")
                  .arg(port));
    devicesim::TDeviceConfig device;
    device.address = "127.0.0.2";
    device.port = port;
    device.memorySize = 512000;
    device.users = 200;
    for (std::uint32_t t = 1; t <= 150; ++t)
        device.cards.push_back({t, 100000 + t, true});
    device.swipes = devicesim::TSwipePlan{
        devicesim::MakeNaiveTime(2025, 1, 1), devicesim::MakeNaiveTime(2025, 6, 30), {}, {}};
    for (const auto& card : device.cards)
        device.swipes->tickets.push_back(card.ticket);
    device.faults.onlyCommands = "GB";

    struct Line {
        const char* name;
        std::function<void(devicesim::TFaults&)> set;
    } lines[] = {
        {"clean", [](devicesim::TFaults&) {}},
        {"clean again", [](devicesim::TFaults&) {}},
        {"replies after 5 ms", [](devicesim::TFaults& f) { f.delayMs = 5; }},
        {"1 % of replies copied 30 ms late",
         [](devicesim::TFaults& f) { f.duplicateMs = 30, f.duplicateChance = 0.01; }},
        {"5 % of replies lost", [](devicesim::TFaults& f) { f.drop = 0.05; }},
    };
    for (const Line& line : lines) {
        devicesim::TDeviceConfig d = device;
        line.set(d.faults);
        devicesim::TSimServer sim({d});
        if (!sim.Start()) return 1;
        const long held =
            long(sim.WithDevice(0, [](const devicesim::TSimDevice& dev) { return dev.Records().size(); }));
        c.Execute(QStringLiteral("DELETE FROM employeeeventraw"));
        c.Execute(QStringLiteral("UPDATE horloaccesspoint SET currentdeviceindex = 0"));
        TDeviceProtocol protocol(rsIdle);
        TEventImport chain(protocol, c);
        chain.SetAccessPoints({{1, QStringLiteral("A"), QStringLiteral("127.0.0.2"), port}});
        TDownloadOutcome outcome;
        chain.OnDeviceFinished = [&](const TAccessPoint&, const TDownloadOutcome& o) { outcome = o; };
        chain.OnChainEnded = [] { QCoreApplication::exit(0); };
        chain.Download().OnTickDue = [&](int delayMs) {
            QMetaObject::invokeMethod(
                &app, [&, delayMs] { QTimer::singleShot(delayMs, &app, [&] { chain.MemPacketTick(); }); },
                Qt::QueuedConnection);
        };
        QTimer packets, watchdog;
        QObject::connect(&packets, &QTimer::timeout, [&] { chain.MemPacketTick(); });
        QObject::connect(&watchdog, &QTimer::timeout, [&] { chain.ReplyWatchdogTick(); });
        packets.start(10);
        watchdog.start(100);
        QElapsedTimer timer;
        timer.start();
        QMetaObject::invokeMethod(
            &app, [&] { chain.Begin(); }, Qt::QueuedConnection);
        QCoreApplication::exec();
        const double seconds = timer.nsecsElapsed() / 1e9;
        // exact: every record of the device, each once
        const TResultSet stored = c.Select(QStringLiteral(
            "SELECT COUNT(*), COUNT(DISTINCT deviceindex), MAX(deviceindex) FROM employeeeventraw"));
        const long rows = stored.rows[0][0].toLongLong();
        const bool exact =
            rows == held && stored.rows[0][1].toLongLong() == held &&
            stored.rows[0][2].toLongLong() ==
                sim.WithDevice(0, [](const devicesim::TSimDevice& dev) { return dev.LastIndex(); });
        std::printf(
            "%-34s %u blocks in %6.2f s = %4.0f blocks/s, %u read again, %ld of %ld records stored%s%s\n",
            line.name, outcome.blocks, seconds, outcome.blocks / seconds, outcome.rereads, rows, held,
            exact ? " (exact)" : " (NOT EXACT)",
            outcome.ok ? "" : qPrintable(QStringLiteral(" (failed: %1)").arg(outcome.error)));
        sim.Stop();
    }
    return 0;
}
