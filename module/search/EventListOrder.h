// SPDX-License-Identifier: GPL-3.0-or-later
// How the event list of one search is read when it is ordered by employee,
// event type, time or comment. The database cannot sort a million joined rows
// by name in the time a user waits, so such an order is read in runs of rows
// that an index serves.
#pragma once

#include "host/data/ZQuery.h"

#include <vector>

// Splits the orders of the event list into parts and keeps the parts of each
// search and leading field while the events stay as they were, so that the
// same search again and a title click either way do not count the events
// again. The events count as unchanged while no event is added and Horlo's
// change history has no new row (hand events, card ties and the rest).
class TEventOrderSplitter {
public:
    // Splits the order led by lead of query (a search of the event list made
    // with searchCondition, empty for none) into parts; returns false for a
    // field the list is not split by. Up to wholeSortRows rows are one part
    // sorted whole by the database, which is quick.
    bool Split(TZConnection& connection, const QString& searchCondition, qint64 wholeSortRows, TZQuery& query,
               const TField& lead, bool descending, std::vector<TZQuery::TPart>& parts);
    // Times the events were counted for a split.
    int Countings() const { return m_countings; }

private:
    struct TEntry {
        QString field, sql;
        qint64 wholeSortRows = 0;
        int pageSize = 0;
        std::vector<TZQuery::TPart> ascending;
    };
    std::vector<TEntry> m_entries; // the most recent first
    QVariantList m_stamp;          // the state of the events they were counted in
    int m_countings = 0;
};
