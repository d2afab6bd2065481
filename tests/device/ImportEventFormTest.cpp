// SPDX-License-Identifier: GPL-3.0-or-later
// The import dialog as a user drives it: "Uvoz", then "Obrada", against
// simulated devices on loopback.
#include "devicesim/SimServer.h"
#include "host/data/SysUtils.h"
#include "host/ui/Dialogs.h"
#include "module/HorloResourceString.h"
#include "module/data/HorloDMUnit.h"
#include "module/device/ImportEventUnit.h"
#include "tests/device/LoopbackTools.h"
#include "tests/device/SimTools.h"
#include "tests/support/TestDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

bool WaitUntil(const std::function<bool()>& done, int limitMs = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

struct ImportFormFixture : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    const int port = devicetest::FreeUdpPort();
    std::unique_ptr<devicesim::TSimServer> sim;

    void SetUp() override {
        CreateHorloDM();
        HorloDM->SetZConnection(&c);
        TDialogScript::Reset();
        TDialogScript::SetUnattended(true);
        c.Execute(
            QStringLiteral(
                "INSERT INTO horloaccesspoint (horloaccesspointid, name, macaddress, localip, publicip, "
                "udpport, tcpport, readaccess) VALUES (1, 'Ulaz', 'm', '127.0.0.2', '-', %1, 0, 'y'), "
                "(2, 'Magacin', 'm', '127.0.0.3', '-', %1, 0, 'y'), (3, 'Sala', 'm', '127.0.0.4', "
                "'-', %1, 0, 'n')")
                .arg(port));
        c.Execute(QStringLiteral(
            "INSERT INTO employeecard (employeecardid, employeeid, cardcode, name) VALUES (1, 7, "
            "1001, 'K1')"));
        c.Execute(QStringLiteral("INSERT INTO horloaccessticket (horloaccessticketid, horloaccesspointid, "
                                 "employeecardid, employeeid) VALUES (11, 1, 1, 7), (21, 2, 1, 7)"));
    }
    void TearDown() override {
        if (sim) sim->Stop();
        TDialogScript::Reset();
        DestroyHorloDM();
    }
    devicesim::TDeviceConfig Device(const char* address, std::uint32_t ticket) {
        return devicetest::SwipingDevice(address, port, {{ticket, 1001, true}}, 6, 2048, 4);
    }
    void Serve(std::vector<devicesim::TDeviceConfig> devices) {
        if (sim) sim->Stop();
        sim = std::make_unique<devicesim::TSimServer>(std::move(devices));
        ASSERT_TRUE(sim->Start());
    }
    long Held(std::size_t device) {
        return long(
            sim->WithDevice(device, [](const devicesim::TSimDevice& d) { return d.Records().size(); }));
    }
    int Count(const QString& sql) { return c.Select(sql).rows[0][0].toInt(); }
    // The last box is of that kind and starts with that text (a summary line per door follows).
    bool ShownLast(const QString& kind, const QString& text) {
        const auto& shown = TDialogScript::Shown();
        return !shown.isEmpty() && shown.last().kind == kind && shown.last().text.startsWith(text);
    }
};

} // namespace

TEST_F(ImportFormFixture, ImportThenProcessingShowsNewEvents) {
    Serve({Device("127.0.0.2", 11), Device("127.0.0.3", 21)});
    TZQuery* events = HorloDM->EmployeeEventZQ; // the console's list, as a search left it
    events->SetSQL(ChangeSQLCondition(events->SQL(), QString()));
    events->Open();
    QPointer<TImportEventForm> form = new TImportEventForm();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Uvoz iz uređaja"));
    EXPECT_EQ(form->DeviceIPLabel->text() + form->DeviceNameLabel->text(), QString()); // nothing to say yet
    EXPECT_FALSE(form->ProgressBar->isVisible());

    form->ImportButton->click();
    EXPECT_FALSE(form->ImportButton->isEnabled());
    EXPECT_FALSE(form->ProcessingButton->isEnabled()); // not while a download runs
    EXPECT_EQ(form->DeviceNameLabel->text(), QStringLiteral("Ulaz"));
    ASSERT_TRUE(WaitUntil([] { return !TDialogScript::Shown().isEmpty(); }));
    EXPECT_TRUE(ShownLast(QStringLiteral("information"), _IMPORT_EVENT_INF));
    EXPECT_EQ(TDialogScript::Shown().size(), 1);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM employeeeventraw WHERE horloaccesspointid = 1")),
              Held(0));
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM employeeeventraw WHERE horloaccesspointid = 2")),
              Held(1));
    EXPECT_TRUE(form->ImportButton->isEnabled());
    EXPECT_TRUE(form->ProcessingButton->isEnabled());

    form->ImportButton->click(); // again from the first door: nothing new
    ASSERT_TRUE(WaitUntil([] { return TDialogScript::Shown().size() == 2; }));
    EXPECT_EQ(TDialogScript::Shown().last().text.count(QStringLiteral(" 0 novih zapisa upisano")), 2);

    form->ProcessingButton->click();
    // with the counts, as `horlo process` gives them
    EXPECT_TRUE(
        ShownLast(QStringLiteral("information"),
                  _PROCESSED_EVENT_INF + QStringLiteral("\nUpisano događaja: %1.").arg(Held(0) + Held(1))));
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM employeeevent WHERE employeeid = 7")),
              Held(0) + Held(1));
    EXPECT_EQ(events->RecordCount(), Held(0) + Held(1));
    EXPECT_TRUE(form->ProcessingButton->isEnabled());
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull()); // the dialog frees itself when closed
}

TEST_F(ImportFormFixture, AFailingDeviceIsReportedTheChainGoesOnAndTheNextImportRetriesIt) {
    devicesim::TDeviceConfig silent = Device("127.0.0.2", 11);
    silent.faults.silentAfter = 0;
    Serve({silent, Device("127.0.0.3", 21)});
    QPointer<TImportEventForm> form = new TImportEventForm();
    form->ImportButton->click();
    ASSERT_TRUE(WaitUntil([] { return !TDialogScript::Shown().isEmpty(); }));
    // the connection error, then which device and why
    const TShownDialog shown = TDialogScript::Shown().last();
    EXPECT_EQ(shown.kind, QStringLiteral("error"));
    EXPECT_TRUE(shown.text.startsWith(_DEVICE_CONNECT_ERR + QStringLiteral("\nUlaz (127.0.0.2): ")))
        << shown.text.toStdString();
    // and the next door all the same, in the same summary
    EXPECT_TRUE(shown.text.endsWith(QStringLiteral("\nMagacin (127.0.0.3): 32 bloka pročitana, %1")
                                        .arg(Plural(Held(1), "%d novi zapis upisan", "%d nova zapisa upisana",
                                                    "%d novih zapisa upisano"))));
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM employeeeventraw")), Held(1));
    EXPECT_TRUE(form->ImportButton->isEnabled());

    Serve({Device("127.0.0.2", 11), Device("127.0.0.3", 21)});
    form->ImportButton->click();
    ASSERT_TRUE(WaitUntil([] { return TDialogScript::Shown().size() == 2; }));
    EXPECT_TRUE(ShownLast(QStringLiteral("information"), _IMPORT_EVENT_INF));
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM employeeeventraw")), Held(0) + Held(1));
    form->close();
}

TEST_F(ImportFormFixture, ClosingInTheMiddleStoresNothingForThatDevice) {
    devicesim::TDeviceConfig slow = Device("127.0.0.2", 11);
    slow.memorySize = 32768;
    slow.faults.delayMs = 2;
    Serve({slow});
    QPointer<TImportEventForm> form = new TImportEventForm();
    form->ImportButton->click();
    ASSERT_TRUE(WaitUntil([&] { return form->Import().Download().BlocksDone() > 10; }));
    form->close();
    EXPECT_TRUE(TDialogScript::Shown().isEmpty()); // the endpoint closed cleanly
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM employeeeventraw")), 0);
    EXPECT_EQ(
        Count(QStringLiteral("SELECT currentdeviceindex FROM horloaccesspoint WHERE horloaccesspointid = 1")),
        0);

    Serve({Device("127.0.0.2", 11)});
    c.Execute(QStringLiteral("UPDATE horloaccesspoint SET readaccess = 'n' WHERE horloaccesspointid = 2"));
    form = new TImportEventForm();
    form->ImportButton->click();
    ASSERT_TRUE(WaitUntil([] { return !TDialogScript::Shown().isEmpty(); }));
    EXPECT_TRUE(ShownLast(QStringLiteral("information"), _IMPORT_EVENT_INF));
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM employeeeventraw")), Held(0));
    form->close();
}

TEST_F(ImportFormFixture, AStorageErrorIsShownAndNothingIsStored) {
    Serve({Device("127.0.0.2", 11), Device("127.0.0.3", 21)});
    c.ExecuteScript(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON employeeeventraw FOR EACH ROW "
                                   "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'disk full'"));
    QPointer<TImportEventForm> form = new TImportEventForm();
    form->ImportButton->click();
    ASSERT_TRUE(WaitUntil([] { return !TDialogScript::Shown().isEmpty(); }));
    const TShownDialog shown = TDialogScript::Shown().last();
    EXPECT_EQ(shown.kind, QStringLiteral("error"));
    EXPECT_TRUE(shown.text.contains(QStringLiteral("disk full"))) << shown.text.toStdString();
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM employeeeventraw")), 0);
    EXPECT_EQ(
        Count(QStringLiteral("SELECT currentdeviceindex FROM horloaccesspoint WHERE horloaccesspointid = 1")),
        0);
    EXPECT_TRUE(form->ImportButton->isEnabled());
    form->close();
}

TEST_F(ImportFormFixture, EscStopsTheDownloadAsClosingDoes) {
    devicesim::TDeviceConfig slow = Device("127.0.0.2", 11);
    slow.memorySize = 32768;
    slow.faults.delayMs = 2;
    Serve({slow});
    QPointer<TImportEventForm> form = new TImportEventForm();
    form->ImportButton->click();
    ASSERT_TRUE(WaitUntil([&] { return form->Import().Download().BlocksDone() > 10; }));
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(form, &esc);
    ASSERT_FALSE(form.isNull());
    EXPECT_FALSE(form->Import().Running());
    EXPECT_FALSE(ImportEventProtocol().Endpoint().Active());
    EXPECT_TRUE(TDialogScript::Shown().isEmpty());
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM employeeeventraw")), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
}

TEST_F(ImportFormFixture, FailuresBeforeTheDeviceIsAskedAreShownAndUvozWorksAgain) {
    Serve({Device("127.0.0.2", 11), Device("127.0.0.3", 21)});
    QPointer<TImportEventForm> form = new TImportEventForm();

    // another program reads devices on this port
    TDeviceProtocol other(rsIdle);
    ASSERT_TRUE(other.OpenEndpoint("127.0.0.9", port));
    form->ImportButton->click();
    ASSERT_TRUE(WaitUntil([] { return !TDialogScript::Shown().isEmpty(); }));
    TShownDialog shown = TDialogScript::Shown().last();
    EXPECT_EQ(shown.kind, QStringLiteral("error"));
    EXPECT_TRUE(shown.text.startsWith(_DEVICE_CONNECT_ERR)) << shown.text.toStdString();
    EXPECT_TRUE(shown.text.contains(QStringLiteral("već koristi drugi program"))) << shown.text.toStdString();
    EXPECT_TRUE(form->ImportButton->isEnabled());
    other.CloseEndpoint();

    // the database fails between the list and the device
    c.Execute(QStringLiteral("RENAME TABLE horloaccesspoint TO horloaccesspoint_gone"));
    form->ImportButton->click();
    ASSERT_TRUE(WaitUntil([] { return TDialogScript::Shown().size() == 2; }));
    c.Execute(QStringLiteral("RENAME TABLE horloaccesspoint_gone TO horloaccesspoint"));
    shown = TDialogScript::Shown().last();
    EXPECT_EQ(shown.kind, QStringLiteral("error"));
    EXPECT_TRUE(shown.text.contains(QStringLiteral("horloaccesspoint"))) << shown.text.toStdString();
    EXPECT_TRUE(form->ImportButton->isEnabled());

    form->ImportButton->click();
    ASSERT_TRUE(WaitUntil([] { return TDialogScript::Shown().size() == 3; }));
    EXPECT_TRUE(ShownLast(QStringLiteral("information"), _IMPORT_EVENT_INF));
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM employeeeventraw")), Held(0) + Held(1));
    form->close();
}
