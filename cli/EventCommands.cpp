// SPDX-License-Identifier: GPL-3.0-or-later
// `horlo event`: events entered by hand (a missed swipe added, a wrong one
// deleted), the same operation as the event viewer's, and the events of a
// period with those entered by hand marked.
#include "cli/CliCommand.h"
#include "cli/HorloCli.h"
#include "cli/ListOutput.h"
#include "host/data/Employees.h"
#include "host/data/SysUtils.h"
#include "module/data/EventTypes.h"
#include "module/worktime/HandEvents.h"

namespace {

struct TEventAdd {
    QString code, time, type, reason;
};

// The reason given with --reason, taken out of the arguments; false when it lacks its text.
bool TakeReason(QStringList& arguments, QString& reason, QTextStream& err) {
    QStringList rest;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--reason") || a.startsWith(QLatin1String("--reason="))) {
            reason = a.size() > 8 ? a.mid(9) : i + 1 < arguments.size() ? arguments[++i] : QString();
            if (reason.trimmed().isEmpty()) {
                err << "horlo: --reason traži tekst razloga\n";
                return false;
            }
        } else {
            rest << a;
        }
    }
    arguments = rest;
    if (reason.trimmed().isEmpty()) {
        err << "horlo: nedostaje razlog: --reason TEKST\n";
        return false;
    }
    return true;
}

int Refusal(TCliIO& io, const QString& message, int status) {
    io.err << "horlo: " << message << '\n';
    return status;
}

int Add(TZConnection& connection, TCliIO& io, const TEventAdd& a, const QDateTime& time) {
    const std::optional<TEmployee> employee = EmployeeByCode(connection, a.code);
    if (!employee)
        return Refusal(io, QStringLiteral("nema zaposlenog sa kodom \"%1\"").arg(a.code), kExitUsage);
    const QList<qint64> types = EventTypesNamed(connection, a.type);
    if (types.size() != 1)
        return Refusal(io,
                       types.empty()
                           ? QStringLiteral("nema vrste događaja \"%1\"").arg(a.type)
                           : QStringLiteral("više vrsta događaja se zove \"%1\"; navedite kod").arg(a.type),
                       kExitUsage);
    const THandEventOutcome outcome = AddHandEvent(connection, {employee->id, time, types[0]}, a.reason);
    if (!outcome.Done()) return Refusal(io, outcome.message, kExitUsage);
    io.out << "Dodat događaj " << outcome.eventId << ".\n";
    return kExitOk;
}

int Delete(TZConnection& connection, TCliIO& io, qint64 eventId, const QString& reason) {
    const THandEventOutcome outcome = DeleteHandEvent(connection, eventId, reason);
    if (!outcome.Done()) return Refusal(io, outcome.message, kExitFailed);
    io.out << "Obrisan događaj " << eventId << ".\n";
    return kExitOk;
}

int List(TZConnection& connection, TCliIO& io, const TListPeriod& period, const TListOutput& output) {
    if (!KnownEmployeeCode(connection, io, period.code)) return kExitFailed;
    QString sql =
        QStringLiteral(
            "SELECT ee.employeeeventid, ee.eventtime, e.code, IF(ee.employeeid > 0, "
            "CONCAT(e.lastname, ' ', e.firstname), CONCAT(tg.lastname, ' ', tg.firstname)), eet.name, "
            "eet.direction, ap.name, ee.comment, %1\n"
            "FROM employeeevent AS ee\n"
            "  LEFT JOIN employee AS e ON ee.employeeid = e.employeeid\n"
            "  LEFT JOIN horloguest AS tg ON ee.horloguestid = tg.horloguestid\n"
            "  LEFT JOIN employeeeventtype AS eet ON ee.employeeeventtypeid = eet.employeeeventtypeid\n"
            "  LEFT JOIN horloaccesspoint AS ap ON ee.horloaccesspointid = ap.horloaccesspointid\n"
            "WHERE ee.eventtime >= '%2 00:00:00' AND ee.eventtime <= '%3 23:59:59'")
            .arg(HandEnteredCondition(QStringLiteral("ee")), SqlDate(period.from), SqlDate(period.to));
    if (!period.code.isEmpty())
        sql += QStringLiteral(" AND ee.employeeid IN (SELECT employeeid FROM employee WHERE code = %1)")
                   .arg(connection.Quote(period.code));
    sql += QStringLiteral(" ORDER BY ee.eventtime, ee.employeeeventid");
    // programs get the direction too; people read it in the event's name
    const bool people = output.ForPeople();
    TList list;
    list.columns = {{QStringLiteral("employeeeventid"), QStringLiteral("Broj"), TCellType::Number},
                    {QStringLiteral("eventtime"), QStringLiteral("Vreme"), TCellType::DateTime},
                    {QStringLiteral("employeecode"), QStringLiteral("Kod")},
                    {QStringLiteral("employeename"), QStringLiteral("Zaposleni")},
                    {QStringLiteral("eventtype"), QStringLiteral("Događaj")},
                    {QStringLiteral("direction"), QStringLiteral("Smer")},
                    {QStringLiteral("door"), QStringLiteral("Vrata")},
                    {QStringLiteral("comment"), QStringLiteral("Komentar")},
                    {QStringLiteral("handentered"), QStringLiteral("Ručno")}};
    constexpr size_t kDirection = 5;
    if (people) list.columns.erase(list.columns.begin() + kDirection);
    if (output.format == TListFormat::Xlsx) list.caption = period.Caption(QStringLiteral("Događaji"));
    const TListRows rows = [&](const TListSink& sink) {
        connection.SelectEach(sql, {}, [&](std::vector<QVariant>& row) {
            const bool byHand = row[8].toBool();
            TListRow cells(row.begin(), row.begin() + 8);
            cells[1] = TListCell(WallClock(row[1].toDateTime()));
            cells.emplace_back(byHand ? QStringLiteral("y") : QStringLiteral("n"),
                               byHand ? QStringLiteral("Da") : QStringLiteral("Ne"));
            if (people) cells.erase(cells.begin() + kDirection);
            sink(cells);
            return true;
        });
        return true;
    };
    return output.WriteTotalled(io, list, rows);
}

TCliRun ParseEvent(const QStringList& arguments, QTextStream& err) {
    const QString action = arguments.value(0);
    QStringList rest = arguments.mid(1);
    if (action == QLatin1String("add")) {
        TEventAdd a;
        if (!TakeReason(rest, a.reason, err)) return {};
        if (rest.size() != 3) {
            err << (rest.size() > 3
                        ? QStringLiteral("horlo: nepoznat argument \"%1\"\n").arg(rest[3])
                        : QStringLiteral("horlo: event add traži KOD \"gggg-mm-dd čč:mm[:ss]\" TIP\n"));
            return {};
        }
        a.code = rest[0];
        a.time = rest[1];
        a.type = rest[2];
        QDateTime time;
        try {
            if (a.time.contains(QLatin1Char(':'))) time = MyDateTimeStrToDateTime(a.time);
        } catch (const EConvertError&) {
        }
        if (!time.isValid()) {
            err << "horlo: \"" << a.time << "\" nije vreme oblika gggg-mm-dd čč:mm[:ss]\n";
            return {};
        }
        if (time > Now()) {
            err << "horlo: vreme " << a.time << " je posle sadašnjeg trenutka\n";
            return {};
        }
        return [a, time](TZConnection& connection, TCliIO& io) { return Add(connection, io, a, time); };
    }
    if (action == QLatin1String("delete")) {
        QString reason;
        if (!TakeReason(rest, reason, err)) return {};
        bool ok = false;
        const qint64 id = rest.value(0).toLongLong(&ok);
        if (rest.size() != 1 || !ok || id <= 0) {
            err << (rest.size() > 1 ? QStringLiteral("horlo: nepoznat argument \"%1\"\n").arg(rest[1])
                                    : QStringLiteral("horlo: event delete traži BROJ događaja\n"));
            return {};
        }
        return
            [id, reason](TZConnection& connection, TCliIO& io) { return Delete(connection, io, id, reason); };
    }
    if (action == QLatin1String("list")) {
        TListOutput output;
        TListPeriod period;
        if (!output.Take(rest, err) || !period.Take(rest, QStringLiteral("event list"), false, err))
            return {};
        return [period, output](TZConnection& connection, TCliIO& io) {
            return List(connection, io, period, output);
        };
    }
    err << (action.isEmpty() ? QStringLiteral("horlo: event traži add, list ili delete\n")
                             : QStringLiteral("horlo: nepoznata komanda \"event %1\"\n").arg(action));
    return {};
}

} // namespace

std::vector<TCliCommand> EventCommands() {
    return {{QStringLiteral("event"),
             QStringLiteral("  event add KOD \"gggg-mm-dd čč:mm[:ss]\" TIP --reason TEKST\n"
                            "            dodaje događaj unet ručno (npr. zaboravljen odlazak) zaposlenom\n"
                            "            sa kodom KOD; TIP je kod ili ime vrste događaja; ispisuje broj\n"
                            "            novog događaja tek kad je upisan; evidencija prisustva tog dana,\n"
                            "            ako postoji, dobija nove sate; izlazi sa 2 za nepoznatog\n"
                            "            zaposlenog ili vrstu, loše vreme ili vreme posle sadašnjeg\n"
                            "  event list OD DO [--code KOD] [--csv | --xlsx DATOTEKA]\n"
                            "            događaji perioda; kolona Ručno (handentered) označava one\n"
                            "            unete ručno\n"
                            "  event delete BROJ --reason TEKST\n"
                            "            briše događaj unet ručno; događaj koji je zabeležio uređaj\n"
                            "            se ne briše (izlaz 1)\n"),
             ParseEvent}};
}
