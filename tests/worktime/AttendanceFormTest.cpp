// SPDX-License-Identifier: GPL-3.0-or-later
// The attendance dialog as a user drives it: the period and filters, adding a
// day or an employee, colours, editing keys, the summary and printing.
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/ColourLegend.h"
#include "host/ui/DBGrid.h"
#include "host/ui/DateEdit.h"
#include "host/ui/Dialogs.h"
#include "module/HorloResourceString.h"
#include "module/ModuleConsole.h"
#include "module/data/HorloDMUnit.h"
#include "module/worktime/HorloAttendanceUnit.h"
#include "tests/support/FakeConsole.h"
#include "tests/support/TestDatabase.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The cell editor the grid has open, if any.
QWidget* Editor(TDBGrid* grid) {
    for (QWidget* w : grid->viewport()->findChildren<QWidget*>())
        if (w->isVisible()) return w;
    return nullptr;
}

struct AttendanceFixture : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    std::shared_ptr<FakeConsole> console = std::make_shared<FakeConsole>();
    QPointer<THorloAttendanceForm> form;
    int nextEvent = 1;

    void SetUp() override {
        TDialogScript::SetUnattended(true);
        TDialogScript::Reset();
        SetNowForTesting(QDateTime(QDate(2024, 3, 6), QTime(7, 30), Qt::UTC));
        CreateHorloDM();
        HorloDM->SetZConnection(&c);
        GlobalConsole = console;
        // 1 and 2 work; 3 has no end date and no working state; 4 is on leave (state 7); 5 left
        c.ExecuteScript(QStringLiteral(
            "INSERT INTO employee (employeeid, firstname, lastname, code, personalidentificator, vocation, "
            "startworkingdate, active, workingfromdate, workingtodate, workingstateid) VALUES "
            "(1, 'Marko', 'Jovanović', '001', '0103985710012', 'Direktor', '2015-03-01', 'y', '2015-03-01', "
            "'1899-12-30', 1),"
            "(2, 'Jelena', 'Petrović', '002', '1507990715023', 'Računovođa', '2016-05-16', 'y', "
            "'2016-05-16', "
            "'1899-12-30', 1),"
            "(3, 'Nikola', 'O''Brien', '003', NULL, NULL, NULL, 'y', '2017-01-09', NULL, NULL),"
            "(4, 'Ana', 'Jovanić', '004', NULL, NULL, '2018-02-01', 'y', '2018-02-01', NULL, 7),"
            "(5, 'Stefan', 'Petrović', '0021', NULL, NULL, '2016-09-12', 'y', '2016-09-12', '2024-03-04', "
            "1);"));
        Event(1, "2024-03-05 08:45:00", 5);
        Event(1, "2024-03-05 17:10:00", 10);
        Event(2, "2024-03-05 09:10:00", 15);
        Event(2, "2024-03-05 17:45:00", 16);
        Event(3, "2024-03-05 07:00:00", 5);
        Event(3, "2024-03-05 08:30:00", 10);
        form = new THorloAttendanceForm();
    }
    void TearDown() override {
        delete form.data();
        GlobalConsole.reset();
        DestroyHorloDM();
        SetNowForTesting(QDateTime());
        TDialogScript::Reset();
    }
    void Event(int employee, const char* time, int type) {
        c.Execute(
            QStringLiteral("INSERT INTO employeeevent (employeeeventid, eventtime, employeeeventtypeid, "
                           "employeeid, horloaccesspointid, deviceindex) VALUES (%1, '%2', %3, %4, 1, %1)")
                .arg(nextEvent)
                .arg(QString::fromLatin1(time))
                .arg(type)
                .arg(employee));
        ++nextEvent;
    }
    TZQuery* Sheet() { return HorloDM->HorloAttendanceZQ; }
    int Stored() {
        return c.Select(QStringLiteral("SELECT COUNT(*) FROM horloattendance")).rows[0][0].toInt();
    }
    void Show(const char* from, const char* to) {
        form->FromDateEdit->setText(QString::fromLatin1(from));
        form->ToDateEdit->setText(QString::fromLatin1(to));
        form->FindButtonClick();
    }
    double Hours(int row, const char* field) {
        return Sheet()->RowValue(row, Sheet()->FieldByName(QString::fromLatin1(field))->Index()).toDouble();
    }
    qint64 Employee(int row) {
        return Sheet()
            ->RowValue(row, Sheet()->FieldByName(QStringLiteral("employeeid"))->Index())
            .toLongLong();
    }
    QList<qint64> Employees() {
        QList<qint64> ids;
        for (int row = 0; row < Sheet()->RecordCount(); ++row)
            ids << Employee(row);
        return ids;
    }
    bool ShownError(const QString& text) {
        for (const TShownDialog& d : TDialogScript::Shown())
            if (d.kind == QLatin1String("error") && d.text == text) return true;
        return false;
    }
    void Row(int employee, const char* date, const QString& hours) {
        c.Execute(
            QStringLiteral("INSERT INTO horloattendance SET employeeid = %1, attendancedate = '%2'%3")
                .arg(employee)
                .arg(QString::fromLatin1(date), hours.isEmpty() ? QString() : QStringLiteral(", ") + hours));
    }
};

} // namespace

TEST_F(AttendanceFixture, OpensOnYesterdaysMonthWithTheSheetsColumns) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Prisustvo"));
    // the row colours are explained under the grid
    ASSERT_NE(form->findChild<TColourLegend*>(), nullptr);
    EXPECT_EQ(form->findChild<TColourLegend*>()->Meanings().size(), 4);
    EXPECT_EQ(form->FromDateEdit->text(), QStringLiteral("01.03.2024"));
    EXPECT_EQ(form->ToDateEdit->text(), QStringLiteral("05.03.2024"));
    delete form.data();
    SetNowForTesting(QDateTime(QDate(2024, 3, 1), QTime(0, 10), Qt::UTC));
    form = new THorloAttendanceForm();
    EXPECT_EQ(form->FromDateEdit->text(), QStringLiteral("01.02.2024"));
    EXPECT_EQ(form->ToDateEdit->text(), QStringLiteral("29.02.2024"));
    EXPECT_TRUE(form->NoneRB->isChecked());
    EXPECT_EQ(form->AttendanceTotalLabel->text(), QStringLiteral("0"));
    EXPECT_FALSE(form->ApplyAction->isEnabled());
    EXPECT_EQ(form->Settings().StartWorkingTime, QStringLiteral("09:00:00"));
    QStringList titles;
    for (int i = 0; i < form->HorloAttendanceDBG->ColumnCount(); ++i)
        titles << form->HorloAttendanceDBG->ColumnTitle(i);
    EXPECT_EQ(titles.size(), 23);
    EXPECT_EQ(titles.mid(0, 7),
              (QStringList{QStringLiteral("Kod"), QStringLiteral("Prezime"), QStringLiteral("Ime"),
                           QStringLiteral("Radno mesto"), QStringLiteral("Datum početka rada"),
                           QStringLiteral("Datum"), QStringLiteral("Redovan rad")}));
    EXPECT_EQ(titles.last(), QStringLiteral("Komentar"));
}

TEST_F(AttendanceFixture, DodajDanAddsEveryEligibleEmployeeWithTheDaysHours) {
    Show("2024-03-05", "2024-03-05");
    TDialogScript::SetNextDate(QDate(2024, 3, 5));
    form->AddDayButtonClick();
    // 3 has neither an end date nor a working state and still gets a row
    EXPECT_EQ(Employees(), (QList<qint64>{1, 2, 3}));
    EXPECT_DOUBLE_EQ(Hours(0, "regularworkinghours"), 8);
    EXPECT_DOUBLE_EQ(Hours(1, "regularworkinghours"), 8);
    EXPECT_DOUBLE_EQ(Hours(1, "unallocatedhours"), 35 / 60.0);
    EXPECT_EQ(form->HorloAttendanceDBG->CellText(1, 21), QStringLiteral("0.58"));
    // arrival and departure before the start of working time count nothing
    EXPECT_DOUBLE_EQ(Hours(2, "regularworkinghours"), 0);
    EXPECT_EQ(form->HorloAttendanceDBG->CellText(0, 4), QStringLiteral("01.03.2015"));
    EXPECT_EQ(form->HorloAttendanceDBG->CellText(0, 5), QStringLiteral("05.03.2024")); // one date format
    EXPECT_EQ(form->AttendanceTotalLabel->text(), QStringLiteral("3")); // the total follows the sheet
    EXPECT_TRUE(form->ApplyAction->isEnabled());
    form->ApplyAction->trigger();
    EXPECT_EQ(Stored(), 3);
    EXPECT_FALSE(form->ApplyAction->isEnabled());

    // the view is not empty now: nothing happens, no date is asked
    TDialogScript::Reset();
    form->AddDayButtonClick();
    EXPECT_TRUE(TDialogScript::Shown().isEmpty());
    // another empty view, the same day: refused
    Show("2024-03-04", "2024-03-04");
    TDialogScript::SetNextDate(QDate(2024, 3, 5));
    form->AddDayButtonClick();
    EXPECT_TRUE(ShownError(_ATTEND_DATE_EXIST_ERR));
    EXPECT_EQ(Sheet()->RecordCount(), 0);
}

TEST_F(AttendanceFixture, DodajDanIsRefusedWhenOneEmployeeHasARowThatDay) {
    Row(2, "2024-03-05", QString());
    Show("2024-03-06", "2024-03-06");
    TDialogScript::SetNextDate(QDate(2024, 3, 5));
    form->AddDayButtonClick();
    EXPECT_TRUE(ShownError(_ATTEND_DATE_EXIST_ERR));
    EXPECT_EQ(Sheet()->RecordCount(), 0);
    EXPECT_FALSE(form->ApplyAction->isEnabled());
    // a cancelled date picker does nothing
    TDialogScript::SetNextDate(QDate());
    form->AddDayButtonClick();
    EXPECT_EQ(Sheet()->RecordCount(), 0);
}

TEST_F(AttendanceFixture, OneEmployeeCannotBeAddedTwiceForOneDay) {
    console->chooser->choice.employeeId = 1;
    Show("2024-03-05", "2024-03-05");
    for (int i = 0; i < 2; ++i) {
        TDialogScript::SetNextDate(QDate(2024, 3, 5));
        form->AddEmployeeButtonClick();
    }
    EXPECT_EQ(Employees(), (QList<qint64>{1}));
    EXPECT_TRUE(ShownError(_ATTEND_DATE_EXIST_ERR));
    EXPECT_DOUBLE_EQ(Hours(0, "regularworkinghours"), 8);
    // another employee goes in beside, also into a view that shows rows; an
    // employee on leave is not asked about
    console->chooser->choice.employeeId = 4;
    TDialogScript::SetNextDate(QDate(2024, 3, 5));
    form->AddEmployeeButtonClick();
    EXPECT_EQ(Employees(), (QList<qint64>{1, 4}));
    form->ApplyAction->trigger();
    EXPECT_EQ(Stored(), 2);
    // a stored row refuses as well
    Show("2024-03-01", "2024-03-01");
    TDialogScript::Reset();
    console->chooser->choice.employeeId = 1;
    TDialogScript::SetNextDate(QDate(2024, 3, 5));
    form->AddEmployeeButtonClick();
    EXPECT_TRUE(ShownError(_ATTEND_DATE_EXIST_ERR));
    EXPECT_EQ(Sheet()->RecordCount(), 0);
    // chooser cancelled: no date is asked
    TDialogScript::Reset();
    console->chooser->choice.employeeId = 0;
    form->AddEmployeeButtonClick();
    EXPECT_TRUE(TDialogScript::Shown().isEmpty());
    // no chooser at all
    console->chooser.reset();
    form->AddEmployeeButtonClick();
    EXPECT_TRUE(ShownError(Format(_CMN_NO_MODULE, {_CMN_MOD_HR_RES_NAME})));
}

TEST_F(AttendanceFixture, ApplyingASheetWithTwoRowsOfOneEmployeeAndDayStoresNothing) {
    Show("2024-03-05", "2024-03-05");
    TAttendanceEmployee marko;
    marko.employeeId = 1;
    AppendSheetRow(*Sheet(), marko, QDate(2024, 3, 5), 480);
    marko.employeeId = 2;
    AppendSheetRow(*Sheet(), marko, QDate(2024, 3, 5), 60);
    marko.employeeId = 1;
    AppendSheetRow(*Sheet(), marko, QDate(2024, 3, 5), 480);
    form->ApplyAction->trigger();
    ASSERT_FALSE(TDialogScript::Shown().isEmpty());
    EXPECT_EQ(TDialogScript::Shown().last().kind, QStringLiteral("error"));
    EXPECT_EQ(TDialogScript::Shown().last().text, QString::fromUtf8(_ATTEND_DATE_EXIST_ERR));
    EXPECT_EQ(Stored(), 0);
    EXPECT_TRUE(form->ApplyAction->isEnabled());
    EXPECT_FALSE(form.isNull());
}

TEST_F(AttendanceFixture, RowsArePaintedByTheFirstRuleThatHolds) {
    struct Case {
        const char* what;
        const char* hours;
        QColor color;
    } cases[] = {
        {"redistribution before unallocated", "redistributionhours = 2, unallocatedhours = 1",
         QColor(128, 128, 128)},
        {"unallocated", "regularworkinghours = 8, unallocatedhours = 0.5", QColor(128, 255, 128)},
        {"only night hours is absent", "nightworkinghours = 8", QColor(255, 128, 128)},
        {"nothing at all is absent", "", QColor(255, 128, 128)},
        {"a short day", "regularworkinghours = 7.5", QColor(128, 255, 255)},
        {"a full day", "regularworkinghours = 8", QColor()},
        {"a short day with sick hours", "regularworkinghours = 4, sickhours = 4", QColor()},
        {"negative unallocated hours", "regularworkinghours = 8, unallocatedhours = -1", QColor()},
    };
    int day = 1;
    for (const Case& k : cases)
        Row(1, QStringLiteral("2024-02-%1").arg(day++, 2, 10, QLatin1Char('0')).toLatin1().constData(),
            QString::fromLatin1(k.hours));
    Show("2024-02-01", "2024-02-29");
    ASSERT_EQ(Sheet()->RecordCount(), int(std::size(cases)));
    EXPECT_EQ(form->AttendanceTotalLabel->text(), QString::number(std::size(cases)));
    for (int row = 0; row < int(std::size(cases)); ++row)
        for (int column : {0, 6, 22})
            EXPECT_EQ(form->HorloAttendanceDBG->CellColor(row, column), cases[row].color) << cases[row].what;
}

TEST_F(AttendanceFixture, EmployeeTextsAndFiltersChooseTheRows) {
    Row(1, "2024-02-01", QStringLiteral("regularworkinghours = 8"));
    Row(2, "2024-02-01", QStringLiteral("regularworkinghours = 7.5"));
    Row(3, "2024-02-01", QStringLiteral("sickhours = 8"));
    Row(4, "2024-02-01", QString());
    Row(5, "2024-02-01", QStringLiteral("overtimehours = 2, regularworkinghours = 8"));
    struct Case {
        const char* code;
        const char* lastname;
        const char* firstname;
        QRadioButton* THorloAttendanceForm::*filter;
        QList<qint64> employees;
    } cases[] = {
        {"", "", "", &THorloAttendanceForm::NoneRB, {1, 2, 5, 3, 4}}, // by code
        {"002", "", "", &THorloAttendanceForm::NoneRB, {2}},          // exact: 0021 is not 002
        {"00", "", "", &THorloAttendanceForm::NoneRB, {}},
        {"", "Jovan", "", &THorloAttendanceForm::NoneRB, {1, 4}}, // prefix
        {"", "Petrović", "Jel", &THorloAttendanceForm::NoneRB, {2}},
        {"", "O'B", "", &THorloAttendanceForm::NoneRB, {3}}, // a quote is a character like others
        {"", "%", "", &THorloAttendanceForm::NoneRB, {}},    // and so is a wildcard
        {"' OR '1'='1", "", "", &THorloAttendanceForm::NoneRB, {}},
        {"", "", "", &THorloAttendanceForm::AbsentRB, {4}},
        {"", "", "", &THorloAttendanceForm::ShortRB, {2}},
        {"", "", "", &THorloAttendanceForm::OvertimeRB, {5}},
        {"", "", "", &THorloAttendanceForm::SickRB, {3}},
        {"", "", "", &THorloAttendanceForm::VacationRB, {}},
        {"", "Jovan", "", &THorloAttendanceForm::AbsentRB, {4}},
    };
    for (const Case& k : cases) {
        form->EmployeeCodeEdit->setText(QString::fromUtf8(k.code));
        form->EmployeeLastnameEdit->setText(QString::fromUtf8(k.lastname));
        form->EmployeeFirstnameEdit->setText(QString::fromUtf8(k.firstname));
        (form->*k.filter)->setChecked(true);
        TDialogScript::Reset();
        Show("2024-02-01", "2024-02-29");
        EXPECT_TRUE(TDialogScript::Shown().isEmpty()) << k.lastname;
        EXPECT_EQ(Employees(), k.employees) << k.code << '/' << k.lastname << '/' << k.firstname;
    }
    // "Bez" adds nothing but the employee conditions
    form->NoneRB->setChecked(true);
    form->EmployeeCodeEdit->clear();
    form->EmployeeLastnameEdit->clear();
    form->EmployeeFirstnameEdit->clear();
    EXPECT_EQ(AttendanceCondition(form->View(), c), QString());
}

TEST_F(AttendanceFixture, APeriodThatIsNoDateWarnsAndLeavesTheSheet) {
    Row(1, "2024-02-01", QStringLiteral("regularworkinghours = 8"));
    Show("2024-02-01", "2024-02-29");
    ASSERT_EQ(Sheet()->RecordCount(), 1);
    for (const char* text : {"2024-02-30", "2024-2-1", "x' OR 1=1 -- ", ""}) {
        TDialogScript::Reset();
        Show(text, "2024-02-29");
        ASSERT_EQ(TDialogScript::Shown().size(), 1) << text;
        EXPECT_EQ(TDialogScript::Shown()[0].kind, QStringLiteral("warning"));
        EXPECT_EQ(TDialogScript::Shown()[0].text, DateProblem(QString::fromLatin1(text), _HORLO_DATE_FROM));
        EXPECT_TRUE(Sheet()->Active());
        EXPECT_EQ(Sheet()->RecordCount(), 1);
    }
    TDialogScript::Reset();
    Show("2024-02-01", "30.02.2024");
    EXPECT_EQ(
        TDialogScript::Shown().value(0).text,
        QStringLiteral("Datum 30.02.2024 u polju \"Do datuma\" ne postoji: februar 2024. ima 29 dana."));
    // a reversed period is refused; a cancelled reading shows no part of the sheet
    TDialogScript::Reset();
    Show("2024-02-29", "2024-02-01");
    EXPECT_EQ(TDialogScript::Shown().value(0).text,
              Format(_PERIOD_REVERSED_FMT, {QStringLiteral("2024-02-29"), QStringLiteral("2024-02-01")}));
    EXPECT_EQ(Sheet()->RecordCount(), 1);
    TDialogScript::CancelNextProgress();
    Show("2024-02-01", "2024-02-29");
    EXPECT_TRUE(Sheet()->Active());
    EXPECT_EQ(Sheet()->RecordCount(), 0);
}

TEST_F(AttendanceFixture, SummarySumsEachEmployeesRowsAndPrintsUnderATwoLineHeader) {
    Row(1, "2024-02-01", QStringLiteral("regularworkinghours = 8"));
    Row(1, "2024-02-02", QStringLiteral("regularworkinghours = 7.5, sickhours = 0.5, nightworkinghours = 3"));
    Row(3, "2024-02-01", QStringLiteral("vacationhours = 8"));
    Row(2, "2024-02-01", QStringLiteral("regularworkinghours = 6"));
    Show("2024-02-01", "2024-02-29");
    form->PrintButtonClick();
    ASSERT_EQ(console->runs.size(), 1);
    const FakeConsole::Run& run = console->runs[0];
    EXPECT_EQ(run.params,
              QStringLiteral("title:Prisustvo zbirno;header:Od datuma 01.02.2024\r\nDo datuma 29.02.2024"));
    EXPECT_EQ(run.grid, form->HorloAttendancePrintDBG);
    ASSERT_EQ(run.table.header.size(), 21);
    EXPECT_EQ(run.table.header.mid(0, 7),
              (QStringList{QStringLiteral("Kod"), QStringLiteral("Prezime"), QStringLiteral("Ime"),
                           QStringLiteral("JMBG"), QStringLiteral("Radno mesto"),
                           QStringLiteral("Datum početka rada"), QStringLiteral("Redovan rad")}));
    EXPECT_FALSE(run.table.header.contains(QStringLiteral("Noćni rad")));
    ASSERT_EQ(run.table.rows.size(), 3u);
    // in the order of each employee's first row: the sheet is ordered by code
    EXPECT_EQ(run.table.rows[0].mid(0, 7),
              (QStringList{QStringLiteral("001"), QStringLiteral("Jovanović"), QStringLiteral("Marko"),
                           QStringLiteral("0103985710012"), QStringLiteral("Direktor"),
                           QStringLiteral("01.03.2015"), QStringLiteral("15.5")}));
    EXPECT_EQ(run.table.rows[0][6 + 10], QStringLiteral("0.5")); // sickhours
    EXPECT_EQ(run.table.rows[1][0], QStringLiteral("002"));
    EXPECT_EQ(run.table.rows[1][6], QStringLiteral("6"));
    // an employee without a start date has an empty one
    EXPECT_EQ(run.table.rows[2][0], QStringLiteral("003"));
    EXPECT_EQ(run.table.rows[2][5], QString());
    EXPECT_EQ(run.table.rows[2][6 + 2], QStringLiteral("8"));
    EXPECT_EQ(console->printGrid, nullptr);

    form->PrintListButtonClick();
    ASSERT_EQ(console->runs.size(), 2);
    // the list without the kinds of hours that no row has, and saying so
    EXPECT_EQ(console->runs[1].params,
              QStringLiteral("title:Prisustvo;header:Od datuma 01.02.2024\r\nDo datuma 29.02.2024\r\n") +
                  _ATTEND_ZERO_COLUMNS_CAP);
    EXPECT_EQ(console->runs[1].grid, form->HorloAttendanceListDBG);
    EXPECT_EQ(console->runs[1].table.rows.size(), 4u);
    EXPECT_EQ(console->runs[1].table.header,
              (QStringList{QStringLiteral("Kod"), QStringLiteral("Prezime"), QStringLiteral("Ime"),
                           QStringLiteral("Radno mesto"), QStringLiteral("Datum početka rada"),
                           QStringLiteral("Datum"), QStringLiteral("Redovan rad"), QStringLiteral("Odmor"),
                           QStringLiteral("Noćni rad"), QStringLiteral("Bolovanje")}));
    // the list names the filters it was shown with
    form->EmployeeCodeEdit->setText(QStringLiteral("001"));
    form->SickRB->setChecked(true);
    Show("2024-02-01", "2024-02-29");
    form->PrintListButtonClick();
    EXPECT_TRUE(console->runs.last().params.contains(
        QStringLiteral("Do datuma 29.02.2024\r\nKod zaposlenog: 001\r\nFilter: Bolovanje")))
        << console->runs.last().params.toStdString();
}

TEST_F(AttendanceFixture, EmployeeColumnsTakeNoTypingAndADoubleClickShowsTheEmployee) {
    Row(2, "2024-02-01", QStringLiteral("regularworkinghours = 8"));
    Show("2024-02-01", "2024-02-29");
    TDBGrid* grid = form->HorloAttendanceDBG;
    form->show();
    grid->setFocus();
    for (int column : {0, 1, 4}) {
        grid->setCurrentIndex(grid->model()->index(0, column));
        QTest::keyClicks(grid, QStringLiteral("x"));
        EXPECT_EQ(Editor(grid), nullptr) << column;
    }
    // Delete and Tab do nothing; Down at the only row appends none
    for (Qt::Key key : {Qt::Key_Delete, Qt::Key_Down, Qt::Key_Tab})
        QTest::keyClick(grid, key);
    EXPECT_EQ(Sheet()->RecordCount(), 1);
    EXPECT_EQ(grid->currentIndex().column(), 4);
    // an hour column takes typing
    grid->setCurrentIndex(grid->model()->index(0, 6));
    QTest::keyClicks(grid, QStringLiteral("7"));
    ASSERT_NE(Editor(grid), nullptr);
    QTest::keyClick(Editor(grid), Qt::Key_Return);
    QCoreApplication::processEvents(); // the editor hands its text over after the key
    EXPECT_DOUBLE_EQ(Hours(0, "regularworkinghours"), 7);
    EXPECT_TRUE(form->ApplyAction->isEnabled());

    const std::shared_ptr<FakeChooser> chooser = console->chooser;
    console->chooser = nullptr;
    form->HorloAttendanceDBGDblClick();
    EXPECT_TRUE(ShownError(Format(_CMN_NO_MODULE, {_CMN_MOD_HR_RES_NAME})));
    console->chooser = chooser;
    form->HorloAttendanceDBGDblClick();
    EXPECT_EQ(console->chooser->shown, (QList<qint64>{2}));

    form->CancelAction->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
    EXPECT_DOUBLE_EQ(
        c.Select(QStringLiteral("SELECT regularworkinghours FROM horloattendance")).rows[0][0].toDouble(), 8);
}

// "Dodaj period" stores each work day by the calendar and skips days with rows;
// "Ukupno" follows the sheet through every change.
TEST_F(AttendanceFixture, DodajPeriodStoresWorkDaysAndUkupnoFollowsEveryChange) {
    SetNowForTesting(QDateTime(QDate(2024, 3, 8), QTime(7, 30), Qt::UTC));
    // March has a calendar (the 4th a holiday), February none
    c.ExecuteScript(QStringLiteral(
        "INSERT INTO horloworkcalendar (year, month, workcalendardate, workday) VALUES (2024, 3, "
        "'2024-03-01', "
        "'y'), (2024, 3, '2024-03-02', 'n'), (2024, 3, '2024-03-03', 'n'), (2024, 3, '2024-03-04', 'n'), "
        "(2024, 3, '2024-03-05', 'y'), (2024, 3, '2024-03-06', 'y');"));
    Row(2, "2024-03-05", QString());
    auto period = [&](const char* from, const char* to) {
        TDialogScript::SetNextText(QString::fromLatin1(from));
        TDialogScript::SetNextText(QString::fromLatin1(to));
        form->AddPeriodButtonClick();
    };
    struct Step {
        const char* what;
        std::function<void()> act;
        int total, stored;
        const char* says;
    } steps[] = {
        {"a day",
         [&] {
             Show("2024-02-27", "2024-02-27"), TDialogScript::SetNextDate(QDate(2024, 2, 27)),
                 form->AddDayButtonClick();
         },
         4, 1, ""},
        {"saved", [&] { form->ApplyAction->trigger(); }, 4, 5, ""},
        {"a row deleted", [&] { Sheet()->Delete(); }, 3, 5, ""},
        {"the deletion dropped", [&] { Sheet()->CancelUpdates(); }, 4, 5, ""},
        {"deleted and saved", [&] { Sheet()->Delete(), form->ApplyAction->trigger(); }, 3, 4, ""},
        {"a period", [&] { period("28.02.2024", "2024-03-06"); }, 16, 19,
         "Dodato dana: 4, redova prisustva: 15 (28.02.2024–01.03.2024, 06.03.2024).\nPreskočeno dana koji "
         "već imaju evidenciju: 1 (05.03.2024).\nNeradnih dana: 3.\nMeseci bez radnog kalendara (radni dani "
         "su ponedeljak–petak): 02.2024."},
        {"again", [&] { period("2024-02-28", "2024-03-06"); }, 16, 19,
         "Dodato dana: 0, redova prisustva: 0.\nPreskočeno dana koji već imaju evidenciju: 5 "
         "(28.02.2024–01.03.2024, 05.03.2024–06.03.2024)."},
        {"reversed", [&] { period("2024-03-06", "2024-03-01"); }, 16, 19,
         "Početak perioda (06.03.2024) je posle kraja (01.03.2024)."},
        {"cancelled after a day",
         [&] { TDialogScript::CancelNextProgress(), period("2024-03-07", "2024-03-08"); }, 3, 22,
         "Otkazano: od 08.03.2024 nadalje ništa nije upisano."},
        {"a day after today", [&] { period("2024-03-08", "2024-03-09"); }, 3, 22,
         "Datum 09.03.2024 je posle današnjeg"},
        {"over a year, not confirmed", [&] { period("2023-01-01", "2024-03-06"); }, 3, 22,
         "Period ima 431 dan."},
    };
    for (const Step& step : steps) {
        TDialogScript::Reset();
        step.act();
        EXPECT_EQ(form->AttendanceTotalLabel->text(), QString::number(step.total)) << step.what;
        EXPECT_EQ(Stored(), step.stored) << step.what;
        if (*step.says) {
            EXPECT_TRUE(TDialogScript::Shown().last().text.contains(QString::fromUtf8(step.says)))
                << step.what;
        }
    }
}
