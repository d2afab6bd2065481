// SPDX-License-Identifier: GPL-3.0-or-later
// Employees from a CSV file that a spreadsheet made: a header that names the
// columns (code, firstname, lastname, personalidentificator, vocation,
// workingfromdate, workingtodate), UTF-8 with or without a byte order mark,
// commas or semicolons. A code that is stored changes that employee, any other
// adds one. Widget-free; `horlo employee import` drives it.
#pragma once

#include "host/data/Employees.h"

#include <QByteArray>

struct TEmployeeImportRow {
    enum class TAction { Add, Change, Same, Refused };
    int line = 0; // where the record starts in the file, from 1
    TAction action = TAction::Refused;
    TEmployee employee;              // as it is or would be stored
    std::optional<TEmployee> stored; // before the import
    QStringList changes;
    QString error;
    QStringList warnings;
};

struct TEmployeeImport {
    QString error;              // the file as a whole cannot be taken; nothing was stored
    QStringList ignoredColumns; // header names that are not imported
    std::vector<TEmployeeImportRow> rows;
    bool applied = false; // stored, every row in one transaction

    int Count(TEmployeeImportRow::TAction action) const;
};

// Reads the file's text and says, row by row, what it adds or changes. With apply,
// and only when no row is refused, stores all of it in one transaction; a row that
// the database refuses at that moment (a code stored meanwhile) stores nothing.
TEmployeeImport ImportEmployees(TZConnection& connection, const QByteArray& content, bool apply);
