// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/data/CustomDM.h"
#include "host/data/DBIniFile.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>

TEST(DBIniFile, MissingKeysGiveDefaultsAndWritesRoundTrip) {
    TestDatabase db;
    TDBIniFile ini(&db.Connection());
    EXPECT_EQ(ini.ReadString(QStringLiteral("Horlo"), QStringLiteral("StartWorkingTime"),
                             QStringLiteral("09:00:00")),
              QStringLiteral("09:00:00"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Horlo"), QStringLiteral("MinCalcLen"), 360), 360);
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("Horlo"), QStringLiteral("AllEmp"), true));

    ini.WriteString(QStringLiteral("Horlo"), QStringLiteral("FromEventIDs"), QStringLiteral("5,15"));
    ini.WriteInteger(QStringLiteral("Horlo"), QStringLiteral("MinCalcLen"), 300);
    ini.WriteBool(QStringLiteral("Horlo"), QStringLiteral("AllEmp"), false);
    ini.WriteString(QStringLiteral("Horlo"), QStringLiteral("Napomena"), QStringLiteral("Čačak 'x'"));
    ini.WriteString(QStringLiteral("Drugo"), QStringLiteral("MinCalcLen"), QStringLiteral("abc"));
    ini.WriteInteger(QStringLiteral("Horlo"), QStringLiteral("MinCalcLen"), 320); // overwrite

    TDBIniFile again(&db.Connection());
    EXPECT_EQ(again.ReadString(QStringLiteral("Horlo"), QStringLiteral("FromEventIDs"), QString()),
              QStringLiteral("5,15"));
    EXPECT_EQ(again.ReadInteger(QStringLiteral("Horlo"), QStringLiteral("MinCalcLen"), 360), 320);
    EXPECT_FALSE(again.ReadBool(QStringLiteral("Horlo"), QStringLiteral("AllEmp"), true));
    EXPECT_EQ(again.ReadString(QStringLiteral("Horlo"), QStringLiteral("Napomena"), QString()),
              QStringLiteral("Čačak 'x'"));
    EXPECT_EQ(again.ReadInteger(QStringLiteral("Drugo"), QStringLiteral("MinCalcLen"), 7), 7); // not a number
    EXPECT_TRUE(again.ValueExists(QStringLiteral("Horlo"), QStringLiteral("AllEmp")));
    again.DeleteKey(QStringLiteral("Horlo"), QStringLiteral("AllEmp"));
    EXPECT_TRUE(again.ReadBool(QStringLiteral("Horlo"), QStringLiteral("AllEmp"), true));
}

namespace {

// A data module with one checked, unique field and one relation.
class TestDM : public TCustomDM {
public:
    TZQuery* Cards = AddQuery(QStringLiteral("Cards"), QStringLiteral("SELECT * FROM employeecard"));
    TField* Name = Cards->AddField(QStringLiteral("name"), TFieldType::String, 10);
    TField* Code = Cards->AddField(QStringLiteral("cardcode"), TFieldType::Integer);
    TField* Id = Cards->AddField(QStringLiteral("employeecardid"), TFieldType::LargeInt);
    TField* Employee = Cards->AddField(QStringLiteral("employeeid"), TFieldType::LargeInt);

protected:
    void CreateFieldValidations() override {
        FieldValidations.push_back(FieldValidation(
            Name, true,
            [](TField* f) {
                return TestZeroLength(f) &&
                       TestUnique(f, QStringLiteral("employeecard"), QStringLiteral("name"),
                                  QStringLiteral("employeecardid"), QString(), 0);
            },
            _CMN_FIELD_REQUIRED_ERR, _CMN_FIELD_INVALIDE_ERR));
    }
    void CreateRelations() override {
        Relations.push_back({QStringLiteral("employeecard"),
                             QStringLiteral("horloaccessticket"),
                             QStringLiteral("employeecardid"),
                             {}});
    }
    void DataModuleCreate() override {
        TCustomDM::DataModuleCreate();
        BuildValidator();
        Name->DisplayLabel = QStringLiteral("ID kartice");
        Cards->BeforePost = [this](TDataSet& ds) { CommonBeforePost(ds); };
        Cards->BeforeDelete = [this](TDataSet& ds) { CommonBeforeDelete(ds); };
    }
};

QString PostError(TDataSet& ds) {
    try {
        ds.Post();
    } catch (const EDatabaseError& e) {
        return e.Message();
    }
    return QString();
}

} // namespace

TEST(Validator, RequiredAndUniqueChecksWithTheHostTexts) {
    TestDatabase db;
    db.Connection().Execute(
        QStringLiteral("INSERT INTO employeecard (employeecardid, cardcode, name) VALUES (1, 1, 'A')"));
    TestDM dm;
    dm.Initialize();
    dm.SetZConnection(&db.Connection());
    dm.Cards->Open();

    struct Case {
        const char* name;
        const char* error; // empty: stored
    } cases[] = {{"", "required"}, {"A", "invalid"}, {"B", ""}};
    int code = 10;
    for (const Case& c : cases) {
        dm.Cards->Append();
        dm.Code->SetAsInteger(code++);
        dm.Name->SetAsString(QString::fromLatin1(c.name));
        const QString error = PostError(*dm.Cards);
        if (QByteArray(c.error) == "required")
            EXPECT_EQ(error, Format(_CMN_FIELD_REQUIRED_ERR, {QStringLiteral("ID kartice")}));
        else if (QByteArray(c.error) == "invalid")
            EXPECT_EQ(error, Format(_CMN_FIELD_INVALIDE_ERR, {QStringLiteral("ID kartice")}));
        else
            EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        if (!error.isEmpty()) dm.Cards->Cancel();
    }
    // editing a card without changing its name: its own row is no duplicate
    ASSERT_TRUE(dm.Cards->Locate(QStringLiteral("name"), QStringLiteral("A")));
    dm.Cards->Edit();
    dm.Code->SetAsInteger(99);
    EXPECT_TRUE(PostError(*dm.Cards).isEmpty());
    EXPECT_EQ(db.Connection().Select(QStringLiteral("SELECT COUNT(*) FROM employeecard")).rows[0][0].toInt(),
              2);
}

TEST(Validator, RelationsRefuseDeletingReferencedRows) {
    TestDatabase db;
    db.Connection().Execute(QStringLiteral(
        "INSERT INTO employeecard (employeecardid, cardcode, name) VALUES (1, 1, 'A'), (2, 2, 'B')"));
    db.Connection().Execute(
        QStringLiteral("INSERT INTO horloaccessticket (horloaccesspointid, employeecardid) VALUES (1, 1)"));
    TestDM dm;
    dm.Initialize();
    dm.SetZConnection(&db.Connection());
    dm.Cards->Open();
    ASSERT_TRUE(dm.Cards->Locate(QStringLiteral("name"), QStringLiteral("A")));
    EXPECT_THROW(dm.Cards->Delete(), EDatabaseError);
    ASSERT_TRUE(dm.Cards->Locate(QStringLiteral("name"), QStringLiteral("B")));
    dm.Cards->Delete();
    EXPECT_EQ(db.Connection().Select(QStringLiteral("SELECT name FROM employeecard")).rows.size(), 1u);

    QStringList names;
    dm.GetFieldValues(QStringLiteral("name"), QStringLiteral("employeecard"), names, true, QString(),
                      QString());
    EXPECT_EQ(names, QStringList{QStringLiteral("A")});
    EXPECT_THROW(
        dm.GetFieldValues(QStringLiteral("name; DROP"), QStringLiteral("employeecard"), names, true, {}, {}),
        EDatabaseError);
}
