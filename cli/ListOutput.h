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
