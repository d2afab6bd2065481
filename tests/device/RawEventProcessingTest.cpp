// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/RawEventProcessing.h"
#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/device/CardHolder.h"
#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>

namespace {

struct ProcessingFixture : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    void SetUp() override {
        c.Execute(
            QStringLiteral("INSERT INTO employeecard (employeecardid, employeeid, cardcode, name) VALUES "
                           "(1, 7, 1001, 'K1'), (2, NULL, 1002, 'G2')"));
        // 11: employee 7; 12: guest 3; 13: guest 4 and, stale, employee 8 (the card's holder counts);
        // 14: guest 5 on a card that does not exist
        c.Execute(QStringLiteral(
            "INSERT INTO horloaccessticket (horloaccessticketid, horloaccesspointid, employeecardid, "
            "employeeid, horloguestid) VALUES (11, 1, 1, 7, NULL), (12, 1, 2, NULL, 3), "
            "(13, 2, 1, 8, 4), (14, 1, 99, NULL, 5)"));
    }
    void Raw(int id, int type, const char* employee, const char* guest, int point, int ticket, int card,
             int index) {
        c.Execute(QStringLiteral(
                      "INSERT INTO employeeeventraw VALUES (%1, NULL, '2024-03-01 08:00:%2', %3, %4, %5, %6, "
                      "%7, %8, %9, NULL)")
                      .arg(id)
                      .arg(id % 60, 2, 10, QLatin1Char('0'))
                      .arg(type)
                      .arg(QString::fromLatin1(employee), QString::fromLatin1(guest))
                      .arg(point)
                      .arg(ticket)
                      .arg(card)
                      .arg(index));
    }
    TResultSet Events() {
        return c.Select(
            QStringLiteral("SELECT employeeeventrawid, employeeeventtypeid, employeeid, horloguestid, "
                           "horloaccesspointid, horloaccessticketid, cardcode, deviceindex, eventtime "
                           "FROM employeeevent ORDER BY employeeeventrawid"));
    }
};

} // namespace

TEST_F(ProcessingFixture, ResolvesTicketsAndCopiesCardRecords) {
    Raw(1, 5, "NULL", "NULL", 1, 0, 11, 100);  // ticket of employee 7
    Raw(2, 10, "NULL", "NULL", 1, 0, 12, 101); // ticket of guest 3
    Raw(3, 10, "NULL", "NULL", 2, 0, 13, 102); // ticket of a guest on a held card: the holder
    Raw(4, 5, "NULL", "NULL", 1, 0, 14, 103);  // guest ticket without a card: card code 0
    Raw(5, 5, "NULL", "NULL", 1, 0, 77, 104);  // no such ticket: skipped
    Raw(6, 15, "9", "NULL", 1, 31, 5005, 105); // a card no longer known: the employee the import found
    Raw(7, 16, "0", "6", 2, 32, 5006, 106);    // card record of a guest
    Raw(8, 15, "NULL", "0", 1, 0, 5007, 107);  // card record without owner: no event of nobody
    Raw(9, 1, "9", "NULL", 1, 0, 5008, 108);   // other types are never processed
    Raw(10, 20, "9", "NULL", 1, 0, 5009, 109);
    TRawEventProcessor processor(c);
    int lastPosition = 0, lastMaximum = 0;
    processor.OnProgress = [&](int position, int maximum) {
        lastPosition = position;
        lastMaximum = maximum;
    };
    const TProcessResult r = processor.Run();
    EXPECT_EQ(r.candidates, 8);
    EXPECT_EQ(r.skipped, 1);
    EXPECT_EQ(r.unassigned, 1);
    EXPECT_EQ(r.written, 6);
    EXPECT_EQ(lastPosition, 8);
    EXPECT_EQ(lastMaximum, 8);

    struct Expected {
        int raw, type;
        QVariant employee, guest;
        int point, ticket, card, index;
    } expected[] = {
        {1, 5, 7, QVariant(), 1, 11, 1001, 100},  {2, 10, QVariant(), 3, 1, 12, 1002, 101},
        {3, 10, 7, QVariant(), 2, 13, 1001, 102}, {4, 5, QVariant(), 5, 1, 14, 0, 103},
        {6, 15, 9, QVariant(), 1, 31, 5005, 105}, {7, 16, QVariant(), 6, 2, 32, 5006, 106},
    };
    const TResultSet events = Events();
    ASSERT_EQ(events.rows.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const auto& row = events.rows[i];
        const Expected& e = expected[i];
        EXPECT_EQ(row[0].toInt(), e.raw);
        EXPECT_EQ(row[1].toInt(), e.type);
        EXPECT_EQ(row[2].isNull(), e.employee.isNull()) << e.raw;
        EXPECT_EQ(row[2].toInt(), e.employee.toInt()) << e.raw;
        EXPECT_EQ(row[3].isNull(), e.guest.isNull()) << e.raw;
        EXPECT_EQ(row[3].toInt(), e.guest.toInt()) << e.raw;
        EXPECT_EQ(row[4].toInt(), e.point);
        EXPECT_EQ(row[5].toInt(), e.ticket);
        EXPECT_EQ(row[6].toInt(), e.card);
        EXPECT_EQ(row[7].toInt(), e.index);
    }
    EXPECT_EQ(events.rows[0][8].toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
              QStringLiteral("2024-03-01 08:00:01"));

    // a second run writes nothing: the mark is the largest raw id already processed
    const TProcessResult again = TRawEventProcessor(c).Run();
    EXPECT_EQ(again.candidates, 0);
    EXPECT_EQ(again.written, 0);
}

// An idle run writes nothing, the lock row included, so that it holds up nobody.
TEST_F(ProcessingFixture, NothingAboveTheMarkWritesNothing) {
    const auto taken = [&] {
        return c.Select(QStringLiteral("SELECT taken FROM horlolock WHERE name = 'employeeeventraw'"))
            .rows[0][0];
    };
    const QVariant before = taken();
    const TProcessResult r = TRawEventProcessor(c).Run();
    EXPECT_EQ(r.candidates, 0);
    EXPECT_EQ(r.written, 0);
    EXPECT_EQ(taken(), before);
}

// A swipe is the event of whoever held the card at its time, whenever it is
// processed; a tie or untie from a moment brings the events already made in line.
TEST_F(ProcessingFixture, ASwipeIsTheEventOfWhoeverHeldTheCardAtItsTime) {
    c.Execute(QStringLiteral("INSERT INTO employee (employeeid, firstname, lastname, code) VALUES "
                             "(7, 'Ana', 'A', '07'), (8, 'Bora', 'B', '08'), (9, 'Cica', 'C', '09')"));
    auto at = [](const char* text) { return TypedDateTime(QString::fromLatin1(text)); };
    auto change = [&](qint64 card, qint64 employee, const char* from) {
        return ChangeCardHolder(c, {card, employee, at(from), true});
    };
    auto owners = [&] {
        QStringList list;
        for (const auto& row :
             c.Select(QStringLiteral("SELECT r.employeeeventrawid, IFNULL(e.employeeid, 0) FROM "
                                     "employeeeventraw AS r LEFT JOIN employeeevent AS e ON "
                                     "e.employeeeventrawid = r.employeeeventrawid ORDER BY 1"))
                 .rows)
            list << row[0].toString() + QLatin1Char(':') + row[1].toString();
        return list.join(' ');
    };
    auto swipe = [&](int id, int type, int card, const char* time) {
        c.Execute(
            QStringLiteral("INSERT INTO employeeeventraw VALUES (%1, NULL, '%2', %3, NULL, NULL, 1, 0, %4, "
                           "%1, NULL)")
                .arg(id)
                .arg(QString::fromLatin1(time))
                .arg(type)
                .arg(card));
    };
    swipe(1, 5, 11, "2024-03-01 08:00:00"); // K1, held by 7 since ever
    EXPECT_EQ(TRawEventProcessor(c).Run().written, 1);
    // handed to 8 from the 3rd: the swipe before stays 7's
    EXPECT_EQ(change(1, 8, "2024-03-03 00:00").status, TCardHolderStatus::Done);
    swipe(2, 15, 1001, "2024-03-05 08:00:00");
    swipe(3, 10, 11, "2024-03-10 08:00:00");
    EXPECT_EQ(TRawEventProcessor(c).Run().written, 2);
    EXPECT_EQ(owners(), QStringLiteral("1:7 2:8 3:8"));
    // untied from the 8th: the later swipe is nobody's event, and listed
    TCardHolderOutcome untie = change(1, 0, "2024-03-08 00:00");
    EXPECT_EQ(untie.events.removed, 1);
    EXPECT_EQ(owners(), QStringLiteral("1:7 2:8 3:0"));
    QList<qint64> listed;
    WalkUnassignedSwipes(c, QDate(2024, 3, 1), QDate(2024, 3, 31), [&](const TUnassignedSwipe& s) {
        listed << s.rawId;
        EXPECT_EQ(s.reason, TUnassignedSwipe::TReason::NoHolder);
        EXPECT_EQ(s.card, QStringLiteral("K1"));
    });
    EXPECT_EQ(listed, QList<qint64>{3});
    EXPECT_EQ(TRawEventProcessor(c).Run().written, 0);
    // a holder recorded for its time makes it an event
    EXPECT_EQ(change(1, 9, "2024-03-09 00:00").events.made, 1);
    EXPECT_EQ(owners(), QStringLiteral("1:7 2:8 3:9"));

    struct Refusal {
        qint64 card, employee;
        const char* from;
        TCardHolderStatus status;
        QString says;
    } refusals[] = {
        // an inactive card for an employee who holds an active one: the dialog's rule everywhere
        {2, 9, "2024-03-20 00:00", TCardHolderStatus::EmployeeHasActiveCard,
         Format(_CARD_EMPLOYEE_ERR, {"K1"})},
        {1, 0, "2024-03-08 12:00", TCardHolderStatus::HeldSince, QStringLiteral("od 2024-03-09 00:00")},
        {1, 8, "2099-01-01 00:00", TCardHolderStatus::InFuture, QStringLiteral("2099-01-01 00:00")},
        {1, 42, "2024-03-20 00:00", TCardHolderStatus::NoEmployee, QStringLiteral("42")},
    };
    c.Execute(QStringLiteral("UPDATE employeecard SET active = 'n' WHERE employeecardid = 2"));
    for (const Refusal& k : refusals) {
        const TCardHolderOutcome o = change(k.card, k.employee, k.from);
        EXPECT_EQ(o.status, k.status) << k.from;
        EXPECT_TRUE(o.Text().contains(k.says)) << o.Text().toStdString();
    }
    EXPECT_EQ(owners(), QStringLiteral("1:7 2:8 3:9"));
}

TEST_F(ProcessingFixture, AFailureLeavesNothingWrittenAndTheMarkUnmoved) {
    Raw(1, 15, "9", "NULL", 1, 0, 5005, 100);
    Raw(2, 15, "9", "NULL", 1, 0, 5006, 101);
    c.ExecuteScript(
        QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON employeeevent FOR EACH ROW BEGIN IF "
                       "NEW.cardcode = 5006 THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'refused'; END "
                       "IF; END"));
    for (int batch : {1, 500}) {
        TRawEventProcessor processor(c);
        processor.BatchSize = batch;
        EXPECT_THROW(processor.Run(), EDatabaseError);
        EXPECT_TRUE(Events().rows.empty()) << batch;
    }
    c.Execute(QStringLiteral("DROP TRIGGER refuse"));
    EXPECT_EQ(TRawEventProcessor(c).Run().written, 2); // the next run takes both
}
