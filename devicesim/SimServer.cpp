// SPDX-License-Identifier: GPL-3.0-or-later
#include "devicesim/SimServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
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

TSimServer::TSimServer(std::vector<TDeviceConfig> devices, std::string traceFile)
    : m_configs(std::move(devices)), m_traceFile(std::move(traceFile)) {}

TSimServer::~TSimServer() {
    Stop();
}

bool TSimServer::Start(std::string* error) {
    const auto fail = [&](const std::string& message) {
        if (error) *error = message;
        Stop();
        return false;
    };
    if (m_thread.joinable()) return fail("already started");
    try {
        for (const TDeviceConfig& config : m_configs)
            m_devices.push_back(std::make_unique<TSimDevice>(config));
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    for (const TDeviceConfig& config : m_configs) {
        int err = 0;
        const int fd = OpenUdpSocket(config.address, config.port, true, err);
        if (fd < 0)
            return fail("cannot bind " + config.address + ":" + std::to_string(config.port) + ": " +
                        std::system_category().message(err));
        m_fds.push_back(fd);
    }
    if (!m_traceFile.empty()) {
        m_traceOut = std::fopen(m_traceFile.c_str(), "w");
        if (m_traceOut == nullptr)
            return fail("cannot write trace file " + m_traceFile + ": " + std::strerror(errno));
    }
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) != 0) return fail(std::strerror(errno));
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
    m_started = std::chrono::steady_clock::now();
    for (const TDeviceConfig& config : m_configs)
        m_nextLiveSwipe.push_back(m_started + std::chrono::milliseconds(config.liveSwipeMs));
    m_thread = std::thread(&TSimServer::Serve, this);
    return true;
}

void TSimServer::Stop() {
    if (m_thread.joinable()) {
        const char byte = 1;
        while (::write(m_wakeWrite, &byte, 1) < 0 && errno == EINTR) {
        }
        m_thread.join();
    }
    for (int& fd : m_fds)
        CloseFd(fd);
    m_fds.clear();
    CloseFd(m_wakeRead);
    CloseFd(m_wakeWrite);
    if (m_traceOut != nullptr) {
        // what the devices hold at the end, for whoever checks the trace
        for (const auto& device : m_devices)
            std::fprintf(m_traceOut, "final device=%s:%d state: %s\n", device->Config().address.c_str(),
                         device->Config().port, device->StateText().c_str());
        std::fclose(m_traceOut);
    }
    m_traceOut = nullptr;
}

void TSimServer::Trace(const TSimDevice& device, const TUdpPeer& from, const std::uint8_t* data,
                       std::size_t len, const std::string& note) {
    if (m_traceOut == nullptr) return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
    std::string request;
    if (len >= kFrameSize) {
        char args[64];
        const std::uint8_t* a = data + kFrameDataOffset;
        std::snprintf(args, sizeof args, " status=%02X%02X args=%02X %02X %02X %02X %02X %02X %02X %02X",
                      data[8], data[9], a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
        request = " cmd=" + Printable(data[6]) + Printable(data[7]) + args;
    }
    std::fprintf(m_traceOut, "%.3f device=%s:%d from=%s:%u len=%zu%s -> %s\n", seconds,
                 device.Config().address.c_str(), device.Config().port, from.address.c_str(), from.port, len,
                 request.c_str(), note.c_str());
    std::fflush(m_traceOut);
}

void TSimServer::Serve() {
    using TClock = std::chrono::steady_clock;
    ::prctl(PR_SET_TIMERSLACK, 1UL); // a reply delayed 5 ms leaves after 5 ms, not 5.05
    std::vector<pollfd> fds;
    for (int fd : m_fds)
        fds.push_back({fd, POLLIN, 0});
    fds.push_back({m_wakeRead, POLLIN, 0});
    std::uint8_t buffer[2048];

    for (;;) {
        // replies leave when they are due to the microsecond, as a device's would
        timespec wait{};
        const timespec* timeout = nullptr;
        {
            std::lock_guard lock(m_mutex);
            const TClock::time_point now = TClock::now();
            auto next = TClock::time_point::max();
            for (const TPending& p : m_pending)
                next = std::min(next, p.due);
            for (std::size_t i = 0; i < m_configs.size(); ++i)
                if (m_configs[i].liveSwipeMs > 0) next = std::min(next, m_nextLiveSwipe[i]);
            if (next != TClock::time_point::max()) {
                const long long us = std::max<long long>(
                    0, std::chrono::ceil<std::chrono::microseconds>(next - now).count());
                wait = {time_t(us / 1'000'000), long(us % 1'000'000) * 1000};
                timeout = &wait;
            }
        }
        if (::ppoll(fds.data(), fds.size(), timeout, nullptr) < 0 && errno != EINTR) return;
        if (fds.back().revents != 0) return;

        std::lock_guard lock(m_mutex);
        for (std::size_t i = 0; i + 1 < fds.size(); ++i) {
            if (fds[i].revents == 0) continue;
            for (;;) {
                sockaddr_in from{};
                socklen_t fromLen = sizeof from;
                const ssize_t n = ::recvfrom(fds[i].fd, buffer, sizeof buffer, MSG_DONTWAIT,
                                             reinterpret_cast<sockaddr*>(&from), &fromLen);
                if (n < 0) break;
                ++m_requests;
                char text[INET_ADDRSTRLEN] = {};
                ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
                const TUdpPeer peer{text, ntohs(from.sin_port)};
                TSimDevice::TOutcome outcome = m_devices[i]->Handle(buffer, std::size_t(n), LocalNow());
                Trace(*m_devices[i], peer, buffer, std::size_t(n), outcome.note);
                for (const TSimDevice::TOutgoing& reply : outcome.replies)
                    m_pending.push_back(
                        {TClock::now() + std::chrono::milliseconds(reply.delayMs), i, peer, reply.frame});
            }
        }
        const TClock::time_point now = TClock::now();
        // Replies go out in due order, from the socket of the device that answers.
        std::stable_sort(m_pending.begin(), m_pending.end(),
                         [](const TPending& a, const TPending& b) { return a.due < b.due; });
        auto sent = m_pending.begin();
        for (; sent != m_pending.end() && sent->due <= now; ++sent)
            SendUdpDatagram(m_fds[sent->device], sent->to.address, sent->to.port, sent->frame.data(),
                            sent->frame.size());
        m_pending.erase(m_pending.begin(), sent);
        for (std::size_t i = 0; i < m_configs.size(); ++i) {
            if (m_configs[i].liveSwipeMs <= 0 || m_nextLiveSwipe[i] > now) continue;
            m_devices[i]->LiveSwipe(LocalNow());
            m_nextLiveSwipe[i] = now + std::chrono::milliseconds(m_configs[i].liveSwipeMs);
        }
    }
}

} // namespace devicesim
