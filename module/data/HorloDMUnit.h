// SPDX-License-Identifier: GPL-3.0-or-later
// The module's one data module in the console: the shared queries of
// THorloData, the images of the module and its lists, and a list page that
// fails while a grid paints told in a box.
#pragma once

#include "host/console/ImageList.h"
#include "module/data/HorloData.h"

class QPainter;
class QRect;
class TDBGrid;

class THorloDM : public THorloData {
    Q_OBJECT
public:
    explicit THorloDM(QObject* parent = nullptr);

    TImageList ImageList{16, 16};    // 0: the module's image
    TImageList DBGImageList{16, 16}; // 0: arrival, 1: departure

    // A list's direction column: the arrival image for exactly "i" in
    // directionField, the departure image otherwise, centred in the column.
    void DrawDirectionCell(const TDBGrid& grid, const QString& directionField, QPainter& painter,
                           const QRect& rect, int row, int column) const;
    // The console's event list, when it is open, reads what is stored now (with its
    // search and order), near the row it was on: a dialog that added events calls it.
    void RefreshEventList();

private:
    void LoadImages();
};

extern THorloDM* HorloDM;

// Module load and unload.
void CreateHorloDM();
void DestroyHorloDM();
