#include "module/data/HorloDMUnit.h"

#include "host/ui/Dialogs.h"

#include <QPainter>
#include <QPainterPath>

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
    DrawImages();
    // a page of a list that fails while the grid paints is told once, after the painting
    for (TZQuery* query : Queries())
        connect(
            query, &TZQuery::FetchFailed, this, [](const QString& message) { ShowError(message); },
            Qt::QueuedConnection);
}

void THorloDM::DrawImages() {
    auto canvas = [] {
        QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        return image;
    };
    // arrival: a green arrow pointing right; departure: a red arrow pointing left
    for (const auto& [color, right] :
         {std::pair{QColor(0, 150, 60), true}, std::pair{QColor(200, 40, 40), false}}) {
        QImage image = canvas();
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath arrow;
        const QPolygonF shape{{2, 6}, {9, 6}, {9, 2}, {15, 8}, {9, 14}, {9, 10}, {2, 10}};
        arrow.addPolygon(right ? shape : QTransform(-1, 0, 0, 1, 16, 0).map(shape));
        p.fillPath(arrow, color);
        p.end();
        DBGImageList.Add(image);
    }
    // the module: a clock face
    QImage clock = canvas();
    QPainter p(&clock);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 70, 140), 1.5));
    p.setBrush(QColor(235, 242, 255));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.drawLine(QPointF(8, 8), QPointF(8, 4));
    p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
    p.end();
    ImageList.Add(clock);
}
