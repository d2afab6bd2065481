// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ListOutput.h"

#include "cli/HorloCli.h"
#include "host/data/Employees.h"
#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/data/Period.h"

#include <QDir>

#include <stdexcept>

bool TListOutput::Take(QStringList& arguments, QTextStream& err) {
    QStringList rest;
    auto choose = [&](TListFormat chosen) {
        if (format != TListFormat::Text && format != chosen) {
            err << "horlo: --csv i --xlsx ne mogu zajedno\n";
            return false;
        }
        format = chosen;
        return true;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--csv")) {
            if (!choose(TListFormat::Csv)) return false;
        } else if (a == QLatin1String("--xlsx") || a.startsWith(QLatin1String("--xlsx="))) {
            if (!choose(TListFormat::Xlsx)) return false;
            file = a.size() > 6 ? a.mid(7) : i + 1 < arguments.size() ? arguments[++i] : QString();
            if (file.isEmpty()) {
                err << "horlo: --xlsx traži ime datoteke\n";
                return false;
            }
        } else {
            rest << a;
        }
    }
    arguments = rest;
    return true;
}

int TListOutput::WriteTotalled(TCliIO& io, const TList& list, const TListRows& rows) const {
    qint64 count = 0;
    const int status = Write(io, list, [&](const TListSink& sink) {
        count = 0; // aligned text reads the rows twice
        return rows([&](const TListRow& row) {
            ++count;
            sink(row);
        });
    });
    if (format == TListFormat::Text) {
        io.out << "Ukupno: " << count << '\n';
        io.out.flush();
    }
    return status;
}

int TListOutput::Write(TCliIO& io, const TList& list, const TListRows& rows) const {
    if (format != TListFormat::Xlsx) {
        WriteList(io.out, format, list, rows);
        return kExitOk;
    }
    try {
        SaveList(file, format, list, rows);
    } catch (const std::runtime_error& e) {
        io.err << "horlo: " << QString::fromStdString(e.what()) << '\n';
        return kExitFailed;
    }
    io.out << "Sačuvano u " << QDir::toNativeSeparators(file) << '\n';
    return kExitOk;
}

bool TListPeriod::Take(const QStringList& arguments, const QString& command, bool optional,
                       QTextStream& err) {
    QStringList dates;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--code") && i + 1 < arguments.size()) {
            code = arguments[++i];
        } else if (a.startsWith(QLatin1String("--code="))) {
            code = a.mid(7);
        } else if (!a.startsWith(QLatin1Char('-')) && dates.size() < 2) {
            dates << a;
        } else {
            err << "horlo: nepoznat argument \"" << a << "\"\n";
            return false;
        }
    }
    if (dates.isEmpty() && optional) return true;
    if (dates.size() < 2) {
        err << "horlo: " << command << " traži period: OD DO (gggg-mm-dd ili dd.mm.gggg)\n";
        return false;
    }
    fromText = dates[0].trimmed();
    toText = dates[1].trimmed();
    const TTypedPeriod period = ReadPeriod(fromText, toText);
    if (!period.refusal.isEmpty()) {
        err << "horlo: " << period.refusal << '\n';
        return false;
    }
    from = period.from;
    to = period.to;
    return true;
}

QStringList TListPeriod::Caption(const QString& title) const {
    QStringList lines{title};
    if (from.isValid()) {
        const auto shown = [](const QDate& date) {
            return FormatDateTime(QStringLiteral("dd.mm.yyyy"), WallClock(date));
        };
        lines << Format(_PRINT_HEADER_FMT, {shown(from), shown(to)}).split(QStringLiteral("\r\n"));
    }
    if (!code.isEmpty()) lines << QStringLiteral("Kod zaposlenog: ") + code;
    return lines;
}

bool KnownEmployeeCode(TZConnection& connection, TCliIO& io, const QString& code) {
    if (code.isEmpty() || EmployeeByCode(connection, code)) return true;
    io.err << "horlo: nema zaposlenog sa kodom \"" << code << "\"\n";
    return false;
}
