// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick of the storing benchmarks: the rows a run stored, written
// again as one bare multi-row INSERT into the same table.
#pragma once

#include "host/data/Database.h"

#include <QElapsedTimer>

#include <cstdio>

// Reads the rows of table (its key first), empties it and times one INSERT of
// them all with fresh keys; prints and returns the seconds.
inline double TimeBareInsert(TZConnection& c, const QString& table, const char* what) {
    const TResultSet rows = c.Select(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(table));
    QStringList values;
    values.reserve(int(rows.rows.size()));
    for (const auto& row : rows.rows) {
        QStringList v{QStringLiteral("NULL")};
        for (size_t i = 1; i < row.size(); ++i)
            v << c.Literal(row[i]);
        values << QLatin1Char('(') + v.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    c.Execute(QStringLiteral("DELETE FROM %1").arg(table));
    const QString insert =
        QStringLiteral("INSERT INTO %1 VALUES ").arg(table) + values.join(QLatin1Char(','));
    QElapsedTimer timer;
    timer.start();
    c.Execute(insert);
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("one bare multi-row INSERT of the same %d %s: %.3f s = %.0f rows/s\n", int(values.size()),
                what, seconds, values.size() / seconds);
    return seconds;
}
