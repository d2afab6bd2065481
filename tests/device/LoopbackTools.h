// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Loopback helpers for the device tests: free ports and a plain UDP peer.

#include <arpa/inet.h>
#include <chrono>
#include <cstdint>
#include <functional>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace devicetest {

// A port that no socket holds on any address, and that stays this program's: the
// kernel picks it for a socket bound without address reuse, and a socket on
// 127.0.0.254, an address no test uses, then holds it until the program ends, so that
// no other program is given it meanwhile. The test's own sockets on other addresses
// still take it (a bind to one address does not meet a bind to another, and a wildcard
// bind with address reuse shares it).
inline int FreeUdpPort() {
    for (;;) {
        int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_ANY);
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        ::close(fd);
        fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int on = 1; // a wildcard bind with reuse (a broadcast door) may still take it
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        ::inet_pton(AF_INET, "127.0.0.254", &a.sin_addr);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return ntohs(a.sin_port); // held
        ::close(fd); // taken in the moment between: another
    }
}

// Polls `done` every few milliseconds for up to `limit`.
inline bool WaitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// A bare UDP socket on 127.0.0.1 with a receive timeout.
class PlainSocket {
public:
    explicit PlainSocket(int port = 0) {
        Fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(std::uint16_t(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(Fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        SetTimeout(std::chrono::seconds(5));
    }
    void SetTimeout(std::chrono::milliseconds limit) {
        timeval tv{limit.count() / 1000, long(limit.count() % 1000) * 1000};
        ::setsockopt(Fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    }
    ~PlainSocket() { ::close(Fd_); }
    PlainSocket(const PlainSocket&) = delete;
    PlainSocket& operator=(const PlainSocket&) = delete;

    int Port() const {
        sockaddr_in a{};
        socklen_t len = sizeof a;
        ::getsockname(Fd_, reinterpret_cast<sockaddr*>(&a), &len);
        return ntohs(a.sin_port);
    }
    void SendTo(const std::string& address, int port, const void* data, std::size_t len) const {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(std::uint16_t(port));
        ::inet_pton(AF_INET, address.c_str(), &to.sin_addr);
        ::sendto(Fd_, data, len, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    // One datagram, or an empty vector after the timeout.
    std::vector<std::uint8_t> Receive() const {
        std::vector<std::uint8_t> buffer(4096);
        const ssize_t n = ::recv(Fd_, buffer.data(), buffer.size(), 0);
        buffer.resize(n > 0 ? std::size_t(n) : 0);
        return buffer;
    }

private:
    int Fd_ = -1;
};

} // namespace devicetest
