// SPDX-License-Identifier: GPL-3.0-or-later
// Downloads from simulated devices on loopback into a fresh database: what is
// stored must be exactly the records the devices hold, whatever the line does.
#include "module/device/LogDownload.h"
#include "devicesim/SimServer.h"
#include "host/data/SysUtils.h"
#include "host/data/ZQuery.h"
#include "tests/device/LoopbackTools.h"
#include "tests/device/SimTools.h"
#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include <functional>
#include <map>
#include <set>
#include <thread>
#include <tuple>

using devicesim::TDeviceConfig;
using devicesim::TSimServer;

namespace {

using Row = std::tuple<qint64, QString, int, qint64>; // deviceindex, eventtime, type, cardcode

struct DownloadFixture : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    const int port = devicetest::FreeUdpPort();
    const QDate today = Now().date();
    std::unique_ptr<TSimServer> sim;

    void SetUp() override {
        // two readable doors and one whose log is not read
        c.Execute(
            QStringLiteral(
                "INSERT INTO horloaccesspoint (horloaccesspointid, name, macaddress, localip, publicip, "
                "udpport, tcpport, readaccess) VALUES (1, 'A', 'm', '127.0.0.2', '-', %1, 0, 'y'), "
                "(2, 'B', 'm', '127.0.0.3', '-', %1, 0, 'y'), (3, 'C', 'm', '127.0.0.4', '-', %1, 0, 'n')")
                .arg(port));
    }
    void TearDown() override {
        if (sim) sim->Stop();
    }

    TDeviceConfig Device(const char* address, std::uint32_t memory = 4096, std::uint16_t users = 4) {
        return devicetest::SwipingDevice(address, port, {{11, 1001, true}, {12, 1002, true}}, 9, memory,
                                         users);
    }
    void Serve(std::vector<TDeviceConfig> devices) {
        if (sim) sim->Stop();
        sim = std::make_unique<TSimServer>(std::move(devices));
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
    }

    std::set<Row> Held(std::size_t device) {
        std::set<Row> rows;
        sim->WithDevice(device, [&](const devicesim::TSimDevice& d) {
            for (const auto& r : d.Records()) {
                const QString time = QStringLiteral("20%1-%2-%3 %4:%5:%6")
                                         .arg(r.year, 2, 10, QLatin1Char('0'))
                                         .arg(r.month, 2, 10, QLatin1Char('0'))
                                         .arg(r.day, 2, 10, QLatin1Char('0'))
                                         .arg(r.hour, 2, 10, QLatin1Char('0'))
                                         .arg(r.minute, 2, 10, QLatin1Char('0'))
                                         .arg(r.second, 2, 10, QLatin1Char('0'));
                rows.insert({qint64(r.index), time, r.eventType, qint64(std::int32_t(r.card))});
            }
        });
        return rows;
    }
    std::set<Row> Stored(int accessPoint) {
        std::set<Row> rows;
        for (const auto& r :
             c.Select(QStringLiteral("SELECT deviceindex, eventtime, employeeeventtypeid, cardcode FROM "
                                     "employeeeventraw WHERE horloaccesspointid = %1")
                          .arg(accessPoint))
                 .rows)
            rows.insert({r[0].toLongLong(), SqlDateTime(r[1].toDateTime()), r[2].toInt(), r[3].toLongLong()});
        return rows;
    }
    qint64 Mark(int accessPoint) {
        return c
            .Select(QStringLiteral(
                        "SELECT currentdeviceindex FROM horloaccesspoint WHERE horloaccesspointid = %1")
                        .arg(accessPoint))
            .rows[0][0]
            .toLongLong();
    }

    // Runs a chain the way a dialog would: the devices are read on the listener
    // thread, and each finished one is stored here.
    struct Run {
        std::vector<std::pair<qint64, TDownloadOutcome>> outcomes;
        bool ended = false;
    };
    Run Import(TEventImport& chain, std::chrono::seconds limit = std::chrono::seconds(60)) {
        Run run;
        chain.OnDeviceFinished = [&](const TAccessPoint& ap, const TDownloadOutcome& o) {
            run.outcomes.emplace_back(ap.id, o);
        };
        chain.OnChainEnded = [&] { run.ended = true; };
        if (!chain.Begin()) return run;
        const auto until = std::chrono::steady_clock::now() + limit;
        while (!run.ended && std::chrono::steady_clock::now() < until) {
            chain.Step();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return run;
    }
    std::vector<TAccessPoint> AccessPoints() {
        TZQuery q(&c);
        q.SetSQL(QStringLiteral("SELECT * FROM horloaccesspoint ORDER BY horloaccesspointid"));
        q.Open();
        return ReadableAccessPoints(q);
    }
    // A short wait for the device information; a block's request waits as long as a
    // device on a network would be given, so that copies 1-5 ms late come before it.
    void Fast(TEventImport& chain) {
        chain.Download().Reader().InfoWaitMs = 50;
        chain.Download().Reader().DeadlineMs = 20;
        chain.Download().Reader().NoAnswerMs = 1000;
    }
};

} // namespace

TEST_F(DownloadFixture, ReadsEveryReadableDeviceCompletelyInOrder) {
    Serve({Device("127.0.0.2"), Device("127.0.0.3"), Device("127.0.0.4")});
    TDeviceProtocol protocol(rsIdle);
    TEventImport chain(protocol, c);
    Fast(chain);
    chain.SetAccessPoints(AccessPoints());
    ASSERT_EQ(chain.AccessPoints().size(), 2u);
    const Run run = Import(chain);
    ASSERT_TRUE(run.ended);
    ASSERT_EQ(run.outcomes.size(), 2u);
    EXPECT_EQ(run.outcomes[0].first, 1);
    EXPECT_EQ(run.outcomes[1].first, 2);
    for (const auto& [id, outcome] : run.outcomes) {
        EXPECT_TRUE(outcome.ok) << outcome.error.toStdString();
        EXPECT_EQ(outcome.blocks, 4096u / 64); // the last block as well
    }
    EXPECT_FALSE(Held(0).empty());
    EXPECT_EQ(Stored(1), Held(0));
    EXPECT_EQ(Stored(2), Held(1));
    EXPECT_EQ(sim->WithDevice(2, [](const devicesim::TSimDevice& d) { return d.RepliesSent(); }),
              0); // never asked
    EXPECT_EQ(Mark(1), std::get<0>(*Held(0).rbegin()));

    // a second import stores nothing new
    TEventImport again(protocol, c);
    Fast(again);
    again.SetAccessPoints(AccessPoints());
    const Run second = Import(again);
    ASSERT_TRUE(second.ended);
    EXPECT_EQ(second.outcomes[0].second.decoded.stored, 0);
    EXPECT_EQ(second.outcomes[1].second.decoded.stored, 0);
    EXPECT_EQ(Stored(1), Held(0));
}

TEST_F(DownloadFixture, SmallMemoryIsReadToItsLastBlock) {
    // 256 bytes, no user records: eight slots from byte 128, the last four in block 3
    TDeviceConfig d = Device("127.0.0.2", 256, 0);
    d.swipes.reset();
    Serve({d});
    sim->WithDevice(0, [](devicesim::TSimDevice& dev) {
        for (int k = 0; k < 8; ++k)
            dev.AppendRecord({0, 1001, 15, 8, std::uint8_t(k), 0, 1, 3, 24});
    });
    TDeviceProtocol protocol(rsIdle);
    TEventImport chain(protocol, c);
    Fast(chain);
    chain.SetAccessPoints({AccessPoints()[0]});
    const Run run = Import(chain);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.outcomes[0].second.blocks, 4u);
    EXPECT_EQ(Stored(1).size(), 8u);
    EXPECT_EQ(Stored(1), Held(0));
}

TEST_F(DownloadFixture, FaultyLinesStillGiveTheExactImage) {
    using devicesim::TFaults;
    struct Case {
        const char* name;
        std::function<void(TFaults&)> set;
    } cases[] = {
        {"bad checksums", [](TFaults& f) { f.corrupt = 0.3; }},
        {"lost replies", [](TFaults& f) { f.drop = 0.1; }},
        {"late copies", [](TFaults& f) { f.duplicateMs = 3, f.duplicateChance = 0.5; }},
        {"copies later than the window", [](TFaults& f) { f.duplicateMs = 12; }},
        {"replies after the deadline", [](TFaults& f) { f.delayMs = 60, f.delayChance = 0.1; }},
        {"all at once",
         [](TFaults& f) { f.drop = 0.05, f.corrupt = 0.1, f.duplicateMs = 4, f.duplicateChance = 0.3; }},
    };
    std::uint64_t seed = 1;
    for (const Case& k : cases) {
        c.Execute(QStringLiteral("DELETE FROM employeeeventraw"));
        c.Execute(QStringLiteral("UPDATE horloaccesspoint SET currentdeviceindex = 0"));
        TDeviceConfig d = Device("127.0.0.2", 2048);
        k.set(d.faults);
        d.faults.onlyCommands = "GB";
        d.seed = ++seed;
        Serve({d});
        TDeviceProtocol protocol(rsIdle);
        TEventImport chain(protocol, c);
        Fast(chain);
        chain.SetAccessPoints({AccessPoints()[0]});
        const Run run = Import(chain);
        ASSERT_TRUE(run.ended) << k.name;
        ASSERT_TRUE(run.outcomes[0].second.ok)
            << k.name << ": " << run.outcomes[0].second.error.toStdString();
        EXPECT_EQ(Stored(1), Held(0)) << k.name;
    }
}

// What a device holds that the decoding rules store above `mark`, from the slots that lie
// in the whole blocks of its memory: a new index, a real time, dated from 2017-02-07 to today.
std::set<Row> Storable(const devicesim::TSimDevice& d, qint64 mark) {
    std::set<Row> rows;
    const std::size_t readable = d.Image().size() / kMemBlockSize * kMemBlockSize;
    for (std::uint32_t k = 0; k < d.LogSlots(); ++k) {
        const std::size_t at = LogSlotOffset(d.Config().users, k);
        if (at + kLogSlotSize > readable) break;
        const TLogRecord r = TLogRecord::FromBytes(&d.Image()[at]);
        if (r.index <= mark || r.IsEmpty() || !r.HasValidTime()) continue;
        const QDate day(2000 + r.year, r.month, r.day);
        if (day < QDate(2017, 2, 7) || day > Now().date()) continue;
        rows.insert({qint64(r.index), r.TimeText(), r.eventType, qint64(r.cardCode)});
    }
    return rows;
}

// Lines scripted block by block on the simulated devices, and devices laid out any way,
// in real time: each ends with exactly what the decoding rules keep of what the device
// holds stored and the mark at its newest such record, or with nothing stored, the
// reason, and the mark where it was.
TEST_F(DownloadFixture, ScriptedLinesEndExactWithTheRightMark) {
    using devicesim::TFaults;
    using devicesim::TSimDevice;
    // 4 users: the log starts at byte 212; after 19 records the next one begins at
    // byte 497 in block 7 and the one after it at byte 512, the start of block 8.
    constexpr std::uint32_t kLast = 2048 / 64 - 1, kHead = 8;
    constexpr qint64 kGarbage = 889'193'158;
    const QDate yesterday = Now().date().addDays(-1);
    const auto at = [](std::uint32_t index, int year, int month, int day, int minute = 0) {
        return TLogSlot{index,
                        1001,
                        15,
                        8,
                        std::uint8_t(minute),
                        0,
                        std::uint8_t(day),
                        std::uint8_t(month),
                        std::uint8_t(year - 2000)};
    };
    // records 1-20 in slots 40-59: the first one lies in block 12 with the slot before it
    const auto headInBlock12 = [&](TSimDevice& dev) {
        for (std::uint32_t i = 1; i <= 20; ++i)
            dev.PlaceRecord(39 + i, at(i, 2024, 3, 1, int(i)));
    };
    struct Case {
        const char* name;
        std::function<void(TFaults&)> set;
        int records = 19;             // 130 fill the ring of 122 slots, the last block too
        qint64 markBefore = 0;        // a mark, and a raw row there, from an earlier import
        const char* reason = nullptr; // nothing stored, for this reason
        const char* warning = "";     // stored, with this said about it
        std::function<void(TSimDevice&)> fill = nullptr; // the log laid out so, instead of `records`
        std::uint32_t memory = 2048;
        std::uint16_t users = 4;
        std::uint32_t logSlots = 0; // 0: as many as fit
        bool resetAndAgain = false; // then set back to 0 by hand and imported again
    } cases[] = {
        // clang-format off
        {"lost reply of the first block and a copy 30 ms later", [](TFaults& f) { f.loseThenCopy = {{0, 30}}; }},
        {"lost reply of a middle block and a copy 30 ms later", [](TFaults& f) { f.loseThenCopy = {{6, 30}}; }},
        {"lost reply of the last block and a copy 30 ms later", [](TFaults& f) { f.loseThenCopy = {{kLast, 30}}; }, 130},
        {"stale copy 3 ms before the last block's reply", [](TFaults& f) { f.staleFirst = {{kLast, 0, 3}}; }, 130},
        {"stale copy 10 ms before the last block's reply", [](TFaults& f) { f.staleFirst = {{kLast, 0, 10}}; }, 130},
        {"stale copy 40 ms before the last block's reply", [](TFaults& f) { f.staleFirst = {{kLast, 0, 40}}; }, 130},
        {"stale copy before the reply at the head", [](TFaults& f) { f.staleFirst = {{kHead - 1, 5, 20}}; }},
        {"a reply answered twice", [](TFaults& f) { f.answerTwice = {{5, 4}}; }},
        {"a reply held 300 ms", [](TFaults& f) { f.hold = {{4, 300}}; }},
        {"two swipes across the frontier", [](TFaults& f) { f.swipeDuring = {{kHead, 2}}; }},
        {"a device reset below the mark", nullptr, 19, 500, "samo do rednog broja 19"},
        {"a garbage index stored before", nullptr, 19, kGarbage, "samo do rednog broja 19"},
        {"records overwritten before the read", nullptr, 130, 5, nullptr, "Zapisi od 6 do 8 su u uređaju prepisani"},
        {"mark 0, the head block's reply lost and the one before copied 1 ms late",
         [](TFaults& f) { f.loseThenCopy = {{12, 1}}; }, 0, 0, nullptr, "", headInBlock12},
        {"mark 0, the head block's reply lost and the one before copied 2 ms late",
         [](TFaults& f) { f.loseThenCopy = {{12, 2}}; }, 0, 0, nullptr, "", headInBlock12},
        {"mark 0, the head block's reply lost and the one before copied 5 ms late",
         [](TFaults& f) { f.loseThenCopy = {{12, 5}}; }, 0, 0, nullptr, "", headInBlock12},
        {"records the rules skip and slots out of order", nullptr, 0, 100, nullptr, "",
         [&](TSimDevice& dev) {
             for (std::uint32_t i = 99; i <= 108; ++i) dev.PlaceRecord(i - 99, at(i, 2024, 3, 1, int(i - 99)));
             dev.PlaceRecord(10, at(0, 2024, 3, 1, 10));    // index 0
             dev.PlaceRecord(11, {109, 1001, 15, 0, 0, 0, 0, 0, 0}); // no time
             dev.PlaceRecord(12, at(110, 2024, 13, 1));      // month 13
             dev.PlaceRecord(13, at(111, 2017, 2, 6));       // before the first day kept
             dev.PlaceRecord(15, at(112, yesterday.year(), yesterday.month(), yesterday.day()));
         }, 512, 4, 16},
        {"older records in later slots", nullptr, 0, 0, nullptr, "",
         [&](TSimDevice& dev) {
             for (std::uint32_t i : {3u, 4u}) dev.PlaceRecord(i - 3, at(i, 2024, 3, 1, int(i)));
             for (std::uint32_t i : {1u, 2u}) dev.PlaceRecord(i + 4, at(i, 2024, 3, 1, int(i)));
         }, 512, 7, 9},
        {"memory not a multiple of 64, the ring full", nullptr, 130, 0, nullptr, "", nullptr, 2000},
        {"mark set back by hand on a full device", nullptr, 130, 0, nullptr, "", nullptr, 2048, 4, 0, true},
        // clang-format on
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        c.Execute(QStringLiteral("DELETE FROM employeeeventraw"));
        c.Execute(QStringLiteral("UPDATE horloaccesspoint SET currentdeviceindex = %1").arg(k.markBefore));
        if (k.markBefore)
            c.Execute(
                QStringLiteral("INSERT INTO employeeeventraw (eventtime, employeeeventtypeid, "
                               "horloaccesspointid, cardcode, deviceindex) VALUES (NOW(), 15, 1, 1, %1)")
                    .arg(k.markBefore));
        TDeviceConfig d = Device("127.0.0.2", k.memory, k.users);
        if (k.logSlots) d.logSlots = k.logSlots;
        d.swipes.reset();
        if (k.set) k.set(d.faults);
        Serve({d});
        sim->WithDevice(0, [&](TSimDevice& dev) {
            if (k.fill) return k.fill(dev);
            for (int n = 0; n < k.records; ++n)
                dev.AppendRecord({0, 1001, 15, 8, std::uint8_t(n % 60), std::uint8_t(n / 60), 1, 3, 24});
        });
        if (k.records == 19 && !k.fill) {
            ASSERT_EQ(sim->WithDevice(0, [](const TSimDevice& dev) { return dev.NextRecordBlock(); }),
                      kHead - 1);
        }
        TDeviceProtocol protocol(rsIdle);
        TEventImport chain(protocol, c);
        Fast(chain);
        chain.SetAccessPoints({AccessPoints()[0]});
        const Run run = Import(chain);
        ASSERT_TRUE(run.ended);
        // what the device holds at the end, swipes during the read included
        const std::set<Row> expected =
            sim->WithDevice(0, [&](const TSimDevice& dev) { return Storable(dev, k.markBefore); });
        TDownloadOutcome outcome = run.outcomes[0].second;
        if (k.reason) {
            EXPECT_FALSE(outcome.ok);
            EXPECT_EQ(outcome.failure, TDownloadFailure::Mark);
            EXPECT_TRUE(outcome.error.contains(QString::fromUtf8(k.reason))) << outcome.error.toStdString();
            EXPECT_EQ(Stored(1).size(), 1u);
            EXPECT_EQ(Mark(1), k.markBefore);
            // set back by hand, the door imports again; the row above the device stays
            // where it is and no longer pulls the mark up
            ResetDeviceMark(c, 1, 0);
            TEventImport again(protocol, c);
            Fast(again);
            again.SetAccessPoints({AccessPoints()[0]});
            ASSERT_TRUE(Import(again).ended);
            c.Execute(
                QStringLiteral("DELETE FROM employeeeventraw WHERE deviceindex = %1").arg(k.markBefore));
            EXPECT_EQ(Stored(1), Held(0));
            EXPECT_EQ(Mark(1), std::get<0>(*Held(0).rbegin()));
        } else {
            if (k.resetAndAgain) {
                ASSERT_TRUE(outcome.ok) << outcome.error.toStdString();
                ResetDeviceMark(c, 1, 0);
                TEventImport again(protocol, c);
                Fast(again);
                again.SetAccessPoints({AccessPoints()[0]});
                const Run second = Import(again);
                ASSERT_TRUE(second.ended);
                outcome = second.outcomes[0].second;
                // found stored already, said so, and not stored twice
                EXPECT_EQ(outcome.decoded.alreadyStored, int(expected.size()));
                EXPECT_TRUE(OutcomeText(outcome).contains(QStringLiteral("već bili upisani")));
                EXPECT_EQ(outcome.decoded.stored, 0);
            } else {
                EXPECT_EQ(outcome.decoded.stored, int(expected.size()));
            }
            EXPECT_TRUE(outcome.ok) << outcome.error.toStdString();
            EXPECT_EQ(outcome.warning.left(QString::fromUtf8(k.warning).size()), QString::fromUtf8(k.warning))
                << outcome.warning.toStdString();
            EXPECT_EQ(outcome.warning.isEmpty(), !*k.warning);
            c.Execute(
                QStringLiteral("DELETE FROM employeeeventraw WHERE deviceindex = %1").arg(k.markBefore));
            EXPECT_EQ(Stored(1), expected);
            EXPECT_EQ(Mark(1), std::get<0>(*expected.rbegin()));
        }
    }
}

TEST_F(DownloadFixture, FailedDevicesStoreNothingAndKeepTheirMark) {
    c.Execute(
        QStringLiteral("UPDATE horloaccesspoint SET currentdeviceindex = 3 WHERE horloaccesspointid = 1"));
    using devicesim::TFaults;
    struct Case {
        const char* name;
        std::function<void(TFaults&)> set;
        std::uint32_t memory;
    } cases[] = {
        {"falls silent in the middle", [](TFaults& f) { f.silentAfter = 10; }, 4096},
        {"checksums never right", [](TFaults& f) { f.corrupt = 1, f.onlyCommands = "GB"; }, 4096},
        {"no device information", [](TFaults& f) { f.silentAfter = 0; }, 4096},
        {"memory too small", [](TFaults&) {}, 64},
    };
    for (const Case& k : cases) {
        TDeviceConfig d = Device("127.0.0.2", k.memory, k.memory < 128 ? 0 : 4);
        k.set(d.faults);
        Serve({d, Device("127.0.0.3")});
        TDeviceProtocol protocol(rsIdle);
        TEventImport chain(protocol, c);
        Fast(chain);
        chain.SetAccessPoints(AccessPoints());
        const Run run = Import(chain);
        ASSERT_TRUE(run.ended) << k.name;
        ASSERT_EQ(run.outcomes.size(), 2u) << k.name; // the chain goes on past the failing device
        EXPECT_TRUE(run.outcomes[1].second.ok) << k.name;
        EXPECT_FALSE(run.outcomes[0].second.ok) << k.name;
        EXPECT_FALSE(run.outcomes[0].second.error.isEmpty()) << k.name;
        EXPECT_TRUE(Stored(1).empty()) << k.name;
        EXPECT_EQ(Mark(1), 3) << k.name;
    }
    // the line is good again: the next import reads the failed device
    Serve({Device("127.0.0.2"), Device("127.0.0.3")});
    TDeviceProtocol protocol(rsIdle);
    TEventImport chain(protocol, c);
    Fast(chain);
    chain.SetAccessPoints(AccessPoints());
    const Run run = Import(chain);
    EXPECT_TRUE(run.ended);
    std::set<Row> expected;
    for (const Row& r : Held(0))
        if (std::get<0>(r) > 3) expected.insert(r);
    EXPECT_EQ(Stored(1), expected);
}

TEST_F(DownloadFixture, StoppingMidwayStoresNothingAndALaterImportIsComplete) {
    TDeviceConfig d = Device("127.0.0.2", 16384);
    d.faults.delayMs = 2; // slow enough to stop in the middle
    Serve({d});
    TDeviceProtocol protocol(rsIdle);
    {
        TEventImport chain(protocol, c);
        Fast(chain);
        chain.SetAccessPoints({AccessPoints()[0]});
        ASSERT_TRUE(chain.Begin());
        ASSERT_TRUE(devicetest::WaitFor([&] { return chain.Download().BlocksDone() > 20; }));
        chain.Stop(); // the dialog is closed
        EXPECT_FALSE(chain.Download().Outcome().ok);
        EXPECT_TRUE(Stored(1).empty());
    }
    TEventImport chain(protocol, c);
    Fast(chain);
    chain.SetAccessPoints({AccessPoints()[0]});
    const Run run = Import(chain);
    ASSERT_TRUE(run.ended) << chain.Download().Outcome().error.toStdString();
    EXPECT_EQ(Stored(1), Held(0));
}

TEST_F(DownloadFixture, CommandLineStyleChainGoesOnPastAFailure) {
    TDeviceConfig silent = Device("127.0.0.2");
    silent.faults.silentAfter = 0;
    Serve({silent, Device("127.0.0.3")});
    TDeviceProtocol protocol(rsIdle);
    TEventImport chain(protocol, c);
    Fast(chain);
    chain.SetAccessPoints(AccessPoints());
    const Run run = Import(chain);
    ASSERT_TRUE(run.ended);
    ASSERT_EQ(run.outcomes.size(), 2u);
    EXPECT_FALSE(run.outcomes[0].second.ok);
    EXPECT_TRUE(run.outcomes[1].second.ok);
    EXPECT_EQ(Stored(2), Held(1));
}

// ---------------------------------------------------------------------------------
// The guard against late, copied and stray replies, on a scripted line in simulated
// time: the device is simulated in-process and every reply reaches the download when
// the script says, so each case is exact and repeatable.

namespace {

struct ScriptedLine {
    // What the line does with one genuine block reply: `copyOf` gives the genuine
    // reply of an earlier block (for stale copies).
    using TScript =
        std::function<void(ScriptedLine& line, std::uint32_t block, int request, const TFrame& reply)>;

    devicesim::TSimDevice device;
    TDeviceProtocol protocol{rsIdle};
    TLogDownload download;
    qint64 now = 1'000'000; // microseconds
    qint64 latency = 200;
    TScript onBlock;
    bool answerInfo = true;
    int infoRequests = 0;
    std::multimap<qint64, TFrame> inFlight;  // by arrival, in sending order among equals
    std::map<std::uint32_t, TFrame> genuine; // block -> its reply
    std::map<std::uint32_t, int> requests;   // block -> requests so far

    ScriptedLine(TZConnection& c, const TDeviceConfig& config) : device(config), download(protocol, c) {
        download.OpenLine = [](const std::string&, int) { return true; }; // played here
        protocol.SetFrameSender([this](const std::string&, int, const TFrame& request) {
            const auto out = device.Handle(request.data(), request.size(), devicesim::LocalNow());
            for (const auto& reply : out.replies) {
                if (request[6] == 'G' && request[7] == 'E') {
                    if (answerInfo && ++infoRequests != lostInfoRequest) Send(reply.frame, latency);
                    continue;
                }
                const std::uint32_t block = std::uint32_t(request[11]) << 24 |
                                            std::uint32_t(request[12]) << 16 |
                                            std::uint32_t(request[13]) << 8 | request[14];
                genuine[block] = reply.frame;
                const int n = ++requests[block];
                if (onBlock)
                    onBlock(*this, block, n, reply.frame);
                else
                    Send(reply.frame, latency);
            }
            return true;
        });
    }
    void Send(const TFrame& frame, qint64 delay) { inFlight.emplace(now + delay, frame); }

    // Runs until the download has read the device, or `limit` of simulated time has
    // passed, waking the reader when a datagram arrives and when it asks; then stores.
    bool Run(const TAccessPoint& ap, qint64 limit = 600'000'000) {
        if (!download.Start(ap)) return true;
        TImageReader& reader = download.Reader();
        const qint64 until = now + limit;
        qint64 due = now;
        while (!reader.Over() && now < until) {
            qint64 next = due >= 0 ? due : until;
            if (!inFlight.empty()) next = std::min(next, inFlight.begin()->first);
            now = std::max(now, next);
            bool arrived = false;
            while (!inFlight.empty() && inFlight.begin()->first <= now) {
                const TFrame frame = inFlight.begin()->second;
                inFlight.erase(inFlight.begin());
                reader.TakeDatagram(frame.data(), frame.size(), now);
                arrived = true;
            }
            if (arrived || (due >= 0 && now >= due)) due = reader.Pump(now);
        }
        download.Finish();
        return reader.Over();
    }
    int lostInfoRequest = 0;
};

TFrame Corrupt(TFrame frame) {
    frame[75] ^= 0x5A;
    return frame;
}

} // namespace

TEST_F(DownloadFixture, GuardedLineStoresTheExactImageOrNothing) {
    const std::uint32_t last = 15; // a 16-block device
    struct Case {
        const char* name;
        ScriptedLine::TScript script;
        bool stored;        // false: the device fails and stores nothing
        const char* reason; // part of the failure's message
        int lostInfoRequest = 0;
        bool answerInfo = true;
    };
    const auto staleBefore = [](std::uint32_t at) {
        return [at](ScriptedLine& line, std::uint32_t block, int n, const TFrame& reply) {
            if (block == at && n == 1) line.Send(line.genuine[0], 50); // comes before the real one
            line.Send(reply, line.latency);
        };
    };
    const Case cases[] = {
        {"clean line", nullptr, true, ""},
        {"stale copy of block 0 while block 1 is due", staleBefore(1), true, ""},
        {"stale copy of block 0 while block 8 is due", staleBefore(8), true, ""},
        {"stale copy of block 0 while the last block is due", staleBefore(last), true, ""},
        {"copy of every reply later than the window",
         [](ScriptedLine& line, std::uint32_t, int, const TFrame& reply) {
             line.Send(reply, line.latency);
             line.Send(reply, 12'000);
         },
         true, ""},
        {"copy of every reply much later than the window",
         [](ScriptedLine& line, std::uint32_t, int, const TFrame& reply) {
             line.Send(reply, line.latency);
             line.Send(reply, 20'000 + line.latency);
         },
         true, ""},
        {"damaged copy of every reply later than the window",
         [](ScriptedLine& line, std::uint32_t, int, const TFrame& reply) {
             line.Send(reply, line.latency);
             line.Send(Corrupt(reply), 9'000);
         },
         true, ""},
        {"copy of the last reply after the read",
         [last](ScriptedLine& line, std::uint32_t block, int n, const TFrame& reply) {
             line.Send(reply, line.latency);
             if (block == last && n == 1) line.Send(line.genuine[3], 800);
         },
         true, ""},
        {"reply of block 8 after its deadline",
         [](ScriptedLine& line, std::uint32_t block, int n, const TFrame& reply) {
             line.Send(reply, block == 8 && n == 1 ? 4'500'000 : line.latency);
         },
         true, ""},
        {"reply of the last block lost",
         [last](ScriptedLine& line, std::uint32_t block, int n, const TFrame& reply) {
             if (block != last || n > 1) line.Send(reply, line.latency);
         },
         true, ""},
        {"bad checksum on the first block",
         [](ScriptedLine& line, std::uint32_t block, int n, const TFrame& reply) {
             line.Send(block == 0 && n <= 2 ? Corrupt(reply) : reply, line.latency);
         },
         true, ""},
        {"one device information reply lost", nullptr, true, "", 1},
        {"a stale datagram after every block",
         [](ScriptedLine& line, std::uint32_t, int, const TFrame& reply) {
             line.Send(reply, line.latency);
             line.Send(line.genuine[0], 2 * line.latency);
         },
         true, ""},
        {"stray traffic that never stops",
         [](ScriptedLine& line, std::uint32_t, int, const TFrame& reply) {
             line.Send(reply, line.latency);
             for (qint64 t = 1; t <= 14'000; ++t) // seven seconds
                 line.Send(reply, line.latency + t * 500);
         },
         false, "stalno stižu"},
        {"device information only", [](ScriptedLine&, std::uint32_t, int, const TFrame&) {}, false,
         "prestao da odgovara"},
        {"silent", nullptr, false, "ne odgovara — proverite napajanje i mrežu", 0, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        c.Execute(QStringLiteral("DELETE FROM employeeeventraw"));
        c.Execute(QStringLiteral("UPDATE horloaccesspoint SET currentdeviceindex = 0"));
        // a full log ring, so the last block holds records too
        ScriptedLine line(c, devicetest::SwipingDevice("127.0.0.2", port,
                                                       {{11, 1001, true}, {12, 1002, true}}, 40, 1024, 4));
        line.onBlock = k.script;
        line.lostInfoRequest = k.lostInfoRequest;
        line.answerInfo = k.answerInfo;
        ASSERT_TRUE(line.Run(AccessPoints()[0])) << "the download never ended";
        const TDownloadOutcome outcome = line.download.Outcome();
        std::set<Row> held;
        for (const auto& r : line.device.Records())
            held.insert({qint64(r.index),
                         QStringLiteral("20%1-%2-%3 %4:%5:%6")
                             .arg(r.year, 2, 10, QLatin1Char('0'))
                             .arg(r.month, 2, 10, QLatin1Char('0'))
                             .arg(r.day, 2, 10, QLatin1Char('0'))
                             .arg(r.hour, 2, 10, QLatin1Char('0'))
                             .arg(r.minute, 2, 10, QLatin1Char('0'))
                             .arg(r.second, 2, 10, QLatin1Char('0')),
                         r.eventType, qint64(std::int32_t(r.card))});
        ASSERT_GT(held.size(), 40u);
        if (k.stored) {
            EXPECT_TRUE(outcome.ok) << outcome.error.toStdString();
            EXPECT_EQ(Stored(1), held);
            EXPECT_EQ(Mark(1), std::get<0>(*held.rbegin()));
        } else {
            EXPECT_FALSE(outcome.ok);
            EXPECT_TRUE(outcome.error.contains(QString::fromUtf8(k.reason))) << outcome.error.toStdString();
            EXPECT_TRUE(Stored(1).empty());
            EXPECT_EQ(Mark(1), 0);
        }
        // only the blocks in doubt are read again, never the whole memory
        EXPECT_LE(line.download.Reader().Rereads(), 2 * (last + 1));
    }
}

TEST_F(DownloadFixture, DevicesThatCannotBeAskedFailAtOnceWithTheReason) {
    c.Execute(QStringLiteral("DELETE FROM horloaccesspoint"));
    c.Execute(
        QStringLiteral(
            "INSERT INTO horloaccesspoint (horloaccesspointid, name, macaddress, localip, publicip, "
            "udpport, tcpport, readaccess) VALUES (1, 'Ime', 'm', 'vrata-1.firma.local', '-', %1, 0, 'y'), "
            "(2, 'Van opsega', 'm', '300.1.2.3', '-', %1, 0, 'y'), (3, 'Prazno', 'm', '', '-', %1, 0, 'y'), "
            "(4, 'Port 0', 'm', '127.0.0.2', '-', 0, 0, 'y'), (5, 'Port 70000', 'm', '127.0.0.2', '-', "
            "70000, 0, 'y')")
            .arg(port));
    TDeviceProtocol protocol(rsIdle);
    TEventImport chain(protocol, c);
    chain.SetAccessPoints(AccessPoints());
    const Run run = Import(chain, std::chrono::seconds(10));
    ASSERT_TRUE(run.ended);
    ASSERT_EQ(run.outcomes.size(), 5u);
    const char* reasons[] = {"vrata-1.firma.local", "300.1.2.3", "IP adresa", "port uređaja: 0",
                             "port uređaja: 70000"};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_FALSE(run.outcomes[i].second.ok);
        EXPECT_TRUE(run.outcomes[i].second.error.contains(QString::fromUtf8(reasons[i])))
            << run.outcomes[i].second.error.toStdString();
    }

    // A request that the system refuses to send fails the device there and then.
    c.Execute(QStringLiteral("UPDATE horloaccesspoint SET localip = '127.0.0.2', udpport = %1 WHERE "
                             "horloaccesspointid = 1")
                  .arg(port));
    protocol.SetFrameSender([](const std::string&, int, const TFrame&) { return false; });
    TEventImport refused(protocol, c);
    refused.SetAccessPoints({AccessPoints()[0]});
    const Run second = Import(refused, std::chrono::seconds(10));
    ASSERT_TRUE(second.ended);
    EXPECT_FALSE(second.outcomes[0].second.ok);
    EXPECT_TRUE(second.outcomes[0].second.error.contains(QStringLiteral("nije poslat")))
        << second.outcomes[0].second.error.toStdString();
}

TEST_F(DownloadFixture, ADatabaseErrorBetweenDevicesFailsEachDeviceWithTheMessage) {
    Serve({Device("127.0.0.2"), Device("127.0.0.3")});
    TDeviceProtocol protocol(rsIdle);
    TEventImport chain(protocol, c);
    Fast(chain);
    chain.SetAccessPoints(AccessPoints());
    // the list is read; then the table the marks live in goes away
    c.Execute(QStringLiteral("RENAME TABLE horloaccesspoint TO horloaccesspoint_gone"));
    const Run run = Import(chain, std::chrono::seconds(20));
    c.Execute(QStringLiteral("RENAME TABLE horloaccesspoint_gone TO horloaccesspoint"));
    ASSERT_TRUE(run.ended);
    ASSERT_EQ(run.outcomes.size(), 2u); // one line per access point still
    for (const auto& [id, outcome] : run.outcomes) {
        EXPECT_FALSE(outcome.ok);
        EXPECT_TRUE(outcome.error.contains(QStringLiteral("horloaccesspoint")))
            << outcome.error.toStdString();
    }
    EXPECT_TRUE(Stored(1).empty());
}
