// SPDX-License-Identifier: GPL-3.0-or-later
// Lists written for people or for programs: the one writer of every list that
// the command line and the console's print wizard save or print as text, CSV or
// an Excel workbook.
//
// A list has columns (a field name for programs, a title for people, a cell
// type) and rows of cells (a value, and the text people read where it differs
// from the value: "Da" for 'y', "Prisutni" for present, 7.5 shown as "7.5").
// Programs get field names and values in machine forms; people get titles,
// texts as the dialogs show them, and in spreadsheets cells they can compute
// with. People's forms open with the list's caption: what it is, its filter
// and its period.
#pragma once

#include "host/data/Database.h"

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QVariant>

#include <functional>
#include <vector>

class TDataSet;
class TField;

enum class TListFormat {
    Text,     // aligned columns for a terminal (people)
    Csv,      // RFC 4180 for programs: UTF-8, commas, field names, yyyy-mm-dd, a decimal point
    SheetCsv, // for a spreadsheet set to Serbian: UTF-8 with a BOM, semicolons, titles,
              // dd.mm.yyyy, numbers with up to six decimals after a decimal comma
    Xlsx,     // an Excel workbook (people): titles, typed cells
};
// Every format but Csv is read by people.
bool ForPeople(TListFormat format);

// What a column holds, for spreadsheets and for the forms of its values.
enum class TCellType { Text, Number, Date, Time, DateTime };
// The cell type of a field's values: numbers, dates and times as such; texts
// (codes among them, whose leading zeros count) and flags as text.
TCellType CellTypeOf(TFieldType type);

struct TListColumn {
    QString name;  // for programs
    QString title; // for people
    TCellType type = TCellType::Text;
};

struct TListCell {
    TListCell(QVariant value = {}, QString shown = {}) : value(std::move(value)), shown(std::move(shown)) {}
    QVariant value; // a number, QDate, QDateTime, QTime or text
    QString shown;  // what people read; null: the value's own text
};
using TListRow = std::vector<TListCell>;

struct TList {
    QStringList caption; // people's forms open with these lines
    std::vector<TListColumn> columns;
};

// The rows, handed in order to the sink; false when they stopped before the end
// (a cancel), which leaves no file. Aligned text asks for them twice (to measure,
// then to write), the others once, so that a list of any length streams.
using TListSink = std::function<void(const TListRow&)>;
using TListRows = std::function<bool(const TListSink&)>;
TListRows RowsOf(const std::vector<TListRow>& rows);

// Text, Csv or SheetCsv on a stream; false when the rows stopped.
bool WriteList(QTextStream& out, TListFormat format, const TList& list, const TListRows& rows);
// Any format to a file, which takes the place of an earlier one only when it is
// whole; false, and the earlier file as it was, when the rows stopped. Throws
// std::runtime_error naming the file when it cannot be written.
bool SaveList(const QString& fileName, TListFormat format, const TList& list, const TListRows& rows);

// A text with line breaks and other control characters escaped (\n, \t, \x1b), so
// that what a name or an argument holds never reaches a terminal raw.
QString PrintableText(const QString& text);

// One CSV field of programs' CSV (quoted when needed); a text that begins with =,
// +, -, @, a tab or CR, and is no number, gets a leading apostrophe so that a
// spreadsheet does not run it. Exposed for its tests.
QString CsvField(const QString& text, QChar separator = QLatin1Char(','));

// A data set's fields as columns (field names, labels, cell types) and as cells:
// the value, and the text a grid shows (flags as Da and Ne).
std::vector<TListColumn> FieldColumns(const std::vector<const TField*>& fields);
TListCell FieldCell(const TField& field, const QVariant& value);
TListRow DataSetRow(const TDataSet& data, int row, const std::vector<const TField*>& fields);
// The named fields of a data set (all of them for an empty list), looked up once.
std::vector<const TField*> FieldsOf(const TDataSet& data, const QStringList& names = {});
