// SPDX-License-Identifier: GPL-3.0-or-later
// The doors behind the dialog "Pristupne tačke" and `horlo point`: what is stored
// and refused, a door with history kept inactive, and "Proveri uređaj" against a
// simulated door and a silent one.
#include "module/device/AccessPointSetup.h"
#include "host/ui/DBGrid.h"
#include "module/device/AccessPointUnit.h"
#include "module/device/DeviceProbe.h"
#include "tests/device/DeviceCommandsFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>

using devicetest::DoorsFixture;

namespace {

TAccessPoint Door(const char* name, const char* address, int port = kDefaultUdpPort) {
    TAccessPoint p;
    p.name = QString::fromUtf8(name);
    p.localIp = QString::fromLatin1(address);
    p.udpPort = port;
    return p;
}

} // namespace

TEST(AccessPointSetup, DoorsAreCheckedUniqueAndKeptWithTheirHistory) {
    TestDatabase db;
    TZConnection& c = db.Connection();
    const qint64 ulaz = SaveAccessPoint(c, Door("Glavni ulaz", "192.168.1.20")).id;
    ASSERT_GT(ulaz, 0);
    struct Case {
        TAccessPoint door;
        const char* error; // part of the refusal; nullptr: stored
    } cases[] = {
        {Door("Magacin", " 192.168.1.21 "), nullptr},
        {Door("Rampa", "192.168.1.20", 5002), nullptr}, // another port of one address
        {Door("glavni ULAZ", "192.168.1.22"), "\"Glavni ulaz\" već postoji"},
        {Door("Kapija", "192.168.1.20"), "već je pristupna tačka \"Glavni ulaz\""},
        {Door("Kapija", "192.168.1"), "nije IPv4"},
        {Door("Kapija", "kapija.local"), "nije IPv4"},
        {Door("Kapija", "192.168.1.23", 0), "1 do 65535"},
        {Door("Kapija", "192.168.1.23", 65536), "1 do 65535"},
        {Door(" ", "192.168.1.23"), "mora biti zadat"},
        {Door(std::string(51, 'x').c_str(), "192.168.1.23"), "duži od 50"},
    };
    for (const Case& k : cases) {
        const TAccessPointOutcome o = SaveAccessPoint(c, k.door);
        EXPECT_EQ(o.ok, k.error == nullptr) << k.door.name.toStdString() << ": " << o.error.toStdString();
        EXPECT_TRUE(o.error.contains(QString::fromUtf8(k.error ? k.error : ""))) << o.error.toStdString();
    }
    ASSERT_EQ(AccessPointList(c).size(), 3u);
    EXPECT_EQ(FindAccessPoint(c, QStringLiteral("magacin")).point->localIp, QStringLiteral("192.168.1.21"));

    // a change says what changed and never writes the mark; an inactive door is not read
    c.Execute(
        QStringLiteral("UPDATE horloaccesspoint SET currentdeviceindex = 77 WHERE horloaccesspointid = %1")
            .arg(ulaz));
    TAccessPoint changed = Door("Glavni ulaz", "192.168.1.30");
    changed.id = ulaz;
    changed.active = false;
    const TAccessPointOutcome o = SaveAccessPoint(c, changed);
    ASSERT_TRUE(o.ok) << o.error.toStdString();
    EXPECT_EQ(o.changes.size(), 3) << o.changes.join('|').toStdString(); // address, read, active
    const TAccessPoint stored = *AccessPointById(c, ulaz);
    EXPECT_FALSE(stored.readable);
    EXPECT_EQ(stored.mark, 77);

    // removed: a door without history goes, one with a device record stays, inactive
    const qint64 magacin = FindAccessPoint(c, QStringLiteral("Magacin")).point->id;
    const qint64 rampa = FindAccessPoint(c, QStringLiteral("Rampa")).point->id;
    c.Execute(
        QStringLiteral("INSERT INTO employeeeventraw (eventtime, employeeeventtypeid, horloaccesspointid, "
                       "deviceindex) VALUES ('2026-03-02 08:00:00', 15, %1, 1)")
            .arg(magacin));
    EXPECT_TRUE(RemoveAccessPoint(c, rampa).deleted);
    const TAccessPointOutcome kept = RemoveAccessPoint(c, magacin);
    EXPECT_TRUE(kept.deactivated);
    EXPECT_FALSE(AccessPointById(c, magacin)->active);
    EXPECT_FALSE(AccessPointById(c, magacin)->readable);
    EXPECT_FALSE(RemoveAccessPoint(c, rampa).ok); // gone meanwhile
}

TEST(DeviceProbe, ASimulatedDoorDescribesItselfAndASilentOneIsSaidNotToAnswer) {
    const int port = devicetest::FreeUdpPort();
    devicesim::TDeviceConfig koldar, tarmisoni;
    koldar.address = "127.0.0.2";
    tarmisoni.address = "127.0.0.3";
    koldar.port = tarmisoni.port = port;
    koldar.memorySize = 4096;
    koldar.users = 12;
    tarmisoni.model = "Tarmisoni T5";
    devicesim::TSimServer sim({koldar, tarmisoni});
    ASSERT_TRUE(sim.Start());

    const TProbeOutcome a = ProbeDevice(Door("Ulaz", "127.0.0.2", port));
    ASSERT_TRUE(a.answered) << a.error.toStdString();
    EXPECT_EQ(a.info.eepromMemSize, 4096u);
    EXPECT_EQ(a.requests, 1);
    const QString report = ProbeReport(a).join('\n');
    for (const char* line :
         {"Model: Koldar", "Memorija: 4096 bajtova", "Korisnički zapisi (kartice): 12", "Dnevnik: "})
        EXPECT_TRUE(report.contains(QString::fromUtf8(line))) << report.toStdString();
    const TProbeOutcome b = ProbeDevice(Door("Magacin", "127.0.0.3", port));
    EXPECT_TRUE(ProbeReport(b).join('\n').contains(QStringLiteral("Model: Tarmisoni")))
        << b.error.toStdString();

    // nothing at the address: each request waited for, up to the cap
    const TProbeOutcome silent = ProbeDevice(Door("Kapija", "127.0.0.4", port), {50, 3});
    EXPECT_FALSE(silent.answered);
    EXPECT_EQ(silent.requests, 3);
    EXPECT_TRUE(silent.error.contains(QStringLiteral("ne odgovara"))) << silent.error.toStdString();
    EXPECT_TRUE(ProbeDevice(Door("Kapija", "127.0.0.256", port)).error.contains(QStringLiteral("nije IPv4")));
    sim.Stop();
}

// The dialog maps its controls onto the same operation and says why it refuses.
TEST_F(DoorsFixture, TheDialogAddsADoorAndSaysWhyItRefusesOne) {
    TAccessPointForm list;
    EXPECT_EQ(list.AccessPointDBG->RowCount(), 3);
    TAccessPointEditForm form(Door("", "", kDefaultUdpPort), &list);
    form.NameEdit->setText(QStringLiteral("Kapija"));
    form.AddressEdit->setText(QStringLiteral("127.0.0.2"));
    form.PortSpin->setValue(port);
    EXPECT_FALSE(form.Save()); // Ulaz's device
    ASSERT_FALSE(TDialogScript::Shown().isEmpty());
    EXPECT_TRUE(TDialogScript::Shown().last().text.contains(QStringLiteral("\"Ulaz\"")));
    form.AddressEdit->setText(QStringLiteral("127.0.0.5"));
    EXPECT_TRUE(form.Save());
    list.Reload(form.AccessPointID());
    EXPECT_EQ(list.Current().name, QStringLiteral("Kapija"));
    form.ActiveCheck->setChecked(false); // an inactive door is not read
    EXPECT_FALSE(form.ReadCheck->isEnabled() || form.ReadCheck->isChecked());
}
