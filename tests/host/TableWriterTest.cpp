// SPDX-License-Identifier: GPL-3.0-or-later
// Tables as CSV, as aligned text and as a workbook, and what a grid shows as a table.
#include "host/data/TableWriter.h"
#include "host/data/ClientDataSet.h"
#include "host/data/XlsxWriter.h"
#include "host/ui/DBGrid.h"
#include "host/ui/GridTable.h"

#include <QFile>
#include <QHeaderView>
#include <QTemporaryDir>

#include "tests/support/XlsxReader.h"

#include <gtest/gtest.h>

TEST(TableWriter, CsvQuotesOnlyWhatNeedsItAndEndsRecordsInCrLf) {
    struct Case {
        QStringList fields;
        const char* line;
    } cases[] = {
        {{"a", "b"}, "a,b\r\n"},
        {{"Čedomir", "7.5"}, "Čedomir,7.5\r\n"},
        {{"a,b", "say \"hi\""}, "\"a,b\",\"say \"\"hi\"\"\"\r\n"},
        {{"two\r\nlines", "lf\nonly"}, "\"two\r\nlines\",\"lf\nonly\"\r\n"},
        {{"", ""}, ",\r\n"},
        {{""}, "\"\"\r\n"},
        {{" spaced "}, " spaced \r\n"},
        // what a spreadsheet would run gets an apostrophe; numbers and dates never
        {{"=HYPERLINK(\"http://x\",\"klik\")"}, "\"'=HYPERLINK(\"\"http://x\"\",\"\"klik\"\")\"\r\n"},
        {{"@SUM(1+1)", "+381 11", "\tx"}, "'@SUM(1+1),'+381 11,'\tx\r\n"},
        {{"-5", "+7.25", "-0.5", "2026-03-01"}, "-5,+7.25,-0.5,2026-03-01\r\n"},
    };
    for (const Case& k : cases)
        EXPECT_EQ(CsvLine(k.fields), QString::fromUtf8(k.line)) << k.line;
}

TEST(TableWriter, SavedCsvIsUtf8WithTheHeaderFirst) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("spisak.csv"));
    TTextTable table{{QStringLiteral("Ime"), QStringLiteral("Sati")},
                     {{QStringLiteral("Đorđe"), QStringLiteral("8")}},
                     {},
                     {}};
    SaveCsv(file, table);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("Ime,Sati\r\n\xc4\x90or\xc4\x91"
                                      "e,8\r\n"));
    EXPECT_THROW(SaveCsv(dir.filePath(QStringLiteral("nema/takvog/mesta.csv")), table), std::runtime_error);
}

TEST(TableWriter, AlignedTextPadsColumns) {
    TTextTable table{
        {QStringLiteral("Ime"), QStringLiteral("Sati")},
        {{QStringLiteral("Ana"), QStringLiteral("8")}, {QStringLiteral("Čedomir"), QStringLiteral("7.5")}},
        {false, true},
        {}};
    QString text;
    QTextStream out(&text);
    WriteAligned(out, table);
    EXPECT_EQ(text, QStringLiteral("Ime      Sati\nAna         8\nČedomir   7.5\n"));
    // a name with a line break or an escape sequence keeps its row and the terminal clean
    table.rows = {{QStringLiteral("Ana\nMarija"), QStringLiteral("1")},
                  {QStringLiteral("\x1b[2J"), QStringLiteral("2")}};
    text.clear();
    WriteAligned(out, table);
    EXPECT_EQ(text.toStdString(), "Ime          Sati\nAna\\nMarija     1\n\\x1b[2J         2\n");
}

TEST(TableWriter, GridTableIsWhatTheGridShowsInItsShownOrder) {
    TClientDataSet people;
    TField* name = people.AddField(QStringLiteral("name"), TFieldType::String, 20);
    name->DisplayLabel = QStringLiteral("Ime");
    TField* hours = people.AddField(QStringLiteral("hours"), TFieldType::Float);
    hours->DisplayLabel = QStringLiteral("Sati");
    hours->DisplayFormat = QStringLiteral("0.##");
    TField* code = people.AddField(QStringLiteral("code"), TFieldType::String, 5);
    code->DisplayLabel = QStringLiteral("Kod");
    people.CreateDataSet();
    people.Append();
    name->SetAsString(QStringLiteral("Ana"));
    hours->SetAsFloat(35 / 60.0);
    code->SetAsString(QStringLiteral("7"));
    people.Post();
    TDataSource source(&people);
    TDBGrid grid;
    grid.SetDataSource(&source);
    grid.AddColumn(QStringLiteral("name"));
    grid.AddColumn(QStringLiteral("hours"));
    grid.AddColumn(QStringLiteral("code"), 0, QStringLiteral("Šifra"));
    grid.horizontalHeader()->moveSection(2, 0); // the user dragged "Šifra" to the front
    grid.SetColumnVisible(1, false);
    TTextTable table = GridTable(grid);
    EXPECT_EQ(table.header, (QStringList{QStringLiteral("Šifra"), QStringLiteral("Ime")}));
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_EQ(table.rows[0], (QStringList{QStringLiteral("7"), QStringLiteral("Ana")}));
    grid.SetColumnVisible(1, true);
    EXPECT_EQ(GridTable(grid).rows[0],
              (QStringList{QStringLiteral("7"), QStringLiteral("Ana"), QStringLiteral("0.58")}));
}

TEST(TableWriter, XlsxCellsAreTypedByColumnAndAFailedSaveLeavesNothing) {
    // the edges; the command line's and the print wizard's tests read back the usual cells
    const QString control = QStringLiteral("a") + QChar(1) + QStringLiteral("b");
    struct Case {
        TCellType type;
        QVariant value;
        bool text;
        QString stored; // the text, or the number
    } cases[] = {
        {TCellType::Text, QStringLiteral("=SUM(A1)"), true, QStringLiteral("=SUM(A1)")}, // never run
        {TCellType::Text, control, true, control},
        {TCellType::Number, QStringLiteral("nije broj"), true, QStringLiteral("nije broj")},
        {TCellType::Time, QStringLiteral("06:00:00"), false, QStringLiteral("0.25")},
        {TCellType::Date, QStringLiteral("1899-12-30"), true, QStringLiteral("30.12.1899")}, // before 1900
    };
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("spisak.xlsx"));
    QStringList header;
    std::vector<TCellType> types;
    QVariantList row;
    for (const Case& k : cases) {
        header << QStringLiteral("Kolona %1").arg(header.size());
        types.push_back(k.type);
        row << k.value;
    }
    TXlsxWriter writer(file, header, types);
    writer.AddRow(row);
    writer.AddRow({QString(), QVariant()}); // blank cells
    writer.Close();
    const TXlsxSheet sheet = ReadXlsx(file);
    EXPECT_EQ(sheet.frozenRows, 1);
    EXPECT_EQ(sheet.rows, 2);
    for (size_t c = 0; c < std::size(cases); ++c) {
        SCOPED_TRACE(c);
        EXPECT_TRUE(sheet.At(0, int(c)).bold);
        EXPECT_EQ(sheet.At(1, int(c)).text, cases[c].text);
        EXPECT_EQ(sheet.At(1, int(c)).value, cases[c].stored);
    }

    // rows past a sheet's last go on in a second sheet under the header
    const QString big = dir.filePath(QStringLiteral("dugacak.xlsx"));
    SaveXlsx(big, {QStringLiteral("n")}, {TCellType::Number}, [](const TRowSink& sink) {
        for (int n = 1; n <= 1048577; ++n)
            sink({QString::number(n)});
    });
    const TXlsxSheet rest = ReadXlsx(big, 1);
    EXPECT_EQ(rest.Row(0), QStringList{QStringLiteral("n")});
    EXPECT_EQ(rest.Row(1), QStringList{QStringLiteral("1048576")});
    EXPECT_EQ(rest.rows, 3);
    QFile::remove(big);

    // a write that fails, or stops half way, leaves the earlier file as it was and nothing beside it
    const QByteArray before = [&] {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QDir(dir.path()).mkdir(QStringLiteral("fascikla"));
    EXPECT_THROW(SaveXlsx(dir.filePath(QStringLiteral("nema/spisak.xlsx")), header, types, RowsOf({})),
                 std::runtime_error);
    EXPECT_THROW(SaveXlsx(dir.filePath(QStringLiteral("fascikla")), header, types, RowsOf({})),
                 std::runtime_error);
    EXPECT_THROW(SaveXlsx(file, header, types,
                          [](const TRowSink& sink) {
                              sink({QStringLiteral("1")});
                              throw std::runtime_error("veza prekinuta");
                          }),
                 std::runtime_error);
    QFile after(file);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("fascikla"), QStringLiteral("spisak.xlsx")}));
}
