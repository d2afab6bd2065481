// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/data/HorloDMUnit.h"

#include "host/ui/DBGrid.h"
#include "host/ui/Dialogs.h"

#include <QPainter>

THorloDM* HorloDM = nullptr;

void CreateHorloDM() {
    if (HorloDM) return;
    HorloDM = new THorloDM();
    HorloDM->Initialize();
}

void DestroyHorloDM() {
    delete HorloDM;
    HorloDM = nullptr;
}

THorloDM::THorloDM(QObject* parent) : THorloData(parent) {
    LoadImages();
    // a page of a list that fails while the grid paints is told once, after the painting
    for (TZQuery* query : Queries())
        connect(
            query, &TZQuery::FetchFailed, this, [](const QString& message) { ShowError(message); },
            Qt::QueuedConnection);
}

void THorloDM::LoadImages() {
    // resources of a static library are registered by hand, not by a static
    // initializer that the linker may drop
    Q_INIT_RESOURCE(horlo_images);
    ImageList.Add(QImage(QStringLiteral(":/horlo/module.png")));
    DBGImageList.Add(QImage(QStringLiteral(":/horlo/arrival.png")));
    DBGImageList.Add(QImage(QStringLiteral(":/horlo/departure.png")));
}

void THorloDM::DrawDirectionCell(const TDBGrid& grid, const QString& directionField, QPainter& painter,
                                 const QRect& rect, int row, int column) const {
    const TDataSet* rows = grid.DataSet();
    const TField* direction = rows ? rows->FindField(directionField) : nullptr;
    const QString value = direction ? rows->RowValue(row, direction->Index()).toString() : QString();
    const int image = value == QLatin1String("i") ? 0 : 1;
    const int x = rect.left() + (grid.columnWidth(column) - DBGImageList.Width()) / 2;
    painter.drawImage(QPoint(x, rect.top()), DBGImageList.Image(image));
}

void THorloDM::RefreshEventList() {
    TZQuery* events = EmployeeEventZQ;
    if (!events->Active()) return;
    THourGlass hourGlass({events});
    const int row = events->RecIndex();
    events->Close();
    events->Open();
    events->SetRecIndex(row);
}
