// SPDX-License-Identifier: GPL-3.0-or-later
// The host's application object: an error that escapes an event handler not
// already guarded reaches the host's error display instead of ending the program;
// every dialog and menu gets its Alt+letter captions (Mnemonics.h) as it shows.
#pragma once

#include <QApplication>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
