// SPDX-License-Identifier: GPL-3.0-or-later
// Resident memory of the running benchmark, for the figures it prints.
#pragma once

#include <QByteArray>
#include <QFile>

// Resident memory of this process in MB; -1 when /proc cannot tell.
inline double RssMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}
