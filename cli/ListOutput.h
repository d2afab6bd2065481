// SPDX-License-Identifier: GPL-3.0-or-later
// How a list command writes its table, the same for every list: aligned text
// for people (the default), CSV on the output (--csv), or an Excel workbook
// (--xlsx FILE). CSV and the workbook hold the same table: field names as
// header, values in their machine forms, the workbook's cells typed by column.
#pragma once

#include "cli/CliCommand.h"
#include "host/data/TableWriter.h"

struct TListOutput {
    enum class TKind { Text, Csv, Xlsx };
    TKind kind = TKind::Text;
    QString file; // of the workbook

    // The table is for a machine (CSV or a workbook), not for people.
    bool ForMachines() const { return kind != TKind::Text; }
    // Takes --csv, --xlsx FILE and --xlsx=FILE out of arguments; false, with the
    // reason on err, when one lacks its file or both are given.
    bool Take(QStringList& arguments, QTextStream& err);
    // Writes the table for machines (its rows streamed from rows): CSV to the
    // output, or the workbook, saying where it went. The exit status: failed
    // when the workbook could not be written.
    int Write(TCliIO& io, const TTextTable& header, const TRowSource& rows) const;
    int Write(TCliIO& io, const TTextTable& table) const;
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
};

// True when some employee has the code (or none is given); otherwise says so
// ("nema zaposlenog sa kodom") on the errors: the command exits 1.
bool KnownEmployeeCode(TZConnection& connection, TCliIO& io, const QString& code);
