// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/search/EventListOrder.h"

#include "host/data/Database.h"
#include "host/data/SysUtils.h"

#include <QDate>

namespace {

// How the event list's rows are grouped for an order led by one field: the
// expressions over employeeevent that decide the field's value (grouped as
// g.k0, g.k1, ...), the tables that give a group its value, that value, and
// whether a run of groups is one range of event times.
struct TEventGroups {
    const char* field;
    QStringList keys;
    const char* joins;
    const char* value;
    bool timeRange;
};

const TEventGroups kEventGroups[] = {
    {"employeename",
     {QStringLiteral("ee.employeeid"), QStringLiteral("ee.horloguestid")},
     "LEFT JOIN employee AS e ON g.k0 = e.employeeid\n"
     "LEFT JOIN horloguest AS tg ON g.k1 = tg.horloguestid\n",
     "IF(g.k0 > 0, CONCAT(e.lastname,' ',e.firstname), CONCAT(tg.lastname,' ',tg.firstname))",
     false},
    {"eventtypename",
     {QStringLiteral("ee.employeeeventtypeid")},
     "LEFT JOIN employeeeventtype AS t ON g.k0 = t.employeeeventtypeid\n",
     "CONCAT(t.name,'')",
     false},
    // days: a page far into a list sorted by time is then read from a short range
    {"eventtime", {QStringLiteral("DATE(ee.eventtime)")}, "", "g.k0", true},
};

} // namespace

bool SplitEventOrder(TZConnection& connection, const QString& searchCondition, qint64 wholeSortRows,
                     TZQuery& query, const TField& lead, bool descending,
                     std::vector<TZQuery::TPart>& parts) {
    const TEventGroups* groups = nullptr;
    for (const TEventGroups& g : kEventGroups)
        if (lead.FieldName() == QLatin1String(g.field)) groups = &g;
    if (!groups) return false;

    const int width = int(groups->keys.size());
    QStringList keys, gKeys;
    for (int k = 0; k < width; ++k) {
        keys << groups->keys[k] + QStringLiteral(" AS k") + QString::number(k);
        gKeys << QStringLiteral("g.k") + QString::number(k);
    }
    const QString where = searchCondition.isEmpty()
                              ? QString()
                              : QStringLiteral("WHERE ") + searchCondition + QLatin1Char('\n');
    const QString direction = descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC");
    const TResultSet rs = connection.Select(
        QStringLiteral(
            "SELECT %1, g.n FROM (\n"
            "SELECT %2, COUNT(*) AS n FROM employeeevent AS ee\n"
            "  LEFT JOIN employeeeventtype AS eet ON ee.employeeeventtypeid = eet.employeeeventtypeid\n"
            "%3GROUP BY %4) AS g\n"
            "%5ORDER BY %6%7, %8")
            .arg(gKeys.join(QLatin1Char(',')), keys.join(QLatin1Char(',')), where,
                 QStringList(groups->keys).join(QLatin1Char(',')), QString::fromLatin1(groups->joins),
                 QString::fromLatin1(groups->value), direction,
                 gKeys.join(direction + QLatin1Char(',')) + direction));
    qint64 total = 0;
    for (const auto& row : rs.rows)
        total += row[size_t(width)].toLongLong();
    if (total <= wholeSortRows) {
        parts.push_back({query.SQL(), total, false});
        return true;
    }
    // runs of whole groups, each at least a page long, so that a page takes
    // one or two statements
    QStringList run;
    QDate runFirst, runLast;
    qint64 runRows = 0;
    auto flush = [&] {
        if (runRows == 0) return;
        QString condition;
        if (groups->timeRange) {
            condition = QStringLiteral("ee.eventtime >= ") + connection.Quote(SqlDate(runFirst)) +
                        QStringLiteral(" AND ee.eventtime < ") +
                        connection.Quote(SqlDate(runLast.addDays(1)));
        } else {
            condition = run.size() == 1
                            ? run.front()
                            : QStringLiteral("(") + run.join(QStringLiteral(" OR ")) + QLatin1Char(')');
        }
        if (!searchCondition.isEmpty())
            condition = QStringLiteral("(") + searchCondition + QStringLiteral(") AND ") + condition;
        // one group holds one value of the leading field
        parts.push_back(
            {ChangeSQLCondition(query.SQL(), condition), runRows, !groups->timeRange && run.size() == 1});
        run.clear();
        runFirst = runLast = QDate();
        runRows = 0;
    };
    for (const auto& row : rs.rows) {
        if (groups->timeRange) {
            const QDate day = row[0].toDate();
            if (!day.isValid()) continue; // an event without a time is in no range
            if (!runFirst.isValid() || day < runFirst) runFirst = day;
            if (!runLast.isValid() || day > runLast) runLast = day;
        } else {
            QStringList match;
            for (int c = 0; c < width; ++c)
                match << groups->keys[c] + QStringLiteral(" <=> ") + connection.Literal(row[size_t(c)]);
            run << QStringLiteral("(") + match.join(QStringLiteral(" AND ")) + QLatin1Char(')');
        }
        runRows += row[size_t(width)].toLongLong();
        if (runRows >= query.PageSize()) flush();
    }
    flush();
    return true;
}
