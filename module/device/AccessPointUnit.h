// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog "Pristupne tačke": the doors with their device addresses, added,
// changed and removed through AccessPointSetup, and "Proveri uređaj", which asks
// a door's device to describe itself (DeviceProbe).
#pragma once

#include "module/device/AccessPoint.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TDBGrid;
class TZQuery;

class TAccessPointForm : public QDialog {
    Q_OBJECT
public:
    explicit TAccessPointForm(QWidget* parent = nullptr);

    TDBGrid* AccessPointDBG;
    QPushButton* NewButton;
    QPushButton* EditButton;
    QPushButton* RemoveButton;
    QPushButton* ProbeButton;
    QPushButton* CloseButton;

    void NewButtonClick();
    void EditButtonClick();
    void RemoveButtonClick();
    void ProbeButtonClick();

    // The door on the current row; its id is 0 when the list is empty.
    TAccessPoint Current() const;
    // Reads the list again and goes to the door (0: the first).
    void Reload(qint64 id = 0);

private:
    void Edit(const TAccessPoint& point);
    void UpdateButtons();
    TZQuery* m_points;
};

// The form of one door: its name, address, port, flags and comment, with its mark shown.
class TAccessPointEditForm : public QDialog {
    Q_OBJECT
public:
    TAccessPointEditForm(const TAccessPoint& point, QWidget* parent = nullptr);

    QLineEdit* NameEdit;
    QLineEdit* AddressEdit;
    QSpinBox* PortSpin;
    QCheckBox* ReadCheck;
    QCheckBox* AllAccessCheck;
    QCheckBox* OutdoorCheck;
    QCheckBox* ActiveCheck;
    QLineEdit* CommentEdit;
    QLabel* MarkLabel;

    // Stores what the form holds; on a refusal it says why and stays open. True when stored.
    bool Save();
    qint64 AccessPointID() const { return m_point.id; }

private:
    TAccessPoint m_point;
};
