// SPDX-License-Identifier: GPL-3.0-or-later
// Text, number and date helpers shared by the host and the module.
#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <initializer_list>
#include <stdexcept>

class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString Message() const { return m_message; }

private:
    QString m_message;
};

// printf-like formatting of resource strings and SQL texts: %s takes any value
// as text, %d a whole number, %% is a percent sign. Arguments are never
// scanned for further placeholders. Throws std::invalid_argument when the
// placeholders and arguments do not match.
QString Format(const QString& format, std::initializer_list<QVariant> args);

// Number with a display format such as "0.##" (at most two decimals) or "0.00".
QString FormatFloat(const QString& format, double value);

// Date-time with a display format in the host's notation: yyyy yy mm m dd d
// hh h nn n ss s (mm right after hh means minutes), other text literal.
QString FormatDateTime(const QString& format, const QDateTime& value);

// "yyyy-mm-dd hh:nn:ss" to a date-time (seconds optional); throws EConvertError.
QDateTime MyDateTimeStrToDateTime(const QString& text);

// The statement with the condition of its WHERE clause replaced (added when it
// has none, removed when the condition is empty).
QString ChangeSQLCondition(const QString& statement, const QString& condition);

// When a quoted text, a quoted name or a comment starts at index i of a
// statement, the index of its last character (the end for an unclosed one);
// otherwise -1. Scanners of SQL skip these with it.
qsizetype SqlLiteralEnd(const QString& sql, qsizetype i);

// Where the first of `words` stands as a keyword of the statement itself (outside
// quotes, comments and brackets), in any letter case; -1 when none does.
qsizetype SqlTopLevelWord(const QString& statement, std::initializer_list<QLatin1String> words);

// The first table named after the top-level FROM of a statement ("" when none).
QString SqlFirstTable(const QString& statement);

// A name as a search compares it once the exact text has found nothing: lower case,
// without diacritics, with đ and dj as d (Đorđe, Djordje and dorde are alike).
QString SearchKey(const QString& text);

// The wall clock as a date-time without time-zone jumps. Tests may fix it.
// The date of a typed text, "yyyy-mm-dd" or "dd.mm.yyyy" ("d.m.yyyy" and a last
// dot too), blanks around it allowed; an invalid date when the text is none of
// those or names no real day.
QDate TypedDate(const QString& text);
// A typed date (as TypedDate reads it) and time of day, "hh:mm" or "hh:mm:ss",
// one blank or more apart, as a wall clock; invalid when it is none.
QDateTime TypedDateTime(const QString& text);
// A date and time as a clock shows it, without a zone: held as UTC, so that no
// daylight-saving shift ever moves it. A date alone is its midnight.
QDateTime WallClock(const QDateTime& time);
QDateTime WallClock(const QDate& date);
QDateTime Now();
void SetNowForTesting(const QDateTime& fixed); // an invalid date-time restores the clock
