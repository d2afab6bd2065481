// Several desks and scheduled jobs at once, as separate programs, against one
// server and against the nodes of a three-node cluster: every count is exact.
#include "tests/device/LoopbackTools.h"
#include "tests/support/HorloProgram.h"
#include "tests/support/TestDatabase.h"

#include <QDate>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

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
    EXPECT_EQ(Sum(a.out + b.out, QStringLiteral("(\\d+) nov\\w+ zapisa? upisan")), held)
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

// A node dies under a processing run: that run fails clearly, a desk whose list
// starts with the dead node goes on with the next, the node comes back, and
// every node holds each event once.
TEST_P(Concurrency, ANodeKilledUnderProcessingLosesNothingAndDoublesNothing) {
    if (!OnCluster()) GTEST_SKIP() << "a node of its own to kill";
    Employees(20);
    RawRecords(100000);
    Settle();
    TBackground victim({QStringLiteral("process")}, DeskUrl({2}));
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    ASSERT_TRUE(Cluster(QStringLiteral("kill"), 2));
    const THorloRun killed = victim.Wait();
    EXPECT_EQ(killed.status, 1) << killed.out.toStdString();
    EXPECT_TRUE(killed.err.contains(QStringLiteral("prekinuta"))) << killed.err.toStdString();

    // the others have left the dead node behind (a write meanwhile fails clearly)
    for (int i = 0;
         i < 600 && Count(QStringLiteral("SELECT VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS "
                                         "WHERE VARIABLE_NAME = 'WSREP_CLUSTER_SIZE'")) != 2;
         ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const THorloRun survivor = RunHorlo({QStringLiteral("process")}, DeskUrl({2, 1}));
    EXPECT_EQ(survivor.status, 0) << survivor.err.toStdString();
    ASSERT_TRUE(Cluster(QStringLiteral("start-node"), 2));
    TConnectionParams node2 = TConnectionParams::FromUrl(DeskUrl({2}));
    TZConnection back(node2);
    back.Connect();
    back.Execute(QStringLiteral("SET SESSION wsrep_sync_wait = 1"));
    for (TZConnection* node : {&c(), &back}) {
        EXPECT_EQ(node->Select(QStringLiteral("SELECT COUNT(*) FROM employeeevent")).rows[0][0].toInt(),
                  100000);
        EXPECT_EQ(node->Select(QStringLiteral("SELECT COUNT(DISTINCT employeeeventrawid) FROM employeeevent"))
                      .rows[0][0]
                      .toInt(),
                  100000);
    }
}

INSTANTIATE_TEST_SUITE_P(OneServerAndACluster, Concurrency, ::testing::Values(Setup::Server, Setup::Cluster),
                         [](const auto& info) {
                             return std::string(info.param == Setup::Server ? "Server" : "Cluster");
                         });
