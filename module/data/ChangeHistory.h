// SPDX-License-Identifier: GPL-3.0-or-later
// Who changed what through Horlo. Every change of a row writes one row of the
// append-only table horlohistory inside the transaction of the change itself,
// so that a change that fails leaves none: when (the server's clock), who (the
// database user, and the user and machine the program runs on), which table
// and row, the values before and after, and the reason where one is asked.
#pragma once

#include "host/data/Database.h"

#include <QDate>
#include <QString>
#include <QVariant>

#include <functional>
#include <utility>
#include <vector>

class TZQuery;
struct TRowWrite;

enum class THistoryAction { Added, Changed, Deleted };

struct THistoryChange {
    QString table;
    qint64 rowId = 0; // 0: no row (a setting)
    THistoryAction action = THistoryAction::Changed;
    qint64 employeeId = 0; // whose record changed; 0: nobody's
    // Columns and values, in the order to show them: every value an added row got,
    // every value a deleted one had, the columns a change set.
    std::vector<std::pair<QString, QVariant>> before, after;
    QString reason;
};

// Writes the change's row. Only inside a transaction (std::logic_error
// otherwise): the row belongs to the transaction of the change.
void RecordChange(TZConnection& connection, const THistoryChange& change);

// Many changes of one transaction (a whole day of the attendance sheet) in a
// few statements: Add each, then Flush before the commit.
class THistoryBatch {
public:
    explicit THistoryBatch(TZConnection& connection);
    void Add(const THistoryChange& change);
    void Flush();

private:
    TZConnection& m_connection;
    TBatchInsert m_insert;
};

// The settings store for writing, with a history row for every value it
// changes (key "section.ident"); used inside the caller's transaction.
class TRecordedIniFile {
public:
    explicit TRecordedIniFile(TZConnection& connection) : m_connection(connection) {}
    void WriteString(const QString& section, const QString& ident, const QString& value);
    void WriteInteger(const QString& section, const QString& ident, int value);
    void WriteBool(const QString& section, const QString& ident, bool value);

private:
    TZConnection& m_connection;
};

// The change a query's written row makes (its employeeid, when the table has one).
THistoryChange HistoryChangeOf(const TRowWrite& write);
// Every row the query writes gets its history row.
void RecordWritesOf(TZQuery& query);

// ---------------------------------------------------------------- reading

// Which history rows: changes made on the days from..to (by the server's
// clock), all or those of the employees with a code.
struct THistoryFilter {
    QDate from, to;
    QString code;
};

// The statement of the history list, without an order (by horlohistoryid is
// the order of the changes); its columns are those HistoryColumns names.
QString HistoryStatement(const TZConnection& connection, const THistoryFilter& filter);
// Column names and their titles for people.
const std::vector<std::pair<QString, QString>>& HistoryColumns();

// The stored texts as people read them: the action ("i", "u", "d"), the table,
// and the values ({"col":value,...}) as "col: value; ..." in their stored order.
QString HistoryActionText(const QString& action);
QString HistoryTableText(const QString& table);
QString HistoryValuesText(const QString& json);
