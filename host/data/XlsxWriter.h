// SPDX-License-Identifier: GPL-3.0-or-later
// A list as an Excel workbook (.xlsx) for payroll offices: its caption lines
// over one sheet with a bold header row that stays in view, typed cells (dates,
// times and numbers a spreadsheet computes with; codes as text, leading zeros
// kept) and columns as wide as their texts. Rows go to disk as they come, so
// that a list of any length is written in flat memory. The list writer
// (ListWriter.h) saves workbooks through here.
#pragma once

#include "host/data/ListWriter.h"

#include <QVariant>

#include <memory>
#include <vector>

class TXlsxWriter {
public:
    // A workbook bound for fileName, written under a temporary name in the same
    // folder until Close; throws std::runtime_error naming the file when that
    // folder takes no file. caption: lines above the header (the first bold);
    // types: per column (missing ones are text).
    TXlsxWriter(const QString& fileName, const QStringList& caption, const QStringList& header,
                const std::vector<TCellType>& types);
    // Without a successful Close nothing is left behind, and an earlier file
    // of that name stays as it was.
    ~TXlsxWriter();
    TXlsxWriter(const TXlsxWriter&) = delete;
    TXlsxWriter& operator=(const TXlsxWriter&) = delete;

    // One row, each cell as its column's type: a QDate, QDateTime, QTime or
    // number, or a text in the forms CSV writes (yyyy-mm-dd, yyyy-mm-dd
    // hh:mm:ss, hh:mm:ss, 12.5). A value not in its column's form is written
    // as text; a null or empty one leaves the cell blank. Rows past a sheet's
    // last go on in another sheet under the same header.
    void AddRow(const QVariantList& cells);
    // Puts the workbook under its name, replacing an earlier file; throws
    // std::runtime_error naming the file when it could not be written whole.
    void Close();

private:
    struct TState;
    std::unique_ptr<TState> m_state;
};
