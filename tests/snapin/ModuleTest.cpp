// SPDX-License-Identifier: GPL-3.0-or-later
// The built module as a host sees it: loaded with dlopen, reached only through
// GetSnapinFactory and the host interfaces, unloaded again after every test.
#include "host/console/HostIntf.h"
#include "host/console/NavigatorForm.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/data/ZQuery.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Dialogs.h"
#include "tests/support/TestDatabase.h"

#include <QAction>
#include <QProcess>
#include <QStandardPaths>

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

QString ModulePath() {
    return qEnvironmentVariable("HORLO_LIB_DIR", QStringLiteral("lib")) + QStringLiteral("/libhorlo.so");
}

struct FakeSecurity : ISecurityService {
    TZConnection* connection = nullptr;
    int gets = 0, opens = 0;
    TZConnection* GetConnection() override {
        ++gets;
        return connection;
    }
    void OpenSession() override {
        ++opens;
        connection->Connect();
    }
};

struct FakeChooser : IEmployeeChooser {
    int asked = 0;
    bool ChooseEmployee(std::shared_ptr<TDataSet>&) override {
        ++asked;
        return false;
    }
    bool ChooseEmployeeDesc(TEmployeeDesc&) override { return false; }
    void ShowEmployee(qint64) override {}
};

struct FakeConsole : IConsole {
    std::shared_ptr<FakeSecurity> security;
    std::shared_ptr<FakeChooser> chooser = std::make_shared<FakeChooser>();
    int requests = 0;
    TDBGrid* printGrid = nullptr;
    std::shared_ptr<IInterface> GetService(const QUuid& iid) override {
        ++requests;
        if (iid == ISecurityService::IID) return security;
        if (iid == IEmployeeChooser::IID) return chooser;
        return nullptr;
    }
    bool RunModule(const QString&, const QString&) override { return false; }
    TDBGrid* GetPrintGrid() const override { return printGrid; }
    void SetPrintGrid(TDBGrid* grid) override { printGrid = grid; }
};

struct ModuleFixture : ::testing::Test {
    void* library = nullptr;
    TGetSnapinFactory entry = nullptr;
    std::shared_ptr<FakeConsole> console = std::make_shared<FakeConsole>();

    void SetUp() override {
        TDialogScript::SetUnattended(true);
        TDialogScript::Reset();
        Load();
    }
    void TearDown() override {
        Unload();
        TDialogScript::Reset();
    }
    void Load() {
        library = dlopen(ModulePath().toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        entry = reinterpret_cast<TGetSnapinFactory>(dlsym(library, GetSnapinFactoryName));
        ASSERT_NE(entry, nullptr);
    }
    void Unload() {
        if (library) dlclose(library);
        library = nullptr;
    }
    // The navigator's employee ellipsis asks GlobalConsole for the employee chooser.
    static void ClickEmployeeEllipsis(const std::shared_ptr<ISnapin>& snapin) {
        auto navigator = QueryInterface<INavigable>(snapin);
        auto* form = qobject_cast<TCustomNavigatorForm*>(navigator->GetFrame());
        ASSERT_NE(form, nullptr);
        form->SearchVLE->SetCurrentKey(QStringLiteral("employee"));
        form->SearchVLE->ClickEditButton();
    }
    static TZConnection* EventConnection(const std::shared_ptr<ISnapin>& snapin) {
        return qobject_cast<TZQuery*>(snapin->GetDataSet())->Connection();
    }
};

} // namespace

TEST(ModuleLibrary, ExportsOnlyItsEntryPoint) {
    const QString nm = QStandardPaths::findExecutable(QStringLiteral("nm"));
    if (nm.isEmpty()) GTEST_SKIP() << "nm is not installed";
    QProcess process;
    process.start(nm, {QStringLiteral("-D"), QStringLiteral("--defined-only"), ModulePath()});
    ASSERT_TRUE(process.waitForFinished(30000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    QStringList symbols;
    for (const QString& line :
         QString::fromLocal8Bit(process.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty()) symbols << line.split(QLatin1Char(' ')).last();
    EXPECT_EQ(symbols, QStringList{QStringLiteral("GetSnapinFactory")});
}

TEST_F(ModuleFixture, OneFactoryAndOneSnapinWhileGlobalConsoleFollowsTheLastCaller) {
    TestDatabase db;
    TZConnection connection(db.Params());
    console->security = std::make_shared<FakeSecurity>();
    console->security->connection = &connection;
    ISnapinFactory* factory = entry();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(entry(), factory);
    auto other = std::make_shared<FakeConsole>();
    std::shared_ptr<ISnapin> snapin = factory->GetSnapin(console);
    EXPECT_EQ(factory->GetSnapin(other), snapin);

    auto viewer = QueryInterface<IViewer>(snapin);
    auto navigator = QueryInterface<INavigable>(snapin);
    ASSERT_NE(viewer, nullptr);
    ASSERT_NE(navigator, nullptr);
    navigator->InternalCreateFrame();
    viewer->InternalCreateFrame();
    // without a connection the search keys are not prepared: no ellipsis yet
    navigator->ShowNavigator();
    ClickEmployeeEllipsis(snapin);
    EXPECT_EQ(other->chooser->asked, 0);
    viewer->Load(snapin); // through the console the snap-in was made with
    EXPECT_EQ(console->security->opens, 1);
    navigator->ShowNavigator();
    ClickEmployeeEllipsis(snapin);
    EXPECT_EQ(other->chooser->asked, 1);
    EXPECT_EQ(console->chooser->asked, 0);
    factory->GetSnapin(console);
    ClickEmployeeEllipsis(snapin);
    EXPECT_EQ(console->chooser->asked, 1);
    navigator->InternalDestroyFrame();
    viewer->InternalDestroyFrame();

    EXPECT_EQ(snapin->GetName(), QStringLiteral("Horlo"));
    EXPECT_EQ(snapin->GetDescription(), QStringLiteral("Kontrola radnog vremena zaposlenih"));
    EXPECT_EQ(snapin->GetModuleID(), 2011);
    EXPECT_EQ(snapin->GetImage().size(), QSize(16, 16));
    EXPECT_EQ(snapin->GetDataSet()->objectName(), QStringLiteral("EmployeeEventZQ"));
    EXPECT_EQ(viewer->GetModuleID(), 2011);
    EXPECT_EQ(QueryInterface<IViewer>(snapin), viewer);
    EXPECT_EQ(snapin->QueryInterface(IConsole::IID), nullptr);
}

TEST_F(ModuleFixture, LoadTakesTheConnectionOnceFromTheSecurityService) {
    TestDatabase db;
    TZConnection first(db.Params()), second(db.Params());
    std::shared_ptr<ISnapin> snapin = entry()->GetSnapin(console);
    auto viewer = QueryInterface<IViewer>(snapin);
    viewer->InternalCreateFrame();

    // no security service: an error box, and no connection
    viewer->Load(snapin);
    ASSERT_EQ(TDialogScript::Shown().size(), 1);
    EXPECT_EQ(TDialogScript::Shown()[0].kind, QStringLiteral("error"));
    EXPECT_EQ(TDialogScript::Shown()[0].text, Format(_CMN_NO_MODULE, {_CMN_MOD_SECURITY_NAME}));
    EXPECT_EQ(EventConnection(snapin), nullptr);

    // the next Load tries again and gets it
    console->security = std::make_shared<FakeSecurity>();
    console->security->connection = &first;
    viewer->Load(snapin);
    EXPECT_EQ(EventConnection(snapin), &first);
    EXPECT_EQ(console->security->gets, 1);
    EXPECT_EQ(console->security->opens, 1);
    EXPECT_TRUE(first.Connected());

    // connected: no service is asked for at all
    const int requests = console->requests;
    viewer->Load(snapin);
    EXPECT_EQ(console->requests, requests);

    // assigned but closed: a new session, on the connection it has
    first.Disconnect();
    auto replacement = std::make_shared<FakeSecurity>();
    replacement->connection = &second;
    console->security = replacement;
    viewer->Load(snapin);
    EXPECT_EQ(console->requests, requests + 1);
    EXPECT_EQ(replacement->opens, 1);
    EXPECT_EQ(replacement->gets, 0);
    EXPECT_EQ(EventConnection(snapin), &first);
    EXPECT_EQ(TDialogScript::Shown().size(), 1);
    viewer->InternalDestroyFrame();
}

TEST_F(ModuleFixture, ShowMakesTheEventGridThePrintGridAndHideClearsIt) {
    std::shared_ptr<ISnapin> snapin = entry()->GetSnapin(console);
    auto viewer = QueryInterface<IViewer>(snapin);
    viewer->InternalCreateFrame();
    ASSERT_NE(viewer->GetFrame(), nullptr);
    auto* grid = viewer->GetFrame()->findChild<TDBGrid*>(QStringLiteral("DBG"));
    ASSERT_NE(grid, nullptr);
    viewer->Show();
    EXPECT_EQ(console->printGrid, grid);
    viewer->Hide();
    EXPECT_EQ(console->printGrid, nullptr);

    QStringList actions;
    for (QAction* a : viewer->GetActionList())
        actions << a->objectName();
    EXPECT_EQ(actions, (QStringList{QStringLiteral("ColumnsVisibility"), QStringLiteral("ReportAction"),
                                    QStringLiteral("EditEvents"), QStringLiteral("CalendarAction"),
                                    QStringLiteral("AttendanceAction"), QStringLiteral("IDCardsAction"),
                                    QStringLiteral("ImportAction"), QStringLiteral("AccessPointsAction"),
                                    QStringLiteral("AddEventAction"), QStringLiteral("ChangeEventAction"),
                                    QStringLiteral("DeleteEventAction"), QStringLiteral("HistoryAction")}));
    viewer->InternalDestroyFrame();
    EXPECT_EQ(viewer->GetFrame(), nullptr);
    EXPECT_TRUE(viewer->GetActionList().isEmpty());
}

TEST_F(ModuleFixture, UnloadReleasesTheConsoleAndALaterLoadStartsAfresh) {
    TestDatabase db;
    TZConnection connection(db.Params());
    console->security = std::make_shared<FakeSecurity>();
    console->security->connection = &connection;
    {
        std::shared_ptr<ISnapin> snapin = entry()->GetSnapin(console);
        auto viewer = QueryInterface<IViewer>(snapin);
        viewer->InternalCreateFrame();
        viewer->Load(snapin);
        viewer->Show();
        EXPECT_GT(console.use_count(), 1);
        viewer->Hide();
        viewer->InternalDestroyFrame();
    }
    Unload();
    EXPECT_EQ(console.use_count(), 1); // snap-in, viewer, navigator and GlobalConsole let go
    EXPECT_EQ(dlopen(ModulePath().toLocal8Bit().constData(), RTLD_NOW | RTLD_NOLOAD), nullptr);

    Load();
    std::shared_ptr<ISnapin> snapin = entry()->GetSnapin(console);
    EXPECT_EQ(EventConnection(snapin), nullptr); // a new data module, without a connection
    QueryInterface<IViewer>(snapin)->Load(snapin);
    EXPECT_EQ(console->security->gets, 2);
    EXPECT_EQ(EventConnection(snapin), &connection);
}

// The card checks of the data module, through the module as the console loads
// it: their texts must be there whatever order the library starts its files in.
TEST_F(ModuleFixture, CardChecksOfTheLoadedModuleShowTheirMessages) {
    TestDatabase db;
    TZConnection connection(db.Params());
    console->security = std::make_shared<FakeSecurity>();
    console->security->connection = &connection;
    std::shared_ptr<ISnapin> snapin = entry()->GetSnapin(console);
    auto viewer = QueryInterface<IViewer>(snapin);
    viewer->InternalCreateFrame();
    viewer->Load(snapin);
    ASSERT_NE(snapin->GetDataSet(), nullptr);
    auto* cards = snapin->GetDataSet()->parent()->findChild<TZQuery*>(QStringLiteral("EmployeeCardZQ"));
    ASSERT_NE(cards, nullptr);
    cards->Open();
    auto post = [cards](const QString& name, const QVariant& code) -> QString {
        cards->Append();
        cards->FieldByName(QStringLiteral("name"))->SetValue(name.isNull() ? QVariant() : QVariant(name));
        cards->FieldByName(QStringLiteral("cardcode"))->SetValue(code);
        try {
            cards->Post();
        } catch (const std::exception& e) {
            cards->Cancel();
            return QString::fromStdString(e.what());
        }
        return {};
    };
    ASSERT_EQ(post(QStringLiteral("K1"), 1001), QString());

    const QString name = QStringLiteral("ID kartice"), code = QStringLiteral("Kod");
    struct Case {
        QString name;
        QVariant code;
        QString error;
    } cases[] = {{QString(), 1002, Format(_CMN_FIELD_REQUIRED_ERR, {name})},
                 {QStringLiteral(""), 1002, Format(_CMN_FIELD_REQUIRED_ERR, {name})},
                 {QStringLiteral("K1"), 1002, Format(_CMN_FIELD_INVALIDE_ERR, {name})},
                 {QStringLiteral("K2"), 1001, Format(_CMN_FIELD_INVALIDE_ERR, {code})},
                 {QStringLiteral("K2"), QVariant(), Format(_CMN_FIELD_REQUIRED_ERR, {code})},
                 {QStringLiteral("K2"), 1002, QString()}};
    for (const Case& k : cases)
        EXPECT_EQ(post(k.name, k.code).toStdString(), k.error.toStdString()) << k.name.toStdString();
    EXPECT_EQ(connection.Select(QStringLiteral("SELECT COUNT(*) FROM employeecard")).rows[0][0].toInt(), 2);
    cards->Close();
    viewer->InternalDestroyFrame();
}

// A database error while the search keys are prepared is shown; the keys are
// prepared again on the next try, each pick list filled once.
TEST_F(ModuleFixture, SearchKeysAreReadyAfterADatabaseErrorIsMended) {
    TestDatabase db;
    TZConnection connection(db.Params());
    console->security = std::make_shared<FakeSecurity>();
    console->security->connection = &connection;
    std::shared_ptr<ISnapin> snapin = entry()->GetSnapin(console);
    auto viewer = QueryInterface<IViewer>(snapin);
    auto navigator = QueryInterface<INavigable>(snapin);
    viewer->InternalCreateFrame();
    viewer->Load(snapin); // connected: the search form prepares its keys when it is made
    TZConnection& admin = db.Connection();
    admin.Execute(QStringLiteral("RENAME TABLE employeeeventtype TO employeeeventtype_away"));

    EXPECT_NO_THROW(navigator->InternalCreateFrame());
    ASSERT_EQ(TDialogScript::Shown().size(), 1);
    EXPECT_EQ(TDialogScript::Shown()[0].kind, QStringLiteral("error"));
    EXPECT_TRUE(TDialogScript::Shown()[0].text.contains(QStringLiteral("employeeeventtype")));
    auto* form = qobject_cast<TCustomNavigatorForm*>(navigator->GetFrame());
    ASSERT_NE(form, nullptr);
    EXPECT_THROW(navigator->ShowNavigator(), EDatabaseError); // still broken: the host shows it

    admin.Execute(QStringLiteral("RENAME TABLE employeeeventtype_away TO employeeeventtype"));
    form->FindButtonClick(); // the user searches again
    EXPECT_TRUE(snapin->GetDataSet()->Active());
    const QStringList types = form->SearchVLE->ItemProps(QStringLiteral("eventtype")).pickList;
    EXPECT_EQ(types, (QStringList{QStringLiteral("Svi dolasci"), QStringLiteral("Svi odlasci"),
                                  QStringLiteral("Dolazak"), QStringLiteral("Dolazak karticom"),
                                  QStringLiteral("Odlazak"), QStringLiteral("Odlazak karticom")}))
        << types.join(QLatin1Char('|')).toStdString();
    for (const QString& key : {QStringLiteral("afterhour"), QStringLiteral("beforehour")})
        EXPECT_EQ(form->SearchVLE->ItemProps(key).pickList.size(), 24) << key.toStdString();
    navigator->ShowNavigator(); // prepared once only
    EXPECT_EQ(form->SearchVLE->ItemProps(QStringLiteral("eventtype")).pickList, types);
    navigator->InternalDestroyFrame();
    viewer->InternalDestroyFrame();
}
