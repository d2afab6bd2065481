// SPDX-License-Identifier: GPL-3.0-or-later
// The device commands against simulated doors: what each door holds afterwards and
// what the run reports for it.
#include "module/device/DeviceCommands.h"
#include "devicesim/SimServer.h"
#include "host/ui/Dialogs.h"
#include "module/data/HorloDMUnit.h"
#include "tests/device/DeviceCommandsFixture.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

using devicetest::DoorsFixture;

namespace {

struct CommandsFixture : DoorsFixture {
    TDeviceProtocol protocol{0};
    TDeviceCommands commands{protocol};
    void SetUp() override {
        DoorsFixture::SetUp();
        commands.ReplyWaitMs = 400;
    }
    TDeviceRun SendCard(qint64 cardId) {
        return SendCardToDevices(commands, c, *HorloDM->HorloAccessPointZQ, *HorloDM->HorloAccessTicketZQ,
                                 Card(cardId));
    }
    std::vector<TAccessPoint> Doors() {
        HorloDM->HorloAccessPointZQ->Close();
        HorloDM->HorloAccessPointZQ->Open();
        return AccessPointsOf(*HorloDM->HorloAccessPointZQ);
    }
};

} // namespace

TEST_F(CommandsFixture, CardGoesToTheAllAccessDoorsUnderTicketsMadeForIt) {
    Serve({Device("127.0.0.2"), Device("127.0.0.3"), Device("127.0.0.4")});
    const TDeviceRun run = SendCard(1); // active, employee 7, no tickets yet
    ASSERT_EQ(run.doors.size(), 2u);    // the third door has no allaccess
    EXPECT_TRUE(run.AllAcknowledged());
    EXPECT_EQ(run.doors[0].answer, TDeviceAnswer::Acknowledged);
    EXPECT_EQ(run.doors[1].answer, TDeviceAnswer::Acknowledged);
    const auto tickets =
        c.Select(QStringLiteral("SELECT horloaccessticketid, horloaccesspointid, employeeid, "
                                "active FROM horloaccessticket WHERE employeecardid = 1 "
                                "ORDER BY horloaccesspointid"));
    ASSERT_EQ(tickets.rows.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(tickets.rows[i][1].toLongLong(), qint64(i + 1));
        EXPECT_EQ(tickets.rows[i][2].toLongLong(), 7);
        const auto ticket = std::uint32_t(tickets.rows[i][0].toLongLong());
        const auto held = sim->WithDevice(i, [&](const devicesim::TSimDevice& d) { return d.Card(ticket); });
        ASSERT_TRUE(held.has_value()) << i;
        EXPECT_EQ(held->code, 1001u);
        EXPECT_TRUE(held->active);
    }
    EXPECT_EQ(Replies(2), 0); // never contacted

    // sent again: the same tickets, no new ones
    EXPECT_TRUE(SendCard(1).AllAcknowledged());
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM horloaccessticket WHERE employeecardid = 1")), 2);
}

TEST_F(CommandsFixture, CardCasesWithoutEmployeeInactiveWithTicketsAndWithoutAllAccessDoors) {
    Serve({Device("127.0.0.2"), Device("127.0.0.3"), Device("127.0.0.4")});
    // an inactive card without employee: withdrawn from the doors, tickets without employee
    EXPECT_TRUE(SendCard(2).AllAcknowledged());
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM horloaccessticket WHERE employeecardid = 2 AND "
                                   "employeeid IS NULL")),
              2);
    const auto ticket = std::uint32_t(
        c.Select(QStringLiteral(
                     "SELECT MIN(horloaccessticketid) FROM horloaccessticket WHERE employeecardid = 2"))
            .rows[0][0]
            .toLongLong());
    const auto held = sim->WithDevice(0, [&](const devicesim::TSimDevice& d) { return d.Card(ticket); });
    ASSERT_TRUE(held.has_value());
    EXPECT_FALSE(held->active);

    // a card that has a ticket at one door only: that door alone gets it, no ticket is added
    const TDeviceRun k3 = SendCard(3);
    ASSERT_EQ(k3.doors.size(), 2u);
    EXPECT_EQ(k3.doors[0].answer, TDeviceAnswer::Acknowledged);
    EXPECT_EQ(k3.doors[1].answer, TDeviceAnswer::NotContacted);
    EXPECT_TRUE(k3.AllAcknowledged());
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM horloaccessticket WHERE employeecardid = 3")), 1);
    EXPECT_TRUE(sim->WithDevice(0, [](const devicesim::TSimDevice& d) { return d.Card(31).has_value(); }));

    // no door with allaccess: nothing made, nothing sent
    c.Execute(QStringLiteral("UPDATE horloaccesspoint SET allaccess = 'n'"));
    const long before = sim->RequestsReceived();
    const TDeviceRun none = SendCard(1);
    EXPECT_TRUE(none.doors.empty());
    EXPECT_FALSE(none.AllAcknowledged()); // nothing asked, nothing confirmed
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM horloaccessticket WHERE employeecardid = 1")), 0);
    EXPECT_EQ(sim->RequestsReceived(), before);
    // a withdrawn card still leaves the doors that hold its tickets
    const TDeviceRun withdrawn = SendCard(2);
    ASSERT_EQ(withdrawn.doors.size(), 2u);
    EXPECT_TRUE(withdrawn.AllAcknowledged());
}

TEST_F(CommandsFixture, TicketsAreMadeAllOrNoneAndBeforeAnyDoorIsContacted) {
    Serve({Device("127.0.0.2"), Device("127.0.0.3"), Device("127.0.0.4")});
    // the first door's endpoint cannot open: its port is held by another reader
    TDeviceProtocol other(0);
    ASSERT_TRUE(other.OpenEndpoint("127.0.0.9", port));
    const TDeviceRun run = SendCard(1);
    EXPECT_TRUE(run.abandoned);
    ASSERT_EQ(run.doors.size(), 1u);
    EXPECT_TRUE(run.doors[0].notOpened);
    EXPECT_FALSE(run.AllAcknowledged());
    EXPECT_EQ(sim->RequestsReceived(), 0);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM horloaccessticket WHERE employeecardid = 1")), 2);
    other.CloseEndpoint();

    // the second ticket cannot be stored: the first is not kept either
    c.Execute(QStringLiteral("CREATE TRIGGER no_second BEFORE INSERT ON horloaccessticket FOR EACH ROW "
                             "BEGIN IF NEW.horloaccesspointid = 2 THEN SIGNAL SQLSTATE '45000' SET "
                             "MESSAGE_TEXT = 'ticket refused'; END IF; END"));
    EXPECT_THROW(SendCard(2), EDatabaseError);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM horloaccessticket WHERE employeecardid = 2")), 0);
    EXPECT_TRUE(HorloDM->HorloAccessTicketZQ->IsEmpty()); // the list shows what is stored
    EXPECT_EQ(sim->RequestsReceived(), 0);
}

TEST_F(CommandsFixture, ClockAndRelayCommandsReachEveryDoorWithItsOwnDelaysAndTheTableMode) {
    auto a = Device("127.0.0.2"), b = Device("127.0.0.3"), s = Device("127.0.0.4");
    a.delayR1 = 3, a.delayR2 = 4;
    b.delayR1 = 6, b.delayR2 = 7;
    s.delayR1 = 9, s.delayR2 = 1;
    Serve({a, b, s});
    // door 2 is inactive and door 3 has no allaccess: both are reached
    const TDeviceRun clock = commands.SetClocks(Doors());
    EXPECT_TRUE(clock.AllAcknowledged());
    ASSERT_EQ(clock.doors.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(sim->WithDevice(i, [](const devicesim::TSimDevice& d) { return d.ClockSet(); })) << i;
        EXPECT_LE(
            std::abs(sim->WithDevice(i, [](const devicesim::TSimDevice& d) { return d.ClockOffset(); })), 2)
            << i;
    }
    struct Case {
        TRelayOperation operation;
        int outdoorMode, indoorMode;
    } cases[] = {
        {TRelayOperation::Lock, 1, 3}, {TRelayOperation::Unlock, 8, 2}, {TRelayOperation::Fire, 0, 2}};
    for (const Case& k : cases) {
        const TDeviceRun run = commands.SetRelayModes(Doors(), k.operation);
        EXPECT_TRUE(run.AllAcknowledged());
        const int expected[] = {k.outdoorMode, k.indoorMode, k.indoorMode}; // door 1 is outdoor
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_EQ(sim->WithDevice(i, [](const devicesim::TSimDevice& d) { return int(d.RelayMode()); }),
                      expected[i])
                << i;
    }
    const std::pair<int, int> delays[] = {{3, 4}, {6, 7}, {9, 1}};
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(sim->WithDevice(i,
                                  [](const devicesim::TSimDevice& d) {
                                      return std::pair<int, int>(d.DelayR1(), d.DelayR2());
                                  }),
                  delays[i]);
}

TEST_F(CommandsFixture, SilentRefusingAndDelayKeepingDoorsAreNamedAndTheOthersStillServed) {
    auto silent = Device("127.0.0.2"), noDelays = Device("127.0.0.3"), refusing = Device("127.0.0.4");
    silent.faults.silentAfter = 0;
    noDelays.faults.silentCommands = "GD";
    noDelays.delayR1 = 6, noDelays.delayR2 = 7;
    refusing.faults.refuseCommands = "ST,SD";
    refusing.faults.refuseCards = true;
    Serve({silent, noDelays, refusing});

    const TDeviceRun clock = commands.SetClocks(Doors());
    EXPECT_FALSE(clock.AllAcknowledged());
    EXPECT_EQ(clock.doors[0].answer, TDeviceAnswer::NoAnswer);
    EXPECT_EQ(clock.doors[1].answer, TDeviceAnswer::Acknowledged);
    EXPECT_EQ(clock.doors[2].answer, TDeviceAnswer::Refused);
    EXPECT_EQ(clock.Unconfirmed(), QStringLiteral("Ulaz (127.0.0.2), Server sala (127.0.0.4)"));

    // the door that never tells its delays is asked a few times and then left alone
    QElapsedTimer timer;
    timer.start();
    const TDeviceRun fire = commands.SetRelayModes(Doors(), TRelayOperation::Fire);
    EXPECT_EQ(fire.doors[1].answer, TDeviceAnswer::NoAnswer);
    EXPECT_EQ(fire.doors[1].requests, commands.RelayDelayRequests);
    EXPECT_FALSE(sim->WithDevice(1, [](const devicesim::TSimDevice& d) { return d.RelayModeSet(); }));
    EXPECT_EQ(sim->WithDevice(1, [](const devicesim::TSimDevice& d) { return int(d.DelayR1()); }), 6);
    EXPECT_EQ(fire.doors[2].answer, TDeviceAnswer::Refused);
    EXPECT_EQ(fire.Unconfirmed(),
              QStringLiteral("Ulaz (127.0.0.2), Magacin (127.0.0.3), Server sala (127.0.0.4)"));
    // each door waited for no longer than one reply wait per request
    EXPECT_LT(timer.elapsed(), 3 * commands.ReplyWaitMs + 1500);

    // a refused card record: the reply handler's text, and the door named
    c.Execute(QStringLiteral("UPDATE horloaccesspoint SET allaccess = 'y'"));
    const TDeviceRun card = SendCard(1);
    ASSERT_EQ(card.doors.size(), 3u);
    EXPECT_EQ(card.doors[2].answer, TDeviceAnswer::Refused);
    EXPECT_EQ(card.deviceErrors, QStringList{QString::fromLatin1(kUserRecordRefusedErr)});
    EXPECT_EQ(card.doors[1].answer, TDeviceAnswer::Acknowledged);

    // a door that answers quickly gets its next request at once, not after a pause
    Serve({Device("127.0.0.2"), Device("127.0.0.3"), Device("127.0.0.4")});
    commands.ReplyWaitMs = 2000;
    timer.restart();
    EXPECT_TRUE(commands.SetRelayModes(Doors(), TRelayOperation::Lock).AllAcknowledged());
    EXPECT_LT(timer.elapsed(), 2000);
}

TEST_F(CommandsFixture, ALateAnswerToARepeatedRequestIsNotTakenForTheNextOne) {
    // Delays come after 300 ms, so the first request is repeated and its answer comes
    // while the second is awaited; the second's answer comes while the mode would be.
    // Whether or not the device names the command in its replies, the mode's own
    // answer decides.
    for (const bool echo : {true, false}) {
        for (const char* mode : {"silent", "refused"}) {
            SCOPED_TRACE(std::string(echo ? "echo, " : "no echo, ") + mode);
            auto slow = Device("127.0.0.2");
            slow.faults.delayMs = 300;
            slow.faults.noEcho = !echo;
            (std::string(mode) == "silent" ? slow.faults.silentCommands : slow.faults.refuseCommands) = "SD";
            Serve({slow});
            c.Execute(QStringLiteral("DELETE FROM horloaccesspoint WHERE horloaccesspointid > 1"));
            commands.ReplyWaitMs = 600;
            commands.RelayDelayRequests = 3;
            const TDeviceRun run = commands.SetRelayModes(Doors(), TRelayOperation::Lock);
            ASSERT_EQ(run.doors.size(), 1u);
            EXPECT_EQ(run.doors[0].answer,
                      std::string(mode) == "silent" ? TDeviceAnswer::NoAnswer : TDeviceAnswer::Refused);
            EXPECT_FALSE(run.AllAcknowledged());
        }
    }
}
