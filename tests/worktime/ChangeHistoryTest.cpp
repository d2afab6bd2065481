// SPDX-License-Identifier: GPL-3.0-or-later
// Every kind of change made through Horlo writes its history row in the
// change's own transaction; a change that fails writes none.
#include "module/data/ChangeHistory.h"
#include "host/data/SysUtils.h"
#include "module/data/HorloData.h"
#include "module/device/CardHolder.h"
#include "module/worktime/AttendanceDay.h"
#include "module/worktime/HandEvents.h"
#include "tests/support/TestDatabase.h"

#include <QSysInfo>

#include <gtest/gtest.h>

namespace {

struct History : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    THorloData dm;
    QString sheetSql = dm.HorloAttendanceZQ->SQL();
    qint64 seen = 0;

    void SetUp() override {
        dm.SetZConnection(&c);
        dm.Initialize();
        c.ExecuteScript(QStringLiteral(
            "INSERT INTO employee (employeeid, firstname, lastname, code) VALUES (1, 'Ana', 'Babić', '001'),"
            "(2, 'Ivan', 'Perić', '002');"
            "INSERT INTO employeeevent (employeeeventid, eventtime, employeeeventtypeid, employeeid, "
            "horloaccesspointid, deviceindex) VALUES (1, '2024-03-05 09:00:00', 5, 1, 1, 7);"
            "INSERT INTO employeecard (employeecardid, cardcode, name) VALUES (1, 1234, 'K1');"));
    }
    // The rows written since the last call, as "table/action/employee", and all their texts.
    QStringList Written(QString& texts) {
        QStringList rows;
        texts.clear();
        for (const auto& row :
             c.Select(QStringLiteral("SELECT horlohistoryid, tablename, action, IFNULL(employeeid, 0), "
                                     "CONCAT_WS(' ', oldvalues, newvalues, reason) FROM horlohistory WHERE "
                                     "horlohistoryid > %1 ORDER BY horlohistoryid")
                          .arg(seen))
                 .rows) {
            seen = row[0].toLongLong();
            rows << QStringLiteral("%1/%2/%3").arg(row[1].toString(), row[2].toString(), row[3].toString());
            texts += row[4].toString() + QLatin1Char('\n');
        }
        return rows;
    }
    QDateTime At(const char* time) { return MyDateTimeStrToDateTime(QStringLiteral("2024-03-05 ") + time); }
    void OpenSheet() {
        dm.HorloAttendanceZQ->Close();
        dm.HorloAttendanceZQ->SetSQL(
            ChangeSQLCondition(sheetSql, QStringLiteral("ta.attendancedate = '2024-03-05'")));
        dm.HorloAttendanceZQ->Open();
    }
};

} // namespace

TEST_F(History, EveryKindOfChangeWritesItsRowsInItsTransactionAndAFailedOneNone) {
    const QDate day(2024, 3, 5);
    const THandEvent departure{1, At("17:10:00"), 10};
    struct Case {
        const char* what;
        std::function<void()> change;
        QStringList rows;
        const char* text; // in the values or the reason
    } cases[] = {
        {"a day of the sheet",
         [&] { TAttendanceDay(c, TWorkingDayLimits()).StoreDay(day); },
         {"horloattendance/i/1", "horloattendance/i/2"},
         "\"regularworkinghours\":0"},
        {"an event added by hand, and the stored day follows",
         [&] { AddHandEvent(c, departure, QStringLiteral("zaboravio odlazak")); },
         {"employeeevent/i/1", "horloattendance/u/1"},
         "\"regularworkinghours\":8,"},
        {"changed by hand: the hours stay",
         [&] {
             ChangeHandEvent(c, 2, {1, At("17:00:00"), 10}, QStringLiteral("tačno vreme"));
         },
         {"employeeevent/u/1"},
         "{\"eventtime\":\"2024-03-05 17:10:00\"} {\"eventtime\":\"2024-03-05 17:00:00\"}"},
        {"deleted by hand",
         [&] { DeleteHandEvent(c, 2, QStringLiteral("greška")); },
         {"employeeevent/d/1", "horloattendance/u/1"},
         "greška"},
        {"the sheet's hours typed and applied",
         [&] {
             OpenSheet();
             dm.HorloAttendanceZQ->Last();
             dm.HorloAttendanceZQ->FieldByName(QStringLiteral("sickhours"))->SetAsFloat(8);
             dm.HorloAttendanceZQ->ApplyUpdates();
         },
         {"horloattendance/u/2"},
         "{\"sickhours\":0} {\"sickhours\":8}"},
        {"a calendar day",
         [&] {
             TZQuery* calendar = dm.HorloWorkCalendarZQ;
             calendar->Open();
             calendar->Append();
             calendar->FieldByName(QStringLiteral("year"))->SetAsInteger(2024);
             calendar->FieldByName(QStringLiteral("month"))->SetAsInteger(3);
             calendar->FieldByName(QStringLiteral("workcalendardate"))->SetValue(day);
             calendar->FieldByName(QStringLiteral("workday"))->SetAsBoolean(false);
             calendar->ApplyUpdates();
         },
         {"horloworkcalendar/i/0"},
         "\"workday\":\"n\""},
        {"a card tied in the card list",
         [&] {
             dm.EmployeeCardZQ->Open();
             dm.EmployeeCardZQ->Edit();
             dm.EmployeeCardZQ->FieldByName(QStringLiteral("employeeid"))->SetAsLargeInt(2);
             dm.EmployeeCardZQ->Post();
         },
         {"employeecard/u/2"},
         "{\"employeeid\":null} {\"employeeid\":2}"},
        {"and untied as `horlo card` does it, and who held it ends then",
         [&] { ChangeCardHolder(c, {1, 0, {}, true}); },
         {"employeecard/u/2", "employeecardholder/u/2"},
         "{\"employeeid\":2} {\"employeeid\":null}"},
        {"a working-time setting",
         [&] { TWorkingDayLimits::Store(c, QStringLiteral("StartWorkingTime"), QStringLiteral("8:30")); },
         {"dbinifile/i/0"},
         "{\"Horlo.StartWorkingTime\":\"08:30:00\"}"},
        // failures leave nothing
        {"no reason", [&] { AddHandEvent(c, departure, QStringLiteral("  ")); }, {}, ""},
        {"a device's event", [&] { DeleteHandEvent(c, 1, QStringLiteral("x")); }, {}, ""},
        {"a setting refused",
         [&] { TWorkingDayLimits::Store(c, QStringLiteral("EndWorkingTime"), QStringLiteral("7:00")); },
         {},
         ""},
        {"an apply that fails as a whole",
         [&] {
             OpenSheet();
             dm.HorloAttendanceZQ->First();
             dm.HorloAttendanceZQ->FieldByName(QStringLiteral("comment"))->SetAsString(QStringLiteral("x"));
             dm.HorloAttendanceZQ->Append();
             dm.HorloAttendanceZQ->FieldByName(QStringLiteral("employeeid"))->SetAsLargeInt(2);
             dm.HorloAttendanceZQ->FieldByName(QStringLiteral("attendancedate"))->SetValue(day);
             EXPECT_THROW(dm.HorloAttendanceZQ->ApplyUpdates(), EDatabaseError);
             dm.HorloAttendanceZQ->CancelUpdates();
         },
         {},
         ""},
    };
    for (const Case& k : cases) {
        k.change();
        QString texts;
        EXPECT_EQ(Written(texts), k.rows) << k.what;
        EXPECT_TRUE(texts.contains(QString::fromUtf8(k.text))) << k.what << ": " << texts.toStdString();
    }
    const TResultSet who =
        c.Select(QStringLiteral("SELECT DISTINCT dbuser, osuser, machine FROM horlohistory"));
    ASSERT_EQ(who.rows.size(), 1u);
    EXPECT_TRUE(who.rows[0][0].toString().contains(QLatin1Char('@'))); // the server's user@host
    EXPECT_FALSE(who.rows[0][1].toString().isEmpty());
    EXPECT_EQ(who.rows[0][2].toString(), QSysInfo::machineHostName());
    EXPECT_THROW(RecordChange(c, {}), std::logic_error); // only inside the change's transaction
}
