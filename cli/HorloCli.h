// `horlo import` and `horlo process`: the import dialog's download chain and
// its processing, run without a window for scheduled jobs.
#pragma once

#include <QStringList>
#include <QTextStream>

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1; // some access point or the processing failed
constexpr int kExitUsage = 2;  // bad usage, or no database

// Runs the command line (arguments without the program name); output and
// errors go to the streams; progress goes to errors when showProgress is set.
int RunHorloCli(const QStringList& arguments, QTextStream& out, QTextStream& err, bool showProgress);
