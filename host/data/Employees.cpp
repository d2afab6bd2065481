// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/data/Employees.h"

#include "host/data/HostStrings.h"

#include "host/data/SysUtils.h"

#include <QRegularExpression>

#include <iterator>

namespace {

constexpr char kColumns[] =
    "SELECT e.employeeid, e.code, e.firstname, e.lastname, e.personalidentificator, e.vocation, "
    "e.workingfromdate, e.workingtodate, e.startworkingdate, IFNULL(e.workingstateid, 0), ws.description, "
    "e.active FROM employee AS e LEFT JOIN workingstate AS ws ON ws.workingstateid = e.workingstateid ";

// The personnel module writes an open end of work as its empty date.
QDate EmployeeDate(const QVariant& value) {
    const QDate date = value.toDate();
    return date == QDate(1899, 12, 30) ? QDate() : date;
}

std::vector<TEmployee> Read(TZConnection& connection, const QString& rest) {
    std::vector<TEmployee> list;
    for (const auto& row : connection.Select(QLatin1String(kColumns) + rest).rows) {
        TEmployee e;
        e.id = row[0].toLongLong();
        e.code = row[1].toString();
        e.firstName = row[2].toString();
        e.lastName = row[3].toString();
        e.personalId = row[4].toString();
        e.vocation = row[5].toString();
        e.from = EmployeeDate(row[6]);
        e.to = EmployeeDate(row[7]);
        e.started = EmployeeDate(row[8]);
        e.workingStateId = row[9].toLongLong();
        e.workingState = row[10].toString();
        e.active = row[11].toBool();
        list.push_back(std::move(e));
    }
    return list;
}

std::optional<TEmployee> First(std::vector<TEmployee> list) {
    if (list.empty()) return std::nullopt;
    return std::move(list.front());
}

QString DateText(const QDate& date) {
    return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

QString Nullable(TZConnection& connection, const QString& text) {
    return text.isEmpty() ? QStringLiteral("NULL") : connection.Quote(text);
}

QString NullableDate(const QDate& date) {
    return date.isValid() ? QLatin1Char('\'') + SqlDate(date) + QLatin1Char('\'') : QStringLiteral("NULL");
}

} // namespace

std::optional<TEmployee> EmployeeById(TZConnection& connection, qint64 id) {
    return First(Read(connection, QStringLiteral("WHERE e.employeeid = %1").arg(id)));
}

std::optional<TEmployee> EmployeeByCode(TZConnection& connection, const QString& code) {
    return First(Read(connection, QStringLiteral("WHERE e.code = ") + connection.Quote(code.trimmed())));
}

std::vector<TEmployee> EmployeesWithCodes(TZConnection& connection, const QStringList& codes, bool lock) {
    std::vector<TEmployee> found;
    QStringList quoted;
    for (const QString& code : codes)
        if (!code.trimmed().isEmpty()) quoted << connection.Quote(code.trimmed());
    for (qsizetype at = 0; at < quoted.size(); at += 500) {
        std::vector<TEmployee> slice =
            Read(connection, QStringLiteral("WHERE e.code IN (%1)%2")
                                 .arg(quoted.mid(at, 500).join(QLatin1Char(',')),
                                      lock ? QStringLiteral(" FOR UPDATE") : QString()));
        std::move(slice.begin(), slice.end(), std::back_inserter(found));
    }
    return found;
}

std::vector<TEmployee> EmployeeList(TZConnection& connection, bool inactiveToo) {
    return Read(connection, (inactiveToo ? QString() : QStringLiteral("WHERE e.active != 'n' ")) +
                                QStringLiteral("ORDER BY ") + SerbianOrder(QStringLiteral("e.lastname")) +
                                QStringLiteral(", ") + SerbianOrder(QStringLiteral("e.firstname")) +
                                QStringLiteral(", e.code"));
}

std::vector<TListColumn> EmployeeColumns() {
    return {{QStringLiteral("code"), QStringLiteral("Šifra")},
            {QStringLiteral("firstname"), QStringLiteral("Ime")},
            {QStringLiteral("lastname"), QStringLiteral("Prezime")},
            {QStringLiteral("personalidentificator"), QStringLiteral("JMBG")},
            {QStringLiteral("vocation"), QStringLiteral("Radno mesto")},
            {QStringLiteral("workingfromdate"), QStringLiteral("Početak rada"), TCellType::Date},
            {QStringLiteral("workingtodate"), QStringLiteral("Kraj rada"), TCellType::Date},
            {QStringLiteral("workingstate"), QStringLiteral("Radni status")},
            {QStringLiteral("active"), QStringLiteral("Aktivan")}};
}

std::vector<TListRow> EmployeeRows(const std::vector<TEmployee>& employees) {
    const auto date = [](const QDate& d) { return d.isValid() ? TListCell(d) : TListCell(); };
    std::vector<TListRow> rows;
    for (const TEmployee& e : employees)
        rows.push_back(
            {{e.code},
             {e.firstName},
             {e.lastName},
             {e.personalId},
             {e.vocation},
             date(e.from),
             date(e.to),
             {e.workingState},
             {QString(e.active ? QLatin1Char('y') : QLatin1Char('n')), e.active ? _YES_CAP : _NO_CAP}});
    return rows;
}

std::vector<std::pair<qint64, QString>> WorkingStates(TZConnection& connection) {
    std::vector<std::pair<qint64, QString>> states;
    for (const auto& row : connection
                               .Select(QStringLiteral("SELECT workingstateid, description FROM workingstate "
                                                      "ORDER BY description, workingstateid"))
                               .rows)
        states.emplace_back(row[0].toLongLong(), row[1].toString());
    return states;
}

TEmployeeSizes EmployeeSizes(TZConnection& connection) {
    const TResultSet rs = connection.Select(QStringLiteral(
        "SELECT code, firstname, lastname, personalidentificator, vocation FROM employee LIMIT 0"));
    return {rs.columns[0].size, rs.columns[1].size, rs.columns[2].size, rs.columns[3].size,
            rs.columns[4].size};
}

TEmployee Normalized(TEmployee e) {
    for (QString* text : {&e.code, &e.firstName, &e.lastName, &e.personalId, &e.vocation})
        *text = text->trimmed();
    if (!e.started.isValid()) e.started = e.from;
    return e;
}

QString EmployeeRefusal(const TEmployee& employee, const TEmployeeSizes& sizes) {
    const TEmployee e = Normalized(employee);
    if (e.code.isEmpty()) return QStringLiteral("Šifra zaposlenog mora biti zadata.");
    if (e.firstName.isEmpty() || e.lastName.isEmpty())
        return QStringLiteral("Ime i prezime zaposlenog moraju biti zadati.");
    const struct {
        const QString& text;
        int size;
        const char* label;
    } texts[] = {{e.code, sizes.code, "Šifra"},
                 {e.firstName, sizes.firstName, "Ime"},
                 {e.lastName, sizes.lastName, "Prezime"},
                 {e.personalId, sizes.personalId, "JMBG"},
                 {e.vocation, sizes.vocation, "Radno mesto"}};
    for (const auto& t : texts)
        if (t.size > 0 && t.text.size() > t.size)
            return Format(QStringLiteral("%s je duže od %d znakova: \"%s\"."),
                          {QString::fromUtf8(t.label), t.size, t.text});
    if (e.from.isValid() && e.to.isValid() && e.to < e.from)
        return Format(QStringLiteral("Kraj rada (%s) je pre početka rada (%s)."),
                      {DateText(e.to), DateText(e.from)});
    return {};
}

QStringList EmployeeWarnings(const TEmployee& employee) {
    static const QRegularExpression thirteenDigits(QStringLiteral("^[0-9]{13}$"));
    const QString id = employee.personalId.trimmed();
    if (!id.isEmpty() && !thirteenDigits.match(id).hasMatch())
        return {Format(QStringLiteral("JMBG \"%s\" nema 13 cifara."), {id})};
    return {};
}

QStringList EmployeeChanges(const TEmployee& before, const TEmployee& after) {
    QStringList changes;
    const auto text = [&](const char* label, const QString& a, const QString& b) {
        if (a != b) changes << QStringLiteral("%1: \"%2\" → \"%3\"").arg(QString::fromUtf8(label), a, b);
    };
    text("Šifra", before.code, after.code);
    text("Ime", before.firstName, after.firstName);
    text("Prezime", before.lastName, after.lastName);
    text("JMBG", before.personalId, after.personalId);
    text("Radno mesto", before.vocation, after.vocation);
    text("Početak rada", DateText(before.from), DateText(after.from));
    text("Kraj rada", DateText(before.to), DateText(after.to));
    text("Datum početka rada", DateText(before.started), DateText(after.started));
    if (before.workingStateId != after.workingStateId)
        text("Radni status", before.workingState, after.workingState);
    if (before.active != after.active)
        text("Aktivan", QString::fromUtf8(before.active ? "da" : "ne"),
             QString::fromUtf8(after.active ? "da" : "ne"));
    return changes;
}

namespace {

// The stored employee's columns as SQL literals, in the order of kWritten.
constexpr const char* kWritten[] = {
    "code",           "firstname",       "lastname",      "personalidentificator",
    "vocation",       "workingfromdate", "workingtodate", "startworkingdate",
    "workingstateid", "active"};

QStringList Literals(TZConnection& connection, const TEmployee& e) {
    return {connection.Quote(e.code),
            connection.Quote(e.firstName),
            connection.Quote(e.lastName),
            Nullable(connection, e.personalId),
            Nullable(connection, e.vocation),
            NullableDate(e.from),
            NullableDate(e.to),
            NullableDate(e.started),
            e.workingStateId > 0 ? QString::number(e.workingStateId) : QStringLiteral("NULL"),
            QString::fromLatin1(e.active ? "'y'" : "'n'")};
}

} // namespace

void WriteEmployee(TZConnection& connection, TEmployee& e, const TEmployee* stored) {
    const QStringList values = Literals(connection, e);
    if (!stored) {
        QStringList names;
        for (const char* column : kWritten)
            names << QLatin1String(column);
        connection.Execute(QStringLiteral("INSERT INTO employee (") + names.join(QStringLiteral(", ")) +
                               QStringLiteral(") VALUES (") + values.join(QStringLiteral(", ")) +
                               QLatin1Char(')'),
                           &e.id);
        return;
    }
    // only what changed, so that the personnel module's own forms of a value (its
    // empty date among them) stay where nothing was changed
    const QStringList before = Literals(connection, *stored);
    QStringList assignments;
    for (qsizetype i = 0; i < values.size(); ++i)
        if (values[i] != before[i])
            assignments << QLatin1String(kWritten[i]) + QStringLiteral(" = ") + values[i];
    if (assignments.isEmpty()) return;
    connection.Execute(QStringLiteral("UPDATE employee SET ") + assignments.join(QStringLiteral(", ")) +
                       QStringLiteral(" WHERE employeeid = ") + QString::number(e.id));
}

QString CodeInUseError(TZConnection& connection, const QString& code) {
    const std::optional<TEmployee> holder = EmployeeByCode(connection, code);
    return holder ? Format(QStringLiteral("Šifra \"%s\" je već šifra zaposlenog %s."), {code, holder->Name()})
                  : Format(QStringLiteral("Šifra \"%s\" je već u upotrebi."), {code});
}

TEmployeeOutcome SaveEmployee(TZConnection& connection, const TEmployee& employee) {
    TEmployeeOutcome outcome;
    TEmployee e = Normalized(employee);
    outcome.error = EmployeeRefusal(e, EmployeeSizes(connection));
    if (!outcome.error.isEmpty()) return outcome;
    try {
        outcome = RunInTransaction(connection, [&] {
            TEmployeeOutcome o;
            TEmployee row = e;
            row.workingState.clear();
            if (row.workingStateId > 0) {
                const TResultSet state = connection.Select(
                    QStringLiteral("SELECT description FROM workingstate WHERE workingstateid = %1")
                        .arg(row.workingStateId));
                if (state.rows.empty()) {
                    o.error = QStringLiteral("Radni status %1 ne postoji.").arg(row.workingStateId);
                    return o;
                }
                row.workingState = state.rows[0][0].toString();
            }
            std::optional<TEmployee> stored;
            if (row.id != 0) {
                // read again under a lock, so that the changes told are the ones made
                stored =
                    First(Read(connection, QStringLiteral("WHERE e.employeeid = %1 FOR UPDATE").arg(row.id)));
                if (!stored) {
                    o.error = QStringLiteral("Zaposleni više ne postoji; osvežite spisak.");
                    return o;
                }
                o.changes = EmployeeChanges(*stored, row);
                if (o.changes.isEmpty()) {
                    o.ok = true;
                    o.id = row.id;
                    return o;
                }
            }
            o.added = !stored;
            WriteEmployee(connection, row, stored ? &*stored : nullptr);
            o.ok = true;
            o.id = row.id;
            return o;
        });
    } catch (const EDatabaseError& error) {
        if (error.DuplicateKey() != QLatin1String("employee_code")) throw;
        outcome = {};
        outcome.error = CodeInUseError(connection, e.code);
        return outcome;
    }
    if (outcome.ok) outcome.warnings = EmployeeWarnings(e);
    return outcome;
}
