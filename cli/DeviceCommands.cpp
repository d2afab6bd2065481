// `horlo clock`, `horlo lock`, `horlo unlock`, `horlo fire` and `horlo card send
// NAME`: the card dialog's device commands for scheduled jobs and alarm scripts.
#include "module/device/DeviceCommands.h"
#include "cli/CliCommand.h"
#include "cli/HorloCli.h"
#include "cli/ListOutput.h"
#include "module/HorloResourceString.h"
#include "module/device/CardHolder.h"

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
int TieCard(TZConnection& connection, TCliIO& io, const QString& name, const QString& code, bool force) {
    const std::optional<TCardHolding> card = CardHolding(connection, name);
    if (!card) {
        io.err << "horlo: kartica \"" << name << "\" ne postoji\n";
        return kExitFailed;
    }
    if (code.isEmpty()) {
        SetCardHolder(connection, card->cardId, 0);
        io.out << "Kartica " << card->name << " nije više ničija.\n";
        return kExitOk;
    }
    const TResultSet employee = connection.Select(
        QStringLiteral("SELECT employeeid, CONCAT(lastname, ' ', firstname) FROM employee WHERE code = %1")
            .arg(connection.Quote(code)));
    if (employee.rows.size() != 1) {
        io.err << "horlo: " << (employee.rows.empty() ? "nema zaposlenog" : "više zaposlenih ima")
               << " sa kodom \"" << code << "\"\n";
        return kExitFailed;
    }
    const qint64 employeeId = employee.rows[0][0].toLongLong();
    if (card->employeeId == employeeId) {
        io.out << "Kartica " << card->name << " je već kartica zaposlenog " << card->employeeName << ".\n";
        return kExitOk;
    }
    if (card->employeeId > 0 && !force) {
        io.err << "horlo: kartica " << card->name << " pripada zaposlenom " << card->employeeName << " (kod "
               << card->employeeCode << "); --force je predaje\n";
        return kExitFailed;
    }
    const QString held = card->active ? ActiveCardOf(connection, employeeId) : QString();
    if (!held.isEmpty()) {
        io.err << "horlo: " << Format(_CARD_EMPLOYEE_ERR, {held}) << '\n';
        return kExitFailed;
    }
    SetCardHolder(connection, card->cardId, employeeId);
    io.out << "Kartica " << card->name << " je kartica zaposlenog " << employee.rows[0][1].toString()
           << ".\n";
    return kExitOk;
}

TCliRun ParseCard(const QStringList& arguments, QTextStream& err) {
    const QString action = arguments.value(0);
    QStringList rest = arguments.mid(1);
    TListOutput output;
    if (!output.Take(rest, err)) return {};
    const bool listOption = output.format != TListFormat::Text;
    const bool force = rest.removeAll(QStringLiteral("--force")) > 0;
    for (const QString& a : rest)
        if (a.startsWith(QLatin1Char('-'))) {
            err << "horlo: nepoznat argument \"" << a << "\"\n";
            return {};
        }
    if (action == QLatin1String("send") && rest.size() == 1 && !listOption && !force)
        return SendCard(rest[0]);
    if (action == QLatin1String("list") && rest.isEmpty() && !force)
        return [output](TZConnection& connection, TCliIO& io) { return ListCards(connection, io, output); };
    if (action == QLatin1String("tie") && rest.size() == 2 && !listOption)
        return [rest, force](TZConnection& connection, TCliIO& io) {
            return TieCard(connection, io, rest[0], rest[1], force);
        };
    if (action == QLatin1String("untie") && rest.size() == 1 && !listOption && !force)
        return [rest](TZConnection& connection, TCliIO& io) {
            return TieCard(connection, io, rest[0], {}, false);
        };
    err << "horlo: upotreba: horlo card send|list|tie|untie (vidi --help)\n";
    return {};
}

} // namespace

std::vector<TCliCommand> DeviceCommands() {
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
             "  card tie IME KOD [--force]\n"
             "            spaja karticu IME sa zaposlenim čiji je kod KOD (\"Spoji zaposlenog\"),\n"
             "            zajedno sa svim njenim pristupnim dozvolama, pa se sledeći prolazi\n"
             "            beleže na njega; karticu drugog zaposlenog predaje samo uz --force\n"
             "  card untie IME\n"
             "            razdvaja karticu od zaposlenog, i njene dozvole (\"Razdvoji zaposlenog\")\n"),
         ParseCard},
    };
}
