// SPDX-License-Identifier: GPL-3.0-or-later
// The frame of a navigator: the search keys in a key/value editor and the
// button that starts the search.
#pragma once

#include "host/ui/ValueListEditor.h"

#include <QWidget>

class QPushButton;

class TCustomNavigatorForm : public QWidget {
    Q_OBJECT
public:
    explicit TCustomNavigatorForm(QWidget* parent = nullptr);
    ~TCustomNavigatorForm() override;

    TValueListEditor* SearchVLE;
    QPushButton* FindButton;

    // Prepares the search keys once the database is there; the base fits the captions.
    virtual void SetSearchProps();
    // The statement of the searched record set for the filled keys; the base has none.
    virtual QString ParseSQL();
    // The base stores the value still being typed.
    virtual void FindButtonClick();
    // Enter starts the search.
    virtual void SearchVLEKeyDown(int& key, Qt::KeyboardModifiers modifiers);

    // The filled keys of the search last run, as "caption: value" lines: a printed
    // or saved result says what it shows.
    QStringList SearchDescription() const { return m_searched; }

protected:
    // A search ran with the keys as they stand.
    void SearchRan();

private:
    QStringList m_searched;
};
