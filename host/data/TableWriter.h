// SPDX-License-Identifier: GPL-3.0-or-later
// Tables written as text: RFC 4180 CSV (UTF-8, CR LF line ends, a header line
// first) for payroll and spreadsheets, or aligned columns for a terminal. The
// command line and the print wizard's CSV export both write through here.
#pragma once

#include "host/data/Database.h"

#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <vector>

// What a column holds, for spreadsheets: CSV writes every type as text.
enum class TCellType { Text, Number, Date, Time, DateTime };

// The cell type of a field's values: numbers, dates and times as such; texts
// (codes among them, whose leading zeros count), flags and bytes as text.
TCellType CellTypeOf(TFieldType type);

struct TTextTable {
    QStringList header;
    std::vector<QStringList> rows;
    std::vector<bool> rightAligned; // per column, for aligned text; empty: all left
    std::vector<TCellType> types;   // per column, for spreadsheets; empty: all text
};

// One field as CSV: quoted when it holds a comma, a quote, CR or LF, with its
// quotes doubled. A text that begins with =, +, -, @, a tab or CR, and is no
// number, gets a leading apostrophe, so that a spreadsheet does not run it.
QString CsvField(const QString& text);
// One CSV record with its CR LF.
QString CsvLine(const QStringList& fields);

// Rows made on demand, for tables too long to hold: each call hands every row,
// in order, to the sink. Aligned text calls it twice (to measure, then to
// write), CSV once.
using TRowSink = std::function<void(const QStringList& row)>;
using TRowSource = std::function<void(const TRowSink& sink)>;
// The rows of a table held whole, as such a source.
TRowSource RowsOf(const TTextTable& table);

// Writes the header and every row as CSV.
void WriteCsv(QTextStream& out, const TTextTable& table);
void WriteCsv(QTextStream& out, const QStringList& header, const TRowSource& rows);
// Writes the table to a file in UTF-8; throws std::runtime_error naming the
// file when it cannot be written completely.
void SaveCsv(const QString& fileName, const TTextTable& table);

// text with line breaks and other control characters escaped (\n, \t, \x1b), so
// that what a name or an argument holds never reaches a terminal raw.
QString PrintableText(const QString& text);

// Columns padded to their widest text, two blanks apart; line breaks and other
// control characters shown escaped (\n, \t, \x1b).
void WriteAligned(QTextStream& out, const TTextTable& table);
void WriteAligned(QTextStream& out, const QStringList& header, const std::vector<bool>& rightAligned,
                  const TRowSource& rows);
