// SPDX-License-Identifier: GPL-3.0-or-later
// The attendance day: counted minutes of a day's events, who gets a row, and
// storing a day at once.
#include "module/worktime/AttendanceDay.h"
#include "host/data/DBIniFile.h"
#include "host/data/SysUtils.h"
#include "module/reports/HoursReport.h"
#include "module/worktime/HandEvents.h"
#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>

namespace {

const QDate kDay(2024, 3, 5);

QDateTime At(const char* time, int dayOffset = 0) {
    return QDateTime(kDay.addDays(dayOffset),
                     QTime::fromString(QString::fromLatin1(time), QStringLiteral("HH:mm:ss")), Qt::UTC);
}

struct Swipe {
    const char* time;
    int type;
};

int Minutes(std::initializer_list<Swipe> swipes) {
    std::vector<TDayEvent> events;
    for (const Swipe& s : swipes)
        events.push_back({At(s.time), s.type});
    return CountWorkingDay(events, TWorkingDay::On(kDay, TWorkingDayLimits()), TEventRoles::Attendance())
        .minutes;
}

} // namespace

TEST(AttendanceDay, CountedMinutesClampToWorkingHoursAndCapAtEight) {
    struct Case {
        const char* what;
        std::initializer_list<Swipe> swipes;
        int minutes;
        double regular;
        double unallocated;
    } cases[] = {
        {"early arrival, departure in the grace period", {{"08:45:00", 5}, {"17:10:00", 10}}, 480, 8, 0},
        {"late departure after the grace period", {{"09:10:00", 5}, {"17:45:00", 10}}, 515, 8, 35 / 60.0},
        {"departure at the end of the grace period itself", {{"09:00:00", 5}, {"17:30:00", 16}}, 510, 8, 0.5},
        {"lunch break", {{"09:00:00", 5}, {"12:00:00", 10}, {"12:30:00", 15}, {"17:00:00", 10}}, 450, 7.5, 0},
        {"the later of two arrivals counts", {{"09:00:00", 5}, {"10:00:00", 5}, {"12:00:00", 10}}, 120, 2, 0},
        {"departure without arrival, arrival without departure",
         {{"08:00:00", 10}, {"09:00:00", 5}},
         0,
         0,
         0},
        {"less than a minute keeps the arrival open",
         {{"09:00:10", 5}, {"09:00:50", 10}, {"12:00:00", 10}},
         179,
         179 / 60.0,
         0},
        {"any other type is a departure, whatever its direction",
         {{"09:00:00", 15}, {"11:00:00", 300}},
         120,
         2,
         0},
        // a departure at or before the counted start of its arrival adds nothing
        {"arrival and departure both before the start", {{"07:00:00", 5}, {"08:30:00", 10}}, 0, 0, 0},
        {"the arrival stays open after such a departure",
         {{"07:00:00", 5}, {"08:30:00", 10}, {"12:00:00", 10}},
         180,
         3,
         0},
        {"arrival and departure inside the grace period", {{"17:10:00", 5}, {"17:20:00", 10}}, 0, 0, 0},
        {"departure exactly at the counted start", {{"08:00:00", 5}, {"09:00:00", 10}}, 0, 0, 0},
        {"night arrival without departure that day", {{"22:00:00", 5}}, 0, 0, 0},
    };
    for (const Case& k : cases) {
        const int m = Minutes(k.swipes);
        EXPECT_EQ(m, k.minutes) << k.what;
        EXPECT_DOUBLE_EQ(RegularHours(m), k.regular) << k.what;
        EXPECT_DOUBLE_EQ(UnallocatedHours(m), k.unallocated) << k.what;
    }
}

namespace {

struct DayFixture : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    int nextEvent = 1;

    void Employee(int id, const char* code, const char* from, const char* to, const char* state,
                  const char* active = "y", const char* start = "'2015-03-01'") {
        c.Execute(
            QStringLiteral("INSERT INTO employee (employeeid, firstname, lastname, code, "
                           "personalidentificator, vocation, startworkingdate, active, workingfromdate, "
                           "workingtodate, workingstateid) VALUES (%1, 'Ime%1', 'Prezime%1', '%2', 'J%1', "
                           "'Posao', %3, '%4', %5, %6, %7)")
                .arg(id)
                .arg(QString::fromLatin1(code), QString::fromLatin1(start), QString::fromLatin1(active),
                     QString::fromLatin1(from), QString::fromLatin1(to), QString::fromLatin1(state)));
    }
    void Event(int employee, const QDateTime& time, int type) {
        c.Execute(
            QStringLiteral("INSERT INTO employeeevent (employeeeventid, eventtime, employeeeventtypeid, "
                           "employeeid, horloaccesspointid, deviceindex) VALUES (%1, '%2', %3, %4, 1, %1)")
                .arg(nextEvent++)
                .arg(SqlDateTime(time))
                .arg(type)
                .arg(employee));
    }
    TAttendanceDay Day() { return TAttendanceDay(c, TWorkingDayLimits::Read(c)); }
};

} // namespace

TEST_F(DayFixture, EligibleEmployeesIncludeOpenEndedAndStatelessOnes) {
    struct Row {
        int id;
        const char* code;
        const char* from;
        const char* to;
        const char* state;
        const char* active;
        bool eligible;
    } rows[] = {
        {1, "001", "'2020-01-01'", "'2030-01-01'", "1", "y", true},
        {2, "002", "'2020-01-01'", "NULL", "1", "y", true},            // no end date: open-ended
        {3, "003", "'2020-01-01'", "'2030-01-01'", "NULL", "y", true}, // no working state
        {4, "004", "'2020-01-01'", "'1899-12-30'", "1", "y", true},    // the personnel module's empty date
        {5, "005", "'2020-01-01'", "'2024-03-05'", "1", "y", true},    // ends that day
        {6, "006", "'2020-01-01'", "'2024-03-04'", "1", "y", false},   // ended the day before
        {7, "007", "'2020-01-01'", "'2024-02-29'", "1", "y", true},    // before the first of the month
        {8, "008", "'2024-03-06'", "NULL", "1", "y", false},           // starts the day after
        {9, "009", "'2020-01-01'", "NULL", "7", "y", false},
        {10, "010", "'2020-01-01'", "NULL", "8", "y", false},
        {11, "011", "'2020-01-01'", "NULL", "15", "y", false},
        {12, "012", "'2020-01-01'", "NULL", "2", "n", false},   // not active
        {13, "013", "'2024-03-05'", "NULL", "NULL", "y", true}, // starts that day, both NULL
    };
    for (const Row& r : rows)
        Employee(r.id, r.code, r.from, r.to, r.state, r.active);
    QList<qint64> expected, got;
    for (const Row& r : rows)
        if (r.eligible) expected << r.id;
    for (const TAttendanceEmployee& e : Day().EligibleEmployees(kDay))
        got << e.employeeId;
    EXPECT_EQ(got, expected);
}

TEST_F(DayFixture, DayMinutesReadsEveryEmployeesEventsOfThatDayOnly) {
    Employee(1, "001", "'2020-01-01'", "NULL", "1");
    Employee(2, "002", "'2020-01-01'", "NULL", "1");
    Event(1, At("08:45:00"), 5);
    Event(2, At("09:10:00"), 15);
    Event(1, At("17:10:00"), 10);
    Event(2, At("17:45:00"), 16);
    Event(1, At("22:00:00", -1), 5); // the evening before: its departure this morning finds no arrival
    Event(1, At("06:00:00", 1), 10);
    const QHash<qint64, int> all = Day().DayMinutes(kDay);
    EXPECT_EQ(all.value(1), 480);
    EXPECT_EQ(all.value(2), 515);
    EXPECT_EQ(Day().DayMinutes(kDay, 2), (QHash<qint64, int>{{2, 515}}));
    EXPECT_TRUE(Day().DayMinutes(kDay.addDays(-1)).value(1) == 0);
}

TEST_F(DayFixture, ReportSheetAndStoredRowCountADayAlikeWithEventsEnteredByHand) {
    struct Case {
        const char* what;
        std::vector<Swipe> device, byHand; // by hand: added after the day was stored
        int minutes;
    } cases[] = {
        {"a forgotten departure added by hand", {{"08:45:00", 5}}, {{"17:10:00", 10}}, 480},
        {"a departure within the minute keeps the arrival open",
         {{"09:10:00", 5}, {"09:10:30", 10}, {"12:00:00", 10}},
         {},
         170},
        {"an arrival and a departure both before the start count 0",
         {{"07:00:00", 5}, {"08:30:00", 10}},
         {},
         0},
        {"a missed card arrival added by hand", {{"12:00:00", 16}}, {{"09:00:00", 15}}, 180},
        {"a lunch break added by hand",
         {{"09:00:00", 5}, {"17:00:00", 10}},
         {{"12:00:00", 10}, {"12:30:00", 5}},
         450},
        {"over eight hours", {{"09:10:00", 5}, {"17:45:00", 10}}, {}, 515},
    };
    int id = 0;
    for (const Case& k : cases) {
        ++id;
        Employee(id, ("E" + std::to_string(id)).c_str(), "NULL", "NULL", "NULL"); // codes are unique
        for (const Swipe& s : k.device)
            Event(id, At(s.time), s.type);
    }
    ASSERT_EQ(Day().StoreDay(kDay), id);
    id = 0;
    for (const Case& k : cases) {
        ++id;
        for (const Swipe& s : k.byHand)
            ASSERT_TRUE(AddHandEvent(c, {id, At(s.time), s.type}, QStringLiteral("ispravka")).Done())
                << k.what;
    }
    const QHash<qint64, int> sheet = Day().DayMinutes(kDay);
    QHash<qint64, int> report, stored;
    for (const THoursRow& r :
         ReadHoursReport(c, kDay, kDay, {}, {{5, 10}, {15, 16}}, {}, TWorkingDayLimits()).hours)
        report.insert(r.employeeId, r.minutes);
    for (const auto& row : c.Select(QStringLiteral("SELECT employeeid, ROUND((regularworkinghours + "
                                                   "unallocatedhours) * 60) FROM horloattendance"))
                               .rows)
        stored.insert(row[0].toLongLong(), row[1].toInt());
    id = 0;
    for (const Case& k : cases) {
        ++id;
        EXPECT_EQ(sheet.value(id), k.minutes) << k.what;
        EXPECT_EQ(report.value(id), k.minutes) << k.what;
        EXPECT_EQ(stored.value(id), k.minutes) << k.what;
    }
}

TEST_F(DayFixture, SettingsMoveTheWorkingHours) {
    TDBIniFile ini(&c);
    ini.WriteString(QStringLiteral("Horlo"), QStringLiteral("StartWorkingTime"), QStringLiteral("08:00:00"));
    ini.WriteString(QStringLiteral("Horlo"), QStringLiteral("EndWorkingTime"), QStringLiteral("16:00:00"));
    ini.WriteString(QStringLiteral("Horlo"), QStringLiteral("EndWorkingDelayTime"),
                    QStringLiteral("16:15:00"));
    Employee(1, "001", "'2020-01-01'", "NULL", "1");
    Event(1, At("07:30:00"), 5);
    Event(1, At("16:10:00"), 10);
    EXPECT_EQ(Day().DayMinutes(kDay).value(1), 480);
}

TEST_F(DayFixture, StoreDayWritesEveryEligibleEmployeeOnceAndRefusesADayWithRows) {
    Employee(1, "001", "'2020-01-01'", "NULL", "1");
    Employee(2, "002", "'2020-01-01'", "'1899-12-30'", "NULL");
    Employee(3, "003", "'2020-01-01'", "NULL", "7");
    Event(1, At("09:10:00"), 5);
    Event(1, At("17:45:00"), 10);
    TAttendanceDay day = Day();
    EXPECT_EQ(day.StoreDay(kDay), 2);
    const TResultSet rs = c.Select(QStringLiteral(
        "SELECT employeeid, attendancedate, regularworkinghours, unallocatedhours, nightworkinghours, "
        "sickhours FROM horloattendance ORDER BY employeeid"));
    ASSERT_EQ(rs.rows.size(), 2u);
    EXPECT_EQ(rs.rows[0][0].toLongLong(), 1);
    EXPECT_EQ(rs.rows[0][1].toDate(), kDay);
    EXPECT_DOUBLE_EQ(rs.rows[0][2].toDouble(), 8);
    EXPECT_DOUBLE_EQ(rs.rows[0][3].toDouble(), 35 / 60.0);
    EXPECT_DOUBLE_EQ(rs.rows[0][4].toDouble(), 0);
    EXPECT_EQ(rs.rows[1][0].toLongLong(), 2);
    EXPECT_DOUBLE_EQ(rs.rows[1][2].toDouble(), 0);

    EXPECT_EQ(day.StoreDay(kDay), -1);
    EXPECT_EQ(c.Select(QStringLiteral("SELECT COUNT(*) FROM horloattendance")).rows[0][0].toInt(), 2);
    // one row of any employee is enough to refuse the day
    c.Execute(
        QStringLiteral("INSERT INTO horloattendance (employeeid, attendancedate) VALUES (2, '2024-03-06')"));
    EXPECT_EQ(day.StoreDay(kDay.addDays(1)), -1);
    EXPECT_EQ(c.Select(QStringLiteral("SELECT COUNT(*) FROM horloattendance")).rows[0][0].toInt(), 3);
}

TEST_F(DayFixture, TheSchemaRefusesASecondRowForOneEmployeeAndDay) {
    c.Execute(
        QStringLiteral("INSERT INTO horloattendance (employeeid, attendancedate) VALUES (1, '2024-03-05')"));
    EXPECT_THROW(c.Execute(QStringLiteral(
                     "INSERT INTO horloattendance (employeeid, attendancedate) VALUES (1, '2024-03-05')")),
                 EDatabaseError);
}
