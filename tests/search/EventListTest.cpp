// SPDX-License-Identifier: GPL-3.0-or-later
// The event list over a few thousand events read a page at a time: counts,
// rows at any position in every order the list is sorted by, the grid
// scrolled to its end and sorted by a title, and results that change while
// they are read.
#include "host/data/SysUtils.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Dialogs.h"
#include "host/ui/GridSorter.h"
#include "module/data/HorloDMUnit.h"
#include "module/search/EventSearch.h"
#include "module/search/HorloNavigatorUnit.h"
#include "module/snapin/HorloViewerUnit.h"
#include "module/worktime/HandEvents.h"
#include "tests/support/TestDatabase.h"

#include <QApplication>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace {

constexpr int kEvents = 3000;
constexpr int kPage = 50;
constexpr int kMaxPages = 3;

// Six employees, a guest and events of nobody; times one apart for each
// employee, four event types, every seventh event with a comment that differs
// from others in case or a trailing space only, some comments empty.
const char* const kData =
    "INSERT INTO employee (employeeid, firstname, lastname) VALUES (1, 'Marko', 'Petrović'), "
    "  (2, 'Jelena', 'Jovanović'), (3, 'Ana', 'Antić'), (4, 'Zoran', 'Živković'), "
    "  (5, 'Đorđe', 'Đurić'), (6, 'Milan', 'Babić');"
    "INSERT INTO horloguest (horloguestid, firstname, lastname) VALUES (1, 'Petar', 'Gost');"
    "INSERT INTO employeeevent (eventtime, employeeeventtypeid, employeeid, horloguestid, comment, "
    "  horloaccesspointid, deviceindex) "
    "SELECT TIMESTAMP('2024-01-01') + INTERVAL (seq * 97) MINUTE, ELT(1 + seq % 4, 5, 10, 15, 16), "
    "  IF(seq % 9 = 0 OR seq % 31 = 0, NULL, 1 + seq % 6), IF(seq % 9 = 0, 1, NULL), "
    "  IF(seq % 7 = 0, CONCAT(IF(seq % 3, 'napomena ', 'Napomena '), seq % 100, IF(seq % 5, '', ' ')), "
    "    IF(seq % 11 = 0, '', NULL)), 1, seq FROM seq_1_to_3000;";

struct EventListFixture : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    std::unique_ptr<THorloNavigatorForm> navigator;
    TZQuery* events = nullptr;

    void SetUp() override {
        c.ExecuteScript(QString::fromUtf8(kData));
        CreateHorloDM();
        HorloDM->SetZConnection(&c);
        TDialogScript::SetUnattended(true);
        TDialogScript::Reset();
        events = HorloDM->EmployeeEventZQ;
        events->SetFetchOnDemand(kPage, kMaxPages);
        events->KeysFirstOffset = 4 * kPage; // pages in the middle are read by their keys first
        navigator = std::make_unique<THorloNavigatorForm>();
    }
    void TearDown() override {
        navigator.reset();
        TDialogScript::Reset();
        DestroyHorloDM();
    }
    void Search(const std::vector<std::pair<QString, QString>>& keys) {
        for (const QString& key : navigator->SearchVLE->Keys())
            navigator->SearchVLE->SetValues(key, QString());
        for (const auto& [key, value] : keys)
            navigator->SearchVLE->SetValues(key, value);
        navigator->FindButtonClick();
        ASSERT_TRUE(TDialogScript::Shown().isEmpty());
    }
    // The events of the keys in the order, as the database lists them whole.
    QList<qint64> Expected(const QString& order) {
        const QString condition = EventSearchCondition(navigator->SearchKeys(), c);
        QList<qint64> ids;
        for (const auto& row :
             c.Select(ChangeSQLCondition(events->SQL(), condition) + QStringLiteral(" ORDER BY ") + order)
                 .rows)
            ids << row[0].toLongLong();
        return ids;
    }
    qint64 IdAt(int row) {
        return events->RowValue(row, events->FieldByName(QStringLiteral("employeeeventid"))->Index())
            .toLongLong();
    }
    QList<qint64> Listed() {
        QList<qint64> ids;
        for (int r = 0; r < events->RecordCount(); ++r)
            ids << IdAt(r);
        return ids;
    }
};

const QString kByEmployee = QStringLiteral("employeename ASC, eventtime DESC, employeeeventid DESC");

} // namespace

TEST_F(EventListFixture, EveryOrderListsTheWholeResultAPageAtATime) {
    const auto all = std::vector<std::pair<QString, QString>>{};
    const auto march =
        std::vector<std::pair<QString, QString>>{{QStringLiteral("eventtype"), QStringLiteral("Svi dolasci")},
                                                 {QStringLiteral("datefrom"), QStringLiteral("2024-03-01")},
                                                 {QStringLiteral("dateto"), QStringLiteral("2024-03-31")}};
    const auto day =
        std::vector<std::pair<QString, QString>>{{QStringLiteral("datefrom"), QStringLiteral("2024-02-10")},
                                                 {QStringLiteral("dateto"), QStringLiteral("2024-02-10")}};
    const auto nothing =
        std::vector<std::pair<QString, QString>>{{QStringLiteral("datefrom"), QStringLiteral("2030-01-01")}};
    struct Case {
        const char* name;
        std::vector<std::pair<QString, QString>> keys;
        qint64 wholeSortRows; // below it the database sorts the result whole
        QString sort;         // empty: the search's own order
        QString expectedOrder;
        bool inParts;
    };
    const Case cases[] = {
        {"all, by employee, in runs of employees", all, 100, {}, kByEmployee, true},
        {"all, by employee, sorted whole", all, 1000000, {}, kByEmployee, true},
        {"arrivals of March, by employee, in runs", march, 100, {}, kByEmployee, true},
        {"one day, by employee", day, 20000, {}, kByEmployee, true},
        {"no event at all", nothing, 100, {}, kByEmployee, false},
        {"all, newest first, in runs of days", all, 100, QStringLiteral("eventtime DESC"),
         QStringLiteral("eventtime DESC, employeeeventid DESC"), true},
        {"arrivals of March, oldest first, in runs of days", march, 100, QStringLiteral("eventtime ASC"),
         QStringLiteral("eventtime ASC, employeeeventid ASC"), true},
        {"all, by event type in runs of types", all, 100, QStringLiteral("eventtypename ASC"),
         QStringLiteral("eventtypename ASC, employeeeventid ASC"), true},
        {"all, by employee from Z to A", all, 100, QStringLiteral("employeename DESC"),
         QStringLiteral("employeename DESC, employeeeventid DESC"), true},
        {"all, by comment, the empty ones read by keys first", all, 100, QStringLiteral("comment ASC"),
         QStringLiteral("comment ASC, employeeeventid ASC"), true},
        {"arrivals of March, by comment", march, 100, QStringLiteral("comment DESC"),
         QStringLiteral("comment DESC, employeeeventid DESC"), true},
        {"all, by comment, sorted whole", all, 1000000, QStringLiteral("comment DESC"),
         QStringLiteral("comment DESC, employeeeventid DESC"), true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        HorloDM->WholeSortRows = k.wholeSortRows;
        Search(k.keys);
        if (!k.sort.isEmpty()) events->SetSortedFields(k.sort);
        const QList<qint64> expected = Expected(k.expectedOrder);
        ASSERT_EQ(events->RecordCount(), expected.size());
        EXPECT_EQ(events->ReadsInParts(), k.inParts);
        EXPECT_LE(events->RowsFetched(), kPage); // the first page, nothing more
        if (expected.isEmpty()) continue;
        // a jump to the end reads the last page only
        const qint64 before = events->RowsFetched();
        EXPECT_EQ(IdAt(int(expected.size()) - 1), expected.last());
        EXPECT_LE(events->RowsFetched() - before, kPage);
        EXPECT_EQ(IdAt(int(expected.size()) / 2), expected[expected.size() / 2]);
        EXPECT_EQ(Listed(), expected);
        EXPECT_LE(events->PagesHeld(), kMaxPages);
    }
}

TEST_F(EventListFixture, GridScrolledToTheEndAndSortedByTitlesReadsOnlyWhatItShows) {
    HorloDM->WholeSortRows = 100;
    THorloViewerForm form;
    form.resize(900, 400);
    form.show();
    Search({});
    TDBGrid* grid = form.DBG;
    const QList<qint64> byEmployee = Expected(kByEmployee);
    ASSERT_EQ(grid->RowCount(), kEvents);
    QApplication::processEvents();

    grid->scrollToBottom();
    grid->viewport()->repaint();
    const int last = kEvents - 1;
    EXPECT_TRUE(events->RecordHeld(last));
    EXPECT_FALSE(events->RecordHeld(kEvents / 2));
    EXPECT_LE(events->RowsFetched(), 3 * kPage);
    const int time = 3; // the column of eventtime
    const QString lastTime = grid->CellText(last, time);
    EXPECT_EQ(lastTime, c.Select(QStringLiteral("SELECT DATE_FORMAT(eventtime, '%d.%m.%Y %H:%i:%s') "
                                                "FROM employeeevent WHERE employeeeventid = ") +
                                 QString::number(byEmployee.last()))
                            .rows[0][0]
                            .toString());

    // a title click has the database sort the whole result, low to high, then high to low
    const int row = 1234;
    EXPECT_EQ(IdAt(row), byEmployee[row]);
    TGridSorter::Sort(grid, time);
    EXPECT_EQ(grid->SortIndicatorColumn(), time);
    EXPECT_EQ(IdAt(row), Expected(QStringLiteral("eventtime ASC, employeeeventid ASC"))[row]);
    EXPECT_EQ(grid->RowCount(), kEvents);
    TGridSorter::Sort(grid, time);
    EXPECT_EQ(grid->SortIndicatorOrder(), Qt::DescendingOrder);
    const QList<qint64> newest = Expected(QStringLiteral("eventtime DESC, employeeeventid DESC"));
    EXPECT_EQ(IdAt(row), newest[row]) << events->FetchError().toStdString();
    EXPECT_EQ(IdAt(last), newest.last());
    TGridSorter::Sort(grid, 0);
    EXPECT_EQ(IdAt(row), Expected(QStringLiteral("employeename ASC, employeeeventid ASC"))[row]);

    // rows passed over while the scroll bar is dragged are read when it is let go
    grid->scrollToTop();
    QApplication::processEvents();
    const qint64 fetched = events->RowsFetched();
    grid->verticalScrollBar()->setSliderDown(true);
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum() / 2);
    grid->viewport()->repaint();
    const QModelIndex middle = grid->indexAt(QPoint(5, 5));
    ASSERT_TRUE(middle.isValid());
    EXPECT_TRUE(grid->model()->data(grid->model()->index(middle.row(), 0)).toString().isEmpty());
    EXPECT_EQ(events->RowsFetched(), fetched);
    grid->verticalScrollBar()->setSliderDown(false);
    grid->viewport()->repaint();
    EXPECT_GT(events->RowsFetched(), fetched);
    EXPECT_FALSE(grid->model()->data(grid->model()->index(middle.row(), 0)).toString().isEmpty());
}

TEST_F(EventListFixture, ResultsThatChangeWhileTheyAreReadNeverShowAnotherSearchsRows) {
    HorloDM->WholeSortRows = 100;
    Search({});
    EXPECT_EQ(IdAt(kEvents - 1), Expected(kByEmployee).last());
    EXPECT_EQ(IdAt(700), Expected(kByEmployee)[700]);

    // another session deletes events behind the list's back: the rows not yet
    // read come blank at the end instead of being asked for again and again
    auto other = db.NewConnection();
    other->Execute(QStringLiteral("DELETE FROM employeeevent WHERE employeeid = 2"));
    for (int r = 0; r < events->RecordCount(); ++r)
        (void)IdAt(r);
    EXPECT_EQ(events->RecordCount(), kEvents);

    // a search made while pages of the last one are held shows only its own rows
    Search({{QStringLiteral("datefrom"), QStringLiteral("2024-02-01")}});
    const QList<qint64> expected = Expected(kByEmployee);
    EXPECT_EQ(events->RecordCount(), expected.size());
    EXPECT_EQ(Listed(), expected);

    // rows stored since the opening: an order the database sorts whole keeps
    // the opening's count, one read in runs counts its runs anew
    other->Execute(
        QStringLiteral("INSERT INTO employeeevent (eventtime, employeeeventtypeid, employeeid, "
                       "horloaccesspointid, deviceindex) VALUES ('2024-02-02 10:00:00', 5, 3, 1, 1)"));
    events->SetSortedFields(QStringLiteral("handentered DESC"));
    EXPECT_EQ(events->RecordCount(), expected.size());
    events->SetSortedFields(QStringLiteral("eventtime DESC"));
    EXPECT_EQ(events->RecordCount(), expected.size() + 1);
    Search({{QStringLiteral("datefrom"), QStringLiteral("2024-02-01")}});
    EXPECT_EQ(events->RecordCount(), expected.size() + 1);
}

TEST_F(EventListFixture, ListsThatOrderThemselvesAreReadWhole) {
    events->Close();
    events->SetSQL(ChangeSQLCondition(events->SQL(), QString()) +
                   QStringLiteral(" ORDER BY ee.employeeeventid"));
    events->Open();
    EXPECT_FALSE(events->FetchesOnDemand());
    EXPECT_EQ(events->RecordCount(), kEvents);
    EXPECT_EQ(events->RowsFetched(), kEvents);
    EXPECT_EQ(IdAt(0), 1);
}

TEST_F(EventListFixture, APageTheServerRefusesStaysBlankAndIsToldOnceUntilTheNextSearch) {
    HorloDM->WholeSortRows = 100;
    Search({});
    const QList<qint64> expected = Expected(kByEmployee);
    auto other = db.NewConnection();
    other->Execute(QStringLiteral("RENAME TABLE employeeevent TO employeeevent_away"));
    // asked for while the grid paints: no exception may leave
    EXPECT_NO_THROW(EXPECT_EQ(IdAt(kEvents - 1), 0));
    EXPECT_NO_THROW(EXPECT_EQ(IdAt(kEvents / 2), 0));
    EXPECT_FALSE(events->FetchError().isEmpty());
    EXPECT_EQ(IdAt(0), expected[0]); // what was read stays
    QApplication::processEvents();
    ASSERT_EQ(TDialogScript::Shown().size(), 1);
    EXPECT_EQ(TDialogScript::Shown()[0].kind, QStringLiteral("error"));

    other->Execute(QStringLiteral("RENAME TABLE employeeevent_away TO employeeevent"));
    TDialogScript::Reset();
    Search({});
    EXPECT_TRUE(events->FetchError().isEmpty());
    EXPECT_EQ(IdAt(kEvents - 1), expected.last());
}

TEST_F(EventListFixture, ASearchIsCountedOnceInEveryOrderUntilItsEventsChange) {
    HorloDM->WholeSortRows = 100;
    const auto countings = [&] { return navigator->OrderSplitter->Countings(); };
    THandEvent hand{3, QDateTime(QDate(2024, 2, 2), QTime(10, 0), Qt::UTC), 5};
    const qint64 first = AddHandEvent(c, hand, QStringLiteral("zaboravio karticu")).eventId;
    hand.time = hand.time.addSecs(60);
    ASSERT_TRUE(AddHandEvent(c, hand, QStringLiteral("zaboravio karticu")).Done());
    Search({});
    EXPECT_EQ(countings(), 1);
    struct Step {
        const char* name;
        QString sort; // empty: "Traži" again
        QString expectedOrder;
        int countings;
    };
    const Step steps[] = {
        {"the same search again", {}, kByEmployee, 1},
        {"comment, low to high", QStringLiteral("comment ASC"),
         QStringLiteral("comment ASC, employeeeventid ASC"), 2},
        {"comment, high to low", QStringLiteral("comment DESC"),
         QStringLiteral("comment DESC, employeeeventid DESC"), 2},
        {"employee, Z to A", QStringLiteral("employeename DESC"),
         QStringLiteral("employeename DESC, employeeeventid DESC"), 2},
        {"the same search once more", {}, kByEmployee, 2},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.sort.isEmpty())
            Search({});
        else
            events->SetSortedFields(step.sort);
        EXPECT_EQ(countings(), step.countings);
        EXPECT_EQ(Listed(), Expected(step.expectedOrder));
    }
    // a hand event deleted leaves no new key, only its history row
    ASSERT_TRUE(DeleteHandEvent(c, first, QStringLiteral("dupla")).Done());
    Search({});
    EXPECT_EQ(countings(), 3);
    EXPECT_EQ(events->RecordCount(), kEvents + 1);
    EXPECT_EQ(Listed(), Expected(kByEmployee));
}
