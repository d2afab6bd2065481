// SPDX-License-Identifier: GPL-3.0-or-later
// The event search: the condition of every key and their combinations, run
// against the database, and the navigator form that drives it.
#include "module/search/EventSearch.h"
#include "host/data/ClientDataSet.h"
#include "host/data/DataSet.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/Dialogs.h"
#include "module/HorloResourceString.h"
#include "module/ModuleConsole.h"
#include "module/data/HorloDMUnit.h"
#include "module/search/HorloNavigatorUnit.h"
#include "tests/support/TestDatabase.h"

#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Events around the bounds of March 2024, of two employees and a guest. Type 300
// is a departure type that is literally named "Svi dolasci"; type 301 has a
// quote and a backslash in its name.
const char* const kData =
    "INSERT INTO employee (employeeid, firstname, lastname) VALUES (1, 'Marko', 'Petrović'), "
    "  (2, 'Jelena', 'Jovanović');"
    "INSERT INTO horloguest (horloguestid, firstname, lastname) VALUES (1, 'Petar', 'Gost');"
    "INSERT INTO employeeeventtype (employeeeventtypeid, direction, defaultevent, name) VALUES "
    "  (300, 'o', 'n', 'Svi dolasci'), (301, 'i', 'n', 'O''Brien \\\\ ulaz');"
    "INSERT INTO employeeevent (employeeeventid, eventtime, employeeeventtypeid, employeeid, horloguestid, "
    "  horloaccesspointid, deviceindex) VALUES"
    "  (1, '2024-02-29 23:59:59', 5, 1, NULL, 1, 1),"
    "  (2, '2024-03-01 00:00:00', 5, 1, NULL, 1, 2),"
    "  (3, '2024-03-01 08:00:00', 10, 2, NULL, 1, 3),"
    "  (4, '2024-03-15 07:59:59', 15, 2, NULL, 1, 4),"
    "  (5, '2024-03-15 16:00:00', 300, 1, NULL, 1, 5),"
    "  (6, '2024-03-31 23:59:59', 301, 2, NULL, 1, 6),"
    "  (7, '2024-04-01 00:00:00', 16, 1, NULL, 1, 7),"
    "  (8, '2024-03-10 12:00:00', 5, NULL, 1, 1, 8);";

const QString kQuoted = QStringLiteral("O'Brien \\ ulaz");

struct SearchFixture : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    void SetUp() override {
        c.ExecuteScript(QString::fromUtf8(kData));
        CreateHorloDM();
        HorloDM->SetZConnection(&c);
        TDialogScript::SetUnattended(true);
        TDialogScript::Reset();
    }
    void TearDown() override {
        TDialogScript::Reset();
        GlobalConsole.reset();
        DestroyHorloDM();
        SetNowForTesting(QDateTime());
    }
    // The identifiers of the events the statement lists, in its order.
    QList<qint64> Run(const QString& sql) {
        QList<qint64> ids;
        for (const auto& row : c.Select(sql).rows)
            ids << row[0].toLongLong();
        return ids;
    }
    QList<qint64> Found(const TEventSearchKeys& keys) {
        const QString base = HorloDM->EmployeeEventZQ->SQL();
        return Run(ChangeSQLCondition(base, EventSearchCondition(keys, c)) +
                   QStringLiteral(" ORDER BY ee.employeeeventid"));
    }
    static QList<qint64> ListedIds() {
        QList<qint64> ids;
        TZQuery* events = HorloDM->EmployeeEventZQ;
        for (int r = 0; r < events->RecordCount(); ++r)
            ids << events->RowValue(r, events->FieldByName(QStringLiteral("employeeeventid"))->Index())
                       .toLongLong();
        return ids;
    }
};

TEventSearchKeys Keys(std::function<void(TEventSearchKeys&)> fill) {
    TEventSearchKeys keys;
    fill(keys);
    return keys;
}

} // namespace

TEST_F(SearchFixture, EveryKeyAndTheirCombinationsFindTheRightEvents) {
    using K = TEventSearchKeys&;
    struct Case {
        const char* what;
        TEventSearchKeys keys;
        QList<qint64> ids;
    } cases[] = {
        {"nothing filled", {}, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"all arrivals", Keys([](K k) { k.eventType = _HORLO_EVENT_IN; }), {1, 2, 4, 6, 8}},
        {"all departures", Keys([](K k) { k.eventType = _HORLO_EVENT_OUT; }), {3, 5, 7}},
        {"one type by name", Keys([](K k) { k.eventType = QStringLiteral("Dolazak"); }), {1, 2, 8}},
        {"quote and backslash in the name", Keys([](K k) { k.eventType = kQuoted; }), {6}},
        {"unknown type", Keys([](K k) { k.eventType = QStringLiteral("x' OR '1'='1"); }), {}},
        {"from midnight of the first day",
         Keys([](K k) { k.dateFrom = QStringLiteral("2024-03-01"); }),
         {2, 3, 4, 5, 6, 7, 8}},
        {"to the last second of the last day",
         Keys([](K k) { k.dateTo = QStringLiteral("2024-03-31"); }),
         {1, 2, 3, 4, 5, 6, 8}},
        {"a month",
         Keys([](K k) {
             k.dateFrom = QStringLiteral("2024-03-01");
             k.dateTo = QStringLiteral("2024-03-31");
         }),
         {2, 3, 4, 5, 6, 8}},
        {"after 8 h", Keys([](K k) { k.afterHour = QStringLiteral("8"); }), {1, 3, 5, 6, 8}},
        {"before 8 h", Keys([](K k) { k.beforeHour = QStringLiteral("08"); }), {2, 4, 7}},
        {"from 8 to 16 h",
         Keys([](K k) {
             k.afterHour = QStringLiteral("8");
             k.beforeHour = QStringLiteral("16");
         }),
         {3, 8}},
        {"chosen employee",
         Keys([](K k) {
             k.employee = QStringLiteral("Petrović Marko");
             k.selectedEmployeeId = 1;
         }),
         {1, 2, 5, 7}},
        {"name without a chosen employee",
         Keys([](K k) { k.employee = QStringLiteral("Petrović Marko"); }),
         {1, 2, 3, 4, 5, 6, 7, 8}},
        {"chosen employee whose name was removed",
         Keys([](K k) { k.selectedEmployeeId = 1; }),
         {1, 2, 3, 4, 5, 6, 7, 8}},
        {"blank date and hours count as empty",
         Keys([](K k) {
             k.dateFrom = QStringLiteral(" ");
             k.afterHour = QStringLiteral("  ");
         }),
         {1, 2, 3, 4, 5, 6, 7, 8}},
        {"arrivals of one employee in a month",
         Keys([](K k) {
             k.eventType = _HORLO_EVENT_IN;
             k.dateFrom = QStringLiteral("2024-03-01");
             k.dateTo = QStringLiteral("2024-03-31");
             k.employee = QStringLiteral("Jovanović Jelena");
             k.selectedEmployeeId = 2;
         }),
         {4, 6}},
    };
    for (const Case& k : cases)
        EXPECT_EQ(Found(k.keys), k.ids) << k.what;
}

TEST_F(SearchFixture, ConditionsComeInTheirOrderWithTheirTexts) {
    struct Case {
        TEventSearchKeys keys;
        QString condition;
    } cases[] = {
        {{}, QString()},
        {Keys([](auto& k) {
             k.eventType = _HORLO_EVENT_IN;
             k.dateFrom = QStringLiteral("2024-03-01");
             k.dateTo = QStringLiteral("2024-03-31");
         }),
         QStringLiteral(
             "eet.direction = 'i' AND ee.eventtime >= '2024-03-01' AND ee.eventtime <= '2024-03-31 "
             "23:59:59'")},
        {Keys([](auto& k) {
             k.afterHour = QStringLiteral("8");
             k.beforeHour = QStringLiteral("16");
         }),
         QStringLiteral("HOUR(ee.eventtime) < 16 AND HOUR(ee.eventtime) >= 8")},
        {Keys([](auto& k) {
             k.eventType = kQuoted;
             k.employee = QStringLiteral("x");
             k.selectedEmployeeId = 42;
         }),
         QStringLiteral("eet.name = 'O\\'Brien \\\\ ulaz' AND ee.employeeid = 42")},
    };
    for (const Case& k : cases)
        EXPECT_EQ(EventSearchCondition(k.keys, c), k.condition);
}

TEST_F(SearchFixture, HoursAndDatesThatAreNotRealAreRefusedWithAWarningText) {
    struct Case {
        const char* what;
        TEventSearchKeys keys;
        QString warning;
    } cases[] = {
        {"hour 24", Keys([](auto& k) { k.afterHour = QStringLiteral("24"); }),
         Format(_SEARCH_HOUR_WRN, {QStringLiteral("24"), _HORLO_AFTER_H})},
        {"negative hour", Keys([](auto& k) { k.beforeHour = QStringLiteral("-1"); }),
         Format(_SEARCH_HOUR_WRN, {QStringLiteral("-1"), _HORLO_BEFORE_H})},
        {"fraction", Keys([](auto& k) { k.beforeHour = QStringLiteral("8.5"); }),
         Format(_SEARCH_HOUR_WRN, {QStringLiteral("8.5"), _HORLO_BEFORE_H})},
        {"SQL as an hour", Keys([](auto& k) { k.afterHour = QStringLiteral("0 OR 1=1"); }),
         Format(_SEARCH_HOUR_WRN, {QStringLiteral("0 OR 1=1"), _HORLO_AFTER_H})},
        {"no such day", Keys([](auto& k) { k.dateFrom = QStringLiteral("2024-02-30"); }),
         Format(_SEARCH_DATE_WRN, {QStringLiteral("2024-02-30"), _HORLO_DATE_FROM})},
        {"short month", Keys([](auto& k) { k.dateTo = QStringLiteral("2024-3-01"); }),
         Format(_SEARCH_DATE_WRN, {QStringLiteral("2024-3-01"), _HORLO_DATE_TO})},
        {"no such day, local notation", Keys([](auto& k) { k.dateTo = QStringLiteral("31.04.2024"); }),
         Format(_SEARCH_DATE_WRN, {QStringLiteral("31.04.2024"), _HORLO_DATE_TO})},
        {"with a time", Keys([](auto& k) { k.dateFrom = QStringLiteral("2024-03-01 10:00"); }),
         Format(_SEARCH_DATE_WRN, {QStringLiteral("2024-03-01 10:00"), _HORLO_DATE_FROM})},
    };
    for (const Case& k : cases) {
        try {
            EventSearchCondition(k.keys, c);
            ADD_FAILURE() << k.what << ": accepted";
        } catch (const ESearchKeyError& e) {
            EXPECT_EQ(e.Message(), k.warning) << k.what;
        }
    }
    // the local notation is the same day as the ISO one
    EXPECT_EQ(EventSearchCondition(Keys([](auto& k) { k.dateTo = QStringLiteral("1.3.2024"); }), c),
              EventSearchCondition(Keys([](auto& k) { k.dateTo = QStringLiteral("2024-03-01"); }), c));
}

TEST_F(SearchFixture, FormPreparesItsKeysWithCaptionsAndPickLists) {
    THorloNavigatorForm form;
    EXPECT_TRUE(form.SearchPropsSet); // the connection was up when it was made
    TValueListEditor* vle = form.SearchVLE;
    EXPECT_EQ(vle->Keys(), (QStringList{QStringLiteral("employee"), QStringLiteral("eventtype"),
                                        QStringLiteral("datefrom"), QStringLiteral("dateto"),
                                        QStringLiteral("afterhour"), QStringLiteral("beforehour")}));
    QStringList captions;
    for (int r = 0; r < vle->RowCount(); ++r)
        captions << vle->model()->index(r, 0).data().toString();
    EXPECT_EQ(captions, (QStringList{_HORLO_EMPLOYEE, _HORLO_EVENT, _HORLO_DATE_FROM, _HORLO_DATE_TO,
                                     _HORLO_AFTER_H, _HORLO_BEFORE_H}));
    using S = TValueListEditor::TEditStyle;
    for (const auto& [key, style] : {std::pair{QStringLiteral("employee"), S::Ellipsis},
                                     {QStringLiteral("datefrom"), S::Ellipsis},
                                     {QStringLiteral("dateto"), S::Ellipsis},
                                     {QStringLiteral("eventtype"), S::PickList},
                                     {QStringLiteral("afterhour"), S::PickList},
                                     {QStringLiteral("beforehour"), S::PickList}})
        EXPECT_EQ(vle->ItemProps(key).editStyle, style) << key.toStdString();
    EXPECT_EQ(vle->ItemProps(QStringLiteral("eventtype")).pickList,
              (QStringList{_HORLO_EVENT_IN, _HORLO_EVENT_OUT, QStringLiteral("Dolazak"),
                           QStringLiteral("Dolazak karticom"), kQuoted, QStringLiteral("Odlazak"),
                           QStringLiteral("Odlazak karticom"), QStringLiteral("Svi dolasci")}));
    for (const QString& key : {QStringLiteral("afterhour"), QStringLiteral("beforehour")}) {
        const QStringList hours = vle->ItemProps(key).pickList;
        ASSERT_EQ(hours.size(), 24);
        EXPECT_EQ(hours.first(), QStringLiteral("0"));
        EXPECT_EQ(hours.last(), QStringLiteral("23"));
    }
}

TEST_F(SearchFixture, FindReopensTheListByEmployeeAndNewestFirstOrWarnsAndLeavesIt) {
    THorloNavigatorForm form;
    form.SearchVLE->SetValues(QStringLiteral("datefrom"), QStringLiteral("2024-03-01"));
    form.SearchVLE->SetValues(QStringLiteral("dateto"), QStringLiteral("2024-03-31"));
    form.FindButtonClick();
    TZQuery* events = HorloDM->EmployeeEventZQ;
    ASSERT_TRUE(events->Active());
    // Gost, Jovanović, Petrović; each one's newest first
    EXPECT_EQ(ListedIds(), (QList<qint64>{8, 6, 4, 3, 5, 2}));
    EXPECT_EQ(events->RecIndex(), 0);
    const QString sql = events->SQL();

    for (const auto& [key, value] : {std::pair{QStringLiteral("afterhour"), QStringLiteral("25")},
                                     {QStringLiteral("dateto"), QStringLiteral("2024-04-31")}}) {
        TDialogScript::Reset();
        const QString kept = form.SearchVLE->Values(key);
        form.SearchVLE->SetValues(key, value);
        form.FindButtonClick();
        ASSERT_EQ(TDialogScript::Shown().size(), 1);
        EXPECT_EQ(TDialogScript::Shown()[0].kind, QStringLiteral("warning"));
        EXPECT_TRUE(TDialogScript::Shown()[0].text.contains(value));
        EXPECT_TRUE(events->Active());
        EXPECT_EQ(events->SQL(), sql);
        EXPECT_EQ(ListedIds(), (QList<qint64>{8, 6, 4, 3, 5, 2}));
        form.SearchVLE->SetValues(key, kept);
    }

    // a preset search types the employee: a name (either order) or a code finds one, or is refused
    for (const char* name : {"Petrović Marko", "marko petrović"}) {
        form.SearchVLE->SetValues(QStringLiteral("employee"), QString::fromUtf8(name));
        form.FindButtonClick();
        EXPECT_EQ(ListedIds(), (QList<qint64>{5, 2})) << name;
    }
    form.SearchVLE->SetValues(QStringLiteral("employee"), QStringLiteral("Niko Nikić"));
    EXPECT_THROW(form.ParseSQL(), ESearchKeyError);
    c.Execute(QStringLiteral("UPDATE employee SET firstname = 'Marko', lastname = 'Petrović'"));
    form.SearchVLE->SetValues(QStringLiteral("employee"), QStringLiteral("Petrović Marko"));
    EXPECT_THROW(form.ParseSQL(), ESearchKeyError); // two employees have the name

    // all keys emptied: every event
    for (const QString& key : form.SearchVLE->Keys())
        form.SearchVLE->SetValues(key, QString());
    form.FindButtonClick();
    EXPECT_EQ(ListedIds().size(), 8);
}

namespace {

struct ChooserConsole : IConsole, IEmployeeChooser {
    qint64 choice = 0;
    bool offerChooser = true;
    int chooserCalls = 0;
    std::shared_ptr<IInterface> GetService(const QUuid& iid) override {
        if (iid == IEmployeeChooser::IID && offerChooser)
            return std::shared_ptr<IEmployeeChooser>(std::shared_ptr<IEmployeeChooser>{}, this);
        return nullptr;
    }
    bool RunModule(const QString&, const QString&) override { return false; }
    TDBGrid* GetPrintGrid() const override { return nullptr; }
    void SetPrintGrid(TDBGrid*) override {}
    bool ChooseEmployee(std::shared_ptr<TDataSet>& employee) override {
        ++chooserCalls;
        if (choice == 0) return false;
        auto set = std::make_shared<TClientDataSet>();
        set->AddField(QStringLiteral("employeeid"), TFieldType::LargeInt);
        set->AddField(QStringLiteral("firstname"), TFieldType::String);
        set->AddField(QStringLiteral("lastname"), TFieldType::String);
        set->CreateDataSet();
        set->Append();
        set->FieldByName(QStringLiteral("employeeid"))->SetAsLargeInt(choice);
        set->FieldByName(QStringLiteral("firstname"))->SetAsString(QStringLiteral("Marko"));
        set->FieldByName(QStringLiteral("lastname"))->SetAsString(QStringLiteral("Petrović"));
        set->Post();
        employee = set;
        return true;
    }
    bool ChooseEmployeeDesc(TEmployeeDesc&) override { return false; }
    void ShowEmployee(qint64) override {}
};

} // namespace

TEST_F(SearchFixture, EllipsisPicksDatesAndEmployeesAndTypingAnEmployeeIsDiscarded) {
    auto console = std::make_shared<ChooserConsole>();
    GlobalConsole = console;
    THorloNavigatorForm form;
    TValueListEditor* vle = form.SearchVLE;
    SetNowForTesting(QDateTime(QDate(2024, 6, 1), QTime(10, 30), Qt::UTC));

    vle->SetCurrentKey(QStringLiteral("dateto"));
    TDialogScript::SetNextDate(QDate(2024, 3, 5));
    vle->ClickEditButton();
    EXPECT_EQ(vle->Values(QStringLiteral("dateto")), QStringLiteral("2024-03-05"));
    EXPECT_EQ(TDialogScript::Shown().last().text, QStringLiteral("2024-06-01")); // preset to today
    vle->ClickEditButton();                                                      // cancelled
    EXPECT_EQ(vle->Values(QStringLiteral("dateto")), QStringLiteral("2024-03-05"));

    struct Step {
        const char* what;
        std::function<void()> prepare;
        QString value;
        qint64 id;
        int chooserCalls;
    } steps[] = {
        {"cancelled choice", [&] { console->choice = 0; }, QString(), 0, 1},
        {"chosen", [&] { console->choice = 1; }, QStringLiteral("Petrović Marko"), 1, 2},
        {"a value there: leave it", [&] { TDialogScript::SetNextOption(2); },
         QStringLiteral("Petrović Marko"), 1, 2},
        {"a value there: choose again",
         [&] {
             console->choice = 7;
             TDialogScript::SetNextOption(0);
         },
         QStringLiteral("Petrović Marko"), 7, 3},
        {"a value there: clear", [&] { TDialogScript::SetNextOption(1); }, QString(), 0, 3},
        {"no chooser in the console", [&] { console->offerChooser = false; }, QString(), 0, 3},
    };
    vle->SetCurrentKey(QStringLiteral("employee"));
    for (const Step& s : steps) {
        s.prepare();
        vle->ClickEditButton();
        EXPECT_EQ(vle->Values(QStringLiteral("employee")), s.value) << s.what;
        EXPECT_EQ(form.SelectedEmployeeID, s.id) << s.what;
        EXPECT_EQ(console->chooserCalls, s.chooserCalls) << s.what;
    }
    for (const TShownDialog& shown : TDialogScript::Shown())
        EXPECT_NE(shown.kind, QStringLiteral("error")); // no message for a missing chooser

    QTest::keyClicks(vle, QStringLiteral("Ana"));
    vle->CommitEdit();
    EXPECT_EQ(vle->Values(QStringLiteral("employee")), QString());
    QChar typed(QLatin1Char('7'));
    vle->SetCurrentKey(QStringLiteral("afterhour"));
    form.SearchVLEKeyPress(typed);
    EXPECT_EQ(typed, QLatin1Char('7'));
}

// The employee key shows the chosen employee and nothing else: no paste, drop,
// cut or deletion changes its text behind the chooser's back.
TEST_F(SearchFixture, EmployeeKeyTextChangesOnlyThroughTheChooser) {
    auto console = std::make_shared<ChooserConsole>();
    console->choice = 1;
    GlobalConsole = console;
    THorloNavigatorForm form;
    TValueListEditor* vle = form.SearchVLE;
    vle->SetCurrentKey(QStringLiteral("employee"));
    vle->ClickEditButton();
    const QString chosen = QStringLiteral("Petrović Marko");
    ASSERT_EQ(vle->Values(QStringLiteral("employee")), chosen);
    const QString other = QStringLiteral("Jovanović Jelena");

    auto drop = [&other](QLineEdit* line) {
        QMimeData mime;
        mime.setText(other);
        QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(line, &enter);
        QDropEvent dropped(QPointF(2, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(line, &dropped);
    };
    // the line's context menu: its entry that starts with name, when enabled
    auto menu = [](const char* name) {
        return [name](QLineEdit* line) {
            std::unique_ptr<QMenu> menu(line->createStandardContextMenu());
            for (QAction* action : menu->actions())
                if (action->isEnabled() &&
                    action->text().remove(QLatin1Char('&')).startsWith(QLatin1String(name)))
                    action->trigger();
        };
    };
    struct Case {
        const char* what;
        std::function<void(QLineEdit*)> act;
    } cases[] = {
        {"typing", [](QLineEdit* line) { QTest::keyClicks(line, QStringLiteral("Ana")); }},
        {"Ctrl+V", [](QLineEdit* line) { QTest::keyClick(line, Qt::Key_V, Qt::ControlModifier); }},
        {"Shift+Insert", [](QLineEdit* line) { QTest::keyClick(line, Qt::Key_Insert, Qt::ShiftModifier); }},
        {"drop", drop},
        {"Paste in the context menu", menu("Paste")},
        {"Cut in the context menu", menu("Cut")},
        {"Delete in the context menu", menu("Delete")},
        {"Ctrl+X",
         [](QLineEdit* line) {
             line->selectAll();
             QTest::keyClick(line, Qt::Key_X, Qt::ControlModifier);
         }},
        {"backspace",
         [](QLineEdit* line) {
             line->end(false);
             QTest::keyClick(line, Qt::Key_Backspace);
         }},
        {"delete",
         [](QLineEdit* line) {
             line->home(false);
             QTest::keyClick(line, Qt::Key_Delete);
         }},
    };
    for (const Case& k : cases) {
        QGuiApplication::clipboard()->setText(other);
        vle->SetCurrentKey(QStringLiteral("employee"));
        vle->edit(vle->currentIndex());
        auto* line = qobject_cast<QLineEdit*>(vle->indexWidget(vle->currentIndex()));
        ASSERT_NE(line, nullptr) << k.what;
        k.act(line);
        vle->CommitEdit();
        EXPECT_EQ(vle->Values(QStringLiteral("employee")).toStdString(), chosen.toStdString()) << k.what;
        EXPECT_EQ(form.SelectedEmployeeID, 1) << k.what;
        vle->SetValues(QStringLiteral("employee"), chosen); // the next case starts from the chosen name
    }
    // the chooser still changes it
    console->choice = 7;
    TDialogScript::SetNextOption(0);
    vle->ClickEditButton();
    EXPECT_EQ(form.SelectedEmployeeID, 7);
}
