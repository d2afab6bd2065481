// SPDX-License-Identifier: GPL-3.0-or-later
// Events entered by hand: how the office corrects a missed or wrong swipe
// without touching what a device recorded. An event with a raw record or a door
// is a device's and is never changed or deleted; one entered by hand has
// neither. Each addition, change or deletion asks for a reason and is one
// transaction with its history row; the attendance rows already stored for the
// days it touches get their hours again in the same transaction. The event
// viewer's actions and `horlo event` share these.
#pragma once

#include "host/data/Database.h"
#include "module/data/EventTypes.h" // HandEnteredCondition

#include <QDateTime>
#include <QString>

struct THandEvent {
    qint64 employeeId = 0;
    QDateTime time; // wall clock, whole seconds
    qint64 typeId = 0;
};

struct THandEventOutcome {
    enum class TStatus {
        Done,
        Invalid,     // the input: no employee or type, no reason, a time after now
        NotFound,    // no event of that number
        DeviceEvent, // recorded by a device: never changed or deleted
    };
    TStatus status = TStatus::Done;
    qint64 eventId = 0; // the event added, changed or deleted
    QString message;    // why not, for people
    bool Done() const { return status == TStatus::Done; }
};

// The longest reason: it is also the comment an added event shows.
inline constexpr int kHandEventReasonLength = 255;

THandEventOutcome AddHandEvent(TZConnection& connection, const THandEvent& event, const QString& reason);
THandEventOutcome ChangeHandEvent(TZConnection& connection, qint64 eventId, const THandEvent& event,
                                  const QString& reason);
THandEventOutcome DeleteHandEvent(TZConnection& connection, qint64 eventId, const QString& reason);
