// SPDX-License-Identifier: GPL-3.0-or-later
// The working day as the reports and the attendance sheet count it: the three
// time-of-day settings of the section "Horlo", the instants they give on a
// date, how an arrival and a departure are clamped to them, and whole minutes.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

class TDBIniFile;
class TZConnection;

// Texts "hh:nn:ss" as stored in the settings store.
struct TWorkingDayLimits {
    QString StartWorkingTime = QStringLiteral("09:00:00");
    QString EndWorkingTime = QStringLiteral("17:00:00");
    QString EndWorkingDelayTime = QStringLiteral("17:30:00");

    // Keys never written keep the defaults above.
    static TWorkingDayLimits Read(const TDBIniFile& ini);
    static TWorkingDayLimits Read(TZConnection& connection);
    void Write(TDBIniFile& ini) const;

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

// The proposed number of working days between two instants: whole minutes
// apart (either way round) as days, times 5/7, rounded half to even.
int ProposedWorkDays(const QDateTime& from, const QDateTime& to);
