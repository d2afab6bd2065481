// SPDX-License-Identifier: GPL-3.0-or-later
// The application-wide wheel-to-key translation that the editing dialogs
// install while they exist: a wheel step up becomes a press of the Up key, a
// step down (or a zero step) one of the Down key, so that a grid moves one row
// per step instead of scrolling.
#pragma once

#include <QObject>

class TWheelToKeyFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Installs the filter on the application while it lives. Guards nest: the
// filter is installed once, however many dialogs hold a guard.
class TWheelHook {
public:
    TWheelHook();
    ~TWheelHook();
    TWheelHook(const TWheelHook&) = delete;
    TWheelHook& operator=(const TWheelHook&) = delete;
    static bool Installed();
};
