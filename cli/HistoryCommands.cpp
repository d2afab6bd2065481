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
    const bool machines = output.ForMachines();
    const auto& columns = HistoryColumns();
    TTextTable header;
    for (const auto& [name, title] : columns) {
        header.header << (machines ? name : title);
        header.types.push_back(name == QLatin1String("horlohistoryid") || name == QLatin1String("recordid")
                                   ? TCellType::Number
                               : name == QLatin1String("changetime") ? TCellType::DateTime
                                                                     : TCellType::Text);
        header.rightAligned.push_back(header.types.back() == TCellType::Number);
    }
    qint64 count = 0;
    const TRowSource rows = [&](const TRowSink& sink) {
        count = 0;
        connection.SelectEach(sql, {}, [&](std::vector<QVariant>& row) {
            QStringList cells;
            for (size_t i = 0; i < columns.size(); ++i) {
                const QString& name = columns[i].first;
                const QVariant& value = row[i];
                if (name == QLatin1String("changetime")) {
                    const QDateTime time = WallClock(value.toDateTime());
                    cells << (machines ? SqlDateTime(time)
                                       : FormatDateTime(QStringLiteral("dd.mm.yyyy hh:nn:ss"), time));
                } else if (machines) {
                    cells << value.toString();
                } else if (name == QLatin1String("action")) {
                    cells << HistoryActionText(value.toString());
                } else if (name == QLatin1String("tablename")) {
                    cells << HistoryTableText(value.toString());
                } else if (name == QLatin1String("oldvalues") || name == QLatin1String("newvalues")) {
                    cells << HistoryValuesText(value.toString());
                } else {
                    cells << value.toString();
                }
            }
            sink(cells);
            ++count;
            return true;
        });
    };
    if (machines) return output.Write(io, header, rows);
    WriteAligned(io.out, header.header, header.rightAligned, rows);
    io.out << "Ukupno: " << count << '\n';
    io.out.flush();
    return kExitOk;
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
