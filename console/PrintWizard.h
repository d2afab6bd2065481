// The console's print wizard: the print grid laid out on pages under a title
// and header lines, shown in a preview from which it is printed, saved as PDF,
// or saved as CSV or an Excel workbook (what the grid shows, in its shown
// column order).
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class QPagedPaintDevice;
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

class TPrintWizard {
public:
    TPrintWizard(TDBGrid* grid, const QString& params);

    const TPrintParams& Params() const { return m_params; }
    // Paints every page on the device (a printer or a PDF writer); returns the
    // page count, or the pages painted when the user cancelled.
    int Paint(QPagedPaintDevice& device) const;
    // Writes a PDF without any window; throws std::runtime_error when the file
    // cannot be written. False, and no file, when the user cancelled.
    bool SaveAsPdf(const QString& fileName) const;
    // The grid's shown columns and rows as CSV with the column titles as header;
    // throws std::runtime_error when the file cannot be written. False, and
    // the file as it was, when the user cancelled.
    bool SaveAsCsv(const QString& fileName) const;
    // The same as an Excel workbook, its cells typed by the columns' fields (dates
    // as dates, numbers as numbers; texts, and what a field shows through its own
    // text, as shown); throws and cancels as SaveAsCsv.
    bool SaveAsXlsx(const QString& fileName) const;

    enum class TSaveFormat { Pdf, Csv, Xlsx };
    // The preview's save actions: saves, then tells where the file went, or
    // shows why it could not be written; a cancelled save says nothing. True
    // when saved.
    bool Save(TSaveFormat format, const QString& fileName) const;

    // Long lists show the rows done in a progress window with a cancel button;
    // set, this is asked instead (rows done, all rows) and false cancels.
    std::function<bool(int done, int total)> OnProgress;
    // The last Paint or save was cancelled.
    bool Cancelled() const { return m_cancelled; }
    // The preview with printing and saving; when SetPdfOutput named a file, the
    // PDF is written there instead and no window opens.
    void Exec(QWidget* parent);

    // For tests and scripted runs.
    static void SetPdfOutput(const QString& fileName);
    static QString PdfOutput();

private:
    void SetUpPrinter(QPrinter& printer) const;
    // Hands every row of the grid to write, with the progress shown; false
    // when the user cancelled.
    bool EachRow(const QString& caption, const std::function<void(int row)>& write) const;
    class TProgress;
    mutable bool m_cancelled = false;
    QPointer<TDBGrid> m_grid;
    TPrintParams m_params;
};
