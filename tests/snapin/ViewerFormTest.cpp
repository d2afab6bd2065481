// SPDX-License-Identifier: GPL-3.0-or-later
// The event viewer's grid, direction images, commands, toolbar and popup menu.
#include "host/data/SysUtils.h"
#include "host/ui/Dialogs.h"
#include "module/data/HorloDMUnit.h"
#include "module/snapin/HorloViewerUnit.h"
#include "tests/support/TestDatabase.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

struct ViewerFixture : ::testing::Test {
    TestDatabase db;
    std::unique_ptr<THorloViewerForm> form;

    void SetUp() override {
        CreateHorloDM();
        HorloDM->SetZConnection(&db.Connection());
        db.Connection().ExecuteScript(QStringLiteral(
            "INSERT INTO employee (employeeid, firstname, lastname) VALUES (1, 'Marko', 'Petrović');"
            "INSERT INTO horloguest (horloguestid, firstname, lastname) VALUES (1, 'Petar', 'Gost');"
            "INSERT INTO employeeeventtype (employeeeventtypeid, direction, defaultevent, name) "
            "  VALUES (300, 'I', 'n', 'Veliko slovo');"
            "INSERT INTO employeeevent (employeeeventid, comment, eventtime, employeeeventtypeid, "
            "employeeid, "
            "  horloguestid, horloaccesspointid, deviceindex) VALUES"
            "  (1, 'prvi', '2024-03-05 08:50:35', 5, 1, NULL, 1, 1),"
            "  (2, NULL, '2024-03-05 16:12:57', 10, 1, NULL, 1, 2),"
            "  (3, NULL, '2024-03-05 17:00:00', 999, 1, NULL, 1, 3),"
            "  (4, NULL, '2024-03-06 09:00:00', 300, NULL, 1, 1, 4),"
            "  (5, 'zaboravio', '2024-03-06 17:00:00', 10, 1, NULL, 0, 0);")); // entered by hand
        TZQuery* events = HorloDM->EmployeeEventZQ;
        events->SetSQL(ChangeSQLCondition(events->SQL(), QString()) +
                       QStringLiteral(" ORDER BY ee.employeeeventid"));
        events->Open();
        form = std::make_unique<THorloViewerForm>();
    }
    void TearDown() override {
        form.reset();
        DestroyHorloDM();
    }
    QString Cell(int row, int column) { return form->DBG->model()->index(row, column).data().toString(); }

    // What the grid's cell drawing leaves on a transparent canvas.
    QImage Drawn(int row, int column, int width) {
        form->DBG->setColumnWidth(column, width);
        QImage canvas(80, 30, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        form->DBG->DrawColumnCell(painter, QRect(20, 4, width, 20), row, column);
        return canvas;
    }
    static QImage Expected(int image, int x) {
        QImage canvas(80, 30, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        if (image >= 0) QPainter(&canvas).drawImage(QPoint(x, 4), HorloDM->DBGImageList.Image(image));
        return canvas;
    }
};

} // namespace

TEST_F(ViewerFixture, GridShowsWhoWhichEventWhenAndComment) {
    TDBGrid* grid = form->DBG;
    QStringList titles;
    for (int c = 0; c < grid->ColumnCount(); ++c)
        titles << grid->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles,
              (QStringList{QStringLiteral("Zaposleni"), QString(), QStringLiteral("Događaj"),
                           QStringLiteral("Vreme"), QStringLiteral("Komentar"), QStringLiteral("Ručno")}));
    for (const auto& [column, width] : {std::pair{0, 160}, {1, 30}, {2, 160}, {4, 160}})
        EXPECT_EQ(grid->columnWidth(column), width) << column;
    EXPECT_GT(grid->columnWidth(3), 0);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("Petrović Marko"));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("Dolazak"));
    EXPECT_EQ(Cell(0, 3), QStringLiteral("05.03.2024 08:50:35"));
    EXPECT_EQ(Cell(0, 4), QStringLiteral("prvi"));
    EXPECT_EQ(Cell(3, 0), QStringLiteral("Gost Petar"));
    EXPECT_EQ(Cell(3, 5), QString());
    EXPECT_EQ(Cell(4, 5), QStringLiteral("da"));
    EXPECT_FALSE(grid->model()->index(0, 0).flags() & Qt::ItemIsEditable);
}

TEST_F(ViewerFixture, DirectionImageIsArrivalOnlyForExactlyIAndCentredByTruncatingDivision) {
    struct Case {
        const char* what;
        int row;
        int width;
        int image;
        int x;
    } cases[] = {
        {"arrival 'i'", 0, 30, 0, 20 + 7},
        {"departure 'o'", 1, 30, 1, 20 + 7},
        {"type no longer there (empty)", 2, 30, 1, 20 + 7},
        {"capital 'I'", 3, 30, 1, 20 + 7},
        {"odd width", 0, 31, 0, 20 + 7},
        {"exactly the image", 1, 16, 1, 20},
        {"narrower: left of the cell", 0, 10, 0, 20 - 3},
        {"narrower, odd: truncated toward zero", 1, 9, 1, 20 - 3},
    };
    for (const Case& k : cases)
        EXPECT_EQ(Drawn(k.row, 1, k.width), Expected(k.image, k.x)) << k.what;
    // a column with a field is left to the grid's own drawing
    EXPECT_EQ(Drawn(0, 0, 160), Expected(-1, 0));
}

TEST_F(ViewerFixture, SevenCommandsWithCaptionsImagesShortcutsToolbarAndPopup) {
    struct Case {
        QAction* action;
        const char* name;
        const char* caption;
        int image;
        const char* shortcut;
    } cases[] = {
        {form->ReportAction, "ReportAction", "Izveštaj", 5, "Ctrl+I"},
        {form->EditEvents, "EditEvents", "Događaji", 6, "Ctrl+D"},
        {form->CalendarAction, "CalendarAction", "Radni kalendar", 8, "Ctrl+K"},
        {form->AttendanceAction, "AttendanceAction", "Prisustvo", 7, "Ctrl+R"},
        {form->IDCardsAction, "IDCardsAction", "ID kartice", 9, "Ctrl+T"},
        {form->ImportAction, "ImportAction", "Uvoz", 10, "Ctrl+U"},
        {form->AccessPointsAction, "AccessPointsAction", "Pristupne tačke", 11, "Ctrl+J"},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(k.action->objectName(), QString::fromLatin1(k.name));
        EXPECT_EQ(k.action->text(), QString::fromUtf8(k.caption));
        EXPECT_EQ(TActionList::ImageIndex(k.action), k.image) << k.name;
        EXPECT_EQ(k.action->shortcut().toString(QKeySequence::PortableText), QString::fromLatin1(k.shortcut));
        EXPECT_TRUE(k.action->isEnabled()) << k.name;
        EXPECT_FALSE(k.action->icon().isNull()) << k.name;
    }
    EXPECT_EQ(form->ActionImages.Count(), 12);

    auto names = [](const QList<QAction*>& actions) {
        QStringList list;
        for (QAction* a : actions)
            list << (a->isSeparator() ? QStringLiteral("|") : a->objectName());
        return list;
    };
    EXPECT_EQ(
        names(form->ActionTB->actions()),
        (QStringList{QStringLiteral("IDCardsAction"), QStringLiteral("AccessPointsAction"),
                     QStringLiteral("|"), QStringLiteral("EditEvents"), QStringLiteral("ImportAction"),
                     QStringLiteral("ReportAction"), QStringLiteral("|"), QStringLiteral("CalendarAction"),
                     QStringLiteral("AttendanceAction"), QStringLiteral("|"),
                     QStringLiteral("AddEventAction"), QStringLiteral("ChangeEventAction"),
                     QStringLiteral("DeleteEventAction"), QStringLiteral("HistoryAction")}));
    EXPECT_EQ(names(form->PopupMenu->actions()),
              (QStringList{QStringLiteral("ReportAction"), QStringLiteral("EditEvents"),
                           QStringLiteral("AddEventAction"), QStringLiteral("ChangeEventAction"),
                           QStringLiteral("DeleteEventAction"), QStringLiteral("HistoryAction"),
                           QStringLiteral("|"), QStringLiteral("ColumnsVisibility")}));

    // the column-visibility submenu hides and shows columns
    QMenu* columns = form->ColumnsVisibility->menu();
    emit columns->aboutToShow();
    ASSERT_EQ(columns->actions().size(), 6);
    EXPECT_EQ(columns->actions()[4]->text(), QStringLiteral("Komentar"));
    columns->actions()[4]->setChecked(false);
    EXPECT_TRUE(form->DBG->isColumnHidden(4));
    columns->actions()[4]->setChecked(true);
    EXPECT_FALSE(form->DBG->isColumnHidden(4));
}

TEST_F(ViewerFixture, OnlyAnEventEnteredByHandIsChangedOrDeletedWithAReason) {
    TZQuery* events = HorloDM->EmployeeEventZQ;
    events->First(); // a device's
    EXPECT_FALSE(form->ChangeEventAction->isEnabled());
    EXPECT_FALSE(form->DeleteEventAction->isEnabled());
    events->Last();
    ASSERT_TRUE(form->DeleteEventAction->isEnabled());
    EXPECT_TRUE(form->ChangeEventAction->isEnabled());
    TDialogScript::SetUnattended(true);
    TDialogScript::SetNextText(QStringLiteral("  ")); // no reason: refused
    form->DeleteEventAction->trigger();
    EXPECT_EQ(events->RecordCount(), 5);
    TDialogScript::SetNextText(QStringLiteral("greška"));
    form->DeleteEventAction->trigger();
    EXPECT_EQ(events->RecordCount(), 4); // read again at once
    EXPECT_EQ(db.Connection().Select(QStringLiteral("SELECT reason FROM horlohistory")).rows[0][0],
              QStringLiteral("greška"));
    TDialogScript::Reset();
}

TEST_F(ViewerFixture, CardAndEventTypeCommandsOpenTheirDialogs) {
    for (const auto& [action, title] :
         {std::pair{form->IDCardsAction, "ID kartice"}, std::pair{form->EditEvents, "Događaji"},
          std::pair{form->AccessPointsAction, "Pristupne tačke"}}) {
        QString opened;
        QTimer::singleShot(0, [&opened] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog) return;
            opened = dialog->windowTitle();
            dialog->close();
        });
        action->trigger();
        EXPECT_EQ(opened, QString::fromUtf8(title));
    }
}
