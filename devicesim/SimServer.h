// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Serves simulated devices on UDP: one socket per device bound to its own address and
// port (with address reuse), one thread that receives, answers and sends delayed
// replies, and an optional trace of every request.

#include "devicesim/SimDevice.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace devicesim {

class TSimServer {
public:
    explicit TSimServer(std::vector<TDeviceConfig> devices, std::string traceFile = {});
    ~TSimServer();
    TSimServer(const TSimServer&) = delete;
    TSimServer& operator=(const TSimServer&) = delete;

    // Builds the devices, binds their sockets, opens the trace and starts serving.
    // Returns false with a message in `error` when any of that fails.
    bool Start(std::string* error = nullptr);
    void Stop();

    std::size_t DeviceCount() const { return m_devices.size(); }
    // Runs `f` on device `i` while the server is not touching it.
    template <class F> auto WithDevice(std::size_t i, F&& f) {
        std::lock_guard lock(m_mutex);
        return f(*m_devices.at(i));
    }
    long RequestsReceived() const { return m_requests.load(); }

private:
    struct TPending {
        std::chrono::steady_clock::time_point due;
        std::size_t device;
        TUdpPeer to;
        TFrame frame;
    };
    void Serve();
    void Trace(const TSimDevice& device, const TUdpPeer& from, const std::uint8_t* data, std::size_t len,
               const std::string& note);

    std::vector<TDeviceConfig> m_configs;
    std::string m_traceFile;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<TSimDevice>> m_devices;
    std::vector<int> m_fds;
    std::vector<std::chrono::steady_clock::time_point> m_nextLiveSwipe;
    std::vector<TPending> m_pending;
    std::FILE* m_traceOut = nullptr;
    std::chrono::steady_clock::time_point m_started;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::thread m_thread;
    std::atomic<long> m_requests{0};
};

} // namespace devicesim
