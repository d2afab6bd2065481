// SPDX-License-Identifier: GPL-3.0-or-later
// The schema files load, as the README says, into whatever database the
// mariadb client is given, and into no other.
#include "tests/support/TestDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

bool DatabaseExists(TZConnection& c, const QString& name) {
    return c.Select(QStringLiteral("SELECT COUNT(*) FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = %1")
                        .arg(c.Quote(name)))
               .rows[0][0]
               .toInt() > 0;
}

} // namespace

TEST(Schema, LoadsIntoTheDatabaseTheClientNames) {
    const QString client = QStandardPaths::findExecutable(QStringLiteral("mariadb"));
    if (client.isEmpty()) GTEST_SKIP() << "the mariadb client is not installed";
    TestDatabase db; // for its server; the files go into a database of their own
    TZConnection& admin = db.Connection();
    const QString name = QStringLiteral("horlo_test_%1_any").arg(QCoreApplication::applicationPid());
    admin.Execute(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
    admin.Execute(QStringLiteral("CREATE DATABASE %1").arg(name));
    const bool horloBefore = DatabaseExists(admin, QStringLiteral("horlo"));

    const TConnectionParams& p = db.Params();
    QStringList arguments{QStringLiteral("--no-defaults"), QStringLiteral("--user=") + p.user};
    if (!p.password.isEmpty()) arguments << QStringLiteral("--password=") + p.password;
    if (!p.socket.isEmpty())
        arguments << QStringLiteral("--socket=") + p.socket;
    else
        arguments << QStringLiteral("--host=") + p.servers[0].host
                  << QStringLiteral("--port=%1").arg(p.servers[0].port);
    arguments << name;
    for (const char* file : {"host.sql", "horlo.sql", "demo.sql"}) {
        QProcess process;
        process.setStandardInputFile(TestDatabase::SchemaDir() + QLatin1Char('/') + QLatin1String(file));
        process.start(client, arguments);
        ASSERT_TRUE(process.waitForFinished(60000)) << file;
        EXPECT_EQ(process.exitCode(), 0) << file << ": " << process.readAllStandardError().toStdString();
    }

    for (const char* table : {"employee", "employeecard", "horloaccesspoint", "employeeevent"})
        EXPECT_GT(admin.Select(QStringLiteral("SELECT COUNT(*) FROM %1.%2").arg(name, QLatin1String(table)))
                      .rows[0][0]
                      .toInt(),
                  0)
            << table;
    EXPECT_EQ(DatabaseExists(admin, QStringLiteral("horlo")), horloBefore);
    admin.Execute(QStringLiteral("DROP DATABASE %1").arg(name));
}
