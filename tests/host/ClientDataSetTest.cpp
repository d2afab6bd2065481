// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/data/ClientDataSet.h"

#include <gtest/gtest.h>

namespace {

struct Report {
    TClientDataSet cds;
    Report() {
        cds.setObjectName(QStringLiteral("ReportCDS"));
        cds.AddField(QStringLiteral("EmpLastname"), TFieldType::String, 30);
        cds.AddField(QStringLiteral("TotHours"), TFieldType::Integer);
        cds.AddIndex(QStringLiteral("EmpLastnameA"), QStringLiteral("EmpLastname"));
        cds.AddIndex(QStringLiteral("EmpLastnameD"), QStringLiteral("EmpLastname"),
                     QStringLiteral("EmpLastname"));
        cds.AddIndex(QStringLiteral("TotHoursD"), QStringLiteral("TotHours"), QStringLiteral("TotHours"));
        cds.CreateDataSet();
    }
    void Add(const QString& name, int hours) {
        cds.Append();
        cds.FieldByName(QStringLiteral("EmpLastname"))->SetAsString(name);
        cds.FieldByName(QStringLiteral("TotHours"))->SetAsInteger(hours);
        cds.Post();
    }
    QStringList Names() {
        QStringList names;
        for (cds.First(); !cds.Eof(); cds.Next())
            names << cds.FieldByName(QStringLiteral("EmpLastname"))->AsString();
        return names;
    }
};

} // namespace

TEST(ClientDataSet, NamedSortOrdersUseSerbianAlphabetAndHoldAfterPosts) {
    Report r;
    for (auto [name, hours] :
         {std::pair{"Živković", 3}, {"Čolić", 9}, {"cvetković", 1}, {"Šarić", 7}, {"Zec", 5}})
        r.Add(QString::fromUtf8(name), hours);
    r.cds.SetIndexName(QStringLiteral("EmpLastnameA"));
    EXPECT_EQ(r.Names(),
              (QStringList{QStringLiteral("cvetković"), QStringLiteral("Čolić"), QStringLiteral("Šarić"),
                           QStringLiteral("Zec"), QStringLiteral("Živković")}));
    r.cds.SetIndexName(QStringLiteral("EmpLastnameD"));
    EXPECT_EQ(r.Names().first(), QStringLiteral("Živković"));
    r.cds.SetIndexName(QStringLiteral("TotHoursD"));
    r.Add(QStringLiteral("Novi"), 8); // a new row takes its place in the chosen order
    EXPECT_EQ(r.Names(),
              (QStringList{QStringLiteral("Čolić"), QStringLiteral("Novi"), QStringLiteral("Šarić"),
                           QStringLiteral("Zec"), QStringLiteral("Živković"), QStringLiteral("cvetković")}));
    EXPECT_THROW(r.cds.SetIndexName(QStringLiteral("NoSuchOrder")), EDatabaseError);
    EXPECT_EQ(r.cds.IndexName(), QStringLiteral("TotHoursD"));
}

TEST(ClientDataSet, EditingKeepsTheCurrentRecordAndNullsSortFirst) {
    Report r;
    r.Add(QStringLiteral("B"), 2);
    r.Add(QStringLiteral("A"), 1);
    r.cds.Append();
    r.cds.FieldByName(QStringLiteral("TotHours"))->SetAsInteger(0);
    r.cds.Post(); // no name
    r.cds.SetIndexName(QStringLiteral("EmpLastnameA"));
    EXPECT_EQ(r.Names(), (QStringList{QString(), QStringLiteral("A"), QStringLiteral("B")}));
    ASSERT_TRUE(r.cds.Locate(QStringLiteral("EmpLastname"), QStringLiteral("b"), true));
    r.cds.Edit();
    r.cds.FieldByName(QStringLiteral("EmpLastname"))->SetAsString(QStringLiteral("0"));
    r.cds.Post();
    EXPECT_EQ(r.cds.FieldByName(QStringLiteral("TotHours"))->AsInteger(), 2); // still on the edited row
    EXPECT_EQ(r.cds.RecIndex(), 1);
    r.cds.EmptyDataSet();
    EXPECT_TRUE(r.cds.IsEmpty());
    EXPECT_TRUE(r.cds.Eof());
}

TEST(ClientDataSet, FieldConversionsAndRequiredCheck) {
    TClientDataSet cds;
    TField* hours = cds.AddField(QStringLiteral("hours"), TFieldType::Float);
    hours->DisplayFormat = QStringLiteral("0.##");
    TField* when = cds.AddField(QStringLiteral("when"), TFieldType::DateTime);
    when->DisplayFormat = QStringLiteral("dd.mm.yyyy hh:nn:ss");
    TField* name = cds.AddField(QStringLiteral("name"), TFieldType::String, 10);
    name->Required = true;
    cds.CreateDataSet();
    cds.Append();
    hours->SetAsString(QStringLiteral("7,5"));
    when->SetAsString(QStringLiteral("2024-03-01 08:05:00"));
    EXPECT_THROW(cds.Post(), EDatabaseError); // name is required
    name->SetAsString(QString());             // empty text is no value
    EXPECT_TRUE(name->IsNull());
    EXPECT_THROW(cds.Post(), EDatabaseError);
    name->SetAsString(QStringLiteral("x"));
    EXPECT_THROW(hours->SetAsString(QStringLiteral("abc")), EDatabaseError);
    cds.Post();
    EXPECT_EQ(hours->DisplayText(), QStringLiteral("7.5"));
    EXPECT_EQ(when->DisplayText(), QStringLiteral("01.03.2024 08:05:00"));
    EXPECT_EQ(when->AsDateTime().timeSpec(), Qt::UTC);
}
