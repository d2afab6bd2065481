// SPDX-License-Identifier: GPL-3.0-or-later
// `horlo settings`: the working-time settings that the reports and the
// attendance sheet count with, shown and changed with the report dialog's checks.
#include "cli/CliCommand.h"
#include "cli/HorloCli.h"
#include "host/data/DBIniFile.h"
#include "host/data/ListWriter.h"
#include "module/data/WorkingDay.h"

namespace {

int Show(TZConnection& connection, TCliIO& io) {
    const TDBIniFile ini(&connection);
    const TWorkingDayLimits limits = TWorkingDayLimits::Read(ini);
    const QStringList stored = TWorkingDayLimits::StoredKeys(ini);
    std::vector<TListRow> rows;
    for (const QString& key : TWorkingDayLimits::Keys()) {
        const QString value = limits.Value(key);
        QString note;
        if (!stored.contains(key))
            note = QStringLiteral("(podrazumevano)");
        else if (TWorkingDayLimits::TimeOfDay(value).isNull())
            note = QStringLiteral("(nije vreme u obliku čč:mm:ss)");
        rows.push_back({{key}, {value}, {note}});
    }
    WriteList(io.out, TListFormat::Text,
              {{}, {{QString(), QStringLiteral("Podešavanje")}, {QString(), QStringLiteral("Vrednost")}, {}}},
              RowsOf(rows));
    return kExitOk;
}

int Set(TZConnection& connection, TCliIO& io, const QString& key, const QString& value) {
    const QString refusal = TWorkingDayLimits::Store(connection, key, value);
    if (!refusal.isEmpty()) {
        io.err << "horlo: " << key << ": " << refusal << '\n';
        return kExitUsage;
    }
    io.out << key << " = " << TWorkingDayLimits::Read(connection).Value(key) << " (upisano)\n";
    return kExitOk;
}

TCliRun ParseSettings(const QStringList& arguments, QTextStream& err) {
    const QString action = arguments.value(0);
    if (action == QLatin1String("show")) return CliNoArguments(Show)(arguments.mid(1), err);
    if (action != QLatin1String("set")) {
        err << (action.isEmpty() ? QStringLiteral("horlo: settings traži show ili set\n")
                                 : QStringLiteral("horlo: nepoznata komanda \"settings %1\"\n").arg(action));
        return {};
    }
    if (arguments.size() != 3) {
        err << "horlo: settings set traži KLJUČ i VREDNOST\n";
        return {};
    }
    const QString key = arguments[1], value = arguments[2];
    if (TWorkingDayLimits::FieldName(key).isNull()) {
        err << "horlo: nepoznato podešavanje \"" << key << "\" (postoje "
            << TWorkingDayLimits::Keys().join(QStringLiteral(", ")) << ")\n";
        return {};
    }
    // a value that is no time is refused before the database is asked
    const QString refusal = TWorkingDayLimits().Set(key, value);
    if (!refusal.isEmpty()) {
        err << "horlo: " << key << ": " << refusal << '\n';
        return {};
    }
    return [key, value](TZConnection& connection, TCliIO& io) { return Set(connection, io, key, value); };
}

} // namespace

std::vector<TCliCommand> SettingsCommands() {
    TCliCommand settings{
        QStringLiteral("settings"),
        QStringLiteral("  settings show\n"
                       "            radno vreme s kojim računaju izveštaji i evidencija prisustva:\n"
                       "            StartWorkingTime (početak rada), EndWorkingTime (kraj rada) i\n"
                       "            EndWorkingDelayTime (odlazak do tog vremena računa se kao odlazak na\n"
                       "            kraju rada); neupisane imaju podrazumevane vrednosti, tako označene\n"
                       "  settings set KLJUČ VREDNOST\n"
                       "            upisuje jedno od njih (čč:mm:ss ili čč:mm, upisuje se čč:mm:ss), kao\n"
                       "            polja izveštaja \"Radno vreme\": kraj rada posle početka, odlazak do ne\n"
                       "            pre kraja rada; izlazi sa 2 za nepoznat ključ ili pogrešnu vrednost\n"),
        ParseSettings};
    settings.values = [](const QStringList& arguments, const TCliCommand::TConnect&) {
        return arguments == QStringList{QStringLiteral("set")} ? TWorkingDayLimits::Keys() : QStringList();
    };
    return {settings};
}
