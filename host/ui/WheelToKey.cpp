// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ui/WheelToKey.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWheelEvent>
#include <QWidget>

namespace {
int g_hookCount = 0;
QPointer<TWheelToKeyFilter> g_filter;
} // namespace

bool TWheelToKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Wheel) return false;
    const auto* wheel = static_cast<QWheelEvent*>(event);
    const QPoint delta = wheel->angleDelta();
    // Only vertical wheel steps: a sideways tilt or a bare scroll phase passes as it is.
    if (delta.y() == 0 && (delta.x() != 0 || wheel->phase() != Qt::NoScrollPhase)) return false;
    // a step of no length moves nothing
    if (delta.y() == 0) return true;
    auto* receiver = qobject_cast<QWidget*>(watched);
    if (!receiver) return false;
    // The key goes where keys go: the focused widget of the same window, else the wheel's receiver.
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != receiver->window()) target = receiver;
    const int key = delta.y() > 0 ? Qt::Key_Up : Qt::Key_Down;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    // The wheel step has become the key press; it does not scroll as well.
    return true;
}

TWheelHook::TWheelHook() {
    if (g_hookCount++ == 0 && QCoreApplication::instance()) {
        g_filter = new TWheelToKeyFilter(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(g_filter);
    }
}

TWheelHook::~TWheelHook() {
    if (--g_hookCount == 0 && g_filter) delete g_filter; // deleting removes the filter
}

bool TWheelHook::Installed() {
    return !g_filter.isNull();
}
