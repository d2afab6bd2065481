// SPDX-License-Identifier: GPL-3.0-or-later
// The SQL text scanners: the literal and comment scanner, the WHERE clause
// rewrite, the first table and the :Name parameters of a query.
//
// Input: the statement, a zero byte, the condition (both UTF-8).
#include "fuzz/FuzzCheck.h"
#include "host/data/Database.h"
#include "host/data/SysUtils.h"
#include "host/data/ZQuery.h"

#include <QRegularExpression>

#include <cstring>

namespace {

// Quotes and block comments are closed, parentheses outside them close in order and all close.
bool WellFormed(const QString& sql) {
    int depth = 0;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        if (const qsizetype end = SqlLiteralEnd(sql, i); end >= 0) {
            const QChar c = sql[i];
            if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
                if (end == i || sql[end] != c) return false;
                // a quote after an odd run of backslashes is escaped, so the text runs on
                qsizetype slashes = 0;
                while (c != QLatin1Char('`') && end - 1 - slashes > i &&
                       sql[end - 1 - slashes] == QLatin1Char('\\'))
                    ++slashes;
                if (slashes % 2 != 0) return false;
            } else if (c == QLatin1Char('/')) {
                if (end < i + 3 || sql[end] != QLatin1Char('/') || sql[end - 1] != QLatin1Char('*'))
                    return false;
            }
            i = end;
            continue;
        }
        if (sql[i] == QLatin1Char('('))
            ++depth;
        else if (sql[i] == QLatin1Char(')') && --depth < 0)
            return false;
    }
    return depth == 0;
}

bool HasClauseKeyword(const QString& text) {
    static const QRegularExpression keyword(QStringLiteral("\\b(WHERE|FROM|GROUP|HAVING|ORDER|LIMIT)\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    return keyword.match(text).hasMatch();
}

// A condition as the program builds them: names, numbers and comparisons, no clause keywords.
bool PlainCondition(const QString& condition) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_ =<>.]*$"));
    return plain.match(condition).hasMatch() && !HasClauseKeyword(condition);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const void* zero = size > 0 ? std::memchr(data, 0, size) : nullptr;
    const std::size_t split =
        zero != nullptr ? std::size_t(static_cast<const std::uint8_t*>(zero) - data) : size;
    const QString statement = QString::fromUtf8(text, qsizetype(split));
    const QString condition =
        split < size ? QString::fromUtf8(text + split + 1, qsizetype(size - split - 1)) : QString();

    // The scanner reports the last character of what starts at i, inside the text.
    for (qsizetype i = 0; i < statement.size(); ++i) {
        const qsizetype end = SqlLiteralEnd(statement, i);
        FUZZ_CHECK(end == -1 || (end >= i && end < statement.size()));
    }

    const QString changed = ChangeSQLCondition(statement, condition);
    const QString cond = condition.trimmed();
    if (!cond.isEmpty()) FUZZ_CHECK(changed.contains(QStringLiteral("WHERE ") + cond));
    const QString removed = ChangeSQLCondition(statement, QString());
    FUZZ_CHECK(removed.size() <= statement.size());

    // For a well-formed statement with a table and a plain condition, setting the
    // condition again replaces it instead of adding a second one, and the table stays.
    const QString table = SqlFirstTable(statement);
    if (!cond.isEmpty() && PlainCondition(cond) && WellFormed(statement) && !table.isEmpty() &&
        !HasClauseKeyword(table)) {
        FUZZ_CHECK(ChangeSQLCondition(changed, condition) == changed);
        FUZZ_CHECK(SqlFirstTable(changed) == table);
    }

    // Every parameter found is replaced, and what replaces it forms no new one.
    TZConnection connection; // never connected: numbers need no escaping
    TZQuery query(&connection);
    query.SetSQL(statement);
    for (TParam& p : query.Params()) {
        FUZZ_CHECK(!p.Name().isEmpty());
        p.SetAsInteger(7);
    }
    const QString expanded = query.ExpandedSQL();
    TZQuery again(&connection);
    again.SetSQL(expanded);
    FUZZ_CHECK(again.Params().empty());
    return 0;
}
