// SPDX-License-Identifier: GPL-3.0-or-later
// The host console: starting with a bad module, its command line, its window, its
// services, the print wizard, and Qt's dialogs in Serbian.
#include "console/ConsoleServices.h"
#include "console/ConsoleWindow.h"
#include "console/EmployeeChooserDialog.h"
#include "console/EmployeeEditDialog.h"
#include "console/ModuleLoader.h"
#include "console/PrintWizard.h"
#include "console/QtTranslation.h"
#include "host/console/NavigatorForm.h"
#include "host/data/ClientDataSet.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Dialogs.h"
#include "host/ui/Mnemonics.h"
#include "tests/support/TestDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <QtPrintSupport>

#include "HorloVersion.h"

#include <gtest/gtest.h>

namespace {

QString BinDir() {
    return qEnvironmentVariable("HORLO_BIN_DIR", QStringLiteral("bin"));
}

QString LibDir() {
    return qEnvironmentVariable("HORLO_LIB_DIR", QStringLiteral("lib"));
}

struct ConsoleRun {
    int exitCode;
    QString errors;
    QString output;
};

// display: offscreen; else none at all, as a script on a server has
ConsoleRun Console(const QStringList& arguments, bool display = true) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QLatin1String(name));
    if (display) env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.start(BinDir() + QStringLiteral("/horlo-console"), arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {-1, QStringLiteral("did not finish"), QString()};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardError()),
            QString::fromLocal8Bit(process.readAllStandardOutput())};
}

// A user of the test database who logs in with a password.
struct PasswordUser {
    static constexpr char Password[] = "tajna";
    TestDatabase& db;
    QString name = QStringLiteral("horlo_pw_%1").arg(QCoreApplication::applicationPid());
    bool created = false;

    explicit PasswordUser(TestDatabase& database) : db(database) {
        try {
            for (const char* host : {"localhost", "%"}) {
                db.Connection().Execute(QStringLiteral("CREATE OR REPLACE USER '%1'@'%2' IDENTIFIED BY '%3'")
                                            .arg(name, QLatin1String(host), QLatin1String(Password)));
                db.Connection().Execute(QStringLiteral("GRANT ALL ON `%1`.* TO '%2'@'%3'")
                                            .arg(db.Name(), name, QLatin1String(host)));
            }
            created = true;
        } catch (const EDatabaseError&) {
            // the server of HORLO_TEST_DB may not let the tests make users
        }
    }
    ~PasswordUser() {
        for (const char* host : {"localhost", "%"}) {
            try {
                db.Connection().Execute(
                    QStringLiteral("DROP USER IF EXISTS '%1'@'%2'").arg(name, QLatin1String(host)));
            } catch (const EDatabaseError&) {
            }
        }
    }
    TConnectionParams Params() const {
        TConnectionParams p = db.Params();
        p.user = name;
        p.password.clear();
        return p;
    }
};

// A list of 120 numbered rows with a column the form draws itself.
struct PrintFixture : ::testing::Test {
    TClientDataSet rows;
    TDataSource source{&rows};
    TDBGrid grid;
    QTemporaryDir dir;
    int drawnCells = 0;

    void SetUp() override {
        TDialogScript::SetUnattended(true);
        TDialogScript::Reset();
        rows.AddField(QStringLiteral("n"), TFieldType::Integer)->DisplayLabel = QStringLiteral("Broj");
        rows.AddField(QStringLiteral("name"), TFieldType::String, 40)->DisplayLabel = QStringLiteral("Ime");
        rows.CreateDataSet();
        for (int i = 1; i <= 120; ++i) {
            rows.Append();
            rows.FieldByName(QStringLiteral("n"))->SetAsInteger(i);
            rows.FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("Red broj %1").arg(i));
            rows.Post();
        }
        grid.SetDataSource(&source);
        grid.AddColumn(QStringLiteral("n"), 60);
        grid.AddColumn(QString(), 30);
        grid.AddColumn(QStringLiteral("name"), 200);
        grid.OnDrawColumnCell = [this](QPainter& painter, const QRect& rect, int, int column) {
            if (column != 1) return;
            ++drawnCells;
            painter.fillRect(rect.adjusted(4, 4, -4, -4), Qt::darkGreen);
        };
    }
    void TearDown() override {
        TPrintWizard::SetPdfOutput(QString());
        TDialogScript::Reset();
    }
    static int PdfPages(const QString& file) {
        QFile pdf(file);
        if (!pdf.open(QIODevice::ReadOnly)) return -1;
        const QByteArray data = pdf.readAll();
        if (!data.startsWith("%PDF-")) return -1;
        return int(QString::fromLatin1(data).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
    }
};

} // namespace

TEST(ConsoleStart, AMissingModuleOrALibraryWithoutTheEntryPointIsNamedInTheError) {
    QTemporaryDir dir;
    const QString notALibrary = dir.filePath(QStringLiteral("libtext.so"));
    QFile text(notALibrary);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a library");
    text.close();
    struct Case {
        QString module;
        QString mentions;
    } cases[] = {
        {dir.filePath(QStringLiteral("libnothing.so")), QString()},
        {notALibrary, QString()},
        {LibDir() + QStringLiteral("/libvcommon.so"), QStringLiteral("GetSnapinFactory")},
    };
    for (const Case& k : cases) {
        const ConsoleRun run = Console({QStringLiteral("--module"), k.module});
        EXPECT_NE(run.exitCode, 0) << k.module.toStdString();
        EXPECT_TRUE(run.errors.contains(QFileInfo(k.module).absoluteFilePath())) << run.errors.toStdString();
        EXPECT_TRUE(run.errors.contains(k.mentions)) << run.errors.toStdString();
    }
}

TEST(ConsoleStart, SearchesThroughTheModuleAndPrintsTheEventListToAPdf) {
    TestDatabase db;
    db.Connection().ExecuteScript(QStringLiteral(
        "INSERT INTO employee (employeeid, firstname, lastname) VALUES (1, 'Marko', 'Petrović');"
        "INSERT INTO employeeevent (eventtime, employeeeventtypeid, employeeid, horloaccesspointid, "
        "deviceindex) "
        "VALUES ('2024-03-01 08:00:00', 5, 1, 1, 1), ('2024-03-01 16:00:00', 10, 1, 1, 2);"));
    const QString url = db.Params().ToUrl();
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("dogadjaji.pdf"));

    ConsoleRun run = Console({QStringLiteral("--db"), url, QStringLiteral("--search"),
                              QStringLiteral("datefrom=2024-03-01;dateto=2024-03-01"),
                              QStringLiteral("--print-pdf"), pdf});
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(PrintFixture::PdfPages(pdf), 1);

    // a bad key is refused with its warning, which a run without a screen reports on stderr
    run = Console({QStringLiteral("--db"), url, QStringLiteral("--search"), QStringLiteral("afterhour=25"),
                   QStringLiteral("--print-pdf"), pdf});
    EXPECT_TRUE(run.errors.contains(QStringLiteral("\"25\""))) << run.errors.toStdString();

    // a database of a newer schema is refused and left alone: the list stays empty
    db.Connection().Execute(QStringLiteral("INSERT INTO horloschema (version, name) VALUES (99, 'newer')"));
    run = Console({QStringLiteral("--db"), url, QStringLiteral("--print-pdf"), pdf});
    EXPECT_TRUE(run.errors.contains(QStringLiteral("Instalirajte noviji Horlo"))) << run.errors.toStdString();
}

TEST(ConsoleStart, ArgumentsAreReadBeforeTheDisplayAndBadOnesAreRefusedByName) {
    TestDatabase db; // empty: an empty list prints too
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("x.pdf"));
    const QString print = QStringLiteral("--db|%1|--print-pdf|%2|--search|").arg(db.Params().ToUrl(), pdf);
    struct Case {
        QString arguments; // split at '|'; with --print-pdf offscreen, else with no display at all
        int exitCode;
        QString says; // on stdout for 0, else on stderr
    } cases[] = {
        {QStringLiteral("--help"), 0, QStringLiteral("--print-pdf FILE")},
        {QStringLiteral("--version"), 0, QStringLiteral("horlo-console %1\n").arg(kHorloVersion)},
        {QStringLiteral("--nepoznata\x1b[2J"), 2, QStringLiteral("\"--nepoznata\\x1b[2J\"")},
        {QStringLiteral("--db|http://x"), 2, QStringLiteral("http://x")},
        {QStringLiteral("--db|mysql://ana:S3cr3t/x@h/y"), 2, QStringLiteral("\"mysql://ana:…@h/y\"")},
        {QStringLiteral("--db|mysql://ana@h/y|--db-file|f"), 2, QStringLiteral("--db-file")},
        {QStringLiteral("--db|mysql://ana@h/y"), 2, QStringLiteral("Nema ekrana")},
        {QStringLiteral("--screenshot-delay=pola"), 2, QStringLiteral("\"pola\"")},
        {QStringLiteral("--search|datefrom"), 2, QStringLiteral("\"datefrom\"")},
        {print + QStringLiteral("datum=2024-03-01"), 2, QStringLiteral("\"datum\"")},
        {print + QStringLiteral("datefrom=2024-13-01"), 2, QStringLiteral("\"2024-13-01\"")},
        {print + QStringLiteral("afterhour=25"), 2, QStringLiteral("\"25\"")},
        {print + QStringLiteral("employee=Niko Nikić"), 2, QStringLiteral("\"Niko Nikić\"")},
        {print + QStringLiteral("datefrom=1.3.2024;dateto=01.03.2024."), 0, QString()},
    };
    for (const Case& k : cases) {
        QFile::remove(pdf);
        const ConsoleRun run = Console(k.arguments.split(QLatin1Char('|')), k.arguments.contains(pdf));
        const std::string trace = k.arguments.toStdString() + "\n" + run.errors.toStdString();
        EXPECT_EQ(run.exitCode, k.exitCode) << trace;
        EXPECT_TRUE((k.exitCode == 0 ? run.output : run.errors).contains(k.says)) << trace;
        EXPECT_FALSE(run.errors.contains(QLatin1Char('\x1b')) ||
                     run.errors.contains(QStringLiteral("S3cr3t")))
            << trace;
        EXPECT_EQ(QFile::exists(pdf), k.exitCode == 0 && k.arguments.contains(pdf)) << trace; // no empty list
    }
}

// The window with the module loaded: the title names Horlo once, every command
// has its own key (Ctrl+P prints) and Alt+letter, "O programu" says where data lives.
TEST(ConsoleWindow, TitleKeysAndAbout) {
    TDialogScript::SetUnattended(true);
    TestDatabase db;
    TModuleLoader loader;
    ISnapinFactory* factory = loader.Load(LibDir() + QStringLiteral("/libhorlo.so"));
    auto console = std::make_shared<TConsole>();
    console->AddService(ISecurityService::IID, std::make_shared<TSecurityService>(db.Params(), false));
    {
        TConsoleWindow window(console, db.Params().ToDisplayString());
        window.OpenSnapin(factory->GetSnapin(console));
        EXPECT_EQ(window.windowTitle().count(QStringLiteral("Horlo")), 1)
            << window.windowTitle().toStdString();

        auto letter = [](const QString& text) {
            return text.mid(text.indexOf(QLatin1Char('&')) + 1, 1).toLower();
        };
        QMap<QString, QString> byKey;
        EXPECT_TRUE(window.NavigatorForm()->FindButton->text().contains(QLatin1Char('&')));
        QStringList barLetters{letter(window.NavigatorForm()->FindButton->text())};
        for (QAction* top : window.menuBar()->actions()) {
            barLetters << letter(top->text());
            GiveMnemonics(top->menu());
            QSet<QString> letters;
            for (QAction* a : top->menu()->actions()) {
                if (a->isSeparator()) continue;
                EXPECT_TRUE(a->text().contains(QLatin1Char('&')) && !letters.contains(letter(a->text())))
                    << a->text().toStdString();
                letters << letter(a->text());
                const QString key = a->shortcut().toString(QKeySequence::PortableText);
                EXPECT_TRUE(key.isEmpty() || !byKey.contains(key)) << key.toStdString();
                if (!key.isEmpty()) byKey[key] = a->text().remove(QLatin1Char('&'));
            }
        }
        EXPECT_EQ(QSet<QString>(barLetters.begin(), barLetters.end()).size(), barLetters.size())
            << barLetters.join(' ').toStdString();
        EXPECT_EQ(byKey.value(QStringLiteral("Ctrl+P")), QStringLiteral("Štampa..."));
        for (const char* command : {"Uvoz", "ID kartice", "Prisustvo", "Izveštaj"})
            EXPECT_TRUE(byKey.values().contains(QString::fromUtf8(command))) << command;
        for (const QString& part : {QString::fromLatin1(kHorloVersion), db.Params().ToDisplayString(),
                                    QStringLiteral("HORLO_HOME")})
            EXPECT_TRUE(window.AboutText().contains(part)) << part.toStdString();

        // Enter searches also where the keys end, on the focused "Traži"
        db.Connection().ExecuteScript(QStringLiteral(
            "INSERT INTO employee (employeeid, firstname, lastname) VALUES (1, 'Marko', 'Petrović');"
            "INSERT INTO employeeevent (eventtime, employeeeventtypeid, employeeid, horloaccesspointid, "
            "deviceindex) VALUES ('2024-03-01 08:00:00', 5, 1, 1, 1);"));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(window.NavigatorForm()->FindButton, &enter);
        EXPECT_EQ(window.findChild<TDBGrid*>()->model()->rowCount(), 1);
        window.CloseSnapin();
    }
    loader.Unload();
}

TEST(PrintParams, TitleAndHeaderLines) {
    struct Case {
        QString params;
        QString title;
        QStringList header;
    } cases[] = {
        {QStringLiteral("title:Prisustvo;header:Od datuma 01.03.2024\r\nDo datuma 31.03.2024"),
         QStringLiteral("Prisustvo"),
         {QStringLiteral("Od datuma 01.03.2024"), QStringLiteral("Do datuma 31.03.2024")}},
        {QStringLiteral("title:Kalendar;header:mart 2024"),
         QStringLiteral("Kalendar"),
         {QStringLiteral("mart 2024")}},
        {QStringLiteral("title:Samo naslov"), QStringLiteral("Samo naslov"), {}},
        {QStringLiteral("title:A; B;header:"), QStringLiteral("A; B"), {}},
        {QStringLiteral("title:;header:x\ny"), QString(), {QStringLiteral("x"), QStringLiteral("y")}},
    };
    for (const Case& k : cases) {
        const TPrintParams p = TPrintParams::Parse(k.params);
        EXPECT_EQ(p.title, k.title) << k.params.toStdString();
        EXPECT_EQ(p.header, k.header) << k.params.toStdString();
    }
}

TEST_F(PrintFixture, WizardWritesTheGridUnderTitleAndHeaderToAPdf) {
    TPrintWizard wizard(&grid,
                        QStringLiteral("title:Spisak;header:Od datuma 01.03.2024\r\nDo datuma 31.03.2024"));
    const QString file = dir.filePath(QStringLiteral("spisak.pdf"));
    wizard.SaveAsPdf(file);
    const int pages = PdfPages(file);
    EXPECT_GT(pages, 1); // 120 rows do not fit on one page
    EXPECT_EQ(drawnCells, 120);

    // through the console, with the wizard's seam instead of the preview
    TConsole console;
    const QString viaConsole = dir.filePath(QStringLiteral("konzola.pdf"));
    TPrintWizard::SetPdfOutput(viaConsole);
    EXPECT_TRUE(console.RunModule(_CMN_PRINT_WIZ_NAME, QStringLiteral("title:x")));
    EXPECT_TRUE(TDialogScript::Shown().last().kind == QStringLiteral("warning")); // no print grid yet
    EXPECT_FALSE(QFile::exists(viaConsole));
    console.SetPrintGrid(&grid);
    EXPECT_TRUE(console.RunModule(_CMN_PRINT_WIZ_NAME, QStringLiteral("title:x")));
    EXPECT_GT(PdfPages(viaConsole), 1);
    EXPECT_FALSE(console.RunModule(QStringLiteral("Nepoznat"), QString()));
    EXPECT_EQ(TDialogScript::Shown().last().text, Format(_CMN_NO_MODULE, {QStringLiteral("Nepoznat")}));

    EXPECT_THROW(wizard.SaveAsPdf(dir.filePath(QStringLiteral("no/such/dir/x.pdf"))), std::runtime_error);
}

TEST_F(PrintFixture, WizardSavesWhatTheGridShowsAsCsv) {
    grid.SetColumnVisible(1, false);
    TPrintWizard wizard(&grid, QStringLiteral("title:Spisak;header:"));
    const QString file = dir.filePath(QStringLiteral("spisak.csv"));
    wizard.SaveAsCsv(file);
    QFile csv(file);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    // past the BOM: the title, a blank line, the header, the rows, nothing after the last line end
    const QStringList lines = QString::fromUtf8(csv.readAll().mid(3)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3 + 120 + 1);
    EXPECT_EQ(lines[0], QStringLiteral("Spisak"));
    EXPECT_EQ(lines[2], QStringLiteral("Broj;Ime"));
    EXPECT_EQ(lines[3], QStringLiteral("1;Red broj 1"));
    EXPECT_EQ(lines[122], QStringLiteral("120;Red broj 120"));
    EXPECT_TRUE(lines[123].isEmpty());
    EXPECT_THROW(wizard.SaveAsCsv(dir.filePath(QStringLiteral("no/such/dir/x.csv"))), std::runtime_error);
}

TEST(EmployeeChooser, ChoosesFromTheSearchableListOfEmployees) {
    TDialogScript::SetUnattended(true);
    TDialogScript::Reset();
    TestDatabase db;
    db.Connection().ExecuteScript(QStringLiteral(
        "INSERT INTO employee (employeeid, firstname, lastname, code, vocation) VALUES "
        "(1, 'Marko', 'Petrović', '0001', 'Programer'), (2, 'Jelena', 'Jovanović', '0002', 'Računovođa'), "
        "(3, 'Ana', 'Jovanović', '100%', 'Programer');"));
    auto security = std::make_shared<TSecurityService>(db.Params(), false);
    TEmployeeChooser chooser(security);

    std::shared_ptr<TDataSet> employee;
    TDialogScript::SetNextEmployee(2);
    ASSERT_TRUE(chooser.ChooseEmployee(employee)); // opens the session itself
    EXPECT_EQ(employee->FieldByName(QStringLiteral("lastname"))->AsString(), QStringLiteral("Jovanović"));
    EXPECT_EQ(employee->FieldByName(QStringLiteral("firstname"))->AsString(), QStringLiteral("Jelena"));
    TEmployeeDesc desc;
    TDialogScript::SetNextEmployee(1);
    ASSERT_TRUE(chooser.ChooseEmployeeDesc(desc));
    EXPECT_EQ(desc.employeeId, 1);
    EXPECT_EQ(desc.lastName, QStringLiteral("Petrović"));
    EXPECT_FALSE(chooser.ChooseEmployee(employee)); // unanswered: cancelled
    TDialogScript::SetNextEmployee(99);
    EXPECT_FALSE(chooser.ChooseEmployee(employee));

    TEmployeeChooserDialog dialog(*security->GetConnection());
    struct Case {
        QString text;
        int rows;
    } cases[] = {{QString(), 3},
                 {QStringLiteral("jov"), 2},
                 {QStringLiteral("jovanović ana"), 1},
                 {QStringLiteral("programer"), 2},
                 {QStringLiteral("%"), 1},
                 {QStringLiteral("'"), 0}};
    for (const Case& k : cases) {
        dialog.Filter(k.text);
        EXPECT_EQ(dialog.EmployeeDBG->model()->rowCount(), k.rows) << k.text.toStdString();
    }

    // "Novi…": a code in use is refused and said; the stored one is shown even past the search
    TEmployeeEditDialog form(*security->GetConnection(), 0);
    form.CodeEdit->setText(QStringLiteral("0002"));
    form.FirstNameEdit->setText(QStringLiteral("Iva"));
    form.LastNameEdit->setText(QStringLiteral("Ivić"));
    EXPECT_FALSE(form.Save());
    EXPECT_TRUE(TDialogScript::Shown().last().text.contains(QStringLiteral("Jovanović Jelena")));
    form.CodeEdit->setText(QStringLiteral("0004"));
    ASSERT_TRUE(form.Save());
    dialog.Filter(QStringLiteral("jov"));
    dialog.ShowStored(form.EmployeeID());
    EXPECT_EQ(dialog.EmployeeID(), form.EmployeeID());
    EXPECT_EQ(dialog.EmployeeDBG->model()->rowCount(), 4);
    TDialogScript::Reset();
}

// A refused password is asked for again, up to the cap; every new login asks
// afresh; a cancelled one leaves the connection closed.
TEST(Login, ARefusedPasswordIsAskedForAgain) {
    TDialogScript::SetUnattended(true);
    TestDatabase db;
    PasswordUser user(db);
    if (!user.created) GTEST_SKIP() << "the test server does not let the tests make users";
    const QString right = QLatin1String(PasswordUser::Password), wrong = QStringLiteral("kriva");
    struct Case {
        QStringList answers; // a null entry cancels
        bool connected;
        bool cancelled;
        bool throws;
    } cases[] = {{{right}, true, false, false},
                 {{wrong, right}, true, false, false},
                 {{wrong, wrong, right}, true, false, false},
                 {{wrong, wrong, wrong}, false, false, true},
                 {{wrong, QString()}, false, true, false},
                 {{QString()}, false, true, false}};
    for (const Case& k : cases) {
        TDialogScript::Reset();
        for (const QString& answer : k.answers)
            TDialogScript::SetNextText(answer);
        TSecurityService security(user.Params(), true);
        bool threw = false;
        try {
            security.OpenSession();
        } catch (const EDatabaseError& e) {
            threw = true;
            EXPECT_TRUE(e.Message().contains(QString::number(TSecurityService::LoginAttempts))) << e.what();
        }
        const std::string trace = k.answers.join(QLatin1Char('/')).toStdString();
        EXPECT_EQ(security.GetConnection()->Connected(), k.connected) << trace;
        EXPECT_EQ(security.LoginCancelled(), k.cancelled) << trace;
        EXPECT_EQ(threw, k.throws) << trace;
        ASSERT_EQ(TDialogScript::Shown().size(), k.answers.size()) << trace; // every answer was asked for
        for (qsizetype i = 0; i < TDialogScript::Shown().size(); ++i) {
            EXPECT_EQ(TDialogScript::Shown()[i].kind, QStringLiteral("password"));
            EXPECT_EQ(TDialogScript::Shown()[i].text.startsWith(QStringLiteral("Lozinka nije prihvaćena")),
                      i > 0)
                << trace;
        }
        if (k.connected) continue;
        // the next login asks again instead of trying the refused password
        TDialogScript::Reset();
        TDialogScript::SetNextText(right);
        security.OpenSession();
        EXPECT_TRUE(security.GetConnection()->Connected()) << trace;
        EXPECT_EQ(TDialogScript::Shown().size(), 1) << trace;
    }
    TDialogScript::Reset();
}

TEST(ConsoleStart, CancellingTheLoginEndsTheConsole) {
    TestDatabase db;
    PasswordUser user(db);
    if (!user.created) GTEST_SKIP() << "the test server does not let the tests make users";
    // offscreen nobody answers: the password entry is cancelled
    const ConsoleRun run =
        Console({QStringLiteral("--db"), user.Params().ToUrl(), QStringLiteral("--ask-password")});
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(QStringLiteral("Prijava je otkazana"))) << run.errors.toStdString();
}

// No English text of Qt's print preview, print, page setup, file and message
// dialogs is left once the console's translation is installed; paper names (A4,
// Letter), numbers and paths are the same in every language.
TEST(QtTranslation, QtsDialogsShowNoEnglish) {
    auto texts = [](QWidget* window) {
        QStringList shown;
        const QList<QWidget*> widgets = window->findChildren<QWidget*>() << window;
        for (QWidget* w : widgets) {
            shown << w->windowTitle() << w->toolTip();
            if (auto* b = qobject_cast<QAbstractButton*>(w)) shown << b->text();
            if (auto* l = qobject_cast<QLabel*>(w)) shown << l->text();
            if (auto* g = qobject_cast<QGroupBox*>(w)) shown << g->title();
            for (int i = 0; qobject_cast<QComboBox*>(w) && i < qobject_cast<QComboBox*>(w)->count(); ++i)
                shown << qobject_cast<QComboBox*>(w)->itemText(i);
            for (QAction* a : w->actions())
                shown << a->text() << a->toolTip();
        }
        return shown;
    };
    QPrinter printer(QPrinter::HighResolution);
    const std::function<QWidget*()> dialogs[] = {
        [&printer] { return new QPrintPreviewDialog(&printer); },
        [&printer] { return new QPrintDialog(&printer); },
        [&printer] { return new QPageSetupDialog(&printer); },
        [] {
            auto* files = new QFileDialog;
            files->setOption(QFileDialog::DontUseNativeDialog);
            return files;
        },
        [] { return new QMessageBox(QMessageBox::NoIcon, {}, {}, QMessageBox::Ok | QMessageBox::Cancel); }};
    QStringList sameEverywhere;
    for (int id = 0; id <= QPageSize::LastPageSize; ++id)
        sameEverywhere << QPageSize::name(QPageSize::PageSizeId(id));
    for (const auto& make : dialogs) {
        const std::unique_ptr<QWidget> english(make());
        QTranslator* translator = InstallQtTranslation();
        ASSERT_NE(translator, nullptr);
        const std::unique_ptr<QWidget> serbian(make());
        const QStringList translated = texts(serbian.get());
        QCoreApplication::removeTranslator(translator);
        delete translator;
        for (const QString& text : texts(english.get())) {
            const bool words = text.contains(QRegularExpression(QStringLiteral("[A-Za-z]{2}")));
            if (words && !text.contains(QLatin1Char('/')) && !sameEverywhere.contains(text)) {
                EXPECT_FALSE(translated.contains(text))
                    << english->metaObject()->className() << ": " << text.toStdString();
            }
        }
    }
}
