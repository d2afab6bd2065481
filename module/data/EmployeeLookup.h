// Employees as people name them on the command line and in a preset search:
// by code, or by name as the employee lists show it.
#pragma once

#include <QString>

#include <vector>

class TZConnection;

// The employees with that code (codes are usually, not always, unique).
std::vector<qint64> EmployeesWithCode(TZConnection& connection, const QString& code);
// The employees a typed text names: their code, "Prezime Ime" or "Ime Prezime",
// compared as the database compares names (without regard to case).
std::vector<qint64> EmployeesNamed(TZConnection& connection, const QString& text);
