// SPDX-License-Identifier: GPL-3.0-or-later
// The event viewer: the grid of recorded events with their direction arrows,
// and the module's commands, each of which opens one of its dialogs.
#pragma once

#include "host/console/ViewerForm.h"

class THorloViewerForm : public TCustomViewerForm {
    Q_OBJECT
public:
    explicit THorloViewerForm(QWidget* parent = nullptr);

    QAction* ReportAction;
    QAction* EditEvents;
    QAction* CalendarAction;
    QAction* AttendanceAction;
    QAction* IDCardsAction;
    QAction* ImportAction;
    QAction* AccessPointsAction;
    // corrections: events entered by hand, and the history of every change
    QAction* AddEventAction;
    QAction* ChangeEventAction; // only an event entered by hand
    QAction* DeleteEventAction; // only an event entered by hand
    QAction* HistoryAction;

    void ReportActionExecute();
    void EditEventsExecute();
    void CalendarActionExecute();
    void AttendanceActionExecute();
    void IDCardsActionExecute();
    void ImportActionExecute();
    void AccessPointsActionExecute();
    void AddEventActionExecute();
    void ChangeEventActionExecute();
    void DeleteEventActionExecute();
    void HistoryActionExecute();
    // Izmeni and Obriši follow the current event: enabled for one entered by hand.
    void EventActionsUpdate();

protected:
    // The direction column: arrival image for exactly "i", departure image otherwise.
    void DBGDrawColumnCell(QPainter& painter, const QRect& rect, int row, int column) override;
};

// The twelve 16x16 images of the viewer's commands (the data module has
// registered the module's images).
void LoadHorloActionImages(TImageList& images);
