// SPDX-License-Identifier: GPL-3.0-or-later
// The UDP endpoint on loopback, alone and with simulated devices at 127.0.0.2 and
// 127.0.0.3 on the port that the module's wildcard endpoint also binds.

#include "module/device/protocol/UdpEndpoint.h"
#include "devicesim/SimServer.h"
#include "module/device/protocol/DeviceProtocol.h"
#include "tests/device/LoopbackTools.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace devicetest;

namespace {

bool Sent(TSendOutcome outcome) {
    return outcome == TSendOutcome::Sent;
}

std::string TempFile(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("horlo-endpoint-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(UdpEndpoint, ActivationFailureLeavesItInactiveWithTheOsError) {
    const int port = FreeUdpPort();
    // Without address reuse a socket keeps the port to itself on its address (here the
    // one that reaches the loopback devices).
    const int holder = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);

    struct Case {
        const char* address;
        int port;
        int error;
    };
    const Case cases[] = {
        {"0.0.0.0", port, EADDRINUSE},
        {"192.0.2.1", FreeUdpPort(), EADDRNOTAVAIL}, // not an address of this machine
        {"300.1.1.1", FreeUdpPort(), EADDRNOTAVAIL},
        {"0.0.0.0", 70000, EINVAL},
        {"0.0.0.0", -1, EINVAL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.address) + ":" + std::to_string(c.port));
        TUdpEndpoint e;
        e.SetBindAddress(c.address);
        e.SetDefaultPort(c.port);
        EXPECT_FALSE(e.Activate());
        EXPECT_FALSE(e.Active());
        EXPECT_EQ(e.LastError(), c.error);
        EXPECT_FALSE(e.LastErrorText().empty());
        EXPECT_FALSE(e.Send("127.0.0.1", 9, "x", 1));
        e.Deactivate(); // harmless
    }
    TDeviceProtocol p;
    EXPECT_FALSE(p.OpenEndpoint("127.0.0.2", port));
    EXPECT_EQ(p.Endpoint().LastError(), EADDRINUSE);
    ::close(holder);
    EXPECT_TRUE(p.OpenEndpoint("127.0.0.2", port));
}

TEST(UdpEndpoint, DeliversDatagramsCutToTheReceiveBufferAndKeepsListening) {
    TUdpEndpoint e;
    std::mutex m;
    std::vector<std::vector<std::uint8_t>> got;
    std::vector<TUdpPeer> peers;
    std::atomic<int> errors{0};
    std::vector<std::int64_t> arrived, handled;
    e.SetHandler([&](const std::uint8_t* data, std::size_t len, const TUdpPeer& from, std::int64_t at) {
        std::lock_guard lock(m);
        got.emplace_back(data, data + len);
        peers.push_back(from);
        arrived.push_back(at);
        handled.push_back(SteadyMicros());
        if (len == 3) throw std::runtime_error("handler failed");
    });
    e.SetErrorHandler([&](std::exception_ptr) { ++errors; });
    ASSERT_TRUE(e.Activate()) << e.LastErrorText();
    ASSERT_NE(e.LocalPort(), 0);

    PlainSocket peer;
    std::vector<std::uint8_t> big(1500);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = std::uint8_t(i * 13);
    const std::int64_t before = SteadyMicros();
    peer.SendTo("127.0.0.1", e.LocalPort(), big.data(), big.size());
    peer.SendTo("127.0.0.1", e.LocalPort(), "abc", 3);
    peer.SendTo("127.0.0.1", e.LocalPort(), "defg", 4);
    ASSERT_TRUE(WaitFor([&] {
        std::lock_guard lock(m);
        return got.size() == 3;
    }));
    std::lock_guard lock(m);
    ASSERT_EQ(got[0].size(), TUdpEndpoint::kReceiveBufferSize);
    EXPECT_TRUE(std::equal(got[0].begin(), got[0].end(), big.begin()));
    EXPECT_EQ(got[2], (std::vector<std::uint8_t>{'d', 'e', 'f', 'g'})); // after a throwing handler
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(peers[0].address, "127.0.0.1");
    EXPECT_EQ(peers[0].port, peer.Port());
    // the kernel's arrival time: after the send, not later than the handler ran
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_GE(arrived[i], before);
        EXPECT_LE(arrived[i], handled[i]);
    }

    // Replies go back through the same socket.
    ASSERT_TRUE(e.Send("127.0.0.1", peer.Port(), "pong", 4));
    EXPECT_EQ(peer.Receive().size(), 4u);
}

// A protocol that keeps its deadlines on the listener thread: the pump runs at the
// start, after every datagram, and when the time it asked for has come, not before.
TEST(UdpEndpoint, PumpRunsAtStartAfterDatagramsAndWhenDue) {
    TUdpEndpoint e;
    std::mutex m;
    std::vector<std::int64_t> calls;
    std::int64_t due = 0;
    e.SetHandler([](const std::uint8_t*, std::size_t, const TUdpPeer&, std::int64_t) {});
    e.SetPumpHandler([&](std::int64_t now) -> std::int64_t {
        std::lock_guard lock(m);
        calls.push_back(now);
        if (calls.size() == 1) return due = now + 30'000; // once, 30 ms on
        return -1;
    });
    ASSERT_TRUE(e.Activate());
    ASSERT_TRUE(WaitFor([&] {
        std::lock_guard lock(m);
        return calls.size() == 2;
    }));
    PlainSocket peer;
    peer.SendTo("127.0.0.1", e.LocalPort(), "x", 1);
    ASSERT_TRUE(WaitFor([&] {
        std::lock_guard lock(m);
        return calls.size() == 3;
    }));
    e.Deactivate();
    std::lock_guard lock(m);
    EXPECT_GE(calls[1], due);
    EXPECT_EQ(calls.size(), 3u); // no time asked for after that
}

TEST(UdpEndpoint, DeactivateWaitsForTheRunningHandler) {
    TUdpEndpoint e;
    std::atomic<bool> entered{false}, finished{false};
    e.SetHandler([&](const std::uint8_t*, std::size_t, const TUdpPeer&, std::int64_t) {
        entered = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        finished = true;
    });
    ASSERT_TRUE(e.Activate());
    const int port = e.LocalPort();
    PlainSocket peer;
    peer.SendTo("127.0.0.1", port, "x", 1);
    ASSERT_TRUE(WaitFor([&] { return entered.load(); }));
    e.Deactivate();
    EXPECT_TRUE(finished);
    EXPECT_FALSE(e.Active());

    // The same port can be taken again at once.
    e.SetDefaultPort(port);
    ASSERT_TRUE(e.Activate()) << e.LastErrorText();
    EXPECT_EQ(e.LocalPort(), port);

    // A handler may deactivate its own endpoint without waiting for itself.
    std::atomic<bool> returned{false};
    e.Deactivate();
    e.SetHandler([&](const std::uint8_t*, std::size_t, const TUdpPeer&, std::int64_t) {
        e.Deactivate();
        returned = true;
    });
    ASSERT_TRUE(e.Activate());
    peer.SendTo("127.0.0.1", port, "x", 1);
    ASSERT_TRUE(WaitFor([&] { return returned.load(); }));
    EXPECT_FALSE(e.Active());
}

TEST(UdpEndpoint, OneReaderPerPortWhileDevicesShareIt) {
    // bound to the wildcard address (a broadcast device) with a lock; bound to the
    // local address that reaches the devices, by the kernel alone
    for (const char* bind : {"0.0.0.0", "127.0.0.1"}) {
        SCOPED_TRACE(bind);
        const int port = FreeUdpPort();
        TUdpEndpoint first, second;
        for (TUdpEndpoint* e : {&first, &second}) {
            e->SetBindAddress(bind);
            e->SetDefaultPort(port);
            e->SetExclusivePort(true);
        }
        ASSERT_TRUE(first.Activate()) << first.LastErrorText();
        // a simulated device on a loopback address keeps sharing the port
        int err = 0;
        const int device = OpenUdpSocket("127.0.0.2", port, false, err);
        EXPECT_GE(device, 0) << err;
        if (device >= 0) ::close(device);
        // a second reader does not: the replies would be split between the two
        EXPECT_FALSE(second.Activate());
        EXPECT_EQ(second.LastError(), EADDRINUSE);
        // nor in another process, which is told who holds the port
        const bool kernel = std::string(bind) != "0.0.0.0";
        const pid_t child = ::fork();
        if (child == 0) {
            TUdpEndpoint other;
            other.SetBindAddress(bind);
            other.SetDefaultPort(port);
            other.SetExclusivePort(true);
            const bool refused = !other.Activate() && other.LastError() == EADDRINUSE;
            ::_exit(refused && (!kernel || other.PortHolder().find("pid ") != std::string::npos) ? 0 : 1);
        }
        int status = -1;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        // any other program that reuses addresses cannot take the bound one either
        if (kernel) {
            EXPECT_LT(OpenUdpSocket(bind, port, false, err), 0);
        }
        // once the first reader is done, the port is free again
        first.Deactivate();
        EXPECT_TRUE(second.Activate()) << second.LastErrorText();
    }
}

// The module's wildcard endpoint and two simulated devices share one port.
class LoopbackDevices : public ::testing::Test {
protected:
    void SetUp() override {
        port = FreeUdpPort();
        devicesim::TDeviceConfig a;
        a.address = "127.0.0.2";
        a.port = port;
        a.model = "Koldar";
        a.memorySize = 4096;
        a.users = 10;
        a.cards = {{1, 1001, true}};
        a.swipes = devicesim::TSwipePlan{
            devicesim::MakeNaiveTime(2026, 11, 2), devicesim::MakeNaiveTime(2026, 11, 27), {1}, {}};
        a.delayR1 = 11;
        a.delayR2 = 12;
        a.faults.corrupt = 0.2; // re-requested at once, so the image still arrives whole
        a.faults.onlyCommands = "GB";
        a.seed = 42;
        devicesim::TDeviceConfig b = a;
        b.address = "127.0.0.3";
        b.model = "Tarmisoni";
        b.memorySize = 2048;
        b.delayR1 = 21;
        b.delayR2 = 22;
        b.faults = {};
        trace = TempFile("trace.txt");
        server = std::make_unique<devicesim::TSimServer>(std::vector{a, b}, trace);
        std::string error;
        ASSERT_TRUE(server->Start(&error)) << error;
    }
    void TearDown() override {
        server.reset();
        std::filesystem::remove(trace);
    }
    // Sends with `send` and waits until the handler has consumed a reply.
    bool Exchange(TDeviceProtocol& p, const std::function<bool()>& send) {
        if (!send()) return false;
        return WaitFor([&] { return p.ReceiveState == rsIdle; });
    }

    int port = 0;
    std::string trace;
    std::unique_ptr<devicesim::TSimServer> server;
};

TEST_F(LoopbackDevices, RequestsReachTheRightDeviceAndRepliesTheModule) {
    TDeviceProtocol p(rsIdle);
    struct Case {
        const char* address;
        std::uint32_t memory;
        const char* version;
        std::uint8_t delay1;
    };
    const Case cases[] = {{"127.0.0.2", 4096, "Koldar           ", 11},
                          {"127.0.0.3", 2048, "Tarmisoni ", 21}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        ASSERT_TRUE(p.OpenEndpoint(c.address, port)) << p.Endpoint().LastErrorText();
        ASSERT_TRUE(Exchange(p, [&] { return Sent(p.RequestDeviceInfo()); }));
        EXPECT_EQ(p.EEPROM_MEM_SIZE, c.memory);
        EXPECT_EQ(p.FIRMWARE_VERSION(), c.version);
        ASSERT_TRUE(Exchange(p, [&] { return Sent(p.RequestRelayDelays()); }));
        EXPECT_EQ(p.DelayR1, c.delay1);
        p.CloseEndpoint();
    }
    // Linux sends from 127.0.0.1 to these addresses, so replies reach the wildcard bind.
    const std::string lines = ReadAll(trace);
    const std::string from = "from=127.0.0.1:" + std::to_string(port);
    for (const char* device : {"device=127.0.0.2:", "device=127.0.0.3:"})
        EXPECT_NE(lines.find(std::string(device) + std::to_string(port) + " " + from + " len=76 cmd=GE"),
                  std::string::npos)
            << lines;
}

TEST_F(LoopbackDevices, OnlyTheDevicesOwnRepliesAreHandled) {
    TDeviceProtocol p(rsIdle);
    ASSERT_TRUE(p.OpenEndpoint("127.0.0.2", port));
    // Nothing is asked, so any datagram that reached the rules would be taken for the reply.
    p.ReceiveState = rsDeviceInfo;
    TFrameData data{};
    std::memcpy(data.data(), "Koldar", 6);
    data[52] = 0x7F; // a memory size no device here has
    const TFrame foreign = BuildFrame({'G', 'E'}, 'O', 'K', data.data());
    struct Sender {
        const char* address;
        int port;
    };
    auto send = [&](const Sender from) {
        int err = 0;
        const int fd = OpenUdpSocket(from.address, from.port, false, err);
        ASSERT_GE(fd, 0) << err;
        EXPECT_EQ(SendUdpDatagram(fd, "127.0.0.1", port, foreign.data(), foreign.size()), 0);
        ::close(fd);
    };
    for (const Sender from : {Sender{"127.0.0.3", port}, Sender{"127.0.0.5", port}})
        send(from);
    ASSERT_TRUE(WaitFor([&] { return p.ForeignDatagrams() == 2; }));
    EXPECT_EQ(p.ReceiveState, rsDeviceInfo);
    EXPECT_EQ(p.EEPROM_MEM_SIZE, 0u);
    // the device's own address is heard whatever port it answers from
    send({"127.0.0.2", port + 1});
    ASSERT_TRUE(WaitFor([&] { return p.ReceiveState == rsIdle; }));
    EXPECT_EQ(p.ForeignDatagrams(), 2);
    EXPECT_NE(p.EEPROM_MEM_SIZE, 0u);
    // and on its own port
    ASSERT_TRUE(Exchange(p, [&] { return Sent(p.RequestDeviceInfo()); }));
    EXPECT_EQ(p.EEPROM_MEM_SIZE, 4096u);
}

} // namespace
