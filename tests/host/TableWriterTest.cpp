// Tables as CSV and as aligned text, and what a grid shows as a table.
#include "host/data/TableWriter.h"
#include "host/data/ClientDataSet.h"
#include "host/ui/DBGrid.h"
#include "host/ui/GridTable.h"

#include <QFile>
#include <QHeaderView>
#include <QTemporaryDir>

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
        {false, true}};
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
