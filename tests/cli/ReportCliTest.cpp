// SPDX-License-Identifier: GPL-3.0-or-later
// `horlo report` run as a program: usage mistakes, the presence lists, the
// hours report and the warnings as text and as CSV read back by a CSV reader,
// with the options stored by the report dialog.
#include "host/data/DBIniFile.h"
#include "tests/support/CsvReader.h"
#include "tests/support/HorloProgram.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/XlsxReader.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList Args(std::initializer_list<const char*> list) {
    QStringList args;
    for (const char* a : list)
        args << QString::fromUtf8(a);
    return args;
}

struct ReportCli : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    QString url = db.Params().ToUrl();
    int nextEvent = 1;

    void SetUp() override {
        c.ExecuteScript(QStringLiteral(
            "INSERT INTO workingstate (workingstateid, description) VALUES (2, 'Godišnji odmor');"
            "INSERT INTO employee (employeeid, firstname, lastname, code, vocation, startworkingdate, "
            "active, "
            "workingstateid) VALUES "
            "(1, 'Marko', 'Jovanović', '001', 'Direktor, \"glavni\"', '2015-03-01', 'y', NULL),"
            "(2, 'Jelena', 'Babić', '002', 'Računovođa', NULL, 'y', NULL),"
            "(3, 'Ana', 'Zec', '003', NULL, NULL, 'y', 2),"
            "(4, 'Ivan', 'Ilić', '004', NULL, NULL, 'n', NULL);"));
        // three days of 08:00 to 17:10 for Marko
        for (const char* day : {"2024-03-04", "2024-03-05", "2024-03-06"}) {
            Event(1, QStringLiteral("%1 08:00:00").arg(QLatin1String(day)), 5);
            Event(1, QStringLiteral("%1 17:10:00").arg(QLatin1String(day)), 10);
        }
        // Jelena late on the 5th, starting the period with a departure, then two departures
        Event(2, QStringLiteral("2024-03-04 12:00:00"), 10);
        Event(2, QStringLiteral("2024-03-05 09:40:00"), 5);
        Event(2, QStringLiteral("2024-03-05 12:00:00"), 10);
        Event(2, QStringLiteral("2024-03-05 15:00:00"), 10);
    }
    void Event(int employee, const QString& time, int type) {
        c.Execute(
            QStringLiteral("INSERT INTO employeeevent (employeeeventid, eventtime, employeeeventtypeid, "
                           "employeeid, horloaccesspointid, deviceindex) VALUES (%1, '%2', %3, %4, 1, %1)")
                .arg(nextEvent)
                .arg(time)
                .arg(type)
                .arg(employee));
        ++nextEvent;
    }
    static QString At(const std::vector<QStringList>& csv, size_t row, const char* field) {
        return csv.at(row).value(csv.at(0).indexOf(QString::fromLatin1(field)));
    }
};

} // namespace

TEST(ReportCliUsage, MistakesExitWithTwoBeforeTouchingTheDatabase) {
    const QString nowhere = QStringLiteral("mysql://root@localhost/horlo?socket=/nonexistent.sock");
    struct Case {
        QStringList arguments;
        const char* mentions;
    } cases[] = {
        {Args({"report"}), "presence"},
        {Args({"report", "totals"}), "report totals"},
        {Args({"report", "presence", "2024-02-30"}), "2024-02-30"},
        {Args({"report", "presence", "2024-03-05", "2024-03-06"}), "2024-03-06"},
        {Args({"report", "presence", "--code", "001"}), "--code"},
        {Args({"report", "hours", "2024-03-01"}), "OD DO"},
        {Args({"report", "hours", "2024-03-01", "31.04.2024"}), "31.04.2024"},
        {Args({"report", "warnings", "2024-03-31", "2024-03-01"}), "posle"},
        {Args({"report", "warnings", "2024-03-01", "2024-03-31", "--pdf"}), "--pdf"},
    };
    for (const Case& k : cases) {
        const THorloRun r = RunHorlo(k.arguments, nowhere);
        EXPECT_EQ(r.status, 2) << k.arguments.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(k.mentions))) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("nonexistent.sock"))) << r.err.toStdString();
    }
    EXPECT_TRUE(RunHorlo(Args({"--help"}), nowhere).out.contains(QStringLiteral("report warnings")));
    // well formed, but no database: also 2
    EXPECT_EQ(RunHorlo(Args({"report", "presence"}), nowhere).status, 2);
}

TEST_F(ReportCli, PresenceListsInOneCsvTableAndAsText) {
    const THorloRun r = RunHorlo(Args({"report", "presence", "2024-03-05", "--csv"}), url);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const std::vector<QStringList> csv = ReadCsv(r.out);
    ASSERT_EQ(csv.size(), 5u) << r.out.toStdString();
    EXPECT_EQ(csv[0], Args({"list", "EmpID", "EmpFirstname", "EmpLastname", "EmpVocation",
                            "EmpForeignVocation", "EmpCode", "EmpStartWorkingDate", "EmpOrgUnit",
                            "EmpContractType", "EventTime", "EmpWorkState"}));
    for (const QStringList& row : csv)
        EXPECT_EQ(row.size(), 12);
    // present by last name, then late, then absent; Ilić is inactive
    EXPECT_EQ(At(csv, 1, "list"), QStringLiteral("present"));
    EXPECT_EQ(At(csv, 1, "EmpLastname"), QStringLiteral("Babić"));
    EXPECT_EQ(At(csv, 1, "EventTime"), QString());
    EXPECT_EQ(At(csv, 2, "EmpID"), QStringLiteral("1"));
    EXPECT_EQ(At(csv, 2, "EmpVocation"), QStringLiteral("Direktor, \"glavni\""));
    EXPECT_EQ(At(csv, 2, "EmpStartWorkingDate"), QStringLiteral("2015-03-01"));
    EXPECT_EQ(At(csv, 3, "list"), QStringLiteral("late"));
    EXPECT_EQ(At(csv, 3, "EmpID"), QStringLiteral("2"));
    EXPECT_EQ(At(csv, 3, "EventTime"), QStringLiteral("2024-03-05 09:40:00"));
    EXPECT_EQ(At(csv, 4, "list"), QStringLiteral("absent"));
    EXPECT_EQ(At(csv, 4, "EmpFirstname"), QStringLiteral("Ana"));
    EXPECT_EQ(At(csv, 4, "EmpWorkState"), QStringLiteral("Godišnji odmor"));

    // as a workbook for people: the day named, the dialogs' titles and words, cells typed by the fields
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("prisutni.xlsx"));
    const THorloRun xlsx = RunHorlo({QStringLiteral("report"), QStringLiteral("presence"),
                                     QStringLiteral("2024-03-05"), QStringLiteral("--xlsx=") + file},
                                    url);
    ASSERT_EQ(xlsx.status, 0) << xlsx.err.toStdString();
    const TXlsxSheet sheet = ReadXlsx(file);
    EXPECT_EQ(sheet.Row(0), QStringList{QStringLiteral("Izveštaj radnog vremena za 05.03.2024")});
    const QStringList titles = sheet.Row(2);
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Lista"), QStringLiteral("Prezime"), QStringLiteral("Ime"),
                                   QStringLiteral("Kod"), QStringLiteral("Datum početka rada"),
                                   QStringLiteral("Radno mesto"), QStringLiteral("Strano radno mesto"),
                                   QStringLiteral("Organizaciona jed."), QStringLiteral("Tip ugovora"),
                                   QStringLiteral("Vreme dolaska"), QStringLiteral("Status")}));
    EXPECT_EQ(sheet.rows, 3 + 4);
    auto cell = [&](int row, const char* title) {
        return sheet.At(2 + row, int(titles.indexOf(QString::fromUtf8(title))));
    };
    EXPECT_EQ(cell(2, "Lista").value, QStringLiteral("Prisutni"));
    EXPECT_EQ(cell(3, "Lista").value, QStringLiteral("Kasnili"));
    EXPECT_EQ(cell(4, "Lista").value, QStringLiteral("Odsutni"));
    EXPECT_EQ(cell(2, "Kod").value, QStringLiteral("001"));
    EXPECT_TRUE(cell(2, "Kod").text);
    EXPECT_EQ(cell(2, "Datum početka rada").Number(), ExcelDay(2015, 3, 1));
    EXPECT_TRUE(IsDateFormat(cell(2, "Datum početka rada").format));
    EXPECT_NEAR(cell(3, "Vreme dolaska").Number(), ExcelDay(2024, 3, 5) + (9 * 60 + 40) / 1440.0, 1e-9);
    EXPECT_TRUE(IsDateFormat(cell(3, "Vreme dolaska").format));
    EXPECT_EQ(cell(4, "Status").value, QStringLiteral("Godišnji odmor"));

    const THorloRun text = RunHorlo(Args({"report", "presence", "2024-03-05"}), url);
    ASSERT_EQ(text.status, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.contains(QStringLiteral("05.03.2024")));
    const qsizetype present = text.out.indexOf(QStringLiteral("\nPrisutni\n"));
    const qsizetype late = text.out.indexOf(QStringLiteral("\nKašnjenje\n"));
    const qsizetype absent = text.out.indexOf(QStringLiteral("\nOdsutni\n"));
    EXPECT_TRUE(present > 0 && late > present && absent > late) << text.out.toStdString();
    EXPECT_EQ(text.out.count(QStringLiteral("Ukupno: ")), 3);
    EXPECT_TRUE(text.out.contains(QStringLiteral("Ukupno: 2\n\nKašnjenje")));
    EXPECT_TRUE(text.out.endsWith(QStringLiteral("Ukupno: 1\n")));

    // nobody came on a Sunday
    const std::vector<QStringList> sunday =
        ReadCsv(RunHorlo(Args({"report", "presence", "2024-03-10", "--csv"}), url).out);
    ASSERT_EQ(sunday.size(), 4u);
    for (size_t row = 1; row < sunday.size(); ++row)
        EXPECT_EQ(At(sunday, row, "list"), QStringLiteral("absent"));
}

TEST_F(ReportCli, HoursAndWarningsWithTheStoredOptions) {
    const THorloRun hours = RunHorlo(Args({"report", "hours", "2024-03-04", "2024-03-06", "--csv"}), url);
    ASSERT_EQ(hours.status, 0) << hours.err.toStdString();
    std::vector<QStringList> csv = ReadCsv(hours.out);
    ASSERT_EQ(csv.size(), 3u) << hours.out.toStdString();
    EXPECT_EQ(csv[0],
              Args({"employeeid", "EmpLastname", "EmpFirstname", "EmpVocation", "TotHours", "TotMinutes"}));
    // Babić: the opening departure and the second departure add nothing; 09:40 to 12:00
    EXPECT_EQ(csv[1], Args({"2", "Babić", "Jelena", "Računovođa", "2", "20"}));
    // Jovanović: three days of 09:00 to 17:00
    EXPECT_EQ(csv[2], Args({"1", "Jovanović", "Marko", "Direktor, \"glavni\"", "24", "0"}));

    const THorloRun warnings =
        RunHorlo(Args({"report", "warnings", "2024-03-04", "2024-03-06", "--csv"}), url);
    ASSERT_EQ(warnings.status, 0) << warnings.err.toStdString();
    csv = ReadCsv(warnings.out);
    ASSERT_EQ(csv.size(), 4u) << warnings.out.toStdString();
    EXPECT_EQ(csv[0], Args({"EmployeeID", "EmpFirstname", "EmpLastname", "EventID", "EventType", "EventTime",
                            "LengthH", "LengthM", "Warning"}));
    EXPECT_EQ(csv[1], Args({"2", "Jelena", "Babić", "7", "Odlazak", "2024-03-04 12:00:00", "0", "0",
                            "Odlazak bez dolaska"}));
    EXPECT_EQ(csv[2], Args({"2", "Jelena", "Babić", "9", "Odlazak", "2024-03-05 12:00:00", "2", "20",
                            "Kraće od minimuma"}));
    EXPECT_EQ(csv[3], Args({"2", "Jelena", "Babić", "10", "Odlazak", "2024-03-05 15:00:00", "0", "0",
                            "Odlazak bez dolaska"}));

    // the dialog's options: a shorter minimum, a later start of work, card pairs only
    TDBIniFile ini(&c);
    ini.WriteInteger(QStringLiteral("Horlo"), QStringLiteral("MinCalcLen"), 100);
    ini.WriteString(QStringLiteral("Horlo"), QStringLiteral("StartWorkingTime"), QStringLiteral("10:00:00"));
    csv = ReadCsv(RunHorlo(Args({"report", "warnings", "2024-03-04", "2024-03-06", "--csv"}), url).out);
    ASSERT_EQ(csv.size(), 3u);
    EXPECT_EQ(At(csv, 1, "EventID"), QStringLiteral("7"));
    EXPECT_EQ(At(csv, 2, "EventID"), QStringLiteral("10"));
    csv = ReadCsv(
        RunHorlo(Args({"report", "hours", "2024-03-04", "2024-03-06", "--code", "001", "--csv"}), url).out);
    ASSERT_EQ(csv.size(), 2u);
    EXPECT_EQ(csv[1], Args({"1", "Jovanović", "Marko", "Direktor, \"glavni\"", "21", "0"}));
    ini.WriteString(QStringLiteral("Horlo"), QStringLiteral("FromEventIDs"), QStringLiteral("15"));
    csv = ReadCsv(RunHorlo(Args({"report", "hours", "2024-03-04", "2024-03-06", "--csv"}), url).out);
    ASSERT_EQ(csv.size(), 3u);
    EXPECT_EQ(At(csv, 1, "TotHours"), QStringLiteral("0"));
    EXPECT_EQ(At(csv, 2, "TotHours"), QStringLiteral("0"));

    const THorloRun text = RunHorlo(Args({"report", "hours", "2024-03-04", "2024-03-06", "--code=002"}), url);
    ASSERT_EQ(text.status, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.contains(QStringLiteral("04.03.2024 - 06.03.2024")));
    EXPECT_TRUE(text.out.contains(QStringLiteral("Prezime")));
    EXPECT_TRUE(text.out.endsWith(QStringLiteral("Ukupno: 1\n"))) << text.out.toStdString();

    const THorloRun unknown =
        RunHorlo(Args({"report", "hours", "2024-03-04", "2024-03-06", "--code", "999"}), url);
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("999"))) << unknown.err.toStdString();
    EXPECT_TRUE(unknown.out.isEmpty());

    ini.WriteString(QStringLiteral("Horlo"), QStringLiteral("EndWorkingTime"), QStringLiteral("pet sati"));
    const THorloRun broken = RunHorlo(Args({"report", "hours", "2024-03-04", "2024-03-06"}), url);
    EXPECT_EQ(broken.status, 1);
    EXPECT_TRUE(broken.err.contains(QStringLiteral("pet sati"))) << broken.err.toStdString();
}

// The rules around the computations: a setting the command does not use does
// not stop it, one it uses is named with its stored text; no pair or a type
// that opens and closes is refused; a reversed period is a usage mistake; an
// employee without a start date gets an attendance row.
TEST_F(ReportCli, RulesAroundTheComputations) {
    struct Case {
        const char* key;
        const char* value;
        QStringList arguments;
        int status;
        const char* says; // on standard error, or standard output when the status is 0
    } cases[] = {
        {"EndWorkingDelayTime", "17.30", Args({"report", "presence", "2024-03-05"}), 0, "Prisutni"},
        {"EndWorkingDelayTime", "17.30", Args({"report", "hours", "2024-03-04", "2024-03-06"}), 1,
         "Podešavanje EndWorkingDelayTime (odeljak Horlo) ima vrednost \"17.30\""},
        {"FromEventIDs", "", Args({"report", "hours", "2024-03-04", "2024-03-06", "--csv"}), 1,
         "Nije izabran nijedan par događaja"},
        {"FromEventIDs", "5,10", Args({"report", "warnings", "2024-03-04", "2024-03-06"}), 1,
         "Događaj \"Odlazak\" bi i otvarao i zatvarao interval"},
        {nullptr, nullptr, Args({"attendance", "list", "2024-03-31", "2024-03-01"}), 2,
         "Početak perioda (2024-03-31) je posle kraja (2024-03-01)."},
        {nullptr, nullptr, Args({"attendance", "add", "2024-03-07"}), 0,
         "Upisano redova prisustva za 2024-03-07: 3"},
    };
    for (const Case& k : cases) {
        TDBIniFile ini(&c);
        if (k.key)
            ini.WriteString(QStringLiteral("Horlo"), QString::fromLatin1(k.key), QString::fromUtf8(k.value));
        const THorloRun run = RunHorlo(k.arguments, url);
        EXPECT_EQ(run.status, k.status) << k.arguments.join(' ').toStdString() << run.err.toStdString();
        EXPECT_TRUE((k.status ? run.err : run.out).contains(QString::fromUtf8(k.says)))
            << k.arguments.join(' ').toStdString() << ": " << run.out.toStdString() << run.err.toStdString();
        if (k.key)
            c.Execute(QStringLiteral("DELETE FROM dbinifile WHERE ident = '%1'").arg(QLatin1String(k.key)));
    }
}
