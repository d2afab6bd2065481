// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ui/Application.h"

#include "host/ui/Dialogs.h"
#include "host/ui/Mnemonics.h"

#include <QDialog>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>

void FitOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    // the window manager's frame is known once the window was shown; until then a title bar is assumed
    QMargins frame(window.geometry().left() - window.frameGeometry().left(),
                   window.geometry().top() - window.frameGeometry().top(),
                   window.frameGeometry().right() - window.geometry().right(),
                   window.frameGeometry().bottom() - window.geometry().bottom());
    if (frame.isNull()) frame = QMargins(4, 32, 4, 4);
    const QSize room = area.size().shrunkBy(frame);
    const QSize size = window.size().boundedTo(room).expandedTo(window.minimumSize());
    if (size != window.size()) window.resize(size);
    // a window's position is its frame's
    QRect outer(window.pos(), size.grownBy(frame));
    if (outer.right() > area.right()) outer.moveRight(area.right());
    if (outer.bottom() > area.bottom()) outer.moveBottom(area.bottom());
    if (outer.left() < area.left()) outer.moveLeft(area.left());
    if (outer.top() < area.top()) outer.moveTop(area.top());
    if (outer.topLeft() != window.pos()) window.move(outer.topLeft());
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    // every dialog and menu, the module's too, before it is drawn
    if (event->type() == QEvent::Show && (qobject_cast<QDialog*>(receiver) || qobject_cast<QMenu*>(receiver)))
        GiveMnemonics(static_cast<QWidget*>(receiver));
    // before the window is mapped, so that it never shows beyond the screen first
    if (event->type() == QEvent::Show &&
        (qobject_cast<QDialog*>(receiver) || qobject_cast<QMainWindow*>(receiver)))
        FitOnScreen(*static_cast<QWidget*>(receiver));
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException();
        return false;
    }
}
