// SPDX-License-Identifier: GPL-3.0-or-later
// "Istorija izmena": who changed what through Horlo over a period, for all
// employees or one by code; printed through the console's print wizard.
#pragma once

#include <QDialog>

class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class TDBGrid;
class TDataSource;
class TZQuery;

class THistoryForm : public QDialog {
    Q_OBJECT
public:
    explicit THistoryForm(QWidget* parent = nullptr);

    QDateTimeEdit* FromDTP;
    QDateTimeEdit* ToDTP;
    QLineEdit* CodeEdit;
    QPushButton* ShowButton;
    TZQuery* HistoryZQ;
    TDBGrid* HistoryDBG;
    QLabel* TotalLabel;
    QPushButton* PrintButton;
    QPushButton* CloseButton;

    // Reads the changes of the period (and employee) anew.
    void ShowButtonClick();
    void PrintButtonClick();
};
