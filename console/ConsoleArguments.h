// SPDX-License-Identifier: GPL-3.0-or-later
// The console's command line, read before the application object is made: the
// help and the version need no display, and a script learns of a bad argument
// from exit status 2 and a message that names it.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// Exit statuses, as horlo's.
inline constexpr int kConsoleExitOk = 0;
inline constexpr int kConsoleExitFailed = 1; // the work failed (the module, the print)
inline constexpr int kConsoleExitUsage = 2;  // bad usage, or no database

struct TConsoleArguments {
    enum class TAction { Run, Help, Version, Refused };
    TAction action = TAction::Run;
    QString error;  // for Refused: what was wrong, naming the argument
    QString module; // empty: the module beside the program (TModuleLoader::DefaultPath)
    QString db;     // empty: dbFile, HORLO_DB or the private server
    QString dbFile; // the file that holds the database's URL
    bool askPassword = false;
    bool search = false;
    QList<std::pair<QString, QString>> searchKeys; // in the order given
    QString screenshot;
    int screenshotDelay = 1000;
    QString printPdf;
};

// arguments without the program's name. Qt's own options (-platform, -style, ...)
// are left to the application object.
TConsoleArguments ParseConsoleArguments(const QStringList& arguments);
QString ConsoleHelp();
