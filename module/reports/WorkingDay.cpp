// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/reports/WorkingDay.h"

#include "host/data/DBIniFile.h"
#include "host/data/Database.h"
#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"
#include "module/data/ChangeHistory.h"
#include "module/data/EventTypes.h"

#include <QRegularExpression>
#include <QTime>

namespace {

const QString kSection = QStringLiteral("Horlo");

QDateTime Instant(const QDate& date, const char* key, const QString& text) {
    try {
        return MyDateTimeStrToDateTime(SqlDate(date) + QLatin1Char(' ') + text);
    } catch (const EConvertError&) {
        throw EConvertError(Format(_WORKING_TIME_SETTING_ERR, {QString::fromLatin1(key), text}));
    }
}

} // namespace

TWorkingDayLimits TWorkingDayLimits::Read(const TDBIniFile& ini) {
    TWorkingDayLimits limits;
    limits.StartWorkingTime =
        ini.ReadString(kSection, QStringLiteral("StartWorkingTime"), limits.StartWorkingTime);
    limits.EndWorkingTime = ini.ReadString(kSection, QStringLiteral("EndWorkingTime"), limits.EndWorkingTime);
    limits.EndWorkingDelayTime =
        ini.ReadString(kSection, QStringLiteral("EndWorkingDelayTime"), limits.EndWorkingDelayTime);
    return limits;
}

TWorkingDayLimits TWorkingDayLimits::Read(TZConnection& connection) {
    return Read(TDBIniFile(&connection));
}

void TWorkingDayLimits::Write(TRecordedIniFile& ini) const {
    ini.WriteString(kSection, QStringLiteral("StartWorkingTime"), StartWorkingTime);
    ini.WriteString(kSection, QStringLiteral("EndWorkingTime"), EndWorkingTime);
    ini.WriteString(kSection, QStringLiteral("EndWorkingDelayTime"), EndWorkingDelayTime);
}

const QStringList& TWorkingDayLimits::Keys() {
    static const QStringList keys{QStringLiteral("StartWorkingTime"), QStringLiteral("EndWorkingTime"),
                                  QStringLiteral("EndWorkingDelayTime")};
    return keys;
}

QString TWorkingDayLimits::FieldName(const QString& key) {
    static const QStringList names{QStringLiteral("Početak rada"), QStringLiteral("Kraj rada"),
                                   QStringLiteral("Tolerancija odlaska do")};
    const qsizetype i = Keys().indexOf(key);
    return i < 0 ? QString() : names[i];
}

QString TWorkingDayLimits::Value(const QString& key) const {
    const QString* const values[] = {&StartWorkingTime, &EndWorkingTime, &EndWorkingDelayTime};
    const qsizetype i = Keys().indexOf(key);
    return i < 0 ? QString() : *values[i];
}

QStringList TWorkingDayLimits::StoredKeys(const TDBIniFile& ini) {
    QStringList stored;
    for (const QString& key : Keys())
        if (ini.ValueExists(kSection, key)) stored << key;
    return stored;
}

QString TWorkingDayLimits::TimeOfDay(const QString& typed) {
    static const QRegularExpression form(QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2}))?$"));
    const QRegularExpressionMatch m = form.match(typed.trimmed());
    if (!m.hasMatch()) return QString();
    const QTime time(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return time.isValid() ? time.toString(QStringLiteral("HH:mm:ss")) : QString();
}

QString TWorkingDayLimits::Set(const QString& key, const QString& typed) {
    QString* const values[] = {&StartWorkingTime, &EndWorkingTime, &EndWorkingDelayTime};
    const qsizetype i = Keys().indexOf(key);
    Q_ASSERT(i >= 0);
    const QString time = TimeOfDay(typed);
    if (time.isNull()) return Format(_WORKING_TIME_WRN, {typed, FieldName(key)});
    *values[i] = time;
    return QString();
}

QString TWorkingDayLimits::Problem() const {
    const QString start = TimeOfDay(StartWorkingTime), end = TimeOfDay(EndWorkingTime),
                  grace = TimeOfDay(EndWorkingDelayTime);
    // texts of one form compare as the times they are
    if (!start.isNull() && !end.isNull() && end <= start)
        return Format(_WORKING_TIME_ORDER_WRN,
                      {FieldName(Keys()[1]), EndWorkingTime, FieldName(Keys()[0]), StartWorkingTime});
    if (!end.isNull() && !grace.isNull() && grace < end)
        return Format(_WORKING_TIME_GRACE_WRN,
                      {FieldName(Keys()[2]), EndWorkingDelayTime, FieldName(Keys()[1]), EndWorkingTime});
    return QString();
}

QString TWorkingDayLimits::Store(TZConnection& connection, const QString& key, const QString& typed) {
    return RunInTransaction(connection, [&] {
        connection.Select(QStringLiteral("SELECT value FROM dbinifile WHERE section = %1 AND ident IN "
                                         "(%2, %3, %4) FOR UPDATE")
                              .arg(connection.Quote(kSection), connection.Quote(Keys()[0]),
                                   connection.Quote(Keys()[1]), connection.Quote(Keys()[2])));
        TDBIniFile ini(&connection);
        TWorkingDayLimits limits = Read(ini);
        QString refusal = limits.Set(key, typed);
        if (refusal.isEmpty()) refusal = limits.Problem();
        if (refusal.isEmpty()) TRecordedIniFile(connection).WriteString(kSection, key, limits.Value(key));
        return refusal;
    });
}

TWorkingDay TWorkingDay::On(const QDate& date, const TWorkingDayLimits& limits) {
    return {StartOn(date, limits), Instant(date, "EndWorkingTime", limits.EndWorkingTime),
            Instant(date, "EndWorkingDelayTime", limits.EndWorkingDelayTime)};
}

QDateTime TWorkingDay::StartOn(const QDate& date, const TWorkingDayLimits& limits) {
    return Instant(date, "StartWorkingTime", limits.StartWorkingTime);
}

int WorkedMinutes(const QDateTime& start, const QDateTime& end) {
    const qint64 seconds = start.secsTo(end);
    return seconds > 0 ? int(seconds / 60) : 0;
}

TEventRoles TEventRoles::Attendance() {
    TEventRoles roles({kArrivalEventType, kCardArrivalEventType}, {});
    roles.m_othersClose = true;
    return roles;
}

TDayCount CountWorkingDay(const std::vector<TDayEvent>& events, const TWorkingDay& day,
                          const TEventRoles& roles) {
    TDayCount count;
    QDateTime open; // the counted start of the open arrival; invalid while none is open
    size_t opened = 0;
    for (size_t i = 0; i < events.size(); ++i) {
        const TDayEvent& e = events[i];
        if (roles.Closes(e.typeId)) {
            if (!open.isValid()) {
                count.notes.push_back({i, TDayMark::NoArrival, 0});
            } else if (const int minutes = WorkedMinutes(open, day.CountedDeparture(e.time)); minutes > 0) {
                count.minutes += minutes;
                count.notes.push_back({i, TDayMark::Interval, minutes});
                open = QDateTime();
            } else {
                count.notes.push_back({i, TDayMark::NothingCounted, 0});
            }
        }
        if (roles.Opens(e.typeId)) {
            open = day.CountedArrival(e.time);
            opened = i;
        }
    }
    if (open.isValid()) count.notes.push_back({opened, TDayMark::NoDeparture, 0});
    return count;
}
