// SPDX-License-Identifier: GPL-3.0-or-later
// The host's settings store: values by section and key in the database, read
// with a default for keys that were never written.
#pragma once

#include "host/data/Database.h"

class TDBIniFile {
public:
    explicit TDBIniFile(TZConnection* connection);

    QString ReadString(const QString& section, const QString& ident, const QString& defaultValue) const;
    int ReadInteger(const QString& section, const QString& ident, int defaultValue) const;
    bool ReadBool(const QString& section, const QString& ident, bool defaultValue) const;
    void WriteString(const QString& section, const QString& ident, const QString& value);
    void WriteInteger(const QString& section, const QString& ident, int value);
    void WriteBool(const QString& section, const QString& ident, bool value);
    bool ValueExists(const QString& section, const QString& ident) const;
    void DeleteKey(const QString& section, const QString& ident);

private:
    // The stored text, or a null QString when the key is absent.
    QString Read(const QString& section, const QString& ident) const;
    TZConnection* m_connection;
};
