// SPDX-License-Identifier: GPL-3.0-or-later
// The report dialog: for a day, who was present, late and absent; for a
// period, the hours worked per employee and the intervals that look wrong.
// The computations are PresenceLists and HoursReport; the dialog holds their
// lists, keeps its options in the settings store, sorts by a click on a
// column title and prints the page on screen through the console.
#pragma once

#include "host/data/ClientDataSet.h"
#include "host/ui/WheelToKey.h"
#include "module/reports/HoursReport.h"
#include "module/data/WorkingDay.h"

#include <QDialog>
#include <QHash>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class TDBGrid;
class TDateEdit;

class THorloReportForm : public QDialog {
    Q_OBJECT
public:
    explicit THorloReportForm(QWidget* parent = nullptr);
    ~THorloReportForm() override;

    // condition panel
    TDateEdit* FromDTP;
    TDateEdit* ToDTP;
    QSpinBox* WorkDaysSE;
    QLabel* WorkDaysNoteLabel; // by the calendar, or Monday to Friday in which months
    TDateEdit* DateDTP;
    QRadioButton* AllRB;
    QRadioButton* SpecificRB;
    QLineEdit* EmployeeEdit;
    QPushButton* EmployeeButton;
    QPushButton* ShowButton;
    // event pairs and criteria
    TClientDataSet* EventCDS;
    TDataSource* EventDS;
    TDBGrid* EventDBG;
    QLabel* ExcludeLabel; // appends a pair
    QLabel* RemoveLabel;  // removes the current pair
    QSpinBox* MinCalcLenSE;
    QSpinBox* MaxCalcLenSE;
    QSpinBox* MaxExclLenSE;
    QSpinBox* AllowedPauseLenSE;
    // the working-day limits, typed as times of day
    QLineEdit* StartWorkingTimeEdit;
    QLineEdit* EndWorkingTimeEdit;
    QLineEdit* EndWorkingDelayTimeEdit;
    // results
    QTabWidget* PageControl;
    QWidget* PresentTS;
    QWidget* LateTS;
    QWidget* AbsenteeTS;
    QWidget* ReportTS;
    QWidget* WarningsTS;
    TClientDataSet* PresentCDS;
    TClientDataSet* LateCDS;
    TClientDataSet* AbsenteeCDS;
    TClientDataSet* ReportCDS;
    TClientDataSet* WarningsCDS;
    TDBGrid* PresentDBG;
    TDBGrid* LateDBG;
    TDBGrid* AbsenteeDBG;
    TDBGrid* ReportDBG;
    TDBGrid* WarningsDBG;
    QLabel* PresentTotalLabel;
    QLabel* LateTotalLabel;
    QLabel* AbsenteeTotalLabel;
    QLabel* WarningsTotalLabel;
    QPushButton* PrintButton;
    QPushButton* CloseButton;

    // form state
    qint64 SelectedEmployeeID = 0;
    TWorkingDayLimits WorkingDay;

    void ShowButtonClick();
    void FillPresentLateAbsentee();
    void FillReportWarnings();
    void SetWorkDays();
    void EmployeeButtonClick();
    void AllRBClick();
    void SpecificRBClick();
    void SetEmpActivity();
    void CloseButtonClick();
    void OptionsToControls();
    void ControlsToOptions();
    // Takes the working-time fields into WorkingDay; false (after a warning naming
    // the field, which gets the focus) when they are refused.
    bool WorkingTimeFromControls();
    // A click on a result grid's column title: ascending first, then turn about.
    void TitleClick(TDBGrid* grid, int column);
    void PrintButtonClick();
    // What the print wizard gets for the page on screen.
    QString PrintParams() const;
    TDBGrid* ActiveGrid() const;
    void ExcludeLabelClick();
    void RemoveLabelClick();
    void EventCDSFromEventTypeIDChange(TField& field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* ResultPage(TClientDataSet*& list, TDBGrid*& grid, QLabel** total, const QStringList& columns);
    QString EventTypeName(const QVariant& id) const;
    QLineEdit* WorkingTimeEdit(const QString& key) const;
    // The pairs in the list, but for one row (-1: all).
    std::vector<TEventPair> ChosenPairs(int exceptRow = -1) const;
    // Throws when the type, added as an opening type, would also close a pair.
    void CheckPairOf(qint64 openingType) const;
    void ReadEventTypeNames();

    TWheelHook m_wheelHook;
    QHash<qint64, QString> m_eventTypeNames;
    QStringList m_eventTypeOrder; // names in the order of the event-type list
};
