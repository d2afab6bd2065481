// SPDX-License-Identifier: GPL-3.0-or-later
// How a list command writes its list, the same for every list: aligned text for
// people (the default), CSV for programs on the output (--csv), or an Excel
// workbook for people (--xlsx FILE), all through the list writer of host/data.
#pragma once

#include "cli/CliCommand.h"
#include "host/data/ListWriter.h"

struct TListOutput {
    TListFormat format = TListFormat::Text;
    QString file; // of the workbook

    // Who reads it: people get titles and shown texts, programs field names and values.
    bool ForPeople() const { return ::ForPeople(format); }
    // Takes --csv, --xlsx FILE and --xlsx=FILE out of arguments; false, with the
    // reason on err, when one lacks its file or both are given.
    bool Take(QStringList& arguments, QTextStream& err);
    // Writes the list (its rows streamed from rows): text or CSV to the output, or
    // the workbook, saying where it went. The exit status: failed when the
    // workbook could not be written.
    int Write(TCliIO& io, const TList& list, const TListRows& rows) const;
    // Write, and for people reading text the number of rows after them ("Ukupno: N").
    int WriteTotalled(TCliIO& io, const TList& list, const TListRows& rows) const;
};

// The period and employee of a list command, "OD DO [--code KOD]", read after
// its output options: the dates (yyyy-mm-dd or dd.mm.yyyy) as typed and read.
struct TListPeriod {
    QString fromText, toText;
    QDate from, to; // invalid when the period may be left out and was
    QString code;

    // False, with the reason on err, for another argument, a text that is no
    // date, a reversed period, or a missing one that the command needs.
    bool Take(const QStringList& arguments, const QString& command, bool optional, QTextStream& err);
    // A workbook's opening lines: what the list is, its period and its employee.
    QStringList Caption(const QString& title) const;
};

// True when some employee has the code (or none is given); otherwise says so
// ("nema zaposlenog sa kodom") on the errors: the command exits 1.
bool KnownEmployeeCode(TZConnection& connection, TCliIO& io, const QString& code);
