// SPDX-License-Identifier: GPL-3.0-or-later
// `horlo import` and `horlo process` run as programs: their output lines and exit statuses.
#include "devicesim/SimServer.h"
#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/device/protocol/DeviceProtocol.h"
#include "tests/device/LoopbackTools.h"
#include "tests/device/SimTools.h"
#include "tests/support/CsvReader.h"
#include "tests/support/HorloProgram.h"
#include "tests/support/TestDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct CliFixture : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    const int port = devicetest::FreeUdpPort();
    QString url = db.Params().ToUrl();
    std::unique_ptr<devicesim::TSimServer> sim;

    void SetUp() override {
        c.Execute(
            QStringLiteral(
                "INSERT INTO horloaccesspoint (horloaccesspointid, name, macaddress, localip, publicip, "
                "udpport, tcpport, readaccess) VALUES (1, 'Ulaz', 'm', '127.0.0.2', '-', %1, 0, 'y'), "
                "(2, 'Magacin', 'm', '127.0.0.3', '-', %1, 0, 'y'), (3, 'Sala', 'm', '127.0.0.4', "
                "'-', %1, 0, 'n')")
                .arg(port));
        c.Execute(QStringLiteral(
            "INSERT INTO employeecard (employeecardid, employeeid, cardcode, name) VALUES (1, 7, 1001, "
            "'K1')"));
        c.Execute(QStringLiteral(
            "INSERT INTO horloaccessticket (horloaccessticketid, horloaccesspointid, employeecardid, "
            "employeeid) VALUES (11, 1, 1, 7), (21, 2, 1, 7)"));
    }
    void TearDown() override {
        if (sim) sim->Stop();
    }
    devicesim::TDeviceConfig Device(const char* address, std::uint32_t ticket) {
        return devicetest::SwipingDevice(address, port, {{ticket, 1001, true}}, 4, 1024, 2);
    }
    void Serve(std::vector<devicesim::TDeviceConfig> devices) {
        sim = std::make_unique<devicesim::TSimServer>(std::move(devices));
        ASSERT_TRUE(sim->Start());
    }
    long Held(std::size_t device) {
        return long(
            sim->WithDevice(device, [](const devicesim::TSimDevice& d) { return d.Records().size(); }));
    }
};

} // namespace

// A usage mistake says what is wrong and how the command is called, not the whole
// help; what it repeats of the arguments reaches the terminal escaped, without a password.
TEST(Cli, UsageMistakesAndMissingDatabasesExitWithTwo) {
    const THorloRun help = RunHorlo({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("import"))) << help.out.toStdString();
    const char* general = "Upotreba: horlo [--db URL | --db-file DATOTEKA] KOMANDA [ARGUMENTI]\n";
    struct Case {
        QStringList arguments;
        const char* mentions;
        const char* usage = ""; // the lines that follow the reason, before "horlo --help"
    } cases[] = {
        {{}, "komanda", general},
        {{QStringLiteral("export\x1b[2J")},
         "nepoznata komanda \"export\\x1b[2J\"\nKomande: import, process,",
         general},
        {{QStringLiteral("--dbx=mysql://a:S3cr3t@h/x"), QStringLiteral("import")},
         "\"--dbx=mysql://a:…@h/x\"",
         general},
        {{QStringLiteral("import"), QStringLiteral("--verbose")},
         "--verbose",
         "Upotreba: horlo import [TAČKA...]\n"},
        {{QStringLiteral("point"), QStringLiteral("reset-mark"), QStringLiteral("Ulaz"),
          QStringLiteral("-1")},
         "\"-1\"",
         "Upotreba: horlo point reset-mark TAČKA [INDEKS]\n"},
        {{QStringLiteral("point"), QStringLiteral("move")}, "point move"},
        {{QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("EndWorkingTime")},
         "VREDNOST",
         "Upotreba: horlo settings set KLJUČ VREDNOST\n"},
        {{QStringLiteral("attendance")},
         "attendance",
         "Upotreba: horlo attendance add [DATUM]\n          horlo "},
        // a usage that goes on on the next lines of the help
        {{QStringLiteral("employee"), QStringLiteral("set")},
         "employee set traži ŠIFRU",
         "Upotreba: horlo employee set ŠIFRA [--code NOVA] [--first IME] [--last PREZIME] [--from DATUM] "
         "[--to DATUM] [--job TEKST] [--id JMBG] [--state RADNI_STATUS] [--active y|n]\n"},
        {{QStringLiteral("--db"), QStringLiteral("http://x/y"), QStringLiteral("import")}, "http://x/y"},
        {{QStringLiteral("--db"), QStringLiteral("mysql://horlo:S3cr3t/Pw@h/x"), QStringLiteral("import")},
         "\"mysql://horlo:…@h/x\""},
        {{QStringLiteral("--db"), QStringLiteral("mysql://root@localhost/horlo?socket=/nonexistent.sock"),
          QStringLiteral("process")},
         "nonexistent.sock"},
        {{QStringLiteral("process")}, "horlo-home"}, // the private server, which is not running
    };
    for (const Case& k : cases) {
        const THorloRun r = RunHorlo(k.arguments);
        const std::string trace = k.arguments.join(' ').toStdString() + "\n" + r.err.toStdString();
        EXPECT_EQ(r.status, 2) << trace;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(k.mentions))) << trace;
        EXPECT_FALSE(r.err.contains(QLatin1Char('\x1b')) || r.err.contains(QStringLiteral("S3cr3t")))
            << trace;
        EXPECT_FALSE(r.err.contains(QStringLiteral("Izlazni status"))) << trace; // the whole help
        if (*k.usage) {
            EXPECT_TRUE(r.err.contains(QString::fromUtf8(k.usage)) &&
                        r.err.endsWith(QStringLiteral("\nSve komande i opcije: horlo --help\n")))
                << trace;
        }
    }
}

// The URL from a file, as the scheduled jobs read it, and the doors' names that the
// completion offers from the database it names.
TEST_F(CliFixture, TheDatabaseFromAFileAndTheDoorsOfTheCompletion) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("horlo.env"));
    QFile env(file);
    ASSERT_TRUE(env.open(QIODevice::WriteOnly));
    env.write(("# jobs\nHORLO_DB=" + url + "\n").toUtf8());
    env.close();
    const THorloRun shown =
        RunHorlo({QStringLiteral("--db-file"), file, QStringLiteral("settings"), QStringLiteral("show")});
    EXPECT_EQ(shown.status, 0) << shown.err.toStdString();
    const THorloRun doors = RunHorlo({QStringLiteral("--db-file=") + file, QStringLiteral("--complete"),
                                      QStringLiteral("import"), QString()});
    QStringList names = doors.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    names.sort();
    EXPECT_EQ(names,
              (QStringList{QStringLiteral("Magacin"), QStringLiteral("Sala"), QStringLiteral("Ulaz")}));
    EXPECT_EQ(RunHorlo({QStringLiteral("--complete"), QStringLiteral("point"), QStringLiteral("reset-mark"),
                        QStringLiteral("ma")},
                       url)
                  .out,
              QStringLiteral("Magacin\n"));
}

TEST_F(CliFixture, ImportReportsEveryAccessPointAndProcessCountsEvents) {
    Serve({Device("127.0.0.2", 11), Device("127.0.0.3", 21)});
    const THorloRun import = RunHorlo({QStringLiteral("import")}, url);
    EXPECT_EQ(import.status, 0) << import.err.toStdString();
    const QStringList lines = import.out.trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2) << import.out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Ulaz (127.0.0.2:%1): 16 blokova pročitano, %2 novih zapisa upisano")
                            .arg(port)
                            .arg(Held(0)));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Magacin (127.0.0.3:%1): 16 blokova").arg(port)));

    const THorloRun process = RunHorlo({QStringLiteral("--db"), url, QStringLiteral("process")});
    EXPECT_EQ(process.status, 0);
    EXPECT_EQ(process.out, QStringLiteral("Upisano događaja: %1\n").arg(Held(0) + Held(1)));
    EXPECT_EQ(RunHorlo({QStringLiteral("process")}, url).out, QStringLiteral("Upisano događaja: 0\n"));
    EXPECT_EQ(RunHorlo({QStringLiteral("import")}, url).out.count(QStringLiteral(" 0 novih zapisa")), 2);
}

// A card handed from a leaver to a newcomer from a moment before its swipes: they
// are the newcomer's.
TEST_F(CliFixture, ATiedCardsSwipesBecomeItsNewHoldersEvents) {
    c.Execute(QStringLiteral("INSERT INTO employee (employeeid, firstname, lastname, code) VALUES "
                             "(7, 'Ana', 'Stara', '007'), (35, 'Vid', 'Novi', '035')"));
    auto card = [&](const QString& action, const QStringList& more = {}) {
        return RunHorlo(QStringList{QStringLiteral("card"), action, QStringLiteral("K1")} + more, url);
    };
    EXPECT_EQ(card(QStringLiteral("tie"), {QStringLiteral("035")}).status, 1); // Ana's card
    const QString from = Now().date().addDays(-5).toString(Qt::ISODate) + QStringLiteral(" 00:00");
    const THorloRun tie = card(QStringLiteral("tie"), {QStringLiteral("035"), QStringLiteral("--force"),
                                                       QStringLiteral("--from"), from});
    EXPECT_EQ(tie.status, 0) << tie.err.toStdString();
    EXPECT_EQ(tie.out, QStringLiteral("Kartica K1 je kartica zaposlenog Novi Vid od %1.\n").arg(from));
    // an inactive card for him is refused too: he holds an active one
    c.Execute(QStringLiteral("INSERT INTO employeecard (cardcode, name, active) VALUES (1002, 'K2', 'n')"));
    const THorloRun second = RunHorlo(
        {QStringLiteral("card"), QStringLiteral("tie"), QStringLiteral("K2"), QStringLiteral("035")}, url);
    EXPECT_EQ(second.status, 1);
    EXPECT_EQ(second.err, QStringLiteral("horlo: ") + Format(_CARD_EMPLOYEE_ERR, {"K1"}) + QLatin1Char('\n'));
    c.Execute(QStringLiteral("DELETE FROM employeecard WHERE name = 'K2'"));
    const THorloRun list =
        RunHorlo({QStringLiteral("card"), QStringLiteral("list"), QStringLiteral("--csv")}, url);
    ASSERT_EQ(ReadCsv(list.out).size(), 2u) << list.out.toStdString();
    EXPECT_EQ(
        ReadCsv(list.out)[1],
        (QStringList{QStringLiteral("K1"), QStringLiteral("1001"), QStringLiteral("y"), QStringLiteral("035"),
                     QStringLiteral("Novi Vid"), QStringLiteral("Ulaz, Magacin")}));

    Serve({Device("127.0.0.2", 11), Device("127.0.0.3", 21)});
    ASSERT_EQ(RunHorlo({QStringLiteral("import")}, url).status, 0);
    ASSERT_EQ(RunHorlo({QStringLiteral("process")}, url).status, 0);
    const auto events =
        c.Select(QStringLiteral("SELECT COUNT(*), MIN(employeeid), MAX(employeeid) FROM employeeevent"))
            .rows[0];
    EXPECT_EQ(events[0].toLongLong(), Held(0) + Held(1));
    EXPECT_EQ(events[1].toLongLong(), 35);
    EXPECT_EQ(events[2].toLongLong(), 35);

    EXPECT_EQ(card(QStringLiteral("untie")).status, 0);
    EXPECT_EQ(c.Select(QStringLiteral("SELECT COUNT(*) FROM horloaccessticket WHERE employeeid IS NOT NULL"))
                  .rows[0][0]
                  .toInt(),
              0);
}

TEST_F(CliFixture, ImportGoesOnPastAFailingDeviceAndExitsWithOne) {
    devicesim::TDeviceConfig silent = Device("127.0.0.2", 11);
    silent.faults.silentAfter = 0;
    Serve({silent, Device("127.0.0.3", 21)});
    const THorloRun r = RunHorlo({QStringLiteral("import")}, url);
    EXPECT_EQ(r.status, 1);
    const QStringList lines = r.out.trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2) << r.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Ulaz (127.0.0.2:%1): GREŠKA: ").arg(port)))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral("novih zapisa upisano"))) << lines[1].toStdString();
    EXPECT_EQ(c.Select(QStringLiteral("SELECT COUNT(*) FROM employeeeventraw WHERE horloaccesspointid = 1"))
                  .rows[0][0]
                  .toInt(),
              0);

    // a site's job reads its own doors only, named or by address
    struct Named {
        QStringList points;
        int status;
        const char* says;
    } named[] = {
        {{QStringLiteral("magacin")}, 0, "Magacin (127.0.0.3"},
        {{QStringLiteral("127.0.0.2")}, 1, "Ulaz (127.0.0.2"},
        {{QStringLiteral("Magacin"), QStringLiteral("Nema")}, 2, "nepoznata pristupna tačka \"Nema\""},
        {{QStringLiteral("Sala")}, 2, "\"Sala\" nema dnevnik za čitanje"},
    };
    for (const Named& k : named) {
        const THorloRun r = RunHorlo(QStringList{QStringLiteral("import")} + k.points, url);
        EXPECT_EQ(r.status, k.status) << k.points.join(' ').toStdString() << r.err.toStdString();
        EXPECT_TRUE((r.out + r.err).contains(QString::fromUtf8(k.says))) << (r.out + r.err).toStdString();
        EXPECT_LE(r.out.count(QLatin1Char('\n')), 1) << r.out.toStdString();
    }

    c.Execute(QStringLiteral("UPDATE horloaccesspoint SET readaccess = 'n'"));
    const THorloRun none = RunHorlo({QStringLiteral("import")}, url);
    EXPECT_EQ(none.status, 0);
    EXPECT_FALSE(none.out.isEmpty());
}

TEST_F(CliFixture, ImportWhileAnotherProgramReadsThePortReadsNothing) {
    Serve({Device("127.0.0.2", 11), Device("127.0.0.3", 21)});
    TDeviceProtocol console(rsIdle); // the console's import dialog, in the middle of a download
    ASSERT_TRUE(console.OpenEndpoint("127.0.0.2", port));
    const THorloRun r = RunHorlo({QStringLiteral("import")}, url);
    EXPECT_EQ(r.status, 1);
    const QStringList lines = r.out.trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2) << r.out.toStdString();
    for (const QString& line : lines)
        // the holder named: this test program
        EXPECT_TRUE(line.contains(QStringLiteral("GREŠKA: Greška u konekciji sa uređajima. (UDP port %1 već "
                                                 "koristi drugi program koji čita uređaje: test_cli, pid %2)")
                                      .arg(port)
                                      .arg(QCoreApplication::applicationPid())))
            << line.toStdString();
    // nor is its mark set back meanwhile
    const QStringList reset{QStringLiteral("point"), QStringLiteral("reset-mark"), QStringLiteral("ulaz"),
                            QStringLiteral("7")};
    const THorloRun refused = RunHorlo(reset, url);
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("UDP port %1 pristupne tačke \"Ulaz\" drži drugi program "
                                                    "(test_cli, pid %2)")
                                         .arg(port)
                                         .arg(QCoreApplication::applicationPid())))
        << refused.err.toStdString();
    console.CloseEndpoint();
    EXPECT_EQ(RunHorlo({QStringLiteral("import")}, url).status, 0);
    const qint64 mark = c.Select(QStringLiteral("SELECT currentdeviceindex FROM horloaccesspoint WHERE "
                                                "horloaccesspointid = 1"))
                            .rows[0][0]
                            .toLongLong();
    const THorloRun done = RunHorlo(reset, url);
    EXPECT_EQ(done.status, 0) << done.err.toStdString();
    EXPECT_EQ(done.out, QStringLiteral("Oznaka pristupne tačke Ulaz je 7 (bila je %1).\n").arg(mark));
    EXPECT_EQ(
        RunHorlo({QStringLiteral("point"), QStringLiteral("reset-mark"), QStringLiteral("Nema")}, url).status,
        2);
}

// A company's first day, as the README's "Setting up a company" runs it: employees
// from a spreadsheet's CSV, two doors added and probed, the first import.
TEST(CliFirstDay, FromAnEmptyDatabaseToTheFirstImportWithoutSql) {
    TestDatabase db(TestDatabase::TSchema::None);
    const QString url = db.Params().ToUrl();
    const int port = devicetest::FreeUdpPort();
    const auto horlo = [&](const QString& line) { return RunHorlo(line.split(QLatin1Char(' ')), url); };
    EXPECT_EQ(horlo(QStringLiteral("db init")).status, 0);
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("zaposleni.csv"));
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "\xEF\xBB\xBF"
        "code;firstname;lastname;workingfromdate\r\n007;Ana;Ilić;1.3.2026\r\n008;Vid;Novi;2026-03-01\r\n");
    file.close();
    const THorloRun dry = horlo(QStringLiteral("employee import ") + csv);
    EXPECT_EQ(dry.status, 0) << dry.err.toStdString();
    EXPECT_TRUE(dry.out.contains(QStringLiteral("Red 2: novi 007 Ilić Ana"))) << dry.out.toStdString();
    EXPECT_TRUE(horlo(QStringLiteral("employee list --csv")).out.count(QLatin1Char('\n')) ==
                1); // header only
    EXPECT_EQ(horlo(QStringLiteral("employee import --apply ") + csv).status, 0);
    EXPECT_EQ(horlo(QStringLiteral("employee add 007 Iva Ivić")).status, 1); // the code is Ana's
    EXPECT_EQ(horlo(QStringLiteral("employee set 008 --job Vozač --to 2026-02-01")).status, 1);
    EXPECT_EQ(horlo(QStringLiteral("employee list --csv")).out.count(QLatin1Char('\n')), 3);

    const QString p = QString::number(port);
    EXPECT_EQ(horlo(QStringLiteral("point add Ulaz 127.0.0.2 --port ") + p).status, 0);
    EXPECT_EQ(
        horlo(QStringLiteral("point add Magacin 127.0.0.3 --port ") + p + QStringLiteral(" --outdoor y"))
            .status,
        0);
    EXPECT_EQ(horlo(QStringLiteral("point add Kapija 127.0.0.3 --port ") + p).status, 1); // Magacin's device
    EXPECT_EQ(horlo(QStringLiteral("point add Kapija 127.0.0.4 --port 0")).status, 2);
    devicesim::TSimServer sim({devicetest::SwipingDevice("127.0.0.2", port, {{1, 1001, true}}, 3, 1024, 2),
                               devicetest::SwipingDevice("127.0.0.3", port, {{2, 1002, true}}, 3, 1024, 2)});
    ASSERT_TRUE(sim.Start());
    for (const char* door : {"Ulaz", "magacin"}) {
        const THorloRun probe = horlo(QStringLiteral("point probe ") + QLatin1String(door));
        EXPECT_EQ(probe.status, 0) << probe.err.toStdString();
        EXPECT_TRUE(probe.out.contains(QStringLiteral("Memorija: 1024 bajtova"))) << probe.out.toStdString();
    }
    const THorloRun import = horlo(QStringLiteral("import"));
    EXPECT_EQ(import.status, 0) << import.out.toStdString() << import.err.toStdString();
    EXPECT_EQ(import.out.count(QStringLiteral("16 blokova pročitano")), 2) << import.out.toStdString();
    sim.Stop();
}
