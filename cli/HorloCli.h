// SPDX-License-Identifier: GPL-3.0-or-later
// `horlo`, the command line for scheduled jobs: the module's own work (imports,
// processing, the attendance sheet) run without a window.
#pragma once

#include <QStringList>
#include <QTextStream>

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1; // the work failed or was refused (a device, the database, existing rows)
constexpr int kExitUsage = 2;  // bad usage, or no database

// Runs the command line (arguments without the program name); output and
// errors go to the streams; with showProgress, progress lines go to terminal.
int RunHorloCli(const QStringList& arguments, QTextStream& out, QTextStream& err, bool showProgress,
                QTextStream* terminal = nullptr);
