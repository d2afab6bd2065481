// SPDX-License-Identifier: GPL-3.0-or-later
// A query on the host connection: reads its rows into memory when opened and
// writes posted changes to the first table of its statement, finding rows by
// that table's key column (table name + "id") and setting only what changed.
// A read-only query may instead read its rows on demand: it counts them when
// opened and reads pages of them as views ask, sorted by the database.
#pragma once

#include "host/data/DataSet.h"

#include <functional>
#include <list>

class TParam {
public:
    explicit TParam(QString name) : m_name(std::move(name)) {}
    const QString& Name() const { return m_name; }
    const QVariant& Value() const { return m_value; }
    void SetValue(const QVariant& value) { m_value = value; }
    void SetAsInteger(qint64 value) { m_value = QVariant(qlonglong(value)); }
    void SetAsString(const QString& value) { m_value = value; }
    void SetAsDateTime(const QDateTime& value) { m_value = value; }
    void Clear() { m_value = QVariant(); }

private:
    QString m_name;
    QVariant m_value;
};

// One row that a query wrote to its update table: each column of that table
// the query holds, with its value before and after the write (null before an
// insert and after a delete) and whether the write set it.
struct TRowWrite {
    enum class TKind { Insert, Update, Delete };
    struct TColumn {
        QString name;
        QVariant before, after;
        bool changed = false;
    };
    TKind kind = TKind::Update;
    QString table;
    qint64 key = 0;
    std::vector<TColumn> columns;
    // The column's value after the write, or before it for a delete; null when absent.
    QVariant Value(const QString& column) const;
};

class TZQuery : public TDataSet {
    Q_OBJECT
signals:
    // A page asked for while a view painted could not be read; emitted once
    // until the next opening (see FetchError), for a view to tell the user.
    void FetchFailed(const QString& message);

public:
    explicit TZQuery(TZConnection* connection = nullptr, QObject* parent = nullptr);

    TZConnection* Connection() const { return m_connection; }
    void SetConnection(TZConnection* connection) { m_connection = connection; }

    // The statement, with :Name parameters that are replaced by literals.
    void SetSQL(const QString& text);
    const QString& SQL() const { return m_sql; }
    TParam* ParamByName(const QString& name); // throws when the statement has none of that name
    std::vector<TParam>& Params() { return m_params; }
    QString ExpandedSQL() const;

    void ApplyUpdates() override;

    // The table that posts, deletes and new-record defaults go to.
    QString UpdateTable() const;

    // Told of every row written, inside the transaction that writes it (a live
    // write gets one of its own), so that what it writes in turn commits or
    // fails with the row.
    std::function<void(TZConnection& connection, const TRowWrite& write)> OnRowWritten;

    // Rows on demand (pageSize > 0, taking effect at the next Open): the
    // statement (one with its own ORDER BY or LIMIT is read whole) is counted when
    // opened, its rows are read pageSize at a time when asked for and at most
    // maxPages pages are held. SetSortedFields then has the database sort, by
    // field names that the statement's result carries. The set is read-only.
    void SetFetchOnDemand(int pageSize, int maxPages = 40);
    int PageSize() const { return m_pageSize; }
    int MaxPages() const { return m_maxPages; }
    bool FetchesOnDemand() const { return m_onDemand; }
    // A page the server refused leaves its rows, and those of every page asked
    // for after it, blank until the next opening; the error is shown once.
    const QString& FetchError() const { return m_fetchError; }
    // Told the rows read so far while a whole result is read at opening (the
    // first row, then every 2000th); returning false stops the reading, and the
    // query opens with no rows.
    std::function<bool(qint64 rows)> OnFetchProgress;
    // Rows read from the server since the query was opened.
    qint64 RowsFetched() const { return m_rowsFetched; }
    // Pages held now.
    int PagesHeld() const { return int(m_pages.size()); }
    // Pages this far from both ends of a result, or of a part of it, ordered
    // by table columns are read by their keys first, from the indexes alone, then by those keys
    // (0: never), so that the server does not join every row it skips.
    qint64 KeysFirstOffset = 5000;

    // Orders the database cannot sort fast over the whole result may be read
    // in parts: consecutive runs of rows in the order of the leading sort
    // field, each a statement of its own (without ORDER BY or LIMIT) with its
    // row count. Within a part the rows are sorted by the whole order, or only
    // by the fields after the leading one when the part holds one value of it.
    struct TPart {
        QString sql;
        qint64 count = 0;
        bool leadConstant = false;
        // The part's keys alone (the key column of the statement's first
        // table), where the server finds them faster than those of sql; a
        // window orders and limits them. Empty: taken from sql.
        QString keysSql;
    };
    // Asked when an order led by field is opened or set; returns false to read
    // the whole statement in pages instead.
    std::function<bool(TZQuery& query, const TField& lead, bool descending, std::vector<TPart>& parts)>
        OnSplitOrder;
    // The order is being read in parts.
    bool ReadsInParts() const { return !m_parts.empty(); }

protected:
    void DoOpen() override;
    void DoClose() override;
    void FetchRecord(int index) override;
    void OrderRecords() override;
    void CheckWritable() const override;
    void InitNewRecord(std::vector<QVariant>& values) override;
    void WriteInsert(TRecord& record) override;
    void WriteUpdate(const std::vector<QVariant>& oldValues, const std::vector<QVariant>& newValues) override;
    void WriteDelete(const TRecord& record) override;

private:
    TZConnection& Conn() const;
    bool Writes(const TField& field) const; // the field is a column of the update table
    const TField& KeyField() const;
    QString KeyCondition(const std::vector<QVariant>& values) const;
    void InsertRow(TRecord& record);
    void UpdateRow(const std::vector<QVariant>& oldValues, const std::vector<QVariant>& newValues);
    void DeleteRow(const std::vector<QVariant>& values);
    void TellWrite(TRowWrite::TKind kind, const std::vector<QVariant>* before,
                   const std::vector<QVariant>* after, const std::vector<bool>* assigned);
    // Fields and columns matched once, then one record per result row.
    struct TRowReader {
        std::vector<int> map;      // field -> result column
        std::vector<bool> convert; // field values that need converting
    };
    TRowReader PrepareRead(const std::vector<TColumnInfo>& columns, bool opening);
    TRecordPtr ReadRecord(const TRowReader& reader, std::vector<QVariant>& row) const;
    std::vector<TRecordPtr> ReadRecords(TResultSet& rs, bool opening);
    void OpenOnDemand();
    void LoadPage(int page);
    void BlankPage(int page);
    bool SplitOrder();
    QString OrderClause(bool reversed, bool skipLead = false) const;
    // The statement of count rows of sql from offset in the present order.
    QString Window(const QString& sql, qint64 offset, qint64 count, qint64 total, bool leadConstant,
                   bool* reversed) const;
    // The keys of such a window read from the statement's tables alone, for
    // windows far into a result ordered by columns; empty when it cannot be.
    QString KeysWindow(const QString& sql, const QString& keysSql, qint64 offset, qint64 count, qint64 total,
                       bool leadConstant, bool* reversed) const;

    TZConnection* m_connection;
    QString m_sql;
    QString m_updateTable;
    std::vector<TParam> m_params;
    int m_pageSize = 0;
    int m_maxPages = 40;
    bool m_onDemand = false; // this opening reads on demand
    qint64 m_rowsFetched = 0;
    std::list<int> m_pages; // pages held, most recently read first
    QString m_pageOrder;    // the order the held pages were read in
    std::vector<TPart> m_parts;
    QString m_fetchError;             // a page could not be read since the opening
    std::vector<qint64> m_partStarts; // position of each part's first row
};
