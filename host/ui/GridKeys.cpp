// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ui/GridKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

TGridKeyHook::TGridKeyHook(QWidget* grid, TKeyDown keyDown, TKeyPress keyPress)
    : QObject(grid), m_grid(grid), m_keyDown(std::move(keyDown)), m_keyPress(std::move(keyPress)) {
    qApp->installEventFilter(this);
}

bool TGridKeyHook::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || (widget != m_grid && !m_grid->isAncestorOf(widget))) return false;
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    int key = keyEvent->key();
    if (m_keyDown) m_keyDown(key);
    if (key == 0) return true;
    QString text = keyEvent->text();
    if (m_keyPress && !text.isEmpty() && text.at(0).isPrint()) {
        m_keyPress(text);
        if (text.isEmpty()) return true;
    }
    return false;
}
