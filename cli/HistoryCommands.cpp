// SPDX-License-Identifier: GPL-3.0-or-later
// `horlo history`: who changed what through Horlo, for the office and for an
// inspection; the same list as the console's "Istorija izmena".
#include "cli/CliCommand.h"
#include "cli/HorloCli.h"
#include "cli/ListOutput.h"
#include "host/data/SysUtils.h"
#include "module/data/ChangeHistory.h"

namespace {

int List(TZConnection& connection, TCliIO& io, const TListPeriod& period, const TListOutput& output) {
    if (!KnownEmployeeCode(connection, io, period.code)) return kExitFailed;
    const QString sql = HistoryStatement(connection, {period.from, period.to, period.code}) +
                        QStringLiteral("\nORDER BY h.horlohistoryid");
    TList list;
    for (const auto& [name, title] : HistoryColumns())
        list.columns.push_back({name, title,
                                name == QLatin1String("horlohistoryid") || name == QLatin1String("recordid")
                                    ? TCellType::Number
                                : name == QLatin1String("changetime") ? TCellType::DateTime
                                                                      : TCellType::Text});
    if (output.format == TListFormat::Xlsx) list.caption = period.Caption(QStringLiteral("Istorija izmena"));
    const TListRows rows = [&](const TListSink& sink) {
        connection.SelectEach(sql, {}, [&](std::vector<QVariant>& row) {
            TListRow cells;
            for (size_t i = 0; i < list.columns.size(); ++i) {
                const QString& name = list.columns[i].name;
                const QVariant& value = row[i];
                if (name == QLatin1String("changetime"))
                    cells.emplace_back(WallClock(value.toDateTime()));
                else if (name == QLatin1String("action"))
                    cells.emplace_back(value, HistoryActionText(value.toString()));
                else if (name == QLatin1String("tablename"))
                    cells.emplace_back(value, HistoryTableText(value.toString()));
                else if (name == QLatin1String("oldvalues") || name == QLatin1String("newvalues"))
                    cells.emplace_back(value, HistoryValuesText(value.toString()));
                else
                    cells.emplace_back(value);
            }
            sink(cells);
            return true;
        });
        return true;
    };
    return output.WriteTotalled(io, list, rows);
}

TCliRun ParseHistory(const QStringList& arguments, QTextStream& err) {
    QStringList rest = arguments;
    TListOutput output;
    TListPeriod period;
    if (!output.Take(rest, err) || !period.Take(rest, QStringLiteral("history"), true, err)) return {};
    return [period, output](TZConnection& connection, TCliIO& io) {
        return List(connection, io, period, output);
    };
}

} // namespace

std::vector<TCliCommand> HistoryCommands() {
    return {{QStringLiteral("history"),
             QStringLiteral("  history [OD DO] [--code KOD] [--csv | --xlsx DATOTEKA]\n"
                            "            istorija izmena napravljenih kroz Horlo (događaji, evidencija\n"
                            "            prisustva, radni kalendar, kartice i njihovi vlasnici,\n"
                            "            podešavanja): kada (po satu servera), korisnik baze, korisnik\n"
                            "            i računar, šta (tabela i red), stare i nove vrednosti i razlog;\n"
                            "            za period izmena i/ili zaposlenog po kodu; CSV: vrednosti kao\n"
                            "            JSON\n"),
             ParseHistory}};
}
