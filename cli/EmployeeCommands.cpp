// SPDX-License-Identifier: GPL-3.0-or-later
// `horlo employee add|set|list|import`: the stand-in host's personnel job, so that a
// company can keep its employees without SQL.
#include "cli/CliCommand.h"
#include "cli/CliOptions.h"
#include "cli/HorloCli.h"
#include "cli/ListOutput.h"
#include "host/data/EmployeeImport.h"
#include "host/data/Employees.h"
#include "host/data/SysUtils.h"

#include <QFile>

namespace {

const QStringList kAddOptions{QStringLiteral("--from"), QStringLiteral("--to"), QStringLiteral("--job"),
                              QStringLiteral("--id"), QStringLiteral("--state")};
const QStringList kSetOptions =
    kAddOptions + QStringList{QStringLiteral("--code"), QStringLiteral("--first"), QStringLiteral("--last"),
                              QStringLiteral("--active")};

// What the options change, read when the command runs.
struct TEmployeeEdit {
    TCliOptions options;
    std::optional<bool> active;
};

// An empty value clears a date; any other must be one.
bool DateOption(const TCliOptions& options, const QString& name, QTextStream& err) {
    const QString text = options.Value(name).trimmed();
    if (!options.Has(name) || text.isEmpty() || TypedDate(text).isValid()) return true;
    err << "horlo: " << name << " \"" << text << "\" nije datum (gggg-mm-dd ili dd.mm.gggg)\n";
    return false;
}

// Applies the options to the employee; false, with the reason on err, for a working
// state that does not exist.
bool ApplyEdit(TZConnection& connection, const TEmployeeEdit& edit, TEmployee& e, QTextStream& err) {
    const TCliOptions& o = edit.options;
    const std::pair<const char*, QString*> texts[] = {{"--code", &e.code},
                                                      {"--first", &e.firstName},
                                                      {"--last", &e.lastName},
                                                      {"--id", &e.personalId},
                                                      {"--job", &e.vocation}};
    for (const auto& [name, field] : texts)
        if (o.Has(QLatin1String(name))) *field = o.Value(QLatin1String(name));
    if (o.Has(QStringLiteral("--from"))) e.from = TypedDate(o.Value(QStringLiteral("--from")));
    if (o.Has(QStringLiteral("--to"))) e.to = TypedDate(o.Value(QStringLiteral("--to")));
    if (edit.active) e.active = *edit.active;
    if (o.Has(QStringLiteral("--state"))) {
        const QString wanted = o.Value(QStringLiteral("--state")).trimmed();
        e.workingStateId = 0;
        if (!wanted.isEmpty()) {
            QStringList known;
            for (const auto& [id, description] : WorkingStates(connection)) {
                if (description.compare(wanted, Qt::CaseInsensitive) == 0) e.workingStateId = id;
                known << description;
            }
            if (e.workingStateId == 0) {
                err << "horlo: nema radnog statusa \"" << wanted << "\""
                    << (known.isEmpty() ? QStringLiteral(" (nijedan nije upisan)")
                                        : QStringLiteral("; postoje: ") + known.join(QStringLiteral(", ")))
                    << '\n';
                return false;
            }
        }
    }
    return true;
}

int Report(TCliIO& io, const TEmployee& e, const TEmployeeOutcome& outcome) {
    if (!outcome.ok) {
        io.err << "horlo: " << outcome.error << '\n';
        return kExitFailed;
    }
    if (outcome.added)
        io.out << "Dodat je zaposleni " << e.code.trimmed() << ' ' << e.Name().trimmed() << ".\n";
    else if (outcome.changes.isEmpty())
        io.out << "Zaposleni " << e.code.trimmed() << " je već takav; ništa nije promenjeno.\n";
    else
        io.out << "Zaposleni " << e.code.trimmed() << ": " << outcome.changes.join(QStringLiteral("; "))
               << ".\n";
    for (const QString& warning : outcome.warnings)
        io.err << "horlo: upozorenje: " << warning << '\n';
    return kExitOk;
}

int Add(TZConnection& connection, TCliIO& io, const QStringList& names, const TEmployeeEdit& edit) {
    TEmployee e;
    e.code = names[0];
    e.firstName = names[1];
    e.lastName = names[2];
    if (!ApplyEdit(connection, edit, e, io.err)) return kExitFailed;
    return Report(io, e, SaveEmployee(connection, e));
}

int Set(TZConnection& connection, TCliIO& io, const QString& code, const TEmployeeEdit& edit) {
    std::optional<TEmployee> e = EmployeeByCode(connection, code);
    if (!e) {
        io.err << "horlo: nema zaposlenog sa šifrom \"" << code << "\"\n";
        return kExitFailed;
    }
    if (!ApplyEdit(connection, edit, *e, io.err)) return kExitFailed;
    return Report(io, *e, SaveEmployee(connection, *e));
}

int List(TZConnection& connection, TCliIO& io, bool all, const TListOutput& output) {
    const std::vector<TEmployee> employees = EmployeeList(connection, all);
    const std::vector<TListRow> rows = EmployeeRows(employees);
    const int status = output.Write(io, {{}, EmployeeColumns()}, RowsOf(rows));
    if (output.format == TListFormat::Text) {
        io.out << "Ukupno: " << employees.size() << '\n';
        io.out.flush();
    }
    return status;
}

int Import(TZConnection& connection, TCliIO& io, const QString& fileName, bool apply) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        io.err << "horlo: datoteka \"" << fileName << "\" ne može da se pročita: " << file.errorString()
               << '\n';
        return kExitFailed;
    }
    const TEmployeeImport result = ImportEmployees(connection, file.readAll(), apply);
    if (!result.ignoredColumns.isEmpty())
        io.out << "Kolone koje se ne uvoze: " << result.ignoredColumns.join(QStringLiteral(", ")) << '\n';
    using TAction = TEmployeeImportRow::TAction;
    for (const TEmployeeImportRow& row : result.rows) {
        io.out << "Red " << row.line << ": ";
        const TEmployee& e = row.employee;
        switch (row.action) {
        case TAction::Add:
            io.out << "novi " << e.code << ' ' << e.Name();
            break;
        case TAction::Change:
            io.out << "izmena " << e.code << ' ' << e.Name() << ": "
                   << row.changes.join(QStringLiteral("; "));
            break;
        case TAction::Same:
            io.out << "bez izmena " << e.code << ' ' << e.Name();
            break;
        case TAction::Refused:
            io.out << "ODBIJEN " << (e.code + QLatin1Char(' ') + e.Name()).trimmed() << ": " << row.error;
            break;
        }
        io.out << '\n';
        for (const QString& warning : row.warnings)
            io.out << "  upozorenje: " << warning << '\n';
    }
    io.out << "Novih: " << result.Count(TAction::Add) << ", izmena: " << result.Count(TAction::Change)
           << ", bez izmena: " << result.Count(TAction::Same)
           << ", odbijenih: " << result.Count(TAction::Refused) << ".\n";
    if (!result.error.isEmpty()) {
        io.err << "horlo: " << result.error << '\n';
        return kExitFailed;
    }
    if (result.Count(TAction::Refused) > 0) {
        io.err << (apply ? "horlo: ništa nije upisano; ispravite odbijene redove\n"
                         : "horlo: ima odbijenih redova; dok ih ima, --apply ne upisuje ništa\n");
        return kExitFailed;
    }
    if (result.applied)
        io.out << "Upisano.\n";
    else
        io.out << "Ništa nije upisano (proba); --apply upisuje sve ili ništa.\n";
    return kExitOk;
}

TCliRun ParseEmployee(const QStringList& arguments, QTextStream& err) {
    const QString action = arguments.value(0);
    QStringList rest = arguments.mid(1);
    if (action == QLatin1String("list")) {
        TListOutput output;
        if (!output.Take(rest, err)) return {};
        const bool all = rest.removeAll(QStringLiteral("--all")) > 0;
        if (!rest.isEmpty()) {
            err << "horlo: nepoznat argument \"" << rest.first() << "\"\n";
            return {};
        }
        return
            [all, output](TZConnection& connection, TCliIO& io) { return List(connection, io, all, output); };
    }
    if (action == QLatin1String("import")) {
        const bool apply = rest.removeAll(QStringLiteral("--apply")) > 0;
        if (rest.size() != 1 || rest[0].startsWith(QLatin1Char('-'))) {
            err << "horlo: upotreba: horlo employee import DATOTEKA.csv [--apply]\n";
            return {};
        }
        const QString file = rest[0];
        return [file, apply](TZConnection& connection, TCliIO& io) {
            return Import(connection, io, file, apply);
        };
    }
    const bool add = action == QLatin1String("add");
    if (!add && action != QLatin1String("set")) {
        err << "horlo: upotreba: horlo employee add|set|list|import (vidi --help)\n";
        return {};
    }
    TEmployeeEdit edit;
    if (!edit.options.Take(rest, add ? kAddOptions : kSetOptions, err) ||
        !edit.options.Flag(QStringLiteral("--active"), edit.active, err) ||
        !DateOption(edit.options, QStringLiteral("--from"), err) ||
        !DateOption(edit.options, QStringLiteral("--to"), err))
        return {};
    if (rest.size() != (add ? 3 : 1)) {
        err << (add ? "horlo: employee add traži ŠIFRU, IME i PREZIME\n"
                    : "horlo: employee set traži ŠIFRU\n");
        return {};
    }
    if (add)
        return [rest, edit](TZConnection& connection, TCliIO& io) { return Add(connection, io, rest, edit); };
    return [code = rest[0], edit](TZConnection& connection, TCliIO& io) {
        return Set(connection, io, code, edit);
    };
}

} // namespace

std::vector<TCliCommand> EmployeeCommands() {
    return {{QStringLiteral("employee"),
             QStringLiteral(
                 "  employee add ŠIFRA IME PREZIME [--from DATUM] [--to DATUM] [--job TEKST]\n"
                 "               [--id JMBG] [--state RADNI_STATUS]\n"
                 "            dodaje zaposlenog; --from i --to su početak i kraj rada, --job radno\n"
                 "            mesto; šifru koju ima drugi zaposleni odbija; JMBG koji nema 13 cifara\n"
                 "            upisuje uz upozorenje\n"
                 "  employee set ŠIFRA [--code NOVA] [--first IME] [--last PREZIME] [--from DATUM]\n"
                 "               [--to DATUM] [--job TEKST] [--id JMBG] [--state RADNI_STATUS]\n"
                 "               [--active y|n]\n"
                 "            menja zaposlenog i ispisuje šta je promenjeno; prazna vrednost (--to '')\n"
                 "            briše datum, radno mesto, JMBG ili radni status\n"
                 "  employee list [--all] [--csv | --xlsx DATOTEKA]\n"
                 "            aktivni zaposleni (--all: i neaktivni), po prezimenu i imenu; CSV ima\n"
                 "            kolone koje import čita\n"
                 "  employee import DATOTEKA.csv [--apply]\n"
                 "            zaposleni iz CSV datoteke (UTF-8, sa BOM ili bez; zarez ili tačka-zarez)\n"
                 "            sa zaglavljem: code, firstname, lastname, personalidentificator,\n"
                 "            vocation, workingfromdate, workingtodate (prva tri su obavezna); postojeća\n"
                 "            šifra menja zaposlenog, nova ga dodaje; bez --apply samo ispisuje šta bi\n"
                 "            uradio, red po red; sa --apply upisuje sve u jednoj transakciji ili, kad\n"
                 "            je neki red odbijen, ništa\n"),
             ParseEmployee}};
}
