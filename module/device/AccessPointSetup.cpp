// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/AccessPointSetup.h"

#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/data/ZQuery.h"
#include "module/device/LogDecoder.h"
#include "module/device/protocol/UdpEndpoint.h"

namespace {

QString YesNo(bool value) {
    return QString::fromUtf8(value ? "da" : "ne");
}

std::vector<TAccessPoint> Read(TZConnection& connection, const QString& rest) {
    TZQuery query(&connection);
    query.SetSQL(QStringLiteral("SELECT * FROM horloaccesspoint ") + rest);
    query.Open();
    return AccessPointsOf(query);
}

// The stored row, read again under a lock inside the caller's transaction.
std::optional<TAccessPoint> Locked(TZConnection& connection, qint64 id) {
    std::vector<TAccessPoint> points =
        Read(connection, QStringLiteral("WHERE horloaccesspointid = %1 FOR UPDATE").arg(id));
    if (points.empty()) return std::nullopt;
    return points.front();
}

QStringList Changes(const TAccessPoint& before, const TAccessPoint& after) {
    QStringList changes;
    const auto change = [&](const char* label, const QString& a, const QString& b) {
        if (a != b) changes << QStringLiteral("%1: \"%2\" → \"%3\"").arg(QString::fromUtf8(label), a, b);
    };
    change("Naziv", before.name, after.name);
    change("Adresa", before.localIp, after.localIp);
    change("UDP port", QString::number(before.udpPort), QString::number(after.udpPort));
    change("Čita se dnevnik", YesNo(before.readable), YesNo(after.readable));
    change("Prima sve kartice", YesNo(before.allAccess), YesNo(after.allAccess));
    change("Spoljna vrata", YesNo(before.outdoor), YesNo(after.outdoor));
    change("Aktivna", YesNo(before.active), YesNo(after.active));
    change("Komentar", before.comment, after.comment);
    return changes;
}

QString Flag(bool value) {
    return QString::fromLatin1(value ? "'y'" : "'n'");
}

// The refusal of a row that repeats a unique key of the table.
QString Taken(TZConnection& connection, const QString& key, const TAccessPoint& point) {
    if (key == QLatin1String("horloaccesspoint_name")) {
        // the stored spelling: names compare without letter case
        const TResultSet holder = connection.Select(
            QStringLiteral("SELECT name FROM horloaccesspoint WHERE name = ") + connection.Quote(point.name));
        return Format(QStringLiteral("Pristupna tačka \"%s\" već postoji."),
                      {holder.rows.empty() ? point.name : holder.rows[0][0].toString()});
    }
    const TResultSet holder = connection.Select(
        Format(QStringLiteral("SELECT name FROM horloaccesspoint WHERE localip = %s AND udpport = %d"),
               {connection.Quote(point.localIp), point.udpPort}));
    return Format(
        QStringLiteral("Na adresi %s, UDP portu %d već je pristupna tačka \"%s\"."),
        {point.localIp, point.udpPort, holder.rows.empty() ? QString() : holder.rows[0][0].toString()});
}

} // namespace

std::vector<TAccessPoint> AccessPointList(TZConnection& connection) {
    return Read(connection, QStringLiteral("ORDER BY horloaccesspointid"));
}

std::optional<TAccessPoint> AccessPointById(TZConnection& connection, qint64 id) {
    std::vector<TAccessPoint> points =
        Read(connection, QStringLiteral("WHERE horloaccesspointid = %1").arg(id));
    if (points.empty()) return std::nullopt;
    return points.front();
}

TAccessPointLookup FindAccessPoint(TZConnection& connection, const QString& text) {
    std::vector<TAccessPoint> points = AccessPointList(connection);
    std::erase_if(points, [&](const TAccessPoint& ap) { return !ap.NamedBy(text); });
    if (points.size() == 1) return {points.front(), {}};
    return {std::nullopt, Format(points.empty() ? QStringLiteral("nepoznata pristupna tačka \"%s\"")
                                                : QStringLiteral("\"%s\" imenuje više pristupnih tačaka"),
                                 {text})};
}

QString DeviceAddressRefusal(const QString& address, int port) {
    if (!IsIpv4Address(address.trimmed().toStdString()))
        return Format(QStringLiteral("\"%s\" nije IPv4 adresa uređaja (oblik 192.168.1.20)."), {address});
    if (port < 1 || port > 65535)
        return Format(QStringLiteral("UDP port %d nije ispravan (dozvoljeno je 1 do 65535)."), {port});
    return {};
}

TAccessPointOutcome SaveAccessPoint(TZConnection& connection, const TAccessPoint& requested) {
    TAccessPointOutcome outcome;
    TAccessPoint point = requested;
    point.name = point.name.trimmed();
    point.localIp = point.localIp.trimmed();
    point.comment = point.comment.trimmed();
    point.readable = point.readable && point.active;
    const TResultSet sizes =
        connection.Select(QStringLiteral("SELECT name, comment FROM horloaccesspoint LIMIT 0"));
    if (point.name.isEmpty())
        outcome.error = QStringLiteral("Naziv pristupne tačke mora biti zadat.");
    else if (point.name.size() > sizes.columns[0].size)
        outcome.error = Format(QStringLiteral("Naziv je duži od %d znakova."), {sizes.columns[0].size});
    else if (point.comment.size() > sizes.columns[1].size)
        outcome.error = Format(QStringLiteral("Komentar je duži od %d znakova."), {sizes.columns[1].size});
    else
        outcome.error = DeviceAddressRefusal(point.localIp, point.udpPort);
    if (!outcome.error.isEmpty()) return outcome;

    const QString values =
        Format(QStringLiteral("name = %s, localip = %s, udpport = %d, readaccess = %s, allaccess = %s, "
                              "outdoor = %s, active = %s, comment = %s"),
               {connection.Quote(point.name), connection.Quote(point.localIp), point.udpPort,
                Flag(point.readable), Flag(point.allAccess), Flag(point.outdoor), Flag(point.active),
                point.comment.isEmpty() ? QStringLiteral("NULL") : connection.Quote(point.comment)});
    try {
        outcome = RunInTransaction(connection, [&] {
            TAccessPointOutcome o;
            if (point.id == 0) {
                // the columns the devices do not use are left empty
                connection.Execute(QStringLiteral("INSERT INTO horloaccesspoint SET ") + values +
                                       QStringLiteral(", macaddress = '', publicip = '', tcpport = 0"),
                                   &o.id);
                o.added = o.ok = true;
                return o;
            }
            const std::optional<TAccessPoint> stored = Locked(connection, point.id);
            if (!stored) {
                o.error = QStringLiteral("Pristupna tačka više ne postoji; osvežite spisak.");
                return o;
            }
            o.id = point.id;
            o.changes = Changes(*stored, point);
            if (!o.changes.isEmpty())
                connection.Execute(QStringLiteral("UPDATE horloaccesspoint SET ") + values +
                                   QStringLiteral(" WHERE horloaccesspointid = ") +
                                   QString::number(point.id));
            o.ok = true;
            return o;
        });
    } catch (const EDatabaseError& e) {
        if (!e.DuplicateKey().startsWith(QLatin1String("horloaccesspoint_"))) throw;
        outcome = {};
        outcome.error = Taken(connection, e.DuplicateKey(), point);
    }
    return outcome;
}

TAccessPointOutcome RemoveAccessPoint(TZConnection& connection, qint64 id) {
    return RunInTransaction(connection, [&] {
        TAccessPointOutcome o;
        o.id = id;
        // imports and processing store this door's records under the same lock, so
        // none lands between the look and the delete
        LockRawEventLog(connection);
        const std::optional<TAccessPoint> stored = Locked(connection, id);
        if (!stored) {
            o.error = QStringLiteral("Pristupna tačka više ne postoji; osvežite spisak.");
            return o;
        }
        const TResultSet history = connection.Select(Format(
            QStringLiteral("SELECT EXISTS(SELECT 1 FROM employeeeventraw WHERE horloaccesspointid = %d) OR "
                           "EXISTS(SELECT 1 FROM employeeevent WHERE horloaccesspointid = %d) OR "
                           "EXISTS(SELECT 1 FROM horloaccessticket WHERE horloaccesspointid = %d)"),
            {id, id, id}));
        if (history.rows[0][0].toInt() == 0) {
            connection.Execute(
                Format(QStringLiteral("DELETE FROM horloaccesspoint WHERE horloaccesspointid = %d"), {id}));
            o.deleted = o.ok = true;
            return o;
        }
        TAccessPoint retired = *stored;
        retired.active = retired.readable = false;
        o.changes = Changes(*stored, retired);
        connection.Execute(Format(
            QStringLiteral(
                "UPDATE horloaccesspoint SET active = 'n', readaccess = 'n' WHERE horloaccesspointid = %d"),
            {id}));
        o.deactivated = o.ok = true;
        return o;
    });
}

std::vector<TListColumn> AccessPointColumns() {
    return {{QStringLiteral("name"), QStringLiteral("Naziv")},
            {QStringLiteral("localip"), QStringLiteral("Adresa")},
            {QStringLiteral("udpport"), QStringLiteral("Port"), TCellType::Number},
            {QStringLiteral("readaccess"), QStringLiteral("Čita se")},
            {QStringLiteral("allaccess"), QStringLiteral("Sve kartice")},
            {QStringLiteral("outdoor"), QStringLiteral("Spoljna")},
            {QStringLiteral("active"), QStringLiteral("Aktivna")},
            {QStringLiteral("currentdeviceindex"), QStringLiteral("Oznaka"), TCellType::Number},
            {QStringLiteral("comment"), QStringLiteral("Komentar")}};
}

std::vector<TListRow> AccessPointRows(const std::vector<TAccessPoint>& points) {
    const auto flag = [](bool value) {
        return TListCell(QString(value ? QLatin1Char('y') : QLatin1Char('n')), value ? _YES_CAP : _NO_CAP);
    };
    std::vector<TListRow> rows;
    for (const TAccessPoint& p : points)
        rows.push_back({{p.name},
                        {p.localIp},
                        {p.udpPort},
                        flag(p.readable),
                        flag(p.allAccess),
                        flag(p.outdoor),
                        flag(p.active),
                        {qlonglong(p.mark)},
                        {p.comment}});
    return rows;
}
