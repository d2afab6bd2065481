// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Three doors on loopback and three cards, for the device command tests:
//   1 Ulaz 127.0.0.2, outdoor, allaccess; 2 Magacin 127.0.0.3, inactive, allaccess;
//   3 Server sala 127.0.0.4, no allaccess.
//   card 1 K1 (1001, employee 7, active), card 2 K2 (1002, no employee, inactive),
//   card 3 K3 (1003, employee 8, active) with ticket 31 at door 1.

#include "devicesim/SimServer.h"
#include "host/ui/Dialogs.h"
#include "module/data/HorloDMUnit.h"
#include "module/device/DeviceCommands.h"
#include "tests/device/LoopbackTools.h"
#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>

#include <memory>

namespace devicetest {

inline const char* kDoorsSql =
    "INSERT INTO horloaccesspoint (horloaccesspointid, name, macaddress, localip, publicip, udpport, "
    "tcpport, "
    "active, allaccess, outdoor) VALUES (1, 'Ulaz', 'm', '127.0.0.2', '-', %1, 0, 'y', 'y', 'y'), "
    "(2, 'Magacin', 'm', '127.0.0.3', '-', %1, 0, 'n', 'y', 'n'), "
    "(3, 'Server sala', 'm', '127.0.0.4', '-', %1, 0, 'y', 'n', 'n')";
inline const char* kCardsSql =
    "INSERT INTO employeecard (employeecardid, employeeid, cardcode, name, active) VALUES "
    "(1, 7, 1001, 'K1', 'y'), (2, NULL, 1002, 'K2', 'n'), (3, 8, 1003, 'K3', 'y')";
inline const char* kTicketsSql =
    "INSERT INTO horloaccessticket (horloaccessticketid, horloaccesspointid, employeecardid, employeeid) "
    "VALUES (31, 1, 3, 8)";

struct DoorsFixture : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    const int port = FreeUdpPort();
    std::unique_ptr<devicesim::TSimServer> sim;

    void SetUp() override {
        CreateHorloDM();
        HorloDM->SetZConnection(&c);
        TDialogScript::Reset();
        TDialogScript::SetUnattended(true);
        c.Execute(QString::fromLatin1(kDoorsSql).arg(port));
        c.Execute(QString::fromLatin1(kCardsSql));
        c.Execute(QString::fromLatin1(kTicketsSql));
    }
    void TearDown() override {
        if (sim) sim->Stop();
        TDialogScript::Reset();
        DestroyHorloDM();
    }
    devicesim::TDeviceConfig Device(const char* address) {
        devicesim::TDeviceConfig d;
        d.address = address;
        d.port = port;
        d.memorySize = 1024;
        d.users = 10;
        return d;
    }
    void Serve(std::vector<devicesim::TDeviceConfig> devices) {
        if (sim) sim->Stop();
        sim = std::make_unique<devicesim::TSimServer>(std::move(devices));
        ASSERT_TRUE(sim->Start());
    }
    long Replies(std::size_t device) {
        return sim->WithDevice(device, [](const devicesim::TSimDevice& d) { return d.RepliesSent(); });
    }
    int Count(const QString& sql) { return c.Select(sql).rows[0][0].toInt(); }
    TCardData Card(qint64 id) {
        const TResultSet rs = c.Select(
            QStringLiteral(
                "SELECT employeeid, cardcode, active, name FROM employeecard WHERE employeecardid = %1")
                .arg(id));
        TCardData card;
        card.cardId = id;
        card.employeeId = rs.rows[0][0].toLongLong();
        card.cardCode = rs.rows[0][1].toLongLong();
        const QVariant active = rs.rows[0][2];
        card.active =
            active.typeId() == QMetaType::Bool ? active.toBool() : active.toString() == QLatin1String("y");
        card.name = rs.rows[0][3].toString();
        return card;
    }
};

} // namespace devicetest
