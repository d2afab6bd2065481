// SPDX-License-Identifier: GPL-3.0-or-later
// Employees as people name them in a preset search: by code, or by name as the
// employee lists show it (one by code alone: EmployeeByCode of host/data/Employees.h).
#pragma once

#include <QString>

#include <vector>

class TZConnection;

// The employees a typed text names: their code, "Prezime Ime" or "Ime Prezime",
// compared as the database compares names (without regard to case).
std::vector<qint64> EmployeesNamed(TZConnection& connection, const QString& text);
