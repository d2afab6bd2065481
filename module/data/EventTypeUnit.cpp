// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/data/EventTypeUnit.h"
#include "host/data/SysUtils.h"

#include "host/ui/DBGrid.h"
#include "host/ui/Dialogs.h"
#include "host/ui/GridSorter.h"
#include "module/HorloResourceString.h"
#include "module/data/HorloDMUnit.h"
#include "module/data/NewEventUnit.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

// Esc is the close button's, and neither it nor the close box has anything to drop:
// each change is stored as it is made
TEventTypeForm::TEventTypeForm(QWidget* parent)
    : TCachedEditDialog(HorloDM->EmployeeEventTypeZQ, TCloseBox::Keep, parent) {
    setObjectName(QStringLiteral("EventTypeForm"));
    setWindowTitle(QStringLiteral("Događaji"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);

    EventsDBGrid = new TDBGrid(this);
    EventsDBGrid->setObjectName(QStringLiteral("EventsDBGrid"));
    EventsDBGrid->SetDataSource(HorloDM->EmployeeEventTypeDS);
    EventsDBGrid->SetReadOnly(true);
    EventsDBGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    EventsDBGrid->AddColumn(QString(), 32);
    EventsDBGrid->AddColumn(QStringLiteral("name"), 240, QStringLiteral("Ime"));
    EventsDBGrid->OnDrawColumnCell = [this](QPainter& painter, const QRect& rect, int row, int column) {
        EventsDBGridDrawColumnCell(painter, rect, row, column);
    };
    AddButton = new QPushButton(QStringLiteral("Dodaj"), this);
    AddButton->setEnabled(false);
    RemoveButton = new QPushButton(QStringLiteral("Izbaci"), this);
    CloseButton = new QPushButton(QStringLiteral("&Zatvori"), this);
    for (QPushButton* b : {AddButton, RemoveButton, CloseButton})
        b->setAutoDefault(false);
    OnClick(AddButton, &TEventTypeForm::AddButtonClick);
    OnClick(RemoveButton, &TEventTypeForm::RemoveButtonClick);
    OnClick(CloseButton, &TEventTypeForm::CloseButtonClick);
    SetEscapeButton(CloseButton);

    auto* side = new QVBoxLayout;
    side->addWidget(AddButton);
    side->addWidget(RemoveButton);
    side->addStretch(1);
    auto* main = new QHBoxLayout;
    main->addWidget(EventsDBGrid, 1);
    main->addLayout(side);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(main, 1);
    layout->addLayout(bottom);
    setFixedSize(420, 320);

    FormCreate();
}

TEventTypeForm::~TEventTypeForm() {
    GridSorter.RemoveGrid(EventsDBGrid);
}

void TEventTypeForm::FormCreate() {
    if (!HorloDM->EmployeeEventTypeZQ->Active()) HorloDM->EmployeeEventTypeZQ->Open();
    GridSorter.AddGrid(EventsDBGrid);
}

void TEventTypeForm::CloseButtonClick() {
    close(); // Esc ends here too: the close button is its button
}

void TEventTypeForm::AddButtonClick() {
    QString inName, outName;
    if (!NewEvent(inName, outName)) return;
    TZQuery* types = HorloDM->EmployeeEventTypeZQ;
    try {
        // a pair is stored whole or not at all: no arrival without its partner
        TTransaction transaction(*HorloDM->ZConnection());
        types->Append();
        types->FieldByName(QStringLiteral("direction"))->SetAsString(QStringLiteral("i"));
        types->FieldByName(QStringLiteral("defaultevent"))->SetAsBoolean(false);
        types->FieldByName(QStringLiteral("name"))->SetAsString(inName);
        types->Post();
        const qint64 arrival = types->FieldByName(QStringLiteral("employeeeventtypeid"))->AsLargeInt();
        types->Append();
        types->FieldByName(QStringLiteral("direction"))->SetAsString(QStringLiteral("o"));
        types->FieldByName(QStringLiteral("defaultevent"))->SetAsBoolean(false);
        types->FieldByName(QStringLiteral("name"))->SetAsString(outName);
        types->FieldByName(QStringLiteral("pairid"))->SetAsLargeInt(arrival);
        types->Post();
        const qint64 departure = types->FieldByName(QStringLiteral("employeeeventtypeid"))->AsLargeInt();
        if (types->Locate(QStringLiteral("employeeeventtypeid"), arrival)) {
            types->Edit();
            types->FieldByName(QStringLiteral("pairid"))->SetAsLargeInt(departure);
            types->Post();
        }
        transaction.Commit();
    } catch (...) {
        types->Close();
        types->Open();
        throw;
    }
}

void TEventTypeForm::RemoveButtonClick() {
    TZQuery* types = HorloDM->EmployeeEventTypeZQ;
    if (!types->Active() || types->IsEmpty()) return;
    if (types->FieldByName(QStringLiteral("defaultevent"))->AsBoolean()) {
        ShowWarning(_DEL_DEF_WRN);
        return;
    }
    const qint64 current = types->FieldByName(QStringLiteral("employeeeventtypeid"))->AsLargeInt();
    const qint64 partner = types->FieldByName(QStringLiteral("pairid"))->AsLargeInt();
    // the devices write these codes; once gone, a type could not get its code back
    for (const qint64 type : {current, partner})
        if (type > 0 && type < kFirstUserEventType) {
            ShowWarning(Format(_DEL_DEVICE_EV_WRN, {type}));
            return;
        }
    if (!Confirm(_DEL_EV_CONF)) return;
    try {
        // both go, or neither: a refused partner keeps the type as well
        TTransaction transaction(*HorloDM->ZConnection());
        types->Delete();
        if (partner != 0 && types->Locate(QStringLiteral("employeeeventtypeid"), partner)) types->Delete();
        transaction.Commit();
    } catch (...) {
        types->Close();
        types->Open();
        types->Locate(QStringLiteral("employeeeventtypeid"), current);
        throw;
    }
}

void TEventTypeForm::EventsDBGridDrawColumnCell(QPainter& painter, const QRect& rect, int row,
                                                int column) const {
    if (!EventsDBGrid->Column(column).fieldName.isEmpty()) return; // the grid draws fields itself
    HorloDM->DrawDirectionCell(*EventsDBGrid, QStringLiteral("direction"), painter, rect, row, column);
}
