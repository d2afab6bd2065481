// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/CardHolder.h"

#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/data/ChangeHistory.h"
#include "module/device/LogDecoder.h"

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
    return Holdings(connection, QStringLiteral("ORDER BY ec.name"));
}

std::optional<TCardHolding> CardHolding(TZConnection& connection, const QString& name) {
    std::vector<TCardHolding> cards =
        Holdings(connection, QStringLiteral("WHERE ec.name = ") + connection.Quote(name));
    if (cards.empty()) return std::nullopt;
    return cards.front();
}

TTextTable CardTable(const std::vector<TCardHolding>& cards, bool forMachines) {
    TTextTable table;
    table.header = forMachines ? QStringList{QStringLiteral("name"),         QStringLiteral("cardcode"),
                                             QStringLiteral("active"),       QStringLiteral("employeecode"),
                                             QStringLiteral("employeename"), QStringLiteral("doors")}
                               : QStringList{QStringLiteral("Kartica"),   QStringLiteral("Kod"),
                                             QStringLiteral("Aktivna"),   QStringLiteral("Kod zaposlenog"),
                                             QStringLiteral("Zaposleni"), QStringLiteral("Vrata")};
    table.rightAligned = {false, true, false, false, false, false};
    for (const TCardHolding& c : cards)
        table.rows.push_back({c.name, QString::number(c.code),
                              forMachines ? QString(c.active ? QLatin1Char('y') : QLatin1Char('n'))
                                          : QString::fromUtf8(c.active ? "da" : "ne"),
                              c.employeeCode, c.employeeName, c.doors.join(QStringLiteral(", "))});
    return table;
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

namespace {

QString Moment(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

struct Holder {
    qint64 id = 0;
    qint64 employee = 0;
    QDateTime from, to; // invalid: since ever, still
};

struct Employee {
    QString name, code;
};

std::optional<Employee> EmployeeOf(TZConnection& connection, qint64 id) {
    const TResultSet rs = connection.Select(Format(
        QStringLiteral("SELECT CONCAT(lastname, ' ', firstname), code FROM employee WHERE employeeid = %d"),
        {id}));
    if (rs.rows.empty()) return std::nullopt;
    return Employee{rs.rows[0][0].toString(), rs.rows[0][1].toString()};
}

TCardHolderOutcome Change(TZConnection& connection, const TCardHolderChange& change) {
    TCardHolderOutcome out;
    // Processing reads the holders under the raw log: a tie never crosses a run.
    LockRawEventLog(connection);
    const TResultSet card = connection.Select(Format(
        QStringLiteral("SELECT name, IFNULL(employeeid, 0) FROM employeecard WHERE employeecardid = %d"),
        {change.cardId}));
    if (card.rows.empty()) {
        out.status = TCardHolderStatus::NoCard;
        return out;
    }
    out.cardName = card.rows[0][0].toString();
    const qint64 holder = card.rows[0][1].toLongLong();
    const QDateTime now = Now();
    out.from = change.from.isValid() ? WallClock(change.from) : now;
    if (out.from > now) {
        out.status = TCardHolderStatus::InFuture;
        return out;
    }
    auto refuseFor = [&](qint64 employee, TCardHolderStatus status) {
        out.status = status;
        if (const auto e = EmployeeOf(connection, employee)) {
            out.holderName = e->name;
            out.holderCode = e->code;
        }
        return out;
    };
    if (change.employeeId > 0) {
        const auto employee = EmployeeOf(connection, change.employeeId);
        if (!employee) {
            out.status = TCardHolderStatus::NoEmployee;
            out.employeeName = QString::number(change.employeeId);
            return out;
        }
        out.employeeName = employee->name;
        out.activeCard = ActiveCardOf(connection, change.employeeId);
        if (!out.activeCard.isEmpty()) {
            out.status = TCardHolderStatus::EmployeeHasActiveCard;
            return out;
        }
        if (holder == change.employeeId) return refuseFor(holder, TCardHolderStatus::Unchanged);
        if (holder > 0 && !change.takeFromHolder) return refuseFor(holder, TCardHolderStatus::HeldByAnother);
    } else if (holder == 0) {
        out.status = TCardHolderStatus::Unchanged;
        return out;
    }

    // A card without recorded holders has been its employee's all along: that is
    // written down before the change cuts into it.
    std::vector<Holder> holders;
    auto readHolders = [&] {
        holders.clear();
        for (const auto& row :
             connection
                 .Select(
                     Format(QStringLiteral("SELECT employeecardholderid, employeeid, startdatetime, "
                                           "enddatetime FROM employeecardholder WHERE employeecardid = %d"),
                            {change.cardId}))
                 .rows)
            holders.push_back(
                {row[0].toLongLong(), row[1].toLongLong(), row[2].toDateTime(), row[3].toDateTime()});
    };
    readHolders();
    if (holders.empty() && holder > 0) {
        connection.Execute(
            Format(QStringLiteral("INSERT INTO employeecardholder (employeecardid, employeeid, "
                                  "startdatetime, enddatetime) VALUES (%d, %d, NULL, NULL)"),
                   {change.cardId, holder}));
        readHolders();
    }
    // Holdings never overlap: the change starts after the present holder got the
    // card and after every earlier holder gave it back.
    const Holder* open = nullptr;
    for (const Holder& h : holders) {
        if (!h.to.isValid()) {
            open = &h;
            if (h.from.isValid() && h.from > out.from) {
                out.holderBound = h.from;
                return refuseFor(h.employee, TCardHolderStatus::HeldSince);
            }
        } else if (h.to > out.from) {
            out.holderBound = h.to;
            return refuseFor(h.employee, TCardHolderStatus::HeldUntil);
        }
    }
    const QString at = QLatin1Char('\'') + SqlDateTime(out.from) + QLatin1Char('\'');
    auto record = [&](const QString& table, qint64 row, THistoryAction action, qint64 employee,
                      std::vector<std::pair<QString, QVariant>> before,
                      std::vector<std::pair<QString, QVariant>> after) {
        RecordChange(connection, {table, row, action, employee, std::move(before), std::move(after), {}});
    };
    // the card's present holder (its tickets' follow below), and who held it when
    const QString employee =
        change.employeeId > 0 ? QString::number(change.employeeId) : QStringLiteral("NULL");
    connection.Execute(
        Format(QStringLiteral("UPDATE employeecard SET employeeid = %s WHERE employeecardid = %d"),
               {employee, change.cardId}));
    auto idOrNull = [](qint64 id) { return id > 0 ? QVariant(id) : QVariant(); };
    record(QStringLiteral("employeecard"), change.cardId, THistoryAction::Changed,
           change.employeeId > 0 ? change.employeeId : holder,
           {{QStringLiteral("employeeid"), idOrNull(holder)}},
           {{QStringLiteral("employeeid"), idOrNull(change.employeeId)}});
    const QString holderTable = QStringLiteral("employeecardholder");
    const QString start = QStringLiteral("startdatetime"), end = QStringLiteral("enddatetime");
    if (open) {
        // a holding that began at this very moment covered no time: it goes
        if (open->from == out.from) {
            connection.Execute(
                Format(QStringLiteral("DELETE FROM employeecardholder WHERE employeecardholderid = %d"),
                       {open->id}));
            record(holderTable, open->id, THistoryAction::Deleted, open->employee,
                   {{QStringLiteral("employeecardid"), change.cardId},
                    {QStringLiteral("employeeid"), open->employee},
                    {start, open->from}},
                   {});
        } else {
            connection.Execute(
                Format(QStringLiteral(
                           "UPDATE employeecardholder SET enddatetime = %s WHERE employeecardholderid = %d"),
                       {at, open->id}));
            record(holderTable, open->id, THistoryAction::Changed, open->employee, {{end, QVariant()}},
                   {{end, out.from}});
        }
    }
    if (change.employeeId > 0) {
        qint64 id = 0;
        connection.Execute(
            Format(QStringLiteral("INSERT INTO employeecardholder (employeecardid, employeeid, "
                                  "startdatetime, enddatetime) VALUES (%d, %d, %s, NULL)"),
                   {change.cardId, change.employeeId, at}),
            &id);
        record(holderTable, id, THistoryAction::Added, change.employeeId, {},
               {{QStringLiteral("employeecardid"), change.cardId},
                {QStringLiteral("employeeid"), change.employeeId},
                {start, out.from}});
    }

    // the tickets' holder, which the card list shows
    connection.Execute(
        Format(QStringLiteral("UPDATE horloaccessticket SET employeeid = %s WHERE employeecardid = %d"),
               {employee, change.cardId}));
    out.events = RederiveCardEvents(connection, change.cardId, out.from);
    out.status = TCardHolderStatus::Done;
    return out;
}

} // namespace

TCardHolderOutcome ChangeCardHolder(TZConnection& connection, const TCardHolderChange& change) {
    return RunInTransaction(connection, [&] { return Change(connection, change); });
}

QString TCardHolderOutcome::Text() const {
    const QString holder =
        holderCode.isEmpty() ? holderName : holderName + QStringLiteral(" (") + holderCode + ')';
    switch (status) {
    case TCardHolderStatus::NoCard:
        return QString::fromUtf8(_CARD_GONE_ERR);
    case TCardHolderStatus::NoEmployee:
        return Format(_CARD_NO_EMPLOYEE_FMT, {employeeName});
    case TCardHolderStatus::EmployeeHasActiveCard:
        return Format(_CARD_EMPLOYEE_ERR, {activeCard});
    case TCardHolderStatus::HeldByAnother:
        return Format(_CARD_HELD_FMT, {cardName, holderName, holderCode});
    case TCardHolderStatus::InFuture:
        return Format(_CARD_FUTURE_FMT, {Moment(from)});
    case TCardHolderStatus::HeldSince:
        return Format(_CARD_HELD_SINCE_FMT, {cardName, Moment(holderBound), holder});
    case TCardHolderStatus::HeldUntil:
        return Format(_CARD_HELD_UNTIL_FMT, {cardName, Moment(holderBound), holder});
    case TCardHolderStatus::Unchanged:
        return employeeName.isEmpty() ? Format(_CARD_FREE_FMT, {cardName})
                                      : Format(_CARD_ALREADY_FMT, {cardName, holder});
    case TCardHolderStatus::Done:
        break;
    }
    QString text = employeeName.isEmpty() ? Format(_CARD_UNTIED_FMT, {cardName, Moment(from)})
                                          : Format(_CARD_TIED_FMT, {cardName, employeeName, Moment(from)});
    QStringList changes;
    if (events.made) changes << Format(_CARD_EVENTS_MADE_FMT, {events.made});
    if (events.moved) changes << Format(_CARD_EVENTS_MOVED_FMT, {events.moved});
    if (events.removed) changes << Format(_CARD_EVENTS_REMOVED_FMT, {events.removed});
    if (!changes.isEmpty())
        text += QLatin1Char(' ') + Format(_CARD_EVENTS_FMT, {changes.join(QStringLiteral(", "))});
    return text;
}