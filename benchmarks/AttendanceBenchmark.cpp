// SPDX-License-Identifier: GPL-3.0-or-later
// "Dodaj dan" for 1,000 eligible employees with 4 events each, beside one
// indexed range scan of that day's events; storing the same day at once as
// `horlo attendance add` does; and the sheet of 1,000 employees x 22 work days
// opened and summed per employee.
#include "host/data/SysUtils.h"
#include "module/data/HorloDMUnit.h"
#include "module/worktime/AttendanceSheet.h"
#include "tests/support/TestDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

constexpr int kEmployees = 1000;
const QDate kDay(2024, 3, 5);

double Seconds(const QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e9;
}

// The work days of March 2024 up to 22 of them.
QList<QDate> WorkDays() {
    QList<QDate> days;
    for (QDate d(2024, 3, 1); days.size() < 22; d = d.addDays(1))
        if (d.dayOfWeek() < Qt::Saturday) days << d;
    return days;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TestDatabase db;
    TZConnection& c = db.Connection();

    QStringList employees;
    for (int e = 1; e <= kEmployees; ++e)
        employees << QStringLiteral("(%1, 'Ime%1', 'Prezime%1', '%2', 'J%1', 'Posao', '2015-03-01', 'y', "
                                    "'2015-03-01', NULL, 1)")
                         .arg(e)
                         .arg(e, 5, 10, QLatin1Char('0'));
    c.Execute(
        QStringLiteral("INSERT INTO employee (employeeid, firstname, lastname, code, personalidentificator, "
                       "vocation, startworkingdate, active, workingfromdate, workingtodate, workingstateid) "
                       "VALUES ") +
        employees.join(QLatin1Char(',')));
    // four events an employee on each of the 22 work days, so that the day is a slice of a month
    const QList<QDate> days = WorkDays();
    int event = 0;
    for (const QDate& day : days) {
        QStringList rows;
        for (int e = 1; e <= kEmployees; ++e) {
            const QString d = SqlDate(day);
            const int jitter = e % 30;
            const QString times[] = {QStringLiteral("08:%1:00").arg(30 + jitter), QStringLiteral("12:00:00"),
                                     QStringLiteral("12:30:00"),
                                     QStringLiteral("17:%1:00").arg(jitter + 5, 2, 10, QLatin1Char('0'))};
            for (int k = 0; k < 4; ++k) {
                ++event;
                rows << QStringLiteral("(%1, NULL, '%2 %3', %4, %5, NULL, 1, NULL, NULL, %1, NULL, NULL)")
                            .arg(event)
                            .arg(d, times[k])
                            .arg(k % 2 == 0 ? 5 : 10)
                            .arg(e);
            }
        }
        c.Execute(QStringLiteral("INSERT INTO employeeevent VALUES ") + rows.join(QLatin1Char(',')));
    }
    c.Execute(QStringLiteral("ANALYZE TABLE employeeevent"));
    std::printf("data: %d employees, %d events over %d work days\n", kEmployees, event, int(days.size()));

    const QString scan = QStringLiteral(
        "SELECT employeeid, employeeeventtypeid, eventtime FROM employeeevent WHERE eventtime >= '2024-03-05 "
        "00:00:00' AND eventtime <= '2024-03-05 23:59:59' AND employeeid IS NOT NULL ORDER BY eventtime, "
        "employeeeventid");
    const TResultSet plan = c.Select(QStringLiteral("EXPLAIN ") + scan);
    std::printf("the day's events are read with the index \"%s\" (%s)\n",
                qPrintable(plan.rows[0][size_t(plan.ColumnIndex(QStringLiteral("key")))].toString()),
                qPrintable(plan.rows[0][size_t(plan.ColumnIndex(QStringLiteral("type")))].toString()));
    double best = 1e9;
    int scanned = 0;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        scanned = int(c.Select(scan).rows.size());
        best = qMin(best, Seconds(timer));
    }
    std::printf("one indexed range scan of the day's %d events: %.3f s (best of 5)\n", scanned, best);

    CreateHorloDM();
    HorloDM->SetZConnection(&c);
    TZQuery* sheet = HorloDM->HorloAttendanceZQ;
    TAttendanceDay attendance(c, TWorkingDayLimits::Read(c));
    TAttendanceView view;
    view.fromDate = view.toDate = SqlDate(kDay);
    sheet->SetSQL(AttendanceStatement(view, c));
    sheet->Open();
    QElapsedTimer timer;
    timer.start();
    const size_t eligible = attendance.EligibleEmployees(kDay).size();
    const double eligibleSeconds = Seconds(timer);
    timer.restart();
    const int counted = int(attendance.DayMinutes(kDay).size());
    std::printf("parts: %d eligible employees read in %.3f s; %d employees' minutes counted in %.3f s\n",
                int(eligible), eligibleSeconds, counted, Seconds(timer));
    timer.restart();
    AddDayToSheet(*sheet, attendance, kDay);
    const double addDay = Seconds(timer);
    std::printf("\"Dodaj dan\" into the sheet's cache: %d rows in %.3f s (%.1f x the scan)\n",
                sheet->RecordCount(), addDay, addDay / best);
    timer.restart();
    sheet->ApplyUpdates();
    std::printf("\"Primeni\" of those rows: %.3f s\n", Seconds(timer));

    c.Execute(QStringLiteral("DELETE FROM horloattendance"));
    timer.restart();
    const int stored = attendance.StoreDay(kDay);
    std::printf("horlo attendance add (one transaction, batched INSERT): %d rows in %.3f s\n", stored,
                Seconds(timer));

    // the month's sheet: 1,000 employees x 22 work days
    c.Execute(QStringLiteral("DELETE FROM horloattendance"));
    for (const QDate& day : days) {
        QStringList rows;
        for (int e = 1; e <= kEmployees; ++e)
            rows << QStringLiteral("(%1, '%2', %3, %4)")
                        .arg(e)
                        .arg(SqlDate(day))
                        .arg(e % 7 ? 8.0 : 7.5)
                        .arg(e % 5 ? 0.0 : 0.25);
        c.Execute(
            QStringLiteral("INSERT INTO horloattendance (employeeid, attendancedate, regularworkinghours, "
                           "unallocatedhours) VALUES ") +
            rows.join(QLatin1Char(',')));
    }
    sheet->Close();
    view.fromDate = QStringLiteral("2024-03-01");
    view.toDate = SqlDate(days.last());
    sheet->SetSQL(AttendanceStatement(view, c));
    timer.restart();
    sheet->Open();
    const double open = Seconds(timer);
    TClientDataSet summary;
    DefineAttendanceSummary(summary);
    timer.restart();
    BuildAttendanceSummary(*sheet, summary);
    const double sum = Seconds(timer);
    std::printf("the month's sheet: %d rows opened in %.3f s; summed into %d employees in %.3f s\n",
                sheet->RecordCount(), open, summary.RecordCount(), sum);
    sheet->Close();
    DestroyHorloDM();
    return 0;
}
