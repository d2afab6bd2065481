// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/protocol/UdpEndpoint.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <system_error>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

// Addresses are dotted IPv4 texts; no name lookup, which could block the caller.
bool ResolveIpv4(const std::string& address, in_addr& out) {
    return inet_pton(AF_INET, address.c_str(), &out) == 1;
}

std::int64_t Micros(const timespec& t) {
    return std::int64_t(t.tv_sec) * 1'000'000 + t.tv_nsec / 1000;
}

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// A socket in the abstract namespace, named after the port: the kernel lets one socket
// hold a name and frees it when the socket closes, also when the process dies.
int LockPort(int port, int& error) {
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    sockaddr_un name{};
    name.sun_family = AF_UNIX;
    const std::string text = "horlo-device-port-" + std::to_string(port);
    std::memcpy(name.sun_path + 1, text.data(), text.size()); // sun_path[0] = 0: abstract
    const auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + text.size());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&name), len) != 0) {
        error = errno;
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

int OpenUdpSocket(const std::string& address, int port, bool broadcast, int& error, bool reuse) {
    error = 0;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    if (port < 0 || port > 65535) {
        error = EINVAL;
        return -1;
    }
    if (!ResolveIpv4(address, local.sin_addr)) {
        error = EADDRNOTAVAIL;
        return -1;
    }
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    const int on = 1;
    if ((reuse && (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
                   ::setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on) != 0)) ||
        (broadcast && ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        error = errno;
        ::close(fd);
        return -1;
    }
    return fd;
}

int SendUdpDatagram(int fd, const std::string& address, int port, const void* data, std::size_t len) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    if (port < 0 || port > 65535) return EINVAL;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    if (!ResolveIpv4(address, to.sin_addr)) return EADDRNOTAVAIL;
    for (;;) {
        if (::sendto(fd, data, len, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) >= 0) return 0;
        if (errno != EINTR) return errno;
    }
}

std::string RoutedLocalAddress(const std::string& address, int port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    if (!ResolveIpv4(address, to.sin_addr)) return {};
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return {};
    // connecting a UDP socket sends nothing; it only picks the route
    sockaddr_in local{};
    socklen_t len = sizeof local;
    const bool routed = ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
                        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) == 0;
    ::close(fd);
    if (!routed) return {};
    char text[INET_ADDRSTRLEN] = {};
    return ::inet_ntop(AF_INET, &local.sin_addr, text, sizeof text) ? std::string(text) : std::string();
}

std::string UdpPortHolder(int port) {
    // "sl local_address rem_address st ... inode", addresses as HEX:HEXPORT; through
    // /proc/self, which a service that sees only processes' files (ProcSubset=pid) has too
    std::ifstream table("/proc/self/net/udp");
    std::string line;
    std::getline(table, line);
    std::vector<std::string> inodes;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string sl, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
        fields >> sl >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode;
        const auto colon = local.find(':');
        if (colon != std::string::npos && std::stoi(local.substr(colon + 1), nullptr, 16) == port)
            inodes.push_back("socket:[" + inode + "]");
    }
    if (inodes.empty()) return {};
    const pid_t self = ::getpid();
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const auto& process : fs::directory_iterator("/proc", ec)) {
        const std::string pid = process.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos || std::stoi(pid) == self) continue;
        for (const auto& fd : fs::directory_iterator(process.path() / "fd", ec)) {
            const std::string target = fs::read_symlink(fd.path(), ec).string();
            if (std::find(inodes.begin(), inodes.end(), target) == inodes.end()) continue;
            std::ifstream comm(process.path() / "comm");
            std::string name;
            std::getline(comm, name);
            return name + ", pid " + pid;
        }
    }
    return {};
}

bool IsIpv4Address(const std::string& address) {
    in_addr addr{};
    return ResolveIpv4(address, addr);
}

bool IsBroadcastAddress(const std::string& address) {
    in_addr addr{};
    if (!ResolveIpv4(address, addr)) return false;
    if (addr.s_addr == htonl(INADDR_BROADCAST)) return true;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return false;
    bool found = false;
    for (const ifaddrs* i = list; i != nullptr && !found; i = i->ifa_next)
        found = (i->ifa_flags & IFF_BROADCAST) != 0 && i->ifa_broadaddr != nullptr &&
                i->ifa_broadaddr->sa_family == AF_INET &&
                reinterpret_cast<const sockaddr_in*>(i->ifa_broadaddr)->sin_addr.s_addr == addr.s_addr;
    ::freeifaddrs(list);
    return found;
}

TUdpEndpoint::TUdpEndpoint() = default;

TUdpEndpoint::~TUdpEndpoint() {
    Deactivate();
    Reap();
}

std::string TUdpEndpoint::PortHolder() const {
    std::lock_guard lock(m_holderMutex);
    return m_portHolder;
}

std::string TUdpEndpoint::LastErrorText() const {
    const int err = m_lastError.load();
    return err == 0 ? std::string() : std::system_category().message(err);
}

bool TUdpEndpoint::Activate() {
    if (m_active.load()) return true;
    Reap();
    int err = 0;
    int portLock = -1;
    const bool wildcard = m_bindAddress == "0.0.0.0";
    if (m_exclusive && wildcard && m_defaultPort > 0 && m_defaultPort <= 65535) {
        portLock = LockPort(m_defaultPort, err);
        if (portLock < 0) {
            m_lastError = err;
            return false;
        }
    }
    int fd = OpenUdpSocket(m_bindAddress, m_defaultPort, m_broadcast, err, !(m_exclusive && !wildcard));
    if (fd < 0) {
        m_lastError = err;
        CloseFd(portLock);
        if (err == EADDRINUSE) {
            std::lock_guard lock(m_holderMutex);
            m_portHolder = UdpPortHolder(m_defaultPort);
        }
        return false;
    }
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) != 0) {
        m_lastError = errno;
        ::close(fd);
        CloseFd(portLock);
        return false;
    }
    sockaddr_in bound{};
    socklen_t boundLen = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &boundLen);
    {
        std::lock_guard lock(m_fdMutex);
        m_fd = fd;
        m_portLock = portLock;
        m_wakeRead = wake[0];
        m_wakeWrite = wake[1];
    }
    m_localPort = ntohs(bound.sin_port);
    m_lastError = 0;
    m_active = true;
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on); // without it arrivals are read times
    m_listener = std::thread(&TUdpEndpoint::Listen, this, fd, wake[0], m_handler, m_pump, m_errorHandler);
    return true;
}

void TUdpEndpoint::Deactivate() {
    if (!m_active.exchange(false)) return;
    m_localPort = 0;
    {
        std::lock_guard lock(m_fdMutex);
        const char byte = 1;
        while (::write(m_wakeWrite, &byte, 1) < 0 && errno == EINTR) {
        }
    }
    // A handler that deactivates its own endpoint cannot join itself; the listener
    // leaves after that handler returns and is joined by the next Activate or the end.
    if (m_listenerId.load() != std::this_thread::get_id()) Reap();
}

void TUdpEndpoint::Reap() {
    if (m_listener.joinable()) {
        if (m_listenerId.load() == std::this_thread::get_id()) return;
        m_listener.join();
        m_listenerId = std::thread::id{}; // ids of ended threads are reused
    }
    std::lock_guard lock(m_fdMutex);
    CloseFd(m_fd);
    CloseFd(m_portLock);
    CloseFd(m_wakeRead);
    CloseFd(m_wakeWrite);
}

bool TUdpEndpoint::Send(const std::string& address, int port, const void* data, std::size_t len) {
    std::lock_guard lock(m_fdMutex);
    if (!m_active.load() || m_fd < 0) return false;
    const int err = SendUdpDatagram(m_fd, address, port, data, len);
    if (err != 0) m_lastError = err;
    return err == 0;
}

void TUdpEndpoint::Listen(int fd, int wakeFd, THandler handler, TPumpHandler pump, TErrorHandler errorHandler) {
    m_listenerId = std::this_thread::get_id();
    std::uint8_t buffer[kReceiveBufferSize];
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
    pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    const auto guarded = [&](auto&& call) {
        try {
            call();
        } catch (...) {
            if (errorHandler) errorHandler(std::current_exception());
        }
    };
    std::int64_t nextPump = pump ? 0 : -1; // a pump runs once at the start
    // a pump's waits are a fraction of a millisecond; the default slack would double them
    if (pump) ::prctl(PR_SET_TIMERSLACK, 1UL);
    for (;;) {
        timespec wait{};
        const timespec* timeout = nullptr;
        if (nextPump >= 0) {
            const std::int64_t us = std::max<std::int64_t>(0, nextPump - SteadyMicros());
            wait = {time_t(us / 1'000'000), long(us % 1'000'000) * 1000};
            timeout = &wait;
        }
        if (::ppoll(fds, 2, timeout, nullptr) < 0 && errno != EINTR) return;
        if (fds[1].revents != 0) return;
        bool received = false;
        while (fds[0].revents != 0) {
            sockaddr_in from{};
            iovec data{buffer, sizeof buffer};
            msghdr message{};
            message.msg_name = &from;
            message.msg_namelen = sizeof from;
            message.msg_iov = &data;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            // A longer datagram is cut to the buffer by the kernel; the rest is discarded.
            const ssize_t n = ::recvmsg(fd, &message, MSG_DONTWAIT);
            if (n < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK) break;
                continue; // EINTR or a reported ICMP error: nothing to deliver
            }
            received = true;
            // the kernel's receive time on the realtime clock, moved onto the steady one
            timespec steadyNow{}, realNow{};
            ::clock_gettime(CLOCK_MONOTONIC, &steadyNow);
            ::clock_gettime(CLOCK_REALTIME, &realNow);
            std::int64_t arrived = Micros(steadyNow);
            for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c))
                if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                    timespec kernel{};
                    std::memcpy(&kernel, CMSG_DATA(c), sizeof kernel);
                    arrived -= std::clamp<std::int64_t>(Micros(realNow) - Micros(kernel), 0, 1'000'000);
                }
            if (!handler) continue;
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
            const TUdpPeer peer{text, ntohs(from.sin_port)};
            guarded([&] { handler(buffer, static_cast<std::size_t>(n), peer, arrived); });
        }
        if (pump && (received || (nextPump >= 0 && SteadyMicros() >= nextPump)))
            guarded([&] {
                nextPump = -1; // a pump that throws is not run again by time
                nextPump = pump(SteadyMicros());
            });
    }
}

std::int64_t SteadyMicros() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return Micros(now);
}
