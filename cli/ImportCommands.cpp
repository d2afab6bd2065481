// SPDX-License-Identifier: GPL-3.0-or-later
// `horlo import` and `horlo process`: the import dialog's download chain and
// its processing.
#include "cli/CliCommand.h"
#include "cli/HorloCli.h"
#include "cli/ListOutput.h"
#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/device/ImportDriver.h"
#include "module/device/LogDownload.h"
#include "module/device/RawEventProcessing.h"

#include <QCoreApplication>

#include <algorithm>
#include <optional>

namespace {

// The readable access points that the arguments name (by name or address), in
// the list's order; all of them without arguments. Nothing on bad usage.
std::optional<std::vector<TAccessPoint>> ChosenAccessPoints(TDataSet& accessPoints, const QStringList& names,
                                                            QTextStream& err) {
    std::vector<TAccessPoint> chosen = AccessPointsOf(accessPoints);
    bool ok = true;
    for (const QString& name : names) {
        const auto named = [&](const TAccessPoint& ap) { return ap.NamedBy(name); };
        if (std::none_of(chosen.begin(), chosen.end(), named)) {
            err << QStringLiteral("horlo: nepoznata pristupna tačka \"%1\"\n").arg(name);
            ok = false;
        } else if (std::none_of(chosen.begin(), chosen.end(),
                                [&](const TAccessPoint& ap) { return ap.readable && named(ap); })) {
            err << QStringLiteral("horlo: pristupna tačka \"%1\" nema dnevnik za čitanje\n").arg(name);
            ok = false;
        }
    }
    if (!ok) return std::nullopt;
    std::erase_if(chosen, [&](const TAccessPoint& ap) {
        return !ap.readable ||
               (!names.isEmpty() && std::none_of(names.begin(), names.end(),
                                                 [&](const QString& name) { return ap.NamedBy(name); }));
    });
    return chosen;
}

int Import(TZConnection& connection, TCliIO& io, const QStringList& names) {
    QTextStream& out = io.out;
    TCliDataModule dm(connection);
    dm.HorloAccessPointZQ->Close();
    dm.HorloAccessPointZQ->Open();
    const auto chosen = ChosenAccessPoints(*dm.HorloAccessPointZQ, names, io.err);
    if (!chosen) return kExitUsage;
    TDeviceProtocol protocol(rsIdle);
    TEventImport chain(protocol, connection);
    chain.SetAccessPoints(*chosen);
    if (chain.AtEnd()) {
        out << "Nijedna pristupna tačka nema dnevnik za čitanje.\n";
        return kExitOk;
    }

    bool anyFailed = false;
    chain.OnDeviceFinished = [&](const TAccessPoint& ap, const TDownloadOutcome& outcome) {
        io.Progress();
        out << ap.name << " (" << ap.localIp << ':' << ap.udpPort << "): " << OutcomeText(outcome) << '\n';
        out.flush();
        anyFailed = anyFailed || NeedsAttention(outcome);
    };
    chain.OnChainEnded = [] { QCoreApplication::exit(0); };
    TImportDriver driver(chain);
    if (io.showProgress)
        driver.OnTick = [&] {
            if (chain.Download().TotalBlocks() > 0)
                io.Progress(QStringLiteral("%1: %2/%3 blokova")
                                .arg(chain.AccessPoints()[chain.Current()].name)
                                .arg(chain.Download().BlocksDone())
                                .arg(chain.Download().TotalBlocks()));
        };
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { chain.Begin(); }, Qt::QueuedConnection);
    QCoreApplication::exec();
    chain.Stop();
    return anyFailed ? kExitFailed : kExitOk;
}

int Process(TZConnection& connection, TCliIO& io) {
    TRawEventProcessor processor(connection);
    if (io.showProgress)
        processor.OnProgress = [&](int position, int maximum) {
            io.Progress(QStringLiteral("%1/%2 zapisa").arg(position).arg(maximum));
        };
    const TProcessResult r = processor.Run();
    io.Progress();
    io.out << ProcessSummary(r).join(QStringLiteral("; ")) << '\n';
    return kExitOk;
}

// The swipes that processing made no event of, by time.
int Unassigned(TZConnection& connection, TCliIO& io, const QDate& from, const QDate& to,
               const TListOutput& output) {
    // programs get the raw record's key too
    const bool people = output.ForPeople();
    TList list;
    if (!people) list.columns.push_back({QStringLiteral("employeeeventrawid"), QString(), TCellType::Number});
    list.columns.insert(list.columns.end(),
                        {{QStringLiteral("eventtime"), QStringLiteral("Vreme"), TCellType::DateTime},
                         {QStringLiteral("accesspoint"), QStringLiteral("Vrata")},
                         {QStringLiteral("eventtype"), QStringLiteral("Događaj")},
                         {QStringLiteral("card"), QStringLiteral("Kartica")},
                         {QStringLiteral("cardcode"), QStringLiteral("Kod"), TCellType::Number},
                         {QStringLiteral("reason"), QStringLiteral("Razlog")}});
    if (output.format == TListFormat::Xlsx) {
        list.caption << QStringLiteral("Prolazi bez događaja");
        if (from.isValid())
            list.caption << Format(_PRINT_HEADER_FMT,
                                   {FormatDateTime(QStringLiteral("dd.mm.yyyy"), WallClock(from)),
                                    FormatDateTime(QStringLiteral("dd.mm.yyyy"), WallClock(to))})
                                .split(QStringLiteral("\r\n"));
    }
    const TListRows rows = [&](const TListSink& sink) {
        WalkUnassignedSwipes(connection, from, to, [&](const TUnassignedSwipe& s) {
            TListRow row;
            if (!people) row.emplace_back(s.rawId);
            row.emplace_back(WallClock(s.time));
            row.emplace_back(s.door);
            row.emplace_back(s.eventTypeName);
            row.emplace_back(s.card);
            row.emplace_back(s.code);
            row.emplace_back(ReasonCode(s.reason), ReasonText(s.reason));
            sink(row);
        });
        return true;
    };
    return output.WriteTotalled(io, list, rows);
}

TCliRun ParseRaw(const QStringList& arguments, QTextStream& err) {
    QStringList rest = arguments.mid(1);
    TListOutput output;
    if (arguments.value(0) != QLatin1String("unassigned")) {
        err << "horlo: upotreba: horlo raw unassigned [OD DO] [--csv | --xlsx DATOTEKA]\n";
        return {};
    }
    TListPeriod period;
    if (!output.Take(rest, err) || !period.Take(rest, QStringLiteral("raw unassigned"), true, err)) return {};
    if (!period.code.isEmpty()) { // swipes of nobody have no employee to name
        err << "horlo: nepoznat argument \"--code\"\n";
        return {};
    }
    const QDate from = period.from, to = period.to;
    return [from, to, output](TZConnection& connection, TCliIO& io) {
        return Unassigned(connection, io, from, to, output);
    };
}

} // namespace

std::vector<TCliCommand> ImportCommands() {
    TCliCommand importCommand{
        QStringLiteral("import"),
        QStringLiteral("  import [TAČKA...]\n"
                       "            preuzima dnevnike uređaja čiji se dnevnik čita (redom po pristupnoj\n"
                       "            tački) i upisuje nove zapise; TAČKA je naziv ili adresa pristupne\n"
                       "            tačke, bez nje sve; ide dalje i kad jedan uređaj ne uspe; ispisuje\n"
                       "            po red za svaku pristupnu tačku; zapis koji je drugi program\n"
                       "            (drugi računar, čvor klastera) već upisao ne upisuje se ponovo\n"),
        [](const QStringList& arguments, QTextStream& err) -> TCliRun {
            for (const QString& a : arguments)
                if (a.startsWith(QLatin1Char('-'))) {
                    err << "horlo: nepoznat argument \"" << a << "\"\n";
                    return {};
                }
            return [arguments](TZConnection& connection, TCliIO& io) {
                return Import(connection, io, arguments);
            };
        }};
    importCommand.values = [](const QStringList&, const TCliCommand::TConnect& connect) {
        return CliAccessPointNames(*connect());
    };
    return {
        importCommand,
        {QStringLiteral("process"),
         QStringLiteral("  process   pretvara neobrađene zapise u događaje (kao \"Obrada\"): prolaz je\n"
                        "            događaj onoga ko je u vreme prolaza imao karticu; prolaze kartica\n"
                        "            koje tada nisu bile ničije broji i ostavlja (raw unassigned); više\n"
                        "            obrada u isto vreme (i na raznim čvorovima klastera) ne upisuje\n"
                        "            nijedan događaj dvaput\n"),
         CliNoArguments(Process)},
        {QStringLiteral("raw"),
         QStringLiteral("  raw unassigned [OD DO] [--csv | --xlsx DATOTEKA]\n"
                        "            prolazi koje obrada nije upisala kao događaje (kartica tada nije\n"
                        "            bila ničija, nepoznata kartica ili pristupna dozvola), po vremenu;\n"
                        "            postaju događaji kad se kartica spoji sa zaposlenim od njihovog\n"
                        "            vremena (card tie ... --from)\n"),
         ParseRaw},
    };
}
