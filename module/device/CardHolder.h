// Who holds a card. Processing takes a swipe's owner from the card's ticket at the
// door, so the card's employee and the employee of every ticket of it change
// together. Widget-free: the card dialog and `horlo card` share it.
#pragma once

#include "host/data/DataSet.h"
#include "host/data/Database.h"
#include "host/data/ListWriter.h"

#include <QString>
#include <QStringList>

#include <optional>

struct TCardHolding {
    qint64 cardId = 0;
    QString name;
    qint64 code = 0;
    bool active = true;
    qint64 employeeId = 0; // 0: none
    QString employeeCode;
    QString employeeName; // last name first, as the card list names employees
    QStringList doors;    // access points that hold a ticket of it
};

// Every card, by name.
std::vector<TCardHolding> CardHoldings(TZConnection& connection);
std::optional<TCardHolding> CardHolding(TZConnection& connection, const QString& name);
// The card list's columns and rows as the list writer takes them (active as y or
// n for programs, Da or Ne for people).
std::vector<TListColumn> CardColumns();
std::vector<TListRow> CardRows(const std::vector<TCardHolding>& cards);

// The name of the active card that the employee holds already (another one cannot
// be tied); empty when there is none.
QString ActiveCardOf(TZConnection& connection, qint64 employeeId);
// Moves the card list to the card of that name: the exact name, or else one that
// differs only in case and diacritics (Đorđe = djordje = dorde). False when none.
bool LocateCard(TDataSet& cards, const QString& name);
// Sets the employee (0: none) of every ticket of the card; inside the caller's
// transaction that writes the card itself.
void SetTicketsHolder(TZConnection& connection, qint64 cardId, qint64 employeeId);
// The card and its tickets, in one transaction.
void SetCardHolder(TZConnection& connection, qint64 cardId, qint64 employeeId);
