// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh database made from schema/ for one test, on the test run's private
// server (HORLO_TEST_SOCKET) or on the server that HORLO_TEST_DB names.
#pragma once

#include "host/data/Database.h"

#include <QString>

#include <memory>

class TestDatabase {
public:
    enum class TSchema { Current, None };
    // Creates the database and loads schema/host.sql and schema/horlo.sql
    // (with TSchema::None: leaves it empty).
    explicit TestDatabase(TSchema schema = TSchema::Current);
    // The same on the server (or cluster node) that server names.
    explicit TestDatabase(const TConnectionParams& server, TSchema schema = TSchema::Current);
    ~TestDatabase();

    TZConnection& Connection() { return *m_connection; }
    const TConnectionParams& Params() const { return m_params; }
    QString Name() const { return m_params.database; }
    // A second session on the same database (for checks behind the back of the first).
    std::unique_ptr<TZConnection> NewConnection() const;

    // Runs a file of schema/ (e.g. "demo.sql") in this database.
    void LoadSchemaFile(const QString& fileName);

    static QString SchemaDir();

private:
    TConnectionParams m_params;
    std::unique_ptr<TZConnection> m_admin;
    std::unique_ptr<TZConnection> m_connection;
};
