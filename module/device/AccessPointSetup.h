// SPDX-License-Identifier: GPL-3.0-or-later
// Keeping the access points (doors): adding, changing and removing them, with
// their checks, and the list. Widget-free: the dialog "Pristupne tačke" and
// `horlo point add|set|list|remove` share it.
#pragma once

#include "host/data/Database.h"
#include "host/data/ListWriter.h"
#include "module/device/AccessPoint.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The port a new door's device takes commands on, unless told otherwise.
inline constexpr int kDefaultUdpPort = 5001;

// Every access point, in the order of its identifier.
std::vector<TAccessPoint> AccessPointList(TZConnection& connection);
std::optional<TAccessPoint> AccessPointById(TZConnection& connection, qint64 id);

struct TAccessPointLookup {
    std::optional<TAccessPoint> point;
    QString error; // none or several named
};
// The one access point that the text names, by its name (in any letter case) or address.
TAccessPointLookup FindAccessPoint(TZConnection& connection, const QString& text);

// Why a device cannot be asked at that address and port (not IPv4, a port outside
// 1-65535), or an empty text.
QString DeviceAddressRefusal(const QString& address, int port);

struct TAccessPointOutcome {
    bool ok = false;
    qint64 id = 0;
    bool added = false;
    bool deleted = false;     // removed: it had no history
    bool deactivated = false; // removed: it has events or cards, so it is kept inactive
    QStringList changes;      // what a change changed; empty: nothing
    QString error;            // why nothing was stored
};

// Adds the access point (id 0) or changes the stored one, in one transaction. Its mark
// is not written. A door that is not active is not read. Two doors with one name, or on
// one address and port, are refused by the database's keys.
TAccessPointOutcome SaveAccessPoint(TZConnection& connection, const TAccessPoint& point);
// Deletes an access point that has no events, device records or card tickets; one that
// has any is deactivated instead (and no longer read), so that its history keeps its door.
TAccessPointOutcome RemoveAccessPoint(TZConnection& connection, qint64 id);

// The list of access points as the list writer takes it (flags as y or n for
// programs, Da or Ne for people).
std::vector<TListColumn> AccessPointColumns();
std::vector<TListRow> AccessPointRows(const std::vector<TAccessPoint>& points);
