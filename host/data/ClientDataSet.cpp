// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/data/ClientDataSet.h"

#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"

TClientDataSet::TClientDataSet(QObject* parent) : TDataSet(parent) {
    KeepSorted = true;
}

void TClientDataSet::CreateDataSet() {
    Close();
    Open();
}

void TClientDataSet::EmptyDataSet() {
    if (!Active()) return;
    Cancel();
    Records().clear();
    DeletedRecords().clear();
    First();
    Changed();
}

void TClientDataSet::AddIndex(const QString& name, const QString& fields, const QString& descFields) {
    const QStringList desc = descFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QStringList parts;
    for (const QString& f : fields.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const bool descending = desc.contains(f.trimmed(), Qt::CaseInsensitive);
        parts << f.trimmed() + (descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
    }
    m_indexes.insert(name, parts.join(QStringLiteral(", ")));
}

void TClientDataSet::SetIndexName(const QString& name) {
    if (!name.isEmpty() && !m_indexes.contains(name))
        throw EDatabaseError(Format(_CMN_DS_FIELD_NOT_FOUND_ERR, {Name() + QLatin1Char('.') + name}));
    m_indexName = name;
    SetSortedFields(m_indexes.value(name));
}
