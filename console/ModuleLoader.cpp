// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/ModuleLoader.h"

#include "console/ConsoleStrings.h"
#include "host/data/SysUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

TModuleLoader::~TModuleLoader() {
    Unload();
}

ISnapinFactory* TModuleLoader::Load(const QString& path) {
    Unload();
    const QFileInfo file(path);
    const QString shown = QDir::toNativeSeparators(file.absoluteFilePath());
    if (!file.isFile()) throw EModuleError(Format(_CON_MODULE_MISSING_ERR, {shown}));
    m_library.setFileName(file.absoluteFilePath());
    m_library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!m_library.load()) throw EModuleError(Format(_CON_MODULE_LOAD_ERR, {shown, m_library.errorString()}));
    const auto entry = reinterpret_cast<TGetSnapinFactory>(m_library.resolve(GetSnapinFactoryName));
    if (!entry) {
        m_library.unload();
        throw EModuleError(Format(_CON_MODULE_ENTRY_ERR, {shown, QString::fromLatin1(GetSnapinFactoryName)}));
    }
    ISnapinFactory* factory = entry();
    if (!factory) {
        m_library.unload();
        throw EModuleError(Format(_CON_MODULE_FACTORY_ERR, {shown}));
    }
    return factory;
}

void TModuleLoader::Unload() {
    if (m_library.isLoaded()) m_library.unload();
}

QString TModuleLoader::DefaultPath() {
    const QString bin = QCoreApplication::applicationDirPath();
    const QString installed =
        QDir::cleanPath(bin + QStringLiteral("/" HORLO_MODULE_DIR_FROM_BIN "/libhorlo.so"));
    const QString built = QDir::cleanPath(bin + QStringLiteral("/../lib/libhorlo.so"));
    return QFileInfo::exists(installed) || !QFileInfo::exists(built) ? installed : built;
}
