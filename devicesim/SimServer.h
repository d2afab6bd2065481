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

class SimServer {
public:
    explicit SimServer(std::vector<DeviceConfig> devices, std::string traceFile = {});
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Builds the devices, binds their sockets, opens the trace and starts serving.
    // Returns false with a message in `error` when any of that fails.
    bool Start(std::string* error = nullptr);
    void Stop();

    std::size_t DeviceCount() const { return Devices_.size(); }
    // Runs `f` on device `i` while the server is not touching it.
    template <class F> auto WithDevice(std::size_t i, F&& f) {
        std::lock_guard lock(Mutex_);
        return f(*Devices_.at(i));
    }
    long RequestsReceived() const { return Requests_.load(); }

private:
    struct Pending {
        std::chrono::steady_clock::time_point due;
        std::size_t device;
        TUdpPeer to;
        TFrame frame;
    };
    void Serve();
    void Trace(const SimDevice& device, const TUdpPeer& from, const std::uint8_t* data, std::size_t len,
               const std::string& note);

    std::vector<DeviceConfig> Configs_;
    std::string TraceFile_;
    std::mutex Mutex_;
    std::vector<std::unique_ptr<SimDevice>> Devices_;
    std::vector<int> Fds_;
    std::vector<std::chrono::steady_clock::time_point> NextLiveSwipe_;
    std::vector<Pending> Pending_;
    std::FILE* TraceOut_ = nullptr;
    std::chrono::steady_clock::time_point Started_;
    int WakeRead_ = -1;
    int WakeWrite_ = -1;
    std::thread Thread_;
    std::atomic<long> Requests_{0};
};

} // namespace devicesim
