// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/data/HorloData.h"

#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/data/ChangeHistory.h"
#include "module/data/EmployeeColumns.h"
#include "module/data/EventTypes.h"

namespace {

struct FieldDef {
    const char* name;
    TFieldType type;
    int size;
    const char* label;
    bool required;
};

void Define(TZQuery* query, std::initializer_list<FieldDef> defs) {
    for (const FieldDef& d : defs) {
        TField* f = query->AddField(QString::fromLatin1(d.name), d.type, d.size);
        f->DisplayLabel = QString::fromUtf8(d.label);
        f->Required = d.required;
    }
}

constexpr auto kId = TFieldType::LargeInt;
constexpr auto kText = TFieldType::String;
const QString kShownDate = QStringLiteral("dd.mm.yyyy");

const char* const kHourFields[][2] = {
    {"regularworkinghours", "Redovan rad"},
    {"overtimehours", "Prekovremeno"},
    {"vacationhours", "Odmor"},
    {"paidleavehours", "Plaćeno"},
    {"redistributionhours", "Preraspodela"},
    {"unpaidleavehours", "Neplaćeno"},
    {"absencehours", "Odsustvo"},
    {"publicholidayhours", "Drž. praznik"},
    {"holidayworkinghours", "Rad na praz."},
    {"businesstriphours", "Služ. put"},
    {"nightworkinghours", "Noćni rad"},
    {"sickhours", "Bolovanje"},
    {"longsickhours", "Bolov. preko 30"},
    {"profsickhours", "Prof. bolov."},
    {"proflongsickhours", "Prof. bol. preko 30"},
    {"unallocatedhours", "Neraspoređeno"},
};

} // namespace

THorloData::THorloData(QObject* parent) : TCustomDM(parent) {
    setObjectName(QStringLiteral("HorloDM"));
    EmployeeEventZQ = AddQuery(
        QStringLiteral("EmployeeEventZQ"),
        QStringLiteral(
            "SELECT ee.*,IF(ee.employeeid > 0, CONCAT(e.lastname,' ',e.firstname), "
            "CONCAT(tg.lastname,' ',tg.firstname)) AS employeename,CONCAT(eet.name,'') AS "
            "eventtypename,CONCAT(eet.direction,'') AS eventdirection,IF(%1,'da','') AS handentered\n"
            "FROM employeeevent AS ee\n"
            "  LEFT JOIN employee AS e ON ee.employeeid = e.employeeid\n"
            "  LEFT JOIN horloguest AS tg ON ee.horloguestid = tg.horloguestid\n"
            "  LEFT JOIN employeeeventtype AS eet ON ee.employeeeventtypeid = eet.employeeeventtypeid\n"
            "WHERE ee.employeeeventid = -1")
            .arg(HandEnteredCondition(QStringLiteral("ee"))));
    EmployeeEventZQ->ReadOnly = true;
    // the event list grows by half a million rows a year: it is counted and read a page at a time
    EmployeeEventZQ->SetFetchOnDemand(200);
    EmployeeEventTypeZQ =
        AddQuery(QStringLiteral("EmployeeEventTypeZQ"), QStringLiteral("SELECT * FROM employeeeventtype"));
    HorloWorkCalendarZQ =
        AddQuery(QStringLiteral("HorloWorkCalendarZQ"),
                 QStringLiteral("SELECT * FROM horloworkcalendar WHERE horloworkcalendarid = -1"));
    HorloWorkCalendarZQ->CachedUpdates = true;
    HorloAttendanceZQ = AddQuery(
        QStringLiteral("HorloAttendanceZQ"),
        QStringLiteral(
            "SELECT ta.*,CONCAT(e.firstname,'') AS firstname,CONCAT(e.lastname,'') AS "
            "lastname,CONCAT(e.code,'') "
            "AS code,CONCAT(e.personalidentificator,'') AS personalidentificator,CONCAT(e.vocation,'') AS "
            "vocation,\n"
            "  e.startworkingdate AS startworkingdate\n"
            "FROM horloattendance AS ta LEFT JOIN employee AS e ON ta.employeeid = e.employeeid\n"
            "WHERE ta.horloattendanceid = -1\n"
            "ORDER BY lastname, firstname, ta.employeeid, ta.attendancedate"));
    HorloAttendanceZQ->CachedUpdates = true;
    HorloAccessPointZQ =
        AddQuery(QStringLiteral("HorloAccessPointZQ"),
                 QStringLiteral("SELECT * FROM horloaccesspoint ORDER BY horloaccesspointid"));
    HorloAccessPointZQ->ReadOnly = true;
    HorloAccessTicketZQ =
        AddQuery(QStringLiteral("HorloAccessTicketZQ"),
                 QStringLiteral("SELECT tat.*, ROUND(ec.cardcode + 0) AS employeecardcode FROM "
                                "horloaccessticket AS tat\n"
                                "LEFT JOIN employeecard AS ec ON tat.employeecardid = ec.employeecardid\n"
                                "WHERE tat.employeecardid = :IDEmployeeCard\n"
                                "ORDER BY tat.horloaccesspointid"));
    EmployeeCardZQ =
        AddQuery(QStringLiteral("EmployeeCardZQ"),
                 QStringLiteral("SELECT ec.*,CONCAT(e.lastname,' ',e.firstname) AS employeename,\n"
                                "  CONCAT(tg.lastname,' ',tg.firstname) AS horloguestname\n"
                                "FROM employeecard AS ec\n"
                                "  LEFT JOIN employee AS e ON ec.employeeid = e.employeeid\n"
                                "  LEFT JOIN horloguest AS tg ON ((ec.employeecardid= tg.employeecardid) AND "
                                "(tg.enddatetime IS NULL))\nORDER BY ") +
                     SerbianOrder(QStringLiteral("ec.name")));
    EmployeeEventRawZQ =
        AddQuery(QStringLiteral("EmployeeEventRawZQ"),
                 QStringLiteral("SELECT * FROM employeeeventraw WHERE employeeeventrawid = -1"));

    EmployeeEventDS = new TDataSource(EmployeeEventZQ, this);
    EmployeeEventTypeDS = new TDataSource(EmployeeEventTypeZQ, this);
    HorloWorkCalendarDS = new TDataSource(HorloWorkCalendarZQ, this);
    HorloAttendanceDS = new TDataSource(HorloAttendanceZQ, this);
    EmployeeCardDS = new TDataSource(EmployeeCardZQ, this);

    DefineFields();
}

void THorloData::DefineFields() {
    Define(EmployeeEventZQ, {{"employeeeventid", kId, 0, "", false},
                             {"comment", kText, 255, "Komentar", false},
                             {"eventtime", TFieldType::DateTime, 0, "Vreme", true},
                             {"employeeeventtypeid", kId, 0, "", true},
                             {"employeeid", kId, 0, "", true},
                             {"horloguestid", kId, 0, "", false},
                             {"horloaccesspointid", kId, 0, "", true},
                             {"horloaccessticketid", kId, 0, "", false},
                             {"cardcode", TFieldType::Integer, 0, "", false},
                             {"deviceindex", kId, 0, "", true},
                             {"employeeeventrawid", kId, 0, "", false},
                             {"employeename", kText, 101, "Zaposleni", false},
                             {"eventtypename", kText, 30, "Događaj", false},
                             {"eventdirection", kText, 1, "", false},
                             {"handentered", kText, 2, "Ručno", false}});
    EmployeeEventZQ->FieldByName(QStringLiteral("eventtime"))->DisplayFormat =
        QStringLiteral("dd.mm.yyyy hh:nn:ss");

    Define(EmployeeEventTypeZQ, {{"employeeeventtypeid", kId, 0, "", false},
                                 {"direction", kText, 1, "Smer", true},
                                 {"defaultevent", TFieldType::Boolean, 0, "", true},
                                 {"pairid", kId, 0, "", false},
                                 {"name", kText, 200, "Ime", true}});

    Define(HorloWorkCalendarZQ, {{"horloworkcalendarid", kId, 0, "", false},
                                 {"year", TFieldType::Integer, 0, "Godina", true},
                                 {"month", TFieldType::SmallInt, 0, "Mesec", true},
                                 {"workcalendardate", TFieldType::Date, 0, "Datum", true},
                                 {"dayname", kText, 10, "Dan", false},
                                 {"workday", TFieldType::Boolean, 0, "Radni dan", true}});
    HorloWorkCalendarZQworkday = HorloWorkCalendarZQ->FieldByName(QStringLiteral("workday"));
    // a month by its name where people read it
    HorloWorkCalendarZQ->FieldByName(QStringLiteral("month"))->OnGetText = [](const TField& f, bool display) {
        return display && !f.IsNull() ? MonthName(f.AsInteger()) : f.AsString();
    };
    // one date format in every grid and print
    HorloWorkCalendarZQ->FieldByName(QStringLiteral("workcalendardate"))->DisplayFormat = kShownDate;

    Define(HorloAttendanceZQ, {{"horloattendanceid", kId, 0, "", false},
                               {"employeeid", kId, 0, "", true},
                               {"attendancedate", TFieldType::Date, 0, "Datum", true}});
    HorloAttendanceZQ->FieldByName(QStringLiteral("attendancedate"))->DisplayFormat = kShownDate;
    for (const auto& hours : kHourFields) {
        TField* f = HorloAttendanceZQ->AddField(QString::fromLatin1(hours[0]), TFieldType::Float);
        f->DisplayLabel = QString::fromUtf8(hours[1]);
        f->DisplayFormat = QStringLiteral("0.##");
        f->Required = true;
    }
    Define(HorloAttendanceZQ,
           {{"comment", kText, 100, "Komentar", false},
            {"firstname", kText, EmployeeColumnSize::Firstname, "Ime", false},
            {"lastname", kText, EmployeeColumnSize::Lastname, "Prezime", false},
            {"code", kText, EmployeeColumnSize::Code, "Kod", false},
            {"personalidentificator", kText, EmployeeColumnSize::PersonalIdentificator, "JMBG", false},
            {"vocation", kText, EmployeeColumnSize::Vocation, "Radno mesto", false},
            {"startworkingdate", TFieldType::Date, 0, "Datum početka rada", false}});
    HorloAttendanceZQ->FieldByName(QStringLiteral("startworkingdate"))->DisplayFormat = kShownDate;

    Define(HorloAccessPointZQ, {{"horloaccesspointid", kId, 0, "", false},
                                {"name", kText, 50, "", true},
                                {"macaddress", kText, 30, "", true},
                                {"localip", kText, 30, "", true},
                                {"publicip", kText, 30, "", true},
                                {"udpport", TFieldType::Integer, 0, "", true},
                                {"tcpport", TFieldType::Integer, 0, "", true},
                                {"currentdeviceindex", kId, 0, "", true},
                                {"active", TFieldType::Boolean, 0, "", true},
                                {"comment", kText, 100, "", false},
                                {"allaccess", TFieldType::Boolean, 0, "", true},
                                {"readaccess", TFieldType::Boolean, 0, "", true},
                                {"outdoor", TFieldType::Boolean, 0, "", true}});

    Define(HorloAccessTicketZQ, {{"horloaccessticketid", kId, 0, "", false},
                                 {"horloaccesspointid", kId, 0, "", true},
                                 {"employeecardid", kId, 0, "", true},
                                 {"employeeid", kId, 0, "", false},
                                 {"horloguestid", kId, 0, "", false},
                                 {"active", TFieldType::Boolean, 0, "", true},
                                 {"comment", kText, 100, "", false},
                                 {"employeecardcode", TFieldType::Float, 0, "", false}});

    Define(EmployeeCardZQ, {{"employeecardid", kId, 0, "", false},
                            {"employeeid", kId, 0, "", false},
                            {"cardcode", TFieldType::Integer, 0, "Kod", true},
                            {"name", kText, 10, "ID kartice", true},
                            {"active", TFieldType::Boolean, 0, "Aktivan", true},
                            {"comment", kText, 100, "Komentar", false},
                            {"employeename", kText, 51, "Zaposleni", false},
                            {"horloguestname", kText, 51, "Gost", false}});
    EmployeeCardZQname = EmployeeCardZQ->FieldByName(QStringLiteral("name"));
    EmployeeCardZQcardcode = EmployeeCardZQ->FieldByName(QStringLiteral("cardcode"));
    EmployeeCardZQactive = EmployeeCardZQ->FieldByName(QStringLiteral("active"));

    Define(EmployeeEventRawZQ, {{"employeeeventrawid", kId, 0, "", false},
                                {"comment", kText, 100, "", false},
                                {"eventtime", TFieldType::DateTime, 0, "", true},
                                {"employeeeventtypeid", kId, 0, "", true},
                                {"employeeid", kId, 0, "", true},
                                {"horloaccesspointid", kId, 0, "", true},
                                {"horloaccessticketid", kId, 0, "", false},
                                {"cardcode", TFieldType::Integer, 0, "", false},
                                {"deviceindex", kId, 0, "", true}});

    for (TField* f : {HorloWorkCalendarZQworkday, EmployeeCardZQactive}) {
        f->OnGetText = &THorloData::HorloWorkCalendarZQworkdayGetText;
        f->OnSetText = &THorloData::HorloWorkCalendarZQworkdaySetText;
    }
    auto beforeDelete = [this](TDataSet& ds) { CommonBeforeDelete(ds); };
    for (TZQuery* q : {EmployeeEventTypeZQ, HorloWorkCalendarZQ, HorloAttendanceZQ, EmployeeCardZQ})
        q->BeforeDelete = beforeDelete;
    // who changed what: every row these write gets its history row
    for (TZQuery* q :
         {EmployeeEventTypeZQ, HorloWorkCalendarZQ, HorloAttendanceZQ, HorloAccessTicketZQ, EmployeeCardZQ})
        RecordWritesOf(*q);
    EmployeeCardZQ->BeforePost = [this](TDataSet& ds) { CommonBeforePost(ds); };
    EmployeeCardZQ->OnNewRecord = [this](TDataSet& ds) { EmployeeCardZQNewRecord(ds); };
}

void THorloData::CreateFieldValidations() {
    FieldValidations.clear();
    for (const auto& [field, column] :
         {std::pair{EmployeeCardZQname, "name"}, std::pair{EmployeeCardZQcardcode, "cardcode"}}) {
        const QString columnName = QString::fromLatin1(column);
        FieldValidations.push_back(FieldValidation(
            field, true,
            [columnName](TField* f) {
                return TestZeroLength(f) && TestUnique(f, QStringLiteral("employeecard"), columnName,
                                                       QStringLiteral("employeecardid"), QString(), 0);
            },
            _CMN_FIELD_REQUIRED_ERR, _CMN_FIELD_INVALIDE_ERR));
    }
}

void THorloData::CreateRelations() {
    // An event type's identifier is the code its events and raw records carry: a type
    // in use stays, or those rows would lose their kind.
    Relations.clear();
    Relations.push_back({QStringLiteral("employeeeventtype"),
                         QStringLiteral("employeeevent"),
                         QStringLiteral("employeeeventtypeid"),
                         {}});
    Relations.push_back({QStringLiteral("employeeeventtype"),
                         QStringLiteral("employeeeventraw"),
                         QStringLiteral("employeeeventtypeid"),
                         {}});
    // A card with tickets may still be in the devices, and its tickets name its swipes:
    // it is withdrawn first. Whoever holds cards or tickets stays as long.
    Relations.push_back({QStringLiteral("employeecard"), QStringLiteral("horloaccessticket"),
                         QStringLiteral("employeecardid"), QString::fromUtf8(_CARD_HAS_TICKETS_ERR)});
    for (const char* holder : {"employee", "horloguest"}) {
        const QString table = QString::fromLatin1(holder), column = table + QStringLiteral("id");
        Relations.push_back({table, QStringLiteral("employeecard"), column, {}});
        Relations.push_back({table, QStringLiteral("horloaccessticket"), column, {}});
    }
}

void THorloData::DataModuleCreate() {
    TCustomDM::DataModuleCreate();
    BuildValidator();
}

QString THorloData::HorloWorkCalendarZQworkdayGetText(const TField& field, bool) {
    return field.AsBoolean() ? _YES_CAP : _NO_CAP;
}

void THorloData::HorloWorkCalendarZQworkdaySetText(TField& field, const QString& text) {
    field.SetAsBoolean(text != _NO_CAP);
}

void THorloData::EmployeeCardZQNewRecord(TDataSet&) {
    EmployeeCardZQactive->SetAsBoolean(true);
}

qint64 THorloData::GetDefaultEventTypeID(QChar direction) const {
    if (!ZConnection()) throw EDatabaseError(_CMN_DB_NOT_CONNECTED_ERR);
    return DefaultEventTypeID(*ZConnection(), direction);
}

void THorloData::GetEventType(qint64 id, QChar& direction, QString& name) const {
    name.clear();
    if (!ZConnection()) throw EDatabaseError(_CMN_DB_NOT_CONNECTED_ERR);
    const TResultSet rs = ZConnection()->Select(Format(
        QStringLiteral("SELECT eet.* FROM employeeeventtype AS eet WHERE eet.employeeeventtypeid = %d "),
        {id}));
    if (rs.rows.empty()) return;
    const QString dir = rs.Value(0, QStringLiteral("direction")).toString();
    if (!dir.isEmpty()) direction = dir[0];
    name = rs.Value(0, QStringLiteral("name")).toString();
}

qint64 THorloData::GetInverseEventTypeID(qint64 id) const {
    if (!ZConnection()) throw EDatabaseError(_CMN_DB_NOT_CONNECTED_ERR);
    return InverseEventTypeID(*ZConnection(), id);
}
