// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/data/ZQuery.h"
#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>

namespace {

const QString kCardSql = QStringLiteral("SELECT ec.*,CONCAT(e.lastname,' ',e.firstname) AS employeename\n"
                                        "FROM employeecard AS ec\n"
                                        "  LEFT JOIN employee AS e ON ec.employeeid = e.employeeid\n"
                                        "ORDER BY ec.name");

struct CardFixture : ::testing::Test {
    TestDatabase db;
    TZConnection& c = db.Connection();
    std::unique_ptr<TZConnection> other = db.NewConnection();
    TZQuery q{&c};

    void SetUp() override {
        c.Execute(QStringLiteral(
            "INSERT INTO employee (employeeid, firstname, lastname) VALUES (7, 'Ana', 'Petrović')"));
        c.Execute(QStringLiteral(
            "INSERT INTO employeecard (employeecardid, employeeid, cardcode, name, active, comment) "
            "VALUES (1, 7, 1001, 'K1', 'y', 'prva'), (2, NULL, 1002, 'K2', 'n', NULL)"));
        q.setObjectName(QStringLiteral("EmployeeCardZQ"));
        q.SetSQL(kCardSql);
        q.Open();
    }
    QVariant Stored(const QString& column, int id) {
        const TResultSet rs = other->Select(
            QStringLiteral("SELECT %1 FROM employeecard WHERE employeecardid = %2").arg(column).arg(id));
        return rs.rows.empty() ? QVariant(QStringLiteral("<no row>")) : rs.rows[0][0];
    }
};

} // namespace

TEST_F(CardFixture, LiveEditWritesOnlyChangedColumnsOfTheFirstTableByKey) {
    ASSERT_EQ(q.RecordCount(), 2);
    EXPECT_EQ(q.FieldByName(QStringLiteral("employeename"))->AsString(), QStringLiteral("Petrović Ana"));
    // another session changes the comment and the name of the same row meanwhile
    other->Execute(
        QStringLiteral("UPDATE employeecard SET comment = 'tuđa', name = 'K1x' WHERE employeecardid = 1"));
    q.Edit();
    q.FieldByName(QStringLiteral("active"))->SetAsBoolean(false);
    q.FieldByName(QStringLiteral("employeename"))->SetAsString(QStringLiteral("joined text is not a column"));
    q.Post();
    EXPECT_EQ(Stored(QStringLiteral("active"), 1).toBool(), false);
    EXPECT_EQ(Stored(QStringLiteral("comment"), 1).toString(), QStringLiteral("tuđa")); // untouched
    EXPECT_EQ(Stored(QStringLiteral("name"), 1).toString(), QStringLiteral("K1x"));     // found by key alone
}

TEST_F(CardFixture, UpdateOfARowDeletedMeanwhileIsRefused) {
    other->Execute(QStringLiteral("DELETE FROM employeecard WHERE employeecardid = 1"));
    q.Edit();
    q.FieldByName(QStringLiteral("comment"))->SetAsString(QStringLiteral("x"));
    EXPECT_THROW(q.Post(), EDatabaseError);
    EXPECT_EQ(q.GetState(), TDataSet::State::Edit); // the user may correct or cancel
    q.Cancel();
    EXPECT_EQ(q.FieldByName(QStringLiteral("comment"))->AsString(), QStringLiteral("prva"));
}

TEST_F(CardFixture, AppendFillsDatabaseDefaultsAndReadsBackTheKey) {
    q.Append();
    EXPECT_TRUE(q.FieldByName(QStringLiteral("active"))->AsBoolean()); // column default 'y'
    EXPECT_TRUE(q.FieldByName(QStringLiteral("employeecardid"))->IsNull());
    q.FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("K3"));
    q.FieldByName(QStringLiteral("cardcode"))->SetAsInteger(1003);
    q.Post();
    const qint64 id = q.FieldByName(QStringLiteral("employeecardid"))->AsLargeInt();
    EXPECT_GT(id, 2);
    EXPECT_EQ(Stored(QStringLiteral("name"), int(id)).toString(), QStringLiteral("K3"));
    EXPECT_EQ(Stored(QStringLiteral("active"), int(id)).toBool(), true);
}

TEST_F(CardFixture, InsertLeavesUnassignedColumnsToTheDatabase) {
    TZQuery points(&c);
    points.SetSQL(
        QStringLiteral("SELECT horloaccesspointid, name, macaddress, localip, publicip, udpport, tcpport "
                       "FROM horloaccesspoint"));
    points.Open();
    points.Append();
    for (auto [f, v] : {std::pair{"name", "Ulaz"},
                        {"macaddress", "00:11"},
                        {"localip", "127.0.0.2"},
                        {"publicip", "127.0.0.2"},
                        {"udpport", "5001"},
                        {"tcpport", "0"}})
        points.FieldByName(QString::fromLatin1(f))->SetAsString(QString::fromLatin1(v));
    points.Post();
    const TResultSet rs =
        other->Select(QStringLiteral("SELECT readaccess, currentdeviceindex FROM horloaccesspoint"));
    ASSERT_EQ(rs.rows.size(), 1u);
    EXPECT_TRUE(rs.rows[0][0].toBool());
    EXPECT_EQ(rs.rows[0][1].toInt(), 0);
}

TEST_F(CardFixture, CancelRestoresAndDeleteRemoves) {
    q.Edit();
    q.FieldByName(QStringLiteral("comment"))->SetAsString(QStringLiteral("izmena"));
    q.Cancel();
    EXPECT_EQ(q.FieldByName(QStringLiteral("comment"))->AsString(), QStringLiteral("prva"));
    q.Append();
    q.Cancel();
    EXPECT_EQ(q.RecordCount(), 2);
    q.Last();
    q.Delete();
    EXPECT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(Stored(QStringLiteral("name"), 2).toString(), QStringLiteral("<no row>"));
    EXPECT_EQ(Stored(QStringLiteral("name"), 1).toString(), QStringLiteral("K1"));
}

TEST_F(CardFixture, DuplicateFromTheDatabaseStoresNothing) {
    q.Append();
    q.FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("K1"));
    q.FieldByName(QStringLiteral("cardcode"))->SetAsInteger(5);
    EXPECT_THROW(q.Post(), EDatabaseError);
    q.Cancel();
    EXPECT_EQ(other->Select(QStringLiteral("SELECT COUNT(*) FROM employeecard")).rows[0][0].toInt(), 2);
}

TEST_F(CardFixture, ReadOnlyQueriesRefuseEditing) {
    q.ReadOnly = true;
    EXPECT_THROW(q.Edit(), EDatabaseError);
    EXPECT_THROW(q.Append(), EDatabaseError);
    EXPECT_THROW(q.Delete(), EDatabaseError);
}

TEST_F(CardFixture, ParametersAreLiteralsNotText) {
    TZQuery p(&c);
    p.SetSQL(
        QStringLiteral("SELECT name FROM employeecard WHERE name = :Name OR cardcode = :Code ORDER BY name"));
    p.ParamByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("x' OR '1'='1"));
    p.ParamByName(QStringLiteral("Code"))->SetAsInteger(1002);
    p.Open();
    ASSERT_EQ(p.RecordCount(), 1);
    EXPECT_EQ(p.FieldByName(QStringLiteral("name"))->AsString(), QStringLiteral("K2"));
    // a colon inside a quoted text is not a parameter
    p.Close();
    p.SetSQL(QStringLiteral("SELECT '10:30' AS t, :Code AS c"));
    EXPECT_EQ(p.Params().size(), 1u);
    p.Open();
    EXPECT_EQ(p.FieldByName(QStringLiteral("t"))->AsString(), QStringLiteral("10:30"));
    EXPECT_EQ(p.FieldByName(QStringLiteral("c"))->AsInteger(), 1002); // value kept across statements
    EXPECT_THROW(p.ParamByName(QStringLiteral("Other")), EDatabaseError);
}

TEST_F(CardFixture, CachedUpdatesWaitForApplyAndCancelRestores) {
    q.Close();
    q.CachedUpdates = true;
    q.Open();
    EXPECT_FALSE(q.UpdatesPending());
    q.First();
    q.Edit();
    q.FieldByName(QStringLiteral("comment"))->SetAsString(QStringLiteral("keš"));
    q.Post();
    q.Append();
    q.FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("K9"));
    q.FieldByName(QStringLiteral("cardcode"))->SetAsInteger(1009);
    q.Post();
    ASSERT_TRUE(q.Locate(QStringLiteral("name"), QStringLiteral("K2")));
    q.Delete();
    EXPECT_TRUE(q.UpdatesPending());
    EXPECT_EQ(Stored(QStringLiteral("comment"), 1).toString(), QStringLiteral("prva")); // nothing written yet

    q.CancelUpdates();
    EXPECT_FALSE(q.UpdatesPending());
    EXPECT_EQ(q.RecordCount(), 2);
    ASSERT_TRUE(q.Locate(QStringLiteral("name"), QStringLiteral("K1")));
    EXPECT_EQ(q.FieldByName(QStringLiteral("comment"))->AsString(), QStringLiteral("prva"));
    EXPECT_TRUE(q.Locate(QStringLiteral("name"), QStringLiteral("K2")));

    q.Edit();
    q.FieldByName(QStringLiteral("comment"))->SetAsString(QStringLiteral("druga"));
    q.Post();
    q.Append();
    q.FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("K9"));
    q.FieldByName(QStringLiteral("cardcode"))->SetAsInteger(1009);
    q.Post();
    q.ApplyUpdates();
    EXPECT_FALSE(q.UpdatesPending());
    EXPECT_EQ(Stored(QStringLiteral("comment"), 2).toString(), QStringLiteral("druga"));
    const qint64 newId = q.FieldByName(QStringLiteral("employeecardid"))->AsLargeInt();
    EXPECT_EQ(Stored(QStringLiteral("name"), int(newId)).toString(), QStringLiteral("K9"));
}

TEST_F(CardFixture, FailedApplyStoresNothingAndKeepsThePendingChanges) {
    q.Close();
    q.CachedUpdates = true;
    q.Open();
    q.First();
    q.Edit();
    q.FieldByName(QStringLiteral("comment"))->SetAsString(QStringLiteral("pre greške"));
    q.Post();
    q.Append();
    q.FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("K2")); // duplicate name
    q.FieldByName(QStringLiteral("cardcode"))->SetAsInteger(77);
    q.Post();
    EXPECT_THROW(q.ApplyUpdates(), EDatabaseError);
    EXPECT_TRUE(q.UpdatesPending());
    EXPECT_TRUE(q.FieldByName(QStringLiteral("employeecardid"))->IsNull());
    EXPECT_EQ(Stored(QStringLiteral("comment"), 1).toString(), QStringLiteral("prva"));
    q.Edit();
    q.FieldByName(QStringLiteral("name"))->SetAsString(QStringLiteral("K7"));
    q.Post();
    q.ApplyUpdates();
    EXPECT_EQ(Stored(QStringLiteral("comment"), 1).toString(), QStringLiteral("pre greške"));
    EXPECT_EQ(other->Select(QStringLiteral("SELECT COUNT(*) FROM employeecard")).rows[0][0].toInt(), 3);
}

TEST(Query, InMemorySortByFieldList) {
    TestDatabase db;
    TZConnection& c = db.Connection();
    c.Execute(QStringLiteral("INSERT INTO employeeevent (eventtime, employeeeventtypeid, employeeid, "
                             "horloaccesspointid, deviceindex) VALUES "
                             "('2024-03-01 08:00:00', 5, 2, 1, 1), ('2024-03-01 16:00:00', 10, 1, 1, 2), "
                             "('2024-03-02 08:00:00', 5, 1, 1, 3), ('2024-03-01 07:00:00', 5, 2, 1, 4)"));
    TZQuery q(&c);
    q.SetSQL(QStringLiteral("SELECT employeeid, eventtime, deviceindex FROM employeeevent"));
    q.Open();
    q.SetSortedFields(QStringLiteral("employeeid ASC, eventtime DESC"));
    QList<int> order;
    for (q.First(); !q.Eof(); q.Next())
        order << q.FieldByName(QStringLiteral("deviceindex"))->AsInteger();
    EXPECT_EQ(order, (QList<int>{3, 2, 1, 4}));
    EXPECT_THROW(q.SetSortedFields(QStringLiteral("nosuchfield ASC")), EDatabaseError);
}

TEST(Query, DeclaredFieldsMustExistInTheResult) {
    TestDatabase db;
    TZQuery q(&db.Connection());
    q.setObjectName(QStringLiteral("Q"));
    q.AddField(QStringLiteral("name"), TFieldType::String, 10);
    q.AddField(QStringLiteral("missing"), TFieldType::Integer);
    q.SetSQL(QStringLiteral("SELECT name FROM employeecard"));
    EXPECT_THROW(q.Open(), EDatabaseError);
    EXPECT_FALSE(q.Active());
}
