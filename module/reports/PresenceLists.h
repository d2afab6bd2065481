// SPDX-License-Identifier: GPL-3.0-or-later
// Who was present on a day, who of them arrived late, and which active
// employees were absent, read from the events of the day. The report dialog
// and `horlo report presence` share it.
#pragma once

#include "module/reports/WorkingDay.h"

#include <vector>

class TZConnection;

struct TReportEmployee {
    qint64 EmpID = 0;
    QString EmpFirstname, EmpLastname, EmpVocation, EmpForeignVocation, EmpCode;
    QDate EmpStartWorkingDate; // invalid when unknown
    QString EmpOrgUnit, EmpContractType;
};

struct TPresentEmployee {
    TReportEmployee employee;
    QDateTime firstArrival; // the first arrival of the day
};

struct TAbsentEmployee {
    TReportEmployee employee;
    QString workState;
};

struct TPresenceLists {
    std::vector<TPresentEmployee> present; // every employee with an arrival on the day
    std::vector<TPresentEmployee> late;    // of them, those whose first arrival is at or after the start
    std::vector<TAbsentEmployee> absent;   // active employees without an arrival
};

// Each list ordered by last name, first name, code and identifier. Events
// without an employee row (guests) make nobody present. Throws EDatabaseError,
// and EConvertError when the start of working time is no time.
TPresenceLists ReadPresenceLists(TZConnection& connection, const QDate& day, const TWorkingDayLimits& limits);
