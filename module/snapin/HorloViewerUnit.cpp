#include "module/snapin/HorloViewerUnit.h"

#include "module/data/EventTypeUnit.h"
#include "module/data/HorloDMUnit.h"
#include "module/device/EmployeeCardUnit.h"
#include "module/device/ImportEventUnit.h"
#include "module/reports/HorloReportUnit.h"
#include "module/worktime/HorloAttendanceUnit.h"
#include "module/worktime/HorloWorkCalendarUnit.h"

#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QToolBar>

THorloViewerForm::THorloViewerForm(QWidget* parent) : TCustomViewerForm(parent) {
    setObjectName(QStringLiteral("HorloViewerForm"));
    DrawHorloActionImages(ActionImages);
    ActionList->SetImages(&ActionImages);

    DBG->SetDataSource(HorloDM->EmployeeEventDS);
    DBG->SetReadOnly(true);
    DBG->AddColumn(QStringLiteral("employeename"), 160);
    DBG->AddColumn(QString(), 30);
    DBG->AddColumn(QStringLiteral("eventtypename"), 160);
    DBG->AddColumn(QStringLiteral("eventtime"));
    DBG->AddColumn(QStringLiteral("comment"), 160);

    const auto ctrl = [](char letter) { return QKeySequence(Qt::CTRL | Qt::Key(letter)); };
    ReportAction = ActionList->Add(QStringLiteral("ReportAction"), QStringLiteral("Izveštaj"), 5, ctrl('I'),
                                   [this] { ReportActionExecute(); });
    EditEvents = ActionList->Add(QStringLiteral("EditEvents"), QStringLiteral("Događaji"), 6, ctrl('D'),
                                 [this] { EditEventsExecute(); });
    CalendarAction = ActionList->Add(QStringLiteral("CalendarAction"), QStringLiteral("Radni kalendar"), 8,
                                     ctrl('K'), [this] { CalendarActionExecute(); });
    AttendanceAction = ActionList->Add(QStringLiteral("AttendanceAction"), QStringLiteral("Prisustvo"), 7,
                                       ctrl('P'), [this] { AttendanceActionExecute(); });
    IDCardsAction = ActionList->Add(QStringLiteral("IDCardsAction"), QStringLiteral("ID kartice"), 9,
                                    QKeySequence(), [this] { IDCardsActionExecute(); });
    ImportAction = ActionList->Add(QStringLiteral("ImportAction"), QStringLiteral("Uvoz"), 10, QKeySequence(),
                                   [this] { ImportActionExecute(); });

    ActionTB->addAction(IDCardsAction);
    ActionTB->addSeparator();
    ActionTB->addAction(EditEvents);
    ActionTB->addAction(ImportAction);
    ActionTB->addAction(ReportAction);
    ActionTB->addSeparator();
    ActionTB->addAction(CalendarAction);
    ActionTB->addAction(AttendanceAction);

    PopupMenu->addAction(ReportAction);
    PopupMenu->addAction(EditEvents);
    PopupMenu->addSeparator();
    PopupMenu->addAction(ColumnsVisibility);
}

void THorloViewerForm::ReportActionExecute() {
    // owned by nobody: each dialog frees itself when closed
    auto* form = new THorloReportForm();
    form->exec();
}
void THorloViewerForm::EditEventsExecute() {
    auto* form = new TEventTypeForm();
    form->exec();
}
void THorloViewerForm::CalendarActionExecute() {
    auto* form = new THorloWorkCalendarForm();
    form->exec();
}
void THorloViewerForm::AttendanceActionExecute() {
    auto* form = new THorloAttendanceForm();
    form->exec();
}
void THorloViewerForm::IDCardsActionExecute() {
    auto* form = new TEmployeeCardForm();
    form->exec();
}
void THorloViewerForm::ImportActionExecute() {
    // owned by nobody: the dialog frees itself when closed
    auto* form = new TImportEventForm();
    form->exec();
}

void THorloViewerForm::DBGDrawColumnCell(QPainter& painter, const QRect& rect, int row, int column) {
    if (!DBG->Column(column).FieldName.isEmpty()) return; // the grid shows the field's value
    const TDataSet* events = DBG->DataSet();
    const TField* direction = events ? events->FindField(QStringLiteral("eventdirection")) : nullptr;
    const QString value = direction ? events->RowValue(row, direction->Index()).toString() : QString();
    const int image = value == QLatin1String("i") ? 0 : 1;
    const int x = rect.left() + (DBG->columnWidth(column) - 16) / 2;
    painter.drawImage(QPoint(x, rect.top()), HorloDM->DBGImageList.Image(image));
}

// ---------------------------------------------------------------- images

void DrawHorloActionImages(TImageList& images) {
    const QColor ink(50, 60, 80), blue(40, 100, 190), green(30, 140, 60), red(200, 50, 40),
        paper(250, 250, 245);
    auto draw = [&](auto paint) {
        QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        paint(p);
        p.end();
        images.Add(image);
    };
    const auto page = [&](QPainter& p) {
        p.setPen(QPen(ink, 1));
        p.setBrush(paper);
        p.drawRect(QRectF(3.5, 1.5, 10, 13));
    };
    draw([&](QPainter& p) { // 0 new
        page(p);
        p.setPen(QPen(green, 2));
        p.drawLine(QPointF(8.5, 5), QPointF(8.5, 12));
        p.drawLine(QPointF(5, 8.5), QPointF(12, 8.5));
    });
    draw([&](QPainter& p) { // 1 edit
        page(p);
        p.setPen(QPen(blue, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 12), QPointF(12, 5));
    });
    draw([&](QPainter& p) { // 2 delete
        p.setPen(QPen(red, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
    });
    draw([&](QPainter& p) { // 3 refresh
        p.setPen(QPen(green, 2));
        p.drawArc(QRectF(3, 3, 10, 10), 30 * 16, 280 * 16);
        p.setBrush(green);
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF{{9.5, 1}, {14.5, 4}, {10, 7.5}});
    });
    draw([&](QPainter& p) { // 4 print
        p.setPen(QPen(ink, 1));
        p.setBrush(paper);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(170, 175, 185));
        p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1.5, 1.5);
        p.setBrush(paper);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
    });
    draw([&](QPainter& p) { // 5 report
        page(p);
        p.setPen(QPen(blue, 1));
        for (double y : {4.5, 7.0, 9.5, 12.0})
            p.drawLine(QPointF(5.5, y), QPointF(11.5, y));
    });
    draw([&](QPainter& p) { // 6 event types
        p.setPen(Qt::NoPen);
        p.setBrush(green);
        p.drawPolygon(QPolygonF{{1, 3}, {7, 3}, {7, 1}, {11, 4.5}, {7, 8}, {7, 6}, {1, 6}});
        p.setBrush(red);
        p.drawPolygon(QPolygonF{{15, 10}, {9, 10}, {9, 8}, {5, 11.5}, {9, 15}, {9, 13}, {15, 13}});
    });
    draw([&](QPainter& p) { // 7 attendance
        p.setPen(Qt::NoPen);
        p.setBrush(blue);
        p.drawEllipse(QRectF(3, 1, 6, 6));
        p.drawRoundedRect(QRectF(1, 8, 10, 7), 3, 3);
        p.setPen(QPen(green, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawPolyline(QPolygonF{{9, 11}, {11, 13.5}, {15, 8}});
    });
    draw([&](QPainter& p) { // 8 work calendar
        p.setPen(QPen(ink, 1));
        p.setBrush(paper);
        p.drawRect(QRectF(1.5, 2.5, 13, 12));
        p.setBrush(red);
        p.drawRect(QRectF(1.5, 2.5, 13, 3));
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 4; ++col)
                p.drawRect(QRectF(3 + col * 3, 7 + row * 2.5, 1.6, 1.4));
    });
    draw([&](QPainter& p) { // 9 ID cards
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(225, 235, 250));
        p.drawRoundedRect(QRectF(0.5, 3.5, 15, 10), 1.5, 1.5);
        p.setPen(Qt::NoPen);
        p.setBrush(blue);
        p.drawEllipse(QRectF(2.5, 5.5, 4, 4));
        p.drawRect(QRectF(2, 9.5, 5, 2.5));
        p.setPen(QPen(ink, 1));
        p.drawLine(QPointF(9, 7), QPointF(14, 7));
        p.drawLine(QPointF(9, 10), QPointF(13, 10));
    });
    draw([&](QPainter& p) { // 10 import
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(210, 215, 225));
        p.drawRect(QRectF(1.5, 10.5, 13, 4));
        p.setPen(Qt::NoPen);
        p.setBrush(green);
        p.drawPolygon(QPolygonF{{6, 1}, {10, 1}, {10, 6}, {13, 6}, {8, 11}, {3, 6}, {6, 6}});
    });
}
