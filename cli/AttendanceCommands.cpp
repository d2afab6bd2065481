// SPDX-License-Identifier: GPL-3.0-or-later
// `horlo attendance`: the attendance sheet for a nightly job and for payroll.
#include "cli/CliCommand.h"
#include "cli/HorloCli.h"
#include "cli/ListOutput.h"
#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/data/Period.h"
#include "module/worktime/AttendancePeriod.h"
#include "module/worktime/AttendanceSheet.h"

namespace {

int Add(TZConnection& connection, TCliIO& io, const QDate& day) {
    TAttendanceDay attendance(connection, TWorkingDayLimits::Read(connection));
    const int stored = attendance.StoreDay(day);
    if (stored < 0) {
        io.err << "horlo: " << _ATTEND_DATE_EXIST_ERR << '\n';
        return kExitFailed;
    }
    io.out << "Upisano redova prisustva za " << SqlDate(day) << ": " << stored << '\n';
    return kExitOk;
}

int AddPeriod(TZConnection& connection, TCliIO& io, const QDate& from, const QDate& to) {
    TAttendanceDay attendance(connection, TWorkingDayLimits::Read(connection));
    const qint64 total = from.daysTo(to) + 1;
    TPeriodProgress progress;
    if (io.showProgress)
        progress = [&io, total](qint64 done) {
            io.Progress(QStringLiteral("%1/%2 dana").arg(done).arg(total));
            return true;
        };
    const TPeriodResult result = StorePeriod(attendance, from, to, progress);
    io.Progress();
    QStringList lines = PeriodSummary(result, QStringLiteral("yyyy-MM-dd"), QStringLiteral("yyyy-MM"));
    // where and why it stopped is the last line
    const QString stop = result.Complete() ? QString() : lines.takeLast();
    for (const QString& line : lines)
        io.out << line << '\n';
    io.out.flush();
    if (stop.isEmpty()) return kExitOk;
    io.err << "horlo: " << stop << '\n';
    return kExitFailed;
}

int List(TZConnection& connection, TCliIO& io, const TAttendanceView& view, const TListOutput& output) {
    if (!KnownEmployeeCode(connection, io, view.code)) return kExitFailed;
    TCliDataModule dm(connection);
    // a sheet of years is streamed: its rows pass one at a time
    const TZQuery& sheet = *dm.HorloAttendanceZQ;
    const std::vector<const TField*> fields = AttendanceSheetFields(sheet);
    const TListRows rows = [&](const TListSink& sink) {
        ForEachSheetRow(connection, sheet, view,
                        [&](const TSheetValue& value) { sink(AttendanceRow(fields, value)); });
        return true;
    };
    TList list;
    list.columns = FieldColumns(fields);
    // the workbook says what it holds; the terminal's text stays the bare table
    if (output.format == TListFormat::Xlsx) {
        const auto shown = [](const QString& date) {
            return FormatDateTime(QStringLiteral("dd.mm.yyyy"), WallClock(TypedDate(date)));
        };
        list.caption << QStringLiteral("Prisustvo")
                     << Format(_PRINT_HEADER_FMT, {shown(view.fromDate), shown(view.toDate)})
                            .split(QStringLiteral("\r\n"));
        if (!view.code.isEmpty()) list.caption << QStringLiteral("Kod zaposlenog: ") + view.code;
    }
    return output.WriteTotalled(io, list, rows);
}

TCliRun ParseAttendance(const QStringList& arguments, QTextStream& err) {
    const QString action = arguments.value(0);
    if (action == QLatin1String("add")) {
        if (arguments.size() > 3) {
            err << "horlo: nepoznat argument \"" << arguments[3] << "\"\n";
            return {};
        }
        if (arguments.size() == 3) {
            const TTypedPeriod period = ReadPeriod(arguments[1], arguments[2]);
            if (!period.refusal.isEmpty()) {
                err << "horlo: " << period.refusal << '\n';
                return {};
            }
            const QDate from = period.from, to = period.to;
            if (const QString refusal = FutureDayRefusal(to); !refusal.isEmpty()) {
                err << "horlo: " << refusal << '\n';
                return {};
            }
            return [from, to](TZConnection& connection, TCliIO& io) {
                return AddPeriod(connection, io, from, to);
            };
        }
        QDate day = Now().date().addDays(-1);
        if (arguments.size() == 2) {
            day = TypedDate(arguments[1]);
            if (!day.isValid()) {
                err << "horlo: " << DateRefusal(arguments[1], QStringLiteral("DATUM")) << '\n';
                return {};
            }
            if (const QString refusal = FutureDayRefusal(day); !refusal.isEmpty()) {
                err << "horlo: " << refusal << '\n';
                return {};
            }
        }
        return [day](TZConnection& connection, TCliIO& io) { return Add(connection, io, day); };
    }
    if (action == QLatin1String("list")) {
        TListOutput output;
        QStringList rest = arguments.mid(1);
        TListPeriod period;
        if (!output.Take(rest, err) || !period.Take(rest, QStringLiteral("attendance list"), false, err))
            return {};
        TAttendanceView view;
        view.code = period.code;
        view.fromDate = period.fromText;
        view.toDate = period.toText;
        return [view, output](TZConnection& connection, TCliIO& io) {
            return List(connection, io, view, output);
        };
    }
    err << (action.isEmpty() ? QStringLiteral("horlo: attendance traži add ili list\n")
                             : QStringLiteral("horlo: nepoznata komanda \"attendance %1\"\n").arg(action));
    return {};
}

} // namespace

std::vector<TCliCommand> AttendanceCommands() {
    return {
        {QStringLiteral("attendance"),
         QStringLiteral("  attendance add [DATUM]\n"
                        "  attendance add OD DO\n"
                        "            dodaje u evidenciju prisustva red za svakog zaposlenog koji tog dana\n"
                        "            radi (kao \"Dodaj dan\"), sa redovnim i neraspoređenim satima iz\n"
                        "            dolazaka i odlazaka; DATUM gggg-mm-dd, bez njega juče. OD DO (kao\n"
                        "            \"Dodaj period\"): svaki radni dan perioda po radnom kalendaru (dani\n"
                        "            sa \"Ne\" se preskaču; mesec bez kalendara: ponedeljak-petak, i to se\n"
                        "            kaže), dani koji već imaju evidenciju se preskaču i navode; na kraju\n"
                        "            zbir; izlazi sa 1 kad upis stane (kaže kod kog dana); DATUM se upisuje\n"
                        "            odjednom; izlazi sa 1 kad za taj datum evidencija već postoji;\n"
                        "            datum posle današnjeg se odbija (izlaz 2)\n"
                        "  attendance list OD DO [--code KOD] [--csv | --xlsx DATOTEKA]\n"
                        "            ispisuje evidenciju prisustva za period (datumi gggg-mm-dd), za sve\n"
                        "            zaposlene ili jednog po kodu (nepoznat kod: izlaz 1); --csv (za\n"
                        "            programe): CSV (RFC 4180, UTF-8) sa imenima polja u prvom redu, sati\n"
                        "            sa decimalnom tačkom (do šest decimala, da se zbir meseca slaže sa\n"
                        "            evidencijom do minuta), datumi gggg-mm-dd; --xlsx (za ljude):\n"
                        "            naslovi kolona kao u dijalogu, sati kao brojevi, datumi kao datumi\n"),
         ParseAttendance}};
}
