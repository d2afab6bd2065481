// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ListOutput.h"

#include "cli/HorloCli.h"
#include "host/data/XlsxWriter.h"

#include <QDir>

#include <stdexcept>

bool TListOutput::Take(QStringList& arguments, QTextStream& err) {
    QStringList rest;
    auto choose = [&](TKind chosen) {
        if (kind != TKind::Text && kind != chosen) {
            err << "horlo: --csv i --xlsx ne mogu zajedno\n";
            return false;
        }
        kind = chosen;
        return true;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--csv")) {
            if (!choose(TKind::Csv)) return false;
        } else if (a == QLatin1String("--xlsx") || a.startsWith(QLatin1String("--xlsx="))) {
            if (!choose(TKind::Xlsx)) return false;
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

int TListOutput::Write(TCliIO& io, const TTextTable& header, const TRowSource& rows) const {
    if (kind != TKind::Xlsx) {
        WriteCsv(io.out, header.header, rows);
        return kExitOk;
    }
    try {
        SaveXlsx(file, header.header, header.types, rows);
    } catch (const std::runtime_error& e) {
        io.err << "horlo: " << QString::fromStdString(e.what()) << '\n';
        return kExitFailed;
    }
    io.out << "Sačuvano u " << QDir::toNativeSeparators(file) << '\n';
    return kExitOk;
}

int TListOutput::Write(TCliIO& io, const TTextTable& table) const {
    return Write(io, table, RowsOf(table));
}
