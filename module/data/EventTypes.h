// SPDX-License-Identifier: GPL-3.0-or-later
// The event types the devices write (their codes are fixed) and the lookups
// over the event-type table that the reports and the command line need.
#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QtGlobal>

class TZConnection;

// Codes the devices write into their log; below kFirstUserEventType none can
// be deleted.
inline constexpr qint64 kArrivalEventType = 5;        // "Dolazak", by access ticket
inline constexpr qint64 kDepartureEventType = 10;     // "Odlazak", by access ticket
inline constexpr qint64 kCardArrivalEventType = 15;   // "Dolazak karticom", by card number
inline constexpr qint64 kCardDepartureEventType = 16; // "Odlazak karticom", by card number
inline constexpr qint64 kFirstUserEventType = 256;

// The arrivals that open a working interval in the attendance sheet and count
// as presence: ticket and card arrivals.
inline bool IsArrivalType(qint64 typeID) {
    return typeID == kArrivalEventType || typeID == kCardArrivalEventType;
}

// An event entered by hand has no raw record and no door (its access point is
// 0): the condition that one of the table alias was. Every other event is a
// device's, also one stored without its raw record.
QString HandEnteredCondition(const QString& alias);

// The default type of a direction ('i' in, 'o' out); 0 when none is marked.
qint64 DefaultEventTypeID(TZConnection& connection, QChar direction);
// The types that open a counted interval when no list is stored yet: the
// default arrival type, then every arrival the devices write that the table
// holds, so that card-number swipes count from the first day.
QList<qint64> DefaultPairOpeners(TZConnection& connection);
// The types a typed text names: its code (a whole number), or else its name
// (without regard to case).
QList<qint64> EventTypesNamed(TZConnection& connection, const QString& text);
// The type whose pair is the given one (the departure of an arrival); 0 when none.
qint64 InverseEventTypeID(TZConnection& connection, qint64 id);
