#include "module/reports/WorkingDay.h"

#include "host/data/DBIniFile.h"
#include "host/data/Database.h"
#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"

#include <cfenv>
#include <cmath>

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

void TWorkingDayLimits::Write(TDBIniFile& ini) const {
    ini.WriteString(kSection, QStringLiteral("StartWorkingTime"), StartWorkingTime);
    ini.WriteString(kSection, QStringLiteral("EndWorkingTime"), EndWorkingTime);
    ini.WriteString(kSection, QStringLiteral("EndWorkingDelayTime"), EndWorkingDelayTime);
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

int ProposedWorkDays(const QDateTime& from, const QDateTime& to) {
    const qint64 minutes = std::llabs(from.secsTo(to)) / 60;
    // to the nearest whole day, a half going to the even neighbour
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double days = std::nearbyint(double(minutes) / 1440.0 * 5.0 / 7.0);
    std::fesetround(saved);
    return int(days);
}
