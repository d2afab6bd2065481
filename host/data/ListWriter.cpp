// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/data/ListWriter.h"

#include "host/data/DataSet.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/data/XlsxWriter.h"

#include <QSaveFile>

#include <stdexcept>

bool ForPeople(TListFormat format) {
    return format != TListFormat::Csv;
}

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

TListRows RowsOf(const std::vector<TListRow>& rows) {
    return [&rows](const TListSink& sink) {
        for (const TListRow& row : rows)
            sink(row);
        return true;
    };
}

namespace {

bool IsNumber(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

// Hours and other fractions: six decimals, so that a month of rows sums to the
// sheet's total to the minute; whole numbers as they are.
QString NumberText(const QVariant& v, QChar point) {
    if (v.typeId() != QMetaType::Double) return v.toString();
    QString text = FormatFloat(QStringLiteral("0.######"), v.toDouble());
    if (point != QLatin1Char('.')) text.replace(QLatin1Char('.'), point);
    return text;
}

// A value in the forms a program reads.
QString MachineText(const TListCell& cell, TCellType type) {
    const QVariant& v = cell.value;
    if (v.isNull()) return {};
    switch (type) {
    case TCellType::Number:
        return IsNumber(v) ? NumberText(v, QLatin1Char('.')) : v.toString();
    case TCellType::Date:
        return v.typeId() == QMetaType::QDate ? SqlDate(v.toDate()) : v.toString();
    case TCellType::DateTime:
        return v.typeId() == QMetaType::QDateTime ? SqlDateTime(v.toDateTime()) : v.toString();
    case TCellType::Time:
        return v.typeId() == QMetaType::QTime ? v.toTime().toString(QStringLiteral("HH:mm:ss"))
                                              : v.toString();
    case TCellType::Text:
        break;
    }
    return v.toString();
}

// A value as people here read it; in a spreadsheet's CSV, numbers keep their
// decimals for sums.
QString PeopleText(const TListCell& cell, TCellType type, bool spreadsheet) {
    const QVariant& v = cell.value;
    if (spreadsheet && type == TCellType::Number && IsNumber(v)) return NumberText(v, QLatin1Char(','));
    if (!cell.shown.isNull()) return cell.shown;
    if (v.isNull()) return {};
    switch (type) {
    case TCellType::Number:
        return IsNumber(v) ? NumberText(v, spreadsheet ? QLatin1Char(',') : QLatin1Char('.')) : v.toString();
    case TCellType::Date:
        return v.typeId() == QMetaType::QDate
                   ? FormatDateTime(QStringLiteral("dd.mm.yyyy"), WallClock(v.toDate()))
                   : v.toString();
    case TCellType::DateTime:
        return v.typeId() == QMetaType::QDateTime
                   ? FormatDateTime(QStringLiteral("dd.mm.yyyy hh:nn:ss"), v.toDateTime())
                   : v.toString();
    case TCellType::Time:
    case TCellType::Text:
        break;
    }
    return MachineText(cell, type);
}

QString CsvRecord(const QStringList& fields, QChar separator) {
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0) line += separator;
        line += CsvField(fields[i], separator);
    }
    // a record of one empty field would read as an empty line, which parsers skip
    if (fields.size() == 1 && fields[0].isEmpty()) line = QStringLiteral("\"\"");
    return line + QLatin1String("\r\n");
}

} // namespace

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

namespace {

QStringList Texts(const TList& list, const TListRow& row, TListFormat format) {
    QStringList cells;
    for (size_t c = 0; c < list.columns.size(); ++c) {
        const TListCell cell = c < row.size() ? row[c] : TListCell();
        const TCellType type = list.columns[c].type;
        cells << (format == TListFormat::Csv ? MachineText(cell, type)
                                             : PeopleText(cell, type, format == TListFormat::SheetCsv));
    }
    return cells;
}

bool WriteAligned(QTextStream& out, const TList& list, const TListRows& rows) {
    QStringList titles;
    for (const TListColumn& c : list.columns)
        titles << c.title;
    std::vector<qsizetype> widths(list.columns.size(), 0);
    auto measure = [&](const QStringList& cells) {
        for (size_t c = 0; c < widths.size(); ++c)
            widths[c] = qMax(widths[c], PrintableText(cells.value(qsizetype(c))).size());
    };
    measure(titles);
    if (!rows([&](const TListRow& row) { measure(Texts(list, row, TListFormat::Text)); })) return false;
    auto write = [&](const QStringList& cells) {
        QString line;
        for (size_t c = 0; c < widths.size(); ++c) {
            const QString text = PrintableText(cells.value(qsizetype(c)));
            if (c > 0) line += QLatin1String("  ");
            line += list.columns[c].type == TCellType::Number ? text.rightJustified(widths[c])
                                                              : text.leftJustified(widths[c]);
        }
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        out << line << '\n';
    };
    for (const QString& line : list.caption)
        out << line << '\n';
    if (!list.caption.isEmpty()) out << '\n';
    write(titles);
    const bool whole = rows([&](const TListRow& row) { write(Texts(list, row, TListFormat::Text)); });
    out.flush();
    return whole;
}

bool WriteCsv(QTextStream& out, TListFormat format, const TList& list, const TListRows& rows) {
    const bool people = format == TListFormat::SheetCsv;
    const QChar separator = people ? QLatin1Char(';') : QLatin1Char(',');
    QStringList header;
    for (const TListColumn& c : list.columns)
        header << (people ? c.title : c.name);
    if (people) {
        for (const QString& line : list.caption)
            out << CsvRecord({line}, separator);
        if (!list.caption.isEmpty()) out << QLatin1String("\r\n");
    }
    out << CsvRecord(header, separator);
    const bool whole =
        rows([&](const TListRow& row) { out << CsvRecord(Texts(list, row, format), separator); });
    out.flush();
    return whole;
}

[[noreturn]] void CannotWrite(const QString& fileName, const QString& reason) {
    throw std::runtime_error(Format(_CMN_FILE_WRITE_ERR, {fileName, reason}).toStdString());
}

bool SaveWorkbook(const QString& fileName, const TList& list, const TListRows& rows) {
    QStringList titles;
    std::vector<TCellType> types;
    for (const TListColumn& c : list.columns) {
        titles << c.title;
        types.push_back(c.type);
    }
    TXlsxWriter writer(fileName, list.caption, titles, types);
    QVariantList cells;
    const bool whole = rows([&](const TListRow& row) {
        cells.clear();
        for (size_t c = 0; c < list.columns.size(); ++c) {
            const TListCell cell = c < row.size() ? row[c] : TListCell();
            // typed cells take the value, texts what people read
            cells << (types[c] == TCellType::Text ? QVariant(PeopleText(cell, TCellType::Text, false))
                                                  : cell.value);
        }
        writer.AddRow(cells);
    });
    if (!whole) return false; // the writer leaves no file behind
    writer.Close();
    return true;
}

} // namespace

QString CsvField(const QString& cell, QChar separator) {
    // A spreadsheet runs a cell that begins like a formula; a number never changes.
    static const QString formula = QStringLiteral("=+-@\t\r");
    bool number = false;
    QString(cell).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&number);
    const QString text =
        !cell.isEmpty() && formula.contains(cell[0]) && !number ? QLatin1Char('\'') + cell : cell;
    bool quote = false;
    for (QChar c : text)
        if (c == separator || c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            quote = true;
            break;
        }
    if (!quote) return text;
    QString out = text;
    out.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

bool WriteList(QTextStream& out, TListFormat format, const TList& list, const TListRows& rows) {
    switch (format) {
    case TListFormat::Text:
        return WriteAligned(out, list, rows);
    case TListFormat::Csv:
    case TListFormat::SheetCsv:
        return WriteCsv(out, format, list, rows);
    case TListFormat::Xlsx:
        break;
    }
    throw std::invalid_argument("WriteList: a workbook goes to a file");
}

bool SaveList(const QString& fileName, TListFormat format, const TList& list, const TListRows& rows) {
    if (format == TListFormat::Xlsx) return SaveWorkbook(fileName, list, rows);
    // written as the rows come, so that a long list is never held whole
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) CannotWrite(fileName, file.errorString());
    QTextStream out(&file);
    out.setEncoding(QStringConverter::Utf8);
    // a spreadsheet reads č and ć right only when the file says it is UTF-8
    out.setGenerateByteOrderMark(format == TListFormat::SheetCsv);
    const bool whole = WriteList(out, format, list, rows);
    if (out.status() != QTextStream::Ok) CannotWrite(fileName, file.errorString());
    if (!whole) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) CannotWrite(fileName, file.errorString());
    return true;
}

// ---------------------------------------------------------------- data sets

std::vector<TListColumn> FieldColumns(const std::vector<const TField*>& fields) {
    std::vector<TListColumn> columns;
    for (const TField* f : fields)
        columns.push_back(
            {f->FieldName(), f->DisplayName(), f->OnGetText ? TCellType::Text : CellTypeOf(f->DataType())});
    return columns;
}

TListCell FieldCell(const TField& field, const QVariant& value) {
    if (value.isNull()) return {};
    switch (field.DataType()) {
    case TFieldType::Boolean:
        return {field.FormatValue(value, false), value.toBool() ? _YES_CAP : _NO_CAP};
    case TFieldType::Float:
    case TFieldType::Date:
    case TFieldType::DateTime:
        // as the field shows it, or people's own form of the value
        return {value, field.DisplayFormat.isEmpty() ? QString() : field.FormatValue(value, true)};
    default:
        return {value};
    }
}

TListRow DataSetRow(const TDataSet& data, int row, const std::vector<const TField*>& fields) {
    TListRow cells;
    cells.reserve(fields.size());
    for (const TField* f : fields) {
        if (f->OnGetText)
            cells.emplace_back(data.RowText(row, f->Index(), false), data.RowText(row, f->Index(), true));
        else
            cells.push_back(FieldCell(*f, data.RowValue(row, f->Index())));
    }
    return cells;
}

std::vector<const TField*> FieldsOf(const TDataSet& data, const QStringList& names) {
    std::vector<const TField*> fields;
    if (names.isEmpty())
        for (const auto& f : data.Fields())
            fields.push_back(f.get());
    for (const QString& name : names)
        fields.push_back(data.FieldByName(name));
    return fields;
}
