#include "cli/ListOutput.h"

#include "cli/HorloCli.h"

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
