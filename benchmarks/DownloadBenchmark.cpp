// Downloading a full 512,000-byte device image from a simulated device on
// loopback, paced as the import dialog paces it (10 ms and 100 ms tickers,
// requests sent as soon as the line is quiet), and storing its records.
#include "devicesim/SimServer.h"
#include "module/device/LogDownload.h"
#include "tests/device/LoopbackTools.h"
#include "tests/support/TestDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TestDatabase db;
    TZConnection& c = db.Connection();
    const int port = devicetest::FreeUdpPort();
    c.Execute(QStringLiteral(
                  "INSERT INTO horloaccesspoint (horloaccesspointid, name, macaddress, localip, publicip, "
                  "udpport, tcpport) VALUES (1, 'A', 'm', '127.0.0.2', '-', %1, 0)")
                  .arg(port));
    devicesim::DeviceConfig device;
    device.address = "127.0.0.2";
    device.port = port;
    device.memorySize = 512000;
    device.users = 200;
    for (std::uint32_t t = 1; t <= 150; ++t)
        device.cards.push_back({t, 100000 + t, true});
    device.swipes = devicesim::SwipePlan{
        devicesim::MakeNaiveTime(2025, 1, 1), devicesim::MakeNaiveTime(2025, 6, 30), {}, {}};
    for (const auto& card : device.cards)
        device.swipes->tickets.push_back(card.ticket);
    devicesim::SimServer sim({device});
    if (!sim.Start()) return 1;

    for (int run = 1; run <= 2; ++run) {
        c.Execute(QStringLiteral("DELETE FROM employeeeventraw"));
        c.Execute(QStringLiteral("UPDATE horloaccesspoint SET currentdeviceindex = 0"));
        TDeviceProtocol protocol(rsIdle);
        TEventImport chain(protocol, c);
        chain.SetAccessPoints({{1, QStringLiteral("A"), QStringLiteral("127.0.0.2"), port}});
        TDownloadOutcome outcome;
        chain.OnDeviceFinished = [&](const TAccessPointInfo&, const TDownloadOutcome& o) { outcome = o; };
        chain.OnChainEnded = [](bool) { QCoreApplication::exit(0); };
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
        std::printf(
            "run %d: %u blocks in %.2f s = %.0f blocks/s, %d records stored%s (quiet window grew to %d ms)\n",
            run, outcome.blocks, seconds, outcome.blocks / seconds, outcome.decoded.stored,
            outcome.ok ? "" : " (failed)", chain.Download().QuietWindow());
    }
    std::printf("(the 10 ms request ticker alone would allow at most 100 blocks/s: 80 s for this image)\n");
    return 0;
}
