// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/worktime/AttendanceSheet.h"

#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"

#include "module/data/EmployeeColumns.h"
#include <QScopeGuard>

namespace {

QString LikePrefix(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('%'), QLatin1String("\\%"))
        .replace(QLatin1Char('_'), QLatin1String("\\_"));
    return t;
}

QString AllZero(const QStringList& fields) {
    QStringList parts;
    for (const QString& f : fields)
        parts << QStringLiteral("(ta.%1 = 0)").arg(f);
    return parts.join(QStringLiteral(" AND "));
}

} // namespace

const QStringList& AttendanceHourFields() {
    static const QStringList fields{
        QStringLiteral("regularworkinghours"), QStringLiteral("overtimehours"),
        QStringLiteral("vacationhours"),       QStringLiteral("paidleavehours"),
        QStringLiteral("redistributionhours"), QStringLiteral("unpaidleavehours"),
        QStringLiteral("absencehours"),        QStringLiteral("publicholidayhours"),
        QStringLiteral("holidayworkinghours"), QStringLiteral("businesstriphours"),
        QStringLiteral("nightworkinghours"),   QStringLiteral("sickhours"),
        QStringLiteral("longsickhours"),       QStringLiteral("profsickhours"),
        QStringLiteral("proflongsickhours"),   QStringLiteral("unallocatedhours")};
    return fields;
}

const QStringList& AttendanceSummedHourFields() {
    static const QStringList fields = [] {
        QStringList f = AttendanceHourFields();
        f.removeAll(QStringLiteral("nightworkinghours"));
        return f;
    }();
    return fields;
}

const QStringList& AttendanceSheetColumns() {
    static const QStringList columns = [] {
        QStringList c{
            QStringLiteral("code"),     QStringLiteral("lastname"),         QStringLiteral("firstname"),
            QStringLiteral("vocation"), QStringLiteral("startworkingdate"), QStringLiteral("attendancedate")};
        c << AttendanceHourFields() << QStringLiteral("comment");
        return c;
    }();
    return columns;
}

QString AttendanceCondition(const TAttendanceView& view, const TZConnection& connection) {
    QString c;
    if (!view.code.isEmpty()) c = QStringLiteral("AND e.code = '%1'").arg(connection.Escape(view.code));
    if (!view.lastName.isEmpty())
        c += QStringLiteral(" AND e.lastname LIKE '%1%'").arg(connection.Escape(LikePrefix(view.lastName)));
    if (!view.firstName.isEmpty())
        c += QStringLiteral(" AND e.firstname LIKE '%1%'").arg(connection.Escape(LikePrefix(view.firstName)));
    const QStringList& summed = AttendanceSummedHourFields();
    switch (view.filter) {
    case TAttendanceFilter::None:
        break;
    case TAttendanceFilter::Absent:
        c += QStringLiteral(" AND (") + AllZero(summed) + QLatin1Char(')');
        break;
    case TAttendanceFilter::Short:
        c += QStringLiteral(" AND ((ta.regularworkinghours > 0) AND (ta.regularworkinghours < 8) AND ") +
             AllZero(summed.mid(1)) + QLatin1Char(')');
        break;
    case TAttendanceFilter::Overtime:
        c += QStringLiteral(" AND (ta.overtimehours != 0)");
        break;
    case TAttendanceFilter::Vacation:
        c += QStringLiteral(" AND (ta.vacationhours != 0)");
        break;
    case TAttendanceFilter::Redistribution:
        c += QStringLiteral(" AND (ta.redistributionhours != 0)");
        break;
    case TAttendanceFilter::Sick:
        c += QStringLiteral(" AND (ta.sickhours != 0)");
        break;
    case TAttendanceFilter::Unallocated:
        c += QStringLiteral(" AND (ta.unallocatedhours != 0)");
        break;
    }
    return c;
}

QString AttendanceStatement(const TAttendanceView& view, const TZConnection& connection) {
    return QStringLiteral(
               "SELECT ta.*,CONCAT(e.firstname,'') AS firstname,CONCAT(e.lastname,'') AS lastname,"
               "CONCAT(e.code,'') AS code,CONCAT(e.personalidentificator,'') AS personalidentificator,"
               "CONCAT(e.vocation,'') AS vocation, e.startworkingdate AS startworkingdate FROM "
               "horloattendance AS ta LEFT JOIN employee AS e ON ta.employeeid = "
               "e.employeeid WHERE attendancedate >= '") +
           connection.Escape(SqlDate(TypedDate(view.fromDate))) +
           QStringLiteral("' AND attendancedate <= '") + connection.Escape(SqlDate(TypedDate(view.toDate))) +
           QStringLiteral("' ") + AttendanceCondition(view, connection) + QStringLiteral(" ORDER BY code, ") +
           SerbianOrder(QStringLiteral("e.lastname")) + QStringLiteral(", ") +
           SerbianOrder(QStringLiteral("e.firstname")) + QStringLiteral(", ta.employeeid, ta.attendancedate");
}

qint64 CountSheetRows(TZConnection& connection, const TAttendanceView& view) {
    return connection
        .Select(QStringLiteral("SELECT COUNT(*) FROM (") + AttendanceStatement(view, connection) +
                QStringLiteral(") AS sheet"))
        .rows[0][0]
        .toLongLong();
}

void AppendSheetRow(TDataSet& sheet, const TAttendanceEmployee& employee, const QDate& day, int minutes) {
    sheet.Append();
    sheet.FieldByName(QStringLiteral("employeeid"))->SetAsLargeInt(employee.employeeId);
    sheet.FieldByName(QStringLiteral("attendancedate"))->SetValue(day);
    for (const QString& f : AttendanceSummedHourFields())
        sheet.FieldByName(f)->SetAsFloat(0);
    sheet.FieldByName(QStringLiteral("code"))->SetAsString(employee.code);
    sheet.FieldByName(QStringLiteral("firstname"))->SetAsString(employee.firstName);
    sheet.FieldByName(QStringLiteral("lastname"))->SetAsString(employee.lastName);
    sheet.FieldByName(QStringLiteral("personalidentificator"))->SetAsString(employee.personalIdentificator);
    sheet.FieldByName(QStringLiteral("vocation"))->SetAsString(employee.vocation);
    sheet.FieldByName(QStringLiteral("startworkingdate"))
        ->SetValue(QDate::fromString(employee.startWorkingDate, QStringLiteral("dd.MM.yyyy")));
    if (minutes > 0) {
        sheet.FieldByName(QStringLiteral("regularworkinghours"))->SetAsFloat(RegularHours(minutes));
        sheet.FieldByName(QStringLiteral("unallocatedhours"))->SetAsFloat(UnallocatedHours(minutes));
    }
    sheet.Post();
}

bool SheetHasRow(const TDataSet& sheet, qint64 employeeID, const QDate& day) {
    if (!sheet.Active()) return false;
    const int employee = sheet.FieldByName(QStringLiteral("employeeid"))->Index();
    const int date = sheet.FieldByName(QStringLiteral("attendancedate"))->Index();
    for (int row = 0; row < sheet.RecordCount(); ++row)
        if (sheet.RowValue(row, employee).toLongLong() == employeeID &&
            sheet.RowValue(row, date).toDate() == day)
            return true;
    return false;
}

TAddResult AddDayToSheet(TDataSet& sheet, TAttendanceDay& day, const QDate& date) {
    if (!sheet.IsEmpty()) return TAddResult::NotEmpty;
    if (!FutureDayRefusal(date).isEmpty()) return TAddResult::FutureDay;
    if (day.DateHasRows(date)) return TAddResult::Exists;
    sheet.DisableControls();
    const auto resume = qScopeGuard([&] { sheet.EnableControls(); });
    const std::vector<TAttendanceEmployee> employees = day.EligibleEmployees(date);
    const QHash<qint64, int> minutes = day.DayMinutes(date);
    for (const TAttendanceEmployee& e : employees)
        AppendSheetRow(sheet, e, date, minutes.value(e.employeeId));
    sheet.First();
    return TAddResult::Added;
}

TAddResult AddEmployeeToSheet(TDataSet& sheet, TAttendanceDay& day, qint64 employeeID, const QDate& date) {
    if (!FutureDayRefusal(date).isEmpty()) return TAddResult::FutureDay;
    // rows added but not yet applied count as well: one employee has one row a day
    if (day.EmployeeHasRow(employeeID, date) || SheetHasRow(sheet, employeeID, date))
        return TAddResult::Exists;
    const std::optional<TAttendanceEmployee> employee = day.Employee(employeeID);
    if (!employee) return TAddResult::NoEmployee;
    AppendSheetRow(sheet, *employee, date, day.DayMinutes(date, employeeID).value(employeeID));
    return TAddResult::Added;
}

TAttendanceMarks::TAttendanceMarks(const TDataSet& sheet)
    : m_sheet(sheet), m_regular(sheet.FieldByName(QStringLiteral("regularworkinghours"))->Index()),
      m_redistribution(sheet.FieldByName(QStringLiteral("redistributionhours"))->Index()),
      m_unallocated(sheet.FieldByName(QStringLiteral("unallocatedhours"))->Index()) {
    for (const QString& f : AttendanceSummedHourFields().mid(1))
        m_others.push_back(sheet.FieldByName(f)->Index());
}

TAttendanceMark TAttendanceMarks::Row(int row) const {
    auto hours = [&](int field) { return m_sheet.RowValue(row, field).toDouble(); };
    if (hours(m_redistribution) != 0) return TAttendanceMark::Redistribution;
    if (hours(m_unallocated) > 0) return TAttendanceMark::Unallocated;
    for (int f : m_others)
        if (hours(f) != 0) return TAttendanceMark::None;
    const double regular = hours(m_regular);
    if (regular == 0) return TAttendanceMark::Empty;
    if (regular < 8) return TAttendanceMark::Short;
    return TAttendanceMark::None;
}

void DefineAttendanceSummary(TClientDataSet& summary) {
    struct Def {
        const char* name;
        TFieldType type;
        int size;
        const char* label;
    };
    const Def defs[] = {
        {"employeeid", TFieldType::LargeInt, 0, ""},
        {"code", TFieldType::String, EmployeeColumnSize::Code, "Kod"},
        {"firstname", TFieldType::String, EmployeeColumnSize::Firstname, "Ime"},
        {"lastname", TFieldType::String, EmployeeColumnSize::Lastname, "Prezime"},
        {"personalidentificator", TFieldType::String, EmployeeColumnSize::PersonalIdentificator, "JMBG"},
        {"vocation", TFieldType::String, EmployeeColumnSize::Vocation, "Radno mesto"},
        {"startworkingdate", TFieldType::Date, 0, "Datum početka rada"}};
    for (const Def& d : defs)
        summary.AddField(QString::fromLatin1(d.name), d.type, d.size)->DisplayLabel =
            QString::fromUtf8(d.label);
    summary.FieldByName(QStringLiteral("startworkingdate"))->DisplayFormat = QStringLiteral("dd.mm.yyyy");
    summary.FieldByName(QStringLiteral("employeeid"))->Visible = false;
    for (const QString& f : AttendanceSummedHourFields()) {
        TField* field = summary.AddField(f, TFieldType::Float);
        field->DisplayFormat = QStringLiteral("0.##");
    }
}

void BuildAttendanceSummary(TDataSet& sheet, TClientDataSet& summary) {
    if (!summary.Active()) summary.CreateDataSet();
    summary.EmptyDataSet();
    // labels of the hour fields as the sheet names them
    for (const QString& f : AttendanceSummedHourFields())
        summary.FieldByName(f)->DisplayLabel = sheet.FieldByName(f)->DisplayLabel;
    sheet.DisableControls();
    summary.DisableControls();
    const auto resume = qScopeGuard([&] {
        summary.EnableControls();
        sheet.EnableControls();
    });
    QHash<qint64, int> rowOf; // employee -> summary row
    const int employee = sheet.FieldByName(QStringLiteral("employeeid"))->Index();
    std::vector<std::pair<int, int>> hours; // sheet field -> summary field
    for (const QString& f : AttendanceSummedHourFields())
        hours.emplace_back(sheet.FieldByName(f)->Index(), summary.FieldByName(f)->Index());
    sheet.CheckBrowseMode();
    for (int row = 0; row < sheet.RecordCount(); ++row) {
        const qint64 id = sheet.RowValue(row, employee).toLongLong();
        const auto found = rowOf.constFind(id);
        if (found != rowOf.constEnd()) {
            summary.SetRecIndex(*found);
            for (const auto& [from, to] : hours) {
                TField* f = summary.Fields()[size_t(to)].get();
                f->SetAsFloat(f->AsFloat() + sheet.RowValue(row, from).toDouble());
            }
            summary.Post();
            continue;
        }
        summary.Append();
        summary.FieldByName(QStringLiteral("employeeid"))->SetAsLargeInt(id);
        for (const char* name :
             {"code", "firstname", "lastname", "personalidentificator", "vocation", "startworkingdate"}) {
            const QString n = QString::fromLatin1(name);
            summary.FieldByName(n)->SetValue(sheet.RowValue(row, sheet.FieldByName(n)->Index()));
        }
        for (const auto& [from, to] : hours)
            summary.Fields()[size_t(to)]->SetValue(sheet.RowValue(row, from).toDouble());
        summary.Post();
        rowOf.insert(id, summary.RecIndex());
    }
    summary.First();
}

std::vector<const TField*> AttendanceSheetFields(const TDataSet& sheet) {
    std::vector<const TField*> fields;
    for (const QString& name : AttendanceSheetColumns())
        fields.push_back(sheet.FieldByName(name));
    return fields;
}

TListRow AttendanceRow(const std::vector<const TField*>& fields, const TSheetValue& value) {
    TListRow cells;
    for (const TField* f : fields)
        cells.push_back(FieldCell(*f, value(*f)));
    return cells;
}

void ForEachSheetRow(TZConnection& connection, const TDataSet& sheet, const TAttendanceView& view,
                     const std::function<void(const TSheetValue&)>& take) {
    std::vector<int> columnOf(sheet.Fields().size(), -1); // sheet field -> result column
    std::vector<QVariant>* current = nullptr;
    const TSheetValue value = [&](const TField& f) {
        const int column = columnOf[size_t(f.Index())];
        return column < 0 ? QVariant() : f.Convert((*current)[size_t(column)]);
    };
    connection.SelectEach(
        AttendanceStatement(view, connection),
        [&](const std::vector<TColumnInfo>& columns) {
            for (const auto& f : sheet.Fields())
                for (size_t c = 0; c < columns.size(); ++c)
                    if (columns[c].name.compare(f->FieldName(), Qt::CaseInsensitive) == 0)
                        columnOf[size_t(f->Index())] = int(c);
        },
        [&](std::vector<QVariant>& row) {
            current = &row;
            take(value);
            return true;
        });
}
