// SPDX-License-Identifier: GPL-3.0-or-later
// `horlo db init|upgrade|version` and the refusal of a database of another
// schema version, run as programs.
#include "host/data/SysUtils.h"
#include "tests/support/HorloProgram.h"
#include "tests/support/TestDatabase.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// Tables, columns and keys as the server describes them, and the rows the
// program relies on (versions, lock rows).
std::string Describe(TZConnection& c) {
    QStringList lines;
    const char* queries[] = {
        "SELECT table_name, column_name, ordinal_position, column_type, is_nullable, column_default, extra "
        "FROM information_schema.columns WHERE table_schema = DATABASE() ORDER BY 1, 3",
        "SELECT table_name, index_name, non_unique, seq_in_index, column_name FROM "
        "information_schema.statistics "
        "WHERE table_schema = DATABASE() ORDER BY 1, 2, 4",
        "SELECT version, name FROM horloschema ORDER BY version", "SELECT name FROM horlolock ORDER BY name",
        "SELECT employeeeventtypeid, direction, defaultevent, pairid, name FROM employeeeventtype ORDER BY "
        "1"};
    for (const char* sql : queries)
        for (const auto& row : c.Select(QString::fromLatin1(sql)).rows) {
            QStringList cells;
            for (const QVariant& v : row)
                cells << (v.isNull() ? QStringLiteral("NULL") : v.toString());
            lines << cells.join(QLatin1Char('|'));
        }
    return lines.join(QLatin1Char('\n')).toStdString();
}

// The schema this project started with, as it is in the repository's history
// (it named its database itself).
void LoadFirstSchema(TZConnection& c) {
    static const QRegularExpression ownDatabase(QStringLiteral("^(CREATE DATABASE|USE) [^\n]*\n"),
                                                QRegularExpression::MultilineOption);
    for (const char* name : {"host.sql", "horlo.sql"}) {
        QFile file(QStringLiteral(HORLO_FIRST_SCHEMA_DIR "/") + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        c.ExecuteScript(QString::fromUtf8(file.readAll()).remove(ownDatabase));
    }
}

int TableCount(TZConnection& c) {
    return c
        .Select(
            QStringLiteral("SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = DATABASE()"))
        .rows[0][0]
        .toInt();
}

} // namespace

TEST(SchemaCli, EachVersionOfADatabaseIsToldAndUpgradedOrRefused) {
    struct TCase {
        const char* name;
        TestDatabase::TSchema schema;
        std::function<void(TZConnection&)> prepare;
        const char* version; // what `db version` prints ("newest": the program's); nullptr: it fails
        int commandStatus;   // of an ordinary command
        const char* refusal; // in that command's message
        int upgradeStatus;
    } cases[] = {
        {"first schema", TestDatabase::TSchema::None, LoadFirstSchema, "0", 2, "db upgrade", 0},
        {"first schema with a door's record stored twice", TestDatabase::TSchema::None,
         [](TZConnection& c) {
             LoadFirstSchema(c);
             for (int i = 0; i < 2; ++i)
                 c.Execute(QStringLiteral("INSERT INTO employeeeventraw (eventtime, employeeeventtypeid, "
                                          "horloaccesspointid, cardcode, deviceindex) VALUES "
                                          "('2026-11-02 08:00:00', 15, 1, 1001, 7)"));
         },
         "0", 2, "db upgrade", 1},
        {"first schema with two doors on one address", TestDatabase::TSchema::None,
         [](TZConnection& c) {
             LoadFirstSchema(c);
             c.Execute(
                 QStringLiteral("INSERT INTO horloaccesspoint (name, macaddress, localip, publicip, udpport, "
                                "tcpport) VALUES ('A', '', '10.0.0.2', '', 5001, 0), ('B', '', '10.0.0.2', "
                                "'', 5001, 0)"));
         },
         "0", 2, "db upgrade", 1},
        {"current", TestDatabase::TSchema::Current, [](TZConnection&) {}, "newest", 0, "", 0},
        {"a step that landed after a higher one", TestDatabase::TSchema::Current,
         [](TZConnection& c) { c.Execute(QStringLiteral("DELETE FROM horloschema WHERE version = 2")); }, "1",
         2, "db upgrade", 0},
        {"newer", TestDatabase::TSchema::Current,
         [](TZConnection& c) {
             c.Execute(QStringLiteral("INSERT INTO horloschema (version, name) VALUES (99, 'x')"));
         },
         "99", 2, "Instalirajte noviji Horlo", 1},
        {"empty", TestDatabase::TSchema::None, [](TZConnection&) {}, nullptr, 2, "db init", 1},
    };
    TestDatabase fresh;
    const QString newest = fresh.Connection()
                               .Select(QStringLiteral("SELECT MAX(version) FROM horloschema"))
                               .rows[0][0]
                               .toString();
    for (const TCase& k : cases) {
        SCOPED_TRACE(k.name);
        TestDatabase db(k.schema);
        k.prepare(db.Connection());
        const QString url = db.Params().ToUrl();
        const THorloRun version = RunHorlo({QStringLiteral("db"), QStringLiteral("version")}, url);
        if (k.version) {
            EXPECT_EQ(version.status, 0) << version.err.toStdString();
            EXPECT_EQ(version.out.trimmed(),
                      qstrcmp(k.version, "newest") == 0 ? newest : QString::fromUtf8(k.version));
        } else {
            EXPECT_EQ(version.status, 1);
        }
        const THorloRun command = RunHorlo({QStringLiteral("process")}, url);
        EXPECT_EQ(command.status, k.commandStatus) << command.err.toStdString();
        EXPECT_TRUE(command.err.contains(QString::fromUtf8(k.refusal))) << command.err.toStdString();

        const bool current = qstrcmp(k.version, "newest") == 0;
        const std::string before = current ? Describe(db.Connection()) : std::string();
        const THorloRun upgrade = RunHorlo({QStringLiteral("db"), QStringLiteral("upgrade")}, url);
        EXPECT_EQ(upgrade.status, k.upgradeStatus) << upgrade.err.toStdString();
        if (k.upgradeStatus != 0) continue;
        // up to date: the tables, columns and keys of a new database, and no step runs twice
        EXPECT_EQ(Describe(db.Connection()), Describe(fresh.Connection()));
        EXPECT_EQ(RunHorlo({QStringLiteral("db"), QStringLiteral("upgrade")}, url).status, 0);
        EXPECT_EQ(RunHorlo({QStringLiteral("process")}, url).status, 0);
        if (current) {
            EXPECT_EQ(Describe(db.Connection()), before);
        }
    }
}

TEST(SchemaCli, InitLoadsTheSchemaOnlyIntoAnEmptyDatabase) {
    TestDatabase fresh;
    TestDatabase empty(TestDatabase::TSchema::None);
    const THorloRun init = RunHorlo({QStringLiteral("db"), QStringLiteral("init")}, empty.Params().ToUrl());
    EXPECT_EQ(init.status, 0) << init.err.toStdString();
    EXPECT_EQ(Describe(empty.Connection()), Describe(fresh.Connection()));

    TestDatabase used(TestDatabase::TSchema::None);
    used.Connection().Execute(QStringLiteral("CREATE TABLE other (id INT PRIMARY KEY)"));
    const THorloRun refused = RunHorlo({QStringLiteral("db"), QStringLiteral("init")}, used.Params().ToUrl());
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("Ništa nije upisano"))) << refused.err.toStdString();
    EXPECT_EQ(TableCount(used.Connection()), 1);
}

// Doubles that concurrent use stored before the unique keys stop the upgrade
// before any step: every blocking key is named at once, each with the statement
// that lists its doubles; once they are gone the upgrade goes through.
TEST(SchemaCli, AnUpgradeNamesEveryKeyThatDoublesBlock) {
    TestDatabase db(TestDatabase::TSchema::None);
    TZConnection& c = db.Connection();
    LoadFirstSchema(c);
    c.Execute(QStringLiteral("INSERT INTO employeeevent (eventtime, employeeeventtypeid, horloaccesspointid, "
                             "deviceindex, employeeeventrawid) VALUES ('2024-03-01 08:00', 5, 1, 1, 7), "
                             "('2024-03-01 08:00', 5, 1, 1, 7), ('2024-03-01 09:00', 5, 1, 2, NULL), "
                             "('2024-03-01 09:00', 5, 1, 2, NULL)"));
    c.Execute(QStringLiteral("INSERT INTO horloworkcalendar (year, month, workcalendardate) VALUES "
                             "(2024, 3, '2024-03-01'), (2024, 3, '2024-03-01')"));
    c.Execute(
        QStringLiteral("INSERT INTO horloattendance (employeeid, attendancedate) VALUES (4, '2024-03-01'), "
                       "(4, '2024-03-01'), (5, '2024-03-01'), (5, '2024-03-01')"));
    const QString url = db.Params().ToUrl();
    const THorloRun blocked = RunHorlo({QStringLiteral("db"), QStringLiteral("upgrade")}, url);
    EXPECT_EQ(blocked.status, 1);
    EXPECT_TRUE(blocked.out.isEmpty()) << blocked.out.toStdString(); // no step began
    EXPECT_FALSE(blocked.err.contains(QStringLiteral("Koraci pre"))) << blocked.err.toStdString();
    EXPECT_FALSE(blocked.err.contains(QStringLiteral(".."))) << blocked.err.toStdString();
    struct Blocked {
        const char* key;
        int doubled;
    } keys[] = {{"employeeevent_raw", 1}, {"horloworkcalendar_date", 1}, {"horloattendance_employee", 2}};
    const QStringList lines = blocked.err.split(QLatin1Char('\n'));
    for (const Blocked& k : keys) {
        const qsizetype at = lines.indexOf(QRegularExpression(
            QStringLiteral("  Korak 1, ključ %1 .*: %2\\. Navodi ih:").arg(k.key).arg(k.doubled)));
        ASSERT_GE(at, 0) << k.key << blocked.err.toStdString();
        // the statement lists the doubles as the message counts them
        EXPECT_EQ(c.Select(lines[at + 1].trimmed().chopped(1)).rows.size(), size_t(k.doubled)) << k.key;
    }
    EXPECT_EQ(c.Select(QStringLiteral("SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = "
                                      "DATABASE() AND table_name = 'horloschema'"))
                  .rows[0][0]
                  .toInt(),
              0);
    c.Execute(QStringLiteral("DELETE FROM employeeevent WHERE employeeeventid = 2"));
    c.Execute(QStringLiteral("DELETE FROM horloworkcalendar WHERE horloworkcalendarid = 2"));
    c.Execute(QStringLiteral("DELETE FROM horloattendance WHERE horloattendanceid IN (2, 4)"));
    const THorloRun upgrade = RunHorlo({QStringLiteral("db"), QStringLiteral("upgrade")}, url);
    EXPECT_EQ(upgrade.status, 0) << upgrade.err.toStdString();
}
