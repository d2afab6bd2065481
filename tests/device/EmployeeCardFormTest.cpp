// SPDX-License-Identifier: GPL-3.0-or-later
// The card dialog as an operator drives it, against simulated doors.
#include "host/console/HostIntf.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/ColourLegend.h"
#include "host/ui/DBGrid.h"
#include "host/ui/DBNavigator.h"
#include "host/ui/GridSorter.h"
#include "module/HorloResourceString.h"
#include "module/ModuleConsole.h"
#include "module/device/EmployeeCardUnit.h"
#include "tests/device/DeviceCommandsFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {

struct FakeConsole : IConsole, IEmployeeChooser {
    bool offerChooser = true;
    TEmployeeDesc choice; // EmployeeID 0: cancelled
    QStringList modulesRun;
    TDBGrid* printGrid = nullptr;
    TDBGrid* printedGrid = nullptr;
    std::shared_ptr<IInterface> GetService(const QUuid& iid) override {
        if (iid == IEmployeeChooser::IID && offerChooser)
            return std::shared_ptr<IEmployeeChooser>(std::shared_ptr<IEmployeeChooser>{}, this);
        return nullptr;
    }
    bool RunModule(const QString& name, const QString& params) override {
        modulesRun << name + QLatin1Char('|') + params;
        printedGrid = printGrid;
        return true;
    }
    TDBGrid* GetPrintGrid() const override { return printGrid; }
    void SetPrintGrid(TDBGrid* grid) override { printGrid = grid; }
    bool ChooseEmployee(std::shared_ptr<TDataSet>&) override { return false; }
    bool ChooseEmployeeDesc(TEmployeeDesc& desc) override {
        if (choice.employeeId == 0) return false;
        desc = choice;
        return true;
    }
    void ShowEmployee(qint64) override {}
};

struct CardFormFixture : devicetest::DoorsFixture {
    std::shared_ptr<FakeConsole> console = std::make_shared<FakeConsole>();
    QPointer<TEmployeeCardForm> form;
    void SetUp() override {
        DoorsFixture::SetUp();
        GlobalConsole = console;
        form = new TEmployeeCardForm();
        form->Commands().ReplyWaitMs = 400;
    }
    void TearDown() override {
        if (form) delete form.data();
        GlobalConsole.reset();
        DoorsFixture::TearDown();
    }
    TZQuery* Cards() { return HorloDM->EmployeeCardZQ; }
    void Select(const char* name) {
        ASSERT_TRUE(Cards()->Locate(QStringLiteral("name"), QString::fromLatin1(name)));
    }
    QList<TShownDialog> Shown() { return TDialogScript::Shown(); }
    QString Employee(qint64 card) {
        return c
            .Select(QStringLiteral("SELECT IFNULL(employeeid, 0) FROM employeecard WHERE employeecardid = %1")
                        .arg(card))
            .rows[0][0]
            .toString();
    }
};

} // namespace

TEST_F(CardFormFixture, OpensOnTheCardListWithItsColumnsColoursAndFind) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ID kartice"));
    // the row colours are explained under the grid
    ASSERT_NE(form->findChild<TColourLegend*>(), nullptr);
    EXPECT_EQ(form->findChild<TColourLegend*>()->Meanings().size(), 2);
    EXPECT_TRUE(Cards()->Active());
    TDBGrid* grid = form->EmployeeCardDBG;
    const QStringList fields{QStringLiteral("name"),         QStringLiteral("cardcode"),
                             QStringLiteral("active"),       QStringLiteral("comment"),
                             QStringLiteral("employeename"), QStringLiteral("horloguestname")};
    ASSERT_EQ(grid->ColumnCount(), fields.size());
    for (int i = 0; i < fields.size(); ++i)
        EXPECT_EQ(grid->Column(i).fieldName, fields[i]);
    EXPECT_EQ(grid->ColumnTitle(0), QStringLiteral("ID kartice"));
    EXPECT_EQ(grid->Column(2).pickList, (QStringList{_YES_CAP, _NO_CAP}));
    EXPECT_TRUE(grid->Column(4).readOnly);
    EXPECT_TRUE(GridSorter.HasGrid(grid));
    EXPECT_FALSE(form->ApplyButton->isEnabled());
    EXPECT_TRUE(form->FindButton->isDefault());

    // colours: inactive light red, lent to a guest green, others unchanged
    c.Execute(QStringLiteral(
        "INSERT INTO horloguest (firstname, lastname, employeecardid) VALUES ('Ana', 'Gost', 3)"));
    Cards()->Close();
    Cards()->Open();
    const auto colour = [&](const char* name) {
        Select(name);
        return grid->CellColor(Cards()->RecIndex(), 0);
    };
    EXPECT_EQ(colour("K2"), QColor(255, 128, 128));
    EXPECT_EQ(colour("K3"), QColor(64, 255, 64));
    EXPECT_FALSE(colour("K1").isValid());

    c.Execute(QStringLiteral("INSERT INTO employeecard (employeecardid, cardcode, name) VALUES "
                             "(4, 1004, 'Đurđ Čačak')"));
    Cards()->Close();
    Cards()->Open();
    struct Case {
        const char* name;
        const char* code;
        const char* expected;
    } cases[] = {
        {"K2", "", "K2"},           {"", "1003", "K3"},
        {"k1", "", "K1"},     // without an exact match case is left aside
        {"K1", "1002", "K1"}, // both filled: the name alone
        {"", "nije broj", "K1"},    {"djurdj cacak", "", "Đurđ Čačak"}, // nor diacritics, đ as dj or d
        {"K2", "", "K2"},           {"DURD ČAČAK", "", "Đurđ Čačak"},
        {"durd", "", "Đurđ Čačak"}, // no match keeps the row
    };
    for (const Case& k : cases) {
        form->CardIDEdit->setText(QString::fromUtf8(k.name));
        form->CardCodeEdit->setText(QString::fromLatin1(k.code));
        form->FindButton->click();
        EXPECT_EQ(Cards()->FieldByName(QStringLiteral("name"))->AsString(), QString::fromUtf8(k.expected))
            << k.name << '/' << k.code;
    }
    EXPECT_TRUE(Shown().isEmpty());
}

TEST_F(CardFormFixture, TiesUntiesAndPrints) {
    c.Execute(
        QStringLiteral("INSERT INTO employee (employeeid, firstname, lastname) VALUES (7, 'Ana', 'Prva'), "
                       "(8, 'Bora', 'Drugi'), (9, 'Marko', 'Petrović')"));
    // an employee who already has an active card: refused, the card keeps its employee
    Select("K3");
    console->choice = {7, QStringLiteral("Marko"), QStringLiteral("Petrović"), QString()};
    form->ConnectEmployeeButton->click();
    ASSERT_EQ(Shown().size(), 1);
    EXPECT_EQ(Shown().last().text, Format(_CARD_EMPLOYEE_ERR, {QStringLiteral("K1")})); // names the card
    EXPECT_EQ(Employee(3), QStringLiteral("8"));

    // a free employee: tied, named as the list names employees; its tickets follow
    console->choice.employeeId = 9;
    form->ConnectEmployeeButton->click();
    EXPECT_EQ(Employee(3), QStringLiteral("9"));
    EXPECT_EQ(Cards()->FieldByName(QStringLiteral("employeename"))->AsString(),
              QStringLiteral("Petrović Marko"));
    EXPECT_EQ(
        Count(QStringLiteral("SELECT employeeid FROM horloaccessticket WHERE horloaccessticketid = 31")), 9);

    // nor may he have an inactive one beside it
    Select("K2");
    form->ConnectEmployeeButton->click();
    EXPECT_EQ(Shown().last().text, Format(_CARD_EMPLOYEE_ERR, {QStringLiteral("K3")}));
    EXPECT_EQ(Employee(2), QStringLiteral("0"));
    // from a moment: a moment when another employee held the card is refused, naming him
    Select("K3");
    console->choice.employeeId = 7;
    c.Execute(QStringLiteral("UPDATE employeecard SET active = 'n' WHERE employeecardid = 1"));
    form->HolderFromCB->setChecked(true);
    const QDateTime since =
        c.Select(QStringLiteral("SELECT startdatetime FROM employeecardholder WHERE employeeid = 9"))
            .rows[0][0]
            .toDateTime();
    const QDateTime before = since.addSecs(-3600);
    form->HolderFromDTE->setDateTime(QDateTime(before.date(), before.time()));
    form->ConnectEmployeeButton->click();
    EXPECT_TRUE(Shown().last().text.startsWith(QStringLiteral("Kartica K3 je do ")))
        << Shown().last().text.toStdString();
    EXPECT_TRUE(Shown().last().text.contains(QStringLiteral("Drugi Bora")))
        << Shown().last().text.toStdString();
    EXPECT_EQ(Employee(3), QStringLiteral("9"));
    EXPECT_EQ(Shown().size(), 3);
    form->HolderFromCB->setChecked(false);

    // cancelled choice, no chooser at all
    console->choice.employeeId = 0;
    form->ConnectEmployeeButton->click();
    EXPECT_EQ(Shown().size(), 3);
    console->offerChooser = false;
    form->ConnectEmployeeButton->click();
    EXPECT_EQ(Shown().last().text, Format(_CMN_NO_MODULE, {_CMN_MOD_HR_RES_NAME}));

    // untying clears the employee on this card's tickets only
    c.Execute(QStringLiteral("INSERT INTO horloaccessticket (horloaccesspointid, employeecardid, employeeid) "
                             "VALUES (2, 3, 8), (2, 1, 7)"));
    form->DisconnectEmployeeButton->click();
    EXPECT_EQ(Employee(3), QStringLiteral("0"));
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM horloaccessticket WHERE employeecardid = 3 AND "
                                   "employeeid IS NOT NULL")),
              0);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM horloaccessticket WHERE employeecardid = 1 AND "
                                   "employeeid = 7")),
              1);
    Select("K2"); // a card without employee: no error
    form->DisconnectEmployeeButton->click();
    EXPECT_EQ(Shown().size(), 4);

    // a card with tickets may still open doors: it is withdrawn before it can go
    Select("K3");
    try {
        Cards()->Delete();
        FAIL() << "a card with tickets was deleted";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QString::fromUtf8(_CARD_HAS_TICKETS_ERR));
    }
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM employeecard WHERE name = 'K3'")), 1);

    // printing hands the card grid to the wizard and gives the console's own back
    TDBGrid other;
    console->printGrid = &other;
    form->PrintButton->click();
    EXPECT_EQ(console->modulesRun,
              QStringList{_CMN_PRINT_WIZ_NAME + QStringLiteral("|title:ID kartice;header:")});
    EXPECT_EQ(console->printedGrid, form->EmployeeCardDBG);
    EXPECT_EQ(console->printGrid, &other);
}

TEST_F(CardFormFixture, DeviceOperationsKeepTheWindowAliveAndConfirmOnlyWhatTheDoorsConfirmed) {
    auto silent = Device("127.0.0.3");
    silent.faults.silentAfter = 0;
    Serve({Device("127.0.0.2"), silent, Device("127.0.0.4")});
    form->show();

    // while "Požar" waits for the silent door, the window repaints and its controls are off
    int ticks = 0, paints = 0;
    bool busySeen = false, cursorSeen = false, closedWhileBusy = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        ++ticks;
        if (form->Busy()) {
            busySeen = !form->FireButton->isEnabled() && !form->OKButton->isEnabled() &&
                       !form->EmployeeCardDBG->isEnabled();
            cursorSeen =
                QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            form->reject(); // Esc does not close it meanwhile
            closedWhileBusy = !form->isVisible();
            form->repaint();
            ++paints;
        }
    });
    probe.start(20);
    TDialogScript::SetNextAnswer(TModalResult::Yes);
    form->FireButton->click();
    probe.stop();
    EXPECT_GT(paints, 5);
    EXPECT_TRUE(busySeen);
    EXPECT_TRUE(cursorSeen);
    EXPECT_FALSE(closedWhileBusy);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(form->FireButton->isEnabled());
    ASSERT_EQ(Shown().size(), 2); // the question, then the outcome
    EXPECT_EQ(Shown().last().kind, QStringLiteral("error"));
    EXPECT_EQ(Shown().last().text,
              Format(_DEVICE_NOT_CONFIRMED_ERR, {QStringLiteral("Magacin (127.0.0.3)")}));
    EXPECT_TRUE(sim->WithDevice(0, [](const devicesim::TSimDevice& d) { return d.RelayModeSet(); }));
    EXPECT_EQ(sim->WithDevice(0, [](const devicesim::TSimDevice& d) { return int(d.RelayMode()); }), 0);
    EXPECT_EQ(sim->WithDevice(2, [](const devicesim::TSimDevice& d) { return int(d.RelayMode()); }), 2);

    // every door answers: the closing message
    Serve({Device("127.0.0.2"), Device("127.0.0.3"), Device("127.0.0.4")});
    struct Case {
        QPushButton* button;
        QString done;
    } cases[] = {{form->RefreshTimeButton, _REFRESH_TIME_INF},
                 {form->LockButton, _LOCKED_INF},
                 {form->UnlockButton, _UNLOCKED_INF},
                 {form->FireButton, _FIRE_INF}};
    for (const Case& k : cases) {
        TDialogScript::Reset();
        TDialogScript::SetNextAnswer(TModalResult::Yes); // to the question, or taken by the outcome
        k.button->click();
        ASSERT_EQ(Shown().size(), Shown().first().kind == QStringLiteral("confirmation") ? 2 : 1)
            << k.done.toStdString();
        EXPECT_EQ(Shown().last().kind, QStringLiteral("information"));
        EXPECT_EQ(Shown().last().text, k.done);
    }

    // writing cards: added, withdrawn, refused
    TDialogScript::Reset();
    Select("K1");
    form->SendToDevicesButton->click();
    EXPECT_EQ(Shown().last().text, _CARD_EMPLOYEE_ADDED_INF);
    Select("K2");
    form->SendToDevicesButton->click();
    EXPECT_EQ(Shown().last().text, _CARD_EMPLOYEE_REMOVED_INF);
    auto refusing = Device("127.0.0.3");
    refusing.faults.refuseCards = true;
    Serve({Device("127.0.0.2"), refusing, Device("127.0.0.4")});
    TDialogScript::Reset();
    Select("K1");
    form->SendToDevicesButton->click();
    ASSERT_EQ(Shown().size(), 2);
    EXPECT_EQ(Shown()[0].text, QString::fromLatin1(kUserRecordRefusedErr));
    EXPECT_EQ(Shown()[1].text, Format(_DEVICE_NOT_CONFIRMED_ERR, {QStringLiteral("Magacin (127.0.0.3)")}));
}

// Opening every door is asked first (Enter: Ne to unlock, Da to a fire alarm; a box
// nobody answers opens nothing); "Otkaži" ends a command after the door at hand.
TEST_F(CardFormFixture, OpeningEveryDoorIsAskedAndOtkaziStopsAfterTheDoorAtHand) {
    auto silent = Device("127.0.0.3");
    silent.faults.silentAfter = 0;
    Serve({Device("127.0.0.2"), silent, Device("127.0.0.4")});
    const auto mode = [&](std::size_t d) {
        return sim->WithDevice(
            d, [](const devicesim::TSimDevice& s) { return s.RelayModeSet() ? int(s.RelayMode()) : -1; });
    };
    const QString magacin = QStringLiteral("Magacin (127.0.0.3)");
    using R = TModalResult;
    struct Case {
        QPushButton* button;
        R answer; // None: nobody answers
        QString question;
        R enter;
        int ulaz, sala;      // relay modes afterwards (-1: none)
        QString unconfirmed; // none: nothing was sent
    } cases[] = {
        {form->UnlockButton, R::No, _UNLOCK_CONF, R::No, -1, -1, {}},
        {form->FireButton, R::None, _FIRE_CONF, R::Yes, -1, -1, {}},
        {form->UnlockButton, R::Yes, _UNLOCK_CONF, R::No, 8, 2, magacin},
        {form->FireButton, R::Yes, _FIRE_CONF, R::Yes, 0, 2, magacin},
        {form->LockButton, R::None, {}, R::Ok, 1, 2, magacin + ", Server sala (127.0.0.4)"}, // Otkaži
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(&k - cases);
        TDialogScript::Reset();
        if (k.answer != R::None) TDialogScript::SetNextAnswer(k.answer);
        if (k.question.isEmpty()) TDialogScript::CancelNextProgress(); // when the first door is done
        k.button->click();
        EXPECT_EQ((std::vector<int>{mode(0), mode(1), mode(2)}), (std::vector<int>{k.ulaz, -1, k.sala}));
        ASSERT_EQ(Shown().size(), int(!k.question.isEmpty()) + int(!k.unconfirmed.isEmpty()));
        EXPECT_EQ(Shown().first().defaultButton, k.enter);
        EXPECT_EQ(Shown().first().text,
                  k.question.isEmpty() ? Format(_DEVICE_NOT_CONFIRMED_ERR, {k.unconfirmed}) : k.question);
        if (!k.unconfirmed.isEmpty()) {
            EXPECT_EQ(Shown().last().text, Format(_DEVICE_NOT_CONFIRMED_ERR, {k.unconfirmed}));
        }
    }
}

TEST_F(CardFormFixture, AnEndpointThatDoesNotOpenStopsTheOperationWithOneError) {
    Serve({Device("127.0.0.2"), Device("127.0.0.3"), Device("127.0.0.4")});
    TDeviceProtocol other(0);
    ASSERT_TRUE(other.OpenEndpoint("127.0.0.9", port));
    form->RefreshTimeButton->click();
    ASSERT_EQ(Shown().size(), 1);
    EXPECT_EQ(Shown().last().kind, QStringLiteral("error"));
    EXPECT_EQ(Shown().last().text, _DEVICE_CONNECT_ERR);
    EXPECT_EQ(sim->RequestsReceived(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(form->Busy());
}

TEST_F(CardFormFixture, OkKeepsAnEditAndCancelOrEscDropIt) {
    struct Case {
        const char* how;
        std::function<void(TEmployeeCardForm*)> close;
        const char* stored;
    } cases[] = {
        {"OK", [](TEmployeeCardForm* f) { f->OKButton->click(); }, "novo"},
        {"Cancel", [](TEmployeeCardForm* f) { f->CancelButton->click(); }, "staro"},
        {"Esc", [](TEmployeeCardForm* f) { f->reject(); }, "staro"},
        {"Esc key",
         [](TEmployeeCardForm* f) {
             QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QApplication::sendEvent(f, &esc);
         },
         "staro"},
        {"close box", [](TEmployeeCardForm* f) { f->close(); }, "staro"},
    };
    for (const Case& k : cases) {
        c.Execute(QStringLiteral("UPDATE employeecard SET comment = 'staro' WHERE employeecardid = 1"));
        if (!form) form = new TEmployeeCardForm();
        form->show();
        Select("K1");
        Cards()->Edit();
        Cards()->FieldByName(QStringLiteral("comment"))->SetAsString(QStringLiteral("novo"));
        k.close(form.data());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(form.isNull()) << k.how; // closed and freed
        EXPECT_EQ(c.Select(QStringLiteral("SELECT comment FROM employeecard WHERE employeecardid = 1"))
                      .rows[0][0]
                      .toString(),
                  QString::fromLatin1(k.stored))
            << k.how;
        EXPECT_EQ(Cards()->GetState(), TDataSet::State::Browse) << k.how;
    }
}
