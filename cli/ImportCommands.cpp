// `horlo import` and `horlo process`: the import dialog's download chain and
// its processing.
#include "cli/CliCommand.h"
#include "cli/HorloCli.h"
#include "module/data/HorloDMUnit.h"
#include "module/device/LogDownload.h"
#include "module/device/RawEventProcessing.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

int Import(TZConnection& connection, TCliIO& io) {
    QTextStream& out = io.out;
    QTextStream& err = io.err;
    const bool showProgress = io.showProgress;
    TCliDataModule dm(connection);
    HorloDM->HorloAccessPointZQ->Close();
    HorloDM->HorloAccessPointZQ->Open();
    TDeviceProtocol protocol(rsIdle);
    TEventImport chain(protocol, connection);
    chain.StopAtFailure = false;
    chain.SetAccessPoints(ReadableAccessPoints(*HorloDM->HorloAccessPointZQ));
    if (chain.AtEnd()) {
        out << "Nijedna pristupna tačka nema dnevnik za čitanje.\n";
        return kExitOk;
    }

    bool anyFailed = false;
    QTimer packetTicker, watchdogTicker;
    chain.OnDeviceFinished = [&](const TAccessPointInfo& ap, const TDownloadOutcome& outcome) {
        if (showProgress) err << "\r\033[K" << Qt::flush;
        out << ap.name << " (" << ap.localIp << ':' << ap.udpPort << "): ";
        if (outcome.ok) {
            out << outcome.blocks << " blokova pročitano, " << outcome.decoded.stored
                << " novih zapisa upisano";
            if (outcome.decoded.invalidTime > 0)
                out << ", " << outcome.decoded.invalidTime << " zapisa sa nemogućim vremenom preskočeno";
            out << '\n';
        } else {
            anyFailed = true;
            out << "GREŠKA: " << outcome.error << '\n';
        }
        out.flush();
    };
    chain.OnChainEnded = [&](bool) { QCoreApplication::exit(0); };
    chain.Download().OnTickDue = [&](int delayMs) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [&, delayMs] {
                QTimer::singleShot(delayMs, QCoreApplication::instance(), [&] { chain.MemPacketTick(); });
            },
            Qt::QueuedConnection);
    };
    QObject::connect(&packetTicker, &QTimer::timeout, [&] {
        chain.MemPacketTick();
        if (showProgress && chain.Running() && chain.Download().TotalBlocks() > 0)
            err << "\r\033[K" << chain.AccessPoints()[chain.Current()].name << ": "
                << chain.Download().BlocksDone() << '/' << chain.Download().TotalBlocks() << " blokova"
                << Qt::flush;
    });
    QObject::connect(&watchdogTicker, &QTimer::timeout, [&] { chain.ReplyWatchdogTick(); });
    packetTicker.start(10);
    watchdogTicker.start(100);
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
    io.out << "Upisano događaja: " << r.written;
    if (r.skipped > 0) io.out << " (" << r.skipped << " zapisa bez pristupne dozvole preskočeno)";
    io.out << '\n';
    return kExitOk;
}

} // namespace

std::vector<TCliCommand> ImportCommands() {
    return {
        {QStringLiteral("import"),
         QStringLiteral("  import    preuzima dnevnike svih uređaja čiji se dnevnik čita (redom po\n"
                        "            pristupnoj tački) i upisuje nove zapise; ide dalje i kad jedan\n"
                        "            uređaj ne uspe; ispisuje po red za svaku pristupnu tačku\n"),
         CliNoArguments(Import)},
        {QStringLiteral("process"),
         QStringLiteral("  process   pretvara neobrađene zapise u događaje (kao \"Obrada\")\n"),
         CliNoArguments(Process)},
    };
}
