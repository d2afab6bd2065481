// The hours report and warnings for 500 employees over a month of events (four
// a day), and the presence lists of a day for 1,000 employees, each beside a
// bare indexed SELECT of the same events.
#include "host/ClientDataSet.h"
#include "module/reports/HoursReport.h"
#include "module/reports/PresenceLists.h"
#include "module/reports/ReportLists.h"
#include "tests/support/TestDatabase.h"

#include <QElapsedTimer>

#include <cstdio>

namespace {

// The best of a few runs, so that a cold cache does not decide the figure.
template <class F> double Best(F run, int times = 3) {
    double best = 1e9;
    for (int i = 0; i < times; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

void InsertEmployees(TZConnection& c, int count) {
    QStringList rows;
    for (int i = 1; i <= count; ++i)
        rows << QStringLiteral("(%1, 'Ime%1', 'Prezime%2', 'K%1', 'Radnik', 'y')").arg(i).arg(i % 97);
    c.Execute(QStringLiteral("INSERT INTO employee (employeeid, firstname, lastname, code, vocation, active) "
                             "VALUES ") +
              rows.join(QLatin1Char(',')));
}

// Four events a working day: arrival, lunch out, lunch in, departure.
int InsertMonth(TZConnection& c, int employees, const QDate& first, int days) {
    int id = 0;
    for (int day = 0; day < days; ++day) {
        const QDate date = first.addDays(day);
        QStringList rows;
        for (int e = 1; e <= employees; ++e) {
            const int skew = (e * 7 + day) % 50; // minutes
            const QString d = date.toString(QStringLiteral("yyyy-MM-dd"));
            const std::pair<int, int> swipes[] = {{8 * 60 + 20 + skew, 5},
                                                  {12 * 60 + skew, 10},
                                                  {12 * 60 + 30 + skew, 5},
                                                  {16 * 60 + 40 + skew, 10}};
            for (const auto& [minute, type] : swipes) {
                ++id;
                rows << QStringLiteral("(%1, '%2 %3:%4:00', %5, %6, 1, %1)")
                            .arg(id)
                            .arg(d)
                            .arg(minute / 60, 2, 10, QLatin1Char('0'))
                            .arg(minute % 60, 2, 10, QLatin1Char('0'))
                            .arg(type)
                            .arg(e);
            }
        }
        c.Execute(
            QStringLiteral("INSERT INTO employeeevent (employeeeventid, eventtime, employeeeventtypeid, "
                           "employeeid, horloaccesspointid, deviceindex) VALUES ") +
            rows.join(QLatin1Char(',')));
    }
    return id;
}

} // namespace

int main() {
    TestDatabase db;
    TZConnection& c = db.Connection();
    InsertEmployees(c, 1000);
    const QDate first(2024, 3, 1), last(2024, 3, 31);
    const int events = InsertMonth(c, 500, first, 31);
    c.Execute(QStringLiteral("ANALYZE TABLE employeeevent, employee"));

    THoursReport report;
    TClientDataSet hours, warnings;
    DefineHoursList(hours);
    DefineWarningsList(warnings);
    const double reportSeconds = Best([&] {
        report = ReadHoursReport(c, first, last, TEmployeeFilter(), {{5, 10}}, TWarningCriteria(),
                                 TWorkingDayLimits());
        FillHoursList(hours, report.Hours);
        FillWarningsList(warnings, report.Warnings);
    });
    std::printf("hours report and warnings, 500 employees x 31 days (%d events): %.3f s "
                "(%zu rows, %zu warnings)\n",
                events, reportSeconds, report.Hours.size(), report.Warnings.size());
    const double bareMonth = Best([&] {
        c.Select(QStringLiteral("SELECT employeeeventid, employeeid, employeeeventtypeid, eventtime FROM "
                                "employeeevent WHERE eventtime >= '2024-03-01 00:00:00' AND eventtime <= "
                                "'2024-03-31 23:59:59'"));
    });
    std::printf("bare indexed SELECT of the same events: %.3f s\n", bareMonth);

    // a day of 1,000 employees: the month's 500 and 500 more on the 15th
    QStringList rows;
    for (int e = 501; e <= 1000; ++e)
        rows << QStringLiteral("(%1, '2024-03-15 %2:%3:00', %4, %5, 1, %1)")
                    .arg(events + e)
                    .arg(8 + e % 2, 2, 10, QLatin1Char('0'))
                    .arg(e % 60, 2, 10, QLatin1Char('0'))
                    .arg(e % 3 ? 5 : 15)
                    .arg(e);
    c.Execute(QStringLiteral("INSERT INTO employeeevent (employeeeventid, eventtime, employeeeventtypeid, "
                             "employeeid, horloaccesspointid, deviceindex) VALUES ") +
              rows.join(QLatin1Char(',')));
    TPresenceLists lists;
    TClientDataSet present, late, absent;
    DefinePresenceList(present, TPresenceKind::Present);
    DefinePresenceList(late, TPresenceKind::Late);
    DefinePresenceList(absent, TPresenceKind::Absent);
    const double presenceSeconds = Best([&] {
        lists = ReadPresenceLists(c, QDate(2024, 3, 15), TWorkingDayLimits());
        FillPresenceList(present, lists.Present);
        FillPresenceList(late, lists.Late);
        FillAbsentList(absent, lists.Absent);
    });
    std::printf("presence lists of a day, 1,000 employees: %.3f s (%zu present, %zu late, %zu absent)\n",
                presenceSeconds, lists.Present.size(), lists.Late.size(), lists.Absent.size());
    const double bareDay = Best([&] {
        c.Select(QStringLiteral("SELECT employeeid, eventtime FROM employeeevent WHERE eventtime >= "
                                "'2024-03-15 00:00:00' AND eventtime <= '2024-03-15 23:59:59' AND "
                                "employeeeventtypeid IN (5, 15)"));
    });
    std::printf("bare indexed SELECT of the day's arrivals: %.3f s\n", bareDay);
    return 0;
}
