// `horlo import` and `horlo process`: the import dialog's download chain and
// its processing.
#include "cli/CliCommand.h"
#include "cli/HorloCli.h"
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
    QTextStream& err = io.err;
    const bool showProgress = io.showProgress;
    TCliDataModule dm(connection);
    dm.HorloAccessPointZQ->Close();
    dm.HorloAccessPointZQ->Open();
    const auto chosen = ChosenAccessPoints(*dm.HorloAccessPointZQ, names, err);
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
        if (showProgress) err << "\r\033[K" << Qt::flush;
        out << ap.name << " (" << ap.localIp << ':' << ap.udpPort << "): " << OutcomeText(outcome) << '\n';
        out.flush();
        anyFailed = anyFailed || NeedsAttention(outcome);
    };
    chain.OnChainEnded = [] { QCoreApplication::exit(0); };
    TImportDriver driver(chain);
    if (showProgress)
        driver.OnTick = [&] {
            if (chain.Download().TotalBlocks() > 0)
                err << "\r\033[K" << chain.AccessPoints()[chain.Current()].name << ": "
                    << chain.Download().BlocksDone() << '/' << chain.Download().TotalBlocks() << " blokova"
                    << Qt::flush;
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
            io.err << "\r\033[K" << position << '/' << maximum << " zapisa" << Qt::flush;
        };
    const TProcessResult r = processor.Run();
    if (io.showProgress) io.err << "\r\033[K" << Qt::flush;
    io.out << ProcessSummary(r) << '\n';
    return kExitOk;
}

} // namespace

std::vector<TCliCommand> ImportCommands() {
    return {
        {QStringLiteral("import"),
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
         }},
        {QStringLiteral("process"),
         QStringLiteral("  process   pretvara neobrađene zapise u događaje (kao \"Obrada\"); više\n"
                        "            obrada u isto vreme (i na raznim čvorovima klastera) ne upisuje\n"
                        "            nijedan događaj dvaput\n"),
         CliNoArguments(Process)},
    };
}
