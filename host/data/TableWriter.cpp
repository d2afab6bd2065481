// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/data/TableWriter.h"

#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"

#include <QFile>
#include <QSaveFile>

#include <stdexcept>

TCellType CellTypeOf(TFieldType type) {
    switch (type) {
    case TFieldType::Integer:
    case TFieldType::SmallInt:
    case TFieldType::LargeInt:
    case TFieldType::Float:
        return TCellType::Number;
    case TFieldType::Date:
        return TCellType::Date;
    case TFieldType::Time:
        return TCellType::Time;
    case TFieldType::DateTime:
        return TCellType::DateTime;
    default:
        return TCellType::Text;
    }
}

QString CsvField(const QString& cell) {
    // A spreadsheet runs a cell that begins like a formula; a number never changes.
    static const QString formula = QStringLiteral("=+-@\t\r");
    bool number = false;
    cell.toDouble(&number);
    const QString text =
        !cell.isEmpty() && formula.contains(cell[0]) && !number ? QLatin1Char('\'') + cell : cell;
    static const QString special = QStringLiteral(",\"\r\n");
    bool quote = false;
    for (QChar c : text)
        if (special.contains(c)) {
            quote = true;
            break;
        }
    if (!quote) return text;
    QString out = text;
    out.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString CsvLine(const QStringList& fields) {
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0) line += QLatin1Char(',');
        line += CsvField(fields[i]);
    }
    // a record of one empty field would read as an empty line, which parsers skip
    if (fields.size() == 1 && fields[0].isEmpty()) line = QStringLiteral("\"\"");
    return line + QLatin1String("\r\n");
}

void WriteCsv(QTextStream& out, const QStringList& header, const TRowSource& rows) {
    out << CsvLine(header);
    rows([&](const QStringList& row) { out << CsvLine(row); });
    out.flush();
}

TRowSource RowsOf(const TTextTable& table) {
    return [&table](const TRowSink& sink) {
        for (const QStringList& row : table.rows)
            sink(row);
    };
}

void WriteCsv(QTextStream& out, const TTextTable& table) {
    WriteCsv(out, table.header, RowsOf(table));
}

void SaveCsv(const QString& fileName, const TTextTable& table) {
    QSaveFile file(fileName);
    auto fail = [&] {
        throw std::runtime_error(Format(_CMN_FILE_WRITE_ERR, {fileName, file.errorString()}).toStdString());
    };
    if (!file.open(QIODevice::WriteOnly)) fail();
    {
        QTextStream out(&file);
        out.setEncoding(QStringConverter::Utf8);
        WriteCsv(out, table);
        if (out.status() != QTextStream::Ok) fail();
    }
    if (!file.commit()) fail();
}

QString PrintableText(const QString& text) {
    QString out;
    for (QChar c : text) {
        if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("\\t");
        else if (c.category() == QChar::Other_Control)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

void WriteAligned(QTextStream& out, const QStringList& header, const std::vector<bool>& rightAligned,
                  const TRowSource& rows) {
    std::vector<qsizetype> widths(size_t(header.size()), 0);
    auto measure = [&](const QStringList& row) {
        for (qsizetype c = 0; c < row.size() && c < qsizetype(widths.size()); ++c)
            widths[size_t(c)] = qMax(widths[size_t(c)], PrintableText(row[c]).size());
    };
    measure(header);
    rows(measure);
    auto write = [&](const QStringList& row) {
        QString line;
        for (qsizetype c = 0; c < qsizetype(widths.size()); ++c) {
            const QString text = PrintableText(row.value(c));
            const bool right = size_t(c) < rightAligned.size() && rightAligned[size_t(c)];
            if (c > 0) line += QLatin1String("  ");
            line += right ? text.rightJustified(widths[size_t(c)]) : text.leftJustified(widths[size_t(c)]);
        }
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        out << line << '\n';
    };
    write(header);
    rows(write);
    out.flush();
}

void WriteAligned(QTextStream& out, const TTextTable& table) {
    WriteAligned(out, table.header, table.rightAligned, RowsOf(table));
}
