// SPDX-License-Identifier: GPL-3.0-or-later
// Base of the data modules: the host connection, the field checks applied
// before a row is stored, and the checks before a row is deleted.
#pragma once

#include "host/data/ZQuery.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

struct TFieldValidation {
    TField* field = nullptr;
    bool required = false;
    std::function<bool(TField*)> Check; // may be empty
    QString requiredText;               // with one %s: the field's label
    QString invalidText;                // with one %s: the field's label
};

TFieldValidation FieldValidation(TField* field, bool required, std::function<bool(TField*)> check,
                                 const QString& requiredText, const QString& invalidText);

// Applies field checks to the row being stored; the first failure throws an
// EDatabaseError with its text.
class TValidator {
public:
    explicit TValidator(std::vector<TFieldValidation> validations) : m_validations(std::move(validations)) {}
    void Validate(TDataSet& dataSet) const;
    const std::vector<TFieldValidation>& Validations() const { return m_validations; }

private:
    std::vector<TFieldValidation> m_validations;
};

// True when the field holds a value that is not empty text.
bool TestZeroLength(TField* field);
// True when no other row of table has the field's value in column. The row
// itself (by keyColumn on the field's data set) does not count; a non-empty
// scopeColumn limits the test to rows whose scopeColumn equals scopeValue.
bool TestUnique(TField* field, const QString& table, const QString& column, const QString& keyColumn,
                const QString& scopeColumn, qint64 scopeValue);

// A row of masterTable may not be deleted while detailTable.detailColumn refers to it;
// refusal, when given, says so instead of the host's general text.
struct TRelation {
    QString masterTable;
    QString detailTable;
    QString detailColumn;
    QString refusal;
};

class TCustomDM : public QObject {
    Q_OBJECT
public:
    explicit TCustomDM(QObject* parent = nullptr);
    ~TCustomDM() override;

    // Completes the creation: the field checks, the relations, then DataModuleCreate.
    void Initialize();

    void SetZConnection(TZConnection* connection);
    TZConnection* ZConnection() const { return m_connection; }
    bool Connected() const { return m_connection && m_connection->Connected(); }

    // Appends the values of table.column to list (distinct when asked), in
    // orderBy order (the column itself when empty), limited by condition.
    void GetFieldValues(const QString& column, const QString& table, QStringList& list, bool distinct,
                        const QString& condition, const QString& orderBy) const;

    // Before-post: the field checks. Before-delete: the relations.
    void CommonBeforePost(TDataSet& dataSet);
    void CommonBeforeDelete(TDataSet& dataSet);

    // A private query on the module's connection, for one operation.
    std::unique_ptr<TZQuery> NewQuery(const QString& sql = QString()) const;
    // One-value lookups: the first column of the first row; 0 or "" when there is none.
    qint64 LookupInteger(const QString& sql) const;
    QString LookupString(const QString& sql) const;

    const TValidator* Validator() const { return m_validator.get(); }

protected:
    virtual void CreateFieldValidations() {}
    virtual void CreateRelations() {}
    virtual void DataModuleCreate();

    // Queries that run on the data module's connection.
    TZQuery* AddQuery(const QString& name, const QString& sql);
    const std::vector<TZQuery*>& Queries() const { return m_queries; }

    std::vector<TFieldValidation> FieldValidations;
    std::vector<TRelation> Relations;

private:
    TZConnection* m_connection = nullptr;
    std::vector<TZQuery*> m_queries;
    std::unique_ptr<TValidator> m_validator;

protected:
    void BuildValidator();
};
