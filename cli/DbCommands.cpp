// SPDX-License-Identifier: GPL-3.0-or-later
// `horlo db init|upgrade|version`: the schema of the database that --db names.
#include "cli/CliCommand.h"
#include "cli/HorloCli.h"
#include "module/data/SchemaVersion.h"

namespace {

int Init(TZConnection& connection, TCliIO& io) {
    try {
        InitSchema(connection);
    } catch (const ESchemaError& e) {
        io.err << "horlo: " << e.Message() << '\n';
        return kExitFailed;
    }
    io.out << "Šema verzije " << ProgramSchemaVersion() << " je učitana.\n";
    return kExitOk;
}

int Upgrade(TZConnection& connection, TCliIO& io) {
    try {
        const int applied = UpgradeSchema(connection, [&](const TSchemaStep& step) {
            io.out << "Korak " << step.version << " (" << step.name << ")...\n";
            io.out.flush();
        });
        io.out << (applied == 0 ? QStringLiteral("Šema je već verzije %1; ništa nije promenjeno.\n")
                                : QStringLiteral("Šema je nadograđena na verziju %1.\n"))
                      .arg(ProgramSchemaVersion());
    } catch (const ESchemaError& e) {
        io.err << "horlo: " << e.Message() << '\n';
        return kExitFailed;
    }
    return kExitOk;
}

int Version(TZConnection& connection, TCliIO& io) {
    const int version = DatabaseSchemaVersion(connection);
    if (version == kNoHorloSchema) {
        io.err << "horlo: " << SchemaRefusal(version) << '\n';
        return kExitFailed;
    }
    io.out << version << '\n';
    return kExitOk;
}

TCliRun ParseDb(const QStringList& arguments, QTextStream& err) {
    const QString verb = arguments.value(0);
    if (arguments.size() != 1) {
        err << (arguments.isEmpty()
                    ? QStringLiteral("horlo: db traži init, upgrade ili version\n")
                    : QStringLiteral("horlo: db traži samo jednu reč: init, upgrade ili version\n"));
        return {};
    }
    if (verb == QLatin1String("init")) return Init;
    if (verb == QLatin1String("upgrade")) return Upgrade;
    if (verb == QLatin1String("version")) return Version;
    err << "horlo: nepoznata komanda \"db " << verb << "\"\n";
    return {};
}

} // namespace

std::vector<TCliCommand> DbCommands() {
    TCliCommand db{
        QStringLiteral("db"),
        QStringLiteral("  db init   učitava šemu u praznu bazu; bazu koja već ima tabele odbija i\n"
                       "            ništa ne upisuje\n"
                       "  db upgrade\n"
                       "            dovodi šemu baze starije verzije do verzije programa, korak po korak,\n"
                       "            i upisuje svaki korak; nad bazom tekuće verzije ne radi ništa\n"
                       "  db version\n"
                       "            ispisuje verziju šeme baze (0: baza iz vremena pre verzija)\n"),
        ParseDb};
    db.anySchema = true;
    return {db};
}
