// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/data/DBIniFile.h"

#include "host/data/HostStrings.h"

TDBIniFile::TDBIniFile(TZConnection* connection) : m_connection(connection) {
    if (!m_connection) throw EDatabaseError(_CMN_DB_NOT_CONNECTED_ERR);
}

QString TDBIniFile::Read(const QString& section, const QString& ident) const {
    const TResultSet rs =
        m_connection->Select(QStringLiteral("SELECT value FROM dbinifile WHERE section = %1 AND ident = %2")
                                 .arg(m_connection->Quote(section), m_connection->Quote(ident)));
    if (rs.rows.empty()) return QString();
    const QString value = rs.rows[0][0].toString();
    return value.isNull() ? QStringLiteral("") : value; // present but empty is not absent
}

QString TDBIniFile::ReadString(const QString& section, const QString& ident,
                               const QString& defaultValue) const {
    const QString value = Read(section, ident);
    return value.isNull() ? defaultValue : value;
}

int TDBIniFile::ReadInteger(const QString& section, const QString& ident, int defaultValue) const {
    bool ok = false;
    const int value = Read(section, ident).trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

bool TDBIniFile::ReadBool(const QString& section, const QString& ident, bool defaultValue) const {
    const QString value = Read(section, ident).trimmed().toLower();
    if (value == QLatin1String("1") || value == QLatin1String("true") || value == QLatin1String("y"))
        return true;
    if (value == QLatin1String("0") || value == QLatin1String("false") || value == QLatin1String("n"))
        return false;
    return defaultValue;
}

void TDBIniFile::WriteString(const QString& section, const QString& ident, const QString& value) {
    m_connection->Execute(
        QStringLiteral("INSERT INTO dbinifile (section, ident, value) VALUES (%1, %2, %3) "
                       "ON DUPLICATE KEY UPDATE value = VALUES(value)")
            .arg(m_connection->Quote(section), m_connection->Quote(ident), m_connection->Quote(value)));
}

void TDBIniFile::WriteInteger(const QString& section, const QString& ident, int value) {
    WriteString(section, ident, QString::number(value));
}

void TDBIniFile::WriteBool(const QString& section, const QString& ident, bool value) {
    WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TDBIniFile::ValueExists(const QString& section, const QString& ident) const {
    return !Read(section, ident).isNull();
}

void TDBIniFile::DeleteKey(const QString& section, const QString& ident) {
    m_connection->Execute(QStringLiteral("DELETE FROM dbinifile WHERE section = %1 AND ident = %2")
                              .arg(m_connection->Quote(section), m_connection->Quote(ident)));
}
