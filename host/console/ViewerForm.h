// SPDX-License-Identifier: GPL-3.0-or-later
// The frame of a viewer: a toolbar of the form's commands above a grid, the
// action list with its image list, and the grid's popup menu ending in the
// column-visibility command.
#pragma once

#include "host/console/ActionList.h"
#include "host/console/ImageList.h"
#include "host/ui/DBGrid.h"

#include <QWidget>

class QMenu;
class QToolBar;

class TCustomViewerForm : public QWidget {
    Q_OBJECT
public:
    explicit TCustomViewerForm(QWidget* parent = nullptr);
    ~TCustomViewerForm() override;

    QToolBar* ActionTB;
    TDBGrid* DBG;
    TImageList ActionImages{16, 16}; // filled by the form that derives
    TActionList* ActionList;
    QMenu* PopupMenu;
    // Its submenu shows or hides each column of DBG.
    QAction* ColumnsVisibility;

protected:
    // Bound to the grid's cell drawing; the base draws nothing more.
    virtual void DBGDrawColumnCell(QPainter& painter, const QRect& rect, int row, int column);

private:
    void FillColumnsMenu();
};
