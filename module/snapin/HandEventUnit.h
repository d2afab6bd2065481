// SPDX-License-Identifier: GPL-3.0-or-later
// The event viewer's corrections: "Dodaj događaj" and, for an event entered by
// hand, "Izmeni" and "Obriši", each asking for a reason. The form maps its
// controls onto the operations of module/worktime/HandEvents.h.
#pragma once

#include "module/worktime/HandEvents.h"

#include <QDialog>

class QComboBox;
class QTimeEdit;
class QLineEdit;
class QPushButton;
class TDateEdit;

class THandEventForm : public QDialog {
    Q_OBJECT
public:
    // eventId 0: a new event; otherwise the event entered by hand to change,
    // whose values the controls show.
    explicit THandEventForm(qint64 eventId = 0, QWidget* parent = nullptr);

    QLineEdit* EmployeeEdit; // the chosen employee's name, read-only
    QPushButton* EmployeeButton;
    TDateEdit* DateEdit;
    QTimeEdit* TimeEdit;
    QComboBox* EventTypeCB;
    QLineEdit* ReasonEdit;
    QPushButton* OKButton;
    QPushButton* CancelButton;

    qint64 EmployeeID = 0;
    qint64 EventID = 0; // the event added or changed, once stored

    void EmployeeButtonClick();
    // Stores the event; a refusal is shown and the form stays open.
    void OKButtonClick();

private:
    void LoadEvent(qint64 eventId);
    void SetTime(const QDateTime& time); // a wall clock
};

// "Obriši": asks the reason and deletes the event entered by hand; true when it was deleted.
bool DeleteHandEventAsked(qint64 eventId);
