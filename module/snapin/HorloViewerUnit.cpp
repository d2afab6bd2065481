// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/snapin/HorloViewerUnit.h"

#include "module/data/ChangeHistoryUnit.h"
#include "module/data/EventTypeUnit.h"
#include "module/data/HorloDMUnit.h"
#include "module/device/AccessPointUnit.h"
#include "module/device/EmployeeCardUnit.h"
#include "module/device/ImportEventUnit.h"
#include "module/reports/HorloReportUnit.h"
#include "module/snapin/HandEventUnit.h"
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
    DBG->AddColumn(QStringLiteral("handentered"), 50);

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

    AddEventAction = ActionList->Add(QStringLiteral("AddEventAction"), QStringLiteral("Dodaj događaj"), 0,
                                     ctrl('E'), [this] { AddEventActionExecute(); });
    ChangeEventAction = ActionList->Add(QStringLiteral("ChangeEventAction"), QStringLiteral("Izmeni"), 1,
                                        QKeySequence(Qt::Key_F2), [this] { ChangeEventActionExecute(); });
    DeleteEventAction = ActionList->Add(QStringLiteral("DeleteEventAction"), QStringLiteral("Obriši"), 2,
                                        QKeySequence(), [this] { DeleteEventActionExecute(); });
    HistoryAction = ActionList->Add(QStringLiteral("HistoryAction"), QStringLiteral("Istorija izmena"), 3,
                                    ctrl('H'), [this] { HistoryActionExecute(); });
    ActionTB->addSeparator();
    for (QAction* a : {AddEventAction, ChangeEventAction, DeleteEventAction, HistoryAction})
        ActionTB->addAction(a);
    QAction* columns = PopupMenu->actions().value(PopupMenu->actions().size() - 2); // the separator
    PopupMenu->insertActions(columns, {AddEventAction, ChangeEventAction, DeleteEventAction, HistoryAction});
    connect(HorloDM->EmployeeEventZQ, &TDataSet::CurrentChanged, this, [this] { EventActionsUpdate(); });
    connect(HorloDM->EmployeeEventZQ, &TDataSet::DataChanged, this, [this] { EventActionsUpdate(); });
    EventActionsUpdate();
}

void THorloViewerForm::EventActionsUpdate() {
    const TZQuery* events = HorloDM->EmployeeEventZQ;
    const TField* hand = events->FindField(QStringLiteral("handentered"));
    const int row = events->RecIndex();
    const bool byHand = events->Active() && hand && row >= 0 && events->RecordHeld(row) &&
                        !events->RowValue(row, hand->Index()).toString().isEmpty();
    ChangeEventAction->setEnabled(byHand);
    DeleteEventAction->setEnabled(byHand);
}

namespace {

// The event list shows the change at once, in the order it had.
void ReopenEvents() {
    TZQuery* events = HorloDM->EmployeeEventZQ;
    if (!events->Active()) return;
    events->Close();
    events->Open();
}

qint64 CurrentEventID() {
    const TZQuery* events = HorloDM->EmployeeEventZQ;
    if (!events->Active() || events->IsEmpty()) return 0;
    return events->FieldByName(QStringLiteral("employeeeventid"))->AsLargeInt();
}

} // namespace

void THorloViewerForm::AddEventActionExecute() {
    auto* form = new THandEventForm();
    if (form->exec() == QDialog::Accepted) ReopenEvents();
}

void THorloViewerForm::ChangeEventActionExecute() {
    if (!ChangeEventAction->isEnabled()) return;
    auto* form = new THandEventForm(CurrentEventID());
    if (form->exec() == QDialog::Accepted) ReopenEvents();
}

void THorloViewerForm::DeleteEventActionExecute() {
    if (!DeleteEventAction->isEnabled()) return;
    if (DeleteHandEventAsked(CurrentEventID())) ReopenEvents();
}

void THorloViewerForm::HistoryActionExecute() {
    auto* form = new THistoryForm();
    form->exec();
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
