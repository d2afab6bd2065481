// SPDX-License-Identifier: GPL-3.0-or-later
// Who was present, late and absent on a day, on servers that insist on full
// grouping too; the report options as first use finds them and as stored; the
// lists' sort orders and tables.
#include "module/reports/PresenceLists.h"
#include "host/data/DBIniFile.h"
#include "host/data/SysUtils.h"
#include "module/data/EventTypes.h"
#include "module/data/HorloDMUnit.h"
#include "module/reports/ReportLists.h"
#include "module/reports/ReportOptions.h"
#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>

namespace {

struct PresenceFixture : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    int nextEvent = 1;

    void SetUp() override {
        c.Execute(QStringLiteral("SET SESSION sql_mode = CONCAT(@@sql_mode, ',ONLY_FULL_GROUP_BY')"));
        c.ExecuteScript(QStringLiteral(
            "INSERT INTO workingstate (workingstateid, description) VALUES (1, 'Radi'), (2, 'Bolovanje');"
            "INSERT INTO employee (employeeid, firstname, lastname, code, vocation, foreignvocation, "
            "startworkingdate, organizationunit, contracttype, active, workingstateid) VALUES "
            "(1, 'Ana', 'Perić', '01', 'Kuvar', 'Cook', '2020-01-15', 'Kuhinja', 'Stalni', 'y', 1),"
            "(2, 'Boris', 'Kovač', '02', NULL, NULL, NULL, NULL, NULL, 'y', 1),"
            "(3, 'Ceca', 'Janković', '03', NULL, NULL, NULL, NULL, NULL, 'y', 2),"
            "(4, 'Dragan', 'Ilić', '04', NULL, NULL, NULL, NULL, NULL, 'n', NULL),"
            "(5, 'Eva', 'Horvat', '05', NULL, NULL, NULL, NULL, NULL, 'y', NULL),"
            "(6, 'Filip', 'Gavrić', '06', NULL, NULL, NULL, NULL, NULL, 'y', 1);"
            "INSERT INTO horloguest (horloguestid, firstname, lastname) VALUES (1, 'Gost', 'Gostić');"
            "INSERT INTO employeeeventtype (employeeeventtypeid, direction, defaultevent, name) VALUES "
            "(300, 'i', 'n', 'Službeni dolazak');"));
    }
    void Event(qint64 employee, const char* time, int type, qint64 guest = 0) {
        c.Execute(
            QStringLiteral("INSERT INTO employeeevent (employeeeventid, eventtime, employeeeventtypeid, "
                           "employeeid, horloguestid, horloaccesspointid, deviceindex) VALUES "
                           "(%1, '%2', %3, %4, %5, 1, %1)")
                .arg(nextEvent)
                .arg(QString::fromLatin1(time))
                .arg(type)
                .arg(employee ? QString::number(employee) : QStringLiteral("NULL"))
                .arg(guest ? QString::number(guest) : QStringLiteral("NULL")));
        ++nextEvent;
    }
    static QList<qint64> Ids(const auto& rows) {
        QList<qint64> ids;
        for (const auto& r : rows)
            ids << r.employee.EmpID;
        return ids;
    }
};

TPresentEmployee Person(qint64 id, const QString& firstname, const QString& lastname) {
    TPresentEmployee p;
    p.employee.EmpID = id;
    p.employee.EmpFirstname = firstname;
    p.employee.EmpLastname = lastname;
    return p;
}

} // namespace

TEST_F(PresenceFixture, PresentLateAndAbsentOfADay) {
    Event(1, "2024-03-05 08:50:00", 5); // on time, back after lunch
    Event(1, "2024-03-05 13:00:00", 5);
    Event(2, "2024-03-05 09:30:00", 15); // late
    Event(2, "2024-03-05 08:00:00", 10); // a departure is no arrival
    Event(3, "2024-03-05 08:00:00", 16); // another type only: absent
    Event(3, "2024-03-05 08:10:00", 300);
    Event(6, "2024-03-05 09:00:00", 5);    // the start itself is late
    Event(0, "2024-03-05 08:00:00", 5, 1); // a guest
    Event(42, "2024-03-05 10:00:00", 5);   // no such employee
    Event(5, "2024-03-04 23:59:59", 5);    // the days around
    Event(5, "2024-03-06 00:00:00", 5);
    Event(4, "2024-03-05 10:00:00", 5); // inactive but here: present and late

    // the session does refuse a grouping with an ungrouped time
    EXPECT_THROW(
        c.Select(QStringLiteral("SELECT e.employeeid, ee.eventtime FROM employeeevent AS ee LEFT JOIN "
                                "employee AS e ON ee.employeeid = e.employeeid GROUP BY e.employeeid")),
        EDatabaseError);
    const TPresenceLists l = ReadPresenceLists(c, QDate(2024, 3, 5), TWorkingDayLimits());
    // by last name: Gavrić, Ilić, Kovač, Perić
    EXPECT_EQ(Ids(l.present), (QList<qint64>{6, 4, 2, 1}));
    EXPECT_EQ(Ids(l.late), (QList<qint64>{6, 4, 2}));
    // active ones without an arrival: Horvat, Janković (inactive Ilić never)
    EXPECT_EQ(Ids(l.absent), (QList<qint64>{5, 3}));
    EXPECT_EQ(l.absent[0].workState, QString());
    EXPECT_EQ(l.absent[1].workState, QStringLiteral("Bolovanje"));
    EXPECT_EQ(l.late[2].firstArrival, MyDateTimeStrToDateTime(QStringLiteral("2024-03-05 09:30:00")));
    EXPECT_EQ(l.present[3].firstArrival, MyDateTimeStrToDateTime(QStringLiteral("2024-03-05 08:50:00")));
    const TReportEmployee& ana = l.present[3].employee;
    EXPECT_EQ(ana.EmpFirstname, QStringLiteral("Ana"));
    EXPECT_EQ(ana.EmpLastname, QStringLiteral("Perić"));
    EXPECT_EQ(ana.EmpCode, QStringLiteral("01"));
    EXPECT_EQ(ana.EmpVocation, QStringLiteral("Kuvar"));
    EXPECT_EQ(ana.EmpForeignVocation, QStringLiteral("Cook"));
    EXPECT_EQ(ana.EmpOrgUnit, QStringLiteral("Kuhinja"));
    EXPECT_EQ(ana.EmpContractType, QStringLiteral("Stalni"));
    EXPECT_EQ(ana.EmpStartWorkingDate, QDate(2020, 1, 15));
    EXPECT_FALSE(l.present[0].employee.EmpStartWorkingDate.isValid());

    // another start of work moves the late threshold
    TWorkingDayLimits early;
    early.StartWorkingTime = QStringLiteral("08:45:00");
    EXPECT_EQ(Ids(ReadPresenceLists(c, QDate(2024, 3, 5), early).late), (QList<qint64>{6, 4, 2, 1}));

    // a day without arrivals: nobody present or late, every active employee absent
    const TPresenceLists empty = ReadPresenceLists(c, QDate(2024, 3, 7), TWorkingDayLimits());
    EXPECT_TRUE(empty.present.empty());
    EXPECT_TRUE(empty.late.empty());
    EXPECT_EQ(Ids(empty.absent), (QList<qint64>{6, 5, 3, 2, 1}));
}

TEST_F(PresenceFixture, OptionsOnFirstUseAndAsStored) {
    // first use: every arrival the devices write opens an interval, the default first
    const TReportOptions first = TReportOptions::Read(c, DefaultPairOpeners(c));
    EXPECT_EQ(first.FromEventIDs, (QList<qint64>{5, 15}));
    EXPECT_EQ(first.MinCalcLen, 360);
    EXPECT_EQ(first.MaxCalcLen, 600);
    EXPECT_EQ(first.MaxExclLen, 30);
    EXPECT_EQ(first.AllowedPauseLen, 30);
    EXPECT_TRUE(first.AllEmp);
    EXPECT_EQ(first.Limits.StartWorkingTime, QStringLiteral("09:00:00"));
    EXPECT_EQ(first.Limits.EndWorkingTime, QStringLiteral("17:00:00"));
    EXPECT_EQ(first.Limits.EndWorkingDelayTime, QStringLiteral("17:30:00"));
    EXPECT_TRUE(TReportOptions::Read(c, {}).FromEventIDs.isEmpty());

    TReportOptions o;
    o.FromEventIDs = {5, 15};
    o.MinCalcLen = 240;
    o.MaxCalcLen = 720;
    o.MaxExclLen = 45;
    o.AllowedPauseLen = 0;
    o.AllEmp = false;
    o.Limits.StartWorkingTime = QStringLiteral("07:30:00");
    o.Write(c);
    TDBIniFile ini(&c);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Horlo"), QStringLiteral("FromEventIDs"), QString()),
              QStringLiteral("5,15"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Horlo"), QStringLiteral("EndWorkingDelayTime"), QString()),
              QStringLiteral("17:30:00"));
    const TReportOptions back = TReportOptions::Read(c, {5});
    EXPECT_EQ(back.FromEventIDs, (QList<qint64>{5, 15}));
    EXPECT_EQ(back.MinCalcLen, 240);
    EXPECT_EQ(back.MaxCalcLen, 720);
    EXPECT_EQ(back.MaxExclLen, 45);
    EXPECT_EQ(back.AllowedPauseLen, 0);
    EXPECT_FALSE(back.AllEmp);
    EXPECT_EQ(back.Limits.StartWorkingTime, QStringLiteral("07:30:00"));

    // a hand-edited list keeps what are identifiers
    ini.WriteString(QStringLiteral("Horlo"), QStringLiteral("FromEventIDs"),
                    QStringLiteral(" 15, x,,-3,300"));
    EXPECT_EQ(TReportOptions::Read(c, {5}).FromEventIDs, (QList<qint64>{15, 300}));
    ini.WriteString(QStringLiteral("Horlo"), QStringLiteral("FromEventIDs"), QString());
    EXPECT_TRUE(TReportOptions::Read(c, {5}).FromEventIDs.isEmpty());

    // the closing type of each pair is the inverse of the opening one
    const std::vector<TEventPair> pairs = EventPairsFor(c, {5, 15, 300});
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(pairs[0].ToEventTypeID, 10);
    EXPECT_EQ(pairs[1].ToEventTypeID, 16);
    EXPECT_EQ(pairs[2].ToEventTypeID, 0);
}

TEST(ReportLists, SortOrdersTurnAboutAndTitlesWithoutOneAreLeftAlone) {
    TClientDataSet present;
    DefinePresenceList(present, TPresenceKind::Present);
    FillPresenceList(present, {Person(1, QStringLiteral("Ana"), QStringLiteral("Đorđević")),
                               Person(2, QStringLiteral("Ćira"), QStringLiteral("Čolić")),
                               Person(3, QStringLiteral("Zoran"), QStringLiteral("Cvetić"))});
    auto order = [&] {
        QList<qint64> ids;
        for (int row = 0; row < present.RecordCount(); ++row)
            ids << present.RowValue(row, 0).toLongLong();
        return ids;
    };
    EXPECT_EQ(order(), (QList<qint64>{1, 2, 3})); // as given
    for (const char* expected : {"EmpLastnameA", "EmpLastnameD", "EmpLastnameA"}) {
        const QString next = NextSortOrder(present, QStringLiteral("EmpLastname"));
        EXPECT_EQ(next, QString::fromLatin1(expected));
        present.SetIndexName(next);
    }
    // Serbian alphabet: C, Č, Ć, ..., Đ
    EXPECT_EQ(order(), (QList<qint64>{3, 2, 1}));
    EXPECT_EQ(NextSortOrder(present, QStringLiteral("EmpFirstname")), QStringLiteral("EmpFirstnameA"));
    EXPECT_EQ(NextSortOrder(present, QStringLiteral("EmpStartWorkingDate")), QString());
    EXPECT_EQ(NextSortOrder(present, QStringLiteral("EventTime")), QString());

    // a refill keeps the chosen order
    present.SetIndexName(QStringLiteral("EmpFirstnameD"));
    FillPresenceList(present, {Person(4, QStringLiteral("Bojan"), QStringLiteral("X")),
                               Person(5, QStringLiteral("Vesna"), QStringLiteral("Y"))});
    EXPECT_EQ(order(), (QList<qint64>{5, 4}));
    EXPECT_EQ(present.IndexName(), QStringLiteral("EmpFirstnameD"));

    TClientDataSet late, warnings, hours;
    DefinePresenceList(late, TPresenceKind::Late);
    DefineWarningsList(warnings);
    DefineHoursList(hours);
    EXPECT_EQ(NextSortOrder(late, QStringLiteral("EventTime")), QStringLiteral("EventTimeA"));
    EXPECT_EQ(NextSortOrder(hours, QStringLiteral("TotMinutes")), QStringLiteral("TotMinutesA"));
    EXPECT_EQ(NextSortOrder(warnings, QStringLiteral("LengthH")), QStringLiteral("LengthHA"));
    EXPECT_EQ(NextSortOrder(warnings, QStringLiteral("EmployeeID")), QString());

    // "Sati" sorts by the whole length: hours, then minutes
    FillHoursList(hours, {{1, QStringLiteral("A"), {}, {}, 8 * 60 + 10},
                          {2, QStringLiteral("B"), {}, {}, 8 * 60 + 50},
                          {3, QStringLiteral("C"), {}, {}, 7 * 60 + 55}});
    hours.SetIndexName(QStringLiteral("TotHoursD"));
    QList<qint64> byLength;
    for (int row = 0; row < hours.RecordCount(); ++row)
        byLength << hours.RowValue(row, 0).toLongLong();
    EXPECT_EQ(byLength, (QList<qint64>{2, 1, 3}));

    FillWarningsList(warnings,
                     {{7, QStringLiteral("Ana"), QStringLiteral("Perić"), 99, QStringLiteral("Odlazak"),
                       MyDateTimeStrToDateTime(QStringLiteral("2024-03-05 15:00:05")), 330}});
    // for programs every field by its name, in machine forms; for people the grid's columns as shown
    const auto write = [&](TListFormat format, const QStringList& columns) {
        const std::vector<const TField*> fields = FieldsOf(warnings, columns);
        QString text;
        QTextStream out(&text);
        WriteList(out, format, {{}, FieldColumns(fields)},
                  RowsOf(std::vector<TListRow>{DataSetRow(warnings, 0, fields)}));
        return text;
    };
    EXPECT_EQ(
        write(TListFormat::Csv, {}),
        QStringLiteral(
            "EmployeeID,EmpFirstname,EmpLastname,EventID,EventType,EventTime,LengthH,LengthM,Warning\r\n"
            "7,Ana,Perić,99,Odlazak,2024-03-05 15:00:05,5,30,Kraće od minimuma\r\n"));
    EXPECT_EQ(write(TListFormat::Text, WarningsColumns()),
              QStringLiteral("Prezime  Ime  Događaj  Vreme              Sati  Minuta  Upozorenje\n"
                             "Perić    Ana  Odlazak  05.03.24 15:00:05     5      30  Kraće od minimuma\n"));
}
