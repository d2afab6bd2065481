// SPDX-License-Identifier: GPL-3.0-or-later
// `horlo point add|set|list|remove|probe|reset-mark`: the access points (doors) kept
// without SQL, asked for their devices' descriptions, and given back their import
// after a device was replaced or cleared.
#include "cli/CliCommand.h"
#include "cli/CliOptions.h"
#include "cli/HorloCli.h"
#include "cli/ListOutput.h"
#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/device/AccessPointSetup.h"
#include "module/device/DeviceProbe.h"
#include "module/device/LogDecoder.h"

#include <cerrno>
#include <limits>

namespace {

const QStringList kAddOptions{QStringLiteral("--port"), QStringLiteral("--read"),
                              QStringLiteral("--all-access"), QStringLiteral("--outdoor"),
                              QStringLiteral("--comment")};
const QStringList kSetOptions =
    kAddOptions +
    QStringList{QStringLiteral("--name"), QStringLiteral("--address"), QStringLiteral("--active")};

// The named access point; nothing (the reason on err) when the text names none or several.
std::optional<TAccessPoint> Named(TZConnection& connection, const QString& text, QTextStream& err) {
    TAccessPointLookup found = FindAccessPoint(connection, text);
    if (!found.point) err << "horlo: " << found.error << '\n';
    return found.point;
}

// What the options change, checked before the database is reached.
struct TPointEdit {
    TCliOptions options;
    std::optional<bool> read, allAccess, outdoor, active;
    int port = 0; // 0: unchanged

    bool Take(QStringList& arguments, const QStringList& names, QTextStream& err) {
        if (!options.Take(arguments, names, err)) return false;
        for (const auto& [name, flag] : {std::pair{"--read", &read}, std::pair{"--all-access", &allAccess},
                                         std::pair{"--outdoor", &outdoor}, std::pair{"--active", &active}})
            if (!options.Flag(QLatin1String(name), *flag, err)) return false;
        if (!options.Has(QStringLiteral("--port"))) return true;
        bool ok = false;
        port = options.Value(QStringLiteral("--port")).toInt(&ok);
        if (ok && port >= 1 && port <= 65535) return true;
        err << "horlo: --port traži broj od 1 do 65535, a ne \"" << options.Value(QStringLiteral("--port"))
            << "\"\n";
        return false;
    }
    void ApplyTo(TAccessPoint& p) const {
        if (options.Has(QStringLiteral("--name"))) p.name = options.Value(QStringLiteral("--name"));
        if (options.Has(QStringLiteral("--address"))) p.localIp = options.Value(QStringLiteral("--address"));
        if (options.Has(QStringLiteral("--comment"))) p.comment = options.Value(QStringLiteral("--comment"));
        if (port) p.udpPort = port;
        for (const auto& [flag, field] : {std::pair{&read, &p.readable}, std::pair{&allAccess, &p.allAccess},
                                          std::pair{&outdoor, &p.outdoor}, std::pair{&active, &p.active}})
            if (*flag) *field = **flag;
    }
};

int Report(TCliIO& io, const TAccessPoint& p, const TAccessPointOutcome& outcome) {
    if (!outcome.ok) {
        io.err << "horlo: " << outcome.error << '\n';
        return kExitFailed;
    }
    const QString name = p.name.trimmed();
    if (outcome.added)
        io.out << "Dodata je pristupna tačka " << name << " (" << p.localIp.trimmed() << ':' << p.udpPort
               << "); proverite uređaj: horlo point probe '" << name << "'\n";
    else if (outcome.deleted)
        io.out << "Pristupna tačka " << name << " je izbrisana.\n";
    else if (outcome.deactivated)
        io.out << "Pristupna tačka " << name
               << " ima događaje ili kartice, pa nije izbrisana nego isključena (neaktivna, dnevnik se ne "
                  "čita).\n";
    else if (outcome.changes.isEmpty())
        io.out << "Pristupna tačka " << name << " je već takva; ništa nije promenjeno.\n";
    else
        io.out << "Pristupna tačka " << name << ": " << outcome.changes.join(QStringLiteral("; ")) << ".\n";
    return kExitOk;
}

int Add(TZConnection& connection, TCliIO& io, const QString& name, const QString& address,
        const TPointEdit& edit) {
    TAccessPoint p;
    p.name = name;
    p.localIp = address;
    p.udpPort = kDefaultUdpPort;
    p.allAccess = true;
    p.readable = true;
    p.outdoor = false;
    edit.ApplyTo(p);
    return Report(io, p, SaveAccessPoint(connection, p));
}

int Set(TZConnection& connection, TCliIO& io, const QString& text, const TPointEdit& edit) {
    std::optional<TAccessPoint> p = Named(connection, text, io.err);
    if (!p) return kExitUsage;
    edit.ApplyTo(*p);
    if (edit.read.value_or(false) && !p->active)
        io.out << "Neaktivnoj pristupnoj tački se dnevnik ne čita.\n";
    return Report(io, *p, SaveAccessPoint(connection, *p));
}

int Remove(TZConnection& connection, TCliIO& io, const QString& text) {
    const std::optional<TAccessPoint> p = Named(connection, text, io.err);
    if (!p) return kExitUsage;
    return Report(io, *p, RemoveAccessPoint(connection, p->id));
}

int List(TZConnection& connection, TCliIO& io, const TListOutput& output) {
    const std::vector<TAccessPoint> points = AccessPointList(connection);
    const std::vector<TListRow> rows = AccessPointRows(points);
    return output.Write(io, {{}, AccessPointColumns()}, RowsOf(rows));
}

int Probe(TZConnection& connection, TCliIO& io, const QString& text) {
    const std::optional<TAccessPoint> p = Named(connection, text, io.err);
    if (!p) return kExitUsage;
    io.out << p->name << " (" << p->localIp << ':' << p->udpPort << ")\n";
    io.out.flush();
    const TProbeOutcome outcome = ProbeDevice(*p);
    if (!outcome.answered) {
        io.err << "horlo: " << outcome.error << '\n';
        return kExitFailed;
    }
    for (const QString& line : ProbeReport(outcome))
        io.out << "  " << line << '\n';
    return kExitOk;
}

int ResetMark(TZConnection& connection, TCliIO& io, const QString& name, std::uint32_t index) {
    const std::optional<TAccessPoint> found = Named(connection, name, io.err);
    if (!found) return kExitUsage;
    const TAccessPoint& ap = *found;
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

TCliRun ParseResetMark(const QStringList& arguments, QTextStream& err) {
    if (arguments.size() < 1 || arguments.size() > 2) {
        err << "horlo: point reset-mark traži TAČKU i najviše jedan INDEKS\n";
        return {};
    }
    bool ok = true;
    const qulonglong index = arguments.size() == 2 ? arguments[1].toULongLong(&ok) : 0;
    if (!ok || index > std::numeric_limits<std::uint32_t>::max()) {
        err << "horlo: \"" << arguments[1] << "\" nije redni broj zapisa (0 do 4294967295)\n";
        return {};
    }
    const QString name = arguments[0];
    return [name, index](TZConnection& connection, TCliIO& io) {
        return ResetMark(connection, io, name, std::uint32_t(index));
    };
}

// The one argument of a command that names an access point.
TCliRun OneDoor(const QStringList& arguments, const char* verb, QTextStream& err,
                int (*run)(TZConnection&, TCliIO&, const QString&)) {
    if (arguments.size() != 1 || arguments[0].startsWith(QLatin1String("--"))) {
        err << "horlo: point " << verb << " traži NAZIV (ili adresu) pristupne tačke\n";
        return {};
    }
    return [text = arguments[0], run](TZConnection& connection, TCliIO& io) {
        return run(connection, io, text);
    };
}

TCliRun ParsePoint(const QStringList& arguments, QTextStream& err) {
    const QString verb = arguments.value(0);
    QStringList rest = arguments.mid(1);
    if (verb == QLatin1String("reset-mark")) return ParseResetMark(rest, err);
    if (verb == QLatin1String("probe")) return OneDoor(rest, "probe", err, Probe);
    if (verb == QLatin1String("remove")) return OneDoor(rest, "remove", err, Remove);
    if (verb == QLatin1String("list")) {
        TListOutput output;
        if (!output.Take(rest, err)) return {};
        if (!rest.isEmpty()) {
            err << "horlo: nepoznat argument \"" << rest.first() << "\"\n";
            return {};
        }
        return [output](TZConnection& connection, TCliIO& io) { return List(connection, io, output); };
    }
    const bool add = verb == QLatin1String("add");
    if (!add && verb != QLatin1String("set")) {
        err << (arguments.isEmpty()
                    ? QStringLiteral("horlo: point traži add, set, list, probe, remove ili reset-mark\n")
                    : QStringLiteral("horlo: nepoznata komanda \"point %1\"\n").arg(verb));
        return {};
    }
    TPointEdit edit;
    if (!edit.Take(rest, add ? kAddOptions : kSetOptions, err)) return {};
    if (rest.size() != (add ? 2 : 1)) {
        err << (add ? "horlo: point add traži NAZIV i ADRESU\n"
                    : "horlo: point set traži NAZIV (ili adresu)\n");
        return {};
    }
    if (add)
        return [rest, edit](TZConnection& connection, TCliIO& io) {
            return Add(connection, io, rest[0], rest[1], edit);
        };
    return [text = rest[0], edit](TZConnection& connection, TCliIO& io) {
        return Set(connection, io, text, edit);
    };
}

} // namespace

QStringList CliAccessPointNames(TZConnection& connection) {
    QStringList names;
    for (const TAccessPoint& ap : AccessPointList(connection))
        names << ap.name;
    return names;
}

std::vector<TCliCommand> PointCommands() {
    TCliCommand point{
        QStringLiteral("point"),
        QStringLiteral(
            "  point add NAZIV ADRESA [--port N] [--read y|n] [--all-access y|n]\n"
            "            [--outdoor y|n] [--comment TEKST]\n"
            "            dodaje pristupnu tačku (vrata sa uređajem) na IPv4 ADRESI i UDP portu N\n"
            "            (5001); --read: čita li se dnevnik (y), --all-access: prima li sve\n"
            "            kartice (y), --outdoor: spoljna vrata (n); drugu tačku istog naziva, ili\n"
            "            na istoj adresi i portu, odbija\n"
            "  point set TAČKA [--name NAZIV] [--address ADRESA] [--port N] [--read y|n]\n"
            "            [--all-access y|n] [--outdoor y|n] [--active y|n] [--comment TEKST]\n"
            "            menja pristupnu tačku (naziv ili adresa) i ispisuje šta je promenjeno;\n"
            "            neaktivnoj se dnevnik ne čita\n"
            "  point list [--csv | --xlsx DATOTEKA]\n"
            "            pristupne tačke sa adresama, podešavanjima i oznakom poslednjeg zapisa\n"
            "  point probe TAČKA\n"
            "            pita uređaj za podatke o sebi: model, firmver, memorija, broj korisnika\n"
            "            i zapisa u dnevniku; izlazi sa 1 kad uređaj ne odgovara\n"
            "  point remove TAČKA\n"
            "            briše pristupnu tačku bez istorije; onu koja ima događaje, zapise ili\n"
            "            kartice ne briše nego isključuje (neaktivna, dnevnik se ne čita)\n"
            "  point reset-mark TAČKA [INDEKS]\n"
            "            postavlja oznaku poslednjeg upisanog zapisa pristupne tačke (naziv ili\n"
            "            adresa) na INDEKS, bez njega na 0: posle zamene ili brisanja uređaja, ili\n"
            "            kad je upisan pogrešan redni broj; sledeći uvoz upisuje zapise iznad nje;\n"
            "            zapisi već upisani iznad onoga što uređaj ima ostaju u bazi, ali više ne\n"
            "            podižu oznaku; odbija se dok drugi program na ovom računaru (uvoz,\n"
            "            konzola) drži UDP port uređaja\n"),
        ParsePoint};
    // the commands that name a door
    point.values = [](const QStringList& arguments, const TCliCommand::TConnect& connect) {
        static const QStringList named{QStringLiteral("set"), QStringLiteral("probe"),
                                       QStringLiteral("remove"), QStringLiteral("reset-mark")};
        return arguments.size() == 1 && named.contains(arguments[0]) ? CliAccessPointNames(*connect())
                                                                     : QStringList();
    };
    return {point};
}
