// SPDX-License-Identifier: GPL-3.0-or-later
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
    // Messages: control characters in them (a name, an argument) reach the terminal escaped.
    QTextStream& err;
    bool showProgress; // errors go to a terminal, where Progress shows
    QTextStream* terminal = nullptr;

    // Replaces the progress line on the terminal (with showProgress); empty clears it.
    void Progress(const QString& line = QString()) const;
};

// A command whose arguments were understood; it runs on an open connection and
// returns the exit status. Database errors escaping it exit with kExitFailed.
using TCliRun = std::function<int(TZConnection& connection, TCliIO& io)>;

struct TCliCommand {
    QString name;
    // Its lines in the help text, ending in a line feed: each way to call it on a line
    // of its own, indented by two ("  settings set KLJUČ VREDNOST"), and what follows
    // it, after two blanks or more, describes it.
    QString help;
    // Reads the arguments after the command's name; on bad usage it writes the
    // reason (starting "horlo: ") to err and returns no run.
    std::function<TCliRun(const QStringList& arguments, QTextStream& err)> parse;
    // Runs on a database of any schema version (the others refuse all but the program's).
    bool anySchema = false;
    // The values its next argument may take after the given ones (settings keys, door
    // names), offered by the shell's completion; connect opens the database when
    // they come from there. Empty: none offered.
    using TConnect = std::function<TZConnection*()>;
    std::function<QStringList(const QStringList& arguments, const TConnect& connect)> values = {};

    // How it is called, from its help: the ways of the subcommand that arguments
    // begin with when it has ways of its own, else all.
    QStringList Usage(const QStringList& arguments = QStringList()) const;
};

// The names of the access points (doors), for the completion of the commands that take them.
QStringList CliAccessPointNames(TZConnection& connection);

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
