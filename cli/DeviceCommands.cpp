// `horlo clock`, `horlo lock`, `horlo unlock`, `horlo fire` and `horlo card send
// NAME`: the card dialog's device commands for scheduled jobs and alarm scripts.
#include "module/device/DeviceCommands.h"
#include "cli/CliCommand.h"
#include "cli/HorloCli.h"
#include "module/HorloResourceString.h"
#include "module/data/HorloDMUnit.h"

#include "host/SysUtils.h"

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
    else
        io.err << "horlo: " << Format(_DEVICE_NOT_CONFIRMED_ERR, {run.Unconfirmed()}) << '\n';
    return kExitFailed;
}

std::vector<TDoor> AllDoors() {
    HorloDM->HorloAccessPointZQ->Close();
    HorloDM->HorloAccessPointZQ->Open();
    return DoorsOf(*HorloDM->HorloAccessPointZQ);
}

// Runs a device operation over every access point, one line per door.
TCliRun OnAllDoors(std::function<TDeviceRun(TDeviceCommands&, const std::vector<TDoor>&)> operation,
                   const QString& done) {
    return [operation, done](TZConnection& connection, TCliIO& io) {
        TCliDataModule dm(connection);
        const std::vector<TDoor> doors = AllDoors();
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
    return OnAllDoors([mode](TDeviceCommands& commands,
                             const std::vector<TDoor>& doors) { return commands.SetRelayModes(doors, mode); },
                      done);
}

TCliRun SendCard(const QString& name) {
    return [name](TZConnection& connection, TCliIO& io) {
        TCliDataModule dm(connection);
        TZQuery* cards = HorloDM->EmployeeCardZQ;
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
        const TDeviceRun run = SendCardToDevices(commands, connection, *HorloDM->HorloAccessPointZQ,
                                                 *HorloDM->HorloAccessTicketZQ, card);
        if (run.doors.empty()) io.out << "Nijedna pristupna tačka ne prima kartice.\n";
        return Finish(io, run, card.active ? _CARD_EMPLOYEE_ADDED_INF : _CARD_EMPLOYEE_REMOVED_INF);
    };
}

TCliRun ParseCard(const QStringList& arguments, QTextStream& err) {
    if (arguments.size() != 2 || arguments[0] != QLatin1String("send") || arguments[1].isEmpty()) {
        err << "horlo: upotreba: horlo card send IME_KARTICE\n";
        return {};
    }
    return SendCard(arguments[1]);
}

} // namespace

std::vector<TCliCommand> DeviceCommands() {
    return {
        {QStringLiteral("clock"),
         QStringLiteral("  clock     postavlja sat svih uređaja na vreme ovog računara (\"Osveži vreme\");\n"
                        "            ispisuje po red za svaku pristupnu tačku\n"),
         CliNoArguments(OnAllDoors([](TDeviceCommands& commands,
                                      const std::vector<TDoor>& doors) { return commands.SetClocks(doors); },
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
         QStringLiteral("  card send IME\n"
                        "            upisuje karticu IME u uređaje pristupnih tačaka sa punim pristupom\n"
                        "            (\"Pošalji u uređaje\"); neaktivna kartica se tako povlači\n"),
         ParseCard},
    };
}
