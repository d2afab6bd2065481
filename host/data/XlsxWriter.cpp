// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/data/XlsxWriter.h"

#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <xlsxwriter.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace {

// A cell holds at most this many characters.
constexpr qsizetype kMaxText = 32767;
// Columns never get wider than this many characters; a longer text shows its beginning.
constexpr int kMaxWidth = 60;

// The value of a cell as its column's type; an invalid variant when it is not.
QVariant Typed(const QVariant& value, TCellType type) {
    const bool text = value.typeId() == QMetaType::QString;
    const QString s = text ? value.toString().trimmed() : QString();
    switch (type) {
    case TCellType::Text:
        return {};
    case TCellType::Number: {
        bool ok = false;
        const double d = text ? s.toDouble(&ok) : value.toDouble(&ok);
        return ok && std::isfinite(d) ? QVariant(d) : QVariant();
    }
    case TCellType::Date: {
        const QDate d = text ? QDate::fromString(s, QStringLiteral("yyyy-MM-dd")) : value.toDate();
        return d.isValid() ? QVariant(d) : QVariant();
    }
    case TCellType::DateTime: {
        QDateTime d =
            text ? QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd HH:mm:ss")) : value.toDateTime();
        if (text && !d.isValid()) d = QDateTime::fromString(s, Qt::ISODate);
        return d.isValid() ? QVariant(d) : QVariant();
    }
    case TCellType::Time: {
        QTime t = value.typeId() == QMetaType::QDateTime ? value.toDateTime().time() : value.toTime();
        if (text)
            t = QTime::fromString(s, s.size() > 5 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
        return t.isValid() ? QVariant(t) : QVariant();
    }
    }
    return {};
}

lxw_datetime ExcelDateTime(const QDate& date, const QTime& time) {
    return {date.year(), date.month(),  date.day(),
            time.hour(), time.minute(), time.second() + time.msec() / 1000.0};
}

} // namespace

struct TXlsxWriter::TState {
    QString fileName, tempName;
    QStringList caption, header;
    std::vector<TCellType> types;
    QByteArray tmpDir; // the library's own scratch files go beside the file, not to a /tmp in memory
    lxw_workbook* workbook = nullptr;
    lxw_worksheet* sheet = nullptr;
    lxw_format *bold = nullptr, *date = nullptr, *dateTime = nullptr, *time = nullptr;
    int sheets = 0;
    lxw_row_t row = 0;       // the next row of the sheet
    std::vector<int> widths; // per column of the sheet, in characters

    [[noreturn]] void Fail(const QString& reason) const {
        throw std::runtime_error(
            Format(_CMN_FILE_WRITE_ERR, {QDir::toNativeSeparators(fileName), reason}).toStdString());
    }
    void Check(lxw_error error) const {
        if (error != LXW_NO_ERROR) Fail(QString::fromUtf8(lxw_strerror(error)));
    }
    lxw_format* NumberFormat(const char* format) {
        lxw_format* f = workbook_add_format(workbook);
        format_set_num_format(f, format);
        return f;
    }
    void Measure(size_t column, qsizetype chars) {
        if (column >= widths.size()) widths.resize(column + 1, 0);
        widths[column] = qMax(widths[column], int(qMin<qsizetype>(chars, kMaxWidth)));
    }
    void FitColumns() {
        for (size_t c = 0; c < widths.size(); ++c)
            Check(worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), widths[c] + 2.0, nullptr));
    }
    void WriteText(size_t column, const QString& text, lxw_format* format) {
        if (text.isEmpty()) return;
        const QString cell = text.left(kMaxText);
        Check(worksheet_write_string(sheet, row, lxw_col_t(column), cell.toUtf8().constData(), format));
        qsizetype longest = 0; // of its lines
        for (const auto& line : QStringView(cell).split(QLatin1Char('\n')))
            longest = qMax(longest, line.size());
        Measure(column, longest + (format == bold ? 1 : 0));
    }
    void NewSheet() {
        if (sheet) FitColumns();
        ++sheets;
        const QByteArray name =
            (sheets == 1 ? QStringLiteral("Lista") : QStringLiteral("Lista %1").arg(sheets)).toUtf8();
        sheet = workbook_add_worksheet(workbook, name.constData());
        if (!sheet) Fail(QStringLiteral("workbook_add_worksheet"));
        widths.assign(size_t(header.size()), 0);
        row = 0;
        // what the list is, over the first sheet; its lines reach across the columns
        if (sheets == 1 && !caption.isEmpty()) {
            for (qsizetype line = 0; line < caption.size(); ++line, ++row)
                Check(worksheet_write_string(sheet, row, 0, caption[line].left(kMaxText).toUtf8().constData(),
                                             line == 0 ? bold : nullptr));
            ++row;
        }
        for (qsizetype c = 0; c < header.size(); ++c)
            WriteText(size_t(c), header[c], bold);
        worksheet_freeze_panes(sheet, row + 1, 0);
        ++row;
    }
};

TXlsxWriter::TXlsxWriter(const QString& fileName, const QStringList& caption, const QStringList& header,
                         const std::vector<TCellType>& types)
    : m_state(std::make_unique<TState>()) {
    TState& s = *m_state;
    s.fileName = fileName;
    s.caption = caption;
    s.header = header;
    s.types = types;
    const QFileInfo target(fileName);
    s.tmpDir = QFile::encodeName(target.absolutePath());
    // a name of our own in the same folder, so that the finished file takes the
    // place of the old one in one step; a few tries against names taken meanwhile
    QFile temp;
    for (int attempt = 0; attempt < 10 && !temp.isOpen(); ++attempt) {
        temp.setFileName(target.absoluteDir().filePath(
            QStringLiteral(".%1.%2.tmp")
                .arg(target.fileName())
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))));
        if (temp.open(QIODevice::WriteOnly | QIODevice::NewOnly)) break;
    }
    if (!temp.isOpen()) s.Fail(temp.errorString());
    temp.close();
    s.tempName = temp.fileName();

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE; // each row goes to disk once the next begins
    options.tmpdir = s.tmpDir.data();
    const QByteArray tempPath = QFile::encodeName(s.tempName);
    s.workbook = workbook_new_opt(tempPath.constData(), &options);
    if (!s.workbook) {
        QFile::remove(s.tempName);
        s.Fail(QStringLiteral("workbook_new"));
    }
    s.bold = workbook_add_format(s.workbook);
    format_set_bold(s.bold);
    s.date = s.NumberFormat("dd.mm.yyyy");
    s.dateTime = s.NumberFormat("dd.mm.yyyy hh:mm:ss");
    s.time = s.NumberFormat("hh:mm:ss");
    try {
        s.NewSheet();
    } catch (...) {
        lxw_workbook_free(s.workbook);
        QFile::remove(s.tempName);
        throw;
    }
}

TXlsxWriter::~TXlsxWriter() {
    if (m_state->workbook) {
        lxw_workbook_free(m_state->workbook);
        QFile::remove(m_state->tempName);
    }
}

void TXlsxWriter::AddRow(const QVariantList& cells) {
    TState& s = *m_state;
    if (s.row >= LXW_ROW_MAX) s.NewSheet();
    for (qsizetype c = 0; c < cells.size(); ++c) {
        const QVariant& value = cells[c];
        if (value.isNull()) continue;
        const size_t column = size_t(c);
        const TCellType type = column < s.types.size() ? s.types[column] : TCellType::Text;
        const QVariant typed = Typed(value, type);
        const lxw_col_t col = lxw_col_t(c);
        if (!typed.isValid()) {
            s.WriteText(column, value.toString(), nullptr);
        } else if (type == TCellType::Number) {
            const double d = typed.toDouble();
            s.Check(worksheet_write_number(s.sheet, s.row, col, d, nullptr));
            s.Measure(column, QString::number(d, 'g', 11).size());
        } else if (type == TCellType::Time) {
            s.Check(worksheet_write_number(s.sheet, s.row, col,
                                           typed.toTime().msecsSinceStartOfDay() / 86400000.0, s.time));
            s.Measure(column, 8);
        } else {
            const bool date = type == TCellType::Date;
            const QDateTime at = date ? typed.toDate().startOfDay(Qt::UTC) : typed.toDateTime();
            // a spreadsheet counts its dates from 1900
            if (at.date().year() < 1900) {
                s.WriteText(column,
                            FormatDateTime(date ? QStringLiteral("dd.mm.yyyy")
                                                : QStringLiteral("dd.mm.yyyy hh:nn:ss"),
                                           at),
                            nullptr);
                continue;
            }
            lxw_datetime excel = ExcelDateTime(at.date(), date ? QTime(0, 0) : at.time());
            s.Check(worksheet_write_datetime(s.sheet, s.row, col, &excel, date ? s.date : s.dateTime));
            s.Measure(column, date ? 10 : 19);
        }
    }
    ++s.row;
}

void TXlsxWriter::Close() {
    TState& s = *m_state;
    s.FitColumns();
    lxw_workbook* workbook = std::exchange(s.workbook, nullptr); // freed by the close, also when it fails
    const lxw_error error = workbook_close(workbook);
    if (error != LXW_NO_ERROR) {
        QFile::remove(s.tempName);
        s.Check(error);
    }
    // the new file keeps the permissions of the one it replaces
    if (QFile::exists(s.fileName)) QFile::setPermissions(s.tempName, QFile::permissions(s.fileName));
    if (std::rename(QFile::encodeName(s.tempName).constData(), QFile::encodeName(s.fileName).constData()) !=
        0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(s.tempName);
        s.Fail(reason);
    }
}
