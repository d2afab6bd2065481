// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/data/CustomDM.h"

#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"

#include <QRegularExpression>

namespace {

QString CheckedIdentifier(const QString& name) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!plain.match(name).hasMatch()) throw EDatabaseError(Format(_CMN_DS_FIELD_NOT_FOUND_ERR, {name}));
    return name;
}

} // namespace

TFieldValidation FieldValidation(TField* field, bool required, std::function<bool(TField*)> check,
                                 const QString& requiredText, const QString& invalidText) {
    return TFieldValidation{field, required, std::move(check), requiredText, invalidText};
}

void TValidator::Validate(TDataSet& dataSet) const {
    for (const TFieldValidation& v : m_validations) {
        if (!v.field || v.field->DataSet() != &dataSet) continue;
        if (v.required && !TestZeroLength(v.field))
            throw EDatabaseError(Format(v.requiredText, {v.field->DisplayName()}));
        if (v.Check && !v.Check(v.field))
            throw EDatabaseError(Format(v.invalidText, {v.field->DisplayName()}));
    }
}

bool TestZeroLength(TField* field) {
    return !field->IsNull() && !field->AsString().isEmpty();
}

bool TestUnique(TField* field, const QString& table, const QString& column, const QString& keyColumn,
                const QString& scopeColumn, qint64 scopeValue) {
    auto* query = qobject_cast<TZQuery*>(field->DataSet());
    if (!query || !query->Connection()) throw EDatabaseError(_CMN_DB_NOT_CONNECTED_ERR);
    TZConnection& conn = *query->Connection();
    QString sql = QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 = %3")
                      .arg(CheckedIdentifier(table), CheckedIdentifier(column), conn.Literal(field->Value()));
    if (const TField* key = field->DataSet()->FindField(keyColumn); key && !key->IsNull())
        sql += QStringLiteral(" AND %1 <> %2").arg(CheckedIdentifier(keyColumn), conn.Literal(key->Value()));
    if (!scopeColumn.isEmpty())
        sql += QStringLiteral(" AND %1 = %2").arg(CheckedIdentifier(scopeColumn)).arg(scopeValue);
    const TResultSet rs = conn.Select(sql);
    return rs.rows.empty() || rs.rows[0][0].toLongLong() == 0;
}

TCustomDM::TCustomDM(QObject* parent) : QObject(parent) {}

TCustomDM::~TCustomDM() = default;

void TCustomDM::Initialize() {
    CreateFieldValidations();
    CreateRelations();
    DataModuleCreate();
}

void TCustomDM::DataModuleCreate() {}

void TCustomDM::BuildValidator() {
    m_validator = std::make_unique<TValidator>(FieldValidations);
}

void TCustomDM::SetZConnection(TZConnection* connection) {
    m_connection = connection;
    for (TZQuery* q : m_queries)
        q->SetConnection(connection);
}

TZQuery* TCustomDM::AddQuery(const QString& name, const QString& sql) {
    auto* query = new TZQuery(m_connection, this);
    query->setObjectName(name);
    query->SetSQL(sql);
    m_queries.push_back(query);
    return query;
}

void TCustomDM::GetFieldValues(const QString& column, const QString& table, QStringList& list, bool distinct,
                               const QString& condition, const QString& orderBy) const {
    if (!m_connection) throw EDatabaseError(_CMN_DB_NOT_CONNECTED_ERR);
    QString sql = QStringLiteral("SELECT %1%2 FROM %3")
                      .arg(distinct ? QStringLiteral("DISTINCT ") : QString(), CheckedIdentifier(column),
                           CheckedIdentifier(table));
    if (!condition.isEmpty()) sql += QStringLiteral(" WHERE ") + condition;
    sql += QStringLiteral(" ORDER BY ") + (orderBy.isEmpty() ? column : orderBy);
    for (const auto& row : m_connection->Select(sql).rows)
        if (!row[0].isNull()) list << row[0].toString();
}

void TCustomDM::CommonBeforePost(TDataSet& dataSet) {
    if (m_validator) m_validator->Validate(dataSet);
}

void TCustomDM::CommonBeforeDelete(TDataSet& dataSet) {
    auto* query = qobject_cast<TZQuery*>(&dataSet);
    if (!query || !m_connection) return;
    const QString table = query->UpdateTable();
    for (const TRelation& r : Relations) {
        if (r.masterTable.compare(table, Qt::CaseInsensitive) != 0) continue;
        const TField* key = dataSet.FindField(table + QStringLiteral("id"));
        if (!key || key->IsNull()) continue;
        const TResultSet rs =
            m_connection->Select(QStringLiteral("SELECT 1 FROM %1 WHERE %2 = %3 LIMIT 1")
                                     .arg(CheckedIdentifier(r.detailTable), CheckedIdentifier(r.detailColumn),
                                          m_connection->Literal(key->Value())));
        if (!rs.rows.empty())
            throw EDatabaseError(r.refusal.isEmpty() ? Format(_CMN_DELETE_REFUSED_ERR, {r.detailTable})
                                                     : r.refusal);
    }
}

std::unique_ptr<TZQuery> TCustomDM::NewQuery(const QString& sql) const {
    auto query = std::make_unique<TZQuery>(m_connection);
    query->SetSQL(sql);
    return query;
}

qint64 TCustomDM::LookupInteger(const QString& sql) const {
    if (!m_connection) throw EDatabaseError(_CMN_DB_NOT_CONNECTED_ERR);
    const TResultSet rs = m_connection->Select(sql);
    return rs.rows.empty() || rs.columns.empty() ? 0 : rs.rows[0][0].toLongLong();
}

QString TCustomDM::LookupString(const QString& sql) const {
    if (!m_connection) throw EDatabaseError(_CMN_DB_NOT_CONNECTED_ERR);
    const TResultSet rs = m_connection->Select(sql);
    return rs.rows.empty() || rs.columns.empty() ? QString() : rs.rows[0][0].toString();
}
