// SPDX-License-Identifier: GPL-3.0-or-later
// The navigator frame beside the event list: six search keys (employee, event,
// date range, hour range) that become the condition of HorloDM.EmployeeEventZQ.
#pragma once

#include "host/console/NavigatorForm.h"
#include "module/search/EventListOrder.h"
#include "module/search/EventSearch.h"

#include <memory>

class THorloNavigatorForm : public TCustomNavigatorForm {
    Q_OBJECT
public:
    // The keys of SearchVLE, in display order.
    static constexpr char EmployeeKey[] = "employee";
    static constexpr char EventTypeKey[] = "eventtype";
    static constexpr char DateFromKey[] = "datefrom";
    static constexpr char DateToKey[] = "dateto";
    static constexpr char AfterHourKey[] = "afterhour";
    static constexpr char BeforeHourKey[] = "beforehour";

    explicit THorloNavigatorForm(QWidget* parent = nullptr);

    bool SearchPropsSet = false;
    qint64 SelectedEmployeeID = 0;

    void SetSearchProps() override;
    // The event list's statement with the condition of the filled keys;
    // throws ESearchKeyError for a bad hour or date.
    QString ParseSQL() override;
    // Reopens the event list for the keys, or warns and leaves it as it was.
    void FindButtonClick() override;

    void FillEventTypes();
    void SearchVLEEditButtonClick();
    void SearchVLEKeyPress(QChar& key);
    TEventSearchKeys SearchKeys() const;

    // The parts of the searches' orders, kept from search to search; the list
    // holds it too, so that it outlives the form.
    const std::shared_ptr<TEventOrderSplitter> OrderSplitter = std::make_shared<TEventOrderSplitter>();

private:
    // The event list's statement for the keys and the condition put into it.
    struct TSearch {
        QString sql;
        QString condition;
    };
    TSearch Search() const;
};
