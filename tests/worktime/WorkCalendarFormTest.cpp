// SPDX-License-Identifier: GPL-3.0-or-later
// The work calendar dialog as a user drives it.
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/ColourLegend.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Dialogs.h"
#include "module/HorloResourceString.h"
#include "module/ModuleConsole.h"
#include "module/data/HorloDMUnit.h"
#include "module/worktime/HorloWorkCalendarUnit.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/FakeConsole.h"

#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <optional>

#include <functional>

namespace {

// The cell editor the grid has open, if any.
QWidget* Editor(TDBGrid* grid) {
    for (QWidget* w : grid->viewport()->findChildren<QWidget*>())
        if (w->isVisible()) return w;
    return nullptr;
}

const QColor kRed(255, 128, 128);

struct CalendarFixture : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    std::shared_ptr<FakeConsole> console = std::make_shared<FakeConsole>();
    QPointer<THorloWorkCalendarForm> form;

    void SetUp() override {
        TDialogScript::SetUnattended(true);
        TDialogScript::Reset();
        SetNowForTesting(QDateTime(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC));
        CreateHorloDM();
        HorloDM->SetZConnection(&c);
        GlobalConsole = console;
        form = new THorloWorkCalendarForm();
    }
    void TearDown() override {
        delete form.data();
        GlobalConsole.reset();
        DestroyHorloDM();
        SetNowForTesting(QDateTime());
        TDialogScript::Reset();
    }
    TZQuery* Calendar() { return HorloDM->HorloWorkCalendarZQ; }
    void Choose(int year, int month) {
        form->YearCB->setCurrentIndex(year - THorloWorkCalendarForm::FirstYear);
        form->MonthCB->setCurrentIndex(month - 1);
    }
    QString Cell(int row, int column) { return form->HorloWorkCalendarDBG->CellText(row, column); }
    int Stored() {
        return c.Select(QStringLiteral("SELECT COUNT(*) FROM horloworkcalendar")).rows[0][0].toInt();
    }
};

} // namespace

TEST_F(CalendarFixture, OpensOnTheCurrentMonthWithYearsUpToNextYear) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Radni kalendar"));
    // the row colours are explained under the grid
    ASSERT_NE(form->findChild<TColourLegend*>(), nullptr);
    EXPECT_EQ(form->findChild<TColourLegend*>()->Meanings().size(), 1);
    ASSERT_EQ(form->YearCB->count(), 2027 - 2017 + 1);
    EXPECT_EQ(form->YearCB->itemText(0), QStringLiteral("2017"));
    EXPECT_EQ(form->YearCB->currentText(), QStringLiteral("2026"));
    EXPECT_EQ(form->MonthCB->count(), 12);
    EXPECT_EQ(form->MonthCB->currentText(), QStringLiteral("decembar")); // months by their names
    EXPECT_TRUE(Calendar()->Active());
    EXPECT_TRUE(Calendar()->SQL().contains(QStringLiteral("year = 2026 and month = 12")));
    EXPECT_FALSE(form->ApplyAction->isEnabled());
    EXPECT_TRUE(form->OKAction->isEnabled());
    EXPECT_EQ(form->HorloWorkCalendarDBG->Column(4).pickList, (QStringList{_YES_CAP, _NO_CAP}));
    QStringList titles;
    for (int i = 0; i < form->HorloWorkCalendarDBG->ColumnCount(); ++i)
        titles << form->HorloWorkCalendarDBG->ColumnTitle(i);
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Godina"), QStringLiteral("Mesec"), QStringLiteral("Datum"),
                                   QStringLiteral("Dan"), QStringLiteral("Radni dan")}));
}

TEST_F(CalendarFixture, DodajSveGeneratesTheMonthWithWeekendsRed) {
    struct Case {
        int year, month, days;
    } cases[] = {{2018, 3, 31}, {2020, 2, 29}, {2019, 2, 28}, {2026, 4, 30}};
    for (const Case& k : cases) {
        Choose(k.year, k.month);
        form->AddAllButtonClick();
        ASSERT_EQ(Calendar()->RecordCount(), k.days) << k.year << '-' << k.month;
        EXPECT_EQ(Cell(0, 2), QDate(k.year, k.month, 1).toString(QStringLiteral("dd.MM.yyyy")));
        EXPECT_EQ(Cell(k.days - 1, 2), QDate(k.year, k.month, k.days).toString(QStringLiteral("dd.MM.yyyy")));
        EXPECT_TRUE(form->ApplyAction->isEnabled());
    }
    Choose(2018, 3);
    form->AddAllButtonClick();
    TDBGrid* grid = form->HorloWorkCalendarDBG;
    struct Day {
        int row;
        const char* name;
        const char* workday;
        bool red;
    } days[] = {{0, "Četvrtak", "Da", false},   {2, "Subota", "Ne", true},  {3, "Nedelja", "Ne", true},
                {4, "Ponedeljak", "Da", false}, {5, "Utorak", "Da", false}, {6, "Sreda", "Da", false},
                {8, "Petak", "Da", false}};
    for (const Day& d : days) {
        EXPECT_EQ(Cell(d.row, 0), QStringLiteral("2018"));
        EXPECT_EQ(Cell(d.row, 1), QStringLiteral("mart"));
        EXPECT_EQ(Cell(d.row, 3), QString::fromUtf8(d.name)) << d.row;
        EXPECT_EQ(Cell(d.row, 4), QString::fromUtf8(d.workday)) << d.row;
        for (int column = 0; column < 5; ++column)
            EXPECT_EQ(grid->CellColor(d.row, column), d.red ? kRed : QColor()) << d.row;
    }
}

TEST_F(CalendarFixture, DodajSveTwiceAddsNothingAndSwitchingMonthsDropsUnappliedRows) {
    Choose(2018, 3);
    form->AddAllButtonClick();
    form->AddAllButtonClick();
    EXPECT_EQ(Calendar()->RecordCount(), 31);
    Choose(2018, 4);
    Choose(2018, 3);
    EXPECT_EQ(Calendar()->RecordCount(), 0);
    EXPECT_FALSE(form->ApplyAction->isEnabled());

    form->AddAllButtonClick();
    form->ApplyAction->trigger();
    EXPECT_EQ(Stored(), 31);
    EXPECT_FALSE(form->ApplyAction->isEnabled());
    form->AddAllButtonClick();
    EXPECT_EQ(Calendar()->RecordCount(), 31);
    EXPECT_FALSE(form->ApplyAction->isEnabled());
    Choose(2018, 4);
    Choose(2018, 3);
    EXPECT_EQ(Calendar()->RecordCount(), 31);

    // another desk stores April while this one has generated it: no date twice
    Choose(2018, 4);
    form->AddAllButtonClick();
    auto otherDesk = db.NewConnection();
    otherDesk->Execute(QStringLiteral(
        "INSERT INTO horloworkcalendar (year, month, workcalendardate, dayname, workday) VALUES "
        "(2018, 4, '2018-04-01', 'Nedelja', 'n'), (2018, 4, '2018-04-02', 'Ponedeljak', 'n')"));
    form->OKAction->trigger();
    EXPECT_EQ(TDialogScript::Shown().last().text, QString::fromUtf8(_WORK_CAL_EXIST_ERR));
    EXPECT_FALSE(form.isNull());
    EXPECT_EQ(Stored(), 33);
    EXPECT_EQ(Calendar()->RecordCount(), 2); // what is stored, nothing pending
    EXPECT_FALSE(form->ApplyAction->isEnabled());
}

TEST_F(CalendarFixture, FlagsChangeByTheirListOrItsFirstLetterAndKeysCannotDeleteOrAppend) {
    Choose(2018, 3);
    form->AddAllButtonClick();
    form->ApplyAction->trigger();
    TDBGrid* grid = form->HorloWorkCalendarDBG;
    form->show();
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(29, 4)); // a Friday
    ASSERT_EQ(Calendar()->RecIndex(), 29);
    // N chooses Ne and D Da, without opening the list; other letters, Delete and Tab do nothing
    const struct {
        const char* typed;
        const char* flag;
    } keys[] = {{"n", "Ne"}, {"x", "Ne"}, {"D", "Da"}, {"N", "Ne"}};
    for (const auto& k : keys) {
        QTest::keyClicks(grid, QString::fromLatin1(k.typed));
        EXPECT_EQ(Cell(29, 4), QString::fromLatin1(k.flag)) << k.typed;
    }
    for (Qt::Key key : {Qt::Key_Delete, Qt::Key_Tab})
        QTest::keyClick(grid, key);
    EXPECT_EQ(Editor(grid), nullptr);
    EXPECT_EQ(Calendar()->RecordCount(), 31);
    EXPECT_EQ(Calendar()->RecIndex(), 29);
    EXPECT_EQ(grid->currentIndex().column(), 4);
    EXPECT_TRUE(form->ApplyAction->isEnabled());
    // the other columns take no key
    grid->setCurrentIndex(grid->model()->index(29, 3));
    QTest::keyClicks(grid, QStringLiteral("N"));
    EXPECT_EQ(Cell(29, 3), QStringLiteral("Petak"));
    // Esc asks about the row being edited, and Otkaži keeps it as chosen
    TDialogScript::SetNextAnswer(TModalResult::Cancel);
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_EQ(TDialogScript::Shown().last().text, QString::fromUtf8(_CMN_SAVE_CHANGES_QST));
    EXPECT_FALSE(form.isNull());
    EXPECT_EQ(Cell(29, 4), QStringLiteral("Ne"));
    Calendar()->Cancel();
    EXPECT_EQ(Cell(29, 4), QStringLiteral("Da"));
    EXPECT_FALSE(form->ApplyAction->isEnabled());
    // Down moves to the next row, and at the last row appends none
    for (int expected : {30, 30}) {
        QTest::keyClick(grid, Qt::Key_Down);
        EXPECT_EQ(Calendar()->RecIndex(), expected);
        EXPECT_EQ(Calendar()->RecordCount(), 31);
    }
    grid->setCurrentIndex(grid->model()->index(29, 4));

    // the pick list's "Ne" makes the row red once posted
    grid->setCurrentIndex(grid->model()->index(5, 4));
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(5, 4), _NO_CAP, Qt::EditRole));
    Calendar()->Post();
    EXPECT_EQ(grid->CellColor(5, 0), kRed);
    EXPECT_TRUE(form->ApplyAction->isEnabled());
    form->OKAction->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull()); // closed and freed
    EXPECT_EQ(c.Select(QStringLiteral("SELECT workday FROM horloworkcalendar WHERE workcalendardate = "
                                      "'2018-03-06'"))
                  .rows[0][0],
              QVariant(false));
}

TEST_F(CalendarFixture, WheelStepsMoveTheRowBothWays) {
    Choose(2018, 3);
    form->AddAllButtonClick();
    TDBGrid* grid = form->HorloWorkCalendarDBG;
    form->show();
    grid->setFocus();
    Calendar()->SetRecIndex(10);
    auto wheel = [&](int delta) {
        QWheelEvent event(QPointF(10, 10), grid->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid->viewport(), &event);
        return Calendar()->RecIndex();
    };
    EXPECT_EQ(wheel(120), 9);
    EXPECT_EQ(wheel(-120), 10);
    EXPECT_EQ(wheel(0), 10);
    EXPECT_EQ(Calendar()->RecordCount(), 31);
}

TEST_F(CalendarFixture, CancelAndEscDiscardAndCloseWhileTheCloseBoxKeepsTheCache) {
    auto esc = [](THorloWorkCalendarForm* f) { QTest::keyClick(f, Qt::Key_Escape); };
    auto closeBox = [](THorloWorkCalendarForm* f) { f->close(); };
    struct Case {
        const char* how;
        std::function<void(THorloWorkCalendarForm*)> close;
        bool kept;                                         // the unapplied month still waits in the cache
        std::optional<TModalResult> answer = std::nullopt; // to "Sačuvati izmene?" (none: nobody asked)
        int stored = 0;
        bool closed = true;
    } cases[] = {
        {"Cancel", [](THorloWorkCalendarForm* f) { f->CancelAction->trigger(); }, false},
        {"Esc", esc, false},
        {"close box", closeBox, true},
        {"Esc, saved", esc, false, TModalResult::Yes, 28},
        {"close box, not saved", closeBox, false, TModalResult::No},
        {"Esc, stayed", esc, true, TModalResult::Cancel, 0, false},
    };
    for (const Case& k : cases) {
        c.Execute(QStringLiteral("DELETE FROM horloworkcalendar"));
        if (!form) form = new THorloWorkCalendarForm();
        form->show();
        Choose(2019, 2);
        form->AddAllButtonClick();
        if (k.answer) TDialogScript::SetNextAnswer(*k.answer);
        k.close(form.data());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(form.isNull(), k.closed) << k.how;
        EXPECT_EQ(Stored(), k.stored) << k.how;
        EXPECT_EQ(Calendar()->UpdatesPending(), k.kept) << k.how;
    }
}

TEST_F(CalendarFixture, PrintsTheMonthThroughTheConsolesPrintWizard) {
    TDBGrid previous;
    console->printGrid = &previous;
    Choose(2019, 12);
    form->AddAllButtonClick();
    form->PrintButtonClick();
    ASSERT_EQ(console->runs.size(), 1);
    EXPECT_EQ(console->runs[0].module, _CMN_PRINT_WIZ_NAME);
    EXPECT_EQ(console->runs[0].params, QStringLiteral("title:Radni kalendar: 12.2019.;header:"));
    EXPECT_EQ(console->runs[0].grid, form->HorloWorkCalendarDBG);
    EXPECT_EQ(console->runs[0].table.rows.size(), 31u);
    EXPECT_EQ(console->printGrid, &previous);
}
