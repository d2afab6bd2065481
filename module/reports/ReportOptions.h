// SPDX-License-Identifier: GPL-3.0-or-later
// What the report dialog keeps between uses in the settings section "Horlo":
// the opening event types of the pairs, the warning and exception limits, "Svi"
// or "Posebno", and the working-day limits. The command line reads the same.
#pragma once

#include "module/reports/WorkingDay.h"

#include <QList>

#include <vector>

class TZConnection;

struct TReportOptions {
    QList<qint64> FromEventIDs;
    int MinCalcLen = 360;
    int MaxCalcLen = 600;
    int MaxExclLen = 30;
    int AllowedPauseLen = 30;
    bool AllEmp = true;
    TWorkingDayLimits Limits;

    // Keys never written keep the values of `defaults`; an absent FromEventIDs
    // gives defaultOpeners (DefaultPairOpeners), a stored one, even empty, stays.
    static TReportOptions Read(TZConnection& connection, const QList<qint64>& defaultOpeners,
                               const TReportOptions& defaults);
    static TReportOptions Read(TZConnection& connection, const QList<qint64>& defaultOpeners);
    // Writes every key, in one transaction.
    void Write(TZConnection& connection) const;
};

// "5,15" and back. Entries that are no positive whole number are left out.
QList<qint64> ParseEventIDs(const QString& commaText);
QString EventIDsText(const QList<qint64>& ids);

struct TEventPair;
// The pairs of the opening types, each with its inverse; 0 when a type has none.
std::vector<TEventPair> EventPairsFor(TZConnection& connection, const QList<qint64>& fromEventIDs);
