// SPDX-License-Identifier: GPL-3.0-or-later
// `horlo report`: the report dialog's presence lists, hours report and
// warnings for scheduled jobs and payroll, with the dialog's stored options.
#include "cli/CliCommand.h"
#include "cli/HorloCli.h"
#include "cli/ListOutput.h"
#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/data/EventTypes.h"
#include "module/data/Period.h"
#include "module/reports/ReportLists.h"
#include "module/reports/ReportOptions.h"

namespace {

enum class TReportKind { Presence, Hours, Warnings };

struct TReportRequest {
    TReportKind Kind = TReportKind::Presence;
    QDate Day, From, To;
    QString Code;
    TListOutput Output;
};

QString EventTypeName(TZConnection& connection, qint64 id) {
    const TResultSet rs = connection.Select(
        QStringLiteral("SELECT name FROM employeeeventtype WHERE employeeeventtypeid = %1").arg(id));
    return rs.rows.empty() ? QString::number(id) : rs.rows[0][0].toString();
}

void WriteList(TCliIO& io, const QString& title, const TClientDataSet& list, const QStringList& columns) {
    io.out << title << '\n';
    WriteAligned(io.out, ListTextTable(list, columns));
    io.out << "Ukupno: " << list.RecordCount() << '\n';
}

int Presence(TZConnection& connection, TCliIO& io, const TReportRequest& r) {
    const TReportOptions options = TReportOptions::Read(connection, DefaultPairOpeners(connection));
    const TPresenceLists lists = ReadPresenceLists(connection, r.Day, options.Limits);
    TClientDataSet present, late, absent;
    DefinePresenceList(present, TPresenceKind::Present);
    DefinePresenceList(late, TPresenceKind::Late);
    DefinePresenceList(absent, TPresenceKind::Absent);
    FillPresenceList(present, lists.present);
    FillPresenceList(late, lists.late);
    FillAbsentList(absent, lists.absent);
    if (r.Output.ForMachines()) return r.Output.Write(io, PresenceCsvTable(present, late, absent));
    const QString day = FormatDateTime(QStringLiteral("dd.mm.yyyy"), WallClock(r.Day));
    io.out << "Izveštaj radnog vremena za " << day << "\n\n";
    WriteList(io, QStringLiteral("Prisutni"), present, PresenceColumns(TPresenceKind::Present));
    io.out << '\n';
    WriteList(io, QStringLiteral("Kašnjenje"), late, PresenceColumns(TPresenceKind::Late));
    io.out << '\n';
    WriteList(io, QStringLiteral("Odsutni"), absent, PresenceColumns(TPresenceKind::Absent));
    io.out.flush();
    return kExitOk;
}

// The list for machines, or as aligned text under its title with its total;
// count is known once the rows have been written.
int Write(TCliIO& io, const TReportRequest& r, const QString& title, const TTextTable& header,
          const TRowSource& rows, const qint64& count) {
    if (r.Output.ForMachines()) return r.Output.Write(io, header, rows);
    auto date = [](const QDate& d) { return FormatDateTime(QStringLiteral("dd.mm.yyyy"), WallClock(d)); };
    io.out << "Izveštaj radnog vremena - " << title << ", " << date(r.From) << " - " << date(r.To) << "\n\n";
    WriteAligned(io.out, header.header, header.rightAligned, rows);
    io.out << "Ukupno: " << count << '\n';
    io.out.flush();
    return kExitOk;
}

int HoursOrWarnings(TZConnection& connection, TCliIO& io, const TReportRequest& r) {
    if (!KnownEmployeeCode(connection, io, r.Code)) return kExitFailed;
    const TReportOptions options = TReportOptions::Read(connection, DefaultPairOpeners(connection));
    const std::vector<TEventPair> pairs = EventPairsFor(connection, options.FromEventIDs);
    const QString problem =
        EventPairsProblem(pairs, [&](qint64 id) { return EventTypeName(connection, id); });
    if (!problem.isEmpty()) {
        io.err << "horlo: " << problem << '\n';
        return kExitFailed;
    }
    TEmployeeFilter filter;
    filter.code = r.Code;
    const TWarningCriteria criteria{options.MinCalcLen, options.MaxCalcLen};
    // Hours are one row per employee and held; warnings can be millions over
    // years, so they pass through a one-row list straight to the output.
    TClientDataSet list;
    QStringList columns;
    QString title;
    TRowSource rows;
    qint64 count = 0;
    auto cells = [&](int row) {
        return r.Output.ForMachines() ? ListCsvRow(list, row) : ListTextRow(list, row, columns);
    };
    if (r.Kind == TReportKind::Hours) {
        DefineHoursList(list);
        columns = HoursColumns();
        title = QStringLiteral("Izveštaj");
        std::vector<THoursRow> hours;
        WalkHoursReport(connection, r.From, r.To, filter, pairs, criteria, options.Limits,
                        [&](const THoursRow& h) { hours.push_back(h); }, {});
        rows = [&](const TRowSink& sink) {
            for (int row = 0; row < list.RecordCount(); ++row)
                sink(cells(row));
        };
        const TTextTable header = r.Output.ForMachines() ? ListCsvTable(list) : ListTextTable(list, columns);
        FillHoursList(list, hours);
        count = list.RecordCount();
        return Write(io, r, title, header, rows, count);
    }
    DefineWarningsList(list);
    columns = WarningsColumns();
    title = QStringLiteral("Upozorenja");
    rows = [&](const TRowSink& sink) {
        count = 0;
        WalkHoursReport(connection, r.From, r.To, filter, pairs, criteria, options.Limits, {},
                        [&](const TWarningRow& w) {
                            list.EmptyDataSet();
                            AppendWarningRow(list, w);
                            sink(cells(0));
                            ++count;
                        });
    };
    return Write(io, r, title, r.Output.ForMachines() ? ListCsvTable(list) : ListTextTable(list, columns),
                 rows, count);
}

TCliRun ParseReport(const QStringList& arguments, QTextStream& err) {
    const QString action = arguments.value(0);
    TReportRequest r;
    if (action == QLatin1String("presence")) {
        r.Kind = TReportKind::Presence;
    } else if (action == QLatin1String("hours")) {
        r.Kind = TReportKind::Hours;
    } else if (action == QLatin1String("warnings")) {
        r.Kind = TReportKind::Warnings;
    } else {
        err << (action.isEmpty() ? QStringLiteral("horlo: report traži presence, hours ili warnings\n")
                                 : QStringLiteral("horlo: nepoznata komanda \"report %1\"\n").arg(action));
        return {};
    }
    QStringList rest = arguments.mid(1);
    if (!r.Output.Take(rest, err)) return {};
    if (r.Kind == TReportKind::Presence) {
        // one date at most, and no option
        const qsizetype allowed = !rest.isEmpty() && rest[0].startsWith(QLatin1Char('-')) ? 0 : 1;
        if (rest.size() > allowed) {
            err << "horlo: nepoznat argument \"" << rest[allowed] << "\"\n";
            return {};
        }
        r.Day = rest.isEmpty() ? Now().date() : TypedDate(rest[0]);
        if (!r.Day.isValid()) {
            err << "horlo: " << DateRefusal(rest[0], QStringLiteral("DATUM")) << '\n';
            return {};
        }
        return [r](TZConnection& connection, TCliIO& io) { return Presence(connection, io, r); };
    }
    TListPeriod period;
    if (!period.Take(rest, QStringLiteral("report ") + action, false, err)) return {};
    r.From = period.from;
    r.To = period.to;
    r.Code = period.code;
    return [r](TZConnection& connection, TCliIO& io) { return HoursOrWarnings(connection, io, r); };
}

} // namespace

std::vector<TCliCommand> ReportCommands() {
    return {
        {QStringLiteral("report"),
         QStringLiteral("  report presence [DATUM] [--csv | --xlsx DATOTEKA]\n"
                        "            prisutni, oni koji su kasnili (prvi dolazak u vreme početka rada ili\n"
                        "            posle njega) i odsutni aktivni zaposleni za dan (gggg-mm-dd, bez njega\n"
                        "            danas); --csv: jedna tabela čija prva kolona list kaže present, late\n"
                        "            ili absent\n"
                        "  report hours OD DO [--code KOD] [--csv | --xlsx DATOTEKA]\n"
                        "            sati i minuti rada po zaposlenom za period, po parovima događaja i\n"
                        "            radnom vremenu sačuvanim u dijalogu izveštaja; izlazi sa 1 kad nijedan\n"
                        "            par nije izabran ili kad neki događaj i otvara i zatvara interval\n"
                        "  report warnings OD DO [--code KOD] [--csv | --xlsx DATOTEKA]\n"
                        "            intervali kraći od minimalnog ili duži od maksimalnog vremena,\n"
                        "            odlasci bez dolaska ili koji ne zatvaraju dolazak, i dolasci koje\n"
                        "            nijedan odlazak tog dana ne zatvara (0 sati 0 minuta); kolona\n"
                        "            Upozorenje (Warning) kaže o čemu je reč\n"
                        "            CSV: RFC 4180, UTF-8, imena polja u prvom redu, datumi gggg-mm-dd,\n"
                        "            vremena gggg-mm-dd čč:mm:ss\n"),
         ParseReport}};
}
