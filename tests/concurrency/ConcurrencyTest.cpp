// SPDX-License-Identifier: GPL-3.0-or-later
// Several desks and scheduled jobs at once, as separate programs, against one
// server and against the nodes of a three-node cluster: every count is exact.
#include "module/device/LogDecoder.h"
#include "tests/device/LoopbackTools.h"
#include "tests/support/HorloProgram.h"
#include "tests/support/TestDatabase.h"

#include <QDate>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <QScopeGuard>
#include <QTemporaryDir>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace {

enum class Setup { Server, Cluster };

// The cluster script's command line (before its verb) and its nodes.
QStringList ClusterScript() {
    return qEnvironmentVariable("HORLO_CLUSTER_SCRIPT").split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

bool Cluster(const QString& verb, int node = 0) {
    QStringList command = ClusterScript();
    const QString program = command.takeFirst();
    command << verb;
    if (node) command << QString::number(node);
    QProcess p;
    p.start(program, command);
    return p.waitForFinished(240000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A program run by the shell, in a network namespace of its own when apart is set:
// a second machine with its own loopback, sharing the file system (and so the
// database servers' Unix sockets).
THorloRun RunShell(const QString& script, bool apart) {
    QProcess p;
    if (apart)
        p.start(QStringLiteral("unshare"), {QStringLiteral("-n"), QStringLiteral("sh"), QStringLiteral("-c"),
                                            QStringLiteral("ip link set lo up && ") + script});
    else
        p.start(QStringLiteral("sh"), {QStringLiteral("-c"), script});
    if (!p.waitForFinished(120000)) p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

int Sum(const QString& text, const QString& pattern) {
    int sum = 0;
    auto it = QRegularExpression(pattern).globalMatch(text);
    while (it.hasNext())
        sum += it.next().captured(1).toInt();
    return sum;
}

class Concurrency : public ::testing::TestWithParam<Setup> {
protected:
    void SetUp() override {
        if (GetParam() == Setup::Cluster) {
            const QString nodes = qEnvironmentVariable("HORLO_TEST_CLUSTER");
            if (nodes.isEmpty()) {
                GTEST_SKIP() << "HORLO_TEST_CLUSTER names no cluster";
            }
            TConnectionParams server =
                TConnectionParams::FromUrl(QStringLiteral("mysql://root@%1/mysql").arg(nodes));
            m_nodes = server.servers;
            server.servers = {m_nodes[0]};
            m_db = std::make_unique<TestDatabase>(server);
            // counts read on one node see what the others committed
            c().Execute(QStringLiteral("SET SESSION wsrep_sync_wait = 1"));
        } else {
            m_db = std::make_unique<TestDatabase>();
        }
    }
    void TearDown() override {
        // every node up again for the next case, whatever this one left
        if (OnCluster() && m_db) {
            EXPECT_TRUE(Cluster(QStringLiteral("start")));
        }
    }
    TZConnection& c() { return m_db->Connection(); }
    bool OnCluster() const { return GetParam() == Setup::Cluster; }

    // Desk 1 and desk 2 work on different nodes of a cluster; nodes lists the
    // nodes a desk's URL names, in order.
    QString DeskUrl(std::initializer_list<int> nodes) const {
        TConnectionParams p = m_db->Params();
        if (OnCluster()) {
            p.servers.clear();
            for (int n : nodes)
                p.servers << m_nodes[n - 1];
        }
        return p.ToUrl();
    }
    // The same desk through its server's Unix socket, for a second machine.
    QString SocketUrl(int node) const {
        TConnectionParams p = m_db->Params();
        if (OnCluster()) {
            const QStringList script = ClusterScript();
            p.servers = {{QStringLiteral("localhost"), 0}};
            p.socket = script.value(script.indexOf(QStringLiteral("--home")) + 1) +
                       QStringLiteral("/node%1/mysqld.sock").arg(node);
        }
        return p.socket.isEmpty() ? QString() : p.ToUrl();
    }
    int Count(const QString& sql) { return c().Select(sql).rows[0][0].toInt(); }
    // A session on node n (on the server: another session), with causal reads.
    std::unique_ptr<TZConnection> Node(int n) {
        auto node = std::make_unique<TZConnection>(TConnectionParams::FromUrl(DeskUrl({n})));
        node->Connect();
        return node;
    }
    // Waits until the condition holds, for at most two minutes.
    static bool Eventually(const std::function<bool()>& condition) {
        for (int i = 0; i < 1200; ++i) {
            if (condition()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    // Every node has applied what was written so far, so that two desks start alike.
    void Settle() {
        for (int n = 2; OnCluster() && n <= m_nodes.size(); ++n) {
            TZConnection node(TConnectionParams::FromUrl(DeskUrl({n})));
            node.Connect();
            node.Execute(QStringLiteral("SET SESSION wsrep_sync_wait = 1"));
            node.Select(QStringLiteral("SELECT COUNT(*) FROM employeeeventraw"));
        }
    }

    void Employees(int count) {
        c().Execute(QStringLiteral("INSERT INTO employee (employeeid, firstname, lastname, code, "
                                   "workingfromdate) SELECT seq, 'Ime', CONCAT('Prezime', seq), seq, "
                                   "'2020-01-01' FROM seq_1_to_%1")
                        .arg(count));
    }
    // Raw card records of employees 1..20, processed into as many events.
    void RawRecords(int count) {
        c().Execute(
            QStringLiteral("INSERT INTO employeeeventraw (eventtime, employeeeventtypeid, employeeid, "
                           "horloaccesspointid, horloaccessticketid, cardcode, deviceindex) "
                           "SELECT '2026-11-02 07:00:00' + INTERVAL seq MINUTE, IF(seq % 2, 15, 16), "
                           "1 + seq % 20, 1, 0, 1000 + seq % 20, seq FROM seq_1_to_%1")
                .arg(count));
    }

private:
    std::unique_ptr<TestDatabase> m_db;
    QList<TServerAddress> m_nodes;
};

// A program run on a thread of its own; Wait joins it, which orders its result
// before the reader (std::future hands results over in a way ThreadSanitizer cannot see).
class TBackground {
public:
    explicit TBackground(std::function<THorloRun()> run) : m_thread([this, run] { m_result = run(); }) {}
    TBackground(const QStringList& arguments, const QString& url)
        : TBackground([=] { return RunHorlo(arguments, url); }) {}
    ~TBackground() {
        if (m_thread.joinable()) m_thread.join();
    }
    THorloRun Wait() {
        m_thread.join();
        return m_result;
    }

private:
    THorloRun m_result;
    std::thread m_thread;
};

} // namespace

TEST_P(Concurrency, TwoProcessingRunsAtOnceWriteEachEventOnce) {
    Employees(20);
    RawRecords(20000);
    Settle();
    TBackground one({QStringLiteral("process")}, DeskUrl({1}));
    TBackground two({QStringLiteral("process")}, DeskUrl({2}));
    const THorloRun a = one.Wait(), b = two.Wait();
    EXPECT_EQ(a.status, 0) << a.err.toStdString();
    EXPECT_EQ(b.status, 0) << b.err.toStdString();
    EXPECT_EQ(Sum(a.out + b.out, QStringLiteral("Upisano događaja: (\\d+)")), 20000)
        << a.out.toStdString() << b.out.toStdString();
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM employeeevent")), 20000);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(DISTINCT employeeeventrawid) FROM employeeevent")), 20000);
}

// Two machines read one door (each reaches a device with the same log) and store
// into one database, a desk and a job on another site's cluster node.
TEST_P(Concurrency, TwoImportsOfOneDoorAtOnceStoreEachRecordOnce) {
    const QString apart = SocketUrl(2);
    if (apart.isEmpty()) GTEST_SKIP() << "the second machine needs the server's Unix socket";
    const int port = devicetest::FreeUdpPort();
    QStringList cards, tickets, kept, swiping;
    for (int i = 1; i <= 20; ++i) {
        cards << QStringLiteral("(%1, %1, %2, 'K%1')").arg(i).arg(1000 + i);
        tickets << QStringLiteral("(%1, 1, %2, %2)").arg(10 + i).arg(i);
        kept << QStringLiteral("--card %1:%2").arg(10 + i).arg(1000 + i);
        swiping << QString::number(10 + i);
    }
    Employees(20);
    c().Execute(QStringLiteral("INSERT INTO horloaccesspoint (horloaccesspointid, name, macaddress, localip, "
                               "publicip, udpport, tcpport) VALUES (1, 'Ulaz', 'm', '127.0.0.2', '-', %1, 0)")
                    .arg(port));
    c().Execute(
        QStringLiteral("INSERT INTO employeecard (employeecardid, employeeid, cardcode, name) VALUES ") +
        cards.join(','));
    c().Execute(QStringLiteral("INSERT INTO horloaccessticket (horloaccessticketid, horloaccesspointid, "
                               "employeecardid, employeeid) VALUES ") +
                tickets.join(','));
    Settle();
    const QDate today = QDate::currentDate();
    const QString device =
        QStringLiteral(
            "'%1/horlo-devicesim' --exit-after 100 --memory 32768 --users 100 --listen 127.0.0.2:%2 "
            "%3 --swipes %4..%5 --swipe-tickets %6")
            .arg(qEnvironmentVariable("HORLO_BIN_DIR"))
            .arg(port)
            .arg(kept.join(' '), today.addDays(-32).toString(Qt::ISODate),
                 today.addDays(-4).toString(Qt::ISODate), swiping.join(','));
    const QString horlo =
        QStringLiteral("'%1/horlo' --db '%2' import").arg(qEnvironmentVariable("HORLO_BIN_DIR"));
    const QString run = device + QStringLiteral(" >/dev/null & sim=$!; sleep 0.5; ") + horlo +
                        QStringLiteral("; status=$?; kill $sim; exit $status");
    TBackground here([&] { return RunShell(run.arg(DeskUrl({1})), false); });
    TBackground there([&] { return RunShell(run.arg(apart), true); });
    const THorloRun a = here.Wait(), b = there.Wait();
    EXPECT_EQ(a.status, 0) << a.out.toStdString() << a.err.toStdString();
    EXPECT_EQ(b.status, 0) << b.out.toStdString() << b.err.toStdString();
    const int held = Count(QStringLiteral("SELECT COUNT(DISTINCT deviceindex) FROM employeeeventraw"));
    EXPECT_GT(held, 300);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM employeeeventraw")), held);
    EXPECT_EQ(Sum(a.out + b.out, QStringLiteral("(\\d+) novih zapisa upisano")), held)
        << a.out.toStdString() << b.out.toStdString();
    EXPECT_EQ(Count(QStringLiteral("SELECT currentdeviceindex FROM horloaccesspoint")),
              Count(QStringLiteral("SELECT MAX(deviceindex) FROM employeeeventraw")));
}

TEST_P(Concurrency, TwoAttendanceAddsOfOneDayStoreItOnce) {
    Employees(40);
    Settle();
    const QStringList add{QStringLiteral("attendance"), QStringLiteral("add"), QStringLiteral("2026-03-12")};
    TBackground one(add, DeskUrl({1}));
    TBackground two(add, DeskUrl({2}));
    const THorloRun a = one.Wait(), b = two.Wait();
    EXPECT_EQ(a.status + b.status, 1) << a.err.toStdString() << b.err.toStdString();
    const THorloRun& refused = a.status ? a : b;
    EXPECT_EQ(refused.err, QStringLiteral("horlo: Već postoji evidencija za izabrani datum!\n"));
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM horloattendance")), 40);
}

// A node dies under a processing run whose list names another node after it: the
// run goes on there and finishes; a run on a surviving node while the cluster
// still counts the dead one waits that out; every node holds each event once.
TEST_P(Concurrency, ANodeKilledUnderProcessingLosesNothingAndDoublesNothing) {
    if (!OnCluster()) GTEST_SKIP() << "a node of its own to kill";
    Employees(20);
    RawRecords(100000);
    Settle();
    const auto node2 = Node(2);
    TBackground victim({QStringLiteral("process")}, DeskUrl({2, 1}));
    // killed while its transaction writes on node 2
    ASSERT_TRUE(Eventually([&] {
        return node2
                   ->Select(QStringLiteral("SELECT COUNT(*) FROM information_schema.innodb_trx "
                                           "WHERE trx_rows_modified > 100"))
                   .rows[0][0]
                   .toInt() > 0;
    }));
    ASSERT_TRUE(Cluster(QStringLiteral("kill"), 2));
    const THorloRun survivor = RunHorlo({QStringLiteral("process")}, DeskUrl({1}));
    const THorloRun killed = victim.Wait();
    EXPECT_EQ(killed.status, 0) << killed.err.toStdString();
    EXPECT_EQ(survivor.status, 0) << survivor.err.toStdString();
    EXPECT_EQ(Sum(killed.out + survivor.out, QStringLiteral("Upisano događaja: (\\d+)")), 100000)
        << killed.out.toStdString() << survivor.out.toStdString();

    ASSERT_TRUE(Cluster(QStringLiteral("start-node"), 2));
    const auto back = Node(2);
    for (TZConnection* node : {&c(), back.get()}) {
        EXPECT_EQ(node->Select(QStringLiteral("SELECT COUNT(*) FROM employeeevent")).rows[0][0].toInt(),
                  100000);
        EXPECT_EQ(node->Select(QStringLiteral("SELECT COUNT(DISTINCT employeeeventrawid) FROM employeeevent"))
                      .rows[0][0]
                      .toInt(),
                  100000);
    }
}

// The node of an import's session dies while the device is read: the store goes
// on the next node of the list, and the read is not thrown away.
TEST_P(Concurrency, ANodeKilledDuringADownloadLosesNothing) {
    if (!OnCluster()) GTEST_SKIP() << "a node of its own to kill";
    const int port = devicetest::FreeUdpPort();
    c().Execute(QStringLiteral("INSERT INTO horloaccesspoint (horloaccesspointid, name, macaddress, localip, "
                               "publicip, udpport, tcpport) VALUES (1, 'Ulaz', 'm', '127.0.0.2', '-', %1, 0)")
                    .arg(port));
    Settle();
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("trace"));
    const QDate today = QDate::currentDate();
    // the device's information comes 3 s late: the session sits idle meanwhile
    QProcess device;
    device.start(qEnvironmentVariable("HORLO_BIN_DIR") + QStringLiteral("/horlo-devicesim"),
                 {QStringLiteral("--exit-after"), QStringLiteral("100"), QStringLiteral("--trace"), trace,
                  QStringLiteral("--listen"), QStringLiteral("127.0.0.2:%1").arg(port),
                  QStringLiteral("--card"), QStringLiteral("1:1001"), QStringLiteral("--swipes"),
                  today.addDays(-30).toString(Qt::ISODate) + QStringLiteral("..") +
                      today.addDays(-1).toString(Qt::ISODate),
                  QStringLiteral("--delay"), QStringLiteral("3000"), QStringLiteral("--fault-commands"),
                  QStringLiteral("GE")});
    ASSERT_TRUE(device.waitForStarted());
    const auto stopDevice = qScopeGuard([&] {
        device.terminate();
        device.waitForFinished();
    });
    TBackground import({QStringLiteral("import")}, DeskUrl({2, 1}));
    ASSERT_TRUE(Eventually([&] { return QFileInfo(trace).size() > 0; })); // the mark is read
    ASSERT_TRUE(Cluster(QStringLiteral("kill"), 2));
    const THorloRun run = import.Wait();
    EXPECT_EQ(run.status, 0) << run.out.toStdString() << run.err.toStdString();
    const int held = Count(QStringLiteral("SELECT COUNT(*) FROM employeeeventraw"));
    EXPECT_GT(held, 30);
    EXPECT_EQ(Sum(run.out, QStringLiteral("(\\d+) novih zapisa upisano")), held) << run.out.toStdString();
}

// Attendance right after processing on another node is computed from the events
// just written: its reads wait until the node has applied them.
TEST_P(Concurrency, AttendanceRightAfterProcessingOnAnotherNodeSeesItsEvents) {
    Employees(40);
    RawRecords(60000); // a large write for the other nodes to apply
    c().Execute(QStringLiteral(
        "INSERT INTO employeeeventraw (eventtime, employeeeventtypeid, employeeid, horloaccesspointid, "
        "horloaccessticketid, cardcode, deviceindex) SELECT '2026-07-15 08:00:00', 15, seq, 1, 0, 9000 + "
        "seq, "
        "100000 + seq FROM seq_1_to_40 UNION ALL SELECT '2026-07-15 16:00:00', 16, seq, 1, 0, 9000 + seq, "
        "200000 + seq FROM seq_1_to_40"));
    Settle();
    const THorloRun process = RunHorlo({QStringLiteral("process")}, DeskUrl({3}));
    ASSERT_EQ(process.status, 0) << process.err.toStdString();
    const THorloRun add = RunHorlo(
        {QStringLiteral("attendance"), QStringLiteral("add"), QStringLiteral("2026-07-15")}, DeskUrl({1}));
    EXPECT_EQ(add.status, 0) << add.err.toStdString();
    // 09:00 to 16:00 for each of the 40
    EXPECT_EQ(Count(QStringLiteral("SELECT ROUND(SUM(regularworkinghours) * 60) FROM horloattendance")),
              40 * 7 * 60);
}

// A loop of processing runs that find nothing to do, on another desk or node,
// never holds up a long store of raw records: an idle run takes no lock.
TEST_P(Concurrency, AnIdleProcessingLoopNeverHoldsUpAStoreElsewhere) {
    Employees(20);
    Settle();
    std::atomic<bool> stop{false};
    std::atomic<int> runs{0}, failures{0};
    TBackground loop([&] {
        THorloRun last;
        while (!stop) {
            last = RunHorlo({QStringLiteral("process")}, DeskUrl({2}));
            if (last.status != 0) ++failures;
            ++runs;
        }
        return last;
    });
    const auto stopLoop = qScopeGuard([&] { stop = true; });
    {
        TTransaction store(c());
        LockRawEventLog(c());
        RawRecords(5000);
        const int before = runs;
        // three runs of the loop while the store holds the log
        EXPECT_TRUE(Eventually([&] { return runs >= before + 3; }));
        store.Commit(); // no conflict to undo it
    }
    stop = true;
    loop.Wait();
    EXPECT_EQ(failures.load(), 0);
    const THorloRun after = RunHorlo({QStringLiteral("process")}, DeskUrl({1}));
    EXPECT_EQ(after.status, 0) << after.err.toStdString();
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM employeeevent")), 5000);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(DISTINCT employeeeventrawid) FROM employeeevent")), 5000);
}

// A card handed over between the import and the processing, on different nodes:
// each swipe is the event of whoever held the card at its time; those after an
// untie are nobody's until a tie covers them.
TEST_P(Concurrency, SwipesBeforeAndAfterATieAreTheirHoldersEventsWhenProcessedLater) {
    c().Execute(QStringLiteral("INSERT INTO employee (employeeid, firstname, lastname, code) VALUES "
                               "(1, 'Ana', 'Stara', '001'), (2, 'Vid', 'Novi', '002')"));
    c().Execute(QStringLiteral("INSERT INTO employeecard (employeecardid, employeeid, cardcode, name) VALUES "
                               "(1, 1, 5001, 'K1')"));
    c().Execute(QStringLiteral("INSERT INTO horloaccessticket (horloaccessticketid, horloaccesspointid, "
                               "employeecardid, employeeid) VALUES (11, 1, 1, 1)"));
    // by card code and by ticket, on the 1st, the 3rd and the 5th
    c().Execute(QStringLiteral(
        "INSERT INTO employeeeventraw (eventtime, employeeeventtypeid, employeeid, horloaccesspointid, "
        "horloaccessticketid, cardcode, deviceindex) VALUES ('2026-06-01 08:00:00', 15, 1, 1, 11, 5001, 1), "
        "('2026-06-01 16:00:00', 10, NULL, 1, 0, 11, 2), ('2026-06-03 08:00:00', 5, NULL, 1, 0, 11, 3), "
        "('2026-06-05 08:00:00', 15, 1, 1, 11, 5001, 4)"));
    Settle();
    auto card = [&](QStringList arguments, int node) {
        return RunHorlo(QStringList{QStringLiteral("card")} + arguments, DeskUrl({node}));
    };
    const THorloRun tie =
        card({QStringLiteral("tie"), QStringLiteral("K1"), QStringLiteral("002"), QStringLiteral("--force"),
              QStringLiteral("--from"), QStringLiteral("2026-06-02 00:00")},
             1);
    ASSERT_EQ(tie.status, 0) << tie.err.toStdString();
    const THorloRun untie =
        card({QStringLiteral("untie"), QStringLiteral("K1"), QStringLiteral("--from=2026-06-04 12:00")}, 2);
    ASSERT_EQ(untie.status, 0) << untie.err.toStdString();
    const THorloRun process = RunHorlo({QStringLiteral("process")}, DeskUrl({3}));
    EXPECT_EQ(process.status, 0) << process.err.toStdString();
    EXPECT_TRUE(
        process.out.startsWith(QStringLiteral("Upisano događaja: 3; Prolaza kartica koje u to vreme nisu "
                                              "bile ničije: 1;")))
        << process.out.toStdString();
    auto owners = [&] {
        QStringList list;
        for (const auto& row :
             c().Select(QStringLiteral("SELECT r.deviceindex, IFNULL(e.employeeid, 0) FROM "
                                       "employeeeventraw AS r LEFT JOIN employeeevent AS e ON "
                                       "e.employeeeventrawid = r.employeeeventrawid ORDER BY 1"))
                 .rows)
            list << row[0].toString() + QLatin1Char(':') + row[1].toString();
        return list.join(' ');
    };
    EXPECT_EQ(owners(), QStringLiteral("1:1 2:1 3:2 4:0"));
    const THorloRun unassigned = RunHorlo(
        {QStringLiteral("raw"), QStringLiteral("unassigned"), QStringLiteral("--csv")}, DeskUrl({1}));
    EXPECT_EQ(unassigned.out.count(QLatin1Char('\n')), 2) << unassigned.out.toStdString();
    EXPECT_TRUE(unassigned.out.contains(QStringLiteral("2026-06-05 08:00:00")))
        << unassigned.out.toStdString();
    // the third employee takes the card from the 5th: the swipe becomes hers at once
    c().Execute(QStringLiteral("INSERT INTO employee (employeeid, firstname, lastname, code) VALUES "
                               "(3, 'Eva', 'Treća', '003')"));
    Settle();
    const THorloRun late = card({QStringLiteral("tie"), QStringLiteral("K1"), QStringLiteral("003"),
                                 QStringLiteral("--from"), QStringLiteral("5.6.2026 07:00")},
                                3);
    EXPECT_EQ(late.status, 0) << late.err.toStdString();
    EXPECT_EQ(owners(), QStringLiteral("1:1 2:1 3:2 4:3"));
}

// A node that is not Synced with the others (desynced for a backup) is passed over.
TEST_P(Concurrency, ADesyncedNodeIsPassedOver) {
    if (!OnCluster()) GTEST_SKIP() << "a cluster node to desync";
    const auto node1 = Node(1);
    node1->Execute(QStringLiteral("SET GLOBAL wsrep_desync = ON"));
    const auto resync = qScopeGuard([&] { node1->Execute(QStringLiteral("SET GLOBAL wsrep_desync = OFF")); });
    const THorloRun alone = RunHorlo({QStringLiteral("db"), QStringLiteral("version")}, DeskUrl({1}));
    EXPECT_EQ(alone.status, 2);
    EXPECT_TRUE(alone.err.contains(QStringLiteral("nije usklađen sa ostalima"))) << alone.err.toStdString();
    EXPECT_TRUE(alone.err.contains(QStringLiteral("Desynced"))) << alone.err.toStdString();
    const THorloRun next = RunHorlo({QStringLiteral("db"), QStringLiteral("version")}, DeskUrl({1, 2}));
    EXPECT_EQ(next.status, 0) << next.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(OneServerAndACluster, Concurrency, ::testing::Values(Setup::Server, Setup::Cluster),
                         [](const auto& info) {
                             return std::string(info.param == Setup::Server ? "Server" : "Cluster");
                         });
