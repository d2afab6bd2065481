// SPDX-License-Identifier: GPL-3.0-or-later
// The version of the database's schema: the steps of schema/upgrades/ that it
// holds, recorded in horloschema. The program knows the steps it was built with,
// makes a new database at the newest one and brings an older one up to it.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>
#include <vector>

class TZConnection;

struct TSchemaStep {
    int version = 0;
    QString name; // the file's name without the number and ".sql"
    QString sql;
};

// The steps this program knows, in order; the last one's version is the
// program's schema version.
const std::vector<TSchemaStep>& SchemaSteps();
int ProgramSchemaVersion();

// The database's version: the newest up to which it holds every step the program
// knows (or its newest, when that is newer than the program's); 0 for Horlo's
// tables made before versions were recorded, -1 for a database without them.
int DatabaseSchemaVersion(TZConnection& connection);
constexpr int kNoHorloSchema = -1;

// Why the program cannot work on a database of that version (older, newer or
// none), or an empty text when it can.
QString SchemaRefusal(int databaseVersion);

// A step that cannot be done; Message() is the user's text.
class ESchemaError : public std::runtime_error {
public:
    explicit ESchemaError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString Message() const { return m_message; }

private:
    QString m_message;
};

// Loads the whole schema into the connection's database, which must hold no
// table (ESchemaError otherwise, nothing written).
void InitSchema(TZConnection& connection);

// A unique key that a step adds to an existing table.
struct TUniqueKey {
    int step = 0;
    QString table;
    QString key;
    QStringList columns;
    // The statement that lists the rows that repeat it.
    QString DoublesStatement() const;
};
struct TBlockingKey {
    TUniqueKey key;
    qint64 doubled = 0; // values held more than once
};
// The keys of the steps the database does not record that rows stored now would break.
std::vector<TBlockingKey> BlockingKeys(TZConnection& connection);

// Applies and records, in order, the steps the database does not record;
// onStep is told each before it runs. Returns how many ran (0 on a current
// database). ESchemaError for a database newer than the program or without
// Horlo's tables, and, before any step runs, naming every key that doubles stop.
int UpgradeSchema(TZConnection& connection, const std::function<void(const TSchemaStep&)>& onStep = {});
