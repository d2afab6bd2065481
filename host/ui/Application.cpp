// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ui/Application.h"

#include "host/ui/Dialogs.h"
#include "host/ui/Mnemonics.h"

#include <QDialog>
#include <QMenu>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    // every dialog and menu, the module's too, before it is drawn
    if (event->type() == QEvent::Show && (qobject_cast<QDialog*>(receiver) || qobject_cast<QMenu*>(receiver)))
        GiveMnemonics(static_cast<QWidget*>(receiver));
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException();
        return false;
    }
}
