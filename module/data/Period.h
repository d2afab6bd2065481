// SPDX-License-Identifier: GPL-3.0-or-later
// A day or a period typed by a user in either date form (yyyy-mm-dd or
// dd.mm.yyyy): one rule and one refusal for the dialogs and the command line.
#pragma once

#include <QDate>
#include <QString>

// Why the text is no date, naming its field (what); empty for a date.
QString DateRefusal(const QString& text, const QString& what);

struct TTypedPeriod {
    QDate from, to;
    QString refusal; // why the texts are no period; empty when they are one
};

// Both texts real dates, the first not after the second.
TTypedPeriod ReadPeriod(const QString& fromText, const QString& toText);
