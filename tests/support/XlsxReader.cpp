// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/XlsxReader.h"

#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <unzip.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace {

using TZip = std::unique_ptr<void, int (*)(unzFile)>;

// A member of the archive; empty when it has none of that name.
QByteArray Member(unzFile zip, const char* name) {
    QByteArray data;
    if (unzLocateFile(zip, name, 0) != UNZ_OK) return data;
    if (unzOpenCurrentFile(zip) != UNZ_OK) throw std::runtime_error(std::string("cannot open ") + name);
    char buffer[65536];
    int n = 0;
    while ((n = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0)
        data.append(buffer, n);
    unzCloseCurrentFile(zip);
    if (n < 0) throw std::runtime_error(std::string("cannot read ") + name);
    return data;
}

// The text of an element holding <t> pieces (a shared or inline string).
QString StringItem(QXmlStreamReader& xml) {
    QString text;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement && xml.name() == QLatin1String("t"))
            text += xml.readElementText(); // reads past its end
        else if (token == QXmlStreamReader::StartElement)
            ++depth;
        else if (token == QXmlStreamReader::EndElement)
            --depth;
    }
    // characters XML cannot hold are written _xHHHH_
    static const QRegularExpression escaped(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString plain;
    qsizetype from = 0;
    for (auto it = escaped.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        plain += text.mid(from, m.capturedStart() - from) + QChar(m.captured(1).toUShort(nullptr, 16));
        from = m.capturedEnd();
    }
    return plain + text.mid(from);
}

QString BuiltinFormat(int id) {
    if (id == 14) return QStringLiteral("mm-dd-yy");
    if (id == 22) return QStringLiteral("m/d/yy h:mm");
    if (id >= 18 && id <= 21) return QStringLiteral("h:mm:ss");
    return QStringLiteral("General");
}

} // namespace

TXlsxCell TXlsxSheet::At(int row, int column) const {
    const auto it = cells.find({row, column});
    return it == cells.end() ? TXlsxCell{true, {}, {}, false} : it->second;
}

QStringList TXlsxSheet::Row(int row) const {
    QStringList values;
    for (const auto& [at, cell] : cells)
        if (at.first == row) {
            while (values.size() < at.second)
                values << QString();
            values << cell.value;
        }
    return values;
}

bool IsDateFormat(const QString& format) {
    QString bare;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted)
            bare += c.toLower();
    }
    return bare.contains(QLatin1Char('d')) && bare.contains(QLatin1Char('m')) &&
           bare.contains(QLatin1Char('y'));
}

double ExcelDay(int year, int month, int day) {
    return double(QDate(1899, 12, 30).daysTo(QDate(year, month, day)));
}

TXlsxSheet ReadXlsx(const QString& fileName, int sheetIndex) {
    TZip zip(unzOpen64(QFile::encodeName(fileName).constData()), unzClose);
    if (!zip) throw std::runtime_error("not a zip archive: " + fileName.toStdString());
    TXlsxSheet sheet;

    std::vector<QString> shared;
    QXmlStreamReader strings(Member(zip.get(), "xl/sharedStrings.xml"));
    while (!strings.atEnd())
        if (strings.readNext() == QXmlStreamReader::StartElement && strings.name() == QLatin1String("si"))
            shared.push_back(StringItem(strings));

    // styles: cellXfs index -> number format and boldness
    std::map<int, QString> formats;
    std::vector<int> fontBold;
    std::vector<std::pair<QString, bool>> styles;
    QXmlStreamReader xml(Member(zip.get(), "xl/styles.xml"));
    bool inFonts = false, inCellXfs = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        const QStringView name = xml.name();
        if (token == QXmlStreamReader::StartElement) {
            if (name == QLatin1String("numFmt"))
                formats[xml.attributes().value(QLatin1String("numFmtId")).toInt()] =
                    xml.attributes().value(QLatin1String("formatCode")).toString();
            else if (name == QLatin1String("fonts"))
                inFonts = true;
            else if (name == QLatin1String("font") && inFonts)
                fontBold.push_back(0);
            else if (name == QLatin1String("b") && inFonts && !fontBold.empty())
                fontBold.back() = 1;
            else if (name == QLatin1String("cellXfs"))
                inCellXfs = true;
            else if (name == QLatin1String("xf") && inCellXfs) {
                const int id = xml.attributes().value(QLatin1String("numFmtId")).toInt();
                const size_t font = xml.attributes().value(QLatin1String("fontId")).toUInt();
                styles.emplace_back(formats.count(id) ? formats[id] : BuiltinFormat(id),
                                    font < fontBold.size() && fontBold[font]);
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (name == QLatin1String("fonts")) inFonts = false;
            if (name == QLatin1String("cellXfs")) inCellXfs = false;
        }
    }

    const QByteArray path = QStringLiteral("xl/worksheets/sheet%1.xml").arg(sheetIndex + 1).toUtf8();
    const QByteArray data = Member(zip.get(), path.constData());
    if (data.isEmpty()) throw std::runtime_error("no sheet " + path.toStdString());
    QXmlStreamReader ws(data);
    while (!ws.atEnd()) {
        if (ws.readNext() != QXmlStreamReader::StartElement) continue;
        const QXmlStreamAttributes a = ws.attributes();
        if (ws.name() == QLatin1String("pane") &&
            a.value(QLatin1String("state")) == QLatin1String("frozen")) {
            sheet.frozenRows = a.value(QLatin1String("ySplit")).toInt();
        } else if (ws.name() == QLatin1String("c")) {
            const QString ref = a.value(QLatin1String("r")).toString();
            int column = 0, i = 0;
            for (; i < ref.size() && ref[i].isLetter(); ++i)
                column = column * 26 + (ref[i].unicode() - 'A' + 1);
            const int row = ref.mid(i).toInt() - 1;
            const QString type = a.value(QLatin1String("t")).toString();
            const size_t style = a.value(QLatin1String("s")).toUInt();
            TXlsxCell cell;
            cell.text = type == QLatin1String("s") || type == QLatin1String("inlineStr") ||
                        type == QLatin1String("str");
            cell.format = style < styles.size() ? styles[style].first : QStringLiteral("General");
            cell.bold = style < styles.size() && styles[style].second;
            while (ws.readNextStartElement()) {
                if (ws.name() == QLatin1String("v")) {
                    const QString v = ws.readElementText();
                    cell.value = type == QLatin1String("s") ? shared.at(v.toULongLong()) : v;
                } else if (ws.name() == QLatin1String("is")) {
                    cell.value = StringItem(ws);
                } else {
                    ws.skipCurrentElement();
                }
            }
            sheet.cells[{row, column - 1}] = cell;
            sheet.rows = qMax(sheet.rows, row + 1);
        }
    }
    if (ws.hasError()) throw std::runtime_error("bad sheet XML: " + ws.errorString().toStdString());
    return sheet;
}
