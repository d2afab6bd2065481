// SPDX-License-Identifier: GPL-3.0-or-later
// The host console as the module's dialogs reach it: the console that asked for
// the snap-in, and printing a grid through its print wizard (the grid becomes
// the console's print grid for the run, then the previous one comes back).
#pragma once

#include "host/console/HostIntf.h"

#include <QString>

#include <memory>

class TDBGrid;

// The console that last asked for the snap-in; empty until then.
extern std::shared_ptr<IConsole>& GlobalConsole;

// The console's employee chooser, or nullptr without one; Tell says so to the
// user first (where choosing is the command's whole point).
enum class TMissingChooser { Silent, Tell };
std::shared_ptr<IEmployeeChooser> EmployeeChooser(TMissingChooser whenMissing);

// "title:" + title + ";header:" + header.
QString PrintParams(const QString& title, const QString& header);
// Without a console the user is told that the print wizard is missing.
void PrintThroughConsole(TDBGrid* grid, const QString& params);
