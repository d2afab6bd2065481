// SPDX-License-Identifier: GPL-3.0-or-later
// The console's form for one employee: a new one ("Novi…") or a stored one
// ("Izmeni…"). It maps its controls onto the personnel operation of host/data.
#pragma once

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class TZConnection;
struct TEmployee;

class TEmployeeEditDialog : public QDialog {
    Q_OBJECT
public:
    // employeeID 0: a new employee.
    TEmployeeEditDialog(TZConnection& connection, qint64 employeeID, QWidget* parent = nullptr);
    ~TEmployeeEditDialog() override;

    // Stores what the form holds; on a refusal it says why and stays open. True when stored.
    bool Save();
    // The stored employee, once Save succeeded.
    qint64 EmployeeID() const;

    QLineEdit* CodeEdit;
    QLineEdit* FirstNameEdit;
    QLineEdit* LastNameEdit;
    QLineEdit* PersonalIdEdit;
    QLineEdit* VocationEdit;
    QLineEdit* FromEdit;
    QLineEdit* ToEdit;
    QComboBox* StateCombo;
    QCheckBox* ActiveCheck;

private:
    TZConnection& m_connection;
    std::unique_ptr<TEmployee> m_employee;
};
