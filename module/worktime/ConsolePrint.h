// Printing a grid through the host console's print wizard: the grid becomes
// the console's print grid for the run, then the previous one comes back.
#pragma once

#include <QString>

class TDBGrid;

// "title:" + title + ";header:" + header.
QString PrintParams(const QString& title, const QString& header);
// Without a console the user is told that the print wizard is missing.
void PrintThroughConsole(TDBGrid* grid, const QString& params);
