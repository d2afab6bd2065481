// SPDX-License-Identifier: GPL-3.0-or-later
// "Osveži vreme" and "Požar" over three simulated doors on loopback: seconds per
// operation, with doors that answer at once and with doors that answer after 20 ms.
// Fixed two-second pauses per request would take 6 s and 12 s.
#include "devicesim/SimServer.h"
#include "module/device/DeviceCommands.h"
#include "tests/device/LoopbackTools.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int port = devicetest::FreeUdpPort();
    const char* addresses[] = {"127.0.0.2", "127.0.0.3", "127.0.0.4"};
    std::vector<TAccessPoint> doors;
    for (int i = 0; i < 3; ++i) {
        TAccessPoint d;
        d.id = i + 1;
        d.name = QStringLiteral("Vrata %1").arg(i + 1);
        d.localIp = QString::fromLatin1(addresses[i]);
        d.udpPort = port;
        d.outdoor = i == 0;
        doors.push_back(d);
    }
    const int rounds = 20;
    for (const int delayMs : {0, 20}) {
        std::vector<devicesim::TDeviceConfig> devices;
        for (const char* address : addresses) {
            devicesim::TDeviceConfig d;
            d.address = address;
            d.port = port;
            d.memorySize = 1024;
            d.users = 10;
            d.faults.delayMs = delayMs;
            devices.push_back(d);
        }
        devicesim::TSimServer sim(devices);
        if (!sim.Start()) return 1;
        TDeviceProtocol protocol(0);
        TDeviceCommands commands(protocol);
        for (const bool fire : {false, true}) {
            QElapsedTimer timer;
            timer.start();
            int confirmed = 0;
            for (int r = 0; r < rounds; ++r) {
                const TDeviceRun run =
                    fire ? commands.SetRelayModes(doors, TRelayOperation::Fire) : commands.SetClocks(doors);
                confirmed += run.AllAcknowledged() ? 1 : 0;
            }
            std::printf("%-13s 3 doors, replies after %2d ms: %.4f s per operation (%d/%d confirmed; "
                        "fixed pauses: %d s)\n",
                        fire ? "Požar" : "Osveži vreme", delayMs, double(timer.nsecsElapsed()) / 1e9 / rounds,
                        confirmed, rounds, fire ? 12 : 6);
        }
        sim.Stop();
    }
    return 0;
}
