// SPDX-License-Identifier: GPL-3.0-or-later
// The event-type editor and the new-pair dialog, driven as a user would.
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Dialogs.h"
#include "host/ui/GridSorter.h"
#include "module/HorloResourceString.h"
#include "module/data/EventTypeUnit.h"
#include "module/data/HorloDMUnit.h"
#include "module/data/NewEventUnit.h"
#include "tests/support/TestDatabase.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct EventTypeFixture : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    QPointer<TEventTypeForm> form;
    void SetUp() override {
        CreateHorloDM();
        HorloDM->SetZConnection(&c);
        TDialogScript::Reset();
        TDialogScript::SetUnattended(true);
        // a pair nobody uses, a lone type, and a pair whose departure has a raw record
        c.Execute(
            QStringLiteral("INSERT INTO employeeeventtype (employeeeventtypeid, direction, defaultevent, "
                           "pairid, name) VALUES (300, 'i', 'n', 301, 'Službeni dolazak'), (301, 'o', 'n', "
                           "300, 'Službeni odlazak'), (302, 'o', 'n', NULL, 'Sam'), (303, 'i', 'n', 304, "
                           "'Pauza kraj'), (304, 'o', 'n', 303, 'Pauza')"));
        c.Execute(
            QStringLiteral("INSERT INTO employeeeventraw (eventtime, employeeeventtypeid, employeeid, "
                           "horloaccesspointid, deviceindex) VALUES ('2026-01-05 10:00:00', 304, 7, 1, 1)"));
        form = new TEventTypeForm();
    }
    void TearDown() override {
        if (form) delete form.data();
        TDialogScript::Reset();
        DestroyHorloDM();
    }
    TZQuery* Types() { return HorloDM->EmployeeEventTypeZQ; }
    void Select(qint64 id) { ASSERT_TRUE(Types()->Locate(QStringLiteral("employeeeventtypeid"), id)); }
    QList<qint64> Stored() {
        QList<qint64> ids;
        for (const auto& row :
             c.Select(QStringLiteral("SELECT employeeeventtypeid FROM employeeeventtype ORDER BY 1")).rows)
            ids << row[0].toLongLong();
        return ids;
    }
    // Runs `drive` on the new-pair dialog once it is open.
    static void WhenNewEventOpens(std::function<void(TNewEventForm*)> drive) {
        QTimer::singleShot(0, [drive] {
            auto* f = qobject_cast<TNewEventForm*>(QApplication::activeModalWidget());
            ASSERT_NE(f, nullptr);
            drive(f);
        });
    }
};

} // namespace

TEST_F(EventTypeFixture, OpensOnTheTypesWithImagesAndTheAddButtonOff) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Događaji"));
    EXPECT_TRUE(Types()->Active());
    EXPECT_FALSE(form->AddButton->isEnabled());
    EXPECT_TRUE(GridSorter.HasGrid(form->EventsDBGrid));
    ASSERT_EQ(form->EventsDBGrid->ColumnCount(), 2);
    EXPECT_EQ(form->EventsDBGrid->ColumnTitle(1), QStringLiteral("Ime"));

    // the direction column: arrival image for 'i', departure image otherwise
    for (const qint64 id : {300, 301}) {
        Select(id);
        QImage cell(32, 16, QImage::Format_ARGB32_Premultiplied);
        cell.fill(Qt::white);
        QPainter p(&cell);
        form->EventsDBGridDrawColumnCell(p, QRect(0, 0, 32, 16), Types()->RecIndex(), 0);
        p.end();
        QImage expected(32, 16, QImage::Format_ARGB32_Premultiplied);
        expected.fill(Qt::white);
        QPainter e(&expected);
        e.drawImage(QPoint((form->EventsDBGrid->columnWidth(0) - 16) / 2, 0),
                    HorloDM->DBGImageList.Image(id == 300 ? 0 : 1));
        e.end();
        EXPECT_EQ(cell, expected) << id;
    }

    // one wheel step away from the user: one row up; toward the user: one row down
    form->show();
    form->EventsDBGrid->setFocus();
    Select(301);
    const int start = Types()->RecIndex();
    for (const auto& [delta, expected] : {std::pair{120, start - 1}, {-120, start}, {-120, start + 1}}) {
        QWidget* viewport = form->EventsDBGrid->viewport();
        QWheelEvent wheel(QPointF(5, 5), viewport->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
        EXPECT_EQ(Types()->RecIndex(), expected) << delta;
    }
}

TEST_F(EventTypeFixture, RemovingAskesFirstTakesThePartnerAndRefusesTypesInUse) {
    const QList<qint64> all = Stored();
    // a default type: warning, nothing deleted
    Select(5);
    form->RemoveButton->click();
    EXPECT_EQ(TDialogScript::Shown().last().text, _DEL_DEF_WRN);
    EXPECT_EQ(TDialogScript::Shown().last().kind, QStringLiteral("warning"));
    // asked, and No keeps it
    Select(300);
    form->RemoveButton->click();
    EXPECT_EQ(TDialogScript::Shown().last().text, _DEL_EV_CONF);
    EXPECT_EQ(Stored(), all);

    // Yes: the type and its partner
    TDialogScript::SetNextAnswer(TModalResult::Yes);
    form->RemoveButton->click();
    QList<qint64> left = all;
    left.removeAll(300);
    left.removeAll(301);
    EXPECT_EQ(Stored(), left);
    EXPECT_EQ(Types()->RecordCount(), left.size());

    // a type without partner goes alone
    Select(302);
    TDialogScript::SetNextAnswer(TModalResult::Yes);
    form->RemoveButton->click();
    left.removeAll(302);
    EXPECT_EQ(Stored(), left);

    // the partner has a raw record: neither goes, and the host says why
    Select(303);
    TDialogScript::SetNextAnswer(TModalResult::Yes);
    form->RemoveButton->click();
    EXPECT_EQ(TDialogScript::Shown().last().kind, QStringLiteral("error"));
    EXPECT_EQ(TDialogScript::Shown().last().text,
              Format(_CMN_DELETE_REFUSED_ERR, {QStringLiteral("employeeeventraw")}));
    EXPECT_EQ(Stored(), left);
    EXPECT_EQ(Types()->RecordCount(), left.size());
    EXPECT_EQ(Types()->FieldByName(QStringLiteral("employeeeventtypeid"))->AsLargeInt(), 303);

    // a type that events carry is kept too
    c.Execute(
        QStringLiteral("INSERT INTO employeeevent (eventtime, employeeeventtypeid, employeeid, "
                       "horloaccesspointid, deviceindex) VALUES ('2026-01-05 10:00:00', 303, 7, 1, 1)"));
    Select(303);
    TDialogScript::SetNextAnswer(TModalResult::Yes);
    form->RemoveButton->click();
    EXPECT_EQ(TDialogScript::Shown().last().text,
              Format(_CMN_DELETE_REFUSED_ERR, {QStringLiteral("employeeevent")}));
    EXPECT_EQ(Stored(), left);

    // the codes the devices write stay, used or not, without a question
    Select(15);
    const int asked = int(TDialogScript::Shown().size());
    form->RemoveButton->click();
    ASSERT_EQ(TDialogScript::Shown().size(), asked + 1);
    EXPECT_EQ(TDialogScript::Shown().last().text, Format(_DEL_DEVICE_EV_WRN, {15}));
    EXPECT_EQ(Stored(), left);

    // an empty list: nothing happens
    c.Execute(QStringLiteral("DELETE FROM employeeeventtype"));
    Types()->Close();
    Types()->Open();
    const int shown = int(TDialogScript::Shown().size());
    form->RemoveButton->click();
    EXPECT_EQ(TDialogScript::Shown().size(), shown);
}

TEST_F(EventTypeFixture, NewEventGivesBothNamesOnlyWhenBothAreThere) {
    // the defaults as they are
    QString in = QStringLiteral("x"), out = QStringLiteral("y");
    WhenNewEventOpens([](TNewEventForm* f) {
        EXPECT_EQ(f->windowTitle(), QStringLiteral("Novi događaj"));
        EXPECT_TRUE(f->OKButton->isDefault());
        f->OKButton->click();
    });
    EXPECT_TRUE(NewEvent(in, out));
    EXPECT_EQ(in, QStringLiteral("Dolazak..."));
    EXPECT_EQ(out, QStringLiteral("Odlazak..."));

    // one name emptied: a warning and the dialog stays; then cancelled, names untouched
    bool stayed = false;
    WhenNewEventOpens([&stayed](TNewEventForm* f) {
        f->InEventEdit->clear();
        f->OKButton->click();
        stayed = f->isVisible() && TDialogScript::Shown().last().text == _NEW_EV_WRN;
        f->CancelButton->click();
    });
    EXPECT_FALSE(NewEvent(in, out));
    EXPECT_TRUE(stayed);
    EXPECT_EQ(in, QStringLiteral("Dolazak..."));

    // a name longer than the column holds is refused, not cut
    stayed = false;
    WhenNewEventOpens([&stayed](TNewEventForm* f) {
        f->InEventEdit->setText(QString(201, QLatin1Char('d')));
        f->OKButton->click();
        stayed = f->isVisible() && TDialogScript::Shown().last().text == Format(_NEW_EV_LONG_WRN, {200});
        f->CancelButton->click();
    });
    EXPECT_FALSE(NewEvent(in, out));
    EXPECT_TRUE(stayed);

    // a name another type carries (in any case) is refused: the report picks pairs by name
    stayed = false;
    WhenNewEventOpens([&stayed](TNewEventForm* f) {
        f->OutEventEdit->setText(QStringLiteral("odlazak"));
        f->OKButton->click();
        stayed = f->isVisible() && TDialogScript::Shown().last().text ==
                                       Format(_NEW_EV_EXISTS_WRN, {QStringLiteral("Odlazak")});
        f->CancelButton->click();
    });
    EXPECT_FALSE(NewEvent(in, out));
    EXPECT_TRUE(stayed);

    // blanks are a name; Esc cancels
    WhenNewEventOpens([](TNewEventForm* f) {
        f->OutEventEdit->setText(QStringLiteral(" "));
        f->OKButton->click();
    });
    EXPECT_TRUE(NewEvent(in, out));
    EXPECT_EQ(out, QStringLiteral(" "));
    WhenNewEventOpens([](TNewEventForm* f) { f->reject(); });
    EXPECT_FALSE(NewEvent(in, out));

    // the editor's add handler stores a pair that points both ways
    WhenNewEventOpens([](TNewEventForm* f) {
        f->InEventEdit->setText(QStringLiteral("Teren dolazak"));
        f->OutEventEdit->setText(QStringLiteral("Teren odlazak"));
        f->OKButton->click();
    });
    form->AddButtonClick();
    const TResultSet rs = c.Select(QStringLiteral(
        "SELECT a.employeeeventtypeid, a.pairid, b.employeeeventtypeid, b.pairid, a.defaultevent, "
        "b.direction "
        "FROM employeeeventtype a JOIN employeeeventtype b ON b.name = 'Teren odlazak' WHERE a.name = "
        "'Teren dolazak' AND a.direction = 'i'"));
    ASSERT_EQ(rs.rows.size(), 1u);
    EXPECT_GE(rs.rows[0][0].toLongLong(), 256);
    EXPECT_EQ(rs.rows[0][1].toLongLong(), rs.rows[0][2].toLongLong());
    EXPECT_EQ(rs.rows[0][3].toLongLong(), rs.rows[0][0].toLongLong());
    EXPECT_EQ(HorloDM->GetInverseEventTypeID(rs.rows[0][0].toLongLong()), rs.rows[0][2].toLongLong());
}
