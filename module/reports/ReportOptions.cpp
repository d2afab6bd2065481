// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/reports/ReportOptions.h"

#include "host/data/DBIniFile.h"
#include "host/data/Database.h"
#include "module/data/ChangeHistory.h"
#include "module/data/EventTypes.h"
#include "module/reports/HoursReport.h"

namespace {
const QString kSection = QStringLiteral("Horlo");
}

QList<qint64> ParseEventIDs(const QString& commaText) {
    QList<qint64> ids;
    for (const QString& part : commaText.split(QLatin1Char(','))) {
        bool ok = false;
        const qint64 id = part.trimmed().toLongLong(&ok);
        if (ok && id > 0) ids << id;
    }
    return ids;
}

QString EventIDsText(const QList<qint64>& ids) {
    QStringList parts;
    for (qint64 id : ids)
        parts << QString::number(id);
    return parts.join(QLatin1Char(','));
}

TReportOptions TReportOptions::Read(TZConnection& connection, const QList<qint64>& defaultOpeners,
                                    const TReportOptions& defaults) {
    const TDBIniFile ini(&connection);
    TReportOptions o = defaults;
    o.FromEventIDs =
        ParseEventIDs(ini.ReadString(kSection, QStringLiteral("FromEventIDs"), EventIDsText(defaultOpeners)));
    o.MinCalcLen = ini.ReadInteger(kSection, QStringLiteral("MinCalcLen"), defaults.MinCalcLen);
    o.MaxCalcLen = ini.ReadInteger(kSection, QStringLiteral("MaxCalcLen"), defaults.MaxCalcLen);
    o.MaxExclLen = ini.ReadInteger(kSection, QStringLiteral("MaxExclLen"), defaults.MaxExclLen);
    o.AllowedPauseLen =
        ini.ReadInteger(kSection, QStringLiteral("AllowedPauseLen"), defaults.AllowedPauseLen);
    o.AllEmp = ini.ReadBool(kSection, QStringLiteral("AllEmp"), true);
    o.Limits = TWorkingDayLimits::Read(ini);
    return o;
}

TReportOptions TReportOptions::Read(TZConnection& connection, const QList<qint64>& defaultOpeners) {
    return Read(connection, defaultOpeners, TReportOptions());
}

void TReportOptions::Write(TZConnection& connection) const {
    RunInTransaction(connection, [&] {
        TRecordedIniFile ini(connection);
        ini.WriteString(kSection, QStringLiteral("FromEventIDs"), EventIDsText(FromEventIDs));
        ini.WriteInteger(kSection, QStringLiteral("MinCalcLen"), MinCalcLen);
        ini.WriteInteger(kSection, QStringLiteral("MaxCalcLen"), MaxCalcLen);
        ini.WriteInteger(kSection, QStringLiteral("MaxExclLen"), MaxExclLen);
        ini.WriteInteger(kSection, QStringLiteral("AllowedPauseLen"), AllowedPauseLen);
        ini.WriteBool(kSection, QStringLiteral("AllEmp"), AllEmp);
        Limits.Write(ini);
    });
}

std::vector<TEventPair> EventPairsFor(TZConnection& connection, const QList<qint64>& fromEventIDs) {
    std::vector<TEventPair> pairs;
    for (qint64 id : fromEventIDs)
        pairs.push_back({id, InverseEventTypeID(connection, id)});
    return pairs;
}
