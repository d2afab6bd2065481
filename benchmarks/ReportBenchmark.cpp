// SPDX-License-Identifier: GPL-3.0-or-later
// The hours report and warnings for 500 employees over a month of events (four
// a day), and the presence lists of a day for 1,000 employees, each beside a
// bare indexed SELECT of the same events. Then ten years of 100 employees
// (events and attendance rows), reported by the `horlo` program itself: wall
// time, peak memory and exit status of each command.
#include "host/data/ClientDataSet.h"
#include "host/data/DBIniFile.h"
#include "module/reports/HoursReport.h"
#include "module/reports/PresenceLists.h"
#include "module/reports/ReportLists.h"
#include "module/worktime/AttendanceDay.h"
#include "tests/support/TestDatabase.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

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

// Four events a working day: arrival, lunch out, lunch in, departure; the
// statements hold batchRows rows each. Returns the number of events.
int InsertEvents(TZConnection& c, int employees, const QDate& first, int days, int batchRows) {
    TBatchInsert insert(c,
                        QStringLiteral("INSERT INTO employeeevent (employeeeventid, eventtime, "
                                       "employeeeventtypeid, employeeid, horloaccesspointid, deviceindex) "
                                       "VALUES "),
                        batchRows);
    int id = 0;
    for (int day = 0; day < days; ++day) {
        const QString d = first.addDays(day).toString(QStringLiteral("yyyy-MM-dd"));
        for (int e = 1; e <= employees; ++e) {
            const int skew = (e * 7 + day) % 50; // minutes
            const std::pair<int, int> swipes[] = {{8 * 60 + 20 + skew, 5},
                                                  {12 * 60 + skew, 10},
                                                  {12 * 60 + 30 + skew, 5},
                                                  {16 * 60 + 40 + skew, 10}};
            for (const auto& [minute, type] : swipes) {
                ++id;
                insert.Add(QStringLiteral("(%1, '%2 %3:%4:00', %5, %6, 1, %1)")
                               .arg(id)
                               .arg(d)
                               .arg(minute / 60, 2, 10, QLatin1Char('0'))
                               .arg(minute % 60, 2, 10, QLatin1Char('0'))
                               .arg(type)
                               .arg(e));
            }
        }
    }
    insert.Flush();
    return id;
}

// One statement a day, as the month case has always been measured.
int InsertMonth(TZConnection& c, int employees, const QDate& first, int days) {
    return InsertEvents(c, employees, first, days, employees * 4);
}

void InsertAttendance(TZConnection& c, int employees, const QDate& first, int days, int batchRows) {
    TBatchInsert insert(c,
                        QStringLiteral("INSERT INTO horloattendance (employeeid, attendancedate, "
                                       "regularworkinghours, overtimehours, vacationhours, sickhours, "
                                       "unallocatedhours) VALUES "),
                        batchRows);
    // what `attendance add` stores for the events' 08:20-12:00 and 12:30-16:40
    // (470 minutes), with some days of leave, sickness and overtime among them
    const int worked = 470;
    const QString regular = c.Literal(RegularHours(worked));
    const QString unallocated = c.Literal(UnallocatedHours(worked));
    for (int day = 0; day < days; ++day) {
        const QString d = first.addDays(day).toString(QStringLiteral("yyyy-MM-dd"));
        for (int e = 1; e <= employees; ++e) {
            const int kind = (e * 13 + day) % 40;
            if (kind == 0)
                insert.Add(QStringLiteral("(%1, '%2', 0, 0, 8, 0, 0)").arg(e).arg(d));
            else if (kind == 1)
                insert.Add(QStringLiteral("(%1, '%2', 0, 0, 0, 8, 0)").arg(e).arg(d));
            else
                insert.Add(QStringLiteral("(%1, '%2', %3, %4, 0, 0, %5)")
                               .arg(e)
                               .arg(d, regular, kind == 2 ? QStringLiteral("1.5") : QStringLiteral("0"),
                                    unallocated));
        }
    }
    insert.Flush();
}

struct TChildRun {
    double Seconds = 0;
    double PeakMB = 0;
    QString Status;
};

// Runs `horlo` on the database url with stdout to /dev/null. wait4() gives the
// peak memory of this child alone; RUSAGE_CHILDREN would give the largest of all.
TChildRun RunHorlo(const QString& url, const QStringList& arguments) {
    const QByteArray program = QFile::encodeName(qEnvironmentVariable("HORLO_BIN_DIR")) + "/horlo";
    std::vector<QByteArray> args{program};
    for (const QString& a : arguments)
        args.push_back(a.toUtf8());
    std::vector<QByteArray> env;
    for (char** e = environ; *e; ++e) {
        const QByteArray v(*e);
        if (!v.startsWith("HORLO_DB=") && !v.startsWith("HORLO_HOME=")) env.push_back(v);
    }
    env.push_back("HORLO_DB=" + url.toUtf8());
    // as the tests run it: no private server reached by accident
    env.push_back("HORLO_HOME=/nonexistent/horlo-home");
    std::vector<char*> argv, envp;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (QByteArray& v : env)
        envp.push_back(v.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.constData(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    TChildRun run;
    if (spawned != 0) {
        run.Status = QStringLiteral("not started: ") + QString::fromLocal8Bit(std::strerror(spawned));
        return run;
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0)
        if (errno != EINTR) {
            run.Status = QStringLiteral("not reaped: ") + QString::fromLocal8Bit(std::strerror(errno));
            return run;
        }
    run.Seconds = timer.nsecsElapsed() / 1e9;
    run.PeakMB = usage.ru_maxrss / 1024.0; // kilobytes on Linux
    run.Status = WIFEXITED(status)     ? QStringLiteral("exit %1").arg(WEXITSTATUS(status))
                 : WIFSIGNALED(status) ? QStringLiteral("signal %1").arg(WTERMSIG(status))
                                       : QStringLiteral("status %1").arg(status);
    return run;
}

void MonthAndDay() {
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
        FillHoursList(hours, report.hours);
        FillWarningsList(warnings, report.warnings);
    });
    std::printf("hours report and warnings, 500 employees x 31 days (%d events): %.3f s "
                "(%zu rows, %zu warnings)\n",
                events, reportSeconds, report.hours.size(), report.warnings.size());
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
        FillPresenceList(present, lists.present);
        FillPresenceList(late, lists.late);
        FillAbsentList(absent, lists.absent);
    });
    std::printf("presence lists of a day, 1,000 employees: %.3f s (%zu present, %zu late, %zu absent)\n",
                presenceSeconds, lists.present.size(), lists.late.size(), lists.absent.size());
    const double bareDay = Best([&] {
        c.Select(QStringLiteral("SELECT employeeid, eventtime FROM employeeevent WHERE eventtime >= "
                                "'2024-03-15 00:00:00' AND eventtime <= '2024-03-15 23:59:59' AND "
                                "employeeeventtypeid IN (5, 15)"));
    });
    std::printf("bare indexed SELECT of the day's arrivals: %.3f s\n", bareDay);
}

void TenYears() {
    QElapsedTimer setup;
    setup.start();
    TestDatabase db;
    TZConnection& c = db.Connection();
    const int employees = 100;
    const QDate first(2015, 1, 1), last(2024, 12, 31);
    const int days = int(first.daysTo(last)) + 1;
    InsertEmployees(c, employees);
    // the report pairs arrivals (5) with departures (10)
    c.Execute(QStringLiteral("INSERT INTO employeeeventtype (employeeeventtypeid, direction, defaultevent, "
                             "pairid, name) VALUES (5, 'i', 'y', 10, 'Dolazak'), (10, 'o', 'y', 5, "
                             "'Odlazak') ON DUPLICATE KEY UPDATE pairid = VALUES(pairid)"));
    TDBIniFile(&c).WriteString(QStringLiteral("Horlo"), QStringLiteral("FromEventIDs"), QStringLiteral("5"));
    InsertEvents(c, employees, first, days, 20000);
    InsertAttendance(c, employees, first, days, 20000);
    c.Execute(QStringLiteral("ANALYZE TABLE employeeevent, employee, horloattendance"));
    const QString events =
        c.Select(QStringLiteral("SELECT COUNT(*) FROM employeeevent")).rows[0][0].toString();
    const QString attendance =
        c.Select(QStringLiteral("SELECT COUNT(*) FROM horloattendance")).rows[0][0].toString();
    std::printf("ten years, %d employees x %d days: %s events, %s attendance rows; setup %.1f s\n", employees,
                days, qPrintable(events), qPrintable(attendance), setup.nsecsElapsed() / 1e9);
    std::fflush(stdout); // the commands take a while: show how far it got

    const QString url = db.Params().ToUrl();
    const QString from = first.toString(Qt::ISODate), to = last.toString(Qt::ISODate);
    // the workbooks are written row by row as well, in the library's constant-memory mode
    QTemporaryDir dir;
    const QStringList commands[] = {
        {QStringLiteral("report"), QStringLiteral("hours"), from, to, QStringLiteral("--csv")},
        {QStringLiteral("report"), QStringLiteral("warnings"), from, to, QStringLiteral("--csv")},
        {QStringLiteral("attendance"), QStringLiteral("list"), from, to, QStringLiteral("--csv")},
        {QStringLiteral("report"), QStringLiteral("warnings"), from, to, QStringLiteral("--xlsx"),
         dir.filePath(QStringLiteral("upozorenja.xlsx"))},
        {QStringLiteral("attendance"), QStringLiteral("list"), from, to, QStringLiteral("--xlsx"),
         dir.filePath(QStringLiteral("prisustvo.xlsx"))},
    };
    for (const QStringList& arguments : commands) {
        const TChildRun run = RunHorlo(url, arguments);
        std::printf("horlo %s: %.3f s, peak %.1f MB, %s\n", qPrintable(arguments.join(QLatin1Char(' '))),
                    run.Seconds, run.PeakMB, qPrintable(run.Status));
        std::fflush(stdout);
    }
    std::size_t rows = 0;
    const double bare = Best([&] {
        rows = c.Select(QStringLiteral("SELECT employeeeventid, employeeid, employeeeventtypeid, eventtime "
                                       "FROM employeeevent WHERE eventtime >= '2015-01-01 00:00:00' AND "
                                       "eventtime <= '2024-12-31 23:59:59'"))
                   .rows.size();
    });
    std::printf("bare indexed SELECT of the same events: %.3f s (%zu rows)\n", bare, rows);
}

} // namespace

int main() {
    MonthAndDay();
    TenYears();
    return 0;
}
