// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/data/ChangeHistory.h"

#include "host/data/DBIniFile.h"
#include "host/data/ZQuery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>

#include <algorithm>
#include <stdexcept>

#include <pwd.h>
#include <unistd.h>

namespace {

const QString kInsertHead =
    QStringLiteral("INSERT INTO horlohistory (changetime, dbuser, osuser, machine, tablename, recordid, "
                   "action, employeeid, oldvalues, newvalues, reason) VALUES ");

// The user and machine this program runs on, as the system names them.
const QString& MachineUser() {
    static const QString user = [] {
        if (const passwd* pw = getpwuid(geteuid())) return QString::fromLocal8Bit(pw->pw_name);
        return qEnvironmentVariable("USER");
    }();
    return user;
}

const QString& MachineName() {
    static const QString name = QSysInfo::machineHostName();
    return name;
}

// One JSON value, with the database's own notation for what JSON lacks.
QString JsonValue(const QVariant& value) {
    QJsonValue json;
    switch (value.isNull() ? QMetaType::UnknownType : value.metaType().id()) {
    case QMetaType::UnknownType:
        break;
    case QMetaType::Bool:
        json = value.toBool() ? QStringLiteral("y") : QStringLiteral("n");
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        json = value.toLongLong();
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        json = value.toDouble();
        break;
    case QMetaType::QDate:
        json = SqlDate(value.toDate());
        break;
    case QMetaType::QDateTime:
        json = SqlDateTime(value.toDateTime());
        break;
    default:
        json = value.toString();
    }
    const QByteArray text = QJsonDocument(QJsonArray{json}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2)); // without the array's brackets
}

QString ValuesJson(const std::vector<std::pair<QString, QVariant>>& values) {
    if (values.empty()) return {};
    QStringList members;
    for (const auto& [name, value] : values)
        members << JsonValue(name) + QLatin1Char(':') + JsonValue(value);
    return QLatin1Char('{') + members.join(QLatin1Char(',')) + QLatin1Char('}');
}

QString ActionCode(THistoryAction action) {
    switch (action) {
    case THistoryAction::Added:
        return QStringLiteral("i");
    case THistoryAction::Deleted:
        return QStringLiteral("d");
    case THistoryAction::Changed:
        break;
    }
    return QStringLiteral("u");
}

QString RowValues(const TZConnection& connection, const THistoryChange& change) {
    auto nullable = [&](const QString& text) {
        return text.isEmpty() ? QStringLiteral("NULL") : connection.Quote(text);
    };
    auto id = [](qint64 value) { return value > 0 ? QString::number(value) : QStringLiteral("NULL"); };
    return QStringLiteral("(NOW(), USER(), %1, %2, %3, %4, %5, %6, %7, %8, %9)")
        .arg(connection.Quote(MachineUser()), connection.Quote(MachineName()), connection.Quote(change.table),
             id(change.rowId), connection.Quote(ActionCode(change.action)), id(change.employeeId),
             nullable(ValuesJson(change.before)), nullable(ValuesJson(change.after)),
             nullable(change.reason.trimmed()));
}

void RequireTransaction(const TZConnection& connection) {
    if (connection.TransactionDepth() == 0)
        throw std::logic_error("a history row is written inside the transaction of its change");
}

} // namespace

void RecordChange(TZConnection& connection, const THistoryChange& change) {
    RequireTransaction(connection);
    connection.Execute(kInsertHead + RowValues(connection, change));
}

THistoryBatch::THistoryBatch(TZConnection& connection)
    : m_connection(connection), m_insert(connection, kInsertHead, 500) {}

void THistoryBatch::Add(const THistoryChange& change) {
    RequireTransaction(m_connection);
    m_insert.Add(RowValues(m_connection, change));
}

void THistoryBatch::Flush() {
    m_insert.Flush();
}

void TRecordedIniFile::WriteString(const QString& section, const QString& ident, const QString& value) {
    RequireTransaction(m_connection);
    // read under the row's lock, so that the value before is the one replaced
    const TResultSet rs = m_connection.Select(
        QStringLiteral("SELECT value FROM dbinifile WHERE section = %1 AND ident = %2 FOR UPDATE")
            .arg(m_connection.Quote(section), m_connection.Quote(ident)));
    if (!rs.rows.empty() && rs.rows[0][0].toString() == value) return;
    TDBIniFile(&m_connection).WriteString(section, ident, value);
    const QString key = section + QLatin1Char('.') + ident;
    THistoryChange change;
    change.table = QStringLiteral("dbinifile");
    change.action = rs.rows.empty() ? THistoryAction::Added : THistoryAction::Changed;
    if (!rs.rows.empty()) change.before = {{key, rs.rows[0][0]}};
    change.after = {{key, value}};
    RecordChange(m_connection, change);
}

void TRecordedIniFile::WriteInteger(const QString& section, const QString& ident, int value) {
    WriteString(section, ident, QString::number(value));
}

void TRecordedIniFile::WriteBool(const QString& section, const QString& ident, bool value) {
    WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

THistoryChange HistoryChangeOf(const TRowWrite& write) {
    THistoryChange change;
    change.table = write.table;
    change.rowId = write.key;
    change.action = write.kind == TRowWrite::TKind::Insert   ? THistoryAction::Added
                    : write.kind == TRowWrite::TKind::Delete ? THistoryAction::Deleted
                                                             : THistoryAction::Changed;
    change.employeeId = write.Value(QStringLiteral("employeeid")).toLongLong();
    for (const TRowWrite::TColumn& c : write.columns) {
        if (!c.changed) continue;
        if (write.kind != TRowWrite::TKind::Insert) change.before.emplace_back(c.name, c.before);
        if (write.kind != TRowWrite::TKind::Delete) change.after.emplace_back(c.name, c.after);
    }
    return change;
}

void RecordWritesOf(TZQuery& query) {
    query.OnRowWritten = [](TZConnection& connection, const TRowWrite& write) {
        RecordChange(connection, HistoryChangeOf(write));
    };
}

// ---------------------------------------------------------------- reading

const std::vector<std::pair<QString, QString>>& HistoryColumns() {
    static const std::vector<std::pair<QString, QString>> columns{
        {QStringLiteral("horlohistoryid"), QStringLiteral("Broj")},
        {QStringLiteral("changetime"), QStringLiteral("Vreme")},
        {QStringLiteral("dbuser"), QStringLiteral("Korisnik baze")},
        {QStringLiteral("osuser"), QStringLiteral("Korisnik")},
        {QStringLiteral("machine"), QStringLiteral("Računar")},
        {QStringLiteral("tablename"), QStringLiteral("Podaci")},
        {QStringLiteral("recordid"), QStringLiteral("Red")},
        {QStringLiteral("action"), QStringLiteral("Radnja")},
        {QStringLiteral("employeecode"), QStringLiteral("Kod")},
        {QStringLiteral("employeename"), QStringLiteral("Zaposleni")},
        {QStringLiteral("oldvalues"), QStringLiteral("Staro")},
        {QStringLiteral("newvalues"), QStringLiteral("Novo")},
        {QStringLiteral("reason"), QStringLiteral("Razlog")}};
    return columns;
}

QString HistoryStatement(const TZConnection& connection, const THistoryFilter& filter) {
    QStringList conditions;
    if (filter.from.isValid())
        conditions << QStringLiteral("h.changetime >= '%1 00:00:00'").arg(SqlDate(filter.from));
    if (filter.to.isValid())
        conditions << QStringLiteral("h.changetime <= '%1 23:59:59'").arg(SqlDate(filter.to));
    if (!filter.code.isEmpty())
        conditions << QStringLiteral("h.employeeid IN (SELECT employeeid FROM employee WHERE code = %1)")
                          .arg(connection.Quote(filter.code));
    return QStringLiteral(
               "SELECT h.horlohistoryid, h.changetime, h.dbuser, h.osuser, h.machine, h.tablename, "
               "h.recordid, h.action, e.code AS employeecode, CONCAT(e.lastname, ' ', e.firstname) AS "
               "employeename, h.oldvalues, h.newvalues, h.reason\n"
               "FROM horlohistory AS h LEFT JOIN employee AS e ON e.employeeid = h.employeeid\n") +
           (conditions.isEmpty() ? QString()
                                 : QStringLiteral("WHERE ") + conditions.join(QStringLiteral(" AND ")));
}

QString HistoryActionText(const QString& action) {
    if (action == QLatin1String("i")) return QStringLiteral("dodato");
    if (action == QLatin1String("d")) return QStringLiteral("obrisano");
    if (action == QLatin1String("u")) return QStringLiteral("izmenjeno");
    return action;
}

QString HistoryTableText(const QString& table) {
    static const QHash<QString, QString> names{
        {QStringLiteral("employeeevent"), QStringLiteral("događaj")},
        {QStringLiteral("horloattendance"), QStringLiteral("prisustvo")},
        {QStringLiteral("horloworkcalendar"), QStringLiteral("radni kalendar")},
        {QStringLiteral("employeecard"), QStringLiteral("kartica")},
        {QStringLiteral("employeecardholder"), QStringLiteral("vlasnik kartice")},
        {QStringLiteral("horloaccessticket"), QStringLiteral("dozvola prolaza")},
        {QStringLiteral("employeeeventtype"), QStringLiteral("vrsta događaja")},
        {QStringLiteral("dbinifile"), QStringLiteral("podešavanje")}};
    return names.value(table, table);
}

QString HistoryValuesText(const QString& json) {
    const QJsonObject object = QJsonDocument::fromJson(json.toUtf8()).object();
    if (object.isEmpty()) return json;
    // the object forgets the order it was written in: the text still has it
    QStringList keys = object.keys();
    auto at = [&](const QString& key) { return json.indexOf(JsonValue(key) + QLatin1Char(':')); };
    std::sort(keys.begin(), keys.end(), [&](const QString& a, const QString& b) { return at(a) < at(b); });
    QStringList parts;
    for (const QString& key : keys) {
        const QJsonValue value = object.value(key);
        parts << key + QStringLiteral(": ") +
                     (value.isNull()     ? QStringLiteral("-")
                      : value.isString() ? value.toString()
                                         : QString::number(value.toDouble(), 'g', 15));
    }
    return parts.join(QStringLiteral("; "));
}
