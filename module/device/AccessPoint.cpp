// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/AccessPoint.h"

#include <algorithm>

namespace {

bool Flag(TDataSet& ds, const char* name) {
    const TField* f = ds.FindField(QString::fromLatin1(name));
    return f && !f->IsNull() && f->AsBoolean();
}

QString Text(TDataSet& ds, const char* name) {
    const TField* f = ds.FindField(QString::fromLatin1(name));
    return f ? f->AsString() : QString();
}

} // namespace

bool TAccessPoint::NamedBy(const QString& text) const {
    return name.compare(text, Qt::CaseInsensitive) == 0 || localIp == text.trimmed();
}

std::vector<TAccessPoint> AccessPointsOf(TDataSet& accessPoints) {
    std::vector<TAccessPoint> result;
    if (!accessPoints.Active()) return result;
    for (accessPoints.First(); !accessPoints.Eof(); accessPoints.Next()) {
        TAccessPoint ap;
        ap.id = accessPoints.FieldByName(QStringLiteral("horloaccesspointid"))->AsLargeInt();
        ap.name = Text(accessPoints, "name");
        ap.localIp = Text(accessPoints, "localip").trimmed();
        ap.udpPort = accessPoints.FieldByName(QStringLiteral("udpport"))->AsInteger();
        ap.active = Flag(accessPoints, "active");
        ap.allAccess = Flag(accessPoints, "allaccess");
        ap.outdoor = Flag(accessPoints, "outdoor");
        ap.readable = Flag(accessPoints, "readaccess");
        ap.comment = Text(accessPoints, "comment");
        if (const TField* mark = accessPoints.FindField(QStringLiteral("currentdeviceindex")))
            ap.mark = mark->AsLargeInt();
        result.push_back(ap);
    }
    accessPoints.First();
    return result;
}

std::vector<TAccessPoint> ReadableAccessPoints(TDataSet& accessPoints) {
    std::vector<TAccessPoint> result = AccessPointsOf(accessPoints);
    std::erase_if(result, [](const TAccessPoint& ap) { return !ap.readable; });
    return result;
}
