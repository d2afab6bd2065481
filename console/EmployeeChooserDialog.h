// SPDX-License-Identifier: GPL-3.0-or-later
// The console's employee windows: a searchable list to choose from, and the
// details of one employee.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QTimer;
class TDataSet;
class TDBGrid;
class TZConnection;
class TZQuery;

class TEmployeeChooserDialog : public QDialog {
    Q_OBJECT
public:
    TEmployeeChooserDialog(TZConnection& connection, QWidget* parent = nullptr);
    // The employee on the current row; 0 when the list is empty.
    qint64 EmployeeID() const;
    // Lists the employees whose name, code or vocation hold every word of the text.
    void Filter(const QString& text);
    // "Novi…" and "Izmeni…": the employee's form; the list then shows the stored one.
    void NewEmployee();
    void EditEmployee();
    // Shows the employee in the list: with the search as it is, or else without it.
    void ShowStored(qint64 employeeID);

    QLineEdit* SearchEdit;
    TDBGrid* EmployeeDBG;

protected:
    // Up, Down and the page keys in the search text move in the list; Enter chooses.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateButtons();
    void Edit(qint64 employeeID);
    TZConnection& m_connection;
    TZQuery* m_employees;
    QPushButton* m_choose;
    QPushButton* m_edit;
    QTimer* m_filterTimer;
};

class TEmployeeDetailsDialog : public QDialog {
    Q_OBJECT
public:
    TEmployeeDetailsDialog(const TDataSet& employee, TZConnection& connection, QWidget* parent = nullptr);
};
