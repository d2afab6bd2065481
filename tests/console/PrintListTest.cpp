// SPDX-License-Identifier: GPL-3.0-or-later
// The print wizard over a list read from the database a page at a time: every
// row is printed and saved, the progress is told, and a cancelled run leaves
// no file behind.
#include "console/PrintPreview.h"
#include "console/PrintWizard.h"
#include "host/data/ClientDataSet.h"
#include "host/data/SysUtils.h"
#include "host/data/ZQuery.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Dialogs.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/XlsxReader.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

constexpr int kRows = 2500;

struct PrintListFixture : ::testing::Test {
    TestDatabase db;
    TZQuery query{&db.Connection()};
    TDataSource source{&query};
    TDBGrid grid;
    QTemporaryDir dir;
    int drawnRows = 0;

    void SetUp() override {
        TDialogScript::SetUnattended(true);
        db.Connection().Execute(
            QStringLiteral("INSERT INTO employee (employeeid, firstname, lastname, startworkingdate) "
                           "SELECT seq, CONCAT('Ime ', seq), CONCAT('Prezime ', LPAD(seq, 4, '0')), "
                           "'2020-01-01' + INTERVAL seq DAY FROM seq_1_to_2500"));
        query.SetSQL(QStringLiteral("SELECT employeeid, lastname, startworkingdate FROM employee"));
        query.SetFetchOnDemand(40, 3);
        query.SetSortedFields(QStringLiteral("employeeid DESC"));
        query.Open();
        grid.SetDataSource(&source);
        grid.AddColumn(QStringLiteral("employeeid"), 60);
        grid.AddColumn(QString(), 20);
        grid.AddColumn(QStringLiteral("lastname"), 200);
        grid.OnDrawColumnCell = [this](QPainter&, const QRect&, int, int column) {
            if (column == 1) ++drawnRows;
        };
    }
    void TearDown() override { TDialogScript::Reset(); }
};

} // namespace

TEST_F(PrintListFixture, EveryRowIsPrintedAndSavedAndACancelledRunLeavesNoFile) {
    ASSERT_TRUE(query.FetchesOnDemand());
    ASSERT_EQ(grid.RowCount(), kRows);
    TPrintWizard wizard(&grid, QStringLiteral("title:Spisak"));
    QList<int> told;
    wizard.OnProgress = [&](int done, int total) {
        EXPECT_EQ(total, kRows);
        told << done;
        return true;
    };

    const QString csvFile = dir.filePath(QStringLiteral("spisak.csv"));
    EXPECT_TRUE(wizard.SaveAsCsv(csvFile));
    QFile csv(csvFile);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QByteArray bytes = csv.readAll();
    csv.close();
    // for a spreadsheet set to Serbian: a BOM, the title, then the list with semicolons
    EXPECT_TRUE(bytes.startsWith("\xef\xbb\xbf"));
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3 + kRows + 1);
    EXPECT_EQ(lines[0], QStringLiteral("Spisak"));
    EXPECT_EQ(lines[3], QStringLiteral("2500;;Prezime 2500"));
    EXPECT_EQ(lines[kRows + 2], QStringLiteral("1;;Prezime 0001"));
    EXPECT_LE(query.PagesHeld(), 3); // the list was never held whole
    ASSERT_FALSE(told.isEmpty());
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
    EXPECT_EQ(told.last(), kRows);

    const QString pdfFile = dir.filePath(QStringLiteral("spisak.pdf"));
    EXPECT_TRUE(wizard.SaveAsPdf(pdfFile));
    EXPECT_EQ(drawnRows, kRows);
    EXPECT_TRUE(QFile::exists(pdfFile));

    // as a workbook, typed by the fields, saying where it went
    grid.AddColumn(QStringLiteral("startworkingdate"), 80, QStringLiteral("Od"));
    const QString xlsxFile = dir.filePath(QStringLiteral("spisak.xlsx"));
    EXPECT_TRUE(wizard.Save(&TPrintWizard::SaveAsXlsx, xlsxFile));
    EXPECT_EQ(TDialogScript::Shown().last().kind, QStringLiteral("information"));
    EXPECT_TRUE(TDialogScript::Shown().last().text.contains(xlsxFile));
    const TXlsxSheet sheet = ReadXlsx(xlsxFile);
    EXPECT_EQ(sheet.rows, 3 + kRows);
    EXPECT_EQ(sheet.At(0, 0).value, QStringLiteral("Spisak"));
    EXPECT_EQ(sheet.At(2, 3).value, QStringLiteral("Od"));
    EXPECT_FALSE(sheet.At(3, 0).text);
    EXPECT_EQ(sheet.At(3, 0).Number(), 2500);
    EXPECT_EQ(sheet.Row(kRows + 2).mid(1, 2), (QStringList{QString(), QStringLiteral("Prezime 0001")}));
    EXPECT_EQ(sheet.At(kRows + 2, 3).Number(), ExcelDay(2020, 1, 2));
    EXPECT_TRUE(IsDateFormat(sheet.At(kRows + 2, 3).format));
    EXPECT_LE(query.PagesHeld(), 3);
    EXPECT_FALSE(wizard.Save(&TPrintWizard::SaveAsXlsx, dir.filePath(QStringLiteral("nema/x.xlsx"))));
    EXPECT_EQ(TDialogScript::Shown().last().kind, QStringLiteral("error"));

    // cancelled half way: no new file, and the one saved before stays as it was
    struct Case {
        const char* name;
        std::function<bool(TPrintWizard&, const QString&)> save;
        QString file;
        bool existed;
    } cases[] = {
        {"csv over an earlier file", [](TPrintWizard& w, const QString& f) { return w.SaveAsCsv(f); },
         csvFile, true},
        {"new csv", [](TPrintWizard& w, const QString& f) { return w.SaveAsCsv(f); },
         dir.filePath(QStringLiteral("novi.csv")), false},
        {"new pdf", [](TPrintWizard& w, const QString& f) { return w.SaveAsPdf(f); },
         dir.filePath(QStringLiteral("novi.pdf")), false},
        {"xlsx over an earlier file", [](TPrintWizard& w, const QString& f) { return w.SaveAsXlsx(f); },
         xlsxFile, true},
        {"new xlsx", [](TPrintWizard& w, const QString& f) { return w.SaveAsXlsx(f); },
         dir.filePath(QStringLiteral("novi.xlsx")), false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        wizard.OnProgress = [](int done, int total) { return done < total / 2; };
        EXPECT_FALSE(k.save(wizard, k.file));
        EXPECT_TRUE(wizard.Cancelled());
        EXPECT_EQ(QFile::exists(k.file), k.existed);
    }
    QFile kept(csvFile);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(kept.readAll()).count(QStringLiteral("\r\n")), 3 + kRows);
    EXPECT_EQ(ReadXlsx(xlsxFile).rows, 3 + kRows);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral(".tmp")),
              QStringList());
}

// Printed columns are as wide as their texts: dates, numbers and 50-character
// names are never cut; a list too wide for a portrait page turns across it,
// texts too long for any page wrap; a list of over 300 pages is previewed only
// after the user confirms its count, and a cancelled preview keeps nothing.
TEST(PrintLayout, NoTextIsCutAndLongListsAreConfirmed) {
    TDialogScript::SetUnattended(true);
    QTemporaryDir dir;
    struct Case {
        const char* name;
        int rows, nameLength, remarkWords, extraDates;
        bool landscape, wraps, asks;
    } cases[] = {
        {"short names", 100, 12, 0, 0, false, false, false},
        {"50-character names", 100, 50, 0, 0, false, false, false},
        {"wide list", 100, 50, 0, 9, true, false, false},
        {"long remarks", 100, 50, 120, 0, true, true, false},
        {"over 300 pages", 20000, 20, 0, 0, false, false, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        TDialogScript::Reset();
        TClientDataSet rows;
        TDataSource source(&rows);
        for (const char* field : {"date", "number", "name", "remark"})
            rows.AddField(QString::fromLatin1(field), TFieldType::String, 1000);
        rows.CreateDataSet();
        for (int i = 0; i < k.rows; ++i) {
            rows.Append();
            rows.FieldByName(QStringLiteral("date"))
                ->SetAsString(QStringLiteral("%1.03.2024").arg(i % 28 + 1, 2, 10, QChar('0')));
            rows.FieldByName(QStringLiteral("number"))->SetAsString(QString::number(1000000000 + i));
            rows.FieldByName(QStringLiteral("name"))
                ->SetAsString(
                    QStringLiteral("Jovan %1 ").arg(i).leftJustified(k.nameLength, QLatin1Char('W')));
            rows.FieldByName(QStringLiteral("remark"))
                ->SetAsString(QStringLiteral("napomena ").repeated(k.remarkWords));
            rows.Post();
        }
        TDBGrid grid; // narrow on screen, as the clerk's
        grid.SetDataSource(&source);
        for (const char* field : {"date", "number", "name"})
            grid.AddColumn(QString::fromLatin1(field), 40);
        if (k.remarkWords > 0) grid.AddColumn(QStringLiteral("remark"), 40);
        for (int i = 0; i < k.extraDates; ++i)
            grid.AddColumn(QStringLiteral("date"), 30, QStringLiteral("Datum %1").arg(i));
        TPrintWizard wizard(&grid, QStringLiteral("title:Spisak"));

        QPrinter printer(QPrinter::HighResolution);
        ASSERT_TRUE(wizard.SetUpPrinter(printer));
        EXPECT_EQ(printer.pageLayout().orientation() == QPageLayout::Landscape, k.landscape);
        const TPrintLayout& layout = wizard.Layout(printer);
        EXPECT_EQ(layout.wraps, k.wraps);
        EXPECT_GE(layout.fontSize, 6.5);
        QFont font;
        font.setPointSizeF(layout.fontSize);
        const QFontMetricsF fm(font, &printer);
        for (int row = 0; row < 3; ++row)
            for (const TPrintLayout::TColumn& c : layout.columns) {
                const QString text = grid.CellText(row, c.column);
                for (const QString& word : layout.wraps ? text.split(QLatin1Char(' ')) : QStringList{text})
                    EXPECT_LE(fm.horizontalAdvance(word), c.width - 2 * layout.pad) << word.toStdString();
            }

        TDialogScript::SetNextAnswer(TModalResult::No);
        wizard.Exec(nullptr);
        const bool asked = TDialogScript::Shown().last().kind == QStringLiteral("confirmation");
        EXPECT_EQ(asked, k.asks);
        if (asked) {
            EXPECT_EQ(TDialogScript::Shown().last().text,
                      QStringLiteral("Lista ima %1. Štampati ih sve?")
                          .arg(Plural(layout.Pages(), "%d stranu", "%d strane", "%d strana")));
        }

        if (k.asks) {
            // cancelled while the preview is painted: the preview holds nothing of it
            QPrintPreviewWidget preview(&printer);
            QObject::connect(&preview, &QPrintPreviewWidget::paintRequested,
                             [&](QPrinter* target) { wizard.Paint(*target); });
            wizard.OnProgress = [](int done, int) { return done < 1000; };
            preview.updatePreview();
            EXPECT_TRUE(wizard.Cancelled());
            EXPECT_LE(preview.pageCount(), 1);
        }
        if (k.nameLength == 50 && !k.wraps) {
            // read back from the PDF: the name and the date whole, the true page count
            const QString pdf = dir.filePath(QStringLiteral("%1.pdf").arg(k.extraDates));
            ASSERT_TRUE(wizard.SaveAsPdf(pdf));
            QProcess text;
            text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
            ASSERT_TRUE(text.waitForFinished(30000));
            const QString read = QString::fromUtf8(text.readAllStandardOutput());
            EXPECT_TRUE(read.contains(grid.CellText(7, 2))) << read.left(2000).toStdString();
            EXPECT_TRUE(read.contains(QStringLiteral("08.03.2024")));
            EXPECT_TRUE(read.contains(QStringLiteral("Strana 1 od %1").arg(layout.Pages())));
            EXPECT_EQ(read.count(QStringLiteral("Strana ")), layout.Pages());
        }
    }
    TDialogScript::Reset();
}

TEST(PrintPreview, PaintsOnlyThePagesInViewAndKeepsAFew) {
    // an A4 sheet at 254 dpi with 1 cm margins
    const QRectF printable(100, 100, 1900, 2770);
    std::vector<int> painted;
    TPagesView view(10000, QSizeF(2100, 2970), printable, 254, [&](QPainter& painter, int page) {
        painted.push_back(page);
        painter.fillRect(QRectF(QPointF(0, 0), printable.size() * 2), Qt::black); // held to its area
    });
    view.resize(600, 800);
    view.show();
    QApplication::processEvents();
    view.viewport()->repaint();
    ASSERT_FALSE(painted.empty()) << view.viewport()->width() << "x" << view.viewport()->height();
    EXPECT_EQ(painted.front(), 1);
    EXPECT_LE(painted.size(), 2u);
    const QImage shown = view.viewport()->grab().toImage();
    const double scale = (view.viewport()->width() - 24) / 2100.0; // the page as wide as the view
    EXPECT_EQ(shown.pixelColor(int(12 + 50 * scale), int(12 + 50 * scale)), QColor(Qt::white)); // margin
    EXPECT_EQ(shown.pixelColor(int(12 + 1000 * scale), int(12 + 1000 * scale)), QColor(Qt::black));

    for (const int page : {5000, 10000, 2}) {
        SCOPED_TRACE(page);
        painted.clear();
        view.ShowPage(page);
        view.viewport()->repaint();
        EXPECT_EQ(view.CurrentPage(), page);
        EXPECT_NE(std::find(painted.begin(), painted.end(), page), painted.end());
        EXPECT_LE(painted.size(), 2u);
    }
    view.SetZoom(0.2); // many pages at once, each painted once
    painted.clear();
    for (int step = 0; step < 50; ++step) {
        view.verticalScrollBar()->triggerAction(QScrollBar::SliderSingleStepAdd);
        view.viewport()->repaint();
    }
    EXPECT_EQ(std::set<int>(painted.begin(), painted.end()).size(), painted.size());
    EXPECT_LE(view.PagesHeld(), 8);
}
