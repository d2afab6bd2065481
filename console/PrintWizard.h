// The console's print wizard: the print grid laid out on pages under a title
// and header lines, shown in a preview from which it is printed, saved as PDF,
// or saved as CSV (what the grid shows, in its shown column order).
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

    // Long lists show the rows done in a progress window with a cancel button;
    // set, this is asked instead (rows done, all rows) and false cancels.
    std::function<bool(int done, int total)> OnProgress;
    // The last Paint, SaveAsPdf or SaveAsCsv was cancelled.
    bool Cancelled() const { return m_cancelled; }
    // The preview with printing and saving; when SetPdfOutput named a file, the
    // PDF is written there instead and no window opens.
    void Exec(QWidget* parent);

    // For tests and scripted runs.
    static void SetPdfOutput(const QString& fileName);
    static QString PdfOutput();

private:
    void SetUpPrinter(QPrinter& printer) const;
    class TProgress;
    mutable bool m_cancelled = false;
    QPointer<TDBGrid> m_grid;
    TPrintParams m_params;
};
