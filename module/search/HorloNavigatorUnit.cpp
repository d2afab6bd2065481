// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/search/HorloNavigatorUnit.h"

#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/Dialogs.h"
#include "module/HorloResourceString.h"
#include "module/ModuleConsole.h"
#include "module/data/HorloDMUnit.h"

THorloNavigatorForm::THorloNavigatorForm(QWidget* parent) : TCustomNavigatorForm(parent) {
    setObjectName(QStringLiteral("HorloNavigatorForm"));
    const std::pair<QString, QString> rows[] = {
        {EmployeeKey, _HORLO_EMPLOYEE}, {EventTypeKey, _HORLO_EVENT},   {DateFromKey, _HORLO_DATE_FROM},
        {DateToKey, _HORLO_DATE_TO},    {AfterHourKey, _HORLO_AFTER_H}, {BeforeHourKey, _HORLO_BEFORE_H}};
    for (const auto& [key, caption] : rows) {
        SearchVLE->InsertRow(key);
        SearchVLE->SetKeyDesc(key, caption); // readable also before the database is there
    }
    // the employee's name is shown for SelectedEmployeeID: only the chooser sets it
    SearchVLE->SetReadOnly(EmployeeKey, true);
    SearchVLE->OnEditButtonClick = [this] { SearchVLEEditButtonClick(); };
    SearchVLE->OnKeyPress = [this](QChar& key) { SearchVLEKeyPress(key); };
    // a database error here is shown, and the keys are prepared again by the
    // next ShowNavigator or search; the form itself is always made
    if (HorloDM && HorloDM->Connected() && Guarded([this] { SetSearchProps(); })) SearchPropsSet = true;
}

void THorloNavigatorForm::SetSearchProps() {
    SearchVLE->SetKeyDesc(EmployeeKey, _HORLO_EMPLOYEE);
    SearchVLE->SetEditStyle(EmployeeKey, TValueListEditor::TEditStyle::Ellipsis);
    SearchVLE->SetKeyDesc(EventTypeKey, _HORLO_EVENT);
    FillEventTypes();
    SearchVLE->SetKeyDesc(DateFromKey, _HORLO_DATE_FROM);
    SearchVLE->SetEditStyle(DateFromKey, TValueListEditor::TEditStyle::Ellipsis);
    SearchVLE->SetKeyDesc(DateToKey, _HORLO_DATE_TO);
    SearchVLE->SetEditStyle(DateToKey, TValueListEditor::TEditStyle::Ellipsis);
    SearchVLE->SetKeyDesc(BeforeHourKey, _HORLO_BEFORE_H);
    SearchVLE->SetKeyDesc(AfterHourKey, _HORLO_AFTER_H);
    QStringList hours;
    for (int h = 0; h < 24; ++h)
        hours << QString::number(h);
    for (const char* key : {BeforeHourKey, AfterHourKey})
        SearchVLE->PickList(key) = hours;
    TCustomNavigatorForm::SetSearchProps();
}

void THorloNavigatorForm::FillEventTypes() {
    // the list is made whole first, so that a failed read leaves nothing
    // behind for the next try to add to
    QStringList types{_HORLO_EVENT_IN, _HORLO_EVENT_OUT};
    HorloDM->GetFieldValues(QStringLiteral("name"), QStringLiteral("employeeeventtype"), types, true,
                            QString(), QString());
    SearchVLE->PickList(EventTypeKey) = types;
}

void THorloNavigatorForm::SearchVLEEditButtonClick() {
    const QString key = SearchVLE->CurrentKey();
    if (key == DateFromKey || key == DateToKey) {
        QDate date = Now().date();
        if (GetDate(date)) SearchVLE->SetValues(key, date.toString(QStringLiteral("yyyy-MM-dd")));
        return;
    }
    if (key != EmployeeKey) return;
    if (!SearchVLE->Values(EmployeeKey).isEmpty()) {
        const int option = ChangeOptions();
        if (option == 1) {
            SearchVLE->SetValues(EmployeeKey, QString());
            SelectedEmployeeID = 0;
            return;
        }
        if (option != 0) return;
    }
    auto chooser = EmployeeChooser(TMissingChooser::Silent);
    std::shared_ptr<TDataSet> employee;
    if (!chooser || !chooser->ChooseEmployee(employee) || !employee) return;
    SearchVLE->SetValues(EmployeeKey, employee->FieldByName(QStringLiteral("lastname"))->AsString() +
                                          QLatin1Char(' ') +
                                          employee->FieldByName(QStringLiteral("firstname"))->AsString());
    SelectedEmployeeID = employee->FieldByName(QStringLiteral("employeeid"))->AsLargeInt();
}

void THorloNavigatorForm::SearchVLEKeyPress(QChar& key) {
    // the employee is only ever chosen, never typed
    if (SearchVLE->CurrentKey() == EmployeeKey) key = QChar();
}

TEventSearchKeys THorloNavigatorForm::SearchKeys() const {
    TEventSearchKeys keys;
    keys.employee = SearchVLE->Values(EmployeeKey);
    keys.selectedEmployeeId = SelectedEmployeeID;
    keys.eventType = SearchVLE->Values(EventTypeKey);
    keys.dateFrom = SearchVLE->Values(DateFromKey);
    keys.dateTo = SearchVLE->Values(DateToKey);
    keys.afterHour = SearchVLE->Values(AfterHourKey);
    keys.beforeHour = SearchVLE->Values(BeforeHourKey);
    return keys;
}

THorloNavigatorForm::TSearch THorloNavigatorForm::Search() const {
    const TZConnection* connection = HorloDM->ZConnection();
    if (!connection) throw EDatabaseError(_CMN_DB_NOT_CONNECTED_ERR);
    TSearch search;
    TEventSearchKeys keys = SearchKeys();
    if (!keys.employee.isEmpty() && keys.selectedEmployeeId == 0)
        keys.selectedEmployeeId = SearchedEmployee(*HorloDM->ZConnection(), keys.employee);
    search.condition = EventSearchCondition(keys, *connection);
    search.sql = ChangeSQLCondition(HorloDM->EmployeeEventZQ->SQL(), search.condition);
    return search;
}

QString THorloNavigatorForm::ParseSQL() {
    return Search().sql;
}

void THorloNavigatorForm::FindButtonClick() {
    TCustomNavigatorForm::FindButtonClick();
    if (!SearchPropsSet && HorloDM->Connected()) {
        // the keys could not be prepared before: a search is the user's retry
        SetSearchProps();
        SearchPropsSet = true;
    }
    TSearch search;
    try {
        search = Search();
    } catch (const ESearchKeyError& e) {
        ShowWarning(e.Message()); // the list stays as it was
        return;
    }
    TZQuery* events = HorloDM->EmployeeEventZQ;
    THourGlass hourGlass({events});
    events->Close();
    events->SetSQL(search.sql);
    // long orders of this search are read in parts; any other statement the
    // list is given is read whole
    events->OnSplitOrder = [search, splitter = OrderSplitter](TZQuery& query, const TField& lead,
                                                              bool descending,
                                                              std::vector<TZQuery::TPart>& parts) {
        TZConnection* connection = HorloDM ? HorloDM->ZConnection() : nullptr;
        if (query.SQL() != search.sql || !query.Params().empty() || !connection) return false;
        return splitter->Split(*connection, search.condition, HorloDM->WholeSortRows, query, lead, descending,
                               parts);
    };
    // ordered before opening, so that the rows are read once, in this order
    events->SetSortedFields(QStringLiteral("employeename ASC, eventtime DESC"));
    events->Open();
    events->First();
    SearchRan();
}
