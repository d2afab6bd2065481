// SPDX-License-Identifier: GPL-3.0-or-later
// "Istorija izmena": who changed what through Horlo over a period, for all
// employees or one by code; printed through the console's print wizard.
#pragma once

#include "module/data/ChangeHistory.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class TDBGrid;
class TDateEdit;
class TDataSource;
class TZQuery;

class THistoryForm : public QDialog {
    Q_OBJECT
public:
    explicit THistoryForm(QWidget* parent = nullptr);

    TDateEdit* FromDTP;
    TDateEdit* ToDTP;
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

private:
    THistoryFilter m_shown; // what the list shows, for its printed header
};
