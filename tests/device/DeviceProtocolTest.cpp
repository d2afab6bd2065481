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

TFrameData BlockData(std::uint32_t block) {
    TFrameData d{};
    for (std::size_t i = 0; i < d.size(); ++i)
        d[i] = std::uint8_t(block * 7 + i + 1);
    return d;
}

TFrame BlockReply(std::uint32_t block) {
    return Reply('G', 'B', 'O', 'K', BlockData(block));
}

// Plays the download owner and a device that answers every block request, until the
// read ends or `limit` requests went out. Returns the blocks requested.
std::vector<std::uint32_t> RunRead(Recorder& r, std::size_t limit = 20000) {
    std::vector<std::uint32_t> requested;
    r.p.BeginMemoryRead();
    while (r.p.MemReadIsInProgress && requested.size() < limit) {
        if (!Sent(r.p.SendNextMemPacket())) break;
        requested.push_back(r.LastBlockRequested());
        r.Feed(BlockReply(requested.back()));
    }
    return requested;
}

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

TEST(DeviceMemoryRead, ReadsAllButTheLastBlockAndNotifiesInOrder) {
    Recorder r;
    std::vector<std::string> log;
    r.p.OnMemReadStarted = [&](std::uint32_t total) { log.push_back("start " + std::to_string(total)); };
    r.p.OnMemBlockDone = [&](std::uint32_t done) { log.push_back("done " + std::to_string(done)); };
    r.p.OnMemReadEnded = [&] {
        log.push_back("end state " + std::to_string(r.p.ReceiveState) +
                      (r.p.MemReadIsInProgress ? " reading" : ""));
    };
    r.p.OnImportEnabled = [&] {
        log.push_back("import state " + std::to_string(r.p.ReceiveState) +
                      (r.p.MemReadIsInProgress ? " reading" : ""));
    };
    std::fill(r.p.RcvMemBuffer.begin(), r.p.RcvMemBuffer.end(), 0xEE);
    r.p.EEPROM_MEM_SIZE = 256;
    const auto requested = RunRead(r);

    EXPECT_EQ(requested, (std::vector<std::uint32_t>{0, 1, 2}));
    EXPECT_EQ(r.p.MemReadAddress, 3u);
    EXPECT_EQ(log, (std::vector<std::string>{"start 4", "done 1", "done 2", "done 3", "end state 21 reading",
                                             "import state 20"}));
    EXPECT_EQ(r.p.ReceiveState, rsIdle);
    EXPECT_FALSE(r.p.MemReadIsInProgress);
    EXPECT_FALSE(r.p.TimeOutForResponseEnabled);
    EXPECT_FALSE(r.p.SendForNextMemPacket);
    for (std::uint32_t b = 0; b < 3; ++b) {
        const TFrameData expected = BlockData(b);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), r.p.RcvMemBuffer.begin() + b * 64))
            << "block " << b;
    }
    EXPECT_EQ(r.p.RcvMemBuffer[3 * 64], 0xEE); // the last block is never requested

    Recorder all;
    all.p.ReadLastBlock = true;
    all.p.EEPROM_MEM_SIZE = 256;
    EXPECT_EQ(RunRead(all), (std::vector<std::uint32_t>{0, 1, 2, 3}));
}

TEST(DeviceMemoryRead, BadChecksums) {
    struct Case {
        int badInARow;
        bool abandoned;
    };
    for (const Case c : {Case{5, false}, Case{6, true}}) {
        SCOPED_TRACE(c.badInARow);
        Recorder r;
        int ended = 0, enabled = 0;
        r.p.OnMemReadEnded = [&] { ++ended; };
        r.p.OnImportEnabled = [&] { ++enabled; };
        r.p.EEPROM_MEM_SIZE = 256;
        r.p.BeginMemoryRead();
        ASSERT_TRUE(Sent(r.p.SendNextMemPacket()));
        r.Feed(BlockReply(0));
        ASSERT_TRUE(Sent(r.p.SendNextMemPacket()));
        std::vector<std::uint32_t> rerequests;
        for (int i = 0; i < c.badInARow; ++i) {
            r.Feed(Corrupted(BlockReply(1)));
            if (Sent(r.p.SendNextMemPacket())) rerequests.push_back(r.LastBlockRequested());
        }
        EXPECT_EQ(rerequests, std::vector<std::uint32_t>(5, 1u));
        EXPECT_EQ(ended, c.abandoned ? 1 : 0);
        EXPECT_EQ(enabled, c.abandoned ? 1 : 0);
        EXPECT_EQ(r.p.MemReadIsInProgress, !c.abandoned);
        EXPECT_EQ(r.p.ReceiveState, c.abandoned ? rsIdle : rsMemoryBlock);
        EXPECT_EQ(r.p.MemReadAddress, c.abandoned ? 4u : 1u);
        if (!c.abandoned) {
            // A good block clears the count and the read goes on.
            r.Feed(BlockReply(1));
            EXPECT_EQ(r.p.BadCRCRetry, 0);
            EXPECT_EQ(r.p.MemReadAddress, 2u);
            ASSERT_TRUE(Sent(r.p.SendNextMemPacket()));
            EXPECT_EQ(r.LastBlockRequested(), 2u);
        }
    }
}

TEST(DeviceDeadline, ExpiresOnTheTickThatFindsZero) {
    Recorder r;
    r.p.RequestClock(ClockArgs(2026, 12, 6, 14, 5, 9));
    for (int tick = 1; tick <= 40; ++tick)
        r.p.ReplyWatchdogTick();
    EXPECT_TRUE(r.p.TimeOutForResponseEnabled);
    EXPECT_EQ(r.p.TimeOutForResponse, 0);
    EXPECT_EQ(r.p.ReceiveState, rsClockAck);
    r.p.ReplyWatchdogTick(); // 41st
    EXPECT_FALSE(r.p.TimeOutForResponseEnabled);
    EXPECT_EQ(r.p.ReceiveState, rsIdle);

    // Disarmed: ticks change nothing.
    r.p.ReceiveState = rsClockAck;
    for (int tick = 0; tick < 100; ++tick)
        r.p.ReplyWatchdogTick();
    EXPECT_EQ(r.p.ReceiveState, rsClockAck);
}

TEST(DeviceDeadline, LostBlocksAreRequestedFourMoreTimesThenTheReadIsAbandoned) {
    Recorder r;
    int ended = 0;
    r.p.OnMemReadEnded = [&] { ++ended; };
    r.p.EEPROM_MEM_SIZE = 256;
    r.p.BeginMemoryRead();
    ASSERT_TRUE(Sent(r.p.SendNextMemPacket()));
    r.Feed(BlockReply(0));
    ASSERT_TRUE(Sent(r.p.SendNextMemPacket())); // block 1, never answered

    std::vector<int> expiryTicks;
    int ticks = 0;
    while (r.p.TimeOutForResponseEnabled && ticks < 1000) {
        r.p.ReplyWatchdogTick();
        ++ticks;
        if (r.p.SendForNextMemPacket) {
            expiryTicks.push_back(ticks);
            EXPECT_EQ(r.p.TimeOutForResponse, 20);
            ASSERT_TRUE(Sent(r.p.SendNextMemPacket()));
            EXPECT_EQ(r.LastBlockRequested(), 1u);
            EXPECT_EQ(r.p.TimeOutForResponse, 40);
            ticks = 0;
        }
    }
    EXPECT_EQ(expiryTicks, (std::vector<int>{41, 41, 41, 41}));
    EXPECT_EQ(ticks, 41);
    EXPECT_EQ(r.p.ReceiveState, rsIdle);
    EXPECT_FALSE(r.p.MemReadIsInProgress);
    EXPECT_EQ(ended, 0); // abandonment by deadline skips the end-of-read work

    // A good block in between starts the count again.
    Recorder g;
    g.p.EEPROM_MEM_SIZE = 1024;
    g.p.BeginMemoryRead();
    g.p.SendNextMemPacket();
    g.p.TimeOutMemReadCounter = 4;
    g.Feed(BlockReply(0));
    EXPECT_EQ(g.p.TimeOutMemReadCounter, 0);
}

TEST(DeviceMemoryRead, ReportedSizesNeverLoopOrWriteOutsideTheImage) {
    struct Case {
        std::uint32_t memory;
        bool readLast;
        std::size_t requests;
    };
    const Case cases[] = {
        {0, false, 1},         {0, true, 1},           {63, false, 1},       {64, false, 1},
        {64, true, 1},         {127, false, 1},        {128, false, 1},      {128, true, 2},
        {512000, false, 7999}, {512000, true, 8000},   {512063, true, 8000}, {600000, false, 7999},
        {600000, true, 8000},  {0xFFFFFF, true, 8000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.memory) + (c.readLast ? " all blocks" : ""));
        Recorder r;
        int ended = 0;
        r.p.OnMemReadEnded = [&] { ++ended; };
        r.p.RcvMemBuffer[512000] = 0x5C;
        r.p.ReadLastBlock = c.readLast;
        r.p.EEPROM_MEM_SIZE = c.memory;
        const auto requested = RunRead(r);
        EXPECT_EQ(requested.size(), c.requests);
        EXPECT_FALSE(r.p.MemReadIsInProgress);
        EXPECT_EQ(ended, 1);
        EXPECT_EQ(r.p.RcvMemBuffer.size(), kRcvMemBufferSize);
        EXPECT_EQ(r.p.RcvMemBuffer[512000], 0x5C);
    }

    // Stray blocks past the image are counted but not stored.
    for (std::uint32_t address : {8000u, 8001u, 0xFFFFFFFFu}) {
        Recorder r;
        r.p.RcvMemBuffer[512000] = 0x5C;
        r.p.EEPROM_MEM_SIZE = 0xFFFFFF;
        r.p.ReceiveState = rsMemoryBlock;
        r.p.MemReadIsInProgress = true;
        r.p.MemReadAddress = address;
        TFrameData fill;
        fill.fill(0xAB);
        r.Feed(Reply('G', 'B', 'O', 'K', fill));
        EXPECT_EQ(r.p.RcvMemBuffer[512000], 0x5C);
        EXPECT_EQ(r.p.RcvMemBuffer.size(), kRcvMemBufferSize);
    }
}

TEST(DeviceMemoryRead, FailingEndOfReadWorkStillEndsTheRead) {
    Recorder r;
    bool enabled = false;
    r.p.OnMemReadEnded = [] { throw std::runtime_error("decoder failed"); };
    r.p.OnImportEnabled = [&] { enabled = true; };
    r.p.EEPROM_MEM_SIZE = 64;
    r.p.BeginMemoryRead();
    r.p.SendNextMemPacket();
    EXPECT_THROW(r.Feed(BlockReply(0)), std::runtime_error);
    EXPECT_FALSE(r.p.ZabraniSlanje);
    EXPECT_FALSE(r.p.MemReadIsInProgress);
    EXPECT_EQ(r.p.ReceiveState, rsIdle);
    EXPECT_FALSE(r.p.TimeOutForResponseEnabled);
    EXPECT_FALSE(enabled);
}

} // namespace

TEST(DeviceSending, HeldRequestsStayDueAndFailedSendsAreFailures) {
    Recorder r;
    r.p.EEPROM_MEM_SIZE = 256;
    r.p.BeginMemoryRead();
    r.p.ZabraniSlanje = true; // a reply is being handled
    EXPECT_EQ(r.p.SendNextMemPacket(), TSendOutcome::Held);
    EXPECT_TRUE(r.p.SendForNextMemPacket);
    EXPECT_FALSE(r.p.TimeOutForResponseEnabled);
    r.p.ZabraniSlanje = false;
    EXPECT_EQ(r.p.SendNextMemPacket(), TSendOutcome::Sent);
    EXPECT_FALSE(r.p.SendForNextMemPacket);

    // A send that does not go out awaits nothing and is not repeated behind the caller's back.
    r.p.SetFrameSender([](const std::string&, int, const TFrame&) { return false; });
    r.p.SendForNextMemPacket = true;
    EXPECT_EQ(r.p.SendNextMemPacket(), TSendOutcome::Failed);
    EXPECT_FALSE(r.p.SendForNextMemPacket);
    EXPECT_FALSE(r.p.TimeOutForResponseEnabled);
    EXPECT_EQ(r.p.RequestDeviceInfo(), TSendOutcome::Failed);
    EXPECT_EQ(r.p.RequestUserRecord(1, 2, true), TSendOutcome::Failed);
}

TEST(DeviceSending, NoRequestIsLostWhileTheHandlerComesAndGoes) {
    TDeviceProtocol p(rsIdle);
    std::atomic<long> sent{0};
    p.SetFrameSender([&](const std::string&, int, const TFrame&) {
        ++sent;
        return true;
    });
    std::atomic<bool> stop{false};
    std::thread listener([&] {
        while (!stop) { // datagrams arriving back to back
            p.ZabraniSlanje = true;
            p.ZabraniSlanje = false;
        }
    });
    long lost = 0;
    for (int i = 0; i < 200000; ++i) {
        p.SendForNextMemPacket = true;
        if (p.SendNextMemPacket() != TSendOutcome::Sent && !p.SendForNextMemPacket) ++lost;
    }
    stop = true;
    listener.join();
    EXPECT_EQ(lost, 0);
    EXPECT_GT(sent, 0);
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
