// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/console/ViewerForm.h"

#include "host/data/HostStrings.h"
#include "host/ui/GridSorter.h"

#include <QMenu>
#include <QToolBar>
#include <QVBoxLayout>

TCustomViewerForm::TCustomViewerForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ViewerForm"));
    ActionList = new TActionList(this);
    ActionList->setObjectName(QStringLiteral("ActionList"));
    ActionList->SetImages(&ActionImages);

    ActionTB = new QToolBar(this);
    ActionTB->setObjectName(QStringLiteral("ActionTB"));
    ActionTB->setIconSize(QSize(16, 16));
    ActionTB->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ActionTB->setMovable(false);
    ActionTB->setFloatable(false);

    DBG = new TDBGrid(this);
    DBG->setObjectName(QStringLiteral("DBG"));
    DBG->OnDrawColumnCell = [this](QPainter& painter, const QRect& rect, int row, int column) {
        DBGDrawColumnCell(painter, rect, row, column);
    };
    GridSorter.AddGrid(DBG);

    ColumnsVisibility = ActionList->Add(QStringLiteral("ColumnsVisibility"), _CMN_COLUMNS_CAP);
    auto* columnsMenu = new QMenu(this);
    ColumnsVisibility->setMenu(columnsMenu);
    connect(columnsMenu, &QMenu::aboutToShow, this, &TCustomViewerForm::FillColumnsMenu);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    DBG->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBG, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu->popup(DBG->viewport()->mapToGlobal(pos)); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ActionTB);
    layout->addWidget(DBG, 1);
}

TCustomViewerForm::~TCustomViewerForm() = default;

void TCustomViewerForm::DBGDrawColumnCell(QPainter&, const QRect&, int, int) {}

void TCustomViewerForm::FillColumnsMenu() {
    QMenu* menu = ColumnsVisibility->menu();
    menu->clear();
    for (int i = 0; i < DBG->ColumnCount(); ++i) {
        QString title = DBG->ColumnTitle(i);
        if (title.isEmpty()) title = QStringLiteral("(%1)").arg(i + 1);
        QAction* item = menu->addAction(title);
        item->setCheckable(true);
        item->setChecked(DBG->Column(i).visible);
        connect(item, &QAction::toggled, DBG, [grid = DBG, i](bool on) { grid->SetColumnVisible(i, on); });
    }
}
