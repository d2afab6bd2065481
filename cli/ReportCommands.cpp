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

QString ShownDate(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd.mm.yyyy"), WallClock(d));
}

// A list's fields for its readers: people read the grid's columns, programs every field.
std::vector<const TField*> Fields(const TDataSet& list, const QStringList& columns,
                                  const TListOutput& output) {
    return FieldsOf(list, output.ForPeople() ? columns : QStringList());
}

TListRows RowsOf(const TDataSet& list, const std::vector<const TField*>& fields) {
    return [&list, fields](const TListSink& sink) {
        for (int row = 0; row < list.RecordCount(); ++row)
            sink(DataSetRow(list, row, fields));
        return true;
    };
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
    const QString caption = _REPORT_CAP + QStringLiteral(" za ") + ShownDate(r.Day);
    if (r.Output.format != TListFormat::Text) {
        TPresenceTable table = PresenceTable(present, late, absent, r.Output.ForPeople());
        table.list.caption << caption;
        return r.Output.Write(io, table.list, ::RowsOf(table.rows));
    }
    io.out << caption << "\n\n";
    const struct {
        const char* title;
        const TClientDataSet* list;
        TPresenceKind kind;
    } parts[] = {{"Prisutni", &present, TPresenceKind::Present},
                 {"Kašnjenje", &late, TPresenceKind::Late},
                 {"Odsutni", &absent, TPresenceKind::Absent}};
    for (const auto& part : parts) {
        if (part.list != &present) io.out << '\n';
        io.out << QString::fromUtf8(part.title) << '\n';
        const std::vector<const TField*> fields = FieldsOf(*part.list, PresenceColumns(part.kind));
        WriteList(io.out, TListFormat::Text, {{}, FieldColumns(fields)}, RowsOf(*part.list, fields));
        io.out << "Ukupno: " << part.list->RecordCount() << '\n';
    }
    io.out.flush();
    return kExitOk;
}

// The list under its caption (the report, the period, the employee); as text
// with its total.
int Write(TCliIO& io, const TReportRequest& r, const QString& title, const std::vector<const TField*>& fields,
          const TListRows& rows) {
    TList list;
    list.caption << _REPORT_CAP + QStringLiteral(" - ") + title + QStringLiteral(", ") + ShownDate(r.From) +
                        QStringLiteral(" - ") + ShownDate(r.To);
    if (!r.Code.isEmpty()) list.caption << QStringLiteral("Kod zaposlenog: ") + r.Code;
    list.columns = FieldColumns(fields);
    return r.Output.WriteTotalled(io, list, rows);
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
    if (r.Kind == TReportKind::Hours) {
        DefineHoursList(list);
        std::vector<THoursRow> hours;
        WalkHoursReport(connection, r.From, r.To, filter, pairs, criteria, options.Limits,
                        [&](const THoursRow& h) { hours.push_back(h); }, {});
        FillHoursList(list, hours);
        const std::vector<const TField*> fields = Fields(list, HoursColumns(), r.Output);
        return Write(io, r, QStringLiteral("Izveštaj"), fields, RowsOf(list, fields));
    }
    DefineWarningsList(list);
    const std::vector<const TField*> fields = Fields(list, WarningsColumns(), r.Output);
    const TListRows rows = [&](const TListSink& sink) {
        WalkHoursReport(connection, r.From, r.To, filter, pairs, criteria, options.Limits, {},
                        [&](const TWarningRow& w) {
                            list.EmptyDataSet();
                            AppendWarningRow(list, w);
                            sink(DataSetRow(list, 0, fields));
                        });
        return true;
    };
    return Write(io, r, QStringLiteral("Upozorenja"), fields, rows);
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
                        "            ili absent; --xlsx: ista tabela za ljude (kolona Lista: Prisutni,\n"
                        "            Kasnili, Odsutni)\n"
                        "  report hours OD DO [--code KOD] [--csv | --xlsx DATOTEKA]\n"
                        "            sati i minuti rada po zaposlenom za period, po parovima događaja i\n"
                        "            radnom vremenu sačuvanim u dijalogu izveštaja; izlazi sa 1 kad nijedan\n"
                        "            par nije izabran ili kad neki događaj i otvara i zatvara interval\n"
                        "  report warnings OD DO [--code KOD] [--csv | --xlsx DATOTEKA]\n"
                        "            intervali kraći od minimalnog ili duži od maksimalnog vremena,\n"
                        "            odlasci bez dolaska ili koji ne zatvaraju dolazak, i dolasci koje\n"
                        "            nijedan odlazak tog dana ne zatvara (0 sati 0 minuta); kolona\n"
                        "            Upozorenje (Warning) kaže o čemu je reč\n"
                        "            CSV (za programe): RFC 4180, UTF-8, imena polja u prvom redu, datumi\n"
                        "            gggg-mm-dd, vremena gggg-mm-dd čč:mm:ss; radna sveska (za ljude):\n"
                        "            naslovi kolona i vrednosti kao u dijalogu, datumi kao datumi\n"),
         ParseReport}};
}
