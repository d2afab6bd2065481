// SPDX-License-Identifier: GPL-3.0-or-later
// The event-type editor ("Događaji"): the list of event types with their
// direction, removing a type with its partner, and adding a pair.
#pragma once

#include "host/ui/CachedEditDialog.h"
#include "host/ui/WheelToKey.h"
#include "module/data/EventTypes.h"

class QPainter;
class QPushButton;
class TDBGrid;

class TEventTypeForm : public TCachedEditDialog {
    Q_OBJECT
public:
    explicit TEventTypeForm(QWidget* parent = nullptr);
    ~TEventTypeForm() override;

    TDBGrid* EventsDBGrid;
    QPushButton* AddButton;
    QPushButton* RemoveButton;
    QPushButton* CloseButton;

    void CloseButtonClick();
    void AddButtonClick();
    void RemoveButtonClick();
    void EventsDBGridDrawColumnCell(QPainter& painter, const QRect& rect, int row, int column) const;

private:
    void FormCreate();
    TWheelHook m_wheelHook;
};
