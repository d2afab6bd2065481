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

// "title:" + title + ";header:" + header.
QString PrintParams(const QString& title, const QString& header);
// Without a console the user is told that the print wizard is missing.
void PrintThroughConsole(TDBGrid* grid, const QString& params);
