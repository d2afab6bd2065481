// SPDX-License-Identifier: GPL-3.0-or-later
// The host's application object: an error that escapes an event handler not
// already guarded reaches the host's error display instead of ending the program;
// every dialog and menu gets its Alt+letter captions (Mnemonics.h) as it shows;
// every window opens within the screen's free area, its frame included.
#pragma once

#include <QApplication>

class QWidget;

// Shrinks and moves a window, frame and title bar included, into the available
// area of its screen (what panels leave free), as far as its minimum size allows.
void FitOnScreen(QWidget& window);

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
