// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/data/Period.h"

#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"

QString DateRefusal(const QString& text, const QString& what) {
    return TypedDate(text).isValid() ? QString() : Format(_SEARCH_DATE_WRN, {text, what});
}

TTypedPeriod ReadPeriod(const QString& fromText, const QString& toText) {
    TTypedPeriod period{TypedDate(fromText), TypedDate(toText), {}};
    period.refusal = DateRefusal(fromText, QString::fromUtf8(_HORLO_DATE_FROM));
    if (period.refusal.isEmpty()) period.refusal = DateRefusal(toText, QString::fromUtf8(_HORLO_DATE_TO));
    if (period.refusal.isEmpty() && period.from > period.to)
        period.refusal = Format(_PERIOD_REVERSED_FMT, {fromText, toText});
    return period;
}
