#include "module/snapin/HorloViewerUnit.h"

#include "module/data/EventTypeUnit.h"
#include "module/data/HorloDMUnit.h"
#include "module/device/AccessPointUnit.h"
#include "module/device/EmployeeCardUnit.h"
#include "module/device/ImportEventUnit.h"
#include "module/reports/HorloReportUnit.h"
#include "module/worktime/HorloAttendanceUnit.h"
#include "module/worktime/HorloWorkCalendarUnit.h"

#include <QMenu>
#include <QToolBar>

THorloViewerForm::THorloViewerForm(QWidget* parent) : TCustomViewerForm(parent) {
    setObjectName(QStringLiteral("HorloViewerForm"));
    LoadHorloActionImages(ActionImages);
    ActionList->SetImages(&ActionImages);

    DBG->SetDataSource(HorloDM->EmployeeEventDS);
    DBG->SetReadOnly(true);
    DBG->AddColumn(QStringLiteral("employeename"), 160);
    // the arrows in words where the list is printed or saved
    DBG->AddColumn(QString(), 30, QStringLiteral("Smer")).text = [this](int row) {
        const TDataSet* events = DBG->DataSet();
        const TField* direction = events ? events->FindField(QStringLiteral("eventdirection")) : nullptr;
        if (!direction) return QString();
        return events->RowValue(row, direction->Index()).toString() == QLatin1String("i")
                   ? QStringLiteral("Dolazak")
                   : QStringLiteral("Odlazak");
    };
    DBG->AddColumn(QStringLiteral("eventtypename"), 160);
    DBG->AddColumn(QStringLiteral("eventtime"));
    DBG->AddColumn(QStringLiteral("comment"), 160);

    // Ctrl+P is the console's print; the letters are each command's own
    const auto ctrl = [](char letter) { return QKeySequence(Qt::CTRL | Qt::Key(letter)); };
    ReportAction = ActionList->Add(QStringLiteral("ReportAction"), QStringLiteral("Izveštaj"), 5, ctrl('I'),
                                   [this] { ReportActionExecute(); });
    EditEvents = ActionList->Add(QStringLiteral("EditEvents"), QStringLiteral("Događaji"), 6, ctrl('D'),
                                 [this] { EditEventsExecute(); });
    CalendarAction = ActionList->Add(QStringLiteral("CalendarAction"), QStringLiteral("Radni kalendar"), 8,
                                     ctrl('K'), [this] { CalendarActionExecute(); });
    AttendanceAction = ActionList->Add(QStringLiteral("AttendanceAction"), QStringLiteral("Prisustvo"), 7,
                                       ctrl('R'), [this] { AttendanceActionExecute(); });
    IDCardsAction = ActionList->Add(QStringLiteral("IDCardsAction"), QStringLiteral("ID kartice"), 9,
                                    ctrl('T'), [this] { IDCardsActionExecute(); });
    ImportAction = ActionList->Add(QStringLiteral("ImportAction"), QStringLiteral("Uvoz"), 10, ctrl('U'),
                                   [this] { ImportActionExecute(); });
    AccessPointsAction =
        ActionList->Add(QStringLiteral("AccessPointsAction"), QStringLiteral("Pristupne tačke"), 11,
                        ctrl('J'), [this] { AccessPointsActionExecute(); });

    ActionTB->addAction(IDCardsAction);
    ActionTB->addAction(AccessPointsAction);
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

void THorloViewerForm::AccessPointsActionExecute() {
    // owned by nobody: the dialog frees itself when closed
    auto* form = new TAccessPointForm();
    form->exec();
}

void THorloViewerForm::DBGDrawColumnCell(QPainter& painter, const QRect& rect, int row, int column) {
    if (!DBG->Column(column).fieldName.isEmpty()) return; // the grid shows the field's value
    HorloDM->DrawDirectionCell(*DBG, QStringLiteral("eventdirection"), painter, rect, row, column);
}

// ---------------------------------------------------------------- images

void LoadHorloActionImages(TImageList& images) {
    for (const char* name : {"new", "edit", "delete", "refresh", "print", "report", "eventtypes",
                             "attendance", "workcalendar", "cards", "import", "doors"})
        images.Add(QImage(QStringLiteral(":/horlo/%1.png").arg(QLatin1String(name))));
}
