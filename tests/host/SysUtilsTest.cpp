// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/data/SysUtils.h"

#include <gtest/gtest.h>

TEST(Format, SubstitutesPlaceholdersOnceAndChecksArguments) {
    EXPECT_EQ(Format(QStringLiteral("Modul \"%s\" nije dostupan."), {QStringLiteral("Bezbednost")}),
              QStringLiteral("Modul \"Bezbednost\" nije dostupan."));
    EXPECT_EQ(Format(QStringLiteral("id = %d AND t = %s"), {42, QStringLiteral("'x'")}),
              QStringLiteral("id = 42 AND t = 'x'"));
    // an argument that itself holds placeholders stays as it is
    EXPECT_EQ(Format(QStringLiteral("DATE_FORMAT(d,'%s')"), {QStringLiteral("%d.%m.%Y")}),
              QStringLiteral("DATE_FORMAT(d,'%d.%m.%Y')"));
    EXPECT_EQ(Format(QStringLiteral("LIKE '%s%%'"), {QStringLiteral("Pet")}), QStringLiteral("LIKE 'Pet%'"));
    EXPECT_EQ(Format(QStringLiteral("%d"), {qlonglong(-5000000000LL)}), QStringLiteral("-5000000000"));
    EXPECT_THROW(Format(QStringLiteral("%s %s"), {1}), std::invalid_argument);
    EXPECT_THROW(Format(QStringLiteral("%s"), {1, 2}), std::invalid_argument);
    EXPECT_THROW(Format(QStringLiteral("%d"), {QStringLiteral("1; DROP TABLE x")}), std::invalid_argument);
}

TEST(Plural, CountsAgreeWithTheirNounAsInSerbian) {
    struct Case {
        qint64 n;
        const char* text;
    } cases[] = {{0, "0 novih zapisa"},     {1, "1 novi zapis"},        {2, "2 nova zapisa"},
                 {4, "4 nova zapisa"},      {5, "5 novih zapisa"},      {11, "11 novih zapisa"},
                 {12, "12 novih zapisa"},   {14, "14 novih zapisa"},    {21, "21 novi zapis"},
                 {22, "22 nova zapisa"},    {101, "101 novi zapis"},    {111, "111 novih zapisa"},
                 {112, "112 novih zapisa"}, {1003, "1003 nova zapisa"}, {-1, "-1 novi zapis"}};
    for (const Case& k : cases)
        EXPECT_EQ(Plural(k.n, "%d novi zapis", "%d nova zapisa", "%d novih zapisa"),
                  QString::fromUtf8(k.text));
}

TEST(FormatFloat, HoursShowAtMostTwoDecimals) {
    struct Case {
        const char* format;
        double value;
        const char* text;
    } cases[] = {
        {"0.##", 8.0, "8"},          {"0.##", 7.5, "7.5"},
        {"0.##", 35.0 / 60, "0.58"}, {"0.##", 0.0, "0"},
        {"0.##", 2.005, "2"},        {"0.##", -0.001, "0"},
        {"0.00", 7.5, "7.50"},       {"0", 7.6, "8"},
        {"0.##", 15.5, "15.5"},      {"0.##", 1234.567, "1234.57"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatFloat(QString::fromLatin1(c.format), c.value), QString::fromLatin1(c.text))
            << c.format << " " << c.value;
}

TEST(FormatDateTime, HostNotation) {
    const QDateTime t(QDate(2024, 3, 5), QTime(7, 8, 9), Qt::UTC);
    struct Case {
        const char* format;
        const char* text;
    } cases[] = {
        {"dd.mm.yyyy hh:nn:ss", "05.03.2024 07:08:09"},
        {"dd.mm.yy hh:nn:ss", "05.03.24 07:08:09"},
        {"yyyy-mm-dd", "2024-03-05"},
        {"hh:mm", "07:08"}, // mm after hh means minutes
        {"d.m.yyyy", "5.3.2024"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatDateTime(QString::fromLatin1(c.format), t), QString::fromLatin1(c.text));
}

TEST(MyDateTimeStrToDateTime, ParsesWallClockTextsAndRejectsOthers) {
    const QDateTime t = MyDateTimeStrToDateTime(QStringLiteral("2024-03-31 17:30:00"));
    EXPECT_EQ(t, QDateTime(QDate(2024, 3, 31), QTime(17, 30), Qt::UTC));
    // a wall clock without daylight-saving jumps: 09:00 to 17:00 is 480 minutes on the DST night too
    const QDateTime a = MyDateTimeStrToDateTime(QStringLiteral("2024-03-31 01:00:00"));
    const QDateTime b = MyDateTimeStrToDateTime(QStringLiteral("2024-03-31 09:00:00"));
    EXPECT_EQ(a.secsTo(b), 8 * 3600);
    EXPECT_EQ(MyDateTimeStrToDateTime(QStringLiteral("2024-02-29")),
              QDateTime(QDate(2024, 2, 29), QTime(0, 0), Qt::UTC));
    for (const char* bad : {"2023-02-29 00:00:00", "2024-13-01 00:00:00", "2024-01-01 25:00:00", "",
                            "09:00:00", "2024-01-01 10:00:00 x"})
        EXPECT_THROW(MyDateTimeStrToDateTime(QString::fromLatin1(bad)), EConvertError) << bad;
}

TEST(TypedDate, BothWaysPeopleWriteADateAndNothingElse) {
    const struct {
        const char* text;
        QDate date; // invalid: refused
    } cases[] = {
        {"2024-03-07", QDate(2024, 3, 7)},
        {" 07.03.2024 ", QDate(2024, 3, 7)},
        {"7.3.2024", QDate(2024, 3, 7)},
        {"7.3.2024.", QDate(2024, 3, 7)},
        {"29.02.2023", QDate()},
        {"2024-2-1", QDate()},
        {"7.3.24", QDate()},
        {"2024-03-07 10:00", QDate()},
        {"", QDate()},
    };
    for (const auto& k : cases)
        EXPECT_EQ(TypedDate(QString::fromLatin1(k.text)), k.date) << k.text;
}

TEST(ChangeSQLCondition, ReplacesAddsAndRemovesTheTopLevelCondition) {
    struct Case {
        const char* statement;
        const char* condition;
        const char* result;
    } cases[] = {
        {"SELECT * FROM t\nWHERE id = -1", "a = 1 AND b = 2", "SELECT * FROM t\nWHERE a = 1 AND b = 2"},
        {"SELECT * FROM t\nWHERE id = -1", "", "SELECT * FROM t"},
        {"SELECT * FROM t\nWHERE id = -1\nORDER BY x", "a = 1", "SELECT * FROM t\nWHERE a = 1\nORDER BY x"},
        {"SELECT * FROM t\nWHERE id = -1\nORDER BY x", "", "SELECT * FROM t\nORDER BY x"},
        {"SELECT * FROM t ORDER BY x", "a = 1", "SELECT * FROM t WHERE a = 1 ORDER BY x"},
        {"SELECT * FROM t", "a = 1", "SELECT * FROM t WHERE a = 1"},
        // WHERE inside a subquery or a quoted text is not the statement's own
        {"SELECT (SELECT 1 FROM u WHERE u.x = 2) AS s FROM t WHERE id = 1", "b = 3",
         "SELECT (SELECT 1 FROM u WHERE u.x = 2) AS s FROM t WHERE b = 3"},
        {"SELECT 'WHERE ORDER' AS s FROM t WHERE id = 1 GROUP BY s", "c = 'x'",
         "SELECT 'WHERE ORDER' AS s FROM t WHERE c = 'x' GROUP BY s"},
        {"SELECT * FROM t LEFT JOIN u ON t.a = u.a\nwhere t.id = -1", "t.b = 1",
         "SELECT * FROM t LEFT JOIN u ON t.a = u.a\nWHERE t.b = 1"},
        // a closing ';' or comment stays after the condition, which is never commented out
        {"SELECT * FROM t -- all of them", "a = 1", "SELECT * FROM t WHERE a = 1 -- all of them"},
        {"SELECT * FROM t /* x */ ;", "a = 1", "SELECT * FROM t WHERE a = 1 /* x */ ;"},
        {"SELECT * FROM t WHERE id = 1 ;", "a = 1", "SELECT * FROM t WHERE a = 1 ;"},
        {"SELECT * FROM t WHERE id = 1 -- x\n;", "", "SELECT * FROM t -- x\n;"},
        {"SELECT * FROM t WHERE s = 'a;' ;", "a = 1", "SELECT * FROM t WHERE a = 1 ;"},
        // a clause right after a closing parenthesis stays a word of its own
        {"SELECT * FROM t WHERE (id = 1)ORDER BY x", "a = 2", "SELECT * FROM t WHERE a = 2 ORDER BY x"},
        {"SELECT * FROM t WHERE (id = 1)ORDER BY x", "", "SELECT * FROM t ORDER BY x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChangeSQLCondition(QString::fromLatin1(c.statement), QString::fromLatin1(c.condition)),
                  QString::fromLatin1(c.result))
            << c.statement;
}

TEST(SqlFirstTable, NamesTheTableAfterTheTopLevelFrom) {
    EXPECT_EQ(SqlFirstTable(
                  QStringLiteral("SELECT ec.*,CONCAT(e.lastname,' ',e.firstname) AS n\nFROM employeecard AS "
                                 "ec\n LEFT JOIN employee AS e ON 1")),
              QStringLiteral("employeecard"));
    EXPECT_EQ(SqlFirstTable(QStringLiteral("SELECT (SELECT 1 FROM x) AS a FROM `horloattendance` ta")),
              QStringLiteral("horloattendance"));
    EXPECT_EQ(SqlFirstTable(QStringLiteral("SELECT 1")), QString());
}

TEST(SqlText, TopLevelWordsOnly) {
    const std::initializer_list<QLatin1String> order = {QLatin1String("ORDER"), QLatin1String("LIMIT")};
    struct Case {
        const char* sql;
        qsizetype at;
    } cases[] = {
        {"SELECT a FROM t ORDER BY a", 16},
        {"select a from t limit 5", 16},
        {"SELECT (SELECT b FROM u ORDER BY b LIMIT 1) FROM t", -1},
        {"SELECT 'ORDER BY' FROM t -- LIMIT 3", -1},
        {"SELECT a FROM t /* ORDER */ WHERE borders = 1", -1},
        {"SELECT `order` FROM t", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SqlTopLevelWord(QString::fromLatin1(c.sql), order), c.at) << c.sql;
}
