// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliOptions.h"

bool TCliOptions::Take(QStringList& arguments, const QStringList& names, QTextStream& err) {
    QStringList rest;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        const QString name = a.section(QLatin1Char('='), 0, 0);
        if (!a.startsWith(QLatin1String("--"))) {
            rest << a;
            continue;
        }
        if (!names.contains(name)) {
            err << "horlo: nepoznat argument \"" << a << "\"\n";
            return false;
        }
        if (values.contains(name)) {
            err << "horlo: " << name << " je zadato dvaput\n";
            return false;
        }
        if (a.contains(QLatin1Char('='))) {
            values.insert(name, a.section(QLatin1Char('='), 1));
        } else if (i + 1 < arguments.size()) {
            values.insert(name, arguments[++i]);
        } else {
            err << "horlo: " << name << " traži vrednost\n";
            return false;
        }
    }
    arguments = rest;
    return true;
}

bool TCliOptions::Flag(const QString& name, std::optional<bool>& value, QTextStream& err) const {
    if (!Has(name)) return true;
    const QString text = Value(name).trimmed().toLower();
    if (text == QLatin1String("y") || text == QLatin1String("da")) {
        value = true;
    } else if (text == QLatin1String("n") || text == QLatin1String("ne")) {
        value = false;
    } else {
        err << "horlo: " << name << " traži y ili n, a ne \"" << Value(name) << "\"\n";
        return false;
    }
    return true;
}
