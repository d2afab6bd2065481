// SPDX-License-Identifier: GPL-3.0-or-later
// Processing 100,000 raw rows into events, beside one bare multi-row INSERT of
// the same event rows into the same table.
#include "benchmarks/BareInsert.h"
#include "module/device/RawEventProcessing.h"
#include "tests/support/TestDatabase.h"

#include <QElapsedTimer>

#include <cstdio>

int main() {
    constexpr int kRows = 100000;
    constexpr int kTickets = 200;
    TestDatabase db;
    TZConnection& c = db.Connection();
    QStringList cards, tickets;
    for (int i = 1; i <= kTickets; ++i) {
        cards << QStringLiteral("(%1, %1, %2, 'C%1')").arg(i).arg(100000 + i);
        tickets << QStringLiteral("(%1, 1, %1, %2, NULL)")
                       .arg(i)
                       .arg(i % 4 ? QString::number(i) : QStringLiteral("NULL"));
    }
    c.Execute(
        QStringLiteral("INSERT INTO employeecard (employeecardid, employeeid, cardcode, name) VALUES ") +
        cards.join(','));
    c.Execute(QStringLiteral(
                  "INSERT INTO horloaccessticket (horloaccessticketid, horloaccesspointid, employeecardid, "
                  "employeeid, horloguestid) VALUES ") +
              tickets.join(','));
    for (int start = 0; start < kRows; start += 10000) {
        QStringList raw;
        for (int i = start; i < start + 10000; ++i) {
            const bool ticket = i % 2 == 0;
            raw << QStringLiteral("(NULL, NULL, '2024-03-01 08:00:00' + INTERVAL %1 MINUTE, %2, %3, NULL, 1, "
                                  "0, %4, %5, NULL)")
                       .arg(i)
                       .arg(ticket ? 5 : 15)
                       .arg(ticket ? QStringLiteral("NULL") : QString::number(1 + i % kTickets))
                       .arg(ticket ? 1 + i % kTickets : 100000 + i % kTickets)
                       .arg(i + 1);
        }
        c.Execute(QStringLiteral("INSERT INTO employeeeventraw VALUES ") + raw.join(','));
    }

    for (int batch : {500, 1}) {
        c.Execute(QStringLiteral("DELETE FROM employeeevent"));
        c.Execute(QStringLiteral("UPDATE horlomark SET value = 0"));
        TRawEventProcessor processor(c);
        processor.BatchSize = batch;
        QElapsedTimer timer;
        timer.start();
        const TProcessResult r = processor.Run();
        const double seconds = timer.nsecsElapsed() / 1e9;
        std::printf("processing, %3d rows per INSERT: %d raw rows in %.3f s = %.0f rows/s (%d events)\n",
                    batch, r.candidates, seconds, r.candidates / seconds, r.written);
    }

    TimeBareInsert(c, QStringLiteral("employeeevent"), "events");
    return 0;
}
