// SPDX-License-Identifier: GPL-3.0-or-later
// `horlo clock|lock|unlock|fire|card send` run as programs against simulated doors:
// their lines, exit statuses, and what the doors hold afterwards.
#include "devicesim/SimServer.h"
#include "tests/device/LoopbackTools.h"
#include "tests/support/HorloProgram.h"
#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>

namespace {

struct DeviceCliFixture : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    const int port = devicetest::FreeUdpPort();
    QString url = db.Params().ToUrl();
    std::unique_ptr<devicesim::TSimServer> sim;

    void SetUp() override {
        c.Execute(
            QStringLiteral("INSERT INTO horloaccesspoint (horloaccesspointid, name, macaddress, localip, "
                           "publicip, udpport, tcpport, active, allaccess, outdoor) VALUES "
                           "(1, 'Ulaz', 'm', '127.0.0.2', '-', %1, 0, 'y', 'y', 'y'), "
                           "(2, 'Magacin', 'm', '127.0.0.3', '-', %1, 0, 'n', 'y', 'n'), "
                           "(3, 'Server sala', 'm', '127.0.0.4', '-', %1, 0, 'y', 'n', 'n')")
                .arg(port));
        c.Execute(
            QStringLiteral("INSERT INTO employeecard (employeecardid, employeeid, cardcode, name, active) "
                           "VALUES (1, 7, 1001, 'K1', 'y'), (2, NULL, 1002, 'K2', 'n')"));
    }
    void TearDown() override {
        if (sim) sim->Stop();
    }
    devicesim::TDeviceConfig Device(const char* address, std::uint8_t r1 = 5, std::uint8_t r2 = 5) {
        devicesim::TDeviceConfig d;
        d.address = address;
        d.port = port;
        d.memorySize = 1024;
        d.users = 10;
        d.delayR1 = r1;
        d.delayR2 = r2;
        return d;
    }
    void Serve(std::vector<devicesim::TDeviceConfig> devices) {
        if (sim) sim->Stop();
        sim = std::make_unique<devicesim::TSimServer>(std::move(devices));
        ASSERT_TRUE(sim->Start());
    }
    THorloRun Horlo(const QStringList& arguments) { return RunHorlo(arguments, url); }
    template <class F> auto Held(std::size_t device, F f) {
        return sim->WithDevice(device, [&](const devicesim::TSimDevice& d) { return f(d); });
    }
    QString Line(int door, const char* text) {
        static const char* names[] = {"Ulaz (127.0.0.2", "Magacin (127.0.0.3", "Server sala (127.0.0.4"};
        return QStringLiteral("%1:%2): %3")
            .arg(QString::fromLatin1(names[door]))
            .arg(port)
            .arg(QString::fromUtf8(text));
    }
};

} // namespace

TEST_F(DeviceCliFixture, ClockAndFireReachEveryDoorAndSayWhatEachAnswered) {
    Serve({Device("127.0.0.2", 3, 4), Device("127.0.0.3", 6, 7), Device("127.0.0.4", 9, 1)});
    const THorloRun clockRun = Horlo({QStringLiteral("clock")});
    EXPECT_EQ(clockRun.status, 0) << clockRun.err.toStdString();
    EXPECT_EQ(clockRun.out, Line(0, "potvrđeno\n") + Line(1, "potvrđeno\n") + Line(2, "potvrđeno\n") +
                                QStringLiteral("Vreme je osveženo.\n"));
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(Held(i, [](const devicesim::TSimDevice& d) { return d.ClockSet(); }));
        EXPECT_LE(std::abs(Held(i, [](const devicesim::TSimDevice& d) { return d.ClockOffset(); })), 2);
    }

    struct Case {
        const char* command;
        int modes[3];
        const char* done;
    } cases[] = {{"lock", {1, 3, 3}, "Uređaji su zaključani."},
                 {"unlock", {8, 2, 2}, "Uređaji su otključani."},
                 {"fire", {0, 2, 2}, "Uređaji su slobodni za prolaz."}};
    for (const Case& k : cases) {
        const THorloRun r = Horlo({QString::fromLatin1(k.command)});
        EXPECT_EQ(r.status, 0) << k.command << r.err.toStdString();
        EXPECT_TRUE(r.out.endsWith(QString::fromUtf8(k.done) + QLatin1Char('\n'))) << r.out.toStdString();
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_EQ(Held(i, [](const devicesim::TSimDevice& d) { return int(d.RelayMode()); }), k.modes[i])
                << k.command << i;
    }
    // each door got its own delays back
    EXPECT_EQ(Held(1, [](const devicesim::TSimDevice& d) { return d.DelayR1() * 10 + d.DelayR2(); }), 67);
    EXPECT_EQ(Held(2, [](const devicesim::TSimDevice& d) { return d.DelayR1() * 10 + d.DelayR2(); }), 91);
}

TEST_F(DeviceCliFixture, FaultyDoorsMakeTheCommandFailWhileTheOthersAreServed) {
    auto silent = Device("127.0.0.2");
    silent.faults.silentAfter = 0;
    auto noDelays = Device("127.0.0.3", 6, 7);
    noDelays.faults.silentCommands = "GD";
    Serve({silent, noDelays, Device("127.0.0.4")});
    const THorloRun fire = Horlo({QStringLiteral("fire")});
    EXPECT_EQ(fire.status, 1);
    const QStringList lines = fire.out.trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3) << fire.out.toStdString();
    // said plainly, for the one who goes to look at the door
    for (int door : {0, 1})
        EXPECT_EQ(lines[door], Line(door, "ne odgovara — proverite napajanje i mrežu uređaja (režim nije poslat)"))
            << lines[door].toStdString();
    EXPECT_EQ(lines[2], Line(2, "potvrđeno"));
    EXPECT_TRUE(fire.err.contains(QStringLiteral("Uređaji nisu potvrdili komandu: Ulaz (127.0.0.2), Magacin "
                                                 "(127.0.0.3).")))
        << fire.err.toStdString();
    EXPECT_FALSE(Held(1, [](const devicesim::TSimDevice& d) { return d.RelayModeSet(); }));
    EXPECT_EQ(Held(2, [](const devicesim::TSimDevice& d) { return int(d.RelayMode()); }), 2);
}

TEST_F(DeviceCliFixture, CardSendWritesTheCardAndWithdrawsAnInactiveOne) {
    auto refusing = Device("127.0.0.3");
    refusing.faults.refuseCards = true;
    Serve({Device("127.0.0.2"), refusing, Device("127.0.0.4")});
    const THorloRun k1 = Horlo({QStringLiteral("card"), QStringLiteral("send"), QStringLiteral("K1")});
    EXPECT_EQ(k1.status, 1);
    EXPECT_EQ(k1.out, Line(0, "potvrđeno\n") + Line(1, "odbijeno\n"));
    EXPECT_TRUE(k1.err.contains(QStringLiteral("Greska! Upis korisnika NEUSPESAN!")));
    const auto tickets =
        c.Select(QStringLiteral("SELECT horloaccessticketid FROM horloaccessticket WHERE employeecardid = 1 "
                                "ORDER BY horloaccesspointid"));
    ASSERT_EQ(tickets.rows.size(), 2u);
    const auto ticket = std::uint32_t(tickets.rows[0][0].toLongLong());
    const auto held = Held(0, [&](const devicesim::TSimDevice& d) { return d.Card(ticket); });
    ASSERT_TRUE(held.has_value());
    EXPECT_EQ(held->code, 1001u);
    EXPECT_TRUE(held->active);
    EXPECT_TRUE(Held(2, [](const devicesim::TSimDevice& d) { return d.Cards().empty(); }));

    Serve({Device("127.0.0.2"), Device("127.0.0.3"), Device("127.0.0.4")});
    const THorloRun k2 = Horlo({QStringLiteral("card"), QStringLiteral("send"), QStringLiteral("K2")});
    EXPECT_EQ(k2.status, 0) << k2.err.toStdString();
    EXPECT_TRUE(k2.out.endsWith(QStringLiteral("Kartica zaposlenog je uspešno izbrisana iz uređaja.\n")));
    EXPECT_EQ(Held(0, [](const devicesim::TSimDevice& d) { return d.Cards().size(); }), 1u);
    EXPECT_FALSE(Held(0, [](const devicesim::TSimDevice& d) { return d.Cards()[0].active; }));

    struct Case {
        QStringList arguments;
        int status;
    } cases[] = {{{QStringLiteral("card")}, 2},
                 {{QStringLiteral("card"), QStringLiteral("send")}, 2},
                 {{QStringLiteral("card"), QStringLiteral("delete"), QStringLiteral("K1")}, 2},
                 {{QStringLiteral("clock"), QStringLiteral("now")}, 2},
                 {{QStringLiteral("card"), QStringLiteral("send"), QStringLiteral("K9")}, 1}};
    for (const Case& k : cases)
        EXPECT_EQ(Horlo(k.arguments).status, k.status) << k.arguments.join(' ').toStdString();
}
