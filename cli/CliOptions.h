// SPDX-License-Identifier: GPL-3.0-or-later
// Options with a value (--name VALUE or --name=VALUE) and yes/no values, as the
// commands that add and change rows take them.
#pragma once

#include <QHash>
#include <QStringList>
#include <QTextStream>

#include <optional>

struct TCliOptions {
    QHash<QString, QString> values; // by the option's name, "--" included

    bool Has(const QString& name) const { return values.contains(name); }
    QString Value(const QString& name) const { return values.value(name); }
    // Takes the named options out of arguments. False, with the reason on err, when one
    // lacks its value, comes twice, or another argument starts with "--".
    bool Take(QStringList& arguments, const QStringList& names, QTextStream& err);
    // The option's y or n (da, ne); nothing when it is absent. False, with the reason
    // on err, for any other value.
    bool Flag(const QString& name, std::optional<bool>& value, QTextStream& err) const;
};
