#include "host/ZQuery.h"

#include "host/HostStrings.h"
#include "host/SysUtils.h"

namespace {

bool IsNameChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// Calls visit(start, length, name) for every :Name outside quotes and comments.
template <typename Visit> void ForEachParameter(const QString& sql, Visit visit) {
    for (qsizetype i = 0; i < sql.size(); ++i) {
        if (const qsizetype end = SqlLiteralEnd(sql, i); end >= 0) {
            i = end;
            continue;
        }
        if (sql[i] != QLatin1Char(':') || i + 1 >= sql.size()) continue;
        if (i > 0 && (IsNameChar(sql[i - 1]) || sql[i - 1] == QLatin1Char(':'))) continue;
        const QChar first = sql[i + 1];
        if (!first.isLetter() && first != QLatin1Char('_')) continue;
        qsizetype end = i + 1;
        while (end < sql.size() && IsNameChar(sql[end]))
            ++end;
        visit(i, end - i, sql.mid(i + 1, end - i - 1));
        i = end - 1;
    }
}

QString Identifier(const QString& name) {
    return QLatin1Char('`') + QString(name).remove(QLatin1Char('`')) + QLatin1Char('`');
}

bool SameStorage(TFieldType column, TFieldType field) {
    auto integral = [](TFieldType t) {
        return t == TFieldType::SmallInt || t == TFieldType::Integer || t == TFieldType::LargeInt;
    };
    return column == field || (integral(column) && integral(field));
}

} // namespace

TZQuery::TZQuery(TZConnection* connection, QObject* parent) : TDataSet(parent), m_connection(connection) {}

TZConnection& TZQuery::Conn() const {
    if (!m_connection) throw EDatabaseError(_CMN_DB_NOT_CONNECTED_ERR);
    return *m_connection;
}

void TZQuery::SetSQL(const QString& text) {
    m_sql = text;
    m_updateTable = SqlFirstTable(m_sql); // asked for every field of every row written
    std::vector<TParam> params;
    ForEachParameter(m_sql, [&](qsizetype, qsizetype, const QString& name) {
        for (const TParam& p : params)
            if (p.Name().compare(name, Qt::CaseInsensitive) == 0) return;
        TParam param(name);
        for (const TParam& old : m_params) // values survive a change of statement
            if (old.Name().compare(name, Qt::CaseInsensitive) == 0) param.SetValue(old.Value());
        params.push_back(param);
    });
    m_params = std::move(params);
}

TParam* TZQuery::ParamByName(const QString& name) {
    for (TParam& p : m_params)
        if (p.Name().compare(name, Qt::CaseInsensitive) == 0) return &p;
    throw EDatabaseError(Format(_CMN_DS_FIELD_NOT_FOUND_ERR, {Name() + QStringLiteral(".:") + name}));
}

QString TZQuery::ExpandedSQL() const {
    if (m_params.empty()) return m_sql;
    QString out;
    qsizetype copied = 0;
    ForEachParameter(m_sql, [&](qsizetype start, qsizetype length, const QString& name) {
        out += QStringView(m_sql).mid(copied, start - copied);
        QVariant value;
        for (const TParam& p : m_params)
            if (p.Name().compare(name, Qt::CaseInsensitive) == 0) value = p.Value();
        out += Conn().Literal(value);
        copied = start + length;
    });
    out += QStringView(m_sql).mid(copied);
    return out;
}

void TZQuery::ExecSQL() {
    m_rowsAffected = Conn().Execute(ExpandedSQL());
}

QString TZQuery::UpdateTable() const {
    return m_updateTable;
}

void TZQuery::DoOpen() {
    TResultSet rs = Conn().Select(ExpandedSQL());
    DefineFieldsFrom(rs.columns);
    const std::vector<int> map = MapColumns(rs.columns);
    const auto& fields = Fields();
    std::vector<bool> convert(fields.size());
    for (size_t f = 0; f < fields.size(); ++f)
        convert[f] =
            !SameStorage(rs.columns[size_t(map[f])].fieldType, fields[f]->DataType()) ||
            (fields[f]->DataType() == TFieldType::String && fields[f]->Size() > 0); // cut to the field's size
    std::vector<TRecordPtr> records;
    records.reserve(rs.rows.size());
    for (auto& row : rs.rows) {
        auto record = std::make_shared<TRecord>();
        record->values.resize(fields.size());
        for (size_t f = 0; f < fields.size(); ++f) {
            QVariant& v = row[size_t(map[f])];
            record->values[f] = convert[f] ? fields[f]->Convert(v) : std::move(v);
        }
        record->original = record->values;
        records.push_back(std::move(record));
    }
    SetRecords(std::move(records));
}

bool TZQuery::Writes(const TField& field) const {
    return !field.OriginColumn.isEmpty() &&
           field.OriginTable.compare(UpdateTable(), Qt::CaseInsensitive) == 0;
}

const TField& TZQuery::KeyField() const {
    const QString table = UpdateTable();
    const QString key = table + QStringLiteral("id");
    for (const auto& f : Fields())
        if (Writes(*f) && f->OriginColumn.compare(key, Qt::CaseInsensitive) == 0) return *f;
    throw EDatabaseError(Format(_CMN_DS_NO_KEY_ERR, {table, key}));
}

QString TZQuery::KeyCondition(const std::vector<QVariant>& values) const {
    const TField& key = KeyField();
    return Identifier(key.OriginColumn) + QStringLiteral(" = ") + Conn().Literal(values[size_t(key.Index())]);
}

void TZQuery::InitNewRecord(std::vector<QVariant>& values) {
    const QString table = UpdateTable();
    if (table.isEmpty() || !m_connection) return;
    const TTableDefaults defaults = Conn().Defaults(table);
    for (const auto& f : Fields()) {
        if (!Writes(*f)) continue;
        const auto it = defaults.values.find(f->OriginColumn.toLower());
        if (it == defaults.values.end()) continue;
        try {
            values[size_t(f->Index())] = f->Convert(*it);
        } catch (const EDatabaseError&) {
            // a default the field cannot show is left to the database
        }
    }
}

void TZQuery::WriteInsert(TRecord& record) {
    QStringList columns, values;
    for (const auto& f : Fields()) {
        const size_t i = size_t(f->Index());
        if (!Writes(*f) || i >= record.assigned.size() || !record.assigned[i]) continue;
        columns << Identifier(f->OriginColumn);
        values << Conn().Literal(record.values[i]);
    }
    const QString table = UpdateTable();
    qint64 insertId = 0;
    Conn().Execute(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(Identifier(table), columns.join(QLatin1Char(',')), values.join(QLatin1Char(','))),
                   &insertId);
    const TField& key = KeyField();
    if (record.values[size_t(key.Index())].isNull())
        record.values[size_t(key.Index())] = QVariant(qlonglong(insertId));
}

void TZQuery::WriteUpdate(const std::vector<QVariant>& oldValues, const std::vector<QVariant>& newValues) {
    QStringList assignments;
    for (const auto& f : Fields()) {
        const size_t i = size_t(f->Index());
        if (!Writes(*f) || oldValues[i] == newValues[i]) continue;
        assignments << Identifier(f->OriginColumn) + QStringLiteral(" = ") + Conn().Literal(newValues[i]);
    }
    if (assignments.isEmpty()) return;
    const QString table = UpdateTable();
    const quint64 matched = Conn().Execute(
        QStringLiteral("UPDATE %1 SET %2 WHERE %3")
            .arg(Identifier(table), assignments.join(QStringLiteral(", ")), KeyCondition(oldValues)));
    if (matched == 0) throw EDatabaseError(Format(_CMN_DS_ROW_NOT_FOUND_ERR, {table}));
}

void TZQuery::WriteDelete(const TRecord& record) {
    const std::vector<QVariant>& values =
        record.status == TRecord::Modified ? record.original : record.values;
    Conn().Execute(
        QStringLiteral("DELETE FROM %1 WHERE %2").arg(Identifier(UpdateTable()), KeyCondition(values)));
}

void TZQuery::ApplyUpdates() {
    CheckBrowseMode();
    if (!UpdatesPending()) return;
    // Everything is written in one transaction; the records learn their new
    // keys and lose their pending marks only once it has committed.
    std::vector<std::pair<TRecord*, std::vector<QVariant>>> inserted;
    {
        TTransaction transaction(Conn());
        for (auto& [record, position] : DeletedRecords())
            WriteDelete(*record);
        for (auto& record : Records()) {
            if (record->status == TRecord::Modified) {
                WriteUpdate(record->original, record->values);
            } else if (record->status == TRecord::Inserted) {
                TRecord staged = *record;
                WriteInsert(staged);
                inserted.emplace_back(record.get(), std::move(staged.values));
            }
        }
        transaction.Commit();
    }
    for (auto& [record, values] : inserted)
        record->values = std::move(values);
    for (auto& record : Records())
        CommitRecord(*record);
    DeletedRecords().clear();
    Changed();
}
