// SPDX-License-Identifier: GPL-3.0-or-later
// The work calendar ("Radni kalendar"): one month of the calendar table,
// generated a month at a time, with each date's work-day flag chosen from a
// pick list; changes stay in the query's cache until applied.
#pragma once

#include "host/ui/CachedEditDialog.h"
#include "host/ui/WheelToKey.h"

#include <QColor>

class QAction;
class QComboBox;
class QPushButton;
class TDBGrid;
class TDBNavigator;

class THorloWorkCalendarForm : public TCachedEditDialog {
    Q_OBJECT
public:
    explicit THorloWorkCalendarForm(QWidget* parent = nullptr);
    ~THorloWorkCalendarForm() override;

    QComboBox* YearCB;
    QComboBox* MonthCB;
    TDBNavigator* HorloWorkCalendarDBN;
    QPushButton* AddAllButton;
    TDBGrid* HorloWorkCalendarDBG;
    QPushButton* PrintButton;
    QPushButton* OKButton;
    QPushButton* ApplyButton;
    QPushButton* CancelButton;
    QAction* OKAction;
    QAction* ApplyAction;
    QAction* CancelAction;

    // The first and last entries of the year list.
    static constexpr int FirstYear = 2017;
    static int LastYear(); // next year

    void OpenHorloWorkCalendar();
    void YearCBChange();
    void AddAllButtonClick();
    // Row colour: light red for a date that is no work day.
    QColor HorloWorkCalendarDBGDrawColumnCell(int row, int column) const;
    // Key filters of the grid and its cell editor: a zeroed key or an emptied
    // text is discarded.
    void HorloWorkCalendarDBGKeyDown(int& key);
    void HorloWorkCalendarDBGKeyPress(QString& text);
    void ApplyActionUpdate();
    void ApplyActionExecute();
    void OKActionExecute();
    void CancelActionExecute();
    QString PrintParameters() const;
    void PrintButtonClick();

private:
    void FormCreate();
    TWheelHook m_wheelHook;
};
