// SPDX-License-Identifier: GPL-3.0-or-later
// Frames, checksum, reply handler, memory read and deadline of the device protocol,
// driven without sockets: frames leave through a recording sender.

#include "module/device/protocol/DeviceProtocol.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

bool Sent(TSendOutcome outcome) {
    return outcome == TSendOutcome::Sent;
}

// Bit-at-a-time CRC-16/XMODEM, independent of the byte-wise register steps.
std::uint16_t ReferenceCrc(const std::uint8_t* data, std::size_t len) {
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < len; ++i) {
        crc ^= std::uint16_t(data[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? std::uint16_t((crc << 1) ^ 0x1021) : std::uint16_t(crc << 1);
    }
    return crc;
}

TFrame Reply(char c1, char c2, char s1, char s2, const TFrameData& data = {}) {
    return BuildFrame({c1, c2}, std::uint8_t(s1), std::uint8_t(s2), data.data());
}

TFrame Corrupted(TFrame frame) {
    frame[75] ^= 0x01;
    return frame;
}

// A protocol instance whose frames are recorded instead of sent.
struct Recorder {
    TDeviceProtocol p{rsIdle};
    std::vector<TFrame> sent;
    std::vector<std::string> events;

    Recorder() {
        p.UDPServerIP = "127.0.0.2";
        p.UDPServerPort = 5001;
        p.SetFrameSender([this](const std::string&, int, const TFrame& f) {
            sent.push_back(f);
            return true;
        });
        p.ShowErrorBox = [this](const std::string& title, const std::string& text) {
            events.push_back(title + ": " + text);
        };
    }
    void Feed(const TFrame& f) { p.IdUDPServer1UDPRead(f.data(), f.size()); }
    std::uint32_t LastBlockRequested() const {
        const TFrame& f = sent.back();
        EXPECT_EQ(f[6], 'G');
        EXPECT_EQ(f[7], 'B');
        EXPECT_EQ(f[10], 2);
        return std::uint32_t(f[11]) << 24 | std::uint32_t(f[12]) << 16 | std::uint32_t(f[13]) << 8 | f[14];
    }
};

TEST(DeviceCrc, MatchesXmodemVectors) {
    const std::string digits = "123456789";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(digits.data());
    EXPECT_EQ(ComputeCrc(bytes, digits.size()), 0x31C3);

    TDeviceProtocol p;
    p.Crc = 0;
    for (char c : digits)
        p.DoCrc(std::uint8_t(c));
    EXPECT_EQ(p.Crc, 0x31C3);

    std::mt19937 rng(7);
    for (int n = 0; n < 200; ++n) {
        std::vector<std::uint8_t> data(std::size_t(rng() % 100));
        for (auto& b : data)
            b = std::uint8_t(rng());
        ASSERT_EQ(ComputeCrc(data.data(), data.size()), ReferenceCrc(data.data(), data.size()))
            << "case " << n;
    }
}

TEST(DeviceFrames, RequestsCarryKnownArgumentsAndChecksums) {
    struct Case {
        const char* name;
        std::function<TSendOutcome(TDeviceProtocol&)> send;
        std::uint8_t state;
        char c1, c2;
        TCommandArgs args;
        std::uint8_t crcHigh, crcLow;
    };
    const std::vector<Case> cases = {
        {"GetDeviceInfo",
         [](TDeviceProtocol& p) { return p.RequestDeviceInfo(); },
         rsDeviceInfo,
         'G',
         'E',
         {},
         0x75,
         0x06},
        {"GetRelayDelays",
         [](TDeviceProtocol& p) { return p.RequestRelayDelays(); },
         rsRelayDelays,
         'G',
         'D',
         {},
         0x63,
         0x4E},
        {"GetMemoryBlock 0",
         [](TDeviceProtocol& p) { return p.SendGetMemoryBlock(0); },
         rsIdle,
         'G',
         'B',
         {2, 0, 0, 0, 0, 0, 0, 0},
         0xBA,
         0x7B},
        {"SetClock 2026-12-06 14:05:09",
         [](TDeviceProtocol& p) { return p.RequestClock(ClockArgs(2026, 12, 6, 14, 5, 9)); },
         rsClockAck,
         'S',
         'T',
         {14, 5, 9, 26, 12, 6, 1, 0},
         0x77,
         0xDE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Recorder r;
        ASSERT_TRUE(Sent(c.send(r.p)));
        ASSERT_EQ(r.sent.size(), 1u);
        const TFrame& f = r.sent[0];
        EXPECT_EQ(r.p.ReceiveState, c.state);
        EXPECT_EQ(f[6], c.c1);
        EXPECT_EQ(f[7], c.c2);
        EXPECT_EQ(f[8], 0);
        EXPECT_EQ(f[9], 0);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(f[i], 0) << "address byte " << i;
        EXPECT_TRUE(std::equal(c.args.begin(), c.args.end(), f.begin() + 10));
        for (std::size_t i = 18; i < 74; ++i)
            EXPECT_EQ(f[i], 0) << "byte " << i;
        EXPECT_EQ(f[74], c.crcHigh);
        EXPECT_EQ(f[75], c.crcLow);
        EXPECT_TRUE(r.p.TimeOutForResponseEnabled);
        EXPECT_EQ(r.p.TimeOutForResponse, 40);
    }
}

TEST(DeviceFrames, ArgumentHelpers) {
    EXPECT_EQ(MemoryBlockArgs(0x01020304), (TCommandArgs{2, 1, 2, 3, 4, 0, 0, 0}));
    // Day of week counts from Sunday = 1; the year travels modulo 256.
    EXPECT_EQ(ClockArgs(2026, 12, 5, 0, 0, 0)[6], 7); // Saturday
    EXPECT_EQ(ClockArgs(2026, 12, 7, 0, 0, 0)[6], 2); // Monday
    EXPECT_EQ(ClockArgs(2300, 1, 1, 0, 0, 0)[3], 300 % 256);

    Recorder r;
    r.p.DelayR1 = 7;
    r.p.DelayR2 = 9;
    ASSERT_TRUE(Sent(r.p.RequestRelayMode(3)));
    EXPECT_EQ(r.p.ReceiveState, rsRelayModeAck);
    EXPECT_EQ(r.sent[0][6], 'S');
    EXPECT_EQ(r.sent[0][7], 'D');
    EXPECT_TRUE(std::equal(r.sent[0].begin() + 10, r.sent[0].begin() + 18, TCommandArgs{7, 9, 3}.begin()));
}

TEST(DeviceFrames, SetUserRecordUsesTheLongForm) {
    Recorder r;
    ASSERT_TRUE(Sent(r.p.RequestUserRecord(0x01020304, 0x1AABBCCDDll, true)));
    ASSERT_EQ(r.sent.size(), 1u);
    const TFrame& f = r.sent[0];
    EXPECT_EQ(r.p.ReceiveState, rsUserRecordAck);
    EXPECT_EQ(f[6], 'S');
    EXPECT_EQ(f[7], 'E');
    EXPECT_EQ(f[8], 0x30);
    EXPECT_EQ(f[9], 0x30);
    const std::vector<std::uint8_t> head(f.begin() + 10, f.begin() + 18);
    EXPECT_EQ(head,
              (std::vector<std::uint8_t>{1, 2, 3, 4, 0xAA, 0xBB, 0xCC, 0xDD})); // low 32 bits of the code
    for (int i = 8; i < 64; ++i) {
        const std::uint8_t expected = i == 20 ? 0x80 : i == 21 ? 1 : 0;
        EXPECT_EQ(f[10 + i], expected) << "data byte " << i;
    }
    EXPECT_TRUE(FrameCrcOk(f.data()));
    EXPECT_EQ(UserRecordData(5, 6, false)[21], 0);
}

TEST(DeviceSending, ShortFormIsSuppressedWhileTheHandlerRunsLongFormIsNot) {
    Recorder r;
    r.p.ZabraniSlanje = true;
    EXPECT_FALSE(Sent(r.p.RequestDeviceInfo()));
    EXPECT_TRUE(r.sent.empty());
    EXPECT_FALSE(r.p.TimeOutForResponseEnabled);
    EXPECT_TRUE(Sent(r.p.RequestUserRecord(1, 2, true)));
    EXPECT_EQ(r.sent.size(), 1u);
    EXPECT_TRUE(r.p.TimeOutForResponseEnabled);
}

TEST(DeviceReplies, DatagramLengths) {
    TFrame good = Reply('S', 'T', 'O', 'K');
    std::vector<std::uint8_t> longOne(2000, 0);
    std::copy(good.begin(), good.end(), longOne.begin());
    struct Case {
        const char* name;
        std::size_t len;
        bool handled;
    };
    const Case cases[] = {{"75 bytes", 75, false},
                          {"76 bytes", 76, true},
                          {"77 bytes", 77, true},
                          {"1024 bytes", 1024, true},
                          {"2000 bytes", 2000, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Recorder r;
        r.p.RequestClock(ClockArgs(2026, 12, 6, 14, 5, 9));
        longOne[76] = 0xFF; // trailing bytes carry no meaning
        r.p.IdUDPServer1UDPRead(longOne.data(), c.len);
        EXPECT_EQ(r.p.ReceiveState, c.handled ? rsIdle : rsClockAck);
        EXPECT_EQ(r.p.TimeOutForResponseEnabled, !c.handled);
        EXPECT_FALSE(r.p.ZabraniSlanje);
    }
}

TEST(DeviceReplies, ModelTextBeyondTheReceiveBufferIsNotSeen) {
    TFrameData data{};
    data[53] = 0x40; // 64 bytes of memory
    const TFrame frame = Reply('G', 'E', 'O', 'K', data);
    for (std::size_t at : {500u, 1100u}) {
        std::vector<std::uint8_t> dgram(1500, 0);
        std::copy(frame.begin(), frame.end(), dgram.begin());
        std::memcpy(dgram.data() + at, "Koldar", 6);
        Recorder r;
        r.p.RequestDeviceInfo();
        r.p.IdUDPServer1UDPRead(dgram.data(), dgram.size());
        EXPECT_EQ(r.p.ReceiveState, rsIdle);
        EXPECT_EQ(r.p.EEPROM_MEM_SIZE, at < 1024 ? 64u : 0u) << "model text at " << at;
    }
}

TEST(DeviceReplies, BadChecksumKeepsWaiting) {
    Recorder r;
    r.p.RequestClock(ClockArgs(2026, 12, 6, 14, 5, 9));
    r.Feed(Corrupted(Reply('S', 'T', 'O', 'K')));
    EXPECT_EQ(r.p.ReceiveState, rsClockAck);
    EXPECT_TRUE(r.p.TimeOutForResponseEnabled);
    EXPECT_FALSE(r.p.ZabraniSlanje);
    r.Feed(Reply('S', 'T', 'O', 'K'));
    EXPECT_EQ(r.p.ReceiveState, rsIdle);
}

TEST(DeviceReplies, UserRecordAcknowledgements) {
    struct Case {
        char s1, s2;
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        {'N', 'O', {"Error: Greska! Upis korisnika NEUSPESAN!"}},
        {'O', 'K', {}},
        {'O', 'O', {"Error: Odgovor iz uredjaja nejasan!"}},
        {'\0', '\0', {"Error: Odgovor iz uredjaja nejasan!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((std::string{c.s1, c.s2}));
        Recorder r;
        r.p.RequestUserRecord(1, 2, true);
        r.Feed(Reply('S', 'E', c.s1, c.s2));
        EXPECT_EQ(r.events, c.boxes);
        EXPECT_EQ(r.p.ReceiveState, rsIdle);
        EXPECT_FALSE(r.p.TimeOutForResponseEnabled);
    }
}

TEST(DeviceReplies, ErrorBoxHoldsOffShortSendsAndAlwaysReleasesThem) {
    Recorder r;
    bool flagDuringBox = false;
    bool shortSentDuringBox = true;
    r.p.ShowErrorBox = [&](const std::string&, const std::string&) {
        flagDuringBox = r.p.ZabraniSlanje;
        shortSentDuringBox = Sent(r.p.RequestDeviceInfo());
    };
    r.p.RequestUserRecord(1, 2, true);
    r.Feed(Reply('S', 'E', 'N', 'O'));
    EXPECT_TRUE(flagDuringBox);
    EXPECT_FALSE(shortSentDuringBox);
    EXPECT_EQ(r.sent.size(), 1u); // only the user record
    EXPECT_FALSE(r.p.ZabraniSlanje);
    EXPECT_TRUE(Sent(r.p.RequestDeviceInfo()));

    r.p.ShowErrorBox = [](const std::string&, const std::string&) { throw std::runtime_error("box failed"); };
    r.p.RequestUserRecord(1, 2, true);
    EXPECT_THROW(r.Feed(Reply('S', 'E', 'N', 'O')), std::runtime_error);
    EXPECT_FALSE(r.p.ZabraniSlanje);
}

TEST(DeviceReplies, RelayDelaysAndPlainAcknowledgements) {
    Recorder r;
    TFrameData delays{};
    delays[0] = 7;
    delays[1] = 250;
    r.p.RequestRelayDelays();
    r.Feed(Reply('G', 'D', 'N', 'O', delays)); // the acknowledgement is not inspected
    EXPECT_EQ(r.p.DelayR1, 7);
    EXPECT_EQ(r.p.DelayR2, 250);
    EXPECT_EQ(r.p.ReceiveState, rsIdle);
    EXPECT_TRUE(r.events.empty());

    // Valid replies in a state without a rule change nothing.
    for (std::uint8_t state : {std::uint8_t(0), rsIdle}) {
        r.p.ReceiveState = state;
        r.p.TimeOutForResponseEnabled = true;
        r.Feed(Reply('G', 'D', 'O', 'K', TFrameData{}));
        EXPECT_EQ(r.p.DelayR1, 7);
        EXPECT_EQ(r.p.ReceiveState, state);
        EXPECT_TRUE(r.p.TimeOutForResponseEnabled);
    }

    r.p.RequestRelayMode(1);
    r.Feed(Reply('X', 'X', 'N', 'O'));
    EXPECT_EQ(r.p.ReceiveState, rsIdle);
    EXPECT_FALSE(r.p.TimeOutForResponseEnabled);
    EXPECT_TRUE(r.events.empty());
}

TEST(DeviceReplies, DeviceInformationLayouts) {
    // Layout A: identification 17 characters, build time 25, versions at data 42 and 46.
    // Layout B: 10 and 25 characters, versions at data 35 and 39.
    const auto fill = [](TFrameData& d, std::size_t at, const std::string& s) {
        std::memcpy(d.data() + at, s.data(), s.size());
    };
    const auto sizes = [](TFrameData& d, std::uint32_t mem, std::uint16_t users, std::uint32_t logs) {
        d[50] = 3;
        d[51] = std::uint8_t(mem >> 16);
        d[52] = std::uint8_t(mem >> 8);
        d[53] = std::uint8_t(mem);
        d[54] = 0x01; // SD size 0x01000002
        d[57] = 0x02;
        d[58] = std::uint8_t(users >> 8);
        d[59] = std::uint8_t(users);
        d[60] = std::uint8_t(logs >> 24);
        d[63] = std::uint8_t(logs);
    };
    TFrameData a{};
    fill(a, 0, "Koldar AC-1 ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!");
    fill(a, 42, "V1.2H3.4");
    sizes(a, 0x012345, 300, 0x01000010);
    TFrameData b{};
    fill(b, 0, "Tarmisoni+2017-03-12 07:30:05 buildV9.8H7.6");
    sizes(b, 4096, 12, 77);
    TFrameData both = b;
    fill(both, 44, "Koldar");
    TFrameData neither{};
    fill(neither, 0, "Acme door controller");
    sizes(neither, 999, 1, 1);
    TFrameData shortText{};
    fill(shortText, 0, "Koldar");
    sizes(shortText, 128, 0, 0);

    struct Case {
        const char* name;
        TFrameData data;
        std::string version, built, fw, hw;
        std::uint32_t mem;
        std::uint16_t users;
        std::uint32_t logs;
    };
    const Case cases[] = {
        {"Koldar", a, "Koldar AC-1 ABCDE", "FGHIJKLMNOPQRSTUVWXYZ0123", "V1.2", "H3.4", 0x012345, 300,
         0x01000010},
        {"Tarmisoni", b, "Tarmisoni+", "2017-03-12 07:30:05 build", "V9.8", "H7.6", 4096, 12, 77},
        {"both: B wins", both, "Tarmisoni+", "2017-03-12 07:30:05 build", "V9.8", "H7.6", 4096, 12, 77},
        {"text shorter than the fields", shortText, "Koldar", "", std::string(4, '\0'), std::string(4, '\0'),
         128, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Recorder r;
        r.p.RequestDeviceInfo();
        r.Feed(Reply('G', 'E', 'O', 'K', c.data));
        EXPECT_EQ(r.p.ReceiveState, rsIdle);
        EXPECT_FALSE(r.p.TimeOutForResponseEnabled);
        EXPECT_EQ(r.p.FIRMWARE_VERSION(), c.version);
        EXPECT_EQ(r.p.FIRMWARE_DATE_TIME(), c.built);
        EXPECT_EQ(r.p.FIRMWARE_VER(), c.fw);
        EXPECT_EQ(r.p.HARDWARE_VER(), c.hw);
        EXPECT_EQ(r.p.EEPROM_MEM_SIZE, c.mem);
        EXPECT_EQ(r.p.USERS_COUNT_FROM_DEVICE, c.users);
        EXPECT_EQ(r.p.MAX_LOG_RECORDS, c.logs);
        EXPECT_EQ(r.p.SDCARD_MEM_SIZE, 0x01000002u);
        EXPECT_EQ(r.p.MEMORY_TYPE, 3);

        // A later reply without either model text keeps these values but ends the wait.
        r.p.RequestDeviceInfo();
        r.Feed(Reply('G', 'E', 'O', 'K', neither));
        EXPECT_EQ(r.p.ReceiveState, rsIdle);
        EXPECT_FALSE(r.p.TimeOutForResponseEnabled);
        EXPECT_EQ(r.p.EEPROM_MEM_SIZE, c.mem);
        EXPECT_EQ(r.p.FIRMWARE_VERSION(), c.version);
    }
}

} // namespace

TEST(DeviceSending, HeldRequestsArmNothingAndFailedSendsAreFailures) {
    Recorder r;
    r.p.ZabraniSlanje = true; // a reply is being handled
    EXPECT_EQ(r.p.SendGetMemoryBlock(3), TSendOutcome::Held);
    EXPECT_TRUE(r.sent.empty());
    EXPECT_FALSE(r.p.TimeOutForResponseEnabled);
    r.p.ZabraniSlanje = false;
    EXPECT_EQ(r.p.SendGetMemoryBlock(3), TSendOutcome::Sent);
    EXPECT_EQ(r.LastBlockRequested(), 3u);

    // A send that does not go out awaits nothing.
    r.p.SetFrameSender([](const std::string&, int, const TFrame&) { return false; });
    EXPECT_EQ(r.p.SendGetMemoryBlock(4), TSendOutcome::Failed);
    EXPECT_FALSE(r.p.TimeOutForResponseEnabled);
    EXPECT_EQ(r.p.RequestDeviceInfo(), TSendOutcome::Failed);
    EXPECT_EQ(r.p.RequestUserRecord(1, 2, true), TSendOutcome::Failed);
}

TEST(DeviceReplies, ValuesAreStoredBeforeTheStateAnnouncesThem) {
    // A device information reply of the given memory size, and a relay delays reply.
    const auto info = [](std::uint32_t memory) {
        TFrameData d{};
        std::memcpy(d.data(), "Koldar", 6);
        d[51] = std::uint8_t(memory >> 16);
        d[52] = std::uint8_t(memory >> 8);
        d[53] = std::uint8_t(memory);
        return Reply('G', 'E', 'O', 'K', d);
    };
    const auto delays = [](std::uint8_t r1) {
        TFrameData d{};
        d[0] = r1;
        d[1] = std::uint8_t(r1 + 1);
        return Reply('G', 'D', 'O', 'K', d);
    };
    Recorder r;
    int stale = 0;
    for (std::uint32_t i = 1; i <= 4000; ++i) {
        const bool infoReply = i % 2 == 0;
        r.p.EEPROM_MEM_SIZE = 0;
        r.p.DelayR1 = 0;
        r.p.ReceiveState = infoReply ? rsDeviceInfo : rsRelayDelays;
        const TFrame reply = infoReply ? info(i * 64) : delays(std::uint8_t(i % 200 + 1));
        std::thread listener([&] { r.Feed(reply); });
        while (r.p.ReceiveState != rsIdle)
            std::this_thread::yield();
        if (infoReply ? r.p.EEPROM_MEM_SIZE != i * 64 : r.p.DelayR1 != std::uint8_t(i % 200 + 1)) ++stale;
        listener.join();
    }
    EXPECT_EQ(stale, 0);
}
