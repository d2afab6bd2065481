// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/TestDatabase.h"

#include <QCoreApplication>
#include <QFile>

#include <atomic>
#include <stdexcept>
#include <unistd.h>

namespace {

TConnectionParams ServerParams() {
    const QString url = qEnvironmentVariable("HORLO_TEST_DB");
    if (!url.isEmpty()) return TConnectionParams::FromUrl(url);
    TConnectionParams p;
    p.socket = qEnvironmentVariable("HORLO_TEST_SOCKET");
    if (p.socket.isEmpty())
        throw std::runtime_error("HORLO_TEST_SOCKET or HORLO_TEST_DB must name the test server");
    p.user = QStringLiteral("root");
    p.database = QStringLiteral("mysql");
    return p;
}

QString ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error(("cannot read " + path).toStdString());
    return QString::fromUtf8(file.readAll());
}

} // namespace

QString TestDatabase::SchemaDir() {
    const QString dir = qEnvironmentVariable("HORLO_SCHEMA_DIR");
    return dir.isEmpty() ? QStringLiteral("schema") : dir;
}

TestDatabase::TestDatabase(TSchema schema) : TestDatabase(ServerParams(), schema) {}

TestDatabase::TestDatabase(const TConnectionParams& server, TSchema schema) {
    static std::atomic<int> counter{0};
    m_params = server;
    m_admin = std::make_unique<TZConnection>(m_params);
    m_admin->Connect();
    const QString name = QStringLiteral("horlo_test_%1_%2").arg(getpid()).arg(++counter);
    m_admin->Execute(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
    m_admin->Execute(
        QStringLiteral("CREATE DATABASE %1 CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci").arg(name));
    m_params.database = name;
    m_connection = std::make_unique<TZConnection>(m_params);
    m_connection->Connect();
    if (schema == TSchema::None) return;
    LoadSchemaFile(QStringLiteral("host.sql"));
    LoadSchemaFile(QStringLiteral("horlo.sql"));
}

TestDatabase::~TestDatabase() {
    m_connection.reset();
    try {
        m_admin->Execute(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(m_params.database));
    } catch (const EDatabaseError&) {
    }
}

std::unique_ptr<TZConnection> TestDatabase::NewConnection() const {
    auto c = std::make_unique<TZConnection>(m_params);
    c->Connect();
    return c;
}

void TestDatabase::LoadSchemaFile(const QString& fileName) {
    m_connection->ExecuteScript(ReadFile(SchemaDir() + QLatin1Char('/') + fileName));
}
