// SPDX-License-Identifier: GPL-3.0-or-later
// A record set that lives only in memory (report lists, summaries), with
// fields defined in code and named sort orders.
#pragma once

#include "host/data/DataSet.h"

#include <QMap>

class TClientDataSet : public TDataSet {
    Q_OBJECT
public:
    explicit TClientDataSet(QObject* parent = nullptr);

    // Opens the set empty with the fields added so far.
    void CreateDataSet();
    void EmptyDataSet();

    // A named order over fields separated by ';'; descFields lists those sorted
    // from the highest value down.
    void AddIndex(const QString& name, const QString& fields, const QString& descFields = QString());
    bool HasIndex(const QString& name) const { return m_indexes.contains(name); }
    // Chooses a named order (empty: order of insertion) and keeps it after posts.
    void SetIndexName(const QString& name);
    const QString& IndexName() const { return m_indexName; }

protected:
    void DoOpen() override {}

private:
    QMap<QString, QString> m_indexes; // name -> fields with ASC or DESC
    QString m_indexName;
};
