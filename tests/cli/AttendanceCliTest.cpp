// SPDX-License-Identifier: GPL-3.0-or-later
// `horlo attendance` run as a program: adding a day, and the sheet as text and
// as CSV read back by a CSV parser.
#include "host/data/DBIniFile.h"
#include "tests/support/CsvReader.h"
#include "tests/support/HorloProgram.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/XlsxReader.h"

#include <QDate>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct AttendanceCli : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    QString url = db.Params().ToUrl();
    int nextEvent = 1;

    void SetUp() override {
        c.ExecuteScript(QStringLiteral(
            "INSERT INTO employee (employeeid, firstname, lastname, code, vocation, startworkingdate, "
            "active, "
            "workingfromdate, workingtodate, workingstateid) VALUES "
            "(1, 'Marko', 'Jovanović', '001', 'Direktor', '2015-03-01', 'y', '2015-03-01', '1899-12-30', 1),"
            "(2, 'Jelena', 'Dos \"Santos\", Jr', '002', 'Računovođa', NULL, 'y', '2016-05-16', NULL, NULL),"
            "(3, 'Ana', 'Jovanić', '003', NULL, NULL, 'y', '2018-02-01', NULL, 15);"));
        Event(1, "2024-03-05 08:45:00", 5);
        Event(1, "2024-03-05 17:10:00", 10);
        Event(2, "2024-03-05 09:10:00", 15);
        Event(2, "2024-03-05 17:45:00", 16);
        Event(1, "2024-03-06 09:00:00", 5);
        Event(1, "2024-03-06 12:00:00", 10);
        Event(1, "2024-03-06 12:30:00", 5);
        Event(1, "2024-03-06 17:00:00", 10);
        Event(2, "2024-03-06 07:00:00", 5); // both before the start: nothing
        Event(2, "2024-03-06 08:30:00", 10);
    }
    void Event(int employee, const char* time, int type) {
        c.Execute(
            QStringLiteral("INSERT INTO employeeevent (employeeeventid, eventtime, employeeeventtypeid, "
                           "employeeid, horloaccesspointid, deviceindex) VALUES (%1, '%2', %3, %4, 1, %1)")
                .arg(nextEvent)
                .arg(QString::fromLatin1(time))
                .arg(type)
                .arg(employee));
        ++nextEvent;
    }
    int Stored(const QString& where = QString()) {
        return c.Select(QStringLiteral("SELECT COUNT(*) FROM horloattendance ") + where).rows[0][0].toInt();
    }
};

} // namespace

TEST(AttendanceCliUsage, MistakesExitWithTwoBeforeTouchingTheDatabase) {
    const QDate tomorrow = QDate::currentDate().addDays(1);
    const QString nowhere = QStringLiteral("mysql://root@localhost/horlo?socket=/nonexistent.sock");
    struct Case {
        QStringList arguments;
        const char* mentions;
    } cases[] = {
        {{QStringLiteral("attendance")}, "add"},
        {{QStringLiteral("attendance"), QStringLiteral("remove")}, "remove"},
        {{QStringLiteral("attendance"), QStringLiteral("add"), QStringLiteral("2024-02-30")}, "2024-02-30"},
        {{QStringLiteral("attendance"), QStringLiteral("add"), QStringLiteral("2024-03-05"),
          QStringLiteral("x")},
         "\"x\""},
        {{QStringLiteral("attendance"), QStringLiteral("list"), QStringLiteral("2024-03-01")}, "OD DO"},
        {{QStringLiteral("attendance"), QStringLiteral("list"), QStringLiteral("1.13.2024"),
          QStringLiteral("2024-03-31")},
         "1.13.2024"},
        {{QStringLiteral("attendance"), QStringLiteral("list"), QStringLiteral("2024-03-01"),
          QStringLiteral("2024-03-31"), QStringLiteral("--pdf")},
         "--pdf"},
        {{QStringLiteral("attendance"), QStringLiteral("list"), QStringLiteral("2024-03-31"),
          QStringLiteral("2024-03-01")},
         "Početak perioda (2024-03-31) je posle kraja (2024-03-01)."},
        {{QStringLiteral("attendance"), QStringLiteral("list"), QStringLiteral("2024-03-01"),
          QStringLiteral("2024-03-31"), QStringLiteral("--xlsx")},
         "--xlsx"},
        {{QStringLiteral("attendance"), QStringLiteral("list"), QStringLiteral("2024-03-01"),
          QStringLiteral("2024-03-31"), QStringLiteral("--csv"), QStringLiteral("--xlsx=a.xlsx")},
         "--csv i --xlsx"},
        // days and times still to come
        {{QStringLiteral("attendance"), QStringLiteral("add"), tomorrow.toString(Qt::ISODate)},
         "posle današnjeg"},
        {{QStringLiteral("attendance"), QStringLiteral("add"), QStringLiteral("2024-03-01"),
          QStringLiteral("9999-12-31")},
         "31.12.9999"},
        {{QStringLiteral("event"), QStringLiteral("add"), QStringLiteral("001"),
          tomorrow.toString(Qt::ISODate) + QStringLiteral(" 08:00"), QStringLiteral("5"),
          QStringLiteral("--reason"), QStringLiteral("x")},
         "posle sadašnjeg"},
        {{QStringLiteral("event"), QStringLiteral("add"), QStringLiteral("001"), QStringLiteral("2024-03-05"),
          QStringLiteral("5"), QStringLiteral("--reason=x")},
         "nije vreme"},
        {{QStringLiteral("event"), QStringLiteral("add"), QStringLiteral("001"),
          QStringLiteral("2024-03-05 8:00"), QStringLiteral("5")},
         "--reason"},
        {{QStringLiteral("event"), QStringLiteral("delete"), QStringLiteral("x"), QStringLiteral("--reason"),
          QStringLiteral("y")},
         "BROJ"},
        {{QStringLiteral("history"), QStringLiteral("2024-03-31"), QStringLiteral("2024-03-01")},
         "posle kraja"},
    };
    for (const Case& k : cases) {
        const THorloRun r = RunHorlo(k.arguments, nowhere);
        EXPECT_EQ(r.status, 2) << k.arguments.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(k.mentions))) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("nonexistent.sock"))) << r.err.toStdString();
    }
    EXPECT_TRUE(
        RunHorlo({QStringLiteral("--help")}, nowhere).out.contains(QStringLiteral("attendance list")));
}

TEST_F(AttendanceCli, AForgottenDepartureAddedByHandReachesSheetWarningsAndHistory) {
    const auto run = [&](std::initializer_list<const char*> arguments) {
        QStringList list;
        for (const char* a : arguments)
            list << QString::fromUtf8(a);
        return RunHorlo(list, url);
    };
    Event(1, "2024-03-07 08:45:00", 5); // and no departure
    ASSERT_EQ(run({"attendance", "add", "2024-03-07"}).status, 0);
    const auto hours = [&] {
        return c
            .Select(QStringLiteral("SELECT regularworkinghours FROM horloattendance WHERE employeeid = 1 AND "
                                   "attendancedate = '2024-03-07'"))
            .rows[0][0]
            .toDouble();
    };
    EXPECT_EQ(hours(), 0);
    std::vector<QStringList> csv =
        ReadCsv(run({"report", "warnings", "2024-03-07", "2024-03-07", "--csv"}).out);
    ASSERT_EQ(csv.size(), 2u);
    EXPECT_EQ(csv[1].last(), QStringLiteral("Dolazak bez odlaska"));

    struct Refused {
        std::initializer_list<const char*> arguments;
        int status;
        const char* mentions;
    } refused[] = {
        {{"event", "add", "999", "2024-03-07 17:10", "Odlazak", "--reason", "x"}, 2, "\"999\""},
        {{"event", "add", "001", "2024-03-07 17:10", "Ručni", "--reason", "x"}, 2, "\"Ručni\""},
        {{"event", "delete", "11", "--reason", "x"}, 1, "zabeležio uređaj"},
        {{"event", "delete", "999", "--reason", "x"}, 1, "Nema događaja 999"},
        {{"attendance", "list", "2024-03-01", "2024-03-31", "--code", "NOPE"}, 1, "\"NOPE\""},
        {{"history", "--code", "NOPE"}, 1, "\"NOPE\""},
    };
    for (const Refused& k : refused) {
        const THorloRun r = run(k.arguments);
        EXPECT_EQ(r.status, k.status) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(k.mentions))) << r.err.toStdString();
    }

    const THorloRun add =
        run({"event", "add", "001", "2024-03-07 17:10", "Odlazak", "--reason", "zaboravio"});
    ASSERT_EQ(add.status, 0) << add.err.toStdString();
    EXPECT_EQ(add.out, QStringLiteral("Dodat događaj 12.\n"));
    EXPECT_EQ(hours(), 8);
    EXPECT_EQ(ReadCsv(run({"report", "warnings", "2024-03-07", "2024-03-07", "--csv"}).out).size(), 1u);
    csv = ReadCsv(run({"event", "list", "2024-03-07", "2024-03-07", "--code", "001", "--csv"}).out);
    ASSERT_EQ(csv.size(), 3u);
    EXPECT_EQ(csv[0].last(), QStringLiteral("handentered"));
    EXPECT_EQ(csv[1].last(), QStringLiteral("n"));
    EXPECT_EQ(csv[2],
              (QStringList{QStringLiteral("12"), QStringLiteral("2024-03-07 17:10:00"), QStringLiteral("001"),
                           QStringLiteral("Jovanović Marko"), QStringLiteral("Odlazak"), QStringLiteral("o"),
                           QString(), QStringLiteral("zaboravio"), QStringLiteral("y")}));
    // the workbook is for people: what it shows and for whom, the grid's titles, Da/Ne, times as times
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("dogadjaji.xlsx"));
    ASSERT_EQ(run({"event", "list", "2024-03-07", "2024-03-07", "--code", "001", "--xlsx",
                   file.toUtf8().constData()})
                  .status,
              0);
    const TXlsxSheet sheet = ReadXlsx(file);
    EXPECT_EQ(sheet.Row(0).first(), QStringLiteral("Događaji"));
    EXPECT_EQ(sheet.Row(3).first(), QStringLiteral("Kod zaposlenog: 001"));
    EXPECT_EQ(sheet.Row(5),
              (QStringList{QStringLiteral("Broj"), QStringLiteral("Vreme"), QStringLiteral("Kod"),
                           QStringLiteral("Zaposleni"), QStringLiteral("Događaj"), QStringLiteral("Vrata"),
                           QStringLiteral("Komentar"), QStringLiteral("Ručno")}));
    EXPECT_EQ(sheet.At(7, 7).value, QStringLiteral("Da"));
    EXPECT_TRUE(IsDateFormat(sheet.At(7, 1).format));
    EXPECT_EQ(run({"event", "delete", "12", "--reason", "greška"}).status, 0);
    EXPECT_EQ(hours(), 0);

    csv = ReadCsv(run({"history", "--code", "001", "--csv"}).out);
    QStringList what;
    for (size_t row = 1; row < csv.size(); ++row)
        what << csv[row][5] + QLatin1Char('/') + csv[row][7] + QLatin1Char(' ') + csv[row][12];
    EXPECT_EQ(
        what,
        (QStringList{QStringLiteral("horloattendance/i "), QStringLiteral("employeeevent/i zaboravio"),
                     QStringLiteral("horloattendance/u zaboravio"), QStringLiteral("employeeevent/d greška"),
                     QStringLiteral("horloattendance/u greška")}));
    const QString text = run({"history", "--code", "001"}).out;
    EXPECT_TRUE(text.contains(QStringLiteral("regularworkinghours: 0; unallocatedhours: 0")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Ukupno: 5"))) << text.toStdString();
}

TEST_F(AttendanceCli, AddStoresADayOnceAndListGivesItAsCsv) {
    const THorloRun add =
        RunHorlo({QStringLiteral("attendance"), QStringLiteral("add"), QStringLiteral("2024-03-05")}, url);
    EXPECT_EQ(add.status, 0) << add.err.toStdString();
    EXPECT_EQ(add.out, QStringLiteral("Upisano redova prisustva za 2024-03-05: 2\n"));
    EXPECT_EQ(Stored(), 2);
    const THorloRun again =
        RunHorlo({QStringLiteral("attendance"), QStringLiteral("add"), QStringLiteral("2024-03-05")}, url);
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.err.contains(QStringLiteral("Već postoji evidencija za izabrani datum!")))
        << again.err.toStdString();
    EXPECT_EQ(Stored(), 2);
    EXPECT_EQ(
        RunHorlo({QStringLiteral("attendance"), QStringLiteral("add"), QStringLiteral("2024-03-06")}, url)
            .status,
        0);
    c.Execute(QStringLiteral(
        "UPDATE horloattendance SET comment = 'prvi red\r\ndrugi, \"treći\"' WHERE employeeid = 1 "
        "AND attendancedate = '2024-03-06'"));

    const THorloRun list =
        RunHorlo({QStringLiteral("attendance"), QStringLiteral("list"), QStringLiteral("2024-03-01"),
                  QStringLiteral("2024-03-31"), QStringLiteral("--csv")},
                 url);
    EXPECT_EQ(list.status, 0) << list.err.toStdString();
    const std::vector<QStringList> csv = ReadCsv(list.out);
    ASSERT_EQ(csv.size(), 5u) << list.out.toStdString();
    const QStringList header = csv[0];
    EXPECT_EQ(header.mid(0, 7),
              (QStringList{QStringLiteral("code"), QStringLiteral("lastname"), QStringLiteral("firstname"),
                           QStringLiteral("vocation"), QStringLiteral("startworkingdate"),
                           QStringLiteral("attendancedate"), QStringLiteral("regularworkinghours")}));
    EXPECT_EQ(header.size(), 23);
    EXPECT_EQ(header.last(), QStringLiteral("comment"));
    auto at = [&](size_t row, const char* field) {
        return csv[row].value(header.indexOf(QString::fromLatin1(field)));
    };
    for (size_t row = 1; row < csv.size(); ++row)
        EXPECT_EQ(csv[row].size(), 23);
    // by code, then date
    EXPECT_EQ(at(1, "code"), QStringLiteral("001"));
    EXPECT_EQ(at(1, "attendancedate"), QStringLiteral("2024-03-05"));
    EXPECT_EQ(at(1, "startworkingdate"), QStringLiteral("2015-03-01"));
    EXPECT_EQ(at(1, "regularworkinghours"), QStringLiteral("8"));
    EXPECT_EQ(at(1, "unallocatedhours"), QStringLiteral("0"));
    EXPECT_EQ(at(2, "attendancedate"), QStringLiteral("2024-03-06"));
    EXPECT_EQ(at(2, "regularworkinghours"), QStringLiteral("7.5"));
    EXPECT_EQ(at(2, "comment"), QStringLiteral("prvi red\r\ndrugi, \"treći\""));
    EXPECT_EQ(at(3, "lastname"), QStringLiteral("Dos \"Santos\", Jr"));
    EXPECT_EQ(at(3, "vocation"), QStringLiteral("Računovođa"));
    EXPECT_EQ(at(3, "startworkingdate"), QString());
    EXPECT_EQ(at(3, "regularworkinghours"), QStringLiteral("8"));
    EXPECT_EQ(at(3, "unallocatedhours"), QStringLiteral("0.583333"));
    EXPECT_EQ(at(4, "regularworkinghours"), QStringLiteral("0"));
    EXPECT_EQ(at(4, "nightworkinghours"), QStringLiteral("0"));

    // the same table as a workbook: codes stay text, dates are dates, hours numbers
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("prisustvo.xlsx"));
    QStringList arguments{QStringLiteral("attendance"), QStringLiteral("list"),
                          QStringLiteral("2024-03-01"), QStringLiteral("2024-03-31"),
                          QStringLiteral("--xlsx"),     file};
    const THorloRun xlsx = RunHorlo(arguments, url);
    EXPECT_EQ(xlsx.status, 0) << xlsx.err.toStdString();
    EXPECT_EQ(xlsx.out, QStringLiteral("Sačuvano u %1\n").arg(file));
    // for people: what it holds, then the dialog's column titles
    const TXlsxSheet sheet = ReadXlsx(file);
    EXPECT_EQ(sheet.Row(0), QStringList{QStringLiteral("Prisustvo")});
    EXPECT_EQ(sheet.Row(1), QStringList{QStringLiteral("Od datuma 01.03.2024")});
    EXPECT_EQ(sheet.Row(2), QStringList{QStringLiteral("Do datuma 31.03.2024")});
    EXPECT_EQ(sheet.Row(4).mid(0, 7),
              (QStringList{QStringLiteral("Kod"), QStringLiteral("Prezime"), QStringLiteral("Ime"),
                           QStringLiteral("Radno mesto"), QStringLiteral("Datum početka rada"),
                           QStringLiteral("Datum"), QStringLiteral("Redovan rad")}));
    EXPECT_EQ(sheet.rows, 5 + 4);
    EXPECT_EQ(sheet.frozenRows, 5);
    auto cell = [&](int row, const char* field) {
        return sheet.At(4 + row, int(header.indexOf(QString::fromLatin1(field))));
    };
    EXPECT_TRUE(cell(1, "code").text);
    EXPECT_EQ(cell(1, "code").value, QStringLiteral("001"));
    for (const char* date : {"attendancedate", "startworkingdate"}) {
        EXPECT_FALSE(cell(1, date).text) << date;
        EXPECT_TRUE(IsDateFormat(cell(1, date).format)) << cell(1, date).format.toStdString();
    }
    EXPECT_EQ(cell(1, "attendancedate").Number(), ExcelDay(2024, 3, 5));
    EXPECT_EQ(cell(1, "startworkingdate").Number(), ExcelDay(2015, 3, 1));
    EXPECT_FALSE(cell(2, "regularworkinghours").text);
    EXPECT_EQ(cell(2, "regularworkinghours").Number(), 7.5);
    EXPECT_NEAR(cell(3, "unallocatedhours").Number(), 35.0 / 60, 1e-6);
    EXPECT_TRUE(cell(2, "comment").text);
    // a file that cannot be written: exit 1, nothing left, an earlier file kept
    arguments.last() = dir.filePath(QStringLiteral("nema/prisustvo.xlsx"));
    const THorloRun nowhere = RunHorlo(arguments, url);
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_TRUE(nowhere.err.contains(arguments.last())) << nowhere.err.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("prisustvo.xlsx")});

    const THorloRun one =
        RunHorlo({QStringLiteral("attendance"), QStringLiteral("list"), QStringLiteral("2024-03-01"),
                  QStringLiteral("2024-03-31"), QStringLiteral("--code"), QStringLiteral("002")},
                 url);
    EXPECT_EQ(one.status, 0);
    const QStringList lines = one.out.trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4) << one.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Kod  Prezime"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("002"))) << lines[1].toStdString();
    EXPECT_EQ(lines[3], QStringLiteral("Ukupno: 2"));
    const THorloRun none =
        RunHorlo({QStringLiteral("attendance"), QStringLiteral("list"), QStringLiteral("2024-04-01"),
                  QStringLiteral("2024-04-30"), QStringLiteral("--csv")},
                 url);
    EXPECT_EQ(ReadCsv(none.out).size(), 1u);
}

TEST_F(AttendanceCli, AddWithoutADateTakesYesterday) {
    const QDate yesterday = QDate::currentDate().addDays(-1);
    const THorloRun add = RunHorlo({QStringLiteral("attendance"), QStringLiteral("add")}, url);
    EXPECT_EQ(add.status, 0) << add.err.toStdString();
    EXPECT_TRUE(add.out.contains(yesterday.toString(QStringLiteral("yyyy-MM-dd")))) << add.out.toStdString();
    EXPECT_EQ(Stored(QStringLiteral("WHERE attendancedate = '%1'")
                         .arg(yesterday.toString(QStringLiteral("yyyy-MM-dd")))),
              2);
}

// What the sheet holds reaches the file whole: long names and jobs, hours that
// add up to the minute, a name a spreadsheet would run; output that cannot be
// written fails.
TEST_F(AttendanceCli, CsvKeepsWhatIsStoredAndAFullDiskFails) {
    const QString first = QString(50, QLatin1Char('M')), job = QString(100, QLatin1Char('v'));
    c.Execute(QStringLiteral("INSERT INTO employee (employeeid, firstname, lastname, code, vocation, active, "
                             "workingfromdate) VALUES (4, '%1', '=HYPERLINK(\"http://x\")', '004', '%2', "
                             "'y', NULL)")
                  .arg(first, job));
    for (int day = 1; day <= 22; ++day) // 35 minutes a day
        c.Execute(QStringLiteral("INSERT INTO horloattendance (employeeid, attendancedate, unallocatedhours) "
                                 "VALUES (4, '2024-04-%1', 35e0 / 60)")
                      .arg(day, 2, 10, QLatin1Char('0')));
    const QStringList list{QStringLiteral("attendance"), QStringLiteral("list"), QStringLiteral("2024-04-01"),
                           QStringLiteral("2024-04-30"), QStringLiteral("--csv")};
    const std::vector<QStringList> csv = ReadCsv(RunHorlo(list, url).out);
    ASSERT_EQ(csv.size(), 23u);
    const QStringList& header = csv[0];
    double hours = 0;
    for (size_t row = 1; row < csv.size(); ++row)
        hours += csv[row].value(header.indexOf(QStringLiteral("unallocatedhours"))).toDouble();
    EXPECT_EQ(qRound(hours * 60), 22 * 35);
    EXPECT_EQ(csv[1].value(header.indexOf(QStringLiteral("firstname"))), first);
    EXPECT_EQ(csv[1].value(header.indexOf(QStringLiteral("vocation"))), job);
    EXPECT_EQ(csv[1].value(header.indexOf(QStringLiteral("lastname"))),
              QStringLiteral("'=HYPERLINK(\"http://x\")"));

    const THorloRun full = RunHorlo(list, url, QStringLiteral("/dev/full"));
    EXPECT_EQ(full.status, 1);
    EXPECT_TRUE(full.err.contains(QStringLiteral("izlaz nije upisan"))) << full.err.toStdString();
}

// The working time is set with the report dialog's checks; a refusal names the
// key and exits 2; show marks what is left at its default.
TEST_F(AttendanceCli, SettingsAreShownAndSetWithTheDialogsChecks) {
    const QString set = QStringLiteral("settings set ");
    struct Case {
        QString arguments;
        int status;
        const char* says;
    } cases[] = {
        {set + QStringLiteral("EndWorkingTime 16:30"), 0, "EndWorkingTime = 16:30:00 (upisano)"},
        {set + QStringLiteral("StartWorkingTime 16:30"), 2,
         "StartWorkingTime: Polje \"Kraj rada\" (16:30:00) mora biti posle polja \"Početak rada\" "
         "(16:30:00)."},
        {set + QStringLiteral("EndWorkingDelayTime 17.30"), 2,
         "EndWorkingDelayTime: Vrednost \"17.30\" u polju \"Tolerancija odlaska do\" nije vreme"},
        {set + QStringLiteral("LunchTime 12:00"), 2, "nepoznato podešavanje \"LunchTime\""},
        {set + QStringLiteral("EndWorkingTime"), 2, "KLJUČ i VREDNOST"},
        {QStringLiteral("settings show"), 0, "EndWorkingTime       16:30:00"},
    };
    for (const Case& k : cases) {
        const THorloRun r = RunHorlo(k.arguments.split(QLatin1Char(' ')), url);
        EXPECT_EQ(r.status, k.status) << k.arguments.toStdString() << r.err.toStdString();
        EXPECT_TRUE((r.out + r.err).contains(QString::fromUtf8(k.says))) << (r.out + r.err).toStdString();
    }
    const QString show = RunHorlo({QStringLiteral("settings"), QStringLiteral("show")}, url).out;
    EXPECT_TRUE(show.contains(QStringLiteral("StartWorkingTime     09:00:00  (podrazumevano)")))
        << show.toStdString();
    EXPECT_FALSE(TDBIniFile(&c).ValueExists(QStringLiteral("Horlo"), QStringLiteral("StartWorkingTime")));
}

// A period follows the calendar where there is one and Monday to Friday where
// not; a rerun adds nothing; a day that fails stops it with exit 1.
TEST_F(AttendanceCli, AddPeriodFollowsTheCalendarAndSkipsStoredDays) {
    for (QDate d(2024, 3, 1); d.month() == 3; d = d.addDays(1)) // the 6th a holiday
        c.Execute(
            QStringLiteral("INSERT INTO horloworkcalendar (year, month, workcalendardate, workday) VALUES "
                           "(2024, 3, '%1', '%2')")
                .arg(d.toString(Qt::ISODate), d.dayOfWeek() < 6 && d.day() != 6 ? "y" : "n"));
    c.Execute(
        QStringLiteral("INSERT INTO horloattendance (employeeid, attendancedate) VALUES (1, '2024-03-05')"));
    const QStringList add{QStringLiteral("attendance"), QStringLiteral("add"), QStringLiteral("4.3.2024"),
                          QStringLiteral("2024-04-02")};
    THorloRun r = RunHorlo(add, url);
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    for (const char* line : {"Dodato dana: 20, redova prisustva: 40 (2024-03-04, 2024-03-07–2024-03-08, ",
                             "Preskočeno dana koji već imaju evidenciju: 1 (2024-03-05).\nNeradnih dana: 9.\n"
                             "Meseci bez radnog kalendara (radni dani su ponedeljak–petak): 2024-04.\n"})
        EXPECT_TRUE(r.out.contains(QString::fromUtf8(line))) << r.out.toStdString();
    EXPECT_EQ(Stored(), 41);
    r = RunHorlo(add, url);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Dodato dana: 0, redova prisustva: 0.\nPreskočeno dana koji "
                                                "već imaju evidenciju: 21 ")))
        << r.out.toStdString();
    c.Execute(
        QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON horloattendance FOR EACH ROW IF "
                       "NEW.attendancedate = '2024-04-04' THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT "
                       "= 'odbijeno'; END IF"));
    r = RunHorlo({QStringLiteral("attendance"), QStringLiteral("add"), QStringLiteral("2024-04-03"),
                  QStringLiteral("2024-04-05")},
                 url);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Dodato dana: 1, redova prisustva: 2 (2024-04-03).")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("Upis je stao kod 2024-04-04: "))) << r.err.toStdString();
    EXPECT_EQ(Stored(QStringLiteral("WHERE attendancedate > '2024-04-03'")), 0);
}
