// SPDX-License-Identifier: GPL-3.0-or-later
// An access point (a door and its device) as the downloads and the device
// commands need it, read from the access point list.
#pragma once

#include "host/data/DataSet.h"

#include <QString>

#include <vector>

struct TAccessPoint {
    qint64 id = 0;
    QString name;
    QString localIp;
    int udpPort = 0;
    bool active = true;
    bool allAccess = true; // takes every card
    bool outdoor = false;
    bool readable = true; // its log is read
    QString comment{};
    qint64 mark = 0; // the highest device log index stored (set by imports and `point reset-mark` only)
    QString Label() const { return QStringLiteral("%1 (%2)").arg(name, localIp); }
    // Whether text names it: its name, in any case, or its address.
    bool NamedBy(const QString& text) const;
};

// Every row of an open access point list, in its order; none when it is closed.
std::vector<TAccessPoint> AccessPointsOf(TDataSet& accessPoints);
// Those whose log is read.
std::vector<TAccessPoint> ReadableAccessPoints(TDataSet& accessPoints);
