// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/QtTranslation.h"

#include <QCoreApplication>
#include <QTranslator>

QTranslator* InstallQtTranslation() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    // made by lrelease at build time and embedded, so no install path matters
    if (!translator->load(QStringLiteral(":/i18n/qtbase_sr_Latn.qm")) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}
