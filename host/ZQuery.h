// A query on the host connection: reads its rows into memory when opened and
// writes posted changes to the first table of its statement, finding rows by
// that table's key column (table name + "id") and setting only what changed.
#pragma once

#include "host/DataSet.h"

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

class TZQuery : public TDataSet {
    Q_OBJECT
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

    // Runs a statement that returns no rows.
    void ExecSQL();
    quint64 RowsAffected() const { return m_rowsAffected; }

    void ApplyUpdates() override;

    // The table that posts, deletes and new-record defaults go to.
    QString UpdateTable() const;

protected:
    void DoOpen() override;
    void InitNewRecord(std::vector<QVariant>& values) override;
    void WriteInsert(TRecord& record) override;
    void WriteUpdate(const std::vector<QVariant>& oldValues, const std::vector<QVariant>& newValues) override;
    void WriteDelete(const TRecord& record) override;

private:
    TZConnection& Conn() const;
    bool Writes(const TField& field) const; // the field is a column of the update table
    const TField& KeyField() const;
    QString KeyCondition(const std::vector<QVariant>& values) const;

    TZConnection* m_connection;
    QString m_sql;
    QString m_updateTable;
    std::vector<TParam> m_params;
    quint64 m_rowsAffected = 0;
};
