// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated devices: requests and replies, card admission, the log ring, swipe
// generation, faults, the command line and the trace.

#include "devicesim/SimDevice.h"
#include "devicesim/SimOptions.h"
#include "devicesim/SimServer.h"
#include "tests/device/LoopbackTools.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>

using namespace devicesim;
using namespace devicetest;

extern char** environ;

namespace {

std::string TempFile(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("horlo-sim-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

const TNaiveTime NOW = MakeNaiveTime(2026, 12, 7, 10, 0, 0);

TSimDevice::TOutcome Ask(TSimDevice& d, const TFrame& request, TNaiveTime now = NOW) {
    return d.Handle(request.data(), request.size(), now);
}

TFrame UserRecord(std::uint32_t ticket, std::uint32_t code, bool active) {
    const TFrameData data = UserRecordData(ticket, code, active);
    return BuildLongFrame(kCmdSetUserRecord, data.data());
}

std::string Ack(const TSimDevice::TOutcome& o) {
    return o.replies.empty() ? "" : std::string{char(o.replies[0].frame[8]), char(o.replies[0].frame[9])};
}

std::string Time(const TLogSlot& r) {
    char text[32];
    std::snprintf(text, sizeof text, "20%02u-%02u-%02u %02u:%02u:%02u", r.year, r.month, r.day, r.hour,
                  r.minute, r.second);
    return text;
}

TEST(SimDevice, AnswersEveryCommand) {
    TDeviceConfig c;
    c.memorySize = 1000;
    c.users = 2;
    c.delayR1 = 3;
    c.delayR2 = 4;
    c.cards = {{9, 0xA1B2C3D4, true}};
    TSimDevice d(c);

    for (const char* model : {"Koldar", "Tarmisoni"}) {
        TDeviceConfig mc = c;
        mc.model = model;
        TSimDevice md(mc);
        const auto o = Ask(md, BuildShortFrame(kCmdGetDeviceInfo, {}));
        ASSERT_EQ(o.replies.size(), 1u);
        TDeviceInfo info;
        ASSERT_TRUE(ParseDeviceInfo(o.replies[0].frame.data(), kFrameSize, info)) << model;
        EXPECT_EQ(info.firmwareVersion.rfind(model, 0), 0u);
        EXPECT_EQ(info.eepromMemSize, 1000u);
        EXPECT_EQ(info.usersCount, 2);
        EXPECT_EQ(info.maxLogRecords, (1000u - 128 - 42) / 15);
    }

    // Blocks are 64 bytes from index * 64; beyond the memory they read as zeros.
    for (std::uint32_t block : {0u, 2u, 15u, 16u, 0xFFFFFFFFu}) {
        const auto o = Ask(d, BuildShortFrame(kCmdGetMemoryBlock, MemoryBlockArgs(block)));
        ASSERT_EQ(o.replies.size(), 1u);
        const TFrame& f = o.replies[0].frame;
        EXPECT_TRUE(FrameCrcOk(f.data()));
        for (std::size_t i = 0; i < 64; ++i) {
            const std::uint64_t at = std::uint64_t{block} * 64 + i;
            ASSERT_EQ(f[10 + i], at < 1000 ? d.Image()[at] : 0) << "block " << block << " byte " << i;
        }
    }
    // The card record sits at 128: ticket, code, reserved bytes, flags.
    EXPECT_EQ(d.Image()[128 + 3], 9);
    EXPECT_EQ(d.Image()[128 + 4], 0xA1);
    EXPECT_EQ(d.Image()[128 + 20], 0x81);

    const auto delays = Ask(d, BuildShortFrame(kCmdGetRelayDelays, {}));
    EXPECT_EQ(delays.replies[0].frame[10], 3);
    EXPECT_EQ(delays.replies[0].frame[11], 4);
    EXPECT_EQ(Ack(Ask(d, BuildShortFrame(kCmdSetRelayMode, RelayModeArgs(7, 8, 2)))), "OK");
    EXPECT_EQ(d.RelayMode(), 2);
    EXPECT_EQ(Ask(d, BuildShortFrame(kCmdGetRelayDelays, {})).replies[0].frame[10], 7);
    EXPECT_EQ(Ack(Ask(d, BuildShortFrame({'Z', 'Z'}, {}))), "NO");

    // Requests that are short or carry a bad checksum get no reply.
    TFrame bad = BuildShortFrame(kCmdGetDeviceInfo, {});
    bad[74] ^= 1;
    EXPECT_TRUE(Ask(d, bad).replies.empty());
    EXPECT_TRUE(d.Handle(bad.data(), 75, NOW).replies.empty());
}

TEST(SimDevice, KeepsWhatCommandsSetAndTellsItInTheTrace) {
    TDeviceConfig c;
    c.memorySize = 1000;
    c.users = 2;
    c.faults.silentCommands = "GD";
    c.faults.refuseCommands = "ST";
    TSimDevice d(c);
    EXPECT_EQ(d.StateText(), "clock not set, relay mode not set, delays 5,5, cards none");
    // a device that never reports its delays still carries out the rest
    const auto silent = Ask(d, BuildShortFrame(kCmdGetRelayDelays, {}));
    EXPECT_TRUE(silent.replies.empty());
    const auto mode = Ask(d, BuildShortFrame(kCmdSetRelayMode, RelayModeArgs(7, 8, 3)));
    EXPECT_EQ(Ack(mode), "OK");
    EXPECT_NE(mode.note.find("| state: clock not set, relay mode 3, delays 7,8"), std::string::npos)
        << mode.note;
    // a refused command is answered N O and changes nothing
    const auto clock = Ask(d, BuildShortFrame(kCmdSetClock, ClockArgs(2026, 12, 6, 14, 5, 9)));
    EXPECT_EQ(Ack(clock), "NO");
    EXPECT_FALSE(d.ClockSet());
    const TFrameData record = UserRecordData(12, 1001, false);
    const auto card = Ask(d, BuildLongFrame(kCmdSetUserRecord, record.data()));
    EXPECT_NE(card.note.find("card record 12 code 1001 inactive kept"), std::string::npos) << card.note;
    EXPECT_EQ(d.StateText(), "clock not set, relay mode 3, delays 7,8, cards 12:1001:inactive");

    const TSimOptions o =
        ParseOptions({"--listen", "127.0.0.2:5001", "--silent-commands", "GD,SD", "--refuse-commands", "ST"});
    EXPECT_EQ(o.devices[0].faults.silentCommands, "GD,SD");
    EXPECT_EQ(o.devices[0].faults.refuseCommands, "ST");
}

TEST(SimDevice, ClockOffsetMovesLaterSwipes) {
    TDeviceConfig c;
    c.cards = {{1, 100, true}};
    TSimDevice d(c);
    ASSERT_EQ(Ack(Ask(d, BuildShortFrame(kCmdSetClock, ClockArgs(2030, 1, 2, 3, 4, 5)), NOW)), "OK");
    ASSERT_TRUE(d.SwipeTicket(1, true, NOW + 60));
    EXPECT_EQ(Time(d.Records().back()), "2030-01-02 03:05:05");
    EXPECT_EQ(Ack(Ask(d, BuildShortFrame(kCmdSetClock, {25, 0, 0, 26, 1, 1, 1, 0}))), "NO");
}

TEST(SimDevice, OnlyActiveKeptCardsAreAdmitted) {
    TDeviceConfig c;
    c.users = 3;
    c.cards = {{1, 100, true}, {2, 200, false}};
    TSimDevice d(c);
    struct Step {
        const char* what;
        std::function<bool(TSimDevice&)> act;
        bool result;
        bool logged;
        std::uint8_t type = 0;
        std::uint32_t card = 0;
    };
    const std::vector<Step> steps = {
        {"active ticket", [](TSimDevice& d) { return d.SwipeTicket(1, true, NOW); }, true, true, 5, 1},
        {"active ticket leaves", [](TSimDevice& d) { return d.SwipeTicket(1, false, NOW); }, true, true, 10,
         1},
        {"inactive ticket", [](TSimDevice& d) { return d.SwipeTicket(2, true, NOW); }, false, false},
        {"unknown ticket", [](TSimDevice& d) { return d.SwipeTicket(3, true, NOW); }, false, false},
        {"active code", [](TSimDevice& d) { return d.SwipeCode(100, true, NOW); }, true, true, 15, 100},
        {"active code leaves", [](TSimDevice& d) { return d.SwipeCode(100, false, NOW); }, true, true, 16,
         100},
        {"inactive code", [](TSimDevice& d) { return d.SwipeCode(200, true, NOW); }, false, false},
        {"withdrawn ticket 1",
         [](TSimDevice& d) {
             return Ack(Ask(d, UserRecord(1, 100, false))) == "OK" && d.SwipeTicket(1, true, NOW);
         },
         false, false},
        {"written ticket 3",
         [](TSimDevice& d) {
             return Ack(Ask(d, UserRecord(3, 300, true))) == "OK" && d.SwipeTicket(3, true, NOW);
         },
         true, true, 5, 3},
        {"re-activated ticket 2",
         [](TSimDevice& d) {
             return Ack(Ask(d, UserRecord(2, 222, true))) == "OK" && d.SwipeCode(222, true, NOW);
         },
         true, true, 15, 222},
        {"no free user record", [](TSimDevice& d) { return Ack(Ask(d, UserRecord(4, 400, true))) == "OK"; },
         false, false},
    };
    std::uint32_t expectedIndex = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        const std::uint32_t before = d.LastIndex();
        EXPECT_EQ(s.act(d), s.result);
        EXPECT_EQ(d.LastIndex() != before, s.logged);
        if (s.logged) {
            const TLogSlot r = d.Records().back();
            EXPECT_EQ(r.index, ++expectedIndex);
            EXPECT_EQ(r.eventType, s.type);
            EXPECT_EQ(r.card, s.card);
        }
    }
    ASSERT_EQ(d.Cards().size(), 3u);
    EXPECT_FALSE(d.Card(1)->active);
    EXPECT_EQ(d.Card(2)->code, 222u);
    EXPECT_FALSE(d.Card(4).has_value());
    EXPECT_EQ(d.Image()[128 + 20], 0x80);  // ticket 1 withdrawn
    EXPECT_EQ(d.Image()[128 + 42 + 3], 3); // ticket 3 in the third record
    EXPECT_EQ(d.Image()[128 + 42 + 20], 0x81);
}

TEST(SimDevice, LogIsARingWithIncreasingIndexes) {
    TDeviceConfig c;
    c.users = 1;
    c.logSlots = 4;
    c.cards = {{1, 100, true}};
    TSimDevice d(c);
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(d.SwipeTicket(1, i % 2 == 0, NOW + i));
    std::vector<std::uint32_t> indexes;
    for (std::uint32_t k = 0; k < 4; ++k) {
        // Read the slots as the module does, through memory blocks.
        const std::uint32_t at = d.LogOffset() + 15 * k;
        std::uint8_t slot[15];
        for (int i = 0; i < 15; ++i) {
            const std::uint32_t byte = at + i;
            const auto o = Ask(d, BuildShortFrame(kCmdGetMemoryBlock, MemoryBlockArgs(byte / 64)));
            slot[i] = o.replies[0].frame[10 + byte % 64];
        }
        indexes.push_back(DecodeLogSlot(slot).index);
        EXPECT_EQ(Time(DecodeLogSlot(slot)), Time(d.Records()[k]));
    }
    EXPECT_EQ(indexes, (std::vector<std::uint32_t>{5, 6, 3, 4}));
    EXPECT_EQ(d.LastIndex(), 6u);

    // A log without slots keeps nothing but still counts.
    TDeviceConfig none = c;
    none.logSlots = 0;
    TSimDevice n(none);
    EXPECT_TRUE(n.SwipeTicket(1, true, NOW));
    EXPECT_TRUE(n.Records().empty());
}

TEST(SimDevice, PlannedSwipesFallOnWorkDaysAndFollowTheSeed) {
    const auto plan = [](std::uint64_t seed) {
        TDeviceConfig c;
        c.seed = seed;
        c.cards = {{1, 100, true}, {2, 200, true}, {3, 300, false}};
        c.swipes = TSwipePlan{MakeNaiveTime(2026, 11, 28), MakeNaiveTime(2026, 12, 6), {1, 3, 4}, {200}};
        TSimDevice d(c);
        return d.Records();
    };
    const auto records = plan(1);
    // Monday 30 November to Friday 4 December: ticket 1 and code 200 arrive and leave;
    // the withdrawn ticket 3 and the unknown ticket 4 leave no record.
    ASSERT_EQ(records.size(), 5u * 2 * 2);
    std::string previous;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const TLogSlot& r = records[i];
        SCOPED_TRACE(Time(r));
        EXPECT_EQ(r.index, i + 1);
        EXPECT_GE(Time(r), previous);
        previous = Time(r);
        EXPECT_GE(r.day, 30 * (r.month == 11));
        EXPECT_LE(r.day, r.month == 12 ? 4 : 30);
        const bool arrival = r.eventType == 5 || r.eventType == 15;
        EXPECT_EQ(r.card, r.eventType == 5 || r.eventType == 10 ? 1u : 200u);
        const unsigned minutes = r.hour * 60 + r.minute;
        if (arrival) {
            EXPECT_GE(minutes, 7 * 60 + 30);
            EXPECT_LT(minutes, 9 * 60);
        } else {
            EXPECT_GE(minutes, 15 * 60 + 30);
            EXPECT_LT(minutes, 17 * 60);
        }
    }
    const auto again = plan(1);
    const auto other = plan(2);
    const auto times = [](const std::vector<TLogSlot>& v) {
        std::vector<std::string> t;
        for (const auto& r : v)
            t.push_back(Time(r));
        return t;
    };
    EXPECT_EQ(times(again), times(records));
    EXPECT_NE(times(other), times(records));
}

TEST(SimDevice, FaultsAreDeterministicBySeed) {
    struct Case {
        const char* name;
        TFaults faults;
        std::function<void(const std::vector<TSimDevice::TOutcome>&)> check;
    };
    const auto count = [](const std::vector<TSimDevice::TOutcome>& v, auto pred) {
        return std::count_if(v.begin(), v.end(), pred);
    };
    const auto badCrc = [](const TSimDevice::TOutcome& o) {
        return !o.replies.empty() && !FrameCrcOk(o.replies[0].frame.data());
    };
    TFaults drop, corrupt, delay, delaySome, duplicate, silent, silentAfter, onlyInfo;
    drop.drop = 0.3;
    corrupt.corrupt = 0.3;
    delay.delayMs = 250;
    delaySome.delayMs = 250;
    delaySome.delayChance = 0.5;
    duplicate.duplicateMs = 400;
    duplicate.delayMs = 50;
    silent.silentAfter = 0;
    silentAfter.silentAfter = 3;
    onlyInfo.drop = 1;
    onlyInfo.onlyCommands = "GE";
    const Case cases[] = {
        {"drop", drop,
         [&](const auto& v) {
             const auto lost = count(v, [](const auto& o) { return o.replies.empty(); });
             EXPECT_GT(lost, 30);
             EXPECT_LT(lost, 90);
             EXPECT_EQ(count(v, badCrc), 0);
         }},
        {"corrupt", corrupt,
         [&](const auto& v) {
             EXPECT_EQ(count(v, [](const auto& o) { return o.replies.size() != 1; }), 0);
             EXPECT_GT(count(v, badCrc), 30);
             EXPECT_LT(count(v, badCrc), 90);
         }},
        {"delay", delay,
         [&](const auto& v) {
             EXPECT_EQ(count(v, [](const auto& o) { return o.replies[0].delayMs == 250; }), 200);
         }},
        {"delay some", delaySome,
         [&](const auto& v) {
             const auto late = count(v, [](const auto& o) { return o.replies[0].delayMs == 250; });
             EXPECT_GT(late, 60);
             EXPECT_LT(late, 140);
             EXPECT_EQ(count(v, [](const auto& o) { return o.replies[0].delayMs == 0; }), 200 - late);
         }},
        {"duplicate", duplicate,
         [&](const auto& v) {
             EXPECT_EQ(count(v,
                             [](const auto& o) {
                                 return o.replies.size() == 2 && o.replies[0].frame == o.replies[1].frame &&
                                        o.replies[0].delayMs == 50 && o.replies[1].delayMs == 450;
                             }),
                       200);
         }},
        {"silent", silent,
         [&](const auto& v) { EXPECT_EQ(count(v, [](const auto& o) { return o.replies.empty(); }), 200); }},
        {"silent after 3", silentAfter,
         [&](const auto& v) {
             EXPECT_EQ(count(v, [](const auto& o) { return !o.replies.empty(); }), 3);
             EXPECT_FALSE(v[2].replies.empty());
             EXPECT_TRUE(v[3].replies.empty());
         }},
        {"only device info", onlyInfo,
         [&](const auto& v) { EXPECT_EQ(count(v, [](const auto& o) { return o.replies.empty(); }), 100); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto run = [&](std::uint64_t seed) {
            TDeviceConfig config;
            config.faults = c.faults;
            config.seed = seed;
            TSimDevice d(config);
            std::vector<TSimDevice::TOutcome> v;
            for (std::uint32_t i = 0; i < 200; ++i)
                v.push_back(i % 2 ? Ask(d, BuildShortFrame(kCmdGetMemoryBlock, MemoryBlockArgs(i)))
                                  : Ask(d, BuildShortFrame(kCmdGetDeviceInfo, {})));
            return v;
        };
        const auto first = run(7);
        c.check(first);
        const auto signature = [](const std::vector<TSimDevice::TOutcome>& v) {
            std::string s;
            for (const auto& o : v)
                s += o.note + ";";
            return s;
        };
        EXPECT_EQ(signature(run(7)), signature(first));
        if ((c.faults.drop > 0 && c.faults.drop < 1) || c.faults.corrupt > 0) {
            EXPECT_NE(signature(run(8)), signature(first));
        }
    }

    // Refused card records: N O, nothing kept.
    TDeviceConfig refusing;
    refusing.faults.refuseCards = true;
    TSimDevice d(refusing);
    EXPECT_EQ(Ack(Ask(d, UserRecord(5, 500, true))), "NO");
    EXPECT_FALSE(d.Card(5).has_value());
    EXPECT_FALSE(d.SwipeTicket(5, true, NOW));
}

TEST(SimDevice, ScriptedFaultsFireOncePerDownload) {
    TFaults lose, stale, twice, hold, swipe;
    lose.loseThenCopy = {{2, 200}};
    stale.staleFirst = {{2, 0, 150}};
    twice.answerTwice = {{2, 40}, {9, 50}}; // block 9 is never asked for
    hold.hold = {{2, 300}};
    hold.drop = 1; // random faults skip what a scripted one shapes
    hold.onlyCommands = "GB";
    swipe.swipeDuring = {{3, 2}, {2, 1}};
    // Replies per request as what they carry (i: device info, n: block n as held then)
    // @ delay, "*" for a scripted note; then the logged types and the block of the log head.
    const struct {
        const char* name;
        TFaults faults;
        const char* expected;
    } cases[] = {
        {"lose then copy", lose, "i@0 3@0 3@200* 2@0 i@0 3@0 3@200* | next 3"},
        {"stale first", stale, "i@0 3@0 0@0,2@150* 2@0 i@0 3@0 0@0,2@150* | next 3"},
        {"answer twice", twice, "i@0 3@0 2@0,2@40* 2@0 i@0 3@0 2@0,2@40* | next 3"},
        {"hold", hold, "i@0 - 2@300* - i@0 - 2@300* | next 3"},
        {"swipe during", swipe, "i@0 3@0* 2@0* 2@0 i@0 3@0* 2@0* | 5 10 5 10 5 10 next 4"},
    };
    for (const auto& c : cases) {
        TDeviceConfig config;
        config.users = 4; // cards fill block 2 and the start of 3, where the log starts
        config.cards = {{7, 700, true}, {8, 800, true}, {9, 900, true}, {10, 1000, true}};
        config.faults = c.faults;
        TSimDevice d(config);
        std::string got;
        for (int block : {-1, 3, 2, 2, -1, 3, 2}) {
            const auto o = Ask(d, block < 0 ? BuildShortFrame(kCmdGetDeviceInfo, {})
                                            : BuildShortFrame(kCmdGetMemoryBlock, MemoryBlockArgs(block)));
            std::string replies;
            for (const auto& r : o.replies) {
                std::string what = r.frame == d.DeviceInfoReply() ? "i" : "?";
                for (std::uint32_t k = 0; k < 4; ++k)
                    if (r.frame == d.BlockReply(k)) what = std::to_string(k);
                replies += (replies.empty() ? "" : ",") + what + "@" + std::to_string(r.delayMs);
            }
            got += (replies.empty() ? "-" : replies) +
                   (o.note.find("scripted") != std::string::npos ? "* " : " ");
        }
        got += "|";
        for (const TLogSlot& r : d.Records())
            got += " " + std::to_string(r.eventType) + (r.card == 7 ? "" : "?");
        EXPECT_EQ(got + " next " + std::to_string(d.NextRecordBlock()), c.expected) << c.name;
    }
}

TEST(SimDevice, SwipeFileRecordsAreLoadedAsTheyAre) {
    const std::string path = TempFile("swipes.txt");
    {
        std::ofstream out(path);
        out << "# date time type card [index]\n"
               "2017-03-12 07:30:05 15 999 300\n"
               "\n"
               "2017-03-12 16:00:00 16 999   # next index\n"
               "2000-00-00 00:00:00 5 1\n"
               "2099-01-01 00:00:00 10 -1 2147483648\n";
    }
    TDeviceConfig c;
    c.swipeFiles = {path};
    TSimDevice d(c);
    const auto r = d.Records();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].index, 300u);
    EXPECT_EQ(r[0].card, 999u);
    EXPECT_EQ(r[0].eventType, 15);
    EXPECT_EQ(Time(r[0]), "2017-03-12 07:30:05");
    EXPECT_EQ(r[1].index, 301u);
    EXPECT_EQ(Time(r[2]), "2000-00-00 00:00:00");
    EXPECT_EQ(r[3].card, 0xFFFFFFFFu);
    EXPECT_EQ(r[3].index, 0x80000000u);
    // The bytes in the image follow the 15-byte record format.
    const std::uint8_t* slot = &d.Image()[d.LogOffset()];
    EXPECT_EQ(std::vector<std::uint8_t>(slot, slot + 15),
              (std::vector<std::uint8_t>{0, 0, 1, 0x2C, 0, 0, 3, 0xE7, 0x0F, 7, 0x1E, 5, 0x0C, 3, 0x11}));

    {
        std::ofstream out(path);
        out << "2017-03-12 07:30 15 999\n";
    }
    TSimServer server({c});
    std::string error;
    EXPECT_FALSE(server.Start(&error));
    EXPECT_NE(error.find(":1:"), std::string::npos) << error;
    std::filesystem::remove(path);
}

TEST(SimOptions, CommandLine) {
    const TSimOptions o = ParseOptions({"--memory",
                                        "4096",
                                        "--seed=9",
                                        "--trace",
                                        "t.txt",
                                        "--card",
                                        "1:100",
                                        "--listen",
                                        "127.0.0.2:5001",
                                        "--model",
                                        "Tarmisoni",
                                        "--card",
                                        "2:200:inactive",
                                        "--swipes",
                                        "2026-11-30..2026-12-04",
                                        "--drop",
                                        "0.5",
                                        "--fault-commands",
                                        "GB",
                                        "--listen",
                                        "127.0.0.3:5002",
                                        "--silent-after",
                                        "4",
                                        "--delay",
                                        "100:0.5",
                                        "--swipe-codes",
                                        "7,8",
                                        "--swipes",
                                        "2026-12-01..2026-12-01",
                                        "--relay-delays",
                                        "3,4",
                                        "--duplicate",
                                        "200",
                                        "--refuse-cards",
                                        "--hold",
                                        "3:300",
                                        "--answer-twice",
                                        "9",
                                        "--stale-first=3:2:150",
                                        "--swipe-during",
                                        "2",
                                        "--lose-then-copy",
                                        "3:200"});
    ASSERT_EQ(o.devices.size(), 2u);
    EXPECT_EQ(o.traceFile, "t.txt");
    const TDeviceConfig& a = o.devices[0];
    const TDeviceConfig& b = o.devices[1];
    EXPECT_EQ(a.address, "127.0.0.2");
    EXPECT_EQ(a.port, 5001);
    EXPECT_EQ(a.model, "Tarmisoni");
    EXPECT_EQ(a.memorySize, 4096u);
    EXPECT_EQ(a.seed, 9u);
    ASSERT_EQ(a.cards.size(), 2u);
    EXPECT_FALSE(a.cards[1].active);
    ASSERT_TRUE(a.swipes.has_value());
    EXPECT_EQ(a.swipes->tickets, (std::vector<std::uint32_t>{1, 2})); // default: every card
    EXPECT_EQ(a.faults.drop, 0.5);
    EXPECT_EQ(a.faults.onlyCommands, "GB");
    EXPECT_EQ(b.port, 5002);
    EXPECT_EQ(b.model, "Koldar");
    EXPECT_EQ(b.memorySize, 4096u); // from before the first --listen
    ASSERT_EQ(b.cards.size(), 1u);
    EXPECT_EQ(b.faults.drop, 0);
    EXPECT_EQ(b.faults.silentAfter, 4);
    EXPECT_EQ(b.faults.delayMs, 100);
    EXPECT_EQ(b.faults.delayChance, 0.5);
    EXPECT_EQ(b.faults.duplicateMs, 200);
    EXPECT_TRUE(b.faults.refuseCards);
    EXPECT_EQ(b.delayR1, 3);
    ASSERT_TRUE(b.swipes.has_value());
    EXPECT_TRUE(b.swipes->tickets.empty());
    EXPECT_EQ(b.swipes->codes, (std::vector<std::uint32_t>{7, 8}));
    EXPECT_TRUE(a.faults.hold.empty());
    ASSERT_EQ(b.faults.hold.size() + b.faults.answerTwice.size() + b.faults.staleFirst.size() +
                  b.faults.swipeDuring.size() + b.faults.loseThenCopy.size(),
              5u);
    EXPECT_EQ(b.faults.hold[0].ms, 300);
    EXPECT_EQ(b.faults.answerTwice[0].block, 9u);
    EXPECT_EQ(b.faults.answerTwice[0].ms, 0);
    EXPECT_EQ(b.faults.staleFirst[0].source, 2u);
    EXPECT_EQ(b.faults.swipeDuring[0].count, 1);
    EXPECT_EQ(b.faults.loseThenCopy[0].ms, 200);

    EXPECT_TRUE(ParseOptions({"--help"}).help);
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"--listen", "127.0.0.2"},
        {"--listen", "127.0.0.2:70000"},
        {"--listen", "127.0.0.2:1", "--drop", "1.5"},
        {"--listen", "127.0.0.2:1", "--card", "0:5"},
        {"--listen", "127.0.0.2:1", "--card", "1:5:gone"},
        {"--listen", "127.0.0.2:1", "--swipes", "2026-12-05..2026-12-01"},
        {"--listen", "127.0.0.2:1", "--memory", "16777216"},
        {"--listen", "127.0.0.2:1", "--bogus"},
        {"--listen", "127.0.0.2:1", "--seed"},
        {"--listen", "127.0.0.2:1", "--silent=1"},
        {"--listen", "127.0.0.2:1", "--hold", "3"},
        {"--listen", "127.0.0.2:1", "--stale-first", "3:2"},
        {"--listen", "127.0.0.2:1", "--swipe-during", "2:0"},
        {"--listen", "127.0.0.2:1", "--answer-twice", "1:2:3"},
    };
    for (const auto& args : wrong) {
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        EXPECT_THROW(ParseOptions(args), std::invalid_argument) << joined;
    }
}

TEST(SimServer, HoldsBackAndRepeatsRepliesOnTheWire) {
    TDeviceConfig c;
    c.address = "127.0.0.3";
    c.port = FreeUdpPort();
    c.faults.delayMs = 300;
    c.faults.duplicateMs = 400;
    TSimServer server({c});
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
    PlainSocket module;
    const TFrame info = BuildShortFrame(kCmdGetDeviceInfo, {});
    const auto start = std::chrono::steady_clock::now();
    module.SendTo("127.0.0.3", c.port, info.data(), info.size());
    const auto first = module.Receive();
    const auto firstAt = std::chrono::steady_clock::now();
    const auto second = module.Receive();
    const auto secondAt = std::chrono::steady_clock::now();
    ASSERT_EQ(first.size(), kFrameSize);
    EXPECT_EQ(second, first);
    EXPECT_GE(firstAt - start, std::chrono::milliseconds(300));
    EXPECT_GE(secondAt - start, std::chrono::milliseconds(700));
    EXPECT_EQ(server.RequestsReceived(), 1);
}

// The executable itself: it starts, answers, traces each request and stops.
TEST(SimProgram, TracesEveryRequest) {
    // ctest names the program folder; run by hand, the tests sit beside the program.
    const char* binDir = std::getenv("HORLO_BIN_DIR");
    const std::string program = (binDir ? std::filesystem::path(binDir)
                                        : std::filesystem::read_symlink("/proc/self/exe").parent_path()) /
                                "horlo-devicesim";
    const std::string trace = TempFile("program-trace.txt");
    const int port = FreeUdpPort();
    const std::string listen = "127.0.0.2:" + std::to_string(port);
    std::vector<std::string> args = {program, "--trace", trace, "--listen", listen, "--exit-after", "20"};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ), 0);

    PlainSocket module;
    const TFrame info = BuildShortFrame(kCmdGetDeviceInfo, {});
    // The device may still be starting: ask until it answers.
    std::vector<std::uint8_t> reply;
    module.SetTimeout(std::chrono::milliseconds(200));
    for (int attempt = 0; attempt < 100 && reply.empty(); ++attempt) {
        module.SendTo("127.0.0.2", port, info.data(), info.size());
        reply = module.Receive();
    }
    module.SetTimeout(std::chrono::seconds(5));
    ASSERT_EQ(reply.size(), kFrameSize);
    EXPECT_TRUE(FrameCrcOk(reply.data()));
    module.SendTo("127.0.0.2", port, info.data(), 75);
    TFrame bad = info;
    bad[75] ^= 1;
    module.SendTo("127.0.0.2", port, bad.data(), bad.size());
    const TFrame block = BuildShortFrame(kCmdGetMemoryBlock, MemoryBlockArgs(1));
    module.SendTo("127.0.0.2", port, block.data(), block.size());
    EXPECT_EQ(module.Receive().size(), kFrameSize);

    ::kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    const std::string lines = ReadAll(trace);
    const std::string prefix = "device=" + listen + " from=127.0.0.1:" + std::to_string(module.Port());
    EXPECT_NE(
        lines.find(prefix +
                   " len=76 cmd=GE status=0000 args=00 00 00 00 00 00 00 00 -> device info, replied O K"),
        std::string::npos)
        << lines;
    EXPECT_NE(lines.find(prefix + " len=75 -> short datagram, ignored"), std::string::npos) << lines;
    EXPECT_NE(lines.find(prefix +
                         " len=76 cmd=GE status=0000 args=00 00 00 00 00 00 00 00 -> bad checksum, ignored"),
              std::string::npos)
        << lines;
    EXPECT_NE(lines.find("cmd=GB status=0000 args=02 00 00 00 01 00 00 00 -> block 1, replied O K"),
              std::string::npos)
        << lines;
    // what the device holds at the end
    EXPECT_NE(lines.find("final device=" + listen +
                         " state: clock not set, relay mode not set, delays 5,5, cards none"),
              std::string::npos)
        << lines;
    std::filesystem::remove(trace);
}

} // namespace
