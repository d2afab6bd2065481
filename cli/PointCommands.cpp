// SPDX-License-Identifier: GPL-3.0-or-later
// `horlo point reset-mark`: gives a door back its import after its device was
// replaced or cleared, or after a wrong index was stored as its mark.
#include "cli/CliCommand.h"
#include "cli/HorloCli.h"
#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/device/LogDownload.h"

#include <cerrno>
#include <limits>

namespace {

int ResetMark(TZConnection& connection, TCliIO& io, const QString& name, std::uint32_t index) {
    TCliDataModule dm(connection);
    dm.HorloAccessPointZQ->Close();
    dm.HorloAccessPointZQ->Open();
    std::vector<TAccessPoint> points = AccessPointsOf(*dm.HorloAccessPointZQ);
    std::erase_if(points, [&](const TAccessPoint& ap) { return !ap.NamedBy(name); });
    if (points.size() != 1) {
        io.err << (points.empty() ? QStringLiteral("horlo: nepoznata pristupna tačka \"%1\"\n")
                                  : QStringLiteral("horlo: \"%1\" imenuje više pristupnih tačaka\n"))
                      .arg(name);
        return kExitUsage;
    }
    const TAccessPoint& ap = points.front();
    // An import on this machine holds the device's port for the whole download; holding
    // it here keeps one from starting meanwhile. One on another machine finds the mark
    // set back when it stores, and stores nothing.
    TDeviceProtocol protocol(rsIdle);
    if (!protocol.OpenEndpoint(ap.localIp.trimmed().toStdString(), ap.udpPort) &&
        protocol.Endpoint().LastError() == EADDRINUSE) {
        // whoever it is: an import, a console's device dialog, or another program
        const QString holder = QString::fromStdString(protocol.Endpoint().PortHolder());
        io.err << "horlo: UDP port " << ap.udpPort << " pristupne tačke \"" << ap.name
               << "\" drži drugi program"
               << (holder.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(holder))
               << "; oznaka nije promenjena\n";
        return kExitFailed;
    }
    const TResultSet before = connection.Select(Format(
        QStringLiteral("SELECT currentdeviceindex FROM horloaccesspoint WHERE horloaccesspointid = %d"),
        {ap.id}));
    ResetDeviceMark(connection, ap.id, index);
    protocol.CloseEndpoint();
    io.out << "Oznaka pristupne tačke " << ap.name << " je " << index << " (bila je "
           << before.rows[0][0].toLongLong() << ").\n";
    return kExitOk;
}

TCliRun ParsePoint(const QStringList& arguments, QTextStream& err) {
    if (arguments.value(0) != QLatin1String("reset-mark")) {
        err << (arguments.isEmpty()
                    ? QStringLiteral("horlo: point traži reset-mark\n")
                    : QStringLiteral("horlo: nepoznata komanda \"point %1\"\n").arg(arguments[0]));
        return {};
    }
    if (arguments.size() < 2 || arguments.size() > 3) {
        err << "horlo: point reset-mark traži TAČKU i najviše jedan INDEKS\n";
        return {};
    }
    bool ok = true;
    const qulonglong index = arguments.size() == 3 ? arguments[2].toULongLong(&ok) : 0;
    if (!ok || index > std::numeric_limits<std::uint32_t>::max()) {
        err << "horlo: \"" << arguments[2] << "\" nije redni broj zapisa (0 do 4294967295)\n";
        return {};
    }
    const QString name = arguments[1];
    return [name, index](TZConnection& connection, TCliIO& io) {
        return ResetMark(connection, io, name, std::uint32_t(index));
    };
}

} // namespace

QStringList CliAccessPointNames(TZConnection& connection) {
    TCliDataModule dm(connection);
    dm.HorloAccessPointZQ->Close();
    dm.HorloAccessPointZQ->Open();
    QStringList names;
    for (const TAccessPoint& ap : AccessPointsOf(*dm.HorloAccessPointZQ))
        names << ap.name;
    return names;
}

std::vector<TCliCommand> PointCommands() {
    TCliCommand point{
        QStringLiteral("point"),
        QStringLiteral(
            "  point reset-mark TAČKA [INDEKS]\n"
            "            postavlja oznaku poslednjeg upisanog zapisa pristupne tačke (naziv ili\n"
            "            adresa) na INDEKS, bez njega na 0: posle zamene ili brisanja uređaja, ili\n"
            "            kad je upisan pogrešan redni broj; sledeći uvoz upisuje zapise iznad nje;\n"
            "            zapisi već upisani iznad onoga što uređaj ima ostaju u bazi, ali više ne\n"
            "            podižu oznaku; odbija se dok drugi program na ovom računaru (uvoz,\n"
            "            konzola) drži UDP port uređaja\n"),
        ParsePoint};
    point.values = [](const QStringList& arguments, const TCliCommand::TConnect& connect) {
        return arguments == QStringList{QStringLiteral("reset-mark")} ? CliAccessPointNames(*connect())
                                                                      : QStringList();
    };
    return {point};
}
