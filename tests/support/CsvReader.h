// SPDX-License-Identifier: GPL-3.0-or-later
// A strict RFC 4180 reader for checking what the programs write: records end
// in CR LF, fields are separated by commas, a quoted field may hold commas,
// CR LF and doubled quotes. Throws std::runtime_error on malformed input.
#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

inline std::vector<QStringList> ReadCsv(const QString& text) {
    std::vector<QStringList> records;
    QStringList record;
    QString field;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        if (text[i] == QLatin1Char('"')) {
            for (++i;; ++i) {
                if (i >= n) throw std::runtime_error("unclosed quote");
                if (text[i] != QLatin1Char('"')) {
                    field += text[i];
                } else if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                    field += QLatin1Char('"');
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
        } else {
            while (i < n && text[i] != QLatin1Char(',') && text[i] != QLatin1Char('\r')) {
                if (text[i] == QLatin1Char('"') || text[i] == QLatin1Char('\n'))
                    throw std::runtime_error("quote or bare line feed in an unquoted field");
                field += text[i++];
            }
        }
        if (i < n && text[i] == QLatin1Char(',')) {
            record << field;
            field.clear();
            ++i;
        } else if (i + 1 < n && text[i] == QLatin1Char('\r') && text[i + 1] == QLatin1Char('\n')) {
            record << field;
            records.push_back(record);
            record.clear();
            field.clear();
            i += 2;
        } else {
            throw std::runtime_error("a record must end in CR LF");
        }
    }
    return records;
}
