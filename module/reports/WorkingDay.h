// SPDX-License-Identifier: GPL-3.0-or-later
// The working day as the reports and the attendance sheet count it: the three
// time-of-day settings of the section "Horlo", the instants they give on a
// date, how an arrival and a departure are clamped to them, and whole minutes.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

class TDBIniFile;
class TRecordedIniFile;
class TZConnection;

// Texts "hh:nn:ss" as stored in the settings store.
struct TWorkingDayLimits {
    QString StartWorkingTime = QStringLiteral("09:00:00");
    QString EndWorkingTime = QStringLiteral("17:00:00");
    QString EndWorkingDelayTime = QStringLiteral("17:30:00");

    // Keys never written keep the defaults above.
    static TWorkingDayLimits Read(const TDBIniFile& ini);
    static TWorkingDayLimits Read(TZConnection& connection);
    void Write(TRecordedIniFile& ini) const;

    // The keys in the order they are shown, and the name of each one's field.
    static const QStringList& Keys();
    static QString FieldName(const QString& key); // null for no such key
    QString Value(const QString& key) const;
    // Keys the store holds; the others have their defaults.
    static QStringList StoredKeys(const TDBIniFile& ini);

    // A typed time of day as it is stored: "8:05", "08:05" and "08:05:00" give
    // "08:05:00"; null when it is no time of day.
    static QString TimeOfDay(const QString& typed);
    // Takes the typed time for the key; the refusal naming the field, or empty.
    QString Set(const QString& key, const QString& typed);
    // What is wrong with the limits together: the end not after the start, the
    // grace ending before the end; empty when nothing. Texts that are no time
    // are left to Set, so that each can be mended on its own.
    QString Problem() const;
    // Sets one key in the store, checked with the other two as they are stored
    // (locked, so that two desks changing start and end at once cannot pass the
    // check together); the refusal, or empty once it is committed.
    static QString Store(TZConnection& connection, const QString& key, const QString& typed);
};

// The limits as instants of one date: start, end, and the end of the grace
// period after the end. A setting that is no time throws EConvertError naming
// its key and stored text; only the settings asked for are read.
struct TWorkingDay {
    QDateTime start, end, delayEnd;

    static TWorkingDay On(const QDate& date, const TWorkingDayLimits& limits);
    static QDateTime StartOn(const QDate& date, const TWorkingDayLimits& limits);

    // An arrival before the start counts from the start.
    QDateTime CountedArrival(const QDateTime& time) const { return start > time ? start : time; }
    // A departure after the end and before the delay limit counts as leaving
    // at the end; any other departure counts as it is.
    QDateTime CountedDeparture(const QDateTime& time) const {
        return time > end && time < delayEnd ? end : time;
    }
};

// Whole minutes from start to end, truncated; 0 when end is at or before start
// (a departure before the counted arrival is no time at work).
int WorkedMinutes(const QDateTime& start, const QDateTime& end);

// Which event types open a working interval (arrivals) and which close it
// (departures); a type may do neither.
class TEventRoles {
public:
    TEventRoles(QSet<qint64> opening, QSet<qint64> closing)
        : m_opening(std::move(opening)), m_closing(std::move(closing)) {}
    // The attendance sheet's: the arrivals the devices write (5 and 15) open,
    // every other type closes.
    static TEventRoles Attendance();
    bool Opens(qint64 type) const { return m_opening.contains(type); }
    bool Closes(qint64 type) const { return m_othersClose ? !Opens(type) : m_closing.contains(type); }

private:
    QSet<qint64> m_opening, m_closing;
    bool m_othersClose = false;
};

struct TDayEvent {
    QDateTime time;
    qint64 typeId = 0;
};

// What the day's computation says of one event.
enum class TDayMark {
    Interval,       // a departure that closed the open arrival, with the minutes between
    NoArrival,      // a departure while no arrival was open
    NothingCounted, // a departure not a whole minute after the counted arrival: the arrival stays open
    NoDeparture,    // the arrival still open at the end of the day
};

struct TDayNote {
    size_t event = 0; // index into the day's events
    TDayMark mark = TDayMark::Interval;
    int minutes = 0;
};

struct TDayCount {
    int minutes = 0;
    std::vector<TDayNote> notes; // in the order of the events; NoDeparture last
};

// One employee's working day, the one computation that the attendance sheet and
// the hours report share: the events of one date, in time order, against the
// limits of that date. An arrival counts from the start of work when earlier
// and replaces an arrival still open; a departure in the grace period counts
// as leaving at the end of work. A departure adds the whole minutes since the
// open arrival and closes it; one that gives no whole minute (within a minute
// of the counted arrival, or at or before it: an arrival and a departure both
// before the start count 0) adds nothing and leaves the arrival open. An
// arrival open at the end of the day counts nothing: an interval never passes
// into another day. A type that closes and opens closes first.
TDayCount CountWorkingDay(const std::vector<TDayEvent>& events, const TWorkingDay& day,
                          const TEventRoles& roles);
