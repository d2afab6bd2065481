// SPDX-License-Identifier: GPL-3.0-or-later
// Worked time per employee and the warnings: clamping to the working day of
// each event's own date, intervals that belong to one employee and end at
// their close, and the stored events read back in report order.
#include "module/reports/HoursReport.h"
#include "host/data/SysUtils.h"
#include "module/data/WorkCalendar.h"
#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>

namespace {

constexpr qint64 kIn = 5, kOut = 10, kCardIn = 15, kCardOut = 16;

struct Swipe {
    qint64 employee;
    const char* time; // "yyyy-mm-dd hh:nn:ss"
    qint64 type;
};

std::vector<TReportEvent> Events(std::initializer_list<Swipe> swipes) {
    std::vector<TReportEvent> events;
    qint64 id = 1;
    for (const Swipe& s : swipes) {
        TReportEvent e;
        e.eventId = id++;
        e.employeeId = s.employee;
        e.lastName = QStringLiteral("L%1").arg(s.employee);
        e.firstName = QStringLiteral("F%1").arg(s.employee);
        e.typeId = s.type;
        e.typeName = QStringLiteral("T%1").arg(s.type);
        e.time = MyDateTimeStrToDateTime(QString::fromLatin1(s.time));
        events.push_back(e);
    }
    return events;
}

struct Expected {
    std::vector<std::pair<qint64, int>> minutes;       // employee, total minutes
    std::vector<std::pair<qint64, int>> warnings = {}; // event id, length in minutes
};

} // namespace

TEST(HoursReport, IntervalsClampedToTheirOwnDayAndClosedOnce) {
    const std::vector<TEventPair> arrivals{{kIn, kOut}};
    struct Case {
        const char* what;
        std::vector<TReportEvent> events;
        Expected expected;
        std::vector<TEventPair> pairs;
    } cases[] = {
        {"08:00 to 17:10 counts 09:00 to 17:00",
         Events({{1, "2024-03-04 08:00:00", kIn}, {1, "2024-03-04 17:10:00", kOut}}),
         {{{1, 480}}},
         arrivals},
        {"a departure after the delay limit counts as it is",
         Events({{1, "2024-03-04 08:00:00", kIn}, {1, "2024-03-04 17:45:00", kOut}}),
         {{{1, 525}}},
         arrivals},
        {"the delay limit itself counts as it is",
         Events({{1, "2024-03-04 09:00:00", kIn}, {1, "2024-03-04 17:30:00", kOut}}),
         {{{1, 510}}},
         arrivals},
        {"09:30 to 15:00 is short: a warning of 5 h 30 min",
         Events({{1, "2024-03-04 09:30:00", kIn}, {1, "2024-03-04 15:00:00", kOut}}),
         {{{1, 330}}, {{2, 330}}},
         arrivals},
        {"the limits themselves are warnings: 360 and 600",
         Events({{1, "2024-03-04 09:00:00", kIn},
                 {1, "2024-03-04 15:00:00", kOut},
                 {1, "2024-03-05 09:00:00", kIn},
                 {1, "2024-03-05 19:00:00", kOut}}),
         {{{1, 960}}, {{2, 360}, {4, 600}}},
         arrivals},
        {"three days of 08:00 to 17:10: each day from its own 09:00 to its own 17:00",
         Events({{1, "2024-03-04 08:00:00", kIn},
                 {1, "2024-03-04 17:10:00", kOut},
                 {1, "2024-03-05 08:00:00", kIn},
                 {1, "2024-03-05 17:10:00", kOut},
                 {1, "2024-03-06 08:00:00", kIn},
                 {1, "2024-03-06 17:10:00", kOut}}),
         {{{1, 1440}}},
         arrivals},
        {"only arrivals: a row of 0 h 0 min, each arrival a warning",
         Events({{1, "2024-03-04 08:00:00", kIn}, {1, "2024-03-05 08:00:00", kIn}}),
         {{{1, 0}}, {{1, 0}, {2, 0}}},
         arrivals},
        {"the second employee starts with a departure: nothing for him, a 0 h 0 min warning",
         Events({{1, "2024-03-04 09:00:00", kIn}, {2, "2024-03-04 12:00:00", kOut}}),
         {{{1, 0}, {2, 0}}, {{1, 0}, {2, 0}}},
         arrivals},
        {"two departures after one arrival: the second adds nothing",
         Events({{1, "2024-03-04 09:00:00", kIn},
                 {1, "2024-03-04 12:00:00", kOut},
                 {1, "2024-03-04 17:00:00", kOut}}),
         {{{1, 180}}, {{2, 180}, {3, 0}}},
         arrivals},
        {"a departure before the counted start adds nothing and leaves the arrival open",
         Events({{1, "2024-03-04 07:00:00", kIn}, {1, "2024-03-04 08:30:00", kOut}}),
         {{{1, 0}}, {{1, 0}, {2, 0}}},
         arrivals},
        {"a departure within the minute leaves the arrival open for the next one",
         Events({{1, "2024-03-04 09:10:00", kIn},
                 {1, "2024-03-04 09:10:30", kOut},
                 {1, "2024-03-04 12:00:00", kOut}}),
         {{{1, 170}}, {{2, 0}, {3, 170}}},
         arrivals},
        {"a pause splits the day; a later arrival replaces an open one",
         Events({{1, "2024-03-04 08:00:00", kIn},
                 {1, "2024-03-04 09:30:00", kIn},
                 {1, "2024-03-04 12:00:00", kOut},
                 {1, "2024-03-04 12:30:00", kIn},
                 {1, "2024-03-04 19:30:00", kOut}}),
         {{{1, 570}}, {{3, 150}}},
         arrivals},
        {"an interval never passes into the next day: a night is two warnings",
         Events({{1, "2024-03-04 22:00:00", kIn}, {1, "2024-03-05 06:00:00", kOut}}),
         {{{1, 0}}, {{1, 0}, {2, 0}}},
         arrivals},
        {"types in no pair are left out; another pair counts its own types",
         Events({{1, "2024-03-04 09:00:00", kIn},
                 {1, "2024-03-04 10:00:00", kCardIn},
                 {1, "2024-03-04 17:00:00", kCardOut},
                 {1, "2024-03-04 18:00:00", kOut}}),
         {{{1, 420}}},
         {{kCardIn, kCardOut}}},
        {"a type that closes and opens closes the open interval first",
         Events({{1, "2024-03-04 09:00:00", kIn},
                 {1, "2024-03-04 12:00:00", kOut},
                 {1, "2024-03-04 12:30:00", kIn},
                 {1, "2024-03-04 17:00:00", kOut}}),
         {{{1, 480}}, {{1, 0}, {2, 180}, {3, 30}, {4, 270}, {4, 0}}},
         {{kIn, kOut}, {kOut, kIn}}},
        {"no events, no rows", {}, {{}}, arrivals},
    };
    for (const Case& k : cases) {
        const THoursReport r = ComputeHoursReport(k.events, k.pairs, TWarningCriteria(), TWorkingDayLimits());
        std::vector<std::pair<qint64, int>> minutes, warnings;
        for (const THoursRow& h : r.hours)
            minutes.emplace_back(h.employeeId, h.minutes);
        for (const TWarningRow& w : r.warnings)
            warnings.emplace_back(w.eventId, w.minutes);
        EXPECT_EQ(minutes, k.expected.minutes) << k.what;
        EXPECT_EQ(warnings, k.expected.warnings) << k.what;
    }
}

TEST(HoursReport, RowsAndWarningsCarryTheirEmployeeAndSplitHoursAndMinutes) {
    const THoursReport r =
        ComputeHoursReport(Events({{7, "2024-03-04 09:30:00", kIn}, {7, "2024-03-04 15:05:00", kOut}}),
                           {{kIn, kOut}}, {360, 600}, TWorkingDayLimits());
    ASSERT_EQ(r.hours.size(), 1u);
    EXPECT_EQ(r.hours[0].lastName, QStringLiteral("L7"));
    EXPECT_EQ(r.hours[0].TotHours(), 5);
    EXPECT_EQ(r.hours[0].TotMinutes(), 35);
    ASSERT_EQ(r.warnings.size(), 1u);
    const TWarningRow& w = r.warnings[0];
    EXPECT_EQ(w.employeeId, 7);
    EXPECT_EQ(w.firstName, QStringLiteral("F7"));
    EXPECT_EQ(w.eventId, 2);
    EXPECT_EQ(w.eventType, QStringLiteral("T10"));
    EXPECT_EQ(w.eventTime, MyDateTimeStrToDateTime(QStringLiteral("2024-03-04 15:05:00")));
    EXPECT_EQ(w.LengthH(), 5);
    EXPECT_EQ(w.LengthM(), 35);
    EXPECT_EQ(w.kind, TWarningKind::Short);
    // what each other warning says
    const THoursReport day = ComputeHoursReport(Events({{7, "2024-03-04 08:00:00", kOut},
                                                        {7, "2024-03-04 09:00:00", kIn},
                                                        {7, "2024-03-04 09:00:30", kOut},
                                                        {7, "2024-03-04 22:00:00", kOut}}),
                                                {{kIn, kOut}}, {60, 600}, TWorkingDayLimits());
    std::vector<TWarningKind> kinds;
    for (const TWarningRow& d : day.warnings)
        kinds.push_back(d.kind);
    EXPECT_EQ(kinds, (std::vector<TWarningKind>{TWarningKind::NoArrival, TWarningKind::NothingCounted,
                                                TWarningKind::Long}));

    // other limits and criteria from the settings
    TWorkingDayLimits limits;
    limits.StartWorkingTime = QStringLiteral("07:30:00");
    limits.EndWorkingTime = QStringLiteral("15:30:00");
    limits.EndWorkingDelayTime = QStringLiteral("16:00:00");
    const THoursReport early =
        ComputeHoursReport(Events({{1, "2024-03-04 07:00:00", kIn}, {1, "2024-03-04 15:45:00", kOut}}),
                           {{kIn, kOut}}, {100, 470}, limits);
    EXPECT_EQ(early.hours[0].minutes, 480);
    EXPECT_EQ(early.warnings.size(), 1u);

    limits.EndWorkingTime = QStringLiteral("5 pm");
    EXPECT_THROW(ComputeHoursReport(Events({{1, "2024-03-04 07:00:00", kIn}}), {{kIn, kOut}}, {}, limits),
                 EConvertError);
}

namespace {

struct StoredEvents : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    void SetUp() override {
        c.ExecuteScript(QStringLiteral(
            "INSERT INTO employee (employeeid, firstname, lastname, code, vocation) VALUES "
            "(1, 'Zoran', 'Antić', 'A1', 'Vozač'), (2, 'Ana', 'Babić', 'B2', NULL), "
            "(3, 'Ana', 'Antić', 'A3', 'Kuvar');"
            "INSERT INTO employeeevent (employeeeventid, eventtime, employeeeventtypeid, employeeid, "
            "horloguestid, horloaccesspointid, deviceindex) VALUES "
            "(1, '2024-03-04 08:00:00', 5, 1, NULL, 1, 1), (2, '2024-03-04 16:00:00', 10, 1, NULL, 1, 2),"
            "(3, '2024-03-04 09:00:00', 15, 2, NULL, 1, 3), (4, '2024-03-04 17:00:00', 16, 2, NULL, 1, 4),"
            "(5, '2024-03-05 09:00:00', 5, 3, NULL, 1, 5), (6, '2024-03-05 17:00:00', 10, 3, NULL, 1, 6),"
            "(7, '2024-03-04 09:00:00', 5, NULL, 1, 1, 7), (8, '2024-03-04 17:00:00', 10, NULL, 1, 1, 8),"
            "(9, '2024-03-04 10:00:00', 5, 42, NULL, 1, 9), (10, '2024-03-04 12:00:00', 999, 1, NULL, 1, 10),"
            "(11, '2024-03-03 23:59:59', 5, 1, NULL, 1, 11), (12, '2024-03-06 00:00:00', 10, 3, NULL, 1, "
            "12);"));
    }
};

} // namespace

TEST_F(StoredEvents, ReadInReportOrderOfEmployeesWithTheirTypeNamesAndFiltered) {
    const std::vector<TReportEvent> all =
        ReadReportEvents(c, QDate(2024, 3, 4), QDate(2024, 3, 5), TEmployeeFilter());
    QList<qint64> ids;
    for (const TReportEvent& e : all)
        ids << e.eventId;
    // Antić Ana, Antić Zoran, Babić Ana; guests, missing employees, unknown types
    // and the days around the period are left out
    EXPECT_EQ(ids, (QList<qint64>{5, 6, 1, 2, 3, 4}));
    EXPECT_EQ(all[2].typeName, QStringLiteral("Dolazak"));
    EXPECT_EQ(all[2].vocation, QStringLiteral("Vozač"));
    EXPECT_EQ(all[2].time, MyDateTimeStrToDateTime(QStringLiteral("2024-03-04 08:00:00")));

    TEmployeeFilter one;
    one.employeeId = 2;
    EXPECT_EQ(ReadReportEvents(c, QDate(2024, 3, 4), QDate(2024, 3, 5), one).size(), 2u);
    TEmployeeFilter code;
    code.code = QStringLiteral("A1' OR '1'='1");
    EXPECT_TRUE(ReadReportEvents(c, QDate(2024, 3, 4), QDate(2024, 3, 5), code).empty());
    code.code = QStringLiteral("A3");
    EXPECT_EQ(ReadReportEvents(c, QDate(2024, 3, 4), QDate(2024, 3, 6), code).size(), 3u);

    const THoursReport r = ReadHoursReport(c, QDate(2024, 3, 4), QDate(2024, 3, 5), TEmployeeFilter(),
                                           {{5, 10}, {15, 16}}, TWarningCriteria(), TWorkingDayLimits());
    ASSERT_EQ(r.hours.size(), 3u);
    EXPECT_EQ(r.hours[0].minutes, 480);
    EXPECT_EQ(r.hours[1].minutes, 420);
    EXPECT_EQ(r.hours[2].minutes, 480);
    EXPECT_TRUE(r.warnings.empty());
}

TEST_F(StoredEvents, WorkDaysAreCountedByTheCalendarOrMondayToFridayWithoutOne) {
    // March 2024 has a calendar with a holiday on Friday the 8th; February and April have none
    c.ExecuteScript(QStringLiteral(
        "INSERT INTO horloworkcalendar (year, month, workcalendardate, workday) "
        "WITH RECURSIVE days (d) AS (SELECT DATE('2024-03-01') UNION ALL SELECT d + INTERVAL 1 DAY FROM days "
        "WHERE d < '2024-03-31') "
        "SELECT 2024, 3, d, IF(DAYOFWEEK(d) IN (1, 7) OR d = '2024-03-08', 'n', 'y') FROM days;"));
    struct Case {
        QDate from, to;
        int days;
        QList<QDate> monthsWithoutCalendar;
    } cases[] = {
        {{2024, 3, 4}, {2024, 3, 10}, 4, {}},
        {{2024, 3, 1}, {2024, 3, 31}, 20, {}},
        {{2024, 3, 4}, {2024, 3, 4}, 1, {}},
        {{2024, 3, 9}, {2024, 3, 10}, 0, {}},
        {{2024, 2, 26}, {2024, 4, 1}, 4 + 20 + 1, {{2024, 2, 1}, {2024, 4, 1}}},
        {{2024, 3, 10}, {2024, 3, 4}, 0, {}},
    };
    for (const Case& k : cases) {
        const TWorkDayCount count = CountWorkDays(c, k.from, k.to);
        EXPECT_EQ(count.days, k.days) << k.from.toString().toStdString();
        EXPECT_EQ(QList<QDate>(count.monthsWithoutCalendar.begin(), count.monthsWithoutCalendar.end()),
                  k.monthsWithoutCalendar);
    }
}
