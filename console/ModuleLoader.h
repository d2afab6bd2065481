// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a module library at run time and finding its entry point.
#pragma once

#include "host/console/HostIntf.h"

#include <QLibrary>
#include <QString>

#include <stdexcept>

// A module that cannot be used; the message names the file.
class EModuleError : public std::runtime_error {
public:
    explicit EModuleError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString Message() const { return m_message; }

private:
    QString m_message;
};

class TModuleLoader {
public:
    TModuleLoader() = default;
    ~TModuleLoader();
    TModuleLoader(const TModuleLoader&) = delete;
    TModuleLoader& operator=(const TModuleLoader&) = delete;

    // Loads the library and asks its GetSnapinFactory for the factory, which
    // stays valid until Unload. Throws EModuleError.
    ISnapinFactory* Load(const QString& path);
    // Unloads the module: it releases its factory, snap-in and console then.
    // Release every object of the module first.
    void Unload();
    bool Loaded() const { return m_library.isLoaded(); }

    // The module where the package installs it beside the running program's folder
    // (bin/../lib/<multiarch>/horlo), else lib/libhorlo.so of the build tree.
    static QString DefaultPath();

private:
    QLibrary m_library;
};
