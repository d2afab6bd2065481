#include "module/device/CardHolder.h"

#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "module/data/ChangeHistory.h"

namespace {

constexpr char kHoldings[] =
    "SELECT ec.employeecardid, ec.name, ec.cardcode, ec.active, IFNULL(ec.employeeid, 0), e.code, "
    "IF(e.employeeid IS NULL, '', CONCAT(e.lastname, ' ', e.firstname)), "
    "(SELECT GROUP_CONCAT(p.name ORDER BY p.horloaccesspointid SEPARATOR ', ') FROM horloaccessticket AS t "
    "JOIN horloaccesspoint AS p ON p.horloaccesspointid = t.horloaccesspointid "
    "WHERE t.employeecardid = ec.employeecardid) "
    "FROM employeecard AS ec LEFT JOIN employee AS e ON e.employeeid = ec.employeeid ";

std::vector<TCardHolding> Holdings(TZConnection& connection, const QString& condition) {
    std::vector<TCardHolding> cards;
    for (const auto& row : connection.Select(QLatin1String(kHoldings) + condition).rows) {
        TCardHolding c{row[0].toLongLong(), row[1].toString(), row[2].toLongLong(), row[3].toBool(),
                       row[4].toLongLong(), row[5].toString(), row[6].toString(),   {}};
        if (!row[7].isNull()) c.doors = row[7].toString().split(QStringLiteral(", "));
        cards.push_back(std::move(c));
    }
    return cards;
}

} // namespace

std::vector<TCardHolding> CardHoldings(TZConnection& connection) {
    return Holdings(connection, QStringLiteral("ORDER BY ") + SerbianOrder(QStringLiteral("ec.name")));
}

std::optional<TCardHolding> CardHolding(TZConnection& connection, const QString& name) {
    std::vector<TCardHolding> cards =
        Holdings(connection, QStringLiteral("WHERE ec.name = ") + connection.Quote(name));
    if (cards.empty()) return std::nullopt;
    return cards.front();
}

std::vector<TListColumn> CardColumns() {
    return {{QStringLiteral("name"), QStringLiteral("Kartica")},
            {QStringLiteral("cardcode"), QStringLiteral("Kod"), TCellType::Number},
            {QStringLiteral("active"), QStringLiteral("Aktivna")},
            {QStringLiteral("employeecode"), QStringLiteral("Kod zaposlenog")},
            {QStringLiteral("employeename"), QStringLiteral("Zaposleni")},
            {QStringLiteral("doors"), QStringLiteral("Vrata")}};
}

std::vector<TListRow> CardRows(const std::vector<TCardHolding>& cards) {
    std::vector<TListRow> rows;
    for (const TCardHolding& c : cards)
        rows.push_back(
            {{c.name},
             {c.code},
             {QString(c.active ? QLatin1Char('y') : QLatin1Char('n')), c.active ? _YES_CAP : _NO_CAP},
             {c.employeeCode},
             {c.employeeName},
             {c.doors.join(QStringLiteral(", "))}});
    return rows;
}

QString ActiveCardOf(TZConnection& connection, qint64 employeeId) {
    const TResultSet held = connection.Select(
        Format(QStringLiteral("SELECT name FROM employeecard WHERE active != 'n' AND employeeid = %d "
                              "ORDER BY employeecardid LIMIT 1"),
               {employeeId}));
    return held.rows.empty() ? QString() : held.rows[0][0].toString();
}

bool LocateCard(TDataSet& cards, const QString& name) {
    if (cards.Locate(QStringLiteral("name"), name)) return true;
    const QString wanted = SearchKey(name);
    const int field = cards.FieldByName(QStringLiteral("name"))->Index();
    for (int row = 0; row < cards.RecordCount(); ++row)
        if (SearchKey(cards.RowValue(row, field).toString()) == wanted) {
            cards.SetRecIndex(row);
            return true;
        }
    return false;
}

void SetTicketsHolder(TZConnection& connection, qint64 cardId, qint64 employeeId) {
    connection.Execute(
        Format(QStringLiteral("UPDATE horloaccessticket SET employeeid = %s WHERE employeecardid = %d"),
               {employeeId > 0 ? QString::number(employeeId) : QStringLiteral("NULL"), cardId}));
}

void SetCardHolder(TZConnection& connection, qint64 cardId, qint64 employeeId) {
    RunInTransaction(connection, [&] {
        const TResultSet held = connection.Select(
            Format(QStringLiteral("SELECT employeeid FROM employeecard WHERE employeecardid = %d FOR UPDATE"),
                   {cardId}));
        connection.Execute(
            Format(QStringLiteral("UPDATE employeecard SET employeeid = %s WHERE employeecardid = %d"),
                   {employeeId > 0 ? QString::number(employeeId) : QStringLiteral("NULL"), cardId}));
        SetTicketsHolder(connection, cardId, employeeId);
        const qint64 before = held.rows.empty() ? 0 : held.rows[0][0].toLongLong();
        if (held.rows.empty() || before == employeeId) return;
        auto holder = [](qint64 id) { return id > 0 ? QVariant(id) : QVariant(); };
        THistoryChange change;
        change.table = QStringLiteral("employeecard");
        change.rowId = cardId;
        change.employeeId = employeeId > 0 ? employeeId : before;
        change.before = {{QStringLiteral("employeeid"), holder(before)}};
        change.after = {{QStringLiteral("employeeid"), holder(employeeId)}};
        RecordChange(connection, change);
    });
}
