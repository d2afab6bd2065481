// SPDX-License-Identifier: GPL-3.0-or-later
// The report dialog as a user drives it: the lists of the day at opening, the
// options of first use and as kept, "Prikaži" for all or one employee, the
// event-pair editor, sorting by title, printing the page on screen, and the
// viewer's command that opens it.
#include "console/ConsoleServices.h"
#include "console/PrintWizard.h"
#include "host/data/ClientDataSet.h"
#include "host/data/DBIniFile.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/DBGrid.h"
#include "host/ui/DateEdit.h"
#include "host/ui/Dialogs.h"
#include "host/ui/WheelToKey.h"
#include "module/HorloResourceString.h"
#include "module/ModuleConsole.h"
#include "module/data/HorloDMUnit.h"
#include "module/reports/HorloReportUnit.h"
#include "module/snapin/HorloViewerUnit.h"
#include "tests/support/FakeConsole.h"
#include "tests/support/TestDatabase.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <QTest>

#include <gtest/gtest.h>

namespace {

struct ReportFormFixture : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    std::shared_ptr<FakeConsole> console = std::make_shared<FakeConsole>();
    QPointer<THorloReportForm> form;

    void SetUp() override {
        TDialogScript::Reset();
        TDialogScript::SetUnattended(true);
        SetNowForTesting(MyDateTimeStrToDateTime(QStringLiteral("2024-03-05 10:30:00")));
        CreateHorloDM();
        HorloDM->SetZConnection(&c);
        GlobalConsole = console;
        c.ExecuteScript(QStringLiteral(
            "INSERT INTO employee (employeeid, firstname, lastname, code, startworkingdate, active) VALUES "
            "(1, 'Ana', 'Perić', '01', '2019-05-01', 'y'), (2, 'Boris', 'Kovač', '02', '2021-01-10', 'y'),"
            "(3, 'Ceca', 'Janković', '03', NULL, 'y');"
            "INSERT INTO employeeevent (employeeeventid, eventtime, employeeeventtypeid, employeeid, "
            "horloaccesspointid, deviceindex) VALUES "
            "(1, '2024-03-05 08:50:00', 5, 1, 1, 1), (2, '2024-03-05 09:30:00', 15, 2, 1, 2),"
            "(3, '2024-03-04 09:30:00', 5, 1, 1, 3), (4, '2024-03-04 15:00:00', 10, 1, 1, 4),"
            "(5, '2024-03-04 08:00:00', 5, 2, 1, 5), (6, '2024-03-04 17:10:00', 10, 2, 1, 6);"));
    }
    void TearDown() override {
        delete form.data();
        GlobalConsole.reset();
        DestroyHorloDM();
        SetNowForTesting(QDateTime());
        TDialogScript::Reset();
    }
    THorloReportForm* Open() {
        delete form.data();
        form = new THorloReportForm();
        return form;
    }
    static QString Cell(TDBGrid* grid, int row, int column) {
        return grid->model()->index(row, column).data().toString();
    }
    static QStringList Column(TDBGrid* grid, int column) {
        QStringList texts;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            texts << Cell(grid, row, column);
        return texts;
    }
    QString Stored(const char* key) {
        return TDBIniFile(&c).ReadString(QStringLiteral("Horlo"), QString::fromLatin1(key),
                                         QStringLiteral("-"));
    }
    QStringList Shown(const char* kind) {
        QStringList texts;
        for (const TShownDialog& d : TDialogScript::Shown())
            if (d.kind == QLatin1String(kind)) texts << d.text;
        return texts;
    }
};

} // namespace

TEST_F(ReportFormFixture, OpensOnTodaysListsWithFirstUseOptionsAndEveryTab) {
    THorloReportForm* f = Open();
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Izveštaj radnog vremena"));
    QStringList tabs;
    for (int i = 0; i < f->PageControl->count(); ++i) {
        tabs << f->PageControl->tabText(i);
        EXPECT_TRUE(f->PageControl->isTabVisible(i)) << i;
    }
    EXPECT_EQ(tabs,
              (QStringList{QStringLiteral("Prisutni"), QStringLiteral("Kašnjenje"), QStringLiteral("Odsutni"),
                           QStringLiteral("Izveštaj"), QStringLiteral("Upozorenja")}));
    EXPECT_EQ(f->DateDTP->date(), QDate(2024, 3, 5));
    EXPECT_EQ(f->FromDTP->date(), QDate(2024, 3, 4));
    EXPECT_EQ(f->ToDTP->date(), QDate(2024, 3, 4));

    // the day's lists at once
    EXPECT_EQ(Column(f->PresentDBG, 0), (QStringList{QStringLiteral("Kovač"), QStringLiteral("Perić")}));
    EXPECT_EQ(Cell(f->PresentDBG, 1, 3), QStringLiteral("01.05.2019"));
    EXPECT_EQ(Column(f->LateDBG, 8), (QStringList{QStringLiteral("05.03.2024 09:30:00")}));
    EXPECT_EQ(Column(f->AbsenteeDBG, 1), (QStringList{QStringLiteral("Ceca")}));
    EXPECT_EQ(f->PresentTotalLabel->text(), QStringLiteral("2"));
    EXPECT_EQ(f->LateTotalLabel->text(), QStringLiteral("1"));
    EXPECT_EQ(f->AbsenteeTotalLabel->text(), QStringLiteral("1"));
    EXPECT_EQ(f->WarningsTotalLabel->text(), QStringLiteral("0"));
    EXPECT_EQ(f->ReportCDS->RecordCount(), 0);
    QStringList titles;
    for (int column = 0; column < f->PresentDBG->ColumnCount(); ++column)
        titles << f->PresentDBG->ColumnTitle(column);
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Prezime"), QStringLiteral("Ime"), QStringLiteral("Kod"),
                                   QStringLiteral("Datum početka rada"), QStringLiteral("Radno mesto"),
                                   QStringLiteral("Strano radno mesto"), QStringLiteral("Organizaciona jed."),
                                   QStringLiteral("Tip ugovora")}));

    // it fits a 1280x720 screen
    EXPECT_LE(f->minimumSizeHint().width(), 1280);
    EXPECT_LE(f->minimumSizeHint().height(), 720);
    // first use: a pair for each arrival the devices write, the default first; design values
    ASSERT_EQ(f->EventCDS->RecordCount(), 2);
    EXPECT_EQ(f->EventCDS->RowValue(0, 0).toLongLong(), 5);
    EXPECT_EQ(f->EventCDS->RowValue(0, 1).toLongLong(), 10);
    EXPECT_EQ(f->EventCDS->RowValue(1, 0).toLongLong(), 15);
    EXPECT_EQ(f->EventCDS->RowValue(1, 1).toLongLong(), 16);
    EXPECT_EQ(Cell(f->EventDBG, 0, 0), QStringLiteral("Dolazak"));
    EXPECT_EQ(Cell(f->EventDBG, 0, 1), QStringLiteral("Odlazak"));
    EXPECT_EQ(f->MinCalcLenSE->value(), 360);
    EXPECT_EQ(f->MaxCalcLenSE->value(), 600);
    EXPECT_EQ(f->MaxExclLenSE->value(), 30);
    EXPECT_EQ(f->AllowedPauseLenSE->value(), 30);
    EXPECT_TRUE(f->AllRB->isChecked());
    EXPECT_FALSE(f->EmployeeEdit->isEnabled());
    EXPECT_FALSE(f->EmployeeButton->isEnabled());
    EXPECT_EQ(f->WorkingDay.StartWorkingTime, QStringLiteral("09:00:00"));
    EXPECT_EQ(f->WorkingDay.EndWorkingTime, QStringLiteral("17:00:00"));
    EXPECT_EQ(f->WorkingDay.EndWorkingDelayTime, QStringLiteral("17:30:00"));
    EXPECT_EQ(Stored("FromEventIDs"), QStringLiteral("-")); // opening saves nothing

    // work days by the calendar, both ends counted; Monday to Friday in a month without one, said so
    c.Execute(QStringLiteral("INSERT INTO horloworkcalendar (year, month, workcalendardate, workday) VALUES "
                             "(2025, 12, '2025-12-03', 'n')"));
    const auto period = [&](const char* from, const char* to) {
        f->ToDTP->setDate(QDate::fromString(QString::fromLatin1(to), Qt::ISODate));
        f->FromDTP->setDate(QDate::fromString(QString::fromLatin1(from), Qt::ISODate));
        return std::pair{f->WorkDaysSE->value(), f->WorkDaysNoteLabel->text()};
    };
    EXPECT_EQ(period("2025-11-01", "2025-11-30"),
              std::pair(20, QStringLiteral("Pon–pet: nema radnog kalendara za 11.2025.")));
    EXPECT_EQ(period("2025-12-01", "2025-12-07").first,
              4); // the 3rd is no work day, the rest of the month Mon-Fri
    EXPECT_EQ(period("2025-12-03", "2025-12-03"), std::pair(0, QStringLiteral("Po radnom kalendaru.")));

    // a date typed as the clerk types it is taken as typed; one that does not exist is named
    // and nothing is counted
    QTest::keyClick(f->DateDTP, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(f->DateDTP, QStringLiteral("2026-11-30"));
    EXPECT_EQ(f->DateDTP->date(), QDate(2026, 11, 30));
    f->FromDTP->setText(QStringLiteral("31.02.2024"));
    TDialogScript::Reset();
    f->ShowButtonClick();
    ASSERT_EQ(TDialogScript::Shown().size(), 1);
    EXPECT_EQ(TDialogScript::Shown()[0].text,
              QStringLiteral("Datum 31.02.2024 u polju \"Od\" ne postoji: februar 2024. ima 29 dana."));
    EXPECT_EQ(Stored("FromEventIDs"), QStringLiteral("-"));

    EXPECT_TRUE(TWheelHook::Installed());
    EXPECT_EQ(f->ReportDBG->horizontalHeader()->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(f->ReportDBG->viewport()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(f->ExcludeLabel->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(f->ShowButton->isDefault());
    delete form.data();
    EXPECT_FALSE(TWheelHook::Installed());
}

TEST_F(ReportFormFixture, ShowForAllOrOneEmployeeBringsWarningsForwardAndKeepsTheOptions) {
    THorloReportForm* f = Open();
    f->SpecificRB->click();
    EXPECT_TRUE(f->EmployeeButton->isEnabled());
    f->ShowButton->click();
    EXPECT_EQ(Shown("warning"), QStringList{_REPORT_SEL_EMP_WRN});
    EXPECT_EQ(f->ReportCDS->RecordCount(), 0);
    EXPECT_EQ(Stored("AllEmp"), QStringLiteral("-"));

    f->AllRB->click();
    f->MinCalcLenSE->setValue(340);
    f->ShowButton->click();
    // Kovač 09:00-17:00, Perić 09:30-15:00
    EXPECT_EQ(Column(f->ReportDBG, 0), (QStringList{QStringLiteral("Kovač"), QStringLiteral("Perić")}));
    EXPECT_EQ(Column(f->ReportDBG, 3), (QStringList{QStringLiteral("8"), QStringLiteral("5")}));
    EXPECT_EQ(Column(f->ReportDBG, 4), (QStringList{QStringLiteral("0"), QStringLiteral("30")}));
    EXPECT_EQ(Column(f->WarningsDBG, 0), QStringList{QStringLiteral("Perić")});
    EXPECT_EQ(Column(f->WarningsDBG, 3), QStringList{QStringLiteral("04.03.24 15:00:00")});
    EXPECT_EQ(f->WarningsTotalLabel->text(), QStringLiteral("1"));
    EXPECT_EQ(f->PageControl->currentWidget(), f->WarningsTS);
    EXPECT_EQ(Stored("MinCalcLen"), QStringLiteral("340"));
    EXPECT_EQ(Stored("FromEventIDs"), QStringLiteral("5,15"));
    EXPECT_EQ(Stored("AllEmp"), QStringLiteral("1"));
    EXPECT_EQ(Stored("StartWorkingTime"), QStringLiteral("09:00:00"));

    // one employee through the chooser; a cancelled chooser changes nothing
    f->PageControl->setCurrentWidget(f->ReportTS);
    f->SpecificRB->click();
    f->EmployeeButton->click();
    EXPECT_TRUE(f->EmployeeEdit->text().isEmpty());
    console->chooser->choice = {2, QStringLiteral("Boris"), QStringLiteral("Kovač"), {}};
    f->EmployeeButton->click();
    EXPECT_EQ(f->SelectedEmployeeID, 2);
    EXPECT_EQ(f->EmployeeEdit->text(), QStringLiteral("Boris Kovač"));
    f->ShowButton->click();
    EXPECT_EQ(Column(f->ReportDBG, 0), QStringList{QStringLiteral("Kovač")});
    EXPECT_EQ(f->WarningsCDS->RecordCount(), 0);
    EXPECT_EQ(f->PageControl->currentWidget(), f->ReportTS);
    EXPECT_EQ(f->PresentCDS->RecordCount(), 2); // the presence lists are never narrowed
    EXPECT_EQ(Stored("AllEmp"), QStringLiteral("0"));

    // "Svi" forgets the employee
    f->AllRB->click();
    EXPECT_EQ(f->SelectedEmployeeID, 0);
    EXPECT_TRUE(f->EmployeeEdit->text().isEmpty());

    // next time: "Posebno" without an employee, the kept limits
    THorloReportForm* again = Open();
    EXPECT_TRUE(again->SpecificRB->isChecked());
    EXPECT_TRUE(again->EmployeeButton->isEnabled());
    EXPECT_EQ(again->SelectedEmployeeID, 0);
    EXPECT_EQ(again->MinCalcLenSE->value(), 340);
}

TEST_F(ReportFormFixture, EventPairsArePickedByNameAddedAndRemoved) {
    TDBIniFile(&c).WriteString(QStringLiteral("Horlo"), QStringLiteral("FromEventIDs"), QStringLiteral("5"));
    THorloReportForm* f = Open();
    f->ExcludeLabelClick();
    ASSERT_EQ(f->EventCDS->RecordCount(), 2);
    QAbstractItemModel* model = f->EventDBG->model();
    EXPECT_EQ(f->EventDBG->Column(0).pickList,
              (QStringList{QStringLiteral("Dolazak"), QStringLiteral("Odlazak"),
                           QStringLiteral("Dolazak karticom"), QStringLiteral("Odlazak karticom")}));
    EXPECT_TRUE(model->index(1, 0).flags() & Qt::ItemIsEditable);
    EXPECT_FALSE(model->index(1, 1).flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(model->setData(model->index(1, 0), QStringLiteral("Dolazak karticom"), Qt::EditRole));
    EXPECT_EQ(f->EventCDS->RowValue(1, 0).toLongLong(), 15);
    EXPECT_EQ(Cell(f->EventDBG, 1, 1), QStringLiteral("Odlazak karticom"));

    // a name that is no event type is refused and the row keeps its type
    model->setData(model->index(1, 0), QStringLiteral("Ručak"), Qt::EditRole);
    EXPECT_EQ(Shown("error"), QStringList{Format(_REPORT_EVENT_TYPE_ERR, {QStringLiteral("Ručak")})});
    EXPECT_EQ(f->EventCDS->RowValue(1, 0).toLongLong(), 15);
    // a type that closes the first pair cannot open another: a break would count as work
    model->setData(model->index(1, 0), QStringLiteral("Odlazak"), Qt::EditRole);
    EXPECT_EQ(Shown("error").last(), Format(_REPORT_PAIR_BOTH_ERR, {QStringLiteral("Odlazak")}));
    EXPECT_EQ(f->EventCDS->RowValue(1, 0).toLongLong(), 15);

    // a third row left empty is not kept
    f->ExcludeLabelClick();
    f->ShowButtonClick();
    EXPECT_EQ(Stored("FromEventIDs"), QStringLiteral("5,15"));

    f->EventCDS->First();
    f->RemoveLabelClick();
    f->ShowButtonClick();
    EXPECT_EQ(Stored("FromEventIDs"), QStringLiteral("15"));
    THorloReportForm* again = Open();
    ASSERT_EQ(again->EventCDS->RecordCount(), 1);
    EXPECT_EQ(Cell(again->EventDBG, 0, 0), QStringLiteral("Dolazak karticom"));
    // with card pairs only, Perić's day is not counted
    again->ShowButtonClick();
    EXPECT_EQ(Column(again->ReportDBG, 3), (QStringList{QStringLiteral("0"), QStringLiteral("0")}));
    // a cancelled computation shows no part of a report
    TDialogScript::CancelNextProgress();
    again->ShowButtonClick();
    EXPECT_EQ(again->ReportCDS->RecordCount(), 0);
    // with no pair nothing is counted, and the dialog says so instead of showing zeros
    again->RemoveLabelClick();
    again->ShowButtonClick();
    EXPECT_EQ(Shown("warning"), QStringList{_REPORT_NO_PAIR_ERR});
    EXPECT_EQ(again->ReportCDS->RecordCount(), 0);

    // two types of one name are told apart by their codes
    c.Execute(QStringLiteral("INSERT INTO employeeeventtype (employeeeventtypeid, direction, defaultevent, "
                             "pairid, name) VALUES (300, 'i', 'n', NULL, 'Dolazak')"));
    HorloDM->EmployeeEventTypeZQ->Close();
    THorloReportForm* named = Open();
    EXPECT_EQ(named->EventDBG->Column(0).pickList.mid(0, 2),
              (QStringList{QStringLiteral("Dolazak (5)"), QStringLiteral("Odlazak")}));
    EXPECT_TRUE(named->EventDBG->Column(0).pickList.contains(QStringLiteral("Dolazak (300)")));
}

TEST_F(ReportFormFixture, TitlesSortAscendingThenDescendingAndOthersAreIgnored) {
    THorloReportForm* f = Open();
    TDBGrid* grid = f->PresentDBG;
    QHeaderView* header = grid->horizontalHeader();
    const QStringList ascending{QStringLiteral("Kovač"), QStringLiteral("Perić")};
    const QStringList descending{QStringLiteral("Perić"), QStringLiteral("Kovač")};
    struct Step {
        QString index;
        QStringList rows;
        Qt::SortOrder arrow;
    } steps[] = {{QStringLiteral("EmpLastnameA"), ascending, Qt::AscendingOrder},
                 {QStringLiteral("EmpLastnameD"), descending, Qt::DescendingOrder},
                 {QStringLiteral("EmpLastnameA"), ascending, Qt::AscendingOrder}};
    for (const Step& s : steps) {
        emit header->sectionClicked(0);
        EXPECT_EQ(f->PresentCDS->IndexName(), s.index);
        EXPECT_EQ(Column(grid, 0), s.rows);
        EXPECT_EQ(grid->SortIndicatorColumn(), 0);
        EXPECT_EQ(grid->SortIndicatorOrder(), s.arrow);
    }
    // "Datum početka rada" has no order: nothing changes, nothing is shown
    emit header->sectionClicked(3);
    EXPECT_EQ(f->PresentCDS->IndexName(), QStringLiteral("EmpLastnameA"));
    EXPECT_TRUE(TDialogScript::Shown().isEmpty());

    // each grid sorts its own list; the order outlives "Prikaži"
    emit f->LateDBG->horizontalHeader()->sectionClicked(8);
    EXPECT_EQ(f->LateCDS->IndexName(), QStringLiteral("EventTimeA"));
    emit f->ReportDBG->horizontalHeader()->sectionClicked(3);
    emit f->ReportDBG->horizontalHeader()->sectionClicked(3);
    f->ShowButtonClick();
    EXPECT_EQ(f->ReportCDS->IndexName(), QStringLiteral("TotHoursD"));
    EXPECT_EQ(Column(f->ReportDBG, 0), (QStringList{QStringLiteral("Kovač"), QStringLiteral("Perić")}));
    emit f->ReportDBG->horizontalHeader()->sectionClicked(3);
    EXPECT_EQ(Column(f->ReportDBG, 0), (QStringList{QStringLiteral("Perić"), QStringLiteral("Kovač")}));
    emit f->AbsenteeDBG->horizontalHeader()->sectionClicked(8);
    EXPECT_EQ(f->AbsenteeCDS->IndexName(), QStringLiteral("EmpWorkStateA"));
    emit f->WarningsDBG->horizontalHeader()->sectionClicked(2);
    EXPECT_EQ(f->WarningsCDS->IndexName(), QStringLiteral("EventTypeA"));
}

TEST_F(ReportFormFixture, PrintsThePageOnScreenWithItsTitleAndHeader) {
    THorloReportForm* f = Open();
    TDBGrid* viewerGrid = f->EventDBG; // stands for the grid the console printed before
    console->printGrid = viewerGrid;
    f->FromDTP->setDate(QDate(2024, 3, 1));
    f->ToDTP->setDate(QDate(2024, 3, 31));
    const QString wizard = _CMN_PRINT_WIZ_NAME + QLatin1Char('|');
    struct Case {
        QWidget* page;
        TDBGrid* grid;
        QString params;
    } cases[] = {
        {f->PresentTS, f->PresentDBG,
         QStringLiteral("title:Izveštaj radnog vremena - Prisutni;header:05.03.2024")},
        {f->LateTS, f->LateDBG,
         QStringLiteral("title:Izveštaj radnog vremena - Kašnjenje;header:05.03.2024")},
        {f->AbsenteeTS, f->AbsenteeDBG,
         QStringLiteral("title:Izveštaj radnog vremena - Odsutni;header:05.03.2024")},
        {f->ReportTS, f->ReportDBG,
         QStringLiteral("title:Izveštaj radnog vremena;header:01.03.2024 - 31.03.2024")},
        {f->WarningsTS, f->WarningsDBG,
         QStringLiteral("title:Izveštaj radnog vremena - Upozorenja;header:01.03.2024 - 31.03.2024")},
    };
    for (const Case& k : cases) {
        console->runs.clear();
        f->PageControl->setCurrentWidget(k.page);
        f->PrintButton->click();
        EXPECT_EQ(console->RunTexts(), QStringList{wizard + k.params});
        EXPECT_EQ(console->runs.value(0).grid, k.grid);
        EXPECT_EQ(console->printGrid, viewerGrid); // given back
    }
    EXPECT_TRUE(TDialogScript::Shown().isEmpty());

    console->hasWizard = false;
    f->PrintButton->click();
    EXPECT_EQ(console->printGrid, viewerGrid);

    // without a console there is nothing to print with
    GlobalConsole.reset();
    f->PrintButton->click();
    EXPECT_EQ(Shown("error"), QStringList{Format(_CMN_NO_MODULE, {_CMN_PRINT_WIZ_NAME})});
}

TEST_F(ReportFormFixture, TheConsolesWizardPrintsEachPageToAPdf) {
    auto real = std::make_shared<TConsole>();
    GlobalConsole = real;
    THorloReportForm* f = Open();
    f->ShowButtonClick();
    QTemporaryDir dir;
    for (QWidget* page : {f->PresentTS, f->LateTS, f->AbsenteeTS, f->ReportTS, f->WarningsTS}) {
        f->PageControl->setCurrentWidget(page);
        const QString file = dir.filePath(QStringLiteral("%1.pdf").arg(f->PageControl->currentIndex()));
        TPrintWizard::SetPdfOutput(file);
        f->PrintButton->click();
        QFile pdf(file);
        ASSERT_TRUE(pdf.open(QIODevice::ReadOnly)) << file.toStdString();
        EXPECT_TRUE(pdf.read(5).startsWith("%PDF")) << file.toStdString();
    }
    TPrintWizard::SetPdfOutput(QString());
    QStringList printed;
    for (const TShownDialog& d : TDialogScript::Shown())
        if (d.kind == QLatin1String("print")) printed << d.text;
    EXPECT_EQ(printed, (QStringList{QStringLiteral("Izveštaj radnog vremena - Prisutni"),
                                    QStringLiteral("Izveštaj radnog vremena - Kašnjenje"),
                                    QStringLiteral("Izveštaj radnog vremena - Odsutni"),
                                    QStringLiteral("Izveštaj radnog vremena"),
                                    QStringLiteral("Izveštaj radnog vremena - Upozorenja")}));
    EXPECT_EQ(real->GetPrintGrid(), nullptr);
}

TEST_F(ReportFormFixture, TheViewersReportCommandOpensTheDialogModally) {
    THorloViewerForm viewer;
    ASSERT_TRUE(viewer.ReportAction->isEnabled());
    QString seen;
    QPointer<QWidget> dialog;
    QTimer::singleShot(0, [&] {
        dialog = QApplication::activeModalWidget();
        if (!dialog) return;
        seen = dialog->windowTitle();
        dialog->close();
    });
    viewer.ReportAction->trigger();
    EXPECT_EQ(seen, QStringLiteral("Izveštaj radnog vremena"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull()); // it freed itself
}

TEST_F(ReportFormFixture, WithoutAConnectionItOpensEmptyAfterOneMessage) {
    HorloDM->SetZConnection(nullptr);
    THorloReportForm* f = Open();
    EXPECT_EQ(Shown("error").size(), 1);
    EXPECT_EQ(f->PresentTotalLabel->text(), QStringLiteral("0"));
    f->ShowButton->click();
    EXPECT_EQ(Shown("error").size(), 2);
    HorloDM->SetZConnection(&c);
}

// The working time is typed in its fields and stored with "Prikaži"; a refusal
// names the field and leaves the store and the lists as they were.
TEST_F(ReportFormFixture, WorkingTimeFieldsAreCheckedAndStoredWithShow) {
    struct Case {
        const char *start, *end, *grace, *refusal, *stored;
        int late;
    } cases[] = {
        {"8:00", "16:30", "16:45", "", "08:00:00", 2},
        {"08:00:00", "25:00", "17:30",
         "Vrednost \"25:00\" u polju \"Kraj rada\" nije vreme dana u obliku čč:mm:ss ili čč:mm.", "08:00:00",
         2},
        {" 17.30", "18:00", "18:00", "Vrednost \" 17.30\" u polju \"Početak rada\"", "08:00:00", 2},
        {"09:00", "09:00", "17:30", "Polje \"Kraj rada\" (09:00:00) mora biti posle polja \"Početak rada\"",
         "08:00:00", 2},
        {"09:00", "17:00", "16:59:59", "Polje \"Tolerancija odlaska do\" (16:59:59) ne sme biti pre polja",
         "08:00:00", 2},
        {"09:30:01", "17:00", "17:00", "", "09:30:01", 0},
    };
    THorloReportForm* f = Open();
    EXPECT_EQ(f->StartWorkingTimeEdit->text(), QStringLiteral("09:00:00"));
    for (const Case& k : cases) {
        TDialogScript::Reset();
        f->StartWorkingTimeEdit->setText(QString::fromUtf8(k.start));
        f->EndWorkingTimeEdit->setText(QString::fromUtf8(k.end));
        f->EndWorkingDelayTimeEdit->setText(QString::fromUtf8(k.grace));
        f->ShowButton->click();
        const QStringList warnings = Shown("warning");
        EXPECT_EQ(warnings.size(), *k.refusal ? 1 : 0) << k.start << warnings.join('|').toStdString();
        if (*k.refusal) {
            EXPECT_TRUE(warnings.value(0).startsWith(QString::fromUtf8(k.refusal)))
                << warnings.value(0).toStdString();
        }
        EXPECT_EQ(Stored("StartWorkingTime"), QString::fromLatin1(k.stored)) << k.start;
        EXPECT_EQ(f->LateCDS->RecordCount(), k.late) << k.start;
    }
    EXPECT_EQ(Stored("EndWorkingDelayTime"), QStringLiteral("17:00:00"));
    EXPECT_EQ(Open()->StartWorkingTimeEdit->text(), QStringLiteral("09:30:01"));
}
