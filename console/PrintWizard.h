// The console's print wizard: the print grid laid out on pages under a title
// and header lines, shown in a preview from which it is printed, saved as PDF,
// or saved as CSV (what the grid shows, in its shown column order).
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>

class QPagedPaintDevice;
class QPrinter;
class QWidget;
class TDBGrid;

// The wizard's parameter text: "title:" + title + ";header:" + header, the
// header's lines separated by CR LF (or LF).
struct TPrintParams {
    QString Title;
    QStringList Header;
    static TPrintParams Parse(const QString& params);
};

class TPrintWizard {
public:
    TPrintWizard(TDBGrid* grid, const QString& params);

    const TPrintParams& Params() const { return m_params; }
    // Paints every page on the device (a printer or a PDF writer); returns the page count.
    int Paint(QPagedPaintDevice& device) const;
    // Writes a PDF without any window; throws std::runtime_error when the file cannot be written.
    void SaveAsPdf(const QString& fileName) const;
    // The grid's shown columns and rows as CSV with the column titles as header;
    // throws std::runtime_error when the file cannot be written.
    void SaveAsCsv(const QString& fileName) const;
    // The preview with printing and saving; when SetPdfOutput named a file, the
    // PDF is written there instead and no window opens.
    void Exec(QWidget* parent);

    // For tests and scripted runs.
    static void SetPdfOutput(const QString& fileName);
    static QString PdfOutput();

private:
    void SetUpPrinter(QPrinter& printer) const;
    QPointer<TDBGrid> m_grid;
    TPrintParams m_params;
};
