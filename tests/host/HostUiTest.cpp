// SPDX-License-Identifier: GPL-3.0-or-later
// The host's widgets and seams: the data-aware grid and its sorter, the record
// navigator, the key/value editor, the scripted boxes and the wheel-to-key filter.
#include "host/data/ClientDataSet.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/DBGrid.h"
#include "host/ui/DBNavigator.h"
#include "host/ui/DateEdit.h"
#include "host/ui/Dialogs.h"
#include "host/ui/GridSorter.h"
#include "host/ui/ValueListEditor.h"
#include "host/ui/WheelToKey.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

// Four people with an age and a yes/no flag shown through a text handler.
struct GridFixture : ::testing::Test {
    TClientDataSet people;
    TDataSource source{&people};
    TDBGrid grid;
    TField* name;
    TField* age;
    TField* active;

    void SetUp() override {
        TDialogScript::SetUnattended(true);
        TDialogScript::Reset();
        people.setObjectName(QStringLiteral("People"));
        name = people.AddField(QStringLiteral("name"), TFieldType::String, 20);
        name->DisplayLabel = QStringLiteral("Ime");
        age = people.AddField(QStringLiteral("age"), TFieldType::Integer);
        age->DisplayLabel = QStringLiteral("Godine");
        active = people.AddField(QStringLiteral("active"), TFieldType::Boolean);
        active->OnGetText = [](const TField& f, bool) { return f.AsBoolean() ? _YES_CAP : _NO_CAP; };
        active->OnSetText = [](TField& f, const QString& text) { f.SetAsBoolean(text != _NO_CAP); };
        people.CreateDataSet();
        const std::tuple<const char*, int, bool> rows[] = {
            {"Milan", 40, true}, {"Ana", 25, false}, {"Đorđe", 33, true}, {"Čedomir", 51, false}};
        for (const auto& [n, a, on] : rows) {
            people.Append();
            name->SetAsString(QString::fromUtf8(n));
            age->SetAsInteger(a);
            active->SetAsBoolean(on);
            people.Post();
        }
        people.First();
        grid.SetDataSource(&source);
    }
    void TearDown() override { TDialogScript::Reset(); }

    QAbstractItemModel* Model() { return grid.model(); }
    QString Text(int row, int column) { return Model()->index(row, column).data().toString(); }
    QStringList Names() {
        QStringList names;
        for (int r = 0; r < Model()->rowCount(); ++r)
            names << Text(r, 0);
        return names;
    }
};

QStringList Kinds() {
    QStringList kinds;
    for (const TShownDialog& d : TDialogScript::Shown())
        kinds << d.kind;
    return kinds;
}

} // namespace

TEST_F(GridFixture, CurrentRowAndCurrentRecordFollowEachOther) {
    people.SetRecIndex(2);
    EXPECT_EQ(grid.currentIndex().row(), 2);
    grid.setCurrentIndex(Model()->index(3, 1));
    EXPECT_EQ(people.RecIndex(), 3);
    EXPECT_EQ(name->AsString(), QStringLiteral("Čedomir"));
    // moves made while the views are suspended show when they come back
    people.DisableControls();
    people.First();
    people.Next();
    EXPECT_EQ(grid.currentIndex().row(), 3);
    people.EnableControls();
    EXPECT_EQ(grid.currentIndex().row(), 1);
    people.Close();
    EXPECT_EQ(Model()->rowCount(), 0);
}

TEST_F(GridFixture, ColumnsShowLabelsFormattedTextsColoursAndEditability) {
    grid.AddColumn(QStringLiteral("name"), 120);
    grid.AddColumn(QStringLiteral("age"), 0, QStringLiteral("Starost"));
    grid.AddColumn(QStringLiteral("active"));
    TDBGridColumn& unbound = grid.AddColumn(QString(), 30);
    Q_UNUSED(unbound);
    grid.OnCellColor = [](int row, int) { return row == 1 ? QColor(Qt::yellow) : QColor(); };

    EXPECT_EQ(Model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Ime"));
    EXPECT_EQ(Model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Starost"));
    EXPECT_EQ(Model()->headerData(3, Qt::Horizontal).toString(), QString());
    EXPECT_EQ(grid.columnWidth(0), 120);
    // the text handler answers for every row, not only the current record
    EXPECT_EQ(Text(0, 2), _YES_CAP);
    EXPECT_EQ(Text(1, 2), _NO_CAP);
    EXPECT_EQ(Text(2, 1), QStringLiteral("33"));
    EXPECT_EQ(Model()->index(1, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::yellow));
    EXPECT_FALSE(Model()->index(0, 0).data(Qt::BackgroundRole).isValid());

    struct Case {
        const char* what;
        std::function<void()> change;
        int column;
        bool editable;
    } cases[] = {
        {"plain column", [] {}, 0, true},
        {"column without a field", [] {}, 3, false},
        {"read-only column",
         [&] { grid.UpdateColumn(QStringLiteral("age"), [](TDBGridColumn& c) { c.readOnly = true; }); }, 1,
         false},
        {"read-only field", [&] { name->ReadOnly = true; }, 0, false},
        {"read-only grid",
         [&] {
             name->ReadOnly = false;
             grid.SetReadOnly(true);
         },
         0, false},
    };
    for (const Case& k : cases) {
        k.change();
        EXPECT_EQ(bool(Model()->index(0, k.column).flags() & Qt::ItemIsEditable), k.editable) << k.what;
    }
}

TEST_F(GridFixture, PickListColumnOffersItsTextsInTheCellEditor) {
    grid.AddColumn(QStringLiteral("name"));
    grid.UpdateColumn(QStringLiteral("name"), [](TDBGridColumn& column) {
        column.pickList = QStringList{QStringLiteral("Ana"), QStringLiteral("Milan")};
    });
    std::unique_ptr<QWidget> editor(
        grid.itemDelegate()->createEditor(grid.viewport(), QStyleOptionViewItem(), Model()->index(0, 0)));
    auto* combo = qobject_cast<QComboBox*>(editor.get());
    ASSERT_NE(combo, nullptr);
    EXPECT_TRUE(combo->isEditable());
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(1), QStringLiteral("Milan"));
}

TEST_F(GridFixture, EditingACellGoesThroughTheFieldsTextAndIsPostedOnLeavingTheRow) {
    // the yes/no handler stores "Ne" as false and anything else as true
    ASSERT_TRUE(Model()->setData(Model()->index(0, 2), _NO_CAP));
    EXPECT_EQ(people.RecIndex(), 0);
    EXPECT_EQ(people.GetState(), TDataSet::State::Edit);
    grid.setCurrentIndex(Model()->index(2, 0));
    EXPECT_EQ(people.GetState(), TDataSet::State::Browse);
    EXPECT_FALSE(people.RowValue(0, active->Index()).toBool());

    // editing another row moves the record set there first
    ASSERT_TRUE(Model()->setData(Model()->index(1, 1), QStringLiteral("26")));
    EXPECT_EQ(people.RecIndex(), 1);
    EXPECT_EQ(age->AsInteger(), 26);
    people.Post();

    // a text the field cannot hold is refused through the error display
    EXPECT_FALSE(Model()->setData(Model()->index(1, 1), QStringLiteral("abc")));
    EXPECT_EQ(Kinds(), QStringList{QStringLiteral("error")});
    EXPECT_EQ(Text(1, 1), QStringLiteral("26"));
}

TEST_F(GridFixture, TitleClickSortsAndASecondClickReverses) {
    GridSorter.AddGrid(&grid);
    people.SetRecIndex(0); // Milan
    QHeaderView* header = grid.horizontalHeader();
    emit header->sectionClicked(0);
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("Ana"), QStringLiteral("Čedomir"), QStringLiteral("Đorđe"),
                                    QStringLiteral("Milan")}));
    EXPECT_EQ(name->AsString(), QStringLiteral("Milan")); // the same record stays current
    EXPECT_EQ(grid.SortIndicatorColumn(), 0);
    emit header->sectionClicked(0);
    EXPECT_EQ(Names().first(), QStringLiteral("Milan"));
    EXPECT_EQ(grid.SortIndicatorOrder(), Qt::DescendingOrder);
    emit header->sectionClicked(1); // another column starts from the lowest value
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("Ana"), QStringLiteral("Đorđe"), QStringLiteral("Milan"),
                                    QStringLiteral("Čedomir")}));
    emit header->sectionClicked(1);
    EXPECT_EQ(Names().first(), QStringLiteral("Čedomir"));
    // an order set by code is not the one the arrow shows any more
    people.SetSortedFields(QStringLiteral("name ASC"));
    EXPECT_EQ(grid.SortIndicatorColumn(), -1);
    GridSorter.RemoveGrid(&grid);
    emit header->sectionClicked(1);
    EXPECT_EQ(Names().first(), QStringLiteral("Ana"));
}

TEST_F(GridFixture, NavigatorEnablesWhatCanActAndDeletesOnlyAfterYes) {
    TDBNavigator navigator;
    navigator.SetDataSource(&source);
    using N = TDBNavigator;
    auto enabled = [&] {
        QString s;
        for (int b = 0; b < N::ButtonCount; ++b)
            s += navigator.ButtonEnabled(N::TNavigateBtn(b)) ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    };
    // first prior next last insert delete post cancel
    EXPECT_EQ(enabled(), QStringLiteral("00111100"));
    navigator.BtnClick(N::nbNext);
    EXPECT_EQ(enabled(), QStringLiteral("11111100"));
    navigator.BtnClick(N::nbLast);
    EXPECT_EQ(enabled(), QStringLiteral("11001100"));
    age->SetAsInteger(52);
    EXPECT_EQ(enabled(), QStringLiteral("11000011"));
    navigator.BtnClick(N::nbCancel);
    EXPECT_EQ(age->AsInteger(), 51);

    TDialogScript::SetNextAnswer(TModalResult::No);
    navigator.BtnClick(N::nbDelete);
    EXPECT_EQ(people.RecordCount(), 4);
    TDialogScript::SetNextAnswer(TModalResult::Yes);
    navigator.BtnClick(N::nbDelete);
    EXPECT_EQ(people.RecordCount(), 3);
    EXPECT_EQ(Kinds(), (QStringList{QStringLiteral("confirmation"), QStringLiteral("confirmation")}));

    navigator.SetVisibleButtons({N::nbFirst, N::nbLast});
    EXPECT_TRUE(navigator.ButtonVisible(N::nbFirst));
    EXPECT_FALSE(navigator.ButtonVisible(N::nbInsert));
}

TEST(DialogScript, ScriptedAnswersAreUsedOnceAndUnansweredBoxesTakeTheirDefault) {
    TDialogScript::SetUnattended(true);
    TDialogScript::Reset();
    TDialogScript::SetNextAnswer(TModalResult::Yes);
    EXPECT_TRUE(Confirm(QStringLiteral("Prvo?")));
    EXPECT_FALSE(Confirm(QStringLiteral("Drugo?"))); // unanswered: No
    ShowWarning(QStringLiteral("w"));
    ShowInformation(QStringLiteral("i"));

    QDate date(2024, 1, 1);
    TDialogScript::SetNextDate(QDate(2024, 3, 15));
    EXPECT_TRUE(GetDate(date));
    EXPECT_EQ(date, QDate(2024, 3, 15));
    TDialogScript::SetNextDate(QDate()); // the user cancels
    EXPECT_FALSE(GetDate(date));
    EXPECT_EQ(date, QDate(2024, 3, 15));
    TDialogScript::SetNextOption(1);
    EXPECT_EQ(ChangeOptions(), 1);
    EXPECT_EQ(ChangeOptions(), 2);

    // what escapes a handler is shown with its own message
    Guarded([] { throw EDatabaseError(QStringLiteral("server said no")); });
    Guarded([] { MyDateTimeStrToDateTime(QStringLiteral("31.12.2024")); });
    Guarded([] { throw std::logic_error("bug"); });

    const QList<TShownDialog>& shown = TDialogScript::Shown();
    ASSERT_EQ(shown.size(), 11);
    const QStringList expectedKinds{
        QStringLiteral("confirmation"), QStringLiteral("confirmation"), QStringLiteral("warning"),
        QStringLiteral("information"),  QStringLiteral("date"),         QStringLiteral("date"),
        QStringLiteral("options"),      QStringLiteral("options"),      QStringLiteral("error"),
        QStringLiteral("error"),        QStringLiteral("error")};
    EXPECT_EQ(Kinds(), expectedKinds);
    EXPECT_EQ(shown[0].text, QStringLiteral("Prvo?"));
    EXPECT_EQ(shown[8].text, QStringLiteral("server said no"));
    EXPECT_EQ(shown[9].text, Format(_CMN_DATETIME_ERR, {QStringLiteral("31.12.2024")}));
    EXPECT_EQ(shown[10].text, Format(_CMN_UNEXPECTED_ERR, {QStringLiteral("bug")}));
    TDialogScript::Reset();
}

TEST(HourGlass, RestoresCursorAndViewsAfterAnError) {
    TClientDataSet ds;
    ds.AddField(QStringLiteral("x"), TFieldType::Integer);
    ds.CreateDataSet();
    EXPECT_FALSE(Guarded([&] {
        THourGlass hourGlass({&ds});
        EXPECT_TRUE(THourGlass::Active());
        EXPECT_TRUE(ds.ControlsDisabled());
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        throw EDatabaseError(QStringLiteral("x"));
    }));
    EXPECT_FALSE(THourGlass::Active());
    EXPECT_FALSE(ds.ControlsDisabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    TDialogScript::Reset();
}

TEST_F(GridFixture, WheelStepsBecomeUpAndDownKeysWhileAHookLives) {
    grid.resize(300, 200);
    grid.show();
    grid.setFocus();
    people.SetRecIndex(2);
    auto wheel = [&](int delta, QPoint angle = {}) {
        if (angle.isNull()) angle = QPoint(0, delta);
        QWheelEvent event(QPointF(10, 10), grid.viewport()->mapToGlobal(QPointF(10, 10)), QPoint(), angle,
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid.viewport(), &event);
        return people.RecIndex();
    };
    EXPECT_EQ(wheel(120), 2); // no hook: the wheel only scrolls
    {
        TWheelHook hook;
        TWheelHook nested; // a second dialog does not double the keys
        EXPECT_EQ(wheel(120), 1);
        EXPECT_EQ(wheel(-120), 2);
        EXPECT_EQ(wheel(-120), 3);
        EXPECT_EQ(wheel(0, QPoint(120, 0)), 3); // a sideways tilt is no row step
    }
    EXPECT_FALSE(TWheelHook::Installed());
    EXPECT_EQ(wheel(120), 3);
}

TEST(ValueListEditor, KeysValuesHandlersAndEllipsisButton) {
    TValueListEditor vle;
    vle.InsertRow(QStringLiteral("who"));
    vle.InsertRow(QStringLiteral("when"), QStringLiteral("2024-01-01"));
    vle.SetKeyDesc(QStringLiteral("who"), QStringLiteral("Ko"));
    vle.SetEditStyle(QStringLiteral("who"), TValueListEditor::TEditStyle::Ellipsis);
    vle.PickList(QStringLiteral("when")) << QStringLiteral("2024-02-02");
    EXPECT_EQ(vle.Keys(), (QStringList{QStringLiteral("who"), QStringLiteral("when")}));
    EXPECT_EQ(vle.model()->index(0, 0).data().toString(), QStringLiteral("Ko"));
    EXPECT_EQ(vle.ItemProps(QStringLiteral("when")).editStyle, TValueListEditor::TEditStyle::PickList);
    EXPECT_EQ(vle.Values(QStringLiteral("nobody")), QString());

    int clicks = 0, finds = 0;
    vle.OnEditButtonClick = [&] { ++clicks; };
    vle.OnKeyPress = [&](QChar& key) {
        if (vle.CurrentKey() == QLatin1String("who")) key = QChar();
    };
    vle.OnKeyDown = [&](int& key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Return) {
            ++finds;
            key = 0;
        }
    };
    vle.SetCurrentKey(QStringLiteral("who"));
    vle.ClickEditButton();
    QTest::keyClicks(&vle, QStringLiteral("abc")); // discarded on "who"
    vle.CommitEdit();
    EXPECT_EQ(vle.Values(QStringLiteral("who")), QString());
    vle.SetCurrentKey(QStringLiteral("when"));
    vle.ClickEditButton(); // a pick-list row has no ellipsis
    EXPECT_EQ(clicks, 1);
    QTest::keyClick(&vle, Qt::Key_Return);
    EXPECT_EQ(finds, 1);
}

// The one date field as a clerk types into it.
TEST(DateEdit, TakesWholeDatesAsTypedPartsTypedOverAndNamesDaysThatDoNotExist) {
    TDialogScript::SetUnattended(true);
    TDialogScript::Reset();
    QWidget window;
    auto* field = new TDateEdit(&window);
    field->setCaption(QStringLiteral("Od"));
    auto* next = new QLineEdit(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(field);
    layout->addWidget(next);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const auto typeAll = [&](const char* text) {
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, QString::fromLatin1(text));
    };
    struct Case {
        const char* what;
        std::function<void()> act;
        const char* shown;
        QDate date;
        const char* problem = ""; // part of what is named
    } cases[] = {
        {"whole, as written here", [&] { typeAll("01.11.2026"); }, "01.11.2026", QDate(2026, 11, 1)},
        {"whole, ISO", [&] { typeAll("2026-11-30"); }, "30.11.2026", QDate(2026, 11, 30)},
        {"short, with the last dot", [&] { typeAll("7.3.2026."); }, "07.03.2026", QDate(2026, 3, 7)},
        {"the month selected and typed over",
         [&] {
             field->setSelection(3, 2);
             QTest::keyClicks(field, QStringLiteral("12"));
         },
         "07.12.2026", QDate(2026, 12, 7)},
        {"Up on the day",
         [&] {
             field->setCursorPosition(1);
             QTest::keyClick(field, Qt::Key_Up);
         },
         "08.12.2026", QDate(2026, 12, 8)},
        {"Down on the year",
         [&] {
             field->setCursorPosition(8);
             QTest::keyClick(field, Qt::Key_Down);
         },
         "08.12.2025", QDate(2025, 12, 8)},
        {"a day that does not exist", [&] { typeAll("31.02.2026"); }, "31.02.2026", QDate(),
         "Datum 31.02.2026 u polju \"Od\" ne postoji: februar 2026. ima 28 dana."},
        {"a month that does not exist", [&] { typeAll("2026-13-01"); }, "2026-13-01", QDate(), "12 meseci"},
        {"no date", [&] { typeAll("1.11"); }, "1.11", QDate(), "nije datum (dd.mm.gggg ili gggg-mm-dd)"},
        {"letters are not taken", [&] { typeAll("x1.1.2027"); }, "01.01.2027", QDate(2027, 1, 1)},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        field->setFocus();
        k.act();
        QTest::keyClick(field, Qt::Key_Tab); // leaves the field
        EXPECT_EQ(QApplication::focusWidget(), next);
        EXPECT_EQ(field->text(), QString::fromLatin1(k.shown));
        EXPECT_EQ(field->date(), k.date);
        EXPECT_TRUE(field->Problem().contains(QString::fromUtf8(k.problem)))
            << field->Problem().toStdString();
        EXPECT_EQ(field->Problem().isEmpty(), *k.problem == 0);
        EXPECT_EQ(field->toolTip(), field->Problem()); // marked where it is
    }
    // the calendar picks too; a date that is none is warned about where it is used
    TDialogScript::SetNextDate(QDate(2026, 5, 4));
    QTest::keyClick(field, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(field->text(), QStringLiteral("04.05.2026"));
    field->setText(QStringLiteral("30.02.2024"));
    EXPECT_FALSE(field->CheckDate());
    EXPECT_EQ(TDialogScript::Shown().last().kind, QStringLiteral("warning"));
    EXPECT_EQ(QApplication::focusWidget(), field);
    TDialogScript::Reset();
}

TEST(DBGrid, AFractionIsEditedWithTheDecimalsShownAndKeepsItsValueWhenLeftAsItWas) {
    TClientDataSet rows;
    TField* hours = rows.AddField(QStringLiteral("hours"), TFieldType::Float);
    hours->DisplayFormat = QStringLiteral("0.##");
    rows.CreateDataSet();
    rows.Append();
    hours->SetAsFloat(418 / 60.0);
    rows.Post();
    TDataSource source(&rows);
    TDBGrid grid;
    grid.SetDataSource(&source);
    const QModelIndex cell = grid.model()->index(0, 0);
    EXPECT_EQ(cell.data(Qt::EditRole).toString(), QStringLiteral("6.97"));
    ASSERT_TRUE(grid.model()->setData(cell, QStringLiteral("6.97")));
    EXPECT_EQ(rows.GetState(), TDataSet::State::Browse);
    EXPECT_EQ(hours->AsFloat(), 418 / 60.0);
    ASSERT_TRUE(grid.model()->setData(cell, QStringLiteral("7.5")));
    rows.Post();
    EXPECT_EQ(hours->AsFloat(), 7.5);
}
