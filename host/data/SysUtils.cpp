// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/data/SysUtils.h"

#include "host/data/HostStrings.h"

#include <QRegularExpression>

#include <algorithm>

#include <mutex>
#include <optional>

QString Format(const QString& format, std::initializer_list<QVariant> args) {
    QString out;
    out.reserve(format.size() + 16 * int(args.size()));
    auto arg = args.begin();
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c != QLatin1Char('%')) {
            out += c;
            continue;
        }
        if (++i >= format.size()) throw std::invalid_argument("Format: lone % at the end");
        const QChar spec = format[i];
        if (spec == QLatin1Char('%')) {
            out += spec;
            continue;
        }
        if (arg == args.end()) throw std::invalid_argument("Format: too few arguments");
        if (spec == QLatin1Char('s')) {
            out += arg->toString();
        } else if (spec == QLatin1Char('d')) {
            bool ok = false;
            const qlonglong v = arg->toLongLong(&ok);
            if (!ok && !arg->isNull()) throw std::invalid_argument("Format: %d needs a whole number");
            out += QString::number(v);
        } else if (spec == QLatin1Char('u')) {
            out += QString::number(arg->toULongLong());
        } else {
            throw std::invalid_argument("Format: unknown placeholder");
        }
        ++arg;
    }
    if (arg != args.end()) throw std::invalid_argument("Format: too many arguments");
    return out;
}

QString FormatFloat(const QString& format, double value) {
    const qsizetype point = format.indexOf(QLatin1Char('.'));
    int required = 0, optional = 0;
    if (point >= 0)
        for (qsizetype i = point + 1; i < format.size(); ++i) {
            if (format[i] == QLatin1Char('0'))
                ++required;
            else if (format[i] == QLatin1Char('#'))
                ++optional;
        }
    QString text = QString::number(value, 'f', required + optional);
    if (optional > 0) {
        qsizetype keep = text.size();
        const qsizetype dot = text.indexOf(QLatin1Char('.'));
        while (keep > dot + 1 + required && text[keep - 1] == QLatin1Char('0'))
            --keep;
        if (keep == dot + 1) --keep;
        text.truncate(keep);
    }
    if (text == QLatin1String("-0")) text = QStringLiteral("0");
    return text;
}

QString FormatDateTime(const QString& format, const QDateTime& value) {
    if (!value.isValid()) return {};
    const QDate d = value.date();
    const QTime t = value.time();
    QString out;
    bool afterHour = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i].toLower();
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run].toLower() == c)
            ++run;
        auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
        if (c == QLatin1Char('y')) {
            out += run >= 4 ? QString::number(d.year()) : two(d.year() % 100);
        } else if (c == QLatin1Char('m')) {
            const int v = afterHour ? t.minute() : d.month();
            out += run >= 2 ? two(v) : QString::number(v);
        } else if (c == QLatin1Char('d')) {
            out += run >= 2 ? two(d.day()) : QString::number(d.day());
        } else if (c == QLatin1Char('h')) {
            out += run >= 2 ? two(t.hour()) : QString::number(t.hour());
        } else if (c == QLatin1Char('n')) {
            out += run >= 2 ? two(t.minute()) : QString::number(t.minute());
        } else if (c == QLatin1Char('s')) {
            out += run >= 2 ? two(t.second()) : QString::number(t.second());
        } else {
            out += format.mid(i, run);
        }
        if (c == QLatin1Char('h'))
            afterHour = true;
        else if (c.isLetter())
            afterHour = false;
        i += run;
    }
    return out;
}

QDateTime MyDateTimeStrToDateTime(const QString& text) {
    static const QRegularExpression re(QStringLiteral(
        "^\\s*(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:[ T](\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?)?\\s*$"));
    const auto m = re.match(text);
    if (m.hasMatch()) {
        const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
        if (date.isValid() && time.isValid()) return QDateTime(date, time, Qt::UTC);
    }
    throw EConvertError(Format(_CMN_DATETIME_ERR, {text}));
}

qsizetype SqlLiteralEnd(const QString& sql, qsizetype i) {
    const QChar c = sql[i];
    const QChar next = i + 1 < sql.size() ? sql[i + 1] : QChar();
    if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
        for (++i; i < sql.size() && sql[i] != c; ++i)
            if (sql[i] == QLatin1Char('\\') && c != QLatin1Char('`')) ++i;
        return std::min(i, sql.size() - 1);
    }
    if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
        const qsizetype end = sql.indexOf(QLatin1Char('\n'), i);
        return end < 0 ? sql.size() - 1 : end;
    }
    if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
        const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
        return end < 0 ? sql.size() - 1 : end + 1;
    }
    return -1;
}

namespace {

// Positions of top-level keywords, outside quotes, comments and parentheses.
struct KeywordScan {
    qsizetype where = -1, from = -1, tail = -1; // tail: GROUP/HAVING/ORDER/LIMIT after FROM
    qsizetype end = 0; // after the last character of code: trailing blanks, ';' and comments excluded
};

bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

bool WordAt(const QString& s, qsizetype i, QLatin1String word) {
    if (i > 0 && IsWordChar(s[i - 1])) return false;
    if (s.mid(i, word.size()).compare(word, Qt::CaseInsensitive) != 0) return false;
    const qsizetype end = i + word.size();
    return end >= s.size() || !IsWordChar(s[end]);
}

KeywordScan Scan(const QString& s) {
    KeywordScan k;
    int depth = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (const qsizetype end = SqlLiteralEnd(s, i); end >= 0) {
            if (s[i] == QLatin1Char('\'') || s[i] == QLatin1Char('"') || s[i] == QLatin1Char('`'))
                k.end = end + 1;
            i = end;
            continue;
        }
        const QChar c = s[i];
        if (!c.isSpace() && c != QLatin1Char(';')) k.end = i + 1;
        if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')'))
            --depth;
        if (depth != 0 || !c.isLetter()) continue;
        if (k.from < 0) {
            if (WordAt(s, i, QLatin1String("FROM"))) k.from = i;
            continue;
        }
        if (k.where < 0 && k.tail < 0 && WordAt(s, i, QLatin1String("WHERE")))
            k.where = i;
        else if (k.tail < 0 &&
                 (WordAt(s, i, QLatin1String("GROUP")) || WordAt(s, i, QLatin1String("HAVING")) ||
                  WordAt(s, i, QLatin1String("ORDER")) || WordAt(s, i, QLatin1String("LIMIT"))))
            k.tail = i;
    }
    return k;
}

// a + b, with a blank between them where b's first word would otherwise run into a's end.
QString Joined(const QString& a, const QString& b) {
    if (!a.isEmpty() && !b.isEmpty() && !a.back().isSpace() && IsWordChar(b.front()))
        return a + QLatin1Char(' ') + b;
    return a + b;
}

} // namespace

QString ChangeSQLCondition(const QString& statement, const QString& condition) {
    const KeywordScan k = Scan(statement);
    const QString cond = condition.trimmed();
    if (k.where >= 0) {
        // the clause runs to the next clause or to the end of the code (a closing
        // ';' or comment stays); the blanks before that one stay
        qsizetype keep = k.tail >= 0 ? k.tail : k.end;
        while (keep > k.where && statement[keep - 1].isSpace())
            --keep;
        if (!cond.isEmpty())
            return Joined(statement.left(k.where) + QStringLiteral("WHERE ") + cond, statement.mid(keep));
        qsizetype start = k.where;
        while (start > 0 && statement[start - 1].isSpace())
            --start;
        return Joined(statement.left(start), statement.mid(keep));
    }
    if (cond.isEmpty()) return statement;
    if (k.tail >= 0)
        return statement.left(k.tail) + QStringLiteral("WHERE ") + cond + QLatin1Char(' ') +
               statement.mid(k.tail);
    // before a closing ';' or comment, where it is not commented out
    return statement.left(k.end) + QStringLiteral(" WHERE ") + cond + statement.mid(k.end);
}

qsizetype SqlTopLevelWord(const QString& statement, std::initializer_list<QLatin1String> words) {
    int depth = 0;
    for (qsizetype i = 0; i < statement.size(); ++i) {
        if (const qsizetype end = SqlLiteralEnd(statement, i); end >= 0) {
            i = end;
            continue;
        }
        const QChar c = statement[i];
        if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')'))
            --depth;
        if (depth != 0 || !c.isLetter()) continue;
        for (const QLatin1String word : words)
            if (WordAt(statement, i, word)) return i;
    }
    return -1;
}

QString SqlFirstTable(const QString& statement) {
    const KeywordScan k = Scan(statement);
    if (k.from < 0) return {};
    static const QRegularExpression name(QStringLiteral("^FROM\\s+`?([A-Za-z0-9_$]+)`?"),
                                         QRegularExpression::CaseInsensitiveOption);
    return name.match(statement.mid(k.from)).captured(1);
}

namespace {
std::mutex g_nowMutex;
std::optional<QDateTime> g_fixedNow; // constant-initialized: usable before any start-up code
} // namespace

QDateTime Now() {
    {
        std::lock_guard lock(g_nowMutex);
        if (g_fixedNow && g_fixedNow->isValid()) return *g_fixedNow;
    }
    const QDateTime local = QDateTime::currentDateTime();
    return QDateTime(local.date(), QTime(local.time().hour(), local.time().minute(), local.time().second()),
                     Qt::UTC);
}

void SetNowForTesting(const QDateTime& fixed) {
    std::lock_guard lock(g_nowMutex);
    g_fixedNow = fixed;
}

QDateTime WallClock(const QDateTime& time) {
    return QDateTime(time.date(), time.time(), Qt::UTC);
}

QDateTime WallClock(const QDate& date) {
    return QDateTime(date, QTime(0, 0), Qt::UTC);
}

QDate TypedDate(const QString& text) {
    static const QRegularExpression iso(QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})$"));
    // as people here write it, the last dot too: 7.12.2026.
    static const QRegularExpression local(QStringLiteral("^([0-9]{1,2})\\.([0-9]{1,2})\\.([0-9]{4})\\.?$"));
    const QString t = text.trimmed();
    if (const QRegularExpressionMatch m = iso.match(t); m.hasMatch())
        return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (const QRegularExpressionMatch m = local.match(t); m.hasMatch())
        return QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    return {};
}

QDateTime TypedDateTime(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^(\\S+)\\s+([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch()) return {};
    const QDate date = TypedDate(m.captured(1));
    const QTime time(m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    if (!date.isValid() || !time.isValid()) return {};
    return QDateTime(date, time, Qt::UTC);
}

QString SearchKey(const QString& text) {
    QString key;
    for (const QChar ch : text.normalized(QString::NormalizationForm_D)) {
        if (ch.category() == QChar::Mark_NonSpacing) continue; // the accents of č ć š ž
        key += ch == QChar(0x0110) || ch == QChar(0x0111) ? QChar(u'd') : ch.toCaseFolded();
    }
    return key.replace(QStringLiteral("dj"), QStringLiteral("d"));
}
