// SPDX-License-Identifier: GPL-3.0-or-later
// The attendance sheet ("Prisustvo"): the sheet for a period, filtered by
// employee and by the kind of hours, coloured by what its hours say, edited in
// place, extended by a day or an employee, and printed as a list or as sums per
// employee. Changes stay in the sheet query's cache until applied.
#pragma once

#include "host/data/ClientDataSet.h"
#include "host/ui/CachedEditDialog.h"
#include "host/ui/WheelToKey.h"
#include "module/worktime/AttendanceSheet.h"

#include <QColor>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TDBGrid;
class TDBNavigator;
class TDateEdit;

class THorloAttendanceForm : public TCachedEditDialog {
    Q_OBJECT
public:
    explicit THorloAttendanceForm(QWidget* parent = nullptr);
    ~THorloAttendanceForm() override;

    TDateEdit* FromDateEdit;
    TDateEdit* ToDateEdit;
    QLineEdit* EmployeeCodeEdit;
    QLineEdit* EmployeeLastnameEdit;
    QLineEdit* EmployeeFirstnameEdit;
    QGroupBox* FilterGB;
    QRadioButton* NoneRB;           // "Bez"
    QRadioButton* AbsentRB;         // "Odsutni"
    QRadioButton* ShortRB;          // "Manje"
    QRadioButton* OvertimeRB;       // "Prekovremeno"
    QRadioButton* VacationRB;       // "Odmor"
    QRadioButton* RedistributionRB; // "Preraspodela"
    QRadioButton* SickRB;           // "Bolovanje"
    QRadioButton* UnallocatedRB;    // "Neraspoređeno"
    QPushButton* FindButton;
    TDBNavigator* HorloAttendanceDBN;
    QPushButton* AddDayButton;
    QPushButton* AddPeriodButton;
    QPushButton* AddEmployeeButton;
    TDBGrid* HorloAttendanceDBG;
    QLabel* AttendanceTotalLabel;
    QPushButton* PrintListButton;
    QPushButton* PrintButton;
    QPushButton* OKButton;
    QPushButton* ApplyButton;
    QPushButton* CancelButton;
    QAction* OKAction;
    QAction* ApplyAction;
    QAction* CancelAction;
    // The per-employee summary and the hidden grid that hands it to the print wizard.
    TClientDataSet* HorloAttendanceCDS;
    TDataSource* HorloAttendanceDS;
    TDBGrid* HorloAttendancePrintDBG;
    // The hidden grid that hands the list to the print wizard: the sheet's shown
    // columns but the hours (and comments) that are 0 (empty) in every row.
    TDBGrid* HorloAttendanceListDBG;

    const TWorkingDayLimits& Settings() const { return m_day->Settings(); }
    TAttendanceView View() const; // what the edits and filters say
    TAttendanceFilter SelectedFilter() const;

    void OpenHorloAttendance();
    void FindButtonClick();
    QColor HorloAttendanceDBGDrawColumnCell(int row, int column) const;
    void HorloAttendanceDBGKeyDown(int& key);
    void HorloAttendanceDBGKeyPress(QString& text);
    void HorloAttendanceDBGDblClick();
    void ApplyActionUpdate();
    void ApplyActionExecute();
    void OKActionExecute();
    void CancelActionExecute();
    QString GetPrintHeader() const;
    void PrintListButtonClick();
    void PrintButtonClick();
    void AddDayButtonClick();
    // "Dodaj period": every work day of a period stored at once, then shown.
    void AddPeriodButtonClick();
    void AddEmployeeButtonClick();

private:
    void FormCreate();
    std::vector<std::pair<QRadioButton*, TAttendanceFilter>> FilterButtons() const;
    // Why a row was not added: the day has rows, or is after today.
    void ShowAddRefusal(TAddResult result, const QDate& day);
    // "Ukupno" follows the rows the sheet shows.
    void ShowTotal();
    std::unique_ptr<TAttendanceDay> m_day;
    TAttendanceView m_shown; // what the sheet shows
    std::unique_ptr<TAttendanceMarks> m_marks;
    TWheelHook m_wheelHook;
};
