// SPDX-License-Identifier: GPL-3.0-or-later
// `horlo clock`, `horlo lock`, `horlo unlock`, `horlo fire` and `horlo card send
// NAME`: the card dialog's device commands for scheduled jobs and alarm scripts.
#include "cli/CliCommand.h"
#include "cli/HorloCli.h"
#include "cli/ListOutput.h"
#include "module/HorloResourceString.h"
#include "module/device/CardHolder.h"
#include "module/device/DeviceCommands.h"

#include "host/data/SysUtils.h"

namespace {

void PrintDoor(QTextStream& out, const TDoorResult& r) {
    out << r.door.name << " (" << r.door.localIp << ':' << r.door.udpPort << "): ";
    if (r.notOpened) {
        out << "GREŠKA: " << _DEVICE_CONNECT_ERR;
    } else {
        out << AnswerText(r.answer);
    }
    if (!r.note.isEmpty()) out << " (" << r.note << ')';
    out << '\n';
    out.flush();
}

// Prints the outcome and gives the exit status: the closing message only when every
// device that was asked acknowledged.
int Finish(TCliIO& io, const TDeviceRun& run, const QString& done) {
    for (const QString& text : run.deviceErrors)
        io.err << "horlo: " << text << '\n';
    for (const QString& door : run.closeFailures)
        io.err << "horlo: " << door << ": " << _DEVICE_CONNECT_ERR << '\n';
    if (run.AllAcknowledged()) {
        io.out << done << '\n';
        return kExitOk;
    }
    if (run.abandoned)
        io.err << "horlo: " << _DEVICE_CONNECT_ERR << '\n';
    else if (run.doors.empty())
        io.err << "horlo: " << _NO_DOOR_ERR << '\n';
    else
        io.err << "horlo: " << Format(_DEVICE_NOT_CONFIRMED_ERR, {run.Unconfirmed()}) << '\n';
    return kExitFailed;
}

std::vector<TAccessPoint> AllDoors(TCliDataModule& dm) {
    dm.HorloAccessPointZQ->Close();
    dm.HorloAccessPointZQ->Open();
    return AccessPointsOf(*dm.HorloAccessPointZQ);
}

// Runs a device operation over every access point, one line per door.
TCliRun OnAllDoors(std::function<TDeviceRun(TDeviceCommands&, const std::vector<TAccessPoint>&)> operation,
                   const QString& done) {
    return [operation, done](TZConnection& connection, TCliIO& io) {
        TCliDataModule dm(connection);
        const std::vector<TAccessPoint> doors = AllDoors(dm);
        if (doors.empty()) {
            io.out << "Nema pristupnih tačaka.\n";
            return kExitOk;
        }
        TDeviceProtocol protocol;
        TDeviceCommands commands(protocol);
        commands.OnDoorFinished = [&](const TDoorResult& r) { PrintDoor(io.out, r); };
        return Finish(io, operation(commands, doors), done);
    };
}

TCliRun Relay(TRelayOperation mode, const QString& done) {
    return OnAllDoors(
        [mode](TDeviceCommands& commands, const std::vector<TAccessPoint>& doors) {
            return commands.SetRelayModes(doors, mode);
        },
        done);
}

TCliRun SendCard(const QString& name) {
    return [name](TZConnection& connection, TCliIO& io) {
        TCliDataModule dm(connection);
        TZQuery* cards = dm.EmployeeCardZQ;
        cards->Close();
        cards->Open();
        if (!cards->Locate(QStringLiteral("name"), name)) {
            io.err << "horlo: kartica \"" << name << "\" ne postoji\n";
            return kExitFailed;
        }
        TCardData card;
        card.cardId = cards->FieldByName(QStringLiteral("employeecardid"))->AsLargeInt();
        card.employeeId = cards->FieldByName(QStringLiteral("employeeid"))->AsLargeInt();
        card.cardCode = cards->FieldByName(QStringLiteral("cardcode"))->AsLargeInt();
        card.active = cards->FieldByName(QStringLiteral("active"))->AsBoolean();
        card.name = name;
        TDeviceProtocol protocol;
        TDeviceCommands commands(protocol);
        commands.OnDoorFinished = [&](const TDoorResult& r) { PrintDoor(io.out, r); };
        const TDeviceRun run =
            SendCardToDevices(commands, connection, *dm.HorloAccessPointZQ, *dm.HorloAccessTicketZQ, card);
        return Finish(io, run, card.active ? _CARD_EMPLOYEE_ADDED_INF : _CARD_EMPLOYEE_REMOVED_INF);
    };
}

int ListCards(TZConnection& connection, TCliIO& io, const TListOutput& output) {
    const std::vector<TListRow> rows = CardRows(CardHoldings(connection));
    return output.Write(io, {{}, CardColumns()}, RowsOf(rows));
}

// Ties the card to the employee with the code, or unties it (an empty code).
int TieCard(TZConnection& connection, TCliIO& io, const QString& name, const QString& code, bool force,
            const QDateTime& from) {
    const std::optional<TCardHolding> card = CardHolding(connection, name);
    if (!card) {
        io.err << "horlo: kartica \"" << name << "\" ne postoji\n";
        return kExitFailed;
    }
    TCardHolderChange change{card->cardId, 0, from, force};
    if (!code.isEmpty()) {
        const TResultSet employee = connection.Select(
            QStringLiteral("SELECT employeeid FROM employee WHERE code = %1").arg(connection.Quote(code)));
        if (employee.rows.size() != 1) {
            io.err << "horlo: " << (employee.rows.empty() ? "nema zaposlenog" : "više zaposlenih ima")
                   << " sa kodom \"" << code << "\"\n";
            return kExitFailed;
        }
        change.employeeId = employee.rows[0][0].toLongLong();
    }
    const TCardHolderOutcome outcome = ChangeCardHolder(connection, change);
    if (outcome.Refused()) {
        io.err << "horlo: " << outcome.Text();
        if (outcome.status == TCardHolderStatus::HeldByAnother) io.err << " --force je predaje.";
        io.err << '\n';
        return kExitFailed;
    }
    io.out << outcome.Text() << '\n';
    return kExitOk;
}

TCliRun ParseCard(const QStringList& arguments, QTextStream& err) {
    const QString action = arguments.value(0);
    QStringList rest = arguments.mid(1);
    TListOutput output;
    if (!output.Take(rest, err)) return {};
    const bool listOption = output.format != TListFormat::Text;
    const bool force = rest.removeAll(QStringLiteral("--force")) > 0;
    QString fromText;
    bool fromGiven = false;
    for (qsizetype i = 0; i < rest.size();) {
        if (rest[i] == QLatin1String("--from") && i + 1 < rest.size()) {
            fromText = rest[i + 1];
            rest.remove(i, 2);
            fromGiven = true;
        } else if (rest[i].startsWith(QLatin1String("--from="))) {
            fromText = rest[i].mid(7);
            rest.remove(i);
            fromGiven = true;
        } else {
            ++i;
        }
    }
    for (const QString& a : rest)
        if (a.startsWith(QLatin1Char('-'))) {
            err << "horlo: nepoznat argument \"" << a << "\"\n";
            return {};
        }
    const QDateTime from = fromGiven ? TypedDateTime(fromText) : QDateTime();
    if (fromGiven && !from.isValid()) {
        err << "horlo: \"" << fromText
            << "\" nije trenutak u obliku \"gggg-mm-dd čč:mm\" (ili \"dd.mm.gggg čč:mm\")\n";
        return {};
    }
    if (action == QLatin1String("send") && rest.size() == 1 && !listOption && !force && !fromGiven)
        return SendCard(rest[0]);
    if (action == QLatin1String("list") && rest.isEmpty() && !force && !fromGiven)
        return [output](TZConnection& connection, TCliIO& io) { return ListCards(connection, io, output); };
    if (action == QLatin1String("tie") && rest.size() == 2 && !listOption)
        return [rest, force, from](TZConnection& connection, TCliIO& io) {
            return TieCard(connection, io, rest[0], rest[1], force, from);
        };
    if (action == QLatin1String("untie") && rest.size() == 1 && !listOption && !force)
        return [rest, from](TZConnection& connection, TCliIO& io) {
            return TieCard(connection, io, rest[0], {}, false, from);
        };
    err << "horlo: upotreba: horlo card send|list|tie|untie (vidi --help)\n";
    return {};
}

} // namespace

std::vector<TCliCommand> DoorCommands() {
    return {
        {QStringLiteral("clock"),
         QStringLiteral("  clock     postavlja sat svih uređaja na vreme ovog računara (\"Osveži vreme\");\n"
                        "            ispisuje po red za svaku pristupnu tačku\n"),
         CliNoArguments(
             OnAllDoors([](TDeviceCommands& commands,
                           const std::vector<TAccessPoint>& doors) { return commands.SetClocks(doors); },
                        _REFRESH_TIME_INF))},
        {QStringLiteral("lock"), QStringLiteral("  lock      zaključava sve uređaje (\"Zaklj.\")\n"),
         CliNoArguments(Relay(TRelayOperation::Lock, _LOCKED_INF))},
        {QStringLiteral("unlock"), QStringLiteral("  unlock    otključava sve uređaje (\"Otklj.\")\n"),
         CliNoArguments(Relay(TRelayOperation::Unlock, _UNLOCKED_INF))},
        {QStringLiteral("fire"),
         QStringLiteral("  fire      slobodan prolaz kroz sva vrata (\"Požar\"); za skriptu protivpožarne\n"
                        "            centrale\n"),
         CliNoArguments(Relay(TRelayOperation::Fire, _FIRE_INF))},
        {QStringLiteral("card"),
         QStringLiteral(
             "  card send IME\n"
             "            upisuje karticu IME u uređaje pristupnih tačaka sa punim pristupom\n"
             "            (\"Pošalji u uređaje\"); neaktivna kartica se tako povlači, i iz\n"
             "            uređaja koji više nemaju pun pristup a imaju njenu dozvolu; izlazi sa 1\n"
             "            kad nijedan uređaj nije pitan\n"
             "  card list [--csv | --xlsx DATOTEKA]\n"
             "            kartice: ime, kod, aktivna, kod i ime zaposlenog, vrata sa njenom dozvolom\n"
             "  card tie IME KOD [--force] [--from \"gggg-mm-dd čč:mm\"]\n"
             "            spaja karticu IME sa zaposlenim čiji je kod KOD (\"Spoji zaposlenog\"),\n"
             "            zajedno sa svim njenim pristupnim dozvolama, od sada ili od trenutka\n"
             "            --from: prolazi od tog trenutka su njegovi događaji, i oni koji su već\n"
             "            učitani; raniji ostaju događaji onoga ko je tada imao karticu; karticu\n"
             "            drugog zaposlenog predaje samo uz --force; zaposlenog koji već ima\n"
             "            aktivnu karticu odbija\n"
             "  card untie IME [--from \"gggg-mm-dd čč:mm\"]\n"
             "            razdvaja karticu od zaposlenog, i njene dozvole (\"Razdvoji zaposlenog\"),\n"
             "            od sada ili od trenutka --from; njeni prolazi od tada nisu ničiji događaji\n"
             "            (horlo raw unassigned ih navodi)\n"),
         ParseCard},
    };
}
