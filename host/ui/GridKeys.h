// SPDX-License-Identifier: GPL-3.0-or-later
// Key presses inside a grid, its cell editors included, reach the form's KeyDown and
// KeyPress handlers first, as in data-aware grids: a handler that sets the key to 0
// or empties the text swallows the press.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

class TGridKeyHook : public QObject {
    Q_OBJECT
public:
    using TKeyDown = std::function<void(int& key)>;
    using TKeyPress = std::function<void(QString& text)>;

    // Watches the application's key presses for as long as the grid lives.
    TGridKeyHook(QWidget* grid, TKeyDown keyDown, TKeyPress keyPress);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_grid;
    TKeyDown m_keyDown;
    TKeyPress m_keyPress;
};
