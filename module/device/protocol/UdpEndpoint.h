// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A UDP socket with a listener thread of its own (POSIX sockets, no event loop).

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

struct TUdpPeer {
    std::string address; // dotted IPv4
    std::uint16_t port = 0;
};

// Opens an IPv4 UDP socket bound to address:port, with SO_REUSEADDR and SO_REUSEPORT
// when reuse is set, so that a wildcard bind and binds to single loopback addresses
// share one port. Without reuse no other socket can take that address and port.
// Returns the descriptor, or -1 with the OS error in `error`.
int OpenUdpSocket(const std::string& address, int port, bool broadcast, int& error, bool reuse = true);
// The address of this machine that the route to address:port leaves from, or an
// empty text when there is no route.
std::string RoutedLocalAddress(const std::string& address, int port);
// The program that holds a UDP socket on the port ("horlo-console, pid 4242"), as
// far as this user may see; empty when unknown.
std::string UdpPortHolder(int port);
// Sends one datagram from `fd`; returns 0 or the OS error.
int SendUdpDatagram(int fd, const std::string& address, int port, const void* data, std::size_t len);
// True for a dotted IPv4 address (no name lookup, which could block the caller).
bool IsIpv4Address(const std::string& address);
// True for 255.255.255.255 and the broadcast address of any interface of this machine.
bool IsBroadcastAddress(const std::string& address);
// Microseconds of the monotonic clock that arrival times and pump times count in.
std::int64_t SteadyMicros();

class TUdpEndpoint {
public:
    // Received datagrams longer than this are cut to it.
    static constexpr std::size_t kReceiveBufferSize = 1024;

    // `arrivedUs` is when the kernel received the datagram (SteadyMicros), not when the
    // listener got round to it: a protocol that times replies measures the line, not
    // how busy this machine is.
    using THandler = std::function<void(const std::uint8_t* data, std::size_t len, const TUdpPeer& from,
                                        std::int64_t arrivedUs)>;
    using TErrorHandler = std::function<void(std::exception_ptr)>;
    // Runs on the listener thread when it starts, after every batch of datagrams (once
    // the socket is read empty) and when the time it last returned has come; returns
    // the next such time (SteadyMicros), or -1 for none. A protocol keeps its deadlines
    // and sends its requests here, on the thread that hears the replies.
    using TPumpHandler = std::function<std::int64_t(std::int64_t nowUs)>;

    TUdpEndpoint();
    ~TUdpEndpoint();
    TUdpEndpoint(const TUdpEndpoint&) = delete;
    TUdpEndpoint& operator=(const TUdpEndpoint&) = delete;

    // Settings take effect at the next Activate.
    void SetBindAddress(const std::string& address) { m_bindAddress = address; } // default "0.0.0.0"
    const std::string& BindAddress() const { return m_bindAddress; }
    void SetDefaultPort(int port) { m_defaultPort = port; }
    int DefaultPort() const { return m_defaultPort; }
    void SetBroadcastEnabled(bool enabled) { m_broadcast = enabled; }
    // Address reuse lets devices simulated on this machine share the port, but two
    // programs reading devices on one port would split the replies between them. An
    // exclusive endpoint binds without reuse, so the kernel refuses any other socket
    // on its address and port (EADDRINUSE); bound to the wildcard address (broadcast
    // devices) it keeps reuse and holds a lock named after its port instead, which a
    // second exclusive endpoint on that port cannot take.
    void SetExclusivePort(bool exclusive) { m_exclusive = exclusive; }
    void SetHandler(THandler handler) { m_handler = std::move(handler); }
    void SetPumpHandler(TPumpHandler pump) { m_pump = std::move(pump); }
    // Receives what a handler throws; the listener goes on with the next datagram.
    void SetErrorHandler(TErrorHandler handler) { m_errorHandler = std::move(handler); }

    // Binds and starts the listener thread. Returns Active(); on failure the endpoint
    // stays inactive and LastError() holds the OS error.
    bool Activate();
    // Stops the listener and waits for a handler that is running. Called from the
    // handler itself it only stops the listener; the thread is joined later.
    void Deactivate();
    bool Active() const { return m_active.load(); }

    int LastError() const { return m_lastError.load(); }
    std::string LastErrorText() const;
    // After EADDRINUSE: who holds the port, where the system tells (see UdpPortHolder).
    std::string PortHolder() const;
    // The bound port (useful after binding port 0); 0 while inactive.
    std::uint16_t LocalPort() const { return m_localPort.load(); }

    // Sends one datagram from the bound socket. Returns false when inactive or on an
    // OS error (kept in LastError()).
    bool Send(const std::string& address, int port, const void* data, std::size_t len);

private:
    void Listen(int fd, int wakeFd, THandler handler, TPumpHandler pump, TErrorHandler errorHandler);
    void Reap();

    std::string m_bindAddress = "0.0.0.0";
    int m_defaultPort = 0;
    bool m_broadcast = false;
    bool m_exclusive = false;
    THandler m_handler;
    TPumpHandler m_pump;
    TErrorHandler m_errorHandler;

    std::mutex m_fdMutex; // guards m_fd against Send racing Deactivate
    int m_fd = -1;
    int m_portLock = -1;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::thread m_listener;
    std::atomic<std::thread::id> m_listenerId{}; // set by the listener itself before any handler runs
    std::atomic<bool> m_active{false};
    std::atomic<int> m_lastError{0};
    std::atomic<std::uint16_t> m_localPort{0};
    mutable std::mutex m_holderMutex;
    std::string m_portHolder;
};
