// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "module/data/HorloDMUnit.h"
#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>

namespace {

struct DMFixture : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    void SetUp() override {
        CreateHorloDM();
        HorloDM->SetZConnection(&c);
    }
    void TearDown() override { DestroyHorloDM(); }
    int Count(const QString& table) {
        return c.Select(QStringLiteral("SELECT COUNT(*) FROM ") + table).rows[0][0].toInt();
    }
    QString PostError(TDataSet& ds) {
        try {
            ds.Post();
        } catch (const EDatabaseError& e) {
            ds.Cancel();
            return e.Message();
        }
        return {};
    }
};

} // namespace

TEST_F(DMFixture, BooleanTextHandlersShowYesNoAndStoreTrueUnlessNo) {
    HorloDM->HorloWorkCalendarZQ->Open();
    TField* workday = HorloDM->HorloWorkCalendarZQworkday;
    struct Case {
        QString entered;
        bool stored;
    } cases[] = {{_NO_CAP, false},
                 {QString(), true},
                 {_YES_CAP, true},
                 {QString(_NO_CAP).toLower(), true},
                 {QStringLiteral("x"), true}};
    for (const Case& k : cases) {
        HorloDM->HorloWorkCalendarZQ->Append();
        workday->SetText(k.entered);
        EXPECT_EQ(workday->AsBoolean(), k.stored) << k.entered.toStdString();
        EXPECT_EQ(workday->DisplayText(), k.stored ? _YES_CAP : _NO_CAP);
        HorloDM->HorloWorkCalendarZQ->Cancel();
    }
    HorloDM->HorloWorkCalendarZQ->Append();
    workday->Clear();
    EXPECT_EQ(workday->DisplayText(), _NO_CAP); // an empty flag shows "no"
    HorloDM->HorloWorkCalendarZQ->Cancel();
}

TEST_F(DMFixture, NewCardIsActiveAndCardNameAndCodeAreUniqueAndRequired) {
    TZQuery* cards = HorloDM->EmployeeCardZQ;
    cards->Open();
    cards->Append();
    EXPECT_TRUE(HorloDM->EmployeeCardZQactive->AsBoolean());
    EXPECT_EQ(HorloDM->EmployeeCardZQactive->DisplayText(), _YES_CAP);
    HorloDM->EmployeeCardZQname->SetAsString(QStringLiteral("K1"));
    HorloDM->EmployeeCardZQcardcode->SetAsInteger(1001);
    cards->Post();

    const QString required = Format(_CMN_FIELD_REQUIRED_ERR, {QStringLiteral("ID kartice")});
    const QString duplicateName = Format(_CMN_FIELD_INVALIDE_ERR, {QStringLiteral("ID kartice")});
    const QString duplicateCode = Format(_CMN_FIELD_INVALIDE_ERR, {QStringLiteral("Kod")});
    struct Case {
        QString name;
        qint64 code;
        QString error;
    } cases[] = {{QStringLiteral("K1"), 1002, duplicateName},
                 {QStringLiteral("K2"), 1001, duplicateCode},
                 {QString(), 1003, required},
                 {QStringLiteral("K2"), 1002, QString()}};
    for (const Case& k : cases) {
        cards->Append();
        HorloDM->EmployeeCardZQname->SetAsString(k.name);
        HorloDM->EmployeeCardZQcardcode->SetAsInteger(k.code);
        EXPECT_EQ(PostError(*cards), k.error) << k.name.toStdString();
    }
    EXPECT_EQ(Count(QStringLiteral("employeecard")), 2);
    // editing a card without changing its name or code is no duplicate
    ASSERT_TRUE(cards->Locate(QStringLiteral("name"), QStringLiteral("K1")));
    cards->Edit();
    cards->FieldByName(QStringLiteral("comment"))->SetAsString(QStringLiteral("plava"));
    EXPECT_EQ(PostError(*cards), QString());
    EXPECT_EQ(
        c.Select(QStringLiteral("SELECT comment FROM employeecard WHERE name = 'K1'")).rows[0][0].toString(),
        QStringLiteral("plava"));
}

TEST_F(DMFixture, EventListNamesEmployeesAndGuestsAndCutsTypeNames) {
    c.Execute(QStringLiteral(
        "INSERT INTO employee (employeeid, firstname, lastname) VALUES (1, 'Marko', 'Jovanović')"));
    c.Execute(QStringLiteral(
        "INSERT INTO horloguest (horloguestid, firstname, lastname) VALUES (4, 'Gost', 'Gostić')"));
    c.Execute(
        QStringLiteral(
            "INSERT INTO employeeeventtype (employeeeventtypeid, direction, defaultevent, pairid, name) "
            "VALUES (40, 'o', 'n', NULL, %1)")
            .arg(c.Quote(QString(45, QLatin1Char('x')))));
    // positional inserts: twelve values into employeeevent, eleven into employeeeventraw
    c.Execute(QStringLiteral(
        "INSERT INTO `employeeeventraw` VALUES (NULL, NULL, '2024-03-01 08:00:00', 5, 1, NULL, 1, "
        "3, 7, 100, NULL)"));
    const qint64 rawId = c.LastInsertId();
    c.Execute(QStringLiteral(
                  "INSERT INTO `employeeevent` VALUES (NULL, NULL, '2024-03-01 08:00:00', 5, 1, NULL, 1, 3, "
                  "7, 100, %1, NULL)")
                  .arg(rawId));
    c.Execute(QStringLiteral(
        "INSERT INTO `employeeevent` VALUES (NULL, NULL, '2024-03-01 09:00:00', 16, NULL, 4, 1, 3, "
        "8, 101, NULL, NULL)"));
    c.Execute(QStringLiteral(
        "INSERT INTO `employeeevent` VALUES (NULL, NULL, '2024-03-01 10:00:00', 40, 0, 4, 1, 3, "
        "8, 102, NULL, NULL)"));
    c.Execute(QStringLiteral(
        "INSERT INTO `employeeevent` VALUES (NULL, NULL, '2024-03-01 11:00:00', 99, 1, NULL, 1, 3, "
        "8, 103, NULL, NULL)"));

    TZQuery* events = HorloDM->EmployeeEventZQ;
    events->Open();
    EXPECT_EQ(events->RecordCount(), 0); // the initial condition lists nothing
    events->Close();
    events->SetSQL(ChangeSQLCondition(events->SQL(), QString()));
    events->Open();
    events->SetSortedFields(QStringLiteral("deviceindex ASC"));
    struct Row {
        const char* name;
        QString type;
        const char* direction;
    } rows[] = {{"Jovanović Marko", QStringLiteral("Dolazak"), "i"},
                {"Gostić Gost", QStringLiteral("Odlazak karticom"), "o"},
                {"Gostić Gost", QString(30, QLatin1Char('x')), "o"},
                {"Jovanović Marko", QString(), ""}};
    events->First();
    for (const Row& r : rows) {
        EXPECT_EQ(events->FieldByName(QStringLiteral("employeename"))->AsString(), QString::fromUtf8(r.name));
        EXPECT_EQ(events->FieldByName(QStringLiteral("eventtypename"))->AsString(), r.type);
        EXPECT_EQ(events->FieldByName(QStringLiteral("eventdirection"))->AsString(),
                  QString::fromLatin1(r.direction));
        events->Next();
    }
    events->First();
    EXPECT_EQ(events->FieldByName(QStringLiteral("eventtime"))->DisplayText(),
              QStringLiteral("01.03.2024 08:00:00"));
    EXPECT_EQ(events->FieldByName(QStringLiteral("employeeeventrawid"))->AsLargeInt(), rawId);
    EXPECT_EQ(events->FieldByName(QStringLiteral("cardcode"))->AsInteger(), 7);
    EXPECT_EQ(events->FieldByName(QStringLiteral("eventtime"))->DisplayName(), QStringLiteral("Vreme"));
    EXPECT_THROW(events->Edit(), EDatabaseError); // the event list is read-only

    HorloDM->EmployeeEventRawZQ->Open(); // the raw list opens with its nine fields
    EXPECT_EQ(HorloDM->EmployeeEventRawZQ->FieldCount(), 9);
}

TEST_F(DMFixture, EventTypeLookupsWithAndWithoutMatchingRows) {
    EXPECT_EQ(HorloDM->GetDefaultEventTypeID(QLatin1Char('i')), 5);
    EXPECT_EQ(HorloDM->GetDefaultEventTypeID(QLatin1Char('o')), 10);
    EXPECT_EQ(HorloDM->GetDefaultEventTypeID(QLatin1Char('\'')), 0); // escaped, no such direction
    EXPECT_EQ(HorloDM->GetInverseEventTypeID(5), 10);
    EXPECT_EQ(HorloDM->GetInverseEventTypeID(16), 15);

    QChar direction = QLatin1Char('?');
    QString name = QStringLiteral("old");
    HorloDM->GetEventType(15, direction, name);
    EXPECT_EQ(direction, QLatin1Char('i'));
    EXPECT_EQ(name, QStringLiteral("Dolazak karticom"));
    direction = QLatin1Char('?');
    HorloDM->GetEventType(999, direction, name);
    EXPECT_EQ(direction, QLatin1Char('?')); // left as the caller set it
    EXPECT_TRUE(name.isEmpty());

    // a type whose own pairid is set but that nobody points at has no inverse
    c.Execute(QStringLiteral(
        "INSERT INTO employeeeventtype (direction, defaultevent, pairid, name) VALUES ('i', 'n', 5, "
        "'Samo')"));
    EXPECT_EQ(HorloDM->GetInverseEventTypeID(c.LastInsertId()), 0);
    c.Execute(QStringLiteral("UPDATE employeeeventtype SET defaultevent = 'n' WHERE direction = 'o'"));
    EXPECT_EQ(HorloDM->GetDefaultEventTypeID(QLatin1Char('o')), 0);
}

TEST_F(DMFixture, SharedQueriesOpenOnTheSchema) {
    c.Execute(
        QStringLiteral("INSERT INTO employeecard (employeecardid, cardcode, name) VALUES (3, 1234, 'K3')"));
    c.Execute(QStringLiteral(
        "INSERT INTO horloaccessticket (horloaccesspointid, employeecardid) VALUES (2, 3), (1, 3)"));
    HorloDM->HorloAccessTicketZQ->ParamByName(QStringLiteral("IDEmployeeCard"))->SetAsInteger(3);
    HorloDM->HorloAccessTicketZQ->Open();
    ASSERT_EQ(HorloDM->HorloAccessTicketZQ->RecordCount(), 2);
    EXPECT_EQ(HorloDM->HorloAccessTicketZQ->FieldByName(QStringLiteral("horloaccesspointid"))->AsInteger(),
              1);
    EXPECT_DOUBLE_EQ(HorloDM->HorloAccessTicketZQ->FieldByName(QStringLiteral("employeecardcode"))->AsFloat(),
                     1234.0);
    for (TZQuery* q :
         {HorloDM->HorloAttendanceZQ, HorloDM->HorloAccessPointZQ, HorloDM->EmployeeEventTypeZQ}) {
        EXPECT_NO_THROW(q->Open()) << q->Name().toStdString();
    }
    EXPECT_EQ(HorloDM->EmployeeEventTypeZQ->RecordCount(), 4);
    EXPECT_EQ(HorloDM->ImageList.Count(), 1);
    EXPECT_EQ(HorloDM->DBGImageList.Count(), 2);
}

TEST_F(DMFixture, NewAttendanceRowsStartFromColumnDefaults) {
    TZQuery* sheet = HorloDM->HorloAttendanceZQ;
    sheet->Open();
    sheet->Append();
    EXPECT_EQ(sheet->FieldByName(QStringLiteral("nightworkinghours"))->AsFloat(), 0.0);
    sheet->FieldByName(QStringLiteral("employeeid"))->SetAsInteger(1);
    sheet->FieldByName(QStringLiteral("attendancedate"))->SetAsString(QStringLiteral("2024-03-01"));
    sheet->FieldByName(QStringLiteral("regularworkinghours"))->SetAsFloat(7.5);
    sheet->Post();
    EXPECT_EQ(Count(QStringLiteral("horloattendance")), 0); // cached until applied
    sheet->ApplyUpdates();
    const TResultSet rs =
        c.Select(QStringLiteral("SELECT regularworkinghours, sickhours FROM horloattendance"));
    ASSERT_EQ(rs.rows.size(), 1u);
    EXPECT_DOUBLE_EQ(rs.rows[0][0].toDouble(), 7.5);
    EXPECT_DOUBLE_EQ(rs.rows[0][1].toDouble(), 0.0);
}

TEST_F(DMFixture, DemoDataLoadsAndIsConsistent) {
    db.LoadSchemaFile(QStringLiteral("demo.sql"));
    EXPECT_GE(Count(QStringLiteral("employee")), 30);
    EXPECT_GE(Count(QStringLiteral("employeeevent")), 500);
    // every demo event names a ticket that belongs to the event's card holder
    EXPECT_EQ(
        c.Select(QStringLiteral(
                     "SELECT COUNT(*) FROM employeeevent AS ee JOIN horloaccessticket AS t ON "
                     "t.horloaccessticketid = ee.horloaccessticketid JOIN employeecard AS ec ON "
                     "ec.employeecardid = t.employeecardid WHERE ec.cardcode <> ee.cardcode OR "
                     "NOT (t.employeeid <=> ee.employeeid) OR NOT (t.horloguestid <=> ee.horloguestid)"))
            .rows[0][0]
            .toInt(),
        0);
    HorloDM->EmployeeCardZQ->Open();
    ASSERT_TRUE(HorloDM->EmployeeCardZQ->Locate(QStringLiteral("name"), QStringLiteral("G01")));
    EXPECT_EQ(HorloDM->EmployeeCardZQ->FieldByName(QStringLiteral("horloguestname"))->AsString(),
              QStringLiteral("Kovač Ivan"));
}
