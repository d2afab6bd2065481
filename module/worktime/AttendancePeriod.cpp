// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/worktime/AttendancePeriod.h"

#include "host/data/SysUtils.h"

#include <optional>

namespace {

// Dates in order as runs of following days: "01.03.2024–05.03.2024, 08.03.2024".
QString DateRuns(const std::vector<QDate>& dates, const QString& format) {
    QStringList runs;
    for (size_t i = 0; i < dates.size();) {
        size_t last = i;
        while (last + 1 < dates.size() && dates[last].addDays(1) == dates[last + 1])
            ++last;
        runs << (last == i ? dates[i].toString(format)
                           : dates[i].toString(format) + QChar(0x2013) + dates[last].toString(format));
        i = last + 1;
    }
    return runs.join(QStringLiteral(", "));
}

} // namespace

TPeriodResult StorePeriod(TAttendanceDay& day, const QDate& from, const QDate& to,
                          const TPeriodProgress& progress) {
    TPeriodResult result;
    // the calendar is read a month at a time, however long the period
    std::optional<TMonthCalendar> calendar;
    qint64 done = 0;
    for (QDate date = from; date <= to; date = date.addDays(1)) {
        try {
            if (!calendar || date.day() == 1) calendar.emplace(day.Connection(), date.year(), date.month());
            const TCalendarDay d = calendar->Day(date);
            if (!d.fromCalendar) {
                const QDate month(date.year(), date.month(), 1);
                if (result.monthsWithoutCalendar.empty() || result.monthsWithoutCalendar.back() != month)
                    result.monthsWithoutCalendar.push_back(month);
            }
            if (!d.workDay) {
                ++result.nonWorkDays;
            } else if (const int rows = day.StoreDay(date); rows < 0) {
                result.existing.push_back(date);
            } else {
                result.added.push_back(date);
                result.addedRows += rows;
            }
        } catch (const EDatabaseError& e) {
            result.stoppedAt = date;
            result.failure = e.Message();
            return result;
        } catch (const EConvertError& e) {
            result.stoppedAt = date;
            result.failure = e.Message();
            return result;
        }
        ++done;
        if (progress && !progress(done) && date < to) {
            result.stoppedAt = date.addDays(1);
            return result;
        }
    }
    return result;
}

QStringList PeriodSummary(const TPeriodResult& result, const QString& dateFormat,
                          const QString& monthFormat) {
    auto listed = [&](const QString& line, const std::vector<QDate>& dates) {
        return dates.empty()
                   ? line + QLatin1Char('.')
                   : line + QStringLiteral(" (") + DateRuns(dates, dateFormat) + QStringLiteral(").");
    };
    QStringList lines;
    lines << listed(QStringLiteral("Dodato dana: %1, redova prisustva: %2")
                        .arg(result.added.size())
                        .arg(result.addedRows),
                    result.added);
    lines << listed(
        QStringLiteral("Preskočeno dana koji već imaju evidenciju: %1").arg(result.existing.size()),
        result.existing);
    lines << QStringLiteral("Neradnih dana: %1.").arg(result.nonWorkDays);
    if (!result.monthsWithoutCalendar.empty()) {
        QStringList months;
        for (const QDate& m : result.monthsWithoutCalendar)
            months << m.toString(monthFormat);
        lines << QStringLiteral("Meseci bez radnog kalendara (radni dani su ponedeljak–petak): %1.")
                     .arg(months.join(QStringLiteral(", ")));
    }
    if (!result.Complete()) {
        const QString at = result.stoppedAt.toString(dateFormat);
        // the server's words end a sentence of their own
        QString failure = result.failure;
        if (!failure.isEmpty() && !failure.endsWith(QLatin1Char('.')) && !failure.endsWith(QLatin1Char('!')))
            failure += QLatin1Char('.');
        lines << (result.failure.isEmpty()
                      ? QStringLiteral("Otkazano: od %1 nadalje ništa nije upisano.").arg(at)
                      : QStringLiteral("Upis je stao kod %1: %2 Dani posle njega nisu ni pokušani.")
                            .arg(at, failure));
    }
    return lines;
}
