// The command table of `horlo`: each subcommand group lives in its own file and
// hands its commands to HorloCli.cpp, which reads the common options, finds the
// command, connects to the database and runs it.
#pragma once

#include "host/data/Database.h"
#include "module/data/HorloData.h"

#include <QStringList>
#include <QTextStream>

#include <functional>
#include <vector>

struct TCliIO {
    QTextStream& out;
    QTextStream& err;
    bool showProgress;
};

// A command whose arguments were understood; it runs on an open connection and
// returns the exit status. Database errors escaping it exit with kExitFailed.
using TCliRun = std::function<int(TZConnection& connection, TCliIO& io)>;

struct TCliCommand {
    QString name;
    QString help; // its lines in the help text, indented, ending in a line feed
    // Reads the arguments after the command's name; on bad usage it writes the
    // reason (starting "horlo: ") to err and returns no run.
    std::function<TCliRun(const QStringList& arguments, QTextStream& err)> parse;
    // Runs on a database of any schema version (the others refuse all but the program's).
    bool anySchema = false;
};

// The parse step of a command that takes no arguments of its own.
std::function<TCliRun(const QStringList& arguments, QTextStream& err)> CliNoArguments(TCliRun run);

// The module's queries on the run's connection, for one command (no global).
class TCliDataModule : public THorloData {
public:
    explicit TCliDataModule(TZConnection& connection);
};

std::vector<TCliCommand> ImportCommands();
std::vector<TCliCommand> AttendanceCommands();
std::vector<TCliCommand> DeviceCommands();
std::vector<TCliCommand> ReportCommands();
std::vector<TCliCommand> PointCommands();
std::vector<TCliCommand> EmployeeCommands();
std::vector<TCliCommand> SettingsCommands();
std::vector<TCliCommand> DbCommands();
std::vector<TCliCommand> EventCommands();
std::vector<TCliCommand> HistoryCommands();
