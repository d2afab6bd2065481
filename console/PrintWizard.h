// SPDX-License-Identifier: GPL-3.0-or-later
// The console's print wizard: the print grid laid out on pages under a title
// and header lines, shown in a preview from which it is printed, saved as PDF,
// or saved as CSV or an Excel workbook (what the grid shows, in its shown
// column order).
#pragma once

#include "host/data/ListWriter.h"

#include <QPointer>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;
class QPrinter;
class QWidget;
class TDBGrid;

// The wizard's parameter text: "title:" + title + ";header:" + header, the
// header's lines separated by CR LF (or LF).
struct TPrintParams {
    QString title;
    QStringList header;
    static TPrintParams Parse(const QString& params);
};

// How the list lies on pages of one size: columns as wide as their texts need,
// in the largest font that fits, long texts wrapped within their cells.
struct TPrintLayout {
    struct TColumn {
        int column = 0;          // in the grid
        double x = 0, width = 0; // on the page
        int wrap = 0;            // how its texts wrap (Qt::TextFlag): numbers and dates never
    };
    double fontSize = 0;      // points, of the rows' texts
    bool wraps = false;       // some texts take more than one line
    bool breaksWords = false; // a word of a text wider than any column breaks too
    double scale = 1;         // one screen pixel of the form's own drawing on the page
    double pad = 0;           // between a cell's border and its text
    double rowHeight = 0;     // of a row of one line
    double captionHeight = 0; // of the column titles
    double titleHeight = 0;   // of the title and header lines on the first page
    std::vector<TColumn> columns;
    std::vector<int> pageStarts; // the first row of every page; empty when cancelled
    int Pages() const { return int(pageStarts.size()); }
};

class TPrintWizard {
public:
    TPrintWizard(TDBGrid* grid, const QString& params);

    const TPrintParams& Params() const { return m_params; }
    // Paints every page on the device (a printer or a PDF writer); returns the
    // page count, or 0 when the user cancelled: a cancelled preview then holds
    // one blank page instead of what was painted.
    int Paint(QPagedPaintDevice& device) const;
    // The layout on the device's pages. The rows are measured once per wizard,
    // with progress; Cancelled() tells when the user stopped it.
    const TPrintLayout& Layout(const QPagedPaintDevice& device) const;
    // A4, across the page when the texts do not fit on a portrait one; false
    // when the measuring was cancelled.
    [[nodiscard]] bool SetUpPrinter(QPrinter& printer) const;
    // Writes a PDF without any window; throws std::runtime_error when the file
    // cannot be written. False, and no file, when the user cancelled.
    bool SaveAsPdf(const QString& fileName) const;
    // The grid's shown columns and rows under the title and header lines, for a
    // spreadsheet set to Serbian (the list writer's SheetCsv: UTF-8 with a BOM,
    // semicolons, column titles, numbers with six decimals); throws
    // std::runtime_error when the file cannot be written. False, and the file as
    // it was, when the user cancelled.
    bool SaveAsCsv(const QString& fileName) const;
    // The same as an Excel workbook, its cells typed by the columns' fields (dates
    // as dates, numbers as numbers; texts, and what a field shows through its own
    // text, as shown); throws and cancels as SaveAsCsv.
    bool SaveAsXlsx(const QString& fileName) const;

    using TSaver = bool (TPrintWizard::*)(const QString& fileName) const;
    // The preview's save actions: saves, then tells where the file went, or
    // shows why it could not be written; a cancelled save says nothing. True
    // when saved.
    bool Save(TSaver save, const QString& fileName) const;

    // Long lists show the rows done in a progress window with a cancel button;
    // set, this is asked instead (rows done, all rows) and false cancels.
    std::function<bool(int done, int total)> OnProgress;
    // The last Paint or save was cancelled.
    bool Cancelled() const { return m_cancelled; }
    // The preview with printing and saving; when SetPdfOutput named a file, the
    // PDF is written there instead and no window opens. A list of many pages is
    // previewed only when the user confirms its page count.
    void Exec(QWidget* parent);

    // For tests and scripted runs.
    static void SetPdfOutput(const QString& fileName);
    static QString PdfOutput();

private:
    bool SaveList(TListFormat format, const QString& fileName, const QString& caption) const;
    struct TMeasure;
    void Preview(QWidget* parent);
    const TMeasure* Measure(const QPagedPaintDevice& device) const;
    class TProgress;
    // Paints page (from 1) of the last layout with painter in the units of
    // device, stepping progress when given; printed is the footer's time.
    void PaintPage(QPainter& painter, const QPaintDevice& device, int page, const QString& printed,
                   TProgress* progress) const;
    static QString PrintedText();
    mutable bool m_cancelled = false;
    mutable std::shared_ptr<const TMeasure> m_measure;
    mutable TPrintLayout m_layout;
    mutable QSizeF m_layoutPage; // the page size m_layout was made for
    QPointer<TDBGrid> m_grid;
    TPrintParams m_params;
};
