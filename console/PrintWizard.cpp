// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/PrintWizard.h"

#include "console/ConsoleStrings.h"
#include "console/PrintPreview.h"
#include "host/data/HostStrings.h"
#include "host/data/ListWriter.h"
#include "host/data/SysUtils.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Dialogs.h"
#include "host/ui/GridTable.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QPageLayout>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QSpinBox>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <stdexcept>

namespace {

QString g_pdfOutput;

// Margins of every page, in millimetres.
constexpr double kMargin = 12.0;

// Lists shorter than this are done before a progress window would show.
constexpr int kProgressRows = 2000;

// Font sizes in points. The rows' texts shrink in steps down to the smallest
// before they wrap.
constexpr double kTitleFont = 14, kHeaderFont = 10, kFooterFont = 7.5;
constexpr double kTableFont = 8.5, kSmallestFont = 6.5, kFontStep = 0.5;
// Widths are measured once, in the usual size, and scaled to the others; this
// covers the rounding of glyph advances at smaller sizes.
constexpr double kWidthSlack = 1.03;
// Between a cell's border and its text, in points at the usual size (3 screen pixels).
constexpr double kPadPoints = 2.25;
// A list of more pages is previewed, and so printed, only when the user
// confirms their count.
constexpr int kAskPages = 300;

QFont ListFont(double size, bool bold = false) {
    QFont font;
    font.setPointSizeF(size);
    font.setBold(bold);
    return font;
}

// The widest line of a text.
double TextWidth(const QFontMetricsF& fm, const QString& text) {
    if (!text.contains(QLatin1Char('\n'))) return fm.horizontalAdvance(text);
    double width = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        width = qMax(width, fm.horizontalAdvance(line));
    return width;
}

// The widest word of a text: what its column needs when the text wraps.
double WordWidth(const QFontMetricsF& fm, const QString& text) {
    double width = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i)
        if (i == text.size() || text.at(i).isSpace()) {
            if (i > start) width = qMax(width, fm.horizontalAdvance(text.mid(start, i - start)));
            start = i + 1;
        }
    return width;
}

// A column's width in points for texts of the given width (measured in the usual size).
double ColumnWidth(double textWidth, double size) {
    return (textWidth * kWidthSlack + 2 * kPadPoints) * size / kTableFont;
}

// How many lines a text takes in a width of room with the wrap flags.
int LineCount(const QFontMetricsF& fm, double room, int wrap, const QString& text) {
    if (!text.contains(QLatin1Char('\n')) && fm.horizontalAdvance(text) <= room) return 1;
    const QRectF bounds = fm.boundingRect(QRectF(0, 0, room, 1e9), wrap, text);
    return qMax(1, qRound(bounds.height() / fm.lineSpacing()));
}

// A row is as high as the lines of its longest text.
double RowHeight(const TDBGrid& grid, const TPrintLayout& layout, const QFontMetricsF& fm, int row) {
    int lines = 1;
    for (const TPrintLayout::TColumn& c : layout.columns)
        lines = qMax(lines, LineCount(fm, c.width - 2 * layout.pad, c.wrap, grid.CellText(row, c.column)));
    return layout.rowHeight + (lines - 1) * fm.lineSpacing();
}

// Row colours on paper: the same hues, lighter, so that a page is not soaked in ink.
QColor PaperColour(const QColor& colour) {
    return QColor((colour.red() + 255) / 2, (colour.green() + 255) / 2, (colour.blue() + 255) / 2);
}

} // namespace

// What each shown column's values and title need on one line, and their widest
// words, in points at the usual font size; measured once per wizard. Numbers,
// dates and times are whole: they never break.
struct TPrintWizard::TMeasure {
    struct TColumn {
        int column;
        bool whole;
        double valueLine = 0, valueWord = 0, titleLine = 0, titleWord = 0;
    };
    std::vector<TColumn> columns;
    bool multiline = false; // some text has line breaks of its own
};

// Rows done in a progress window, or through OnProgress when set.
class TPrintWizard::TProgress {
public:
    // Without cancellable, the work cannot be taken back once begun and no
    // "Otkaži" is offered.
    TProgress(const TPrintWizard& wizard, const QString& caption, int total, bool cancellable = true)
        : m_wizard(wizard), m_total(total), m_cancellable(cancellable) {
        m_wizard.m_cancelled = false;
        if (m_wizard.OnProgress || total < kProgressRows || TDialogScript::Unattended() ||
            !qobject_cast<QApplication*>(QCoreApplication::instance()))
            return;
        m_dialog = std::make_unique<QProgressDialog>(caption, _CON_CANCEL_CAP, 0, total,
                                                     QApplication::activeWindow());
        if (!cancellable) m_dialog->setCancelButton(nullptr);
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setMinimumDuration(300);
    }
    // False once the user cancelled.
    bool Step(int done) {
        if (m_wizard.m_cancelled) return false;
        if (m_wizard.OnProgress) {
            if (!m_wizard.OnProgress(done, m_total) && m_cancellable) m_wizard.m_cancelled = true;
        } else if (m_dialog && (done % 50 == 0 || done == m_total)) {
            m_dialog->setValue(done);
            if (m_cancellable && m_dialog->wasCanceled()) m_wizard.m_cancelled = true;
        }
        return !m_wizard.m_cancelled;
    }

private:
    const TPrintWizard& m_wizard;
    int m_total;
    bool m_cancellable;
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

const TPrintWizard::TMeasure* TPrintWizard::Measure(const QPagedPaintDevice& device) const {
    if (m_measure) return m_measure.get();
    auto measure = std::make_shared<TMeasure>();
    const TDBGrid* grid = m_grid;
    const double toPoints = 72.0 / device.logicalDpiX();
    const QFontMetricsF fm(ListFont(kTableFont), &device), captionFm(ListFont(kTableFont, true), &device);
    if (grid)
        for (int column : ShownColumns(*grid)) {
            const TField* field = grid->ColumnField(column);
            // a column the form draws keeps its width on screen, unless it is printed as words
            const bool drawn = !field && !grid->Column(column).text;
            const double screen = drawn ? grid->columnWidth(column) * 0.75 - 2 * kPadPoints : 0;
            const QString title = grid->ColumnTitle(column);
            TMeasure::TColumn c{column, drawn || (field && CellTypeOf(field->DataType()) != TCellType::Text)};
            c.valueLine = c.valueWord = screen;
            c.titleLine = TextWidth(captionFm, title) * toPoints;
            c.titleWord = WordWidth(captionFm, title) * toPoints;
            measure->columns.push_back(c);
        }
    const int rows = grid ? grid->RowCount() : 0;
    std::vector<QString> last(measure->columns.size());
    TProgress progress(*this, _CON_PRINTING_CAP, rows);
    for (int row = 0; row < rows; ++row) {
        if (row % 50 == 0 && !progress.Step(row)) return nullptr;
        for (size_t i = 0; i < measure->columns.size(); ++i) {
            TMeasure::TColumn& c = measure->columns[i];
            QString text = grid->CellText(row, c.column);
            if (text == last[i]) continue; // a date or a name often repeats row after row
            const double line = TextWidth(fm, text) * toPoints;
            c.valueLine = qMax(c.valueLine, line);
            if (line > c.valueWord) c.valueWord = qMax(c.valueWord, WordWidth(fm, text) * toPoints);
            if (text.contains(QLatin1Char('\n'))) measure->multiline = true;
            last[i] = std::move(text);
        }
    }
    progress.Step(rows);
    m_measure = std::move(measure);
    return m_measure.get();
}

const TPrintLayout& TPrintWizard::Layout(const QPagedPaintDevice& device) const {
    const double dpi = device.logicalDpiX(), toPoints = 72.0 / dpi;
    const QSizeF page(device.width() * toPoints, device.height() * toPoints);
    if (m_layout.Pages() > 0 && page == m_layoutPage) return m_layout;
    m_layout = TPrintLayout();
    const TMeasure* measure = Measure(device);
    if (!measure) return m_layout;
    TPrintLayout& layout = m_layout;

    // In the largest font in which it fits: every text on one line; else titles
    // wrapped at their words; else texts too, at their words; else, in the
    // smallest font, texts broken anywhere. Numbers, dates and times never break.
    enum TLevel { OneLine, TitlesWrap, WordsWrap, Breaks };
    const auto need = [](const TMeasure::TColumn& c, int level) {
        switch (level) {
        case OneLine:
            return qMax(c.valueLine, c.titleLine);
        case TitlesWrap:
            return qMax(c.valueLine, c.titleWord);
        default:
            return qMax(c.whole ? c.valueLine : c.valueWord, c.titleWord);
        }
    };
    const auto total = [&](double size, int level, bool wholeOnly = false) {
        double sum = 0;
        for (const TMeasure::TColumn& c : measure->columns)
            if (!wholeOnly || c.whole) sum += ColumnWidth(need(c, level), size);
        return sum;
    };
    int level = Breaks;
    double size = kSmallestFont;
    const auto fit = [&](std::initializer_list<int> levels) {
        for (double font = kTableFont; font >= kSmallestFont - 0.01; font -= kFontStep)
            for (int l : levels)
                if (total(font, l) <= page.width()) {
                    level = l;
                    size = font;
                    return true;
                }
        return false;
    };
    if (!fit({OneLine, TitlesWrap})) fit({WordsWrap});
    layout.fontSize = size;
    layout.wraps = level >= WordsWrap || measure->multiline;
    layout.breaksWords = level == Breaks;
    // what the columns are given beyond their need, in proportion to what they lack of one line
    const double spare = page.width() - total(size, level), lack = total(size, OneLine) - total(size, level);
    // texts broken anywhere share what the whole columns leave (all shrink when they leave nothing)
    const double wholeWidth = total(size, WordsWrap, true), allWidth = total(size, WordsWrap);
    const double textShrink = (page.width() - wholeWidth) / qMax(1.0, allWidth - wholeWidth);
    double x = 0;
    for (const TMeasure::TColumn& c : measure->columns) {
        const double least = ColumnWidth(need(c, qMin(level, int(WordsWrap))), size);
        const double line = ColumnWidth(need(c, OneLine), size);
        double width = least;
        if (level == Breaks) // a title still never breaks
            width = textShrink <= 0 ? least * page.width() / allWidth
                    : c.whole       ? least
                                    : qMax(least * textShrink, ColumnWidth(c.titleWord, size));
        else if (lack > 0 && spare > 0)
            width += spare * (line - least) / lack;
        const int wrap = c.whole           ? 0
                         : level == Breaks ? int(Qt::TextWrapAnywhere)
                         : layout.wraps    ? int(Qt::TextWordWrap)
                                           : 0;
        layout.columns.push_back({c.column, x / toPoints, width / toPoints, wrap});
        x += width;
    }
    layout.scale = dpi / 96.0 * size / kTableFont;
    layout.pad = kPadPoints / toPoints * size / kTableFont;

    const QFontMetricsF fm(ListFont(size), &device), captionFm(ListFont(size, true), &device),
        titleFm(ListFont(kTitleFont, true), &device), headerFm(ListFont(kHeaderFont), &device),
        footerFm(ListFont(kFooterFont), &device);
    layout.rowHeight = qMax(fm.height() * 1.3, 16 * layout.scale);
    layout.captionHeight = layout.rowHeight;
    const TDBGrid* grid = m_grid;
    // titles wrap at their words
    if (grid)
        for (const TPrintLayout::TColumn& c : layout.columns)
            layout.captionHeight =
                qMax(layout.captionHeight,
                     layout.rowHeight + (LineCount(captionFm, c.width - 2 * layout.pad, Qt::TextWordWrap,
                                                   grid->ColumnTitle(c.column)) -
                                         1) *
                                            captionFm.lineSpacing());
    if (!m_params.title.isEmpty()) layout.titleHeight += titleFm.height() * 1.4;
    layout.titleHeight += headerFm.height() * 1.25 * m_params.header.size();
    if (layout.titleHeight > 0) layout.titleHeight += headerFm.height() * 0.6;

    // rows on pages
    const int rows = grid ? grid->RowCount() : 0;
    const double footer = footerFm.height() * 2;
    const double firstSpace = device.height() - footer - layout.titleHeight - layout.captionHeight;
    const double otherSpace = device.height() - footer - layout.captionHeight;
    layout.pageStarts = {0};
    if (!layout.wraps) {
        const auto fit = [&](double space) { return qMax(1, int(std::floor(space / layout.rowHeight))); };
        for (int start = fit(firstSpace); start < rows; start += fit(otherSpace))
            layout.pageStarts.push_back(start);
    } else {
        TProgress progress(*this, _CON_PRINTING_CAP, rows);
        double y = 0, space = firstSpace;
        for (int row = 0; row < rows; ++row) {
            if (row % 50 == 0 && !progress.Step(row)) {
                layout.pageStarts.clear();
                return m_layout;
            }
            const double height = RowHeight(*grid, layout, fm, row);
            if (y > 0 && y + height > space) {
                layout.pageStarts.push_back(row);
                y = 0;
                space = otherSpace;
            }
            y += height;
        }
        progress.Step(rows);
    }
    m_layoutPage = page;
    return m_layout;
}

int TPrintWizard::Paint(QPagedPaintDevice& device) const {
    const TPrintLayout& layout = Layout(device);
    if (layout.Pages() == 0) return 0;
    QPainter p;
    if (!p.begin(&device)) throw std::runtime_error(_CON_PDF_WRITE_ERR);
    // a preview keeps every page painted in memory as a picture; a printer's
    // spooled job goes out whole or in part once begun (Qt cannot withdraw it),
    // so that is not offered as a cancel
    const bool preview = p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Picture;
    const auto* printer = dynamic_cast<const QPrinter*>(&device);
    const bool spooled = !preview && printer && printer->outputFormat() == QPrinter::NativeFormat;
    const TDBGrid* grid = m_grid;
    const int rows = grid ? grid->RowCount() : 0;
    const int pages = layout.Pages();
    const QString printed = PrintedText();
    TProgress progress(*this, _CON_PRINTING_CAP, rows, !spooled);
    for (int page = 1; page <= pages && !m_cancelled; ++page) {
        if (page > 1) device.newPage();
        PaintPage(p, device, page, printed, &progress);
    }
    if (m_cancelled && preview) {
        // a new start drops the pages painted so far: the preview shows nothing of them
        p.end();
        p.begin(&device);
    }
    p.end();
    if (!m_cancelled) progress.Step(rows);
    return m_cancelled ? 0 : pages;
}

QString TPrintWizard::PrintedText() {
    return Format(_CON_PRINTED_FMT, {FormatDateTime(QStringLiteral("dd.mm.yyyy hh:nn"), Now())});
}

void TPrintWizard::PaintPage(QPainter& p, const QPaintDevice& device, int page, const QString& printed,
                             TProgress* progress) const {
    const TPrintLayout& layout = m_layout;
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const double pageWidth = device.width(), pageHeight = device.height();
    const double px = device.logicalDpiX() / 96.0; // one screen pixel on the page

    const QFont titleFont = ListFont(kTitleFont, true), headerFont = ListFont(kHeaderFont),
                tableFont = ListFont(layout.fontSize), captionFont = ListFont(layout.fontSize, true),
                footerFont = ListFont(kFooterFont);
    const QFontMetricsF titleFm(titleFont, &device), headerFm(headerFont, &device),
        tableFm(tableFont, &device), footerFm(footerFont, &device);

    const TDBGrid* grid = m_grid;
    const int rows = grid ? grid->RowCount() : 0;
    const int pages = layout.Pages();
    const QPen gridPen(QColor(150, 150, 150), qMax(1.0, 0.6 * px));

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
            p.drawText(QRectF(0, y, pageWidth, headerFm.height()), Qt::AlignLeft | Qt::AlignVCenter, line);
            y += headerFm.height() * 1.25;
        }
        y = layout.titleHeight;
    }
    // column titles on every page
    p.setFont(captionFont);
    for (const TPrintLayout::TColumn& c : layout.columns) {
        const QRectF cell(c.x, y, c.width, layout.captionHeight);
        p.fillRect(cell, QColor(225, 228, 235));
        p.setPen(gridPen);
        p.drawRect(cell);
        p.setPen(Qt::black);
        p.drawText(cell.adjusted(layout.pad, 0, -layout.pad, 0),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, grid->ColumnTitle(c.column));
    }
    y += layout.captionHeight;
    p.setFont(tableFont);
    const int last = page < pages ? layout.pageStarts[size_t(page)] : rows;
    for (int row = layout.pageStarts[size_t(page - 1)]; row < last; ++row) {
        if (progress && row % 50 == 0 && !progress->Step(row)) break;
        const double rowHeight = layout.wraps ? RowHeight(*grid, layout, tableFm, row) : layout.rowHeight;
        for (const TPrintLayout::TColumn& c : layout.columns) {
            const QRectF cell(c.x, y, c.width, rowHeight);
            const QColor color = grid->CellColor(row, c.column);
            if (color.isValid()) p.fillRect(cell, PaperColour(color));
            p.setPen(gridPen);
            p.drawRect(cell);
            const QString text = grid->CellText(row, c.column);
            if (!text.isEmpty()) {
                const QVariant align =
                    grid->model()->data(grid->model()->index(row, c.column), Qt::TextAlignmentRole);
                p.setPen(Qt::black);
                p.drawText(cell.adjusted(layout.pad, 0, -layout.pad, 0),
                           (align.isValid() ? align.toInt() : int(Qt::AlignLeft | Qt::AlignVCenter)) | c.wrap,
                           text);
            }
            if (grid->Column(c.column).text) continue; // printed as its words
            // what the form draws itself, in screen pixels scaled to the page
            p.save();
            p.setClipRect(cell, Qt::IntersectClip);
            p.translate(c.x, y);
            p.scale(layout.scale, layout.scale);
            grid->DrawColumnCell(p, QRect(0, 0, int(c.width / layout.scale), int(rowHeight / layout.scale)),
                                 row, c.column);
            p.restore();
        }
        y += rowHeight;
    }
    p.setFont(footerFont);
    p.setPen(Qt::darkGray);
    const QRectF foot(0, pageHeight - footerFm.height(), pageWidth, footerFm.height());
    p.drawText(foot, Qt::AlignLeft | Qt::AlignVCenter, printed);
    p.drawText(foot, Qt::AlignRight | Qt::AlignVCenter, Format(_CON_PAGE_FMT, {page, pages}));
}

bool TPrintWizard::SetUpPrinter(QPrinter& printer) const {
    const auto setUp = [&](QPageLayout::Orientation orientation) {
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), orientation,
                                          QMarginsF(kMargin, kMargin, kMargin, kMargin),
                                          QPageLayout::Millimeter));
    };
    setUp(QPageLayout::Portrait);
    printer.setDocName(m_params.title);
    printer.setCreator(_CON_APP_CAP);
    const TMeasure* measure = Measure(printer);
    if (!measure) return false;
    // a list whose texts do not fit across a portrait page, titles wrapped, is printed across a
    // landscape one
    double width = 0;
    for (const TMeasure::TColumn& c : measure->columns)
        width += ColumnWidth(qMax(c.valueLine, c.titleWord), kTableFont);
    if (width > printer.width() * 72.0 / printer.logicalDpiX()) setUp(QPageLayout::Landscape);
    return true;
}

bool TPrintWizard::SaveAsPdf(const QString& fileName) const {
    QPrinter printer(QPrinter::HighResolution);
    if (!SetUpPrinter(printer)) return false;
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

bool TPrintWizard::SaveList(TListFormat format, const QString& fileName, const QString& caption) const {
    const TDBGrid* grid = m_grid;
    const std::vector<int> columns = grid ? ShownColumns(*grid) : std::vector<int>();
    // the file says what it is, as the printed page does
    TList list;
    if (!m_params.title.isEmpty()) list.caption << m_params.title;
    list.caption << m_params.header;
    if (grid) list.columns = GridColumns(*grid, columns);
    const int rows = grid ? grid->RowCount() : 0;
    return ::SaveList(fileName, format, list, [&](const TListSink& sink) {
        TProgress progress(*this, caption, rows);
        for (int row = 0; row < rows; ++row) {
            if (row % 50 == 0 && !progress.Step(row)) return false;
            sink(GridRow(*grid, columns, row));
        }
        return progress.Step(rows);
    });
}

bool TPrintWizard::SaveAsCsv(const QString& fileName) const {
    return SaveList(TListFormat::SheetCsv, fileName, _CON_SAVING_CSV_CAP);
}

bool TPrintWizard::SaveAsXlsx(const QString& fileName) const {
    return SaveList(TListFormat::Xlsx, fileName, _CON_SAVING_XLSX_CAP);
}

bool TPrintWizard::Save(TSaver save, const QString& fileName) const {
    bool saved = false;
    try {
        saved = (this->*save)(fileName);
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
    Preview(parent);
#ifdef __GLIBC__
    // the preview's pages are freed: give their memory back to the system
    malloc_trim(0);
#endif
}

void TPrintWizard::Preview(QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    if (!SetUpPrinter(printer)) return;
    const int pages = Layout(printer).Pages();
    if (pages == 0 ||
        (pages > kAskPages &&
         !Confirm(Format(_CON_PRINT_PAGES_QST, {Plural(pages, "%d stranu", "%d strane", "%d strana")}))))
        return;
    if (TDialogScript::Unattended()) return;
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("PrintPreview"));
    dialog.setWindowTitle(_CMN_PRINT_WIZ_NAME + QStringLiteral(" – ") + m_params.title);
    // the pages are painted as they come into view, in the printer's units
    const QString printed = PrintedText();
    auto* view = new TPagesView(pages, printer.paperRect(QPrinter::DevicePixel).size(),
                                printer.pageRect(QPrinter::DevicePixel), printer.logicalDpiX(),
                                [this, &printer, printed](QPainter& painter, int page) {
                                    Guarded([&] { PaintPage(painter, printer, page, printed, nullptr); });
                                });
    auto* tools = new QToolBar(&dialog);
    auto* saves = new QToolBar(&dialog);
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(saves);
    layout->addWidget(view, 1);

    QAction* print =
        tools->addAction(dialog.style()->standardIcon(QStyle::SP_FileIcon), _CON_PREVIEW_PRINT_CAP);
    QObject::connect(print, &QAction::triggered, &dialog, [this, &dialog, &printer] {
        QPrintDialog ask(&printer, &dialog);
        if (ask.exec() == QDialog::Accepted) Guarded([&] { Paint(printer); });
    });
    tools->addSeparator();
    const auto zoomBy = [view](double factor) {
        return [view, factor] { view->SetZoom(view->Zoom() * factor); };
    };
    QObject::connect(tools->addAction(_CON_PREVIEW_ZOOM_OUT_CAP), &QAction::triggered, view,
                     zoomBy(1 / 1.25));
    QObject::connect(tools->addAction(_CON_PREVIEW_ZOOM_IN_CAP), &QAction::triggered, view, zoomBy(1.25));
    QObject::connect(tools->addAction(_CON_PREVIEW_FIT_CAP), &QAction::triggered, view,
                     [view] { view->SetZoom(1); });
    tools->addSeparator();
    auto* page = new QSpinBox(tools);
    page->setRange(1, pages);
    page->setPrefix(_CON_PREVIEW_PAGE_PREFIX);
    page->setSuffix(Format(_CON_PREVIEW_PAGE_SUFFIX, {pages}));
    page->setKeyboardTracking(false);
    tools->addWidget(page);
    QObject::connect(page, &QSpinBox::valueChanged, view, &TPagesView::ShowPage);
    QObject::connect(view, &TPagesView::CurrentPageChanged, page, [page](int current) {
        const QSignalBlocker quiet(page);
        page->setValue(current);
    });

    const struct {
        TSaver save;
        const char *caption, *suffix, *filter, *hint;
    } formats[] = {{&TPrintWizard::SaveAsPdf, _CON_SAVE_PDF_CAP, ".pdf", _CON_PDF_FILTER, nullptr},
                   {&TPrintWizard::SaveAsCsv, _CON_SAVE_CSV_CAP, ".csv", _CON_CSV_FILTER, _CON_SAVE_CSV_HINT},
                   {&TPrintWizard::SaveAsXlsx, _CON_SAVE_XLSX_CAP, ".xlsx", _CON_XLSX_FILTER, nullptr}};
    for (const auto& save : formats) {
        QAction* action =
            saves->addAction(dialog.style()->standardIcon(QStyle::SP_DialogSaveButton), save.caption);
        if (save.hint) action->setToolTip(QString::fromUtf8(save.hint));
        QObject::connect(action, &QAction::triggered, &dialog, [this, &dialog, save] {
            QString name = m_params.title.isEmpty() ? QStringLiteral("stampa") : m_params.title;
            name.replace(QLatin1Char('/'), QLatin1Char('-'));
            const QString file = QFileDialog::getSaveFileName(
                &dialog, save.caption, QDir::home().filePath(name + QLatin1String(save.suffix)), save.filter);
            if (!file.isEmpty()) Save(save.save, file);
        });
    }
    for (QToolBar* bar : {tools, saves})
        for (QAction* action : bar->actions())
            if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action)))
                button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    dialog.resize(960, 720); // within the screen's free area, as every window (TApplication)
    dialog.exec();
}
