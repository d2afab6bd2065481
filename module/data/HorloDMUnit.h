// The module's one data module: the shared queries on the host connection,
// their fields, the card checks and the event-type lookups.
#pragma once

#include "host/CustomDM.h"
#include "host/ImageList.h"

class THorloDM : public TCustomDM {
    Q_OBJECT
public:
    explicit THorloDM(QObject* parent = nullptr);

    TImageList ImageList{16, 16};    // 0: the module's image
    TImageList DBGImageList{16, 16}; // 0: arrival, 1: departure

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
    void DrawImages();
};

extern THorloDM* HorloDM;

// Module load and unload.
void CreateHorloDM();
void DestroyHorloDM();
