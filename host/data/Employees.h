// SPDX-License-Identifier: GPL-3.0-or-later
// The stand-in host's personnel job on its `employee` table: adding and changing
// an employee with its checks, and the list. Widget-free: the console's employee
// dialog and `horlo employee` share it.
#pragma once

#include "host/data/Database.h"
#include "host/data/ListWriter.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

struct TEmployee {
    qint64 id = 0; // 0: not stored yet
    QString code;
    QString firstName;
    QString lastName;
    QString personalId; // JMBG
    QString vocation;
    QDate from;                // workingfromdate; invalid: none
    QDate to;                  // workingtodate; the personnel module's empty date (1899-12-30) reads as none
    QDate started;             // startworkingdate: taken from `from` while it is empty
    qint64 workingStateId = 0; // 0: none
    QString workingState;      // its description, as read
    bool active = true;

    QString Name() const { return lastName + QLatin1Char(' ') + firstName; } // as lists name people
};

struct TEmployeeOutcome {
    bool ok = false;
    qint64 id = 0;
    bool added = false;
    QStringList changes;  // what a change changed ("Radno mesto: Magacioner → Vozač"); empty: nothing
    QString error;        // why nothing was stored
    QStringList warnings; // stored, but worth a look
};

std::optional<TEmployee> EmployeeById(TZConnection& connection, qint64 id);
std::optional<TEmployee> EmployeeByCode(TZConnection& connection, const QString& code);
// Those whose codes are among the given ones (locked for the caller's transaction
// when lock is set), read in slices of a few hundred codes.
std::vector<TEmployee> EmployeesWithCodes(TZConnection& connection, const QStringList& codes, bool lock);
// By last and first name; the active ones only unless inactiveToo.
std::vector<TEmployee> EmployeeList(TZConnection& connection, bool inactiveToo);
// The list of employees as the list writer takes it: for programs the field names
// that `horlo employee import` reads.
std::vector<TListColumn> EmployeeColumns();
std::vector<TListRow> EmployeeRows(const std::vector<TEmployee>& employees);
// The working states (identifier, description), by description.
std::vector<std::pair<qint64, QString>> WorkingStates(TZConnection& connection);

// The longest texts the table takes, as the server reports its columns.
struct TEmployeeSizes {
    int code = 0, firstName = 0, lastName = 0, personalId = 0, vocation = 0;
};
TEmployeeSizes EmployeeSizes(TZConnection& connection);

// Why the employee cannot be stored (texts trimmed as it would be), or an empty text.
QString EmployeeRefusal(const TEmployee& employee, const TEmployeeSizes& sizes);
// What is stored all the same but is worth a look: a JMBG that is not 13 digits.
QStringList EmployeeWarnings(const TEmployee& employee);
// The differences, one text each, in the order of the form.
QStringList EmployeeChanges(const TEmployee& before, const TEmployee& after);
// Texts trimmed, the start of work taken as the first day while there is none.
TEmployee Normalized(TEmployee employee);

// Adds the employee (id 0) or changes the stored one, in one transaction. A code
// that another employee has is refused by the database's key, whoever stored it first.
TEmployeeOutcome SaveEmployee(TZConnection& connection, const TEmployee& employee);

// Writes the row of a new employee (stored: none; its id is set), or the columns that
// differ from the stored one; inside the caller's transaction. Throws the database's
// error (a code in use among them).
void WriteEmployee(TZConnection& connection, TEmployee& employee, const TEmployee* stored);
// The refusal for a code that the key `employee_code` found in use.
QString CodeInUseError(TZConnection& connection, const QString& code);
