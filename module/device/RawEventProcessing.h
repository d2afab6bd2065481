// SPDX-License-Identifier: GPL-3.0-or-later
// Turns raw device records into events of whoever held the card at the swipe's
// time. Widget-free: the import dialog's "Obrada", `horlo process`, and a tie or
// untie of a card (which brings that card's events in line) all run it.
#pragma once

#include "host/data/Database.h"

#include <QDate>
#include <QDateTime>

#include <functional>

struct TProcessResult {
    int candidates = 0;         // raw rows of the processed kinds that this run looked at
    int written = 0;            // events inserted
    int skipped = 0;            // ticket records whose ticket does not exist
    int unassigned = 0;         // swipes of a card that nobody held at their time: no event (yet)
    int processedElsewhere = 0; // candidates that another program processed while this run waited

    TProcessResult& operator+=(const TProcessResult& other);
};

// The highest raw key that processing has looked at: every processed kind of
// record up to it has its event, had no card holder at its time, or names an
// access ticket that does not exist.
qint64 ProcessingMark(TZConnection& connection);

class TRawEventProcessor {
public:
    explicit TRawEventProcessor(TZConnection& connection) : m_connection(connection) {}

    // Looks for records above the mark first, without writing: with none it
    // returns at once, so that an idle run never holds up a busy one. Otherwise
    // it takes the raw log, looks again and processes every candidate in one
    // transaction, in raw-row order: an error leaves nothing written and the mark
    // where it was. Runs on other desks, jobs or cluster nodes wait for each other
    // (or conflict and run again), so each raw record becomes at most one event.
    // A session lost under it (a cluster node that died) runs it again on the next
    // node; one lost while its COMMIT was under way finds out what was saved.
    TProcessResult Run();

    // Called with the number of rows handled so far and the number of candidates.
    std::function<void(int position, int maximum)> OnProgress;
    // Rows per INSERT statement; 1 sends one statement per event.
    int BatchSize = 500;
    // Raw rows read at a time.
    int PageSize = 5000;
    // How long conflicts with other programs' work are run again.
    std::chrono::milliseconds ConflictDeadline{std::chrono::minutes(2)};

private:
    TZConnection& m_connection;
};

// What bringing a card's events in line changed.
struct TCardEventsChange {
    int made = 0;    // swipes without a holder before that have one now
    int moved = 0;   // events that went to another holder
    int removed = 0; // events of swipes that nobody held the card for any more

    bool Any() const { return made || moved || removed; }
};

// Brings the events of the card's swipes at `from` or later that processing has
// looked at in line with who held the card at their time. Runs inside the
// caller's transaction, which has taken the raw log (LockRawEventLog) and has
// just written the card's holders.
TCardEventsChange RederiveCardEvents(TZConnection& connection, qint64 cardId, const QDateTime& from);

// What "Obrada" says when it is done: "Događaji su obrađeni." and what was left aside.
QString ProcessResultText(const TProcessResult& result);

// A swipe that processing looked at and made no event of.
struct TUnassignedSwipe {
    qint64 rawId = 0;
    QDateTime time;
    QString door;
    qint64 eventType = 0;
    QString eventTypeName;
    QString card;    // the card's name; empty when no card has that code or ticket
    qint64 code = 0; // the card's code (the raw record's for a card that is not known)
    enum class TReason { NoHolder, UnknownCard, UnknownTicket } reason = TReason::NoHolder;
};
QString ReasonText(TUnassignedSwipe::TReason reason);
QString ReasonCode(TUnassignedSwipe::TReason reason);

// The swipes without an event, by time, from `from` to `to` (days; invalid:
// open), one at a time as the database sends them.
void WalkUnassignedSwipes(TZConnection& connection, const QDate& from, const QDate& to,
                          const std::function<void(const TUnassignedSwipe&)>& take);
