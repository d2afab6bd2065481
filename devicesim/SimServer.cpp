#include "devicesim/SimServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace devicesim {

namespace {

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

std::string Printable(std::uint8_t c) {
    char text[8];
    if (c >= 0x21 && c < 0x7F)
        std::snprintf(text, sizeof text, "%c", c);
    else
        std::snprintf(text, sizeof text, "\\x%02X", c);
    return text;
}

} // namespace

SimServer::SimServer(std::vector<DeviceConfig> devices, std::string traceFile)
    : Configs_(std::move(devices)), TraceFile_(std::move(traceFile)) {}

SimServer::~SimServer() {
    Stop();
}

bool SimServer::Start(std::string* error) {
    const auto fail = [&](const std::string& message) {
        if (error) *error = message;
        Stop();
        return false;
    };
    if (Thread_.joinable()) return fail("already started");
    try {
        for (const DeviceConfig& config : Configs_)
            Devices_.push_back(std::make_unique<SimDevice>(config));
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    for (const DeviceConfig& config : Configs_) {
        int err = 0;
        const int fd = OpenUdpSocket(config.address, config.port, true, err);
        if (fd < 0)
            return fail("cannot bind " + config.address + ":" + std::to_string(config.port) + ": " +
                        std::system_category().message(err));
        Fds_.push_back(fd);
    }
    if (!TraceFile_.empty()) {
        TraceOut_ = std::fopen(TraceFile_.c_str(), "w");
        if (TraceOut_ == nullptr)
            return fail("cannot write trace file " + TraceFile_ + ": " + std::strerror(errno));
    }
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) != 0) return fail(std::strerror(errno));
    WakeRead_ = wake[0];
    WakeWrite_ = wake[1];
    Started_ = std::chrono::steady_clock::now();
    for (const DeviceConfig& config : Configs_)
        NextLiveSwipe_.push_back(Started_ + std::chrono::milliseconds(config.liveSwipeMs));
    Thread_ = std::thread(&SimServer::Serve, this);
    return true;
}

void SimServer::Stop() {
    if (Thread_.joinable()) {
        const char byte = 1;
        while (::write(WakeWrite_, &byte, 1) < 0 && errno == EINTR) {
        }
        Thread_.join();
    }
    for (int& fd : Fds_)
        CloseFd(fd);
    Fds_.clear();
    CloseFd(WakeRead_);
    CloseFd(WakeWrite_);
    if (TraceOut_ != nullptr) {
        // what the devices hold at the end, for whoever checks the trace
        for (const auto& device : Devices_)
            std::fprintf(TraceOut_, "final device=%s:%d state: %s\n", device->Config().address.c_str(),
                         device->Config().port, device->StateText().c_str());
        std::fclose(TraceOut_);
    }
    TraceOut_ = nullptr;
}

void SimServer::Trace(const SimDevice& device, const TUdpPeer& from, const std::uint8_t* data,
                      std::size_t len, const std::string& note) {
    if (TraceOut_ == nullptr) return;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Started_).count();
    std::string request;
    if (len >= FRAME_SIZE) {
        char args[64];
        const std::uint8_t* a = data + FRAME_DATA_OFFSET;
        std::snprintf(args, sizeof args, " status=%02X%02X args=%02X %02X %02X %02X %02X %02X %02X %02X",
                      data[8], data[9], a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
        request = " cmd=" + Printable(data[6]) + Printable(data[7]) + args;
    }
    std::fprintf(TraceOut_, "%.3f device=%s:%d from=%s:%u len=%zu%s -> %s\n", seconds,
                 device.Config().address.c_str(), device.Config().port, from.address.c_str(), from.port, len,
                 request.c_str(), note.c_str());
    std::fflush(TraceOut_);
}

void SimServer::Serve() {
    using Clock = std::chrono::steady_clock;
    std::vector<pollfd> fds;
    for (int fd : Fds_)
        fds.push_back({fd, POLLIN, 0});
    fds.push_back({WakeRead_, POLLIN, 0});
    std::uint8_t buffer[2048];

    for (;;) {
        int timeoutMs = -1;
        {
            std::lock_guard lock(Mutex_);
            const Clock::time_point now = Clock::now();
            auto next = Clock::time_point::max();
            for (const Pending& p : Pending_)
                next = std::min(next, p.due);
            for (std::size_t i = 0; i < Configs_.size(); ++i)
                if (Configs_[i].liveSwipeMs > 0) next = std::min(next, NextLiveSwipe_[i]);
            if (next != Clock::time_point::max())
                timeoutMs = int(
                    std::max<long long>(0, std::chrono::ceil<std::chrono::milliseconds>(next - now).count()));
        }
        if (::poll(fds.data(), fds.size(), timeoutMs) < 0 && errno != EINTR) return;
        if (fds.back().revents != 0) return;

        std::lock_guard lock(Mutex_);
        for (std::size_t i = 0; i + 1 < fds.size(); ++i) {
            if (fds[i].revents == 0) continue;
            for (;;) {
                sockaddr_in from{};
                socklen_t fromLen = sizeof from;
                const ssize_t n = ::recvfrom(fds[i].fd, buffer, sizeof buffer, MSG_DONTWAIT,
                                             reinterpret_cast<sockaddr*>(&from), &fromLen);
                if (n < 0) break;
                ++Requests_;
                char text[INET_ADDRSTRLEN] = {};
                ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
                const TUdpPeer peer{text, ntohs(from.sin_port)};
                SimDevice::Outcome outcome = Devices_[i]->Handle(buffer, std::size_t(n), LocalNow());
                Trace(*Devices_[i], peer, buffer, std::size_t(n), outcome.note);
                for (const SimDevice::Outgoing& reply : outcome.replies)
                    Pending_.push_back(
                        {Clock::now() + std::chrono::milliseconds(reply.delayMs), i, peer, reply.frame});
            }
        }
        const Clock::time_point now = Clock::now();
        // Replies go out in due order, from the socket of the device that answers.
        std::stable_sort(Pending_.begin(), Pending_.end(),
                         [](const Pending& a, const Pending& b) { return a.due < b.due; });
        auto sent = Pending_.begin();
        for (; sent != Pending_.end() && sent->due <= now; ++sent)
            SendUdpDatagram(Fds_[sent->device], sent->to.address, sent->to.port, sent->frame.data(),
                            sent->frame.size());
        Pending_.erase(Pending_.begin(), sent);
        for (std::size_t i = 0; i < Configs_.size(); ++i) {
            if (Configs_[i].liveSwipeMs <= 0 || NextLiveSwipe_[i] > now) continue;
            Devices_[i]->LiveSwipe(LocalNow());
            NextLiveSwipe_[i] = now + std::chrono::milliseconds(Configs_[i].liveSwipeMs);
        }
    }
}

} // namespace devicesim
