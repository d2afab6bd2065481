// SPDX-License-Identifier: GPL-3.0-or-later
// Lists as CSV for programs and for spreadsheets, as aligned text and as a
// workbook, and what a grid shows as a list.
#include "host/data/ListWriter.h"
#include "host/data/ClientDataSet.h"
#include "host/data/XlsxWriter.h"
#include "host/ui/DBGrid.h"
#include "host/ui/GridTable.h"

#include <QFile>
#include <QHeaderView>
#include <QTemporaryDir>

#include "tests/support/XlsxReader.h"

#include <gtest/gtest.h>

namespace {

QString Csv(const QStringList& fields) {
    TList list;
    std::vector<TListRow> rows(1);
    for (const QString& f : fields) {
        list.columns.push_back({QStringLiteral("c"), QString()});
        rows[0].emplace_back(f);
    }
    QString text;
    QTextStream out(&text);
    WriteList(out, TListFormat::Csv, list, RowsOf(rows));
    return text.mid(text.indexOf(QLatin1String("\r\n")) + 2); // past the header
}

} // namespace

TEST(ListWriter, CsvQuotesOnlyWhatNeedsItAndEndsRecordsInCrLf) {
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
        EXPECT_EQ(Csv(k.fields), QString::fromUtf8(k.line)) << k.line;
}

// Programs get field names and machine forms; people titles, the list's caption
// and texts as shown; a spreadsheet set to Serbian a BOM, semicolons and decimal commas.
TEST(ListWriter, EachReaderGetsItsOwnFormsOfOneList) {
    const TList list{{QStringLiteral("Prisustvo"), QStringLiteral("Od datuma 01.11.2026")},
                     {{QStringLiteral("name"), QStringLiteral("Ime")},
                      {QStringLiteral("hours"), QStringLiteral("Sati"), TCellType::Number},
                      {QStringLiteral("day"), QStringLiteral("Datum"), TCellType::Date},
                      {QStringLiteral("active"), QStringLiteral("Aktivan")}}};
    const std::vector<TListRow> rows{
        {{QStringLiteral("Đorđe; Ćirić")},
         {418 / 60.0, QStringLiteral("6.97")},
         {QDate(2026, 11, 2)},
         {QStringLiteral("y"), QStringLiteral("Da")}},
        {{QStringLiteral("Ana\nMarija")}, {qlonglong(8)}, {}, {QStringLiteral("n"), QStringLiteral("Ne")}}};
    struct Case {
        TListFormat format;
        const char* written;
    } cases[] = {
        {TListFormat::Csv, "name,hours,day,active\r\nĐorđe; Ćirić,6.966667,2026-11-02,y\r\n"
                           "\"Ana\nMarija\",8,,n\r\n"},
        {TListFormat::SheetCsv,
         "\xef\xbb\xbfPrisustvo\r\nOd datuma 01.11.2026\r\n\r\nIme;Sati;Datum;Aktivan\r\n"
         "\"Đorđe; Ćirić\";6,966667;02.11.2026;Da\r\n\"Ana\nMarija\";8;;Ne\r\n"},
        {TListFormat::Text, "Prisustvo\nOd datuma 01.11.2026\n\nIme           Sati  Datum       Aktivan\n"
                            "Đorđe; Ćirić  6.97  02.11.2026  Da\nAna\\nMarija      8              Ne\n"},
    };
    QTemporaryDir dir;
    for (const Case& k : cases) {
        const QString file = dir.filePath(QStringLiteral("spisak"));
        ASSERT_TRUE(SaveList(file, k.format, list, RowsOf(rows)));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll().toStdString(), std::string(k.written)) << int(k.format);
    }
    // the rows stopped half way: the file stays as it was
    EXPECT_FALSE(SaveList(dir.filePath(QStringLiteral("spisak")), TListFormat::SheetCsv, list,
                          [](const TListSink&) { return false; }));
    QFile kept(dir.filePath(QStringLiteral("spisak")));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_TRUE(kept.readAll().startsWith("Prisustvo"));
    EXPECT_THROW(
        SaveList(dir.filePath(QStringLiteral("nema/takvog/mesta.csv")), TListFormat::Csv, list, RowsOf(rows)),
        std::runtime_error);
}

TEST(ListWriter, GridListIsWhatTheGridShowsInItsShownOrder) {
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
    const auto shown = [&] {
        QStringList texts;
        const std::vector<int> columns = ShownColumns(grid);
        for (const TListColumn& c : GridColumns(grid, columns))
            texts << c.title;
        for (const TListCell& cell : GridRow(grid, columns, 0))
            texts << cell.shown;
        return texts;
    };
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("Šifra"), QStringLiteral("Ime"), QStringLiteral("7"),
                                    QStringLiteral("Ana")}));
    grid.SetColumnVisible(1, true);
    const std::vector<int> all = ShownColumns(grid);
    EXPECT_EQ(GridColumns(grid, all)[2].type, TCellType::Number);
    EXPECT_EQ(GridRow(grid, all, 0)[2].value, QVariant(35 / 60.0)); // the value behind "0.58"
    // a column the form draws is listed as its words
    grid.AddColumn(QString(), 20, QStringLiteral("Smer")).text = [](int) {
        return QStringLiteral("Dolazak");
    };
    EXPECT_EQ(GridRow(grid, ShownColumns(grid), 0).back().shown, QStringLiteral("Dolazak"));
}

TEST(ListWriter, XlsxCellsAreTypedByColumnAndAFailedSaveLeavesNothing) {
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
    TList list{{QStringLiteral("Spisak"), QStringLiteral("Period")}, {}};
    TListRow row;
    for (const Case& k : cases) {
        list.columns.push_back({QString(), QStringLiteral("Kolona %1").arg(list.columns.size()), k.type});
        row.emplace_back(k.value);
    }
    ASSERT_TRUE(SaveList(file, TListFormat::Xlsx, list, RowsOf({row, {{QString()}, {}}}))); // blank cells
    const TXlsxSheet sheet = ReadXlsx(file);
    // the caption above, the header bold and in view
    EXPECT_EQ(sheet.Row(0), QStringList{QStringLiteral("Spisak")});
    EXPECT_TRUE(sheet.At(0, 0).bold);
    EXPECT_EQ(sheet.Row(1), QStringList{QStringLiteral("Period")});
    EXPECT_EQ(sheet.frozenRows, 4);
    EXPECT_EQ(sheet.rows, 5);
    for (size_t c = 0; c < std::size(cases); ++c) {
        SCOPED_TRACE(c);
        EXPECT_TRUE(sheet.At(3, int(c)).bold);
        EXPECT_EQ(sheet.At(4, int(c)).text, cases[c].text);
        EXPECT_EQ(sheet.At(4, int(c)).value, cases[c].stored);
    }

    // rows past a sheet's last go on in a second sheet under the header
    const QString big = dir.filePath(QStringLiteral("dugacak.xlsx"));
    SaveList(big, TListFormat::Xlsx, {{}, {{QString(), QStringLiteral("n"), TCellType::Number}}},
             [](const TListSink& sink) {
                 for (int n = 1; n <= 1048577; ++n)
                     sink({{n}});
                 return true;
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
    const std::vector<TListRow> none;
    EXPECT_THROW(
        SaveList(dir.filePath(QStringLiteral("nema/spisak.xlsx")), TListFormat::Xlsx, list, RowsOf(none)),
        std::runtime_error);
    EXPECT_THROW(SaveList(dir.filePath(QStringLiteral("fascikla")), TListFormat::Xlsx, list, RowsOf(none)),
                 std::runtime_error);
    EXPECT_THROW(SaveList(file, TListFormat::Xlsx, list,
                          [](const TListSink& sink) -> bool {
                              sink({{1}});
                              throw std::runtime_error("veza prekinuta");
                          }),
                 std::runtime_error);
    EXPECT_FALSE(SaveList(file, TListFormat::Xlsx, list, [](const TListSink&) { return false; }));
    QFile after(file);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("fascikla"), QStringLiteral("spisak.xlsx")}));
}
