// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the `horlo` program as a scheduler would, for the tests of its commands.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct THorloRun {
    int status = -1; // -1: crashed or did not end within the minute
    QString out;
    QString err;
};

// Without a database URL the program finds no database: HORLO_DB is dropped and
// HORLO_HOME points nowhere, so it never reaches a private server by accident.
// With outputFile its standard output goes there (/dev/full: a full disk).
inline THorloRun RunHorlo(const QStringList& arguments, const QString& databaseUrl = QString(),
                          const QString& outputFile = QString()) {
    QProcess p;
    if (!outputFile.isEmpty()) p.setStandardOutputFile(outputFile);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("HORLO_DB"));
    if (!databaseUrl.isEmpty()) env.insert(QStringLiteral("HORLO_DB"), databaseUrl);
    env.insert(QStringLiteral("HORLO_HOME"), QStringLiteral("/nonexistent/horlo-home"));
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("HORLO_BIN_DIR") + QStringLiteral("/horlo"), arguments);
    if (!p.waitForFinished(60000)) p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}
