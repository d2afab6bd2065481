// The working day as the reports and the attendance sheet count it: the three
// time-of-day settings of the section "Horlo", the instants they give on a
// date, how an arrival and a departure are clamped to them, and whole minutes.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

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
