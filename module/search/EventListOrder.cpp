// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/search/EventListOrder.h"

#include "host/data/Database.h"
#include "host/data/SysUtils.h"

#include <QDate>

#include <algorithm>

namespace {

// How a run of consecutive groups becomes the condition of one part.
enum class TRunKind {
    Members,   // the groups one by one: their value is not the grouped expression
    TimeRange, // one range of event times
    ValueRange // one range of the grouped expression; its empty value is a part of its own
};

// How the event list's rows are grouped for an order led by one field: the
// expressions over employeeevent that decide the field's value (grouped as
// g.k0, g.k1, ...), the tables that give a group its value, that value, and
// how a run of groups is told apart.
struct TEventGroups {
    const char* field;
    QStringList keys;
    const char* joins;
    const char* value;
    TRunKind runs;
    const char* index = ""; // of the grouped expression, for a value range
};

const TEventGroups kEventGroups[] = {
    {"employeename",
     {QStringLiteral("ee.employeeid"), QStringLiteral("ee.horloguestid")},
     "LEFT JOIN employee AS e ON g.k0 = e.employeeid\n"
     "LEFT JOIN horloguest AS tg ON g.k1 = tg.horloguestid\n",
     "IF(g.k0 > 0, CONCAT(e.lastname,' ',e.firstname), CONCAT(tg.lastname,' ',tg.firstname))",
     TRunKind::Members},
    {"eventtypename",
     {QStringLiteral("ee.employeeeventtypeid")},
     "LEFT JOIN employeeeventtype AS t ON g.k0 = t.employeeeventtypeid\n",
     "CONCAT(t.name,'')",
     TRunKind::Members},
    // days: a page far into a list sorted by time is then read from a short range
    {"eventtime", {QStringLiteral("DATE(ee.eventtime)")}, "", "g.k0", TRunKind::TimeRange},
    // most events have no comment: that part is read in the order of the key alone
    {"comment", {QStringLiteral("ee.comment")}, "", "g.k0", TRunKind::ValueRange, "employeeevent_comment"},
};

// The parts of the order led by groups, ascending; counts every event of the search.
std::vector<TZQuery::TPart> CountParts(TZConnection& connection, const QString& searchCondition,
                                       qint64 wholeSortRows, const TZQuery& query,
                                       const TEventGroups& groups) {
    const int width = int(groups.keys.size());
    QStringList keys, gKeys;
    for (int k = 0; k < width; ++k) {
        keys << groups.keys[k] + QStringLiteral(" AS k") + QString::number(k);
        gKeys << QStringLiteral("g.k") + QString::number(k);
    }
    QStringList conditions;
    if (!searchCondition.isEmpty()) conditions << QStringLiteral("(") + searchCondition + QLatin1Char(')');
    std::vector<TZQuery::TPart> parts;
    qint64 total = 0;
    if (groups.runs == TRunKind::ValueRange) {
        // the empty value, which most events have, is counted alone: the index
        // then has no values to compare
        const QString empty = groups.keys[0] + QStringLiteral(" IS NULL");
        const qint64 n =
            connection
                .Select(QStringLiteral("SELECT COUNT(*) FROM employeeevent AS ee\n"
                                       "  LEFT JOIN employeeeventtype AS eet ON ee.employeeeventtypeid = "
                                       "eet.employeeeventtypeid\nWHERE ") +
                        (QStringList(conditions) << empty).join(QStringLiteral(" AND ")))
                .rows[0][0]
                .toLongLong();
        if (n > 0) {
            TZQuery::TPart part{
                ChangeSQLCondition(query.SQL(),
                                   (QStringList(conditions) << empty).join(QStringLiteral(" AND "))),
                n,
                true,
                {}};
            // read far into it by the keys of that index alone, which the
            // server would otherwise pass over for a scan of the whole table
            if (conditions.isEmpty())
                part.keysSql =
                    QStringLiteral("SELECT ee.employeeeventid FROM employeeevent AS ee FORCE INDEX (") +
                    QLatin1String(groups.index) + QStringLiteral(")\nWHERE ") + empty;
            parts.push_back(part);
            total += n;
        }
        conditions << groups.keys[0] + QStringLiteral(" IS NOT NULL");
    }
    const QString where =
        conditions.isEmpty()
            ? QString()
            : QStringLiteral("WHERE ") + conditions.join(QStringLiteral(" AND ")) + QLatin1Char('\n');
    const QString statement =
        QStringLiteral(
            "SELECT %1, g.n FROM (\n"
            "SELECT %2, COUNT(*) AS n FROM employeeevent AS ee\n"
            "  LEFT JOIN employeeeventtype AS eet ON ee.employeeeventtypeid = eet.employeeeventtypeid\n"
            "%3GROUP BY %4) AS g\n"
            "%5ORDER BY %6, %7")
            .arg(gKeys.join(QLatin1Char(',')), keys.join(QLatin1Char(',')), where,
                 groups.keys.join(QLatin1Char(',')), QString::fromLatin1(groups.joins),
                 QString::fromLatin1(groups.value), gKeys.join(QLatin1Char(',')));

    // runs of whole groups, each at least a page long, so that a page takes
    // one or two statements
    QStringList run;
    QVariant runFirst, runLast;
    qint64 runRows = 0;
    int runGroups = 0;
    auto flush = [&] {
        if (runRows == 0) return;
        QString condition;
        switch (groups.runs) {
        case TRunKind::TimeRange:
            condition = QStringLiteral("ee.eventtime >= ") + connection.Quote(SqlDate(runFirst.toDate())) +
                        QStringLiteral(" AND ee.eventtime < ") +
                        connection.Quote(SqlDate(runLast.toDate().addDays(1)));
            break;
        case TRunKind::ValueRange:
            condition = runGroups == 1
                            ? groups.keys[0] + QStringLiteral(" <=> ") + connection.Literal(runFirst)
                            : groups.keys[0] + QStringLiteral(" BETWEEN ") + connection.Literal(runFirst) +
                                  QStringLiteral(" AND ") + connection.Literal(runLast);
            break;
        case TRunKind::Members:
            condition = run.size() == 1
                            ? run.front()
                            : QStringLiteral("(") + run.join(QStringLiteral(" OR ")) + QLatin1Char(')');
            break;
        }
        if (!searchCondition.isEmpty())
            condition = QStringLiteral("(") + searchCondition + QStringLiteral(") AND ") + condition;
        // one group holds one value of the leading field
        parts.push_back({ChangeSQLCondition(query.SQL(), condition),
                         runRows,
                         groups.runs != TRunKind::TimeRange && runGroups == 1,
                         {}});
        run.clear();
        runFirst = runLast = QVariant();
        runRows = 0;
        runGroups = 0;
    };
    connection.SelectEach(statement, {}, [&](std::vector<QVariant>& row) {
        const qint64 n = row[size_t(width)].toLongLong();
        total += n;
        if (groups.runs == TRunKind::TimeRange && !row[0].toDate().isValid())
            return true; // an event without a time is in no range
        if (groups.runs == TRunKind::Members) {
            QStringList match;
            for (int c = 0; c < width; ++c)
                match << groups.keys[c] + QStringLiteral(" <=> ") + connection.Literal(row[size_t(c)]);
            run << QStringLiteral("(") + match.join(QStringLiteral(" AND ")) + QLatin1Char(')');
        }
        if (runGroups == 0) runFirst = row[0];
        runLast = row[0];
        ++runGroups;
        runRows += n;
        if (runRows >= query.PageSize()) flush();
        return true;
    });
    flush();
    if (total <= wholeSortRows) return {{query.SQL(), total, false, {}}};
    return parts;
}

} // namespace

bool TEventOrderSplitter::Split(TZConnection& connection, const QString& searchCondition,
                                qint64 wholeSortRows, TZQuery& query, const TField& lead, bool descending,
                                std::vector<TZQuery::TPart>& parts) {
    const TEventGroups* groups = nullptr;
    for (const TEventGroups& g : kEventGroups)
        if (lead.FieldName() == QLatin1String(g.field)) groups = &g;
    if (!groups) return false;

    // new events take new keys; every change made through Horlo leaves a history row
    const TResultSet stamp =
        connection.Select(QStringLiteral("SELECT (SELECT MAX(employeeeventid) FROM employeeevent), (SELECT "
                                         "MAX(horlohistoryid) FROM horlohistory)"));
    const QVariantList now{stamp.rows[0][0], stamp.rows[0][1]};
    if (now != m_stamp) m_entries.clear();
    m_stamp = now;

    // the search's statement holds its condition
    auto entry = std::find_if(m_entries.begin(), m_entries.end(), [&](const TEntry& e) {
        return e.field == lead.FieldName() && e.sql == query.SQL() && e.wholeSortRows == wholeSortRows &&
               e.pageSize == query.PageSize();
    });
    if (entry == m_entries.end()) {
        ++m_countings;
        m_entries.insert(m_entries.begin(),
                         {lead.FieldName(), query.SQL(), wholeSortRows, query.PageSize(),
                          CountParts(connection, searchCondition, wholeSortRows, query, *groups)});
        constexpr size_t kKept = 16; // a few searches, each in every order
        if (m_entries.size() > kKept) m_entries.pop_back();
        entry = m_entries.begin();
    } else {
        std::rotate(m_entries.begin(), entry, entry + 1);
        entry = m_entries.begin();
    }
    // the groups run the other way round; within a part the query orders the rows
    parts = entry->ascending;
    if (descending) std::reverse(parts.begin(), parts.end());
    return true;
}
