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

    // The event list's search: its statement and the condition put into it.
    // Orders by employee or event type are then read in runs of rows that an
    // index serves, since the database cannot sort a million joined rows by
    // name in the time a user waits.
    void SetEventSearch(const QString& sql, const QString& condition);
    // Results up to this many rows are sorted whole by the database, which is quick.
    qint64 WholeSortRows = 20000;
    bool SplitEventOrder(TZQuery& query, const TField& lead, bool descending,
                         std::vector<TZQuery::TPart>& parts);

    // Yes/no texts of the boolean fields workday and active.
    static QString HorloWorkCalendarZQworkdayGetText(const TField& field, bool displayText);
    static void HorloWorkCalendarZQworkdaySetText(TField& field, const QString& text);
    void EmployeeCardZQNewRecord(TDataSet& dataSet);

protected:
    void CreateFieldValidations() override;
    void CreateRelations() override;
    void DataModuleCreate() override;

private:
    QString m_eventSearchSQL;
    QString m_eventCondition;
    void DefineFields();
};
