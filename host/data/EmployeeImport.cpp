// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/data/EmployeeImport.h"

#include "host/data/SysUtils.h"

#include <QHash>
#include <QStringDecoder>

#include <algorithm>

namespace {

enum TColumn { kCode, kFirstName, kLastName, kPersonalId, kVocation, kFrom, kTo, kColumnCount };
constexpr const char* kColumnNames[kColumnCount] = {
    "code", "firstname", "lastname", "personalidentificator", "vocation", "workingfromdate", "workingtodate"};

struct TRecord {
    int line = 0;
    QStringList fields;
};

// The separator that the header line uses most outside quotes: a semicolon or a comma.
QChar Separator(const QString& text) {
    int commas = 0, semicolons = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"')) quoted = !quoted;
        if (quoted) continue;
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) break;
        commas += c == QLatin1Char(',');
        semicolons += c == QLatin1Char(';');
    }
    return semicolons > commas ? QLatin1Char(';') : QLatin1Char(',');
}

// RFC 4180 as spreadsheets write it: quoted fields with doubled quotes and line
// breaks, lines ending in CR LF, LF or CR. Records of blank fields only are left out.
bool ParseRecords(const QString& text, QChar separator, std::vector<TRecord>& records, int& badLine) {
    TRecord record{1, {}};
    QString field;
    int line = 1;
    bool quoted = false;
    const auto endRecord = [&] {
        record.fields << field;
        field.clear();
        if (std::any_of(record.fields.cbegin(), record.fields.cend(),
                        [](const QString& f) { return !f.trimmed().isEmpty(); }))
            records.push_back(record);
        record = {line, {}};
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool lineEnd = c == QLatin1Char('\n') || c == QLatin1Char('\r');
        if (lineEnd && !(c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')))
            ++line;
        if (quoted) {
            if (c != QLatin1Char('"')) {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                field += c;
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == QLatin1Char('"') && field.trimmed().isEmpty()) {
            quoted = true;
            field.clear(); // blanks before an opening quote are not the field's
        } else if (c == separator) {
            record.fields << field;
            field.clear();
        } else if (lineEnd) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) continue;
            endRecord();
        } else {
            field += c; // a quote inside a field is the field's
        }
    }
    if (quoted) {
        badLine = record.line;
        return false;
    }
    endRecord();
    return true;
}

struct TParsedRow {
    int line = 0;
    QString values[kColumnCount];
    QString error; // of the row itself
};

// What the row makes of the employee stored under its code (none: a new one).
TEmployeeImportRow PlanRow(const TParsedRow& parsed, const bool (&present)[kColumnCount],
                           const std::optional<TEmployee>& stored, const TEmployeeSizes& sizes) {
    TEmployeeImportRow row;
    row.line = parsed.line;
    row.stored = stored;
    TEmployee e = stored.value_or(TEmployee{});
    QString* texts[] = {&e.code, &e.firstName, &e.lastName, &e.personalId, &e.vocation};
    for (int c = kCode; c <= kVocation; ++c)
        if (present[c]) *texts[c] = parsed.values[c];
    for (const auto& [column, date] : {std::pair{kFrom, &e.from}, std::pair{kTo, &e.to}}) {
        if (!present[column]) continue;
        const QString text = parsed.values[column].trimmed();
        *date = text.isEmpty() ? QDate() : TypedDate(text);
        if (!text.isEmpty() && !date->isValid() && row.error.isEmpty())
            row.error = Format(QStringLiteral("%s \"%s\" nije datum (gggg-mm-dd ili dd.mm.gggg)."),
                               {QLatin1String(kColumnNames[column]), text});
    }
    row.employee = Normalized(e);
    if (row.error.isEmpty()) row.error = parsed.error;
    if (row.error.isEmpty()) row.error = EmployeeRefusal(row.employee, sizes);
    if (!row.error.isEmpty()) return row;
    if (stored) row.changes = EmployeeChanges(*stored, row.employee);
    row.action = !stored                 ? TEmployeeImportRow::TAction::Add
                 : row.changes.isEmpty() ? TEmployeeImportRow::TAction::Same
                                         : TEmployeeImportRow::TAction::Change;
    // what is written is worth a look; what stays as it was has been looked at
    if (row.action != TEmployeeImportRow::TAction::Same) row.warnings = EmployeeWarnings(row.employee);
    return row;
}

// Codes compare as the key compares them, letter case aside.
QString CodeKey(const QString& code) {
    return code.trimmed().toCaseFolded();
}

} // namespace

int TEmployeeImport::Count(TEmployeeImportRow::TAction action) const {
    return int(std::count_if(rows.cbegin(), rows.cend(),
                             [action](const TEmployeeImportRow& r) { return r.action == action; }));
}

TEmployeeImport ImportEmployees(TZConnection& connection, const QByteArray& content, bool apply) {
    TEmployeeImport result;
    QStringDecoder utf8(QStringDecoder::Utf8); // a byte order mark at the start is dropped
    const QString text = utf8.decode(content);
    if (utf8.hasError()) {
        result.error =
            QStringLiteral("Datoteka nije u kodu UTF-8; sačuvajte je iz tabele kao \"CSV UTF-8\".");
        return result;
    }
    std::vector<TRecord> records;
    int badLine = 0;
    if (!ParseRecords(text, Separator(text), records, badLine)) {
        result.error = Format(QStringLiteral("Navodnik otvoren u redu %d nije zatvoren."), {badLine});
        return result;
    }
    if (records.empty()) {
        result.error = QStringLiteral("Datoteka je prazna.");
        return result;
    }

    int columnAt[kColumnCount];
    std::fill(std::begin(columnAt), std::end(columnAt), -1);
    const QStringList& header = records.front().fields;
    for (qsizetype i = 0; i < header.size(); ++i) {
        const QString name = header[i].trimmed().toLower();
        const auto known = std::find_if(std::begin(kColumnNames), std::end(kColumnNames),
                                        [&](const char* n) { return name == QLatin1String(n); });
        if (known == std::end(kColumnNames)) {
            if (!name.isEmpty()) result.ignoredColumns << header[i].trimmed();
            continue;
        }
        int& at = columnAt[known - std::begin(kColumnNames)];
        if (at >= 0) {
            result.error = Format(QStringLiteral("Kolona \"%s\" se u zaglavlju ponavlja."), {name});
            return result;
        }
        at = int(i);
    }
    for (const TColumn required : {kCode, kFirstName, kLastName})
        if (columnAt[required] < 0) {
            result.error =
                Format(QStringLiteral("Zaglavlje (prvi red) nema kolonu \"%s\"; kolone su: %s."),
                       {QLatin1String(kColumnNames[required]),
                        QStringLiteral("code, firstname, lastname, personalidentificator, vocation, "
                                       "workingfromdate, workingtodate")});
            return result;
        }
    bool present[kColumnCount];
    for (int c = 0; c < kColumnCount; ++c)
        present[c] = columnAt[c] >= 0;

    std::vector<TParsedRow> parsed;
    QHash<QString, int> firstLineOfCode;
    for (std::size_t r = 1; r < records.size(); ++r) {
        TParsedRow row;
        row.line = records[r].line;
        for (int c = 0; c < kColumnCount; ++c)
            if (present[c]) row.values[c] = records[r].fields.value(columnAt[c]);
        if (records[r].fields.size() > header.size())
            row.error = Format(QStringLiteral("Red ima %d polja, a zaglavlje %d."),
                               {int(records[r].fields.size()), int(header.size())});
        const QString key = CodeKey(row.values[kCode]);
        if (!key.isEmpty() && row.error.isEmpty()) {
            if (const auto seen = firstLineOfCode.constFind(key); seen != firstLineOfCode.cend())
                row.error = Format(QStringLiteral("Šifra \"%s\" je već u redu %d."),
                                   {row.values[kCode].trimmed(), *seen});
            else
                firstLineOfCode.insert(key, row.line);
        }
        parsed.push_back(std::move(row));
    }

    const TEmployeeSizes sizes = EmployeeSizes(connection);
    const auto plan = [&](bool forUpdate) {
        QStringList codes;
        for (const TParsedRow& p : parsed)
            codes << p.values[kCode].trimmed();
        QHash<QString, TEmployee> stored;
        for (TEmployee& e : EmployeesWithCodes(connection, codes, forUpdate))
            stored.insert(CodeKey(e.code), std::move(e));
        std::vector<TEmployeeImportRow> rows;
        for (const TParsedRow& p : parsed) {
            const auto found = stored.constFind(CodeKey(p.values[kCode]));
            rows.push_back(PlanRow(
                p, present, found == stored.cend() ? std::nullopt : std::optional<TEmployee>(*found), sizes));
        }
        return rows;
    };
    result.rows = plan(false);
    if (!apply || result.Count(TEmployeeImportRow::TAction::Refused) > 0) return result;

    QString writing; // the code being written, to name it when the database refuses it
    try {
        result.rows = RunInTransaction(connection, [&] {
            std::vector<TEmployeeImportRow> rows = plan(true);
            for (TEmployeeImportRow& row : rows) {
                if (row.action != TEmployeeImportRow::TAction::Add &&
                    row.action != TEmployeeImportRow::TAction::Change)
                    continue;
                writing = row.employee.code;
                WriteEmployee(connection, row.employee, row.stored ? &*row.stored : nullptr);
            }
            return rows;
        });
        result.applied = true;
    } catch (const EDatabaseError& error) {
        if (error.DuplicateKey() != QLatin1String("employee_code")) throw;
        result.error = CodeInUseError(connection, writing) + QStringLiteral(" Ništa nije upisano.");
    }
    return result;
}
