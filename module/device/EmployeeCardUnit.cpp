// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/EmployeeCardUnit.h"
#include "module/device/CardHolder.h"

#include "host/console/HostIntf.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/ColourLegend.h"
#include "host/ui/DBGrid.h"
#include "host/ui/DBNavigator.h"
#include "host/ui/Dialogs.h"
#include "host/ui/GridSorter.h"
#include "module/HorloResourceString.h"
#include "module/ModuleConsole.h"
#include "module/data/HorloDMUnit.h"

#include <QAction>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

#include <optional>

namespace {
QColor InactiveCardColour() {
    return QColor(255, 128, 128);
}
QColor GuestCardColour() {
    return QColor(64, 255, 64);
}

constexpr char kDoorProgressFmt[] = "Vrata %d od %d: %s";
} // namespace

TDeviceProtocol& EmployeeCardProtocol() {
    static TDeviceProtocol protocol(0);
    return protocol;
}

// Esc is the Cancel button's; the close box drops the edits as Cancel does
TEmployeeCardForm::TEmployeeCardForm(QWidget* parent)
    : TCachedEditDialog(HorloDM->EmployeeCardZQ, TCloseBox::Discard, parent),
      m_commands(EmployeeCardProtocol()) {
    setObjectName(QStringLiteral("EmployeeCardForm"));
    setWindowTitle(QStringLiteral("ID kartice"));
    setAttribute(Qt::WA_DeleteOnClose);

    CardIDEdit = new QLineEdit(this);
    CardCodeEdit = new QLineEdit(this);
    FindButton = new QPushButton(QStringLiteral("Pronađi"), this);
    FindButton->setDefault(true);
    FindButton->setAutoDefault(true);
    RefreshTimeButton = new QPushButton(QStringLiteral("Osveži vreme"), this);
    LockButton = new QPushButton(QStringLiteral("Zaklj."), this);
    UnlockButton = new QPushButton(QStringLiteral("Otklj."), this);
    FireButton = new QPushButton(QStringLiteral("Požar"), this);
    QFont bold = FireButton->font();
    bold.setBold(true);
    FireButton->setFont(bold);
    LockButton->setToolTip(QStringLiteral("Uobičajen rad: vrata se otvaraju karticom."));
    UnlockButton->setToolTip(QStringLiteral(
        "Otključava sva vrata, prolaz i bez kartice; uobičajen rad sa karticom vraća \"Zaklj.\"."));
    FireButton->setToolTip(
        QStringLiteral("Požar: sva vrata slobodna za prolaz; uobičajen rad sa karticom vraća \"Zaklj.\"."));
    Navigator = new TDBNavigator(this);
    Navigator->ConfirmDelete = false;
    ConnectEmployeeButton = new QPushButton(QStringLiteral("Spoji zaposlenog"), this);
    DisconnectEmployeeButton = new QPushButton(QStringLiteral("Razdvoji zaposlenog"), this);
    HolderFromCB = new QCheckBox(QStringLiteral("od trenutka"), this);
    HolderFromCB->setToolTip(QStringLiteral(
        "Spajanje i razdvajanje važe od sada, ili od izabranog trenutka: prolazi od tada su događaji novog "
        "vlasnika kartice, i oni koji su već učitani."));
    HolderFromDTE = new QDateTimeEdit(this);
    HolderFromDTE->setDisplayFormat(QStringLiteral("dd.MM.yyyy HH:mm"));
    HolderFromDTE->setCalendarPopup(true);
    HolderFromDTE->setEnabled(false);
    connect(HolderFromCB, &QCheckBox::toggled, this, [this](bool on) {
        HolderFromDTE->setEnabled(on);
        const QDateTime now = Now();
        if (on)
            HolderFromDTE->setDateTime(QDateTime(now.date(), QTime(now.time().hour(), now.time().minute())));
    });
    SendToDevicesButton = new QPushButton(QStringLiteral("Pošalji u uređaje"), this);
    EmployeeCardDBG = new TDBGrid(this);
    EmployeeCardDBG->setObjectName(QStringLiteral("EmployeeCardDBG"));
    PrintButton = new QPushButton(QStringLiteral("Štampaj"), this);

    OKButton = new QPushButton(QStringLiteral("U redu"), this);
    ApplyButton = new QPushButton(QStringLiteral("Primeni"), this);
    CancelButton = new QPushButton(QStringLiteral("Otkaži"), this);
    for (QPushButton* b :
         {OKButton, ApplyButton, CancelButton, RefreshTimeButton, LockButton, UnlockButton, FireButton,
          ConnectEmployeeButton, DisconnectEmployeeButton, SendToDevicesButton, PrintButton})
        b->setAutoDefault(false);
    OKAction = ButtonAction(OKButton, &TEmployeeCardForm::OKActionExecute);
    ApplyAction = ButtonAction(ApplyButton, &TEmployeeCardForm::ApplyActionExecute);
    CancelAction = ButtonAction(CancelButton, &TEmployeeCardForm::CancelActionExecute);
    SetEscapeButton(CancelButton);
    SetSaveHandler(&TEmployeeCardForm::ApplyActionExecute); // Esc asks before it drops edits
    OnClick(FindButton, &TEmployeeCardForm::FindButtonClick);
    OnClick(RefreshTimeButton, &TEmployeeCardForm::RefreshTimeButtonClick);
    OnClick(LockButton, &TEmployeeCardForm::LockButtonClick);
    OnClick(UnlockButton, &TEmployeeCardForm::UnlockButtonClick);
    OnClick(FireButton, &TEmployeeCardForm::FireButtonClick);
    OnClick(ConnectEmployeeButton, &TEmployeeCardForm::ConnectEmployeeButtonClick);
    OnClick(DisconnectEmployeeButton, &TEmployeeCardForm::DisconnectEmployeeButtonClick);
    OnClick(SendToDevicesButton, &TEmployeeCardForm::SendToDevicesButtonClick);
    OnClick(PrintButton, &TEmployeeCardForm::PrintButtonClick);

    auto* search = new QGridLayout;
    search->addWidget(new QLabel(QStringLiteral("ID kartice"), this), 0, 0);
    search->addWidget(new QLabel(QStringLiteral("Kod"), this), 0, 1);
    search->addWidget(CardIDEdit, 1, 0);
    search->addWidget(CardCodeEdit, 1, 1);
    search->addWidget(FindButton, 1, 2);
    auto* top = new QHBoxLayout;
    top->addLayout(search);
    top->addStretch(1);
    for (QPushButton* b : {RefreshTimeButton, LockButton, UnlockButton, FireButton})
        top->addWidget(b, 0, Qt::AlignBottom);
    auto* cards = new QHBoxLayout;
    cards->addWidget(Navigator);
    cards->addStretch(1);
    cards->addWidget(ConnectEmployeeButton);
    cards->addWidget(DisconnectEmployeeButton);
    cards->addWidget(HolderFromCB);
    cards->addWidget(HolderFromDTE);
    cards->addWidget(SendToDevicesButton);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(PrintButton);
    bottom->addStretch(1);
    bottom->addWidget(OKButton);
    bottom->addWidget(ApplyButton);
    bottom->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(cards);
    layout->addWidget(EmployeeCardDBG, 1);
    layout->addWidget(new TColourLegend({{InactiveCardColour(), QStringLiteral("neaktivna kartica")},
                                         {GuestCardColour(), QStringLiteral("kartica gosta")}},
                                        this));
    layout->addLayout(bottom);
    resize(760, 480);

    TDataSet* cardList = HorloDM->EmployeeCardZQ;
    EmployeeCardDBG->SetDataSource(HorloDM->EmployeeCardDS);
    EmployeeCardDBG->AddColumn(QStringLiteral("name"));
    EmployeeCardDBG->AddColumn(QStringLiteral("cardcode"));
    EmployeeCardDBG->AddColumn(QStringLiteral("active"));
    EmployeeCardDBG->AddColumn(QStringLiteral("comment"), 160);
    EmployeeCardDBG->AddColumn(QStringLiteral("employeename"), 160);
    EmployeeCardDBG->AddColumn(QStringLiteral("horloguestname"), 160);
    EmployeeCardDBG->OnCellColor = [this](int row, int column) {
        return EmployeeCardDBGDrawColumnCell(row, column);
    };
    Navigator->SetDataSource(HorloDM->EmployeeCardDS);
    for (auto signal : {&TDataSet::StateChanged, &TDataSet::DataChanged})
        connect(cardList, signal, this, [this] { ApplyActionUpdate(); });

    FormCreate();
}

TEmployeeCardForm::~TEmployeeCardForm() {
    GridSorter.RemoveGrid(EmployeeCardDBG);
}

void TEmployeeCardForm::FormCreate() {
    TZQuery* cards = HorloDM->EmployeeCardZQ;
    cards->Close();
    cards->Open();
    TDBGridColumn active = EmployeeCardDBG->Column(2);
    active.pickList = QStringList{_YES_CAP, _NO_CAP};
    EmployeeCardDBG->UpdateColumn(2, active);
    TDBGridColumn employee = EmployeeCardDBG->Column(4);
    employee.readOnly = true; // tied and untied only through the chooser
    EmployeeCardDBG->UpdateColumn(4, employee);
    GridSorter.AddGrid(EmployeeCardDBG);
    ApplyActionUpdate();
}

// ---------------------------------------------------------------- OK, Apply, Cancel

void TEmployeeCardForm::ApplyActionUpdate() {
    ApplyAction->setEnabled(HorloDM->EmployeeCardZQ->UpdatesPending());
}

void TEmployeeCardForm::ApplyActionExecute() {
    HorloDM->EmployeeCardZQ->ApplyUpdates(); // posts a row being edited first
    ApplyActionUpdate();
}

void TEmployeeCardForm::OKActionExecute() {
    if (m_busy) return;
    ApplyActionExecute(); // a row being edited is kept, not dropped
    QDialog::accept();
}

void TEmployeeCardForm::CancelActionExecute() {
    if (m_busy) return;
    DiscardEdits();
    QDialog::reject();
}

// ---------------------------------------------------------------- employees

void TEmployeeCardForm::ConnectEmployeeButtonClick() {
    auto chooser = EmployeeChooser(TMissingChooser::Tell);
    if (!chooser) return;
    TEmployeeDesc desc;
    if (!chooser->ChooseEmployeeDesc(desc)) return;
    ChangeHolder(desc.employeeId);
}

void TEmployeeCardForm::DisconnectEmployeeButtonClick() {
    ChangeHolder(0);
}

// The selected card's holder from now or from the chosen moment; the list then
// shows what is stored. A card another employee holds is handed over.
void TEmployeeCardForm::ChangeHolder(qint64 employeeId) {
    TZQuery* cards = HorloDM->EmployeeCardZQ;
    if (!cards->Active()) return;
    cards->CheckBrowseMode();
    if (cards->IsEmpty()) return;
    const qint64 card = cards->FieldByName(QStringLiteral("employeecardid"))->AsLargeInt();
    const QDateTime from = HolderFromCB->isChecked() ? WallClock(HolderFromDTE->dateTime()) : QDateTime();
    const TCardHolderOutcome outcome =
        ChangeCardHolder(*HorloDM->ZConnection(), TCardHolderChange{card, employeeId, from, true});
    if (outcome.Refused()) {
        ShowError(outcome.Text());
        return;
    }
    if (outcome.status == TCardHolderStatus::Unchanged) return;
    cards->Close();
    cards->Open();
    cards->Locate(QStringLiteral("employeecardid"), card);
    HolderFromCB->setChecked(false);
    if (outcome.events.Any()) ShowInformation(outcome.Text());
}

// ---------------------------------------------------------------- grid, print, find

QColor TEmployeeCardForm::EmployeeCardDBGDrawColumnCell(int row, int) const {
    const TDataSet* cards = HorloDM->EmployeeCardZQ;
    const TField* active = cards->FindField(QStringLiteral("active"));
    const TField* guest = cards->FindField(QStringLiteral("horloguestname"));
    if (!active || !guest || row < 0 || row >= cards->RecordCount()) return QColor();
    const QVariant value = cards->RowValue(row, active->Index());
    if (!value.isNull() && !value.toBool()) return InactiveCardColour();
    if (!cards->RowValue(row, guest->Index()).toString().isEmpty()) return GuestCardColour();
    return QColor();
}

void TEmployeeCardForm::PrintButtonClick() {
    PrintThroughConsole(EmployeeCardDBG, PrintParams(windowTitle(), QString()));
}

void TEmployeeCardForm::FindButtonClick() {
    TZQuery* cards = HorloDM->EmployeeCardZQ;
    if (!cards->Active()) return;
    if (!CardIDEdit->text().isEmpty())
        LocateCard(*cards, CardIDEdit->text());
    else if (!CardCodeEdit->text().isEmpty())
        cards->Locate(QStringLiteral("cardcode"), CardCodeEdit->text());
}

// ---------------------------------------------------------------- devices

void TEmployeeCardForm::SetBusy(bool busy) {
    m_busy = busy;
    for (QWidget* w : std::initializer_list<QWidget*>{
             CardIDEdit, CardCodeEdit, FindButton, RefreshTimeButton, LockButton, UnlockButton, FireButton,
             Navigator, ConnectEmployeeButton, DisconnectEmployeeButton, HolderFromCB, SendToDevicesButton,
             EmployeeCardDBG, PrintButton, OKButton, CancelButton})
        w->setEnabled(!busy);
    HolderFromDTE->setEnabled(!busy && HolderFromCB->isChecked());
    if (busy)
        ApplyButton->setEnabled(false);
    else
        ApplyButton->setEnabled(ApplyAction->isEnabled());
}

// The door being asked shows in a progress window whose "Otkaži" ends the operation
// after that door; the doors not reached are reported as not confirmed.
void TEmployeeCardForm::RunDeviceOperation(const QString& caption,
                                           const std::function<TDeviceRun()>& operation,
                                           const QString& done) {
    if (m_busy) return;
    TDeviceRun run;
    {
        THourGlass hourGlass;
        SetBusy(true);
        std::optional<TWorkProgress> progress;
        int finished = 0;
        m_commands.OnDoorStarted = [&](const TAccessPoint& door, int number, int count) {
            if (!progress) progress.emplace(caption, count);
            progress->SetText(Format(kDoorProgressFmt, {number, count, door.Label()}));
        };
        m_commands.OnDoorFinished = [&](const TDoorResult&) {
            if (!progress->Step(++finished)) m_commands.Cancel();
        };
        const auto restore = qScopeGuard([this] {
            m_commands.OnDoorStarted = nullptr;
            m_commands.OnDoorFinished = nullptr;
            SetBusy(false);
        });
        run = operation();
    }
    // The reply handler's own texts first (once for a run of the same text), then the outcome.
    QString last;
    for (const QString& text : run.deviceErrors) {
        if (text != last) ShowError(text);
        last = text;
    }
    if (run.abandoned) {
        ShowError(_DEVICE_CONNECT_ERR);
        return;
    }
    for (int i = 0; i < run.closeFailures.size(); ++i)
        ShowError(_DEVICE_CONNECT_ERR);
    if (run.AllAcknowledged())
        ShowInformation(done);
    else if (run.doors.empty())
        ShowError(_NO_DOOR_ERR);
    else
        ShowError(Format(_DEVICE_NOT_CONFIRMED_ERR, {run.Unconfirmed()}));
}

void TEmployeeCardForm::SendToDevicesButtonClick() {
    TZQuery* cards = HorloDM->EmployeeCardZQ;
    if (m_busy || !cards->Active()) return;
    cards->CheckBrowseMode();
    if (cards->IsEmpty()) return;
    TCardData card;
    card.cardId = cards->FieldByName(QStringLiteral("employeecardid"))->AsLargeInt();
    card.employeeId = cards->FieldByName(QStringLiteral("employeeid"))->AsLargeInt();
    card.cardCode = cards->FieldByName(QStringLiteral("cardcode"))->AsLargeInt();
    card.active = cards->FieldByName(QStringLiteral("active"))->AsBoolean();
    card.name = cards->FieldByName(QStringLiteral("name"))->AsString();
    RunDeviceOperation(
        SendToDevicesButton->text(),
        [this, card] {
            return SendCardToDevices(m_commands, *HorloDM->ZConnection(), *HorloDM->HorloAccessPointZQ,
                                     *HorloDM->HorloAccessTicketZQ, card);
        },
        card.active ? _CARD_EMPLOYEE_ADDED_INF : _CARD_EMPLOYEE_REMOVED_INF);
}

namespace {

std::vector<TAccessPoint> ReopenedDoors() {
    TZQuery* accessPoints = HorloDM->HorloAccessPointZQ;
    accessPoints->Close();
    accessPoints->Open();
    return AccessPointsOf(*accessPoints);
}

} // namespace

void TEmployeeCardForm::RefreshTimeButtonClick() {
    RunDeviceOperation(
        RefreshTimeButton->text(), [this] { return m_commands.SetClocks(ReopenedDoors()); },
        _REFRESH_TIME_INF);
}

void TEmployeeCardForm::RelayOperation(const QPushButton* button, TRelayOperation operation,
                                       const QString& done) {
    RunDeviceOperation(
        button->text(), [this, operation] { return m_commands.SetRelayModes(ReopenedDoors(), operation); },
        done);
}

void TEmployeeCardForm::LockButtonClick() {
    RelayOperation(LockButton, TRelayOperation::Lock, _LOCKED_INF);
}

// Opening every door is asked first; a fire alarm needs one key (Enter is Da), an
// unlock a deliberate answer (Enter is Ne).
void TEmployeeCardForm::UnlockButtonClick() {
    if (m_busy || !Confirm(_UNLOCK_CONF, TModalResult::No)) return;
    RelayOperation(UnlockButton, TRelayOperation::Unlock, _UNLOCKED_INF);
}

void TEmployeeCardForm::FireButtonClick() {
    if (m_busy || !Confirm(_FIRE_CONF, TModalResult::Yes)) return;
    RelayOperation(FireButton, TRelayOperation::Fire, _FIRE_INF);
}
