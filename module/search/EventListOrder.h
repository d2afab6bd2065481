// SPDX-License-Identifier: GPL-3.0-or-later
// How the event list of one search is read when it is ordered by employee,
// event type or time. The database cannot sort a million joined rows by name
// in the time a user waits, so such an order is read in runs of rows that an
// index serves.
#pragma once

#include "host/data/ZQuery.h"

#include <vector>

// Splits the order led by lead of query (a search of the event list made with
// searchCondition, empty for none) into parts; returns false for a field the
// list is not split by. Up to wholeSortRows rows are one part sorted whole by
// the database, which is quick.
bool SplitEventOrder(TZConnection& connection, const QString& searchCondition, qint64 wholeSortRows,
                     TZQuery& query, const TField& lead, bool descending, std::vector<TZQuery::TPart>& parts);
