// SPDX-License-Identifier: GPL-3.0-or-later
// The small dialog that asks for the two names of a new pair of event types.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

class TNewEventForm : public QDialog {
    Q_OBJECT
public:
    explicit TNewEventForm(QWidget* parent = nullptr);

    QLineEdit* OutEventEdit;
    QLineEdit* InEventEdit;
    QPushButton* OKButton;
    QPushButton* CancelButton;
    bool Result = false;

    void OKButtonClick();
    void CancelButtonClick();

private:
    // One of the two names when a type already carries it or both are the same.
    QString TakenName() const;
};

// Asks for the names of a new arrival and departure type. True and both names when
// the user confirmed; false, with the names untouched, otherwise.
bool NewEvent(QString& inEventName, QString& outEventName);
