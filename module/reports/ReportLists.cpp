// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/reports/ReportLists.h"

#include "host/data/Database.h"
#include "module/data/EmployeeColumns.h"

namespace {

TField* Add(TClientDataSet& list, const QString& name, TFieldType type, int size, const QString& label,
            bool visible = true) {
    TField* f = list.AddField(name, type, size);
    f->DisplayLabel = label;
    f->Visible = visible;
    return f;
}

void AddOrders(TClientDataSet& list, const QStringList& fields) {
    for (const QString& f : fields) {
        list.AddIndex(f + QLatin1Char('A'), f);
        list.AddIndex(f + QLatin1Char('D'), f, f);
    }
}

// A length shown as hours beside minutes sorts by both, by its title's click on either.
void AddLengthOrders(TClientDataSet& list, const QString& hours, const QString& minutes) {
    const QString whole = hours + QLatin1Char(';') + minutes;
    for (const QString& f : {hours, minutes}) {
        list.AddIndex(f + QLatin1Char('A'), whole);
        list.AddIndex(f + QLatin1Char('D'), whole, whole);
    }
}

// Rows are appended in the order given and sorted once at the end.
template <class F> void Refill(TClientDataSet& list, F appendRows) {
    list.DisableControls();
    const QString order = list.IndexName();
    try {
        list.SetSortedFields(QString());
        list.EmptyDataSet();
        appendRows();
        list.SetIndexName(order);
        list.First();
    } catch (...) {
        list.Cancel();
        list.SetIndexName(order);
        list.First();
        list.EnableControls();
        throw;
    }
    list.EnableControls();
}

void SetEmployee(TClientDataSet& list, const TReportEmployee& e) {
    list.FieldByName(QStringLiteral("EmpID"))->SetAsLargeInt(e.EmpID);
    list.FieldByName(QStringLiteral("EmpFirstname"))->SetAsString(e.EmpFirstname);
    list.FieldByName(QStringLiteral("EmpLastname"))->SetAsString(e.EmpLastname);
    list.FieldByName(QStringLiteral("EmpVocation"))->SetAsString(e.EmpVocation);
    list.FieldByName(QStringLiteral("EmpForeignVocation"))->SetAsString(e.EmpForeignVocation);
    list.FieldByName(QStringLiteral("EmpCode"))->SetAsString(e.EmpCode);
    list.FieldByName(QStringLiteral("EmpStartWorkingDate"))
        ->SetValue(e.EmpStartWorkingDate.isValid() ? QVariant(e.EmpStartWorkingDate) : QVariant());
    list.FieldByName(QStringLiteral("EmpOrgUnit"))->SetAsString(e.EmpOrgUnit);
    list.FieldByName(QStringLiteral("EmpContractType"))->SetAsString(e.EmpContractType);
}

} // namespace

void DefinePresenceList(TClientDataSet& list, TPresenceKind kind) {
    Add(list, QStringLiteral("EmpID"), TFieldType::Integer, 0, QString(), false);
    Add(list, QStringLiteral("EmpFirstname"), TFieldType::String, EmployeeColumnSize::Firstname,
        QStringLiteral("Ime"));
    Add(list, QStringLiteral("EmpLastname"), TFieldType::String, EmployeeColumnSize::Lastname,
        QStringLiteral("Prezime"));
    Add(list, QStringLiteral("EmpVocation"), TFieldType::String, EmployeeColumnSize::Vocation,
        QStringLiteral("Radno mesto"));
    Add(list, QStringLiteral("EmpForeignVocation"), TFieldType::String, EmployeeColumnSize::ForeignVocation,
        QStringLiteral("Strano radno mesto"));
    Add(list, QStringLiteral("EmpCode"), TFieldType::String, EmployeeColumnSize::Code, QStringLiteral("Kod"));
    Add(list, QStringLiteral("EmpStartWorkingDate"), TFieldType::Date, 0,
        QStringLiteral("Datum početka rada"))
        ->DisplayFormat = QStringLiteral("dd.mm.yyyy");
    Add(list, QStringLiteral("EmpOrgUnit"), TFieldType::String, EmployeeColumnSize::OrganizationUnit,
        QStringLiteral("Organizaciona jed."));
    Add(list, QStringLiteral("EmpContractType"), TFieldType::String, EmployeeColumnSize::ContractType,
        QStringLiteral("Tip ugovora"));
    QStringList orders{QStringLiteral("EmpFirstname"), QStringLiteral("EmpLastname"),
                       QStringLiteral("EmpVocation"), QStringLiteral("EmpCode"),
                       QStringLiteral("EmpOrgUnit")};
    if (kind == TPresenceKind::Late) {
        Add(list, QStringLiteral("EventTime"), TFieldType::DateTime, 0, QStringLiteral("Vreme dolaska"))
            ->DisplayFormat = QStringLiteral("dd.mm.yyyy hh:nn:ss");
        orders << QStringLiteral("EventTime");
    } else if (kind == TPresenceKind::Absent) {
        Add(list, QStringLiteral("EmpWorkState"), TFieldType::String, 100, QStringLiteral("Status"));
        orders << QStringLiteral("EmpWorkState");
    }
    AddOrders(list, orders);
    list.CreateDataSet();
}

void DefineHoursList(TClientDataSet& list) {
    Add(list, QStringLiteral("employeeid"), TFieldType::Integer, 0, QString(), false);
    Add(list, QStringLiteral("EmpLastname"), TFieldType::String, EmployeeColumnSize::Lastname,
        QStringLiteral("Prezime"));
    Add(list, QStringLiteral("EmpFirstname"), TFieldType::String, EmployeeColumnSize::Firstname,
        QStringLiteral("Ime"));
    Add(list, QStringLiteral("EmpVocation"), TFieldType::String, EmployeeColumnSize::Vocation,
        QStringLiteral("Radno mesto"));
    Add(list, QStringLiteral("TotHours"), TFieldType::Integer, 0, QStringLiteral("Sati"));
    Add(list, QStringLiteral("TotMinutes"), TFieldType::Integer, 0, QStringLiteral("Minuta"));
    AddOrders(list,
              {QStringLiteral("EmpLastname"), QStringLiteral("EmpFirstname"), QStringLiteral("EmpVocation")});
    AddLengthOrders(list, QStringLiteral("TotHours"), QStringLiteral("TotMinutes"));
    list.CreateDataSet();
}

void DefineWarningsList(TClientDataSet& list) {
    Add(list, QStringLiteral("EmployeeID"), TFieldType::Integer, 0, QString(), false);
    Add(list, QStringLiteral("EmpFirstname"), TFieldType::String, EmployeeColumnSize::Firstname,
        QStringLiteral("Ime"));
    Add(list, QStringLiteral("EmpLastname"), TFieldType::String, EmployeeColumnSize::Lastname,
        QStringLiteral("Prezime"));
    Add(list, QStringLiteral("EventID"), TFieldType::Integer, 0, QString(), false);
    Add(list, QStringLiteral("EventType"), TFieldType::String, 200, QStringLiteral("Događaj"));
    Add(list, QStringLiteral("EventTime"), TFieldType::DateTime, 0, QStringLiteral("Vreme"))->DisplayFormat =
        QStringLiteral("dd.mm.yy hh:nn:ss");
    Add(list, QStringLiteral("LengthH"), TFieldType::Integer, 0, QStringLiteral("Sati"));
    Add(list, QStringLiteral("LengthM"), TFieldType::Integer, 0, QStringLiteral("Minuta"));
    Add(list, QStringLiteral("Warning"), TFieldType::String, 40, QStringLiteral("Upozorenje"));
    AddOrders(list, {QStringLiteral("EmpFirstname"), QStringLiteral("EmpLastname"),
                     QStringLiteral("EventType"), QStringLiteral("EventTime"), QStringLiteral("Warning")});
    AddLengthOrders(list, QStringLiteral("LengthH"), QStringLiteral("LengthM"));
    list.CreateDataSet();
}

QStringList PresenceColumns(TPresenceKind kind) {
    QStringList columns{QStringLiteral("EmpLastname"), QStringLiteral("EmpFirstname"),
                        QStringLiteral("EmpCode"),     QStringLiteral("EmpStartWorkingDate"),
                        QStringLiteral("EmpVocation"), QStringLiteral("EmpForeignVocation"),
                        QStringLiteral("EmpOrgUnit"),  QStringLiteral("EmpContractType")};
    if (kind == TPresenceKind::Late) columns << QStringLiteral("EventTime");
    if (kind == TPresenceKind::Absent) columns << QStringLiteral("EmpWorkState");
    return columns;
}

QStringList HoursColumns() {
    return {QStringLiteral("EmpLastname"), QStringLiteral("EmpFirstname"), QStringLiteral("EmpVocation"),
            QStringLiteral("TotHours"), QStringLiteral("TotMinutes")};
}

QStringList WarningsColumns() {
    return {QStringLiteral("EmpLastname"), QStringLiteral("EmpFirstname"), QStringLiteral("EventType"),
            QStringLiteral("EventTime"),   QStringLiteral("LengthH"),      QStringLiteral("LengthM"),
            QStringLiteral("Warning")};
}

void FillPresenceList(TClientDataSet& list, const std::vector<TPresentEmployee>& rows) {
    TField* time = list.FindField(QStringLiteral("EventTime"));
    Refill(list, [&] {
        for (const TPresentEmployee& p : rows) {
            list.Append();
            SetEmployee(list, p.employee);
            if (time) time->SetAsDateTime(p.firstArrival);
            list.Post();
        }
    });
}

void FillAbsentList(TClientDataSet& list, const std::vector<TAbsentEmployee>& rows) {
    TField* state = list.FieldByName(QStringLiteral("EmpWorkState"));
    Refill(list, [&] {
        for (const TAbsentEmployee& a : rows) {
            list.Append();
            SetEmployee(list, a.employee);
            state->SetAsString(a.workState);
            list.Post();
        }
    });
}

void AppendHoursRow(TClientDataSet& list, const THoursRow& r) {
    list.Append();
    list.FieldByName(QStringLiteral("employeeid"))->SetAsLargeInt(r.employeeId);
    list.FieldByName(QStringLiteral("EmpLastname"))->SetAsString(r.lastName);
    list.FieldByName(QStringLiteral("EmpFirstname"))->SetAsString(r.firstName);
    list.FieldByName(QStringLiteral("EmpVocation"))->SetAsString(r.vocation);
    list.FieldByName(QStringLiteral("TotHours"))->SetAsInteger(r.TotHours());
    list.FieldByName(QStringLiteral("TotMinutes"))->SetAsInteger(r.TotMinutes());
    list.Post();
}

void AppendWarningRow(TClientDataSet& list, const TWarningRow& w) {
    list.Append();
    list.FieldByName(QStringLiteral("EmployeeID"))->SetAsLargeInt(w.employeeId);
    list.FieldByName(QStringLiteral("EmpFirstname"))->SetAsString(w.firstName);
    list.FieldByName(QStringLiteral("EmpLastname"))->SetAsString(w.lastName);
    list.FieldByName(QStringLiteral("EventID"))->SetAsLargeInt(w.eventId);
    list.FieldByName(QStringLiteral("EventType"))->SetAsString(w.eventType);
    list.FieldByName(QStringLiteral("EventTime"))->SetAsDateTime(w.eventTime);
    list.FieldByName(QStringLiteral("LengthH"))->SetAsInteger(w.LengthH());
    list.FieldByName(QStringLiteral("LengthM"))->SetAsInteger(w.LengthM());
    list.FieldByName(QStringLiteral("Warning"))->SetAsString(WarningKindText(w.kind));
    list.Post();
}

void FillHoursList(TClientDataSet& list, const std::vector<THoursRow>& rows) {
    Refill(list, [&] {
        for (const THoursRow& r : rows)
            AppendHoursRow(list, r);
    });
}

void FillWarningsList(TClientDataSet& list, const std::vector<TWarningRow>& rows) {
    Refill(list, [&] {
        for (const TWarningRow& w : rows)
            AppendWarningRow(list, w);
    });
}

QString NextSortOrder(const TClientDataSet& list, const QString& fieldName) {
    const QString ascending = fieldName + QLatin1Char('A');
    if (fieldName.isEmpty() || !list.HasIndex(ascending)) return {};
    return list.IndexName() != ascending ? ascending : fieldName + QLatin1Char('D');
}

TPresenceTable PresenceTable(const TDataSet& present, const TDataSet& late, const TDataSet& absent,
                             bool forPeople) {
    QStringList names;
    if (forPeople)
        names = PresenceColumns(TPresenceKind::Present);
    else
        for (const auto& f : present.Fields())
            names << f->FieldName();
    names << QStringLiteral("EventTime") << QStringLiteral("EmpWorkState");
    const struct {
        const char *name, *title;
        const TDataSet* rows;
    } lists[] = {
        {"present", "Prisutni", &present}, {"late", "Kasnili", &late}, {"absent", "Odsutni", &absent}};
    TPresenceTable table;
    table.list.columns.push_back({QStringLiteral("list"), QStringLiteral("Lista"), TCellType::Text});
    for (const QString& name : names) {
        const TField* f = present.FindField(name);
        if (!f) f = late.FindField(name);
        if (!f) f = absent.FindField(name);
        table.list.columns.push_back(FieldColumns({f}).front());
    }
    for (const auto& l : lists) {
        std::vector<const TField*> fields; // of this list; none where it has no such field
        for (const QString& name : names)
            fields.push_back(l.rows->FindField(name));
        for (int row = 0; row < l.rows->RecordCount(); ++row) {
            TListRow cells{TListCell(QString::fromLatin1(l.name), QString::fromUtf8(l.title))};
            for (const TField* f : fields)
                cells.push_back(f ? DataSetRow(*l.rows, row, {f}).front() : TListCell());
            table.rows.push_back(std::move(cells));
        }
    }
    return table;
}
