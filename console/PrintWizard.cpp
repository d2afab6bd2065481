#include "console/PrintWizard.h"

#include "console/ConsoleStrings.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/data/TableWriter.h"
#include "host/data/XlsxWriter.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Dialogs.h"
#include "host/ui/GridTable.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMainWindow>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QSaveFile>
#include <QStyle>
#include <QTextStream>
#include <QToolBar>
#include <QToolButton>

#include <cmath>
#include <stdexcept>

namespace {

QString g_pdfOutput;

// Margins of every page, in millimetres.
constexpr double kMargin = 12.0;

struct TColumnLayout {
    int column;      // in the grid
    int screenWidth; // pixels on screen
    double x, width; // on the page
};

// Lists shorter than this are done before a progress window would show.
constexpr int kProgressRows = 2000;

} // namespace

// Rows done in a progress window, or through OnProgress when set.
class TPrintWizard::TProgress {
public:
    TProgress(const TPrintWizard& wizard, const QString& caption, int total)
        : m_wizard(wizard), m_total(total) {
        m_wizard.m_cancelled = false;
        if (m_wizard.OnProgress || total < kProgressRows || TDialogScript::Unattended() ||
            !qobject_cast<QApplication*>(QCoreApplication::instance()))
            return;
        m_dialog = std::make_unique<QProgressDialog>(caption, _CON_CANCEL_CAP, 0, total,
                                                     QApplication::activeWindow());
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setMinimumDuration(300);
    }
    // False once the user cancelled.
    bool Step(int done) {
        if (m_wizard.m_cancelled) return false;
        if (m_wizard.OnProgress) {
            if (!m_wizard.OnProgress(done, m_total)) m_wizard.m_cancelled = true;
        } else if (m_dialog && (done % 50 == 0 || done == m_total)) {
            m_dialog->setValue(done);
            if (m_dialog->wasCanceled()) m_wizard.m_cancelled = true;
        }
        return !m_wizard.m_cancelled;
    }

private:
    const TPrintWizard& m_wizard;
    int m_total;
    std::unique_ptr<QProgressDialog> m_dialog;
};

TPrintParams TPrintParams::Parse(const QString& params) {
    static const QString titleTag = QStringLiteral("title:");
    static const QString headerTag = QStringLiteral(";header:");
    TPrintParams result;
    QString title = params, header;
    if (title.startsWith(titleTag)) title.remove(0, titleTag.size());
    if (const qsizetype at = title.indexOf(headerTag); at >= 0) {
        header = title.mid(at + headerTag.size());
        title.truncate(at);
    }
    result.title = title;
    if (!header.isEmpty()) {
        header.replace(QLatin1String("\r\n"), QLatin1String("\n"))
            .replace(QLatin1Char('\r'), QLatin1Char('\n'));
        result.header = header.split(QLatin1Char('\n'));
    }
    return result;
}

TPrintWizard::TPrintWizard(TDBGrid* grid, const QString& params)
    : m_grid(grid), m_params(TPrintParams::Parse(params)) {}

void TPrintWizard::SetPdfOutput(const QString& fileName) {
    g_pdfOutput = fileName;
}

QString TPrintWizard::PdfOutput() {
    return g_pdfOutput;
}

int TPrintWizard::Paint(QPagedPaintDevice& device) const {
    QPainter p;
    if (!p.begin(&device)) throw std::runtime_error(_CON_PDF_WRITE_ERR);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const double pageWidth = device.width(), pageHeight = device.height();
    const double px = device.logicalDpiX() / 96.0; // one screen pixel on the page

    QFont titleFont;
    titleFont.setPointSizeF(14);
    titleFont.setBold(true);
    QFont headerFont;
    headerFont.setPointSizeF(10);
    QFont tableFont;
    tableFont.setPointSizeF(8.5);
    QFont captionFont = tableFont;
    captionFont.setBold(true);
    QFont footerFont;
    footerFont.setPointSizeF(7.5);
    const QFontMetricsF titleFm(titleFont, &device), headerFm(headerFont, &device),
        tableFm(tableFont, &device), footerFm(footerFont, &device);

    // columns as on screen, shrunk to the page when they are wider
    std::vector<TColumnLayout> columns;
    double total = 0;
    const TDBGrid* grid = m_grid;
    if (grid)
        for (int c = 0; c < grid->ColumnCount(); ++c)
            if (!grid->isColumnHidden(c)) {
                columns.push_back({c, grid->columnWidth(c), 0, 0});
                total += grid->columnWidth(c);
            }
    const double scale = total > 0 ? qMin(px, pageWidth / total) : px;
    double x = 0;
    for (TColumnLayout& c : columns) {
        c.x = x;
        c.width = c.screenWidth * scale;
        x += c.width;
    }
    const double rowHeight = qMax(tableFm.height() * 1.45, 18 * scale);
    const double pad = 3 * scale;

    double titleBlock = 0;
    if (!m_params.title.isEmpty()) titleBlock += titleFm.height() * 1.4;
    titleBlock += headerFm.height() * 1.25 * m_params.header.size();
    if (titleBlock > 0) titleBlock += headerFm.height() * 0.6;
    const double footer = footerFm.height() * 2;

    const int rows = grid ? grid->RowCount() : 0;
    const auto fit = [&](double space) { return qMax(1, int(std::floor(space / rowHeight))); };
    const int firstRows = fit(pageHeight - footer - titleBlock - rowHeight);
    const int otherRows = fit(pageHeight - footer - rowHeight);
    const int pages = rows <= firstRows ? 1 : 1 + (rows - firstRows + otherRows - 1) / otherRows;
    const QString printed =
        Format(_CON_PRINTED_FMT, {FormatDateTime(QStringLiteral("dd.mm.yyyy hh:nn"), Now())});
    const QPen gridPen(QColor(150, 150, 150), qMax(1.0, 0.6 * px));

    TProgress progress(*this, _CON_PRINTING_CAP, rows);
    int row = 0;
    int painted = 0;
    for (int page = 1; page <= pages && progress.Step(row); ++page, ++painted) {
        if (page > 1) device.newPage();
        double y = 0;
        if (page == 1) {
            p.setPen(Qt::black);
            if (!m_params.title.isEmpty()) {
                p.setFont(titleFont);
                p.drawText(QRectF(0, y, pageWidth, titleFm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                           m_params.title);
                y += titleFm.height() * 1.4;
            }
            p.setFont(headerFont);
            for (const QString& line : m_params.header) {
                p.drawText(QRectF(0, y, pageWidth, headerFm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                           line);
                y += headerFm.height() * 1.25;
            }
            y = titleBlock;
        }
        // column titles on every page
        p.setFont(captionFont);
        for (const TColumnLayout& c : columns) {
            const QRectF cell(c.x, y, c.width, rowHeight);
            p.fillRect(cell, QColor(225, 228, 235));
            p.setPen(gridPen);
            p.drawRect(cell);
            p.setPen(Qt::black);
            p.drawText(cell.adjusted(pad, 0, -pad, 0), Qt::AlignLeft | Qt::AlignVCenter,
                       QFontMetricsF(captionFont, &device)
                           .elidedText(grid->ColumnTitle(c.column), Qt::ElideRight, c.width - 2 * pad));
        }
        y += rowHeight;
        p.setFont(tableFont);
        const int last = qMin(rows, row + (page == 1 ? firstRows : otherRows));
        for (; row < last; ++row, y += rowHeight) {
            if (row % 50 == 0 && !progress.Step(row)) break;
            for (const TColumnLayout& c : columns) {
                const QRectF cell(c.x, y, c.width, rowHeight);
                const QColor color = grid->CellColor(row, c.column);
                if (color.isValid()) p.fillRect(cell, color);
                p.setPen(gridPen);
                p.drawRect(cell);
                const QString text = grid->CellText(row, c.column);
                if (!text.isEmpty()) {
                    const QVariant align =
                        grid->model()->data(grid->model()->index(row, c.column), Qt::TextAlignmentRole);
                    p.setPen(Qt::black);
                    p.drawText(cell.adjusted(pad, 0, -pad, 0),
                               align.isValid() ? Qt::Alignment(align.toInt())
                                               : (Qt::AlignLeft | Qt::AlignVCenter),
                               tableFm.elidedText(text, Qt::ElideRight, c.width - 2 * pad));
                }
                // what the form draws itself, in screen pixels scaled to the page
                p.save();
                p.setClipRect(cell);
                p.translate(c.x, y);
                p.scale(scale, scale);
                grid->DrawColumnCell(p, QRect(0, 0, c.screenWidth, int(rowHeight / scale)), row, c.column);
                p.restore();
            }
        }
        p.setFont(footerFont);
        p.setPen(Qt::darkGray);
        const QRectF foot(0, pageHeight - footerFm.height(), pageWidth, footerFm.height());
        p.drawText(foot, Qt::AlignLeft | Qt::AlignVCenter, printed);
        p.drawText(foot, Qt::AlignRight | Qt::AlignVCenter, Format(_CON_PAGE_FMT, {page, pages}));
    }
    p.end();
    if (!m_cancelled) progress.Step(rows);
    return m_cancelled ? painted : pages;
}

void TPrintWizard::SetUpPrinter(QPrinter& printer) const {
    // a list wider than a portrait page is printed across the page
    double width = 0;
    if (m_grid)
        for (int c = 0; c < m_grid->ColumnCount(); ++c)
            if (!m_grid->isColumnHidden(c)) width += m_grid->columnWidth(c);
    const double widthMm = width / 96.0 * 25.4;
    const auto orientation = widthMm > 210 - 2 * kMargin ? QPageLayout::Landscape : QPageLayout::Portrait;
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), orientation,
                                      QMarginsF(kMargin, kMargin, kMargin, kMargin),
                                      QPageLayout::Millimeter));
    printer.setDocName(m_params.title);
    printer.setCreator(_CON_APP_CAP);
}

bool TPrintWizard::SaveAsPdf(const QString& fileName) const {
    QPrinter printer(QPrinter::HighResolution);
    SetUpPrinter(printer);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    try {
        Paint(printer);
    } catch (const std::runtime_error&) {
        throw std::runtime_error(
            Format(_CON_PDF_WRITE_ERR, {QDir::toNativeSeparators(fileName)}).toStdString());
    }
    if (m_cancelled) QFile::remove(fileName); // half a list is no list
    return !m_cancelled;
}

bool TPrintWizard::EachRow(const QString& caption, const std::function<void(int row)>& write) const {
    const int rows = m_grid ? m_grid->RowCount() : 0;
    TProgress progress(*this, caption, rows);
    for (int row = 0; row < rows; ++row) {
        if (row % 50 == 0 && !progress.Step(row)) break;
        write(row);
    }
    if (!m_cancelled) progress.Step(rows);
    return !m_cancelled;
}

bool TPrintWizard::SaveAsCsv(const QString& fileName) const {
    // written as the rows are read, so that a long list is never held whole
    QSaveFile file(fileName);
    auto fail = [&] {
        throw std::runtime_error(Format(_CMN_FILE_WRITE_ERR, {fileName, file.errorString()}).toStdString());
    };
    if (!file.open(QIODevice::WriteOnly)) fail();
    const TDBGrid* grid = m_grid;
    const std::vector<int> columns = grid ? ShownColumns(*grid) : std::vector<int>();
    QStringList titles;
    for (int column : columns)
        titles << grid->ColumnTitle(column);
    QTextStream out(&file);
    out.setEncoding(QStringConverter::Utf8);
    out << CsvLine(titles);
    QStringList cells;
    const bool done = EachRow(_CON_SAVING_CSV_CAP, [&](int row) {
        cells.clear();
        for (int column : columns)
            cells << grid->CellText(row, column);
        out << CsvLine(cells);
    });
    out.flush();
    if (out.status() != QTextStream::Ok) fail();
    if (!done) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) fail();
    return true;
}

bool TPrintWizard::SaveAsXlsx(const QString& fileName) const {
    const TDBGrid* grid = m_grid;
    const std::vector<int> columns = grid ? ShownColumns(*grid) : std::vector<int>();
    QStringList titles;
    std::vector<const TField*> values; // per column: the field whose values go typed, or none
    std::vector<TCellType> types;
    for (int column : columns) {
        titles << grid->ColumnTitle(column);
        const TField* f = grid->ColumnField(column);
        const TCellType type = f && !f->OnGetText ? CellTypeOf(f->DataType()) : TCellType::Text;
        values.push_back(type == TCellType::Text ? nullptr : f);
        types.push_back(type);
    }
    TXlsxWriter writer(fileName, titles, types);
    QVariantList cells;
    const bool done = EachRow(_CON_SAVING_XLSX_CAP, [&](int row) {
        cells.clear();
        for (size_t c = 0; c < columns.size(); ++c)
            cells << (values[c] ? grid->DataSet()->RowValue(row, values[c]->Index())
                                : QVariant(grid->CellText(row, columns[c])));
        writer.AddRow(cells);
    });
    if (!done) return false; // the writer leaves no file behind
    writer.Close();
    return true;
}

bool TPrintWizard::Save(TSaveFormat format, const QString& fileName) const {
    bool saved = false;
    try {
        switch (format) {
        case TSaveFormat::Pdf:
            saved = SaveAsPdf(fileName);
            break;
        case TSaveFormat::Csv:
            saved = SaveAsCsv(fileName);
            break;
        case TSaveFormat::Xlsx:
            saved = SaveAsXlsx(fileName);
            break;
        }
    } catch (const EDatabaseError&) {
        HandleException();
        return false;
    } catch (const std::runtime_error& e) {
        // a file that could not be written is no surprise; its message says why
        ShowError(QString::fromStdString(e.what()));
        return false;
    } catch (...) {
        HandleException();
        return false;
    }
    if (saved) ShowInformation(Format(_CON_SAVED_FMT, {QDir::toNativeSeparators(fileName)}));
    return saved;
}

void TPrintWizard::Exec(QWidget* parent) {
    TDialogScript::Record(QStringLiteral("print"), m_params.title);
    if (!g_pdfOutput.isEmpty()) {
        SaveAsPdf(g_pdfOutput);
        return;
    }
    if (TDialogScript::Unattended()) return;
    QPrinter printer(QPrinter::HighResolution);
    SetUpPrinter(printer);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(_CMN_PRINT_WIZ_NAME + QStringLiteral(" – ") + m_params.title);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [this](QPrinter* target) { Guarded([&] { Paint(*target); }); });
    if (auto* preview = dialog.findChild<QToolBar*>()) {
        // the save actions, with their names, in a row of their own under the
        // preview's buttons, which fill a row already
        QToolBar* toolbar = preview;
        if (auto* window = qobject_cast<QMainWindow*>(preview->parentWidget())) {
            toolbar = new QToolBar(window);
            toolbar->setMovable(false);
            window->addToolBarBreak();
            window->addToolBar(toolbar);
        } else {
            preview->addSeparator();
        }
        const struct {
            TSaveFormat format;
            const char *caption, *suffix, *filter;
        } saves[] = {{TSaveFormat::Pdf, _CON_SAVE_PDF_CAP, ".pdf", _CON_PDF_FILTER},
                     {TSaveFormat::Csv, _CON_SAVE_CSV_CAP, ".csv", _CON_CSV_FILTER},
                     {TSaveFormat::Xlsx, _CON_SAVE_XLSX_CAP, ".xlsx", _CON_XLSX_FILTER}};
        for (const auto& save : saves) {
            QAction* action =
                toolbar->addAction(dialog.style()->standardIcon(QStyle::SP_DialogSaveButton), save.caption);
            if (auto* button = qobject_cast<QToolButton*>(toolbar->widgetForAction(action)))
                button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
            QObject::connect(action, &QAction::triggered, &dialog, [this, &dialog, save] {
                QString name = m_params.title.isEmpty() ? QStringLiteral("stampa") : m_params.title;
                name.replace(QLatin1Char('/'), QLatin1Char('-'));
                const QString file = QFileDialog::getSaveFileName(
                    &dialog, save.caption, QDir::home().filePath(name + QLatin1String(save.suffix)),
                    save.filter);
                if (!file.isEmpty()) Save(save.format, file);
            });
        }
    }
    dialog.resize(960, 720);
    dialog.exec();
}
