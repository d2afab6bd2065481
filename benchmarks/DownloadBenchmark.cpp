// SPDX-License-Identifier: GPL-3.0-or-later
// Downloading full device memories from a simulated device (horlo-devicesim, its own
// process, so that the CPU figures are the download's alone) on loopback, as the
// import dialog and `horlo import` do, and storing their records. Each line is printed
// beside its floor: the round trips of a bare client that asks for the blocks one at a
// time, or the clean line.
#include "devicesim/SimDevice.h"
#include "module/device/ImportDriver.h"
#include "module/device/LogDownload.h"
#include "tests/device/LoopbackTools.h"
#include "tests/support/TestDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <sys/resource.h>

#include <cstdio>

namespace {

constexpr char kAddress[] = "127.0.0.2";
constexpr std::uint16_t kUsers = 200;
constexpr std::uint32_t kCards = 150;

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The device and its faults, as arguments of horlo-devicesim and as a device here that
// holds the same records.
struct Device {
    std::uint32_t blocks = 8000;
    QStringList faults;

    QStringList Arguments(int port) const {
        QStringList a{QStringLiteral("--listen"), QStringLiteral("%1:%2").arg(kAddress).arg(port),
                      QStringLiteral("--memory"), QString::number(blocks * kMemBlockSize),
                      QStringLiteral("--users"), QString::number(kUsers),
                      QStringLiteral("--swipes"), QStringLiteral("2025-01-01..2025-06-30"),
                      QStringLiteral("--fault-commands"), QStringLiteral("GB")};
        for (std::uint32_t t = 1; t <= kCards; ++t)
            a << QStringLiteral("--card") << QStringLiteral("%1:%2").arg(t).arg(100000 + t);
        return a + faults;
    }
    long Records() const {
        devicesim::TDeviceConfig d;
        d.memorySize = blocks * kMemBlockSize;
        d.users = kUsers;
        for (std::uint32_t t = 1; t <= kCards; ++t)
            d.cards.push_back({t, 100000 + t, true});
        d.swipes = devicesim::TSwipePlan{
            devicesim::MakeNaiveTime(2025, 1, 1), devicesim::MakeNaiveTime(2025, 6, 30), {}, {}};
        for (const auto& card : d.cards)
            d.swipes->tickets.push_back(card.ticket);
        return long(devicesim::TSimDevice(d).Records().size());
    }
};

// A running horlo-devicesim.
struct Simulator {
    QProcess process;
    Simulator(const Device& device, int port) {
        process.start(qEnvironmentVariable("HORLO_BIN_DIR") + QStringLiteral("/horlo-devicesim"),
                      device.Arguments(port));
        // it says what it holds once it listens
        if (!process.waitForReadyRead(60000)) std::fprintf(stderr, "horlo-devicesim did not start\n");
    }
    ~Simulator() {
        process.terminate();
        process.waitForFinished();
    }
};

struct Figures {
    double seconds = 0, cpu = 0;
    std::uint32_t blocks = 0, rereads = 0;
    bool exact = false;
    QString error;
};

Figures Download(TZConnection& c, const Device& device, int port) {
    c.Execute(QStringLiteral("DELETE FROM employeeeventraw"));
    c.Execute(QStringLiteral("UPDATE horloaccesspoint SET currentdeviceindex = 0"));
    Simulator sim(device, port);
    TDeviceProtocol protocol(rsIdle);
    TEventImport chain(protocol, c);
    chain.SetAccessPoints({{1, QStringLiteral("A"), QString::fromLatin1(kAddress), port}});
    TDownloadOutcome outcome;
    chain.OnDeviceFinished = [&](const TAccessPoint&, const TDownloadOutcome& o) { outcome = o; };
    chain.OnChainEnded = [] { QCoreApplication::exit(0); };
    TImportDriver driver(chain);
    QElapsedTimer timer;
    const double cpu = CpuSeconds();
    timer.start();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { chain.Begin(); }, Qt::QueuedConnection);
    QCoreApplication::exec();
    Figures f;
    f.seconds = double(timer.nsecsElapsed()) / 1e9;
    f.cpu = CpuSeconds() - cpu;
    f.blocks = outcome.blocks;
    f.rereads = outcome.rereads;
    f.error = outcome.ok ? QString() : outcome.error;
    // exact: every record of the device, each once
    const TResultSet stored =
        c.Select(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT deviceindex) FROM employeeeventraw"));
    const long held = device.Records();
    f.exact = stored.rows[0][0].toLongLong() == held && stored.rows[0][1].toLongLong() == held;
    return f;
}

// A bare client: one request, wait for its answer (asking again after a second),
// the next; nothing checked, nothing stored.
double RoundTrips(const Device& device, int port) {
    Simulator sim(device, port);
    devicetest::PlainSocket socket;
    socket.SetTimeout(std::chrono::seconds(1));
    QElapsedTimer timer;
    timer.start();
    for (std::uint32_t block = 0; block < device.blocks; ++block) {
        const TFrame request = BuildShortFrame(kCmdGetMemoryBlock, MemoryBlockArgs(block));
        do
            socket.SendTo(kAddress, port, request.data(), request.size());
        while (socket.Receive().empty());
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

void Print(const char* name, const Figures& f, const char* floorName, double floor) {
    std::printf("%-30s %5u blocks %7.2f s (%4.2fx %s %.2f s), CPU %5.2f s = %3.0f us/block, %u read again, %s%s\n",
                name, f.blocks, f.seconds, f.seconds / floor, floorName, floor, f.cpu,
                f.blocks ? f.cpu * 1e6 / f.blocks : 0.0, f.rereads, f.exact ? "exact" : "NOT EXACT",
                f.error.isEmpty() ? "" : qPrintable(QStringLiteral(" (failed: %1)").arg(f.error)));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // a line as soon as it is measured
    TestDatabase db;
    TZConnection& c = db.Connection();
    const int port = devicetest::FreeUdpPort();
    c.Execute(QStringLiteral(
                  "INSERT INTO horloaccesspoint (horloaccesspointid, name, macaddress, localip, publicip, "
                  "udpport, tcpport) VALUES (1, 'A', 'm', '%1', '-', %2, 0)")
                  .arg(QString::fromLatin1(kAddress))
                  .arg(port));

    if (argc > 1) {
        const Device d{2000, {QStringLiteral("--delay"), QStringLiteral("5")}};
        Print("replies after 5 ms", Download(c, d, port), "round trips", 1);
        const Device e{2000, {}};
        Print("clean", Download(c, e, port), "round trips", 1);
        return 0;
    }
    std::printf("Full memories on a clean line, beside the round trips of a bare client:\n");
    Figures clean;
    for (std::uint32_t blocks : {1000u, 2000u, 8000u}) {
        const Device device{blocks, {}};
        clean = Download(c, device, port);
        Print(qPrintable(QStringLiteral("clean, %1 blocks").arg(blocks)), clean, "round trips",
              RoundTrips(device, port));
    }
    std::printf("Faulty lines, 8000 blocks:\n");
    const Device delayed{8000, {QStringLiteral("--delay"), QStringLiteral("5")}};
    Print("replies after 5 ms", Download(c, delayed, port), "round trips", RoundTrips(delayed, port));
    Print("5 % of replies lost",
          Download(c, {8000, {QStringLiteral("--drop"), QStringLiteral("0.05")}}, port), "clean", clean.seconds);
    Print("1 % of replies copied 30 ms late",
          Download(c, {8000, {QStringLiteral("--duplicate"), QStringLiteral("30:0.01")}}, port), "clean",
          clean.seconds);
    return 0;
}
