// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/data/ZQuery.h"

#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"

#include <algorithm>
#include <array>
#include <limits>

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

QString TZQuery::UpdateTable() const {
    return m_updateTable;
}

TZQuery::TRowReader TZQuery::PrepareRead(const std::vector<TColumnInfo>& columns, bool opening) {
    if (opening) DefineFieldsFrom(columns); // pages read later keep the fields
    const auto& fields = Fields();
    // and where the fields come from, which a page read through a derived table hides
    std::vector<std::array<QString, 3>> origins;
    if (!opening)
        for (const auto& f : fields)
            origins.push_back({f->OriginTable, f->OriginColumn, f->OriginAlias});
    TRowReader reader;
    reader.map = MapColumns(columns);
    for (size_t f = 0; f < origins.size(); ++f) {
        fields[f]->OriginTable = origins[f][0];
        fields[f]->OriginColumn = origins[f][1];
        fields[f]->OriginAlias = origins[f][2];
    }
    reader.convert.resize(fields.size());
    for (size_t f = 0; f < fields.size(); ++f)
        reader.convert[f] =
            !SameStorage(columns[size_t(reader.map[f])].fieldType, fields[f]->DataType()) ||
            (fields[f]->DataType() == TFieldType::String && fields[f]->Size() > 0); // cut to the field's size
    return reader;
}

TDataSet::TRecordPtr TZQuery::ReadRecord(const TRowReader& reader, std::vector<QVariant>& row) const {
    const auto& fields = Fields();
    auto record = std::make_shared<TRecord>();
    record->values.resize(fields.size());
    for (size_t f = 0; f < fields.size(); ++f) {
        QVariant& v = row[size_t(reader.map[f])];
        record->values[f] = reader.convert[f] ? fields[f]->Convert(v) : std::move(v);
    }
    if (!m_onDemand) record->original = record->values; // only what is written needs it
    return record;
}

std::vector<TDataSet::TRecordPtr> TZQuery::ReadRecords(TResultSet& rs, bool opening) {
    const TRowReader reader = PrepareRead(rs.columns, opening);
    std::vector<TRecordPtr> records;
    records.reserve(rs.rows.size());
    for (auto& row : rs.rows)
        records.push_back(ReadRecord(reader, row));
    return records;
}

void TZQuery::DoOpen() {
    m_rowsFetched = 0;
    m_fetchError.clear();
    m_pages.clear();
    // a statement that orders or limits its rows itself is read whole
    m_onDemand =
        m_pageSize > 0 && SqlTopLevelWord(m_sql, {QLatin1String("ORDER"), QLatin1String("LIMIT")}) < 0;
    if (m_onDemand) {
        OpenOnDemand();
        return;
    }
    // rows are made as the server sends them, so the result is never held twice
    TRowReader reader;
    std::vector<TRecordPtr> records;
    bool complete = true;
    Conn().SelectEach(
        ExpandedSQL(), [&](const std::vector<TColumnInfo>& columns) { reader = PrepareRead(columns, true); },
        [&](std::vector<QVariant>& row) {
            records.push_back(ReadRecord(reader, row));
            ++m_rowsFetched;
            if (OnFetchProgress && (m_rowsFetched == 1 || m_rowsFetched % 2000 == 0))
                complete = OnFetchProgress(m_rowsFetched);
            return complete;
        });
    if (!complete) records.clear(); // part of a result would pass for all of it
    SetRecords(std::move(records));
    m_pageOrder.clear();
}

void TZQuery::DoClose() {
    m_pages.clear();
    m_parts.clear();
    m_partStarts.clear();
}

void TZQuery::SetFetchOnDemand(int pageSize, int maxPages) {
    m_pageSize = qMax(0, pageSize);
    m_maxPages = qMax(2, maxPages);
}

void TZQuery::CheckWritable() const {
    TDataSet::CheckWritable();
    if (m_onDemand) throw EDatabaseError(Format(_CMN_DS_READ_ONLY_ERR, {Name()}));
}

void TZQuery::OpenOnDemand() {
    m_pageOrder = SortedFields();
    m_parts.clear();
    m_partStarts.clear();
    {
        // the order names fields, and a page far into it is found by the
        // columns the fields come from: both are learned first, also for
        // fields defined beforehand
        TResultSet none = Conn().Select(ExpandedSQL() + QStringLiteral("\nLIMIT 0"));
        ReadRecords(none, true);
    }
    if (SplitOrder()) {
        SetRecords(std::vector<TRecordPtr>(size_t(m_partStarts.back())));
        LoadPage(0);
        return;
    }
    const QString sql = ExpandedSQL();
    // the first page also tells the columns, so that an empty result has fields too
    TResultSet first = Conn().Select(Window(sql, 0, m_pageSize, 0, false, nullptr));
    std::vector<TRecordPtr> records = ReadRecords(first, true);
    m_rowsFetched = qint64(records.size());
    qint64 count = qint64(records.size());
    if (count >= m_pageSize) {
        const TResultSet rs = Conn().Select(QStringLiteral("SELECT COUNT(*) FROM (\n") + sql +
                                            QStringLiteral("\n) AS counted"));
        count = rs.rows.empty() ? 0 : rs.rows[0][0].toLongLong();
    }
    // a view counts rows in int
    count = qBound<qint64>(qint64(records.size()), count, std::numeric_limits<int>::max() - 1);
    std::vector<TRecordPtr> held(static_cast<size_t>(count));
    std::move(records.begin(), records.end(), held.begin());
    SetRecords(std::move(held));
    if (!records.empty()) m_pages.push_front(0);
}

bool TZQuery::SplitOrder() {
    m_parts.clear();
    m_partStarts.clear();
    if (!OnSplitOrder) return false;
    const QStringList words =
        SortedFields().section(QLatin1Char(','), 0, 0).simplified().split(QLatin1Char(' '));
    const TField* lead = FindField(words.value(0));
    if (!lead) return false;
    const bool desc = words.size() > 1 && words[1].compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
    std::vector<TPart> parts;
    if (!OnSplitOrder(*this, *lead, desc, parts)) return false;
    qint64 total = 0;
    for (const TPart& part : parts) {
        if (part.count <= 0) continue;
        m_partStarts.push_back(total);
        total += part.count;
        m_parts.push_back(part);
    }
    if (total >= std::numeric_limits<int>::max()) {
        m_parts.clear();
        m_partStarts.clear();
        return false;
    }
    m_partStarts.push_back(total); // the end of the last part
    return true;
}

QString TZQuery::OrderClause(bool reversed, bool skipLead) const {
    QStringList keys;
    bool hasKey = false, lastDesc = false;
    const TField* key = FindField(UpdateTable() + QStringLiteral("id"));
    const QStringList parts = SortedFields().split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QStringList words = parts[i].simplified().split(QLatin1Char(' '));
        const TField* field = FieldByName(words.value(0));
        const bool desc =
            words.size() > 1 && words[1].compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
        lastDesc = desc;
        if (i == 0 && skipLead) continue;
        keys << Identifier(field->FieldName()) +
                    (desc != reversed ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
        hasKey = hasKey || field == key;
    }
    // rows that sort alike keep one order from page to page; the key runs the
    // way of the last field, so that an index on that field serves both
    if (key && !hasKey)
        keys << Identifier(key->FieldName()) +
                    (lastDesc != reversed ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
    return keys.join(QStringLiteral(", "));
}

QString TZQuery::Window(const QString& sql, qint64 offset, qint64 count, qint64 total, bool leadConstant,
                        bool* reversed) const {
    // rows in the latter half are read from the end in the reversed order, so
    // that the server skips at most half of them
    QString order = OrderClause(false, leadConstant);
    bool back = false;
    if (!order.isEmpty() && total > 0 && offset > total / 2) {
        back = true;
        const qint64 end = qMin(total, offset + count);
        count = end - offset;
        offset = total - end;
        order = OrderClause(true, leadConstant);
    }
    if (reversed) *reversed = back;
    QString text = sql;
    if (!order.isEmpty()) text += QStringLiteral("\nORDER BY ") + order;
    return text + QStringLiteral("\nLIMIT %1 OFFSET %2").arg(count).arg(offset);
}

QString TZQuery::KeysWindow(const QString& sql, const QString& keysSql, qint64 offset, qint64 count,
                            qint64 total, bool leadConstant, bool* reversed) const {
    // worth it only where the server would otherwise join every skipped row
    if (KeysFirstOffset <= 0 || qMin(offset, total - offset - count) < KeysFirstOffset) return {};
    const TField* key = FindField(UpdateTable() + QStringLiteral("id"));
    const qsizetype from = SqlTopLevelWord(sql, {QLatin1String("FROM")});
    // the statement's rows must be those of its tables
    const bool aggregates = SqlTopLevelWord(sql, {QLatin1String("GROUP"), QLatin1String("HAVING"),
                                                  QLatin1String("DISTINCT"), QLatin1String("UNION")}) >= 0;
    if (!key || key->OriginAlias.isEmpty() || from < 0 || aggregates) return {};
    auto column = [](const TField& f) {
        return Identifier(f.OriginAlias) + QLatin1Char('.') + Identifier(f.OriginColumn);
    };
    // the order by the columns themselves, which only fields read from a table have
    QString order = OrderClause(false, leadConstant);
    const bool back = offset > total / 2;
    if (back) {
        const qint64 end = qMin(total, offset + count);
        count = end - offset;
        offset = total - end;
        order = OrderClause(true, leadConstant);
    }
    QStringList keys;
    for (const QString& part : order.split(QStringLiteral(", "))) {
        const qsizetype space = part.lastIndexOf(QLatin1Char(' '));
        const TField* field = FindField(part.left(space).remove(QLatin1Char('`')));
        if (!field || field->OriginColumn.isEmpty() || field->OriginAlias.isEmpty()) return {};
        keys << column(*field) + part.mid(space);
    }
    if (reversed) *reversed = back;
    const QString select = keysSql.isEmpty()
                               ? QStringLiteral("SELECT ") + column(*key) + QLatin1Char(' ') + sql.mid(from)
                               : keysSql;
    return select + QStringLiteral("\nORDER BY ") + keys.join(QStringLiteral(", ")) +
           QStringLiteral("\nLIMIT %1 OFFSET %2").arg(count).arg(offset);
}

void TZQuery::FetchRecord(int index) {
    if (!m_onDemand || m_pageSize <= 0 || index < 0 || index >= RecordCount()) return;
    const int page = index / m_pageSize;
    if (!m_fetchError.isEmpty()) {
        BlankPage(page);
        return;
    }
    try {
        LoadPage(page);
    } catch (const EDatabaseError& e) {
        // views ask while they paint, where an error cannot travel: the rows
        // stay blank until the next opening and the error is told once
        m_fetchError = e.Message();
        BlankPage(page);
        emit FetchFailed(m_fetchError);
    }
}

void TZQuery::BlankPage(int page) {
    auto& rows = Records();
    const int first = page * m_pageSize;
    const int end = qMin(int(rows.size()), first + m_pageSize);
    for (int i = first; i < end; ++i)
        if (!rows[size_t(i)]) {
            auto blank = std::make_shared<TRecord>();
            blank->values.resize(Fields().size());
            rows[size_t(i)] = std::move(blank);
        }
}

void TZQuery::LoadPage(int page) {
    auto& rows = Records();
    const int first = page * m_pageSize;
    const int count = qMin(m_pageSize, int(rows.size()) - first);
    if (count <= 0) return;
    std::vector<TRecordPtr> records;
    // count rows of sql from offset, appended to records
    auto read = [&](const QString& sql, const QString& keysSql, qint64 offset, qint64 count, qint64 total,
                    bool leadConstant) {
        bool reversed = false;
        const QString keys = KeysWindow(sql, keysSql, offset, count, total, leadConstant, &reversed);
        std::vector<TRecordPtr> got;
        if (keys.isEmpty()) {
            TResultSet rs = Conn().Select(Window(sql, offset, count, total, leadConstant, &reversed));
            got = ReadRecords(rs, false);
            m_rowsFetched += qint64(got.size());
        } else {
            // far from both ends: the keys are found in the index alone, then their rows
            const TField& key = *FindField(UpdateTable() + QStringLiteral("id"));
            const TResultSet found = Conn().Select(keys);
            QStringList literals;
            for (const auto& row : found.rows)
                literals << Conn().Literal(row[0]);
            if (!literals.isEmpty()) {
                TResultSet rs = Conn().Select(QStringLiteral("SELECT * FROM (\n") + sql +
                                              QStringLiteral("\n) AS paged WHERE paged.") +
                                              Identifier(key.FieldName()) + QStringLiteral(" IN (") +
                                              literals.join(QLatin1Char(',')) + QLatin1Char(')'));
                std::vector<TRecordPtr> rows = ReadRecords(rs, false);
                m_rowsFetched += qint64(rows.size());
                QHash<QString, TRecordPtr> byKey;
                for (auto& record : rows)
                    byKey.insert(record->values[size_t(key.Index())].toString(), std::move(record));
                // a row deleted between the two reads is left out, not shown blank in between
                for (const auto& row : found.rows)
                    if (TRecordPtr record = byKey.value(row[0].toString())) got.push_back(std::move(record));
            }
        }
        if (reversed) std::reverse(got.begin(), got.end());
        std::move(got.begin(), got.end(), std::back_inserter(records));
    };
    if (m_parts.empty()) {
        read(ExpandedSQL(), {}, first, count, int(rows.size()), false);
    } else {
        // the page may run over the ends of several parts
        qint64 at = first;
        const qint64 end = first + count;
        auto part = std::upper_bound(m_partStarts.begin(), m_partStarts.end(), at) - m_partStarts.begin() - 1;
        for (; at < end && part >= 0 && size_t(part) < m_parts.size(); ++part) {
            const TPart& p = m_parts[size_t(part)];
            const qint64 offset = at - m_partStarts[size_t(part)];
            const qint64 n = qMin(end - at, p.count - offset);
            const size_t before = records.size();
            read(p.sql, p.keysSql, offset, n, p.count, p.leadConstant);
            // a part that lost rows since it was counted is filled with blanks
            while (records.size() < before + size_t(n)) {
                auto blank = std::make_shared<TRecord>();
                blank->values.resize(Fields().size());
                records.push_back(std::move(blank));
            }
            records.resize(before + size_t(n));
            at += n;
        }
    }
    // rows deleted since the count leave blank records rather than holes that
    // would be asked for again and again
    const size_t width = Fields().size();
    for (int i = 0; i < count; ++i) {
        TRecordPtr record;
        if (size_t(i) < records.size()) {
            record = std::move(records[size_t(i)]);
        } else {
            record = std::make_shared<TRecord>();
            record->values.resize(width);
        }
        rows[size_t(first + i)] = std::move(record);
    }
    m_pages.remove(page);
    m_pages.push_front(page);
    while (int(m_pages.size()) > m_maxPages) {
        const int old = m_pages.back();
        m_pages.pop_back();
        const int from = old * m_pageSize;
        const int to = qMin(int(rows.size()), from + m_pageSize);
        for (int i = from; i < to; ++i)
            rows[size_t(i)].reset();
    }
}

void TZQuery::OrderRecords() {
    if (!m_onDemand) {
        TDataSet::OrderRecords();
        return;
    }
    // the database sorts: what is held is read again in the new order
    if (SortedFields() == m_pageOrder) return;
    m_pageOrder = SortedFields();
    m_pages.clear();
    auto& rows = Records();
    bool split = false;
    try {
        split = SplitOrder();
    } catch (const EDatabaseError&) {
        // nothing read in the old order may show under the new one
        for (auto& record : rows)
            record.reset();
        throw;
    }
    if (split) {
        // counted anew: rows stored since the opening may land in the parts
        rows.assign(size_t(m_partStarts.back()), nullptr);
    } else {
        for (auto& record : rows)
            record.reset();
    }
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

QVariant TRowWrite::Value(const QString& column) const {
    for (const TColumn& c : columns)
        if (c.name.compare(column, Qt::CaseInsensitive) == 0)
            return kind == TKind::Delete || c.after.isNull() ? c.before : c.after;
    return {};
}

void TZQuery::TellWrite(TRowWrite::TKind kind, const std::vector<QVariant>* before,
                        const std::vector<QVariant>* after, const std::vector<bool>* assigned) {
    TRowWrite write;
    write.kind = kind;
    write.table = UpdateTable();
    const size_t key = size_t(KeyField().Index());
    write.key = (after ? *after : *before)[key].toLongLong();
    bool changed = false;
    for (const auto& f : Fields()) {
        if (!Writes(*f)) continue;
        const size_t i = size_t(f->Index());
        TRowWrite::TColumn column{f->OriginColumn, before ? (*before)[i] : QVariant(),
                                  after ? (*after)[i] : QVariant(), false};
        if (kind == TRowWrite::TKind::Insert)
            column.changed = i == key || (assigned && i < assigned->size() && (*assigned)[i]);
        else
            column.changed = kind == TRowWrite::TKind::Delete || column.before != column.after;
        changed = changed || column.changed;
        write.columns.push_back(std::move(column));
    }
    if (changed) OnRowWritten(Conn(), write); // an update that set nothing wrote nothing
}

void TZQuery::WriteInsert(TRecord& record) {
    if (!OnRowWritten) {
        InsertRow(record);
        return;
    }
    const TRecord unwritten = record; // a rerun starts from it again
    RunInTransaction(Conn(), [&] {
        record = unwritten;
        InsertRow(record);
        TellWrite(TRowWrite::TKind::Insert, nullptr, &record.values, &record.assigned);
    });
}

void TZQuery::WriteUpdate(const std::vector<QVariant>& oldValues, const std::vector<QVariant>& newValues) {
    if (!OnRowWritten) {
        UpdateRow(oldValues, newValues);
        return;
    }
    RunInTransaction(Conn(), [&] {
        UpdateRow(oldValues, newValues);
        TellWrite(TRowWrite::TKind::Update, &oldValues, &newValues, nullptr);
    });
}

void TZQuery::WriteDelete(const TRecord& record) {
    const std::vector<QVariant>& values =
        record.status == TRecord::Modified ? record.original : record.values;
    if (!OnRowWritten) {
        DeleteRow(values);
        return;
    }
    RunInTransaction(Conn(), [&] {
        DeleteRow(values);
        TellWrite(TRowWrite::TKind::Delete, &values, nullptr, nullptr);
    });
}

void TZQuery::InsertRow(TRecord& record) {
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

void TZQuery::UpdateRow(const std::vector<QVariant>& oldValues, const std::vector<QVariant>& newValues) {
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

void TZQuery::DeleteRow(const std::vector<QVariant>& values) {
    Conn().Execute(
        QStringLiteral("DELETE FROM %1 WHERE %2").arg(Identifier(UpdateTable()), KeyCondition(values)));
}

void TZQuery::ApplyUpdates() {
    CheckBrowseMode();
    if (!UpdatesPending()) return;
    // Everything is written in one transaction; the records learn their new
    // keys and lose their pending marks only once it has committed.
    std::vector<std::pair<TRecord*, std::vector<QVariant>>> inserted;
    RunInTransaction(Conn(), [&] {
        inserted.clear(); // a conflict runs it all again
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
    });
    for (auto& [record, values] : inserted)
        record->values = std::move(values);
    for (auto& record : Records())
        CommitRecord(*record);
    DeletedRecords().clear();
    Changed();
}
