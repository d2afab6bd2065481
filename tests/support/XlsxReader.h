// SPDX-License-Identifier: GPL-3.0-or-later
// Reads back what the programs write as .xlsx: a sheet's cells with their
// types (text from the shared strings or inline, or a number with its style's
// number format) and how many rows are frozen at the top.
#pragma once

#include <QString>
#include <QStringList>

#include <map>
#include <utility>

struct TXlsxCell {
    bool text = false; // a string cell; otherwise a number
    QString value;     // the text, or the number as written
    QString format;    // the number format of the cell's style ("General" without one)
    bool bold = false;
    double Number() const { return value.toDouble(); }
};

struct TXlsxSheet {
    std::map<std::pair<int, int>, TXlsxCell> cells; // by (row, column), both from 0
    int rows = 0;                                   // the last row holding a cell, plus one
    int frozenRows = 0;
    // The cell, or an empty text cell where there is none.
    TXlsxCell At(int row, int column) const;
    QStringList Row(int row) const; // every cell's value up to the last column with one
};

// Sheet index from 0; throws std::runtime_error when the file is no workbook.
TXlsxSheet ReadXlsx(const QString& fileName, int sheet = 0);
// Whether a number format shows a date (d, m and y in it, outside quotes).
bool IsDateFormat(const QString& format);
// Days since 1899-12-30 as a spreadsheet counts them (from March 1900 on).
double ExcelDay(int year, int month, int day);
