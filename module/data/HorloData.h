// SPDX-License-Identifier: GPL-3.0-or-later
// The module's data without windows: the shared queries, their fields, the
// card checks and the event-type lookups. The console's data module (HorloDM)
// adds images and error display on top; the command line makes its own.
#pragma once

#include "host/data/CustomDM.h"

class THorloData : public TCustomDM {
    Q_OBJECT
public:
    explicit THorloData(QObject* parent = nullptr);

    TZQuery* EmployeeEventZQ;
    TDataSource* EmployeeEventDS;
    TZQuery* EmployeeEventTypeZQ;
    TDataSource* EmployeeEventTypeDS;
    TZQuery* HorloWorkCalendarZQ;
    TDataSource* HorloWorkCalendarDS;
    TZQuery* HorloAttendanceZQ;
    TDataSource* HorloAttendanceDS;
    TZQuery* HorloAccessPointZQ;
    TZQuery* HorloAccessTicketZQ;
    TZQuery* EmployeeCardZQ;
    TDataSource* EmployeeCardDS;
    TZQuery* EmployeeEventRawZQ;

    TField* EmployeeCardZQname;
    TField* EmployeeCardZQcardcode;
    TField* EmployeeCardZQactive;
    TField* HorloWorkCalendarZQworkday;

    // Event types: the default of a direction, one type by identifier, and the
    // type whose pairid points at an identifier; 0 or nothing when absent.
    qint64 GetDefaultEventTypeID(QChar direction) const;
    void GetEventType(qint64 id, QChar& direction, QString& name) const;
    qint64 GetInverseEventTypeID(qint64 id) const;

    // Event lists up to this many rows are sorted whole by the database, which
    // is quick; longer ones are read in parts (module/search/EventListOrder.h).
    qint64 WholeSortRows = 20000;

    // Yes/no texts of the boolean fields workday and active.
    static QString HorloWorkCalendarZQworkdayGetText(const TField& field, bool displayText);
    static void HorloWorkCalendarZQworkdaySetText(TField& field, const QString& text);
    void EmployeeCardZQNewRecord(TDataSet& dataSet);

protected:
    void CreateFieldValidations() override;
    void CreateRelations() override;
    void DataModuleCreate() override;

private:
    void DefineFields();
};
