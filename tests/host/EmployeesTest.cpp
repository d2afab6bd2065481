// SPDX-License-Identifier: GPL-3.0-or-later
// The personnel job behind the console's employee form and `horlo employee`: what
// is stored, refused and warned about, and the CSV import's dry run and its
// all-or-nothing apply.
#include "host/data/EmployeeImport.h"
#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>

namespace {

TEmployee Employee(const char* code, const char* first, const char* last) {
    TEmployee e;
    e.code = QString::fromUtf8(code);
    e.firstName = QString::fromUtf8(first);
    e.lastName = QString::fromUtf8(last);
    return e;
}

} // namespace

TEST(Employees, AddedChangedRefusedAndWarnedAbout) {
    TestDatabase db;
    TZConnection& c = db.Connection();
    c.Execute(
        QStringLiteral("INSERT INTO workingstate (workingstateid, description) VALUES (3, 'Bolovanje')"));
    ASSERT_TRUE(SaveEmployee(c, Employee("001", "Marko", "Petrović")).added);
    const qint64 ana = SaveEmployee(c, Employee("002", "Ana", "Ilić")).id;
    struct Case {
        const char* name;
        std::function<void(TEmployee&)> edit; // of Ana, or of a new employee "003" when ana is false
        bool ana;
        const char* error;   // part of the refusal; nullptr: stored
        const char* outcome; // part of a change, or of a warning
    } cases[] = {
        {"new", [](TEmployee& e) { e.from = QDate(2026, 1, 5); }, false, nullptr, ""},
        {"JMBG of 12 digits", [](TEmployee& e) { e.personalId = QStringLiteral("010199071000"); }, false,
         nullptr, "nema 13 cifara"},
        {"code in use, with blanks around it", [](TEmployee& e) { e.code = QStringLiteral(" 001 "); }, false,
         "zaposlenog Petrović Marko", nullptr},
        {"no last name", [](TEmployee& e) { e.lastName = QStringLiteral("  "); }, false, "moraju biti zadati",
         nullptr},
        {"no code", [](TEmployee& e) { e.code.clear(); }, false, "Šifra zaposlenog mora", nullptr},
        {"name too long", [](TEmployee& e) { e.firstName = QString(51, QLatin1Char('x')); }, false,
         "duže od 50", nullptr},
        {"end before start",
         [](TEmployee& e) {
             e.from = QDate(2026, 3, 1);
             e.to = QDate(2026, 2, 28);
         },
         true, "pre početka", nullptr},
        {"unknown working state", [](TEmployee& e) { e.workingStateId = 99; }, true, "ne postoji", nullptr},
        {"change", [](TEmployee& e) { e.vocation = QStringLiteral("Vozač"); }, true, nullptr,
         "Radno mesto: \"\" → \"Vozač\""},
        {"working state and start",
         [](TEmployee& e) {
             e.workingStateId = 3;
             e.from = QDate(2026, 2, 2);
         },
         true, nullptr, "Radni status: \"\" → \"Bolovanje\""},
        {"nothing to change", [](TEmployee&) {}, true, nullptr, nullptr},
        {"another's code", [](TEmployee& e) { e.code = QStringLiteral("001"); }, true, "Petrović Marko",
         nullptr},
    };
    for (const Case& k : cases) {
        TEmployee e = k.ana ? *EmployeeById(c, ana) : Employee("003", "Vid", "Novi");
        k.edit(e);
        const TEmployeeOutcome o = SaveEmployee(c, e);
        EXPECT_EQ(o.ok, k.error == nullptr) << k.name << ": " << o.error.toStdString();
        const QString said = (QStringList{o.error} + o.changes + o.warnings).join('|');
        EXPECT_TRUE(said.contains(QString::fromUtf8(k.error     ? k.error
                                                    : k.outcome ? k.outcome
                                                                : "")))
            << k.name << ": " << said.toStdString();
        EXPECT_TRUE(k.error || k.outcome || (o.changes.isEmpty() && o.warnings.isEmpty())) << k.name;
        if (!k.ana && o.ok) c.Execute(QStringLiteral("DELETE FROM employee WHERE code = '003'"));
    }
    // the start of work follows the first day while it has none, and then stays
    const TEmployee stored = *EmployeeById(c, ana);
    EXPECT_EQ(stored.started, QDate(2026, 2, 2));
    EXPECT_EQ(stored.workingState, QStringLiteral("Bolovanje"));
    EXPECT_EQ(EmployeeList(c, false).size(), 2u);
}

TEST(EmployeeImport, ADryRunTellsEachRowAndApplyStoresAllOrNothing) {
    TestDatabase db;
    TZConnection& c = db.Connection();
    TEmployee ana = Employee("002", "Ana", "Ilić");
    ana.vocation = QStringLiteral("Magacioner");
    ASSERT_TRUE(SaveEmployee(c, ana).ok);
    // as a spreadsheet saves it: byte order mark, semicolons, quotes, a blank line, CR LF
    const QByteArray sheet =
        "\xEF\xBB\xBF"
        "Code;FirstName;LastName;personalidentificator;vocation;workingfromdate;napomena\r\n"
        "001;Marko;Petrović;0101990710005;\"Vozač; kombi\";1.3.2026.;\r\n"
        "002;Ana;Ilić;;Magacioner;;x\r\n"
        ";;;;;;\r\n"
        "003;Đorđe;\"Šaper \"\"Đole\"\"\";123;;2026-03-02;\r\n";
    const auto run = [&](const QByteArray& file, bool apply) { return ImportEmployees(c, file, apply); };
    TEmployeeImport dry = run(sheet, false);
    using A = TEmployeeImportRow::TAction;
    ASSERT_TRUE(dry.error.isEmpty()) << dry.error.toStdString();
    EXPECT_EQ(dry.ignoredColumns, QStringList{QStringLiteral("napomena")});
    ASSERT_EQ(dry.rows.size(), 3u);
    EXPECT_EQ(dry.rows[0].action, A::Add);
    EXPECT_EQ(dry.rows[0].employee.vocation, QStringLiteral("Vozač; kombi"));
    EXPECT_EQ(dry.rows[0].employee.from, QDate(2026, 3, 1));
    EXPECT_EQ(dry.rows[1].action, A::Same);
    EXPECT_EQ(dry.rows[2].line, 5);
    EXPECT_EQ(dry.rows[2].employee.lastName, QStringLiteral("Šaper \"Đole\""));
    EXPECT_EQ(dry.rows[2].warnings.size(), 1u);  // JMBG 123
    EXPECT_EQ(EmployeeList(c, true).size(), 1u); // a dry run stores nothing

    // one bad row: nothing stored; the same file mended: all of it
    QByteArray bad = sheet;
    bad.replace("2026-03-02", "2026-02-30");
    const TEmployeeImport refused = run(bad, true);
    EXPECT_FALSE(refused.applied);
    EXPECT_EQ(refused.Count(A::Refused), 1);
    EXPECT_EQ(EmployeeList(c, true).size(), 1u);
    const TEmployeeImport applied = run(sheet, true);
    EXPECT_TRUE(applied.applied);
    EXPECT_EQ(EmployeeList(c, true).size(), 3u);
    EXPECT_EQ(run(sheet, false).Count(A::Same), 3); // imported again: nothing to do

    // a change of a column the file has, a code twice, and files that cannot be taken
    const TEmployeeImport change =
        run("code,firstname,lastname,vocation\n002,Ana,Ilić,Vozač\n002,A,B,C\n", false);
    EXPECT_EQ(change.rows[0].action, A::Change);
    EXPECT_TRUE(change.rows[1].error.contains(QStringLiteral("već u redu 2")))
        << change.rows[1].error.toStdString();
    for (const auto& [file, says] :
         {std::pair{QByteArray("code,lastname\n1,X\n"), "firstname"},
          std::pair{QByteArray("code,firstname,lastname\n\xC8\n"), "UTF-8"},
          std::pair{QByteArray("code,firstname,lastname\n\"1,A,B\n"), "nije zatvoren"},
          std::pair{QByteArray(), "prazna"}})
        EXPECT_TRUE(run(file, true).error.contains(QString::fromUtf8(says))) << says;
    EXPECT_EQ(EmployeeById(c, EmployeeByCode(c, QStringLiteral("002"))->id)->vocation,
              QStringLiteral("Magacioner"));
}
