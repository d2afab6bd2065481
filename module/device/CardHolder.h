// SPDX-License-Identifier: GPL-3.0-or-later
// Who holds a card, and who held it when: a swipe is the event of whoever held
// the card at its time. Tying and untying is one operation that the card dialog
// and `horlo card` share.
#pragma once

#include "host/data/DataSet.h"
#include "host/data/Database.h"
#include "host/data/TableWriter.h"
#include "module/device/RawEventProcessing.h"

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
// The cards for people and for machines (field names as the CSV header).
TTextTable CardTable(const std::vector<TCardHolding>& cards, bool forMachines);

// The name of the active card that the employee holds already (another one cannot
// be tied); empty when there is none.
QString ActiveCardOf(TZConnection& connection, qint64 employeeId);
// Moves the card list to the card of that name: the exact name, or else one that
// differs only in case and diacritics (Đorđe = djordje = dorde). False when none.
bool LocateCard(TDataSet& cards, const QString& name);
// A tie (an employee) or an untie (none) of a card, from a moment on.
struct TCardHolderChange {
    qint64 cardId = 0;
    qint64 employeeId = 0; // 0: untie
    QDateTime from;        // when it takes effect; invalid: now
    // A card that another employee holds is handed over; refused otherwise.
    bool takeFromHolder = false;
};

enum class TCardHolderStatus {
    Done,
    Unchanged,             // the card is the employee's already, or nobody's for an untie
    NoCard,                // the card does not exist (deleted meanwhile)
    NoEmployee,            // the employee does not exist
    EmployeeHasActiveCard, // the employee holds an active card (this one included)
    HeldByAnother,         // another employee holds the card, and it is not to be taken
    InFuture,              // the moment lies ahead
    HeldSince,             // the card's present holder got it at or after the moment
    HeldUntil,             // another holder had the card after the moment
};

struct TCardHolderOutcome {
    TCardHolderStatus status = TCardHolderStatus::Done;
    QString cardName;
    QDateTime from;        // the moment used
    QString employeeName;  // the new holder (last name first), for a tie
    QString activeCard;    // EmployeeHasActiveCard: the card the employee holds
    QString holderName;    // HeldByAnother, HeldSince, HeldUntil, Unchanged: the holder in the way
    QString holderCode;    //   and that holder's code
    QDateTime holderBound; // HeldSince: when that holding began; HeldUntil: when it ended
    TCardEventsChange events;

    bool Refused() const {
        return status != TCardHolderStatus::Done && status != TCardHolderStatus::Unchanged;
    }
    // Why it was refused, or what changed, for people.
    QString Text() const;
};

// Ties the card to the employee (or unties it) from the moment on, in one
// transaction with the raw log taken: the card, its tickets, its holders over
// time, and the events of its swipes since the moment (a swipe that nobody held
// the card for is no event; one that gets a holder becomes one). An employee
// who holds an active card already is refused (checked inside the transaction).
TCardHolderOutcome ChangeCardHolder(TZConnection& connection, const TCardHolderChange& change);
