// SPDX-License-Identifier: GPL-3.0-or-later
// horlo-devicesim: simulated door devices for development and tests.
#include "devicesim/SimOptions.h"
#include "devicesim/SimServer.h"

#include <csignal>
#include <cstdio>
#include <ctime>
#include <exception>

#include "HorloVersion.h"

int main(int argc, char** argv) {
    devicesim::TSimOptions options;
    try {
        options = devicesim::ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "horlo-devicesim: %s\n", e.what());
        return 2;
    }
    if (options.help) {
        std::fputs(devicesim::UsageText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("horlo-devicesim %s\n", kHorloVersion);
        return 0;
    }

    // Signals are taken synchronously below; block them before any thread starts.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    devicesim::TSimServer server(options.devices, options.traceFile);
    std::string error;
    if (!server.Start(&error)) {
        std::fprintf(stderr, "horlo-devicesim: %s\n", error.c_str());
        return 1;
    }
    for (std::size_t i = 0; i < server.DeviceCount(); ++i) {
        server.WithDevice(i, [](const devicesim::TSimDevice& d) {
            const auto& c = d.Config();
            std::printf(
                "device %s:%d model \"%s\" memory %u bytes, %u user records, %u log slots, %zu cards, "
                "last record index %u\n",
                c.address.c_str(), c.port, c.model.c_str(), c.memorySize, unsigned(c.users), d.LogSlots(),
                d.Cards().size(), d.LastIndex());
            return 0;
        });
    }
    std::fflush(stdout);

    int signal = 0;
    if (options.exitAfterSeconds > 0) {
        timespec wait{};
        wait.tv_sec = time_t(options.exitAfterSeconds);
        wait.tv_nsec = long((options.exitAfterSeconds - double(wait.tv_sec)) * 1e9);
        signal = sigtimedwait(&stopSignals, nullptr, &wait);
    } else {
        sigwait(&stopSignals, &signal);
    }
    server.Stop();
    std::printf("stopped after %ld requests\n", server.RequestsReceived());
    return 0;
}
