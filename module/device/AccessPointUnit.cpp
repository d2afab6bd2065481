// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/AccessPointUnit.h"

#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/data/ZQuery.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Dialogs.h"
#include "module/data/HorloDMUnit.h"
#include "module/device/AccessPointSetup.h"
#include "module/device/DeviceProbe.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

TZConnection& Connection() {
    TZConnection* connection = HorloDM->ZConnection();
    if (!connection) throw EDatabaseError(_CMN_DB_NOT_CONNECTED_ERR);
    return *connection;
}

QString YesNoText(const TField& field, bool) {
    return field.IsNull() ? QString() : (field.AsBoolean() ? _YES_CAP : _NO_CAP);
}

} // namespace

TAccessPointForm::TAccessPointForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AccessPointForm"));
    setWindowTitle(QStringLiteral("Pristupne tačke"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(860, 360);

    m_points = new TZQuery(&Connection(), this);
    m_points->setObjectName(QStringLiteral("AccessPointZQ"));
    m_points->ReadOnly = true;
    m_points->SetSQL(
        QStringLiteral("SELECT horloaccesspointid, name, localip, udpport, readaccess, allaccess, "
                       "outdoor, active, currentdeviceindex, comment FROM horloaccesspoint "
                       "ORDER BY horloaccesspointid"));
    AccessPointDBG = new TDBGrid(this);
    AccessPointDBG->setObjectName(QStringLiteral("AccessPointDBG"));
    AccessPointDBG->SetReadOnly(true);
    AccessPointDBG->SetDataSource(new TDataSource(m_points, this));
    const struct {
        const char* field;
        int width;
        const char* title;
    } columns[] = {
        {"name", 150, "Naziv"},        {"localip", 110, "Adresa"},           {"udpport", 60, "UDP port"},
        {"readaccess", 60, "Čita se"}, {"allaccess", 80, "Sve kartice"},     {"outdoor", 60, "Spoljna"},
        {"active", 60, "Aktivna"},     {"currentdeviceindex", 70, "Oznaka"}, {"comment", 160, "Komentar"}};
    for (const auto& c : columns)
        AccessPointDBG->AddColumn(QLatin1String(c.field), c.width, QString::fromUtf8(c.title));
    // an inactive door in grey: it is kept for its history only
    AccessPointDBG->OnCellColor = [this](int row, int) {
        const TField* active = m_points->FindField(QStringLiteral("active"));
        return active && !m_points->RowValue(row, active->Index()).toBool() ? QColor(215, 215, 215)
                                                                            : QColor();
    };
    connect(AccessPointDBG, &QAbstractItemView::doubleClicked, this,
            [this] { Guarded([this] { EditButtonClick(); }); });

    NewButton = new QPushButton(QStringLiteral("&Nova…"), this);
    EditButton = new QPushButton(QStringLiteral("&Izmeni…"), this);
    RemoveButton = new QPushButton(QStringLiteral("&Ukloni"), this);
    ProbeButton = new QPushButton(QStringLiteral("&Proveri uređaj"), this);
    ProbeButton->setToolTip(QStringLiteral("Pita uređaj za podatke o sebi: model, firmver, memoriju, broj "
                                           "korisnika i zapisa u dnevniku."));
    RemoveButton->setToolTip(QStringLiteral("Briše pristupnu tačku bez istorije; onu sa događajima ili "
                                            "karticama isključuje."));
    CloseButton = new QPushButton(_CMN_CLOSE_CAP, this);
    for (QPushButton* b : {NewButton, EditButton, RemoveButton, ProbeButton, CloseButton})
        b->setAutoDefault(false);
    connect(NewButton, &QPushButton::clicked, this, [this] { Guarded([this] { NewButtonClick(); }); });
    connect(EditButton, &QPushButton::clicked, this, [this] { Guarded([this] { EditButtonClick(); }); });
    connect(RemoveButton, &QPushButton::clicked, this, [this] { Guarded([this] { RemoveButtonClick(); }); });
    connect(ProbeButton, &QPushButton::clicked, this, [this] { Guarded([this] { ProbeButtonClick(); }); });
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_points, &TDataSet::DataChanged, this, &TAccessPointForm::UpdateButtons);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {NewButton, EditButton, RemoveButton})
        buttons->addWidget(b);
    buttons->addSpacing(16);
    buttons->addWidget(ProbeButton);
    buttons->addStretch(1);
    buttons->addWidget(CloseButton);
    auto* hint =
        new QLabel(QStringLiteral("Oznaka je redni broj poslednjeg upisanog zapisa uređaja; menja je "
                                  "samo uvoz i \"horlo point reset-mark\". Sivo: neaktivna."),
                   this);
    hint->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(AccessPointDBG, 1);
    layout->addWidget(hint);
    layout->addLayout(buttons);

    Reload();
    for (const char* flag : {"readaccess", "allaccess", "outdoor", "active"})
        if (TField* f = m_points->FindField(QLatin1String(flag))) f->OnGetText = &YesNoText;
    AccessPointDBG->setFocus();
}

TAccessPoint TAccessPointForm::Current() const {
    const TField* id = m_points->FindField(QStringLiteral("horloaccesspointid"));
    if (!m_points->Active() || m_points->IsEmpty() || !id) return {};
    // read afresh: the list may be older than the door
    return AccessPointById(Connection(), id->AsLargeInt()).value_or(TAccessPoint{});
}

void TAccessPointForm::Reload(qint64 id) {
    THourGlass hourGlass({m_points});
    m_points->Close();
    m_points->Open();
    if (id == 0 || !m_points->Locate(QStringLiteral("horloaccesspointid"), id)) m_points->First();
    UpdateButtons();
}

void TAccessPointForm::UpdateButtons() {
    const bool any = m_points->Active() && !m_points->IsEmpty();
    for (QPushButton* b : {EditButton, RemoveButton, ProbeButton})
        b->setEnabled(any);
}

void TAccessPointForm::NewButtonClick() {
    TAccessPoint point;
    point.udpPort = kDefaultUdpPort;
    Edit(point);
}

void TAccessPointForm::EditButtonClick() {
    const TAccessPoint point = Current();
    if (point.id == 0) return Reload();
    Edit(point);
}

void TAccessPointForm::Edit(const TAccessPoint& point) {
    TAccessPointEditForm form(point, this);
    if (TDialogScript::Unattended() || form.exec() != QDialog::Accepted) return;
    Reload(form.AccessPointID());
}

void TAccessPointForm::RemoveButtonClick() {
    const TAccessPoint point = Current();
    if (point.id == 0) return Reload();
    if (!Confirm(Format(QStringLiteral("Ukloniti pristupnu tačku \"%s\"? Tačka bez istorije se briše, a ona "
                                       "koja ima događaje ili kartice se samo isključuje."),
                        {point.name}),
                 TModalResult::No))
        return;
    const TAccessPointOutcome outcome = RemoveAccessPoint(Connection(), point.id);
    Reload(point.id);
    if (!outcome.ok)
        ShowWarning(outcome.error);
    else if (outcome.deactivated)
        ShowInformation(
            Format(QStringLiteral("Pristupna tačka \"%s\" ima događaje ili kartice, pa nije izbrisana "
                                  "nego isključena: neaktivna je i dnevnik joj se ne čita."),
                   {point.name}));
}

void TAccessPointForm::ProbeButtonClick() {
    const TAccessPoint point = Current();
    if (point.id == 0) return Reload();
    TProbeOutcome outcome;
    {
        // the wait paints the window but takes no input; the buttons say it is busy
        setEnabled(false);
        THourGlass hourGlass;
        outcome = ProbeDevice(point);
        setEnabled(true);
    }
    const QString title = QStringLiteral("%1 (%2:%3)").arg(point.name, point.localIp).arg(point.udpPort);
    if (outcome.answered)
        ShowInformation(title + QStringLiteral("\n\n") + ProbeReport(outcome).join(QLatin1Char('\n')));
    else
        ShowError(title + QStringLiteral("\n\n") + outcome.error);
}

// ---------------------------------------------------------------- one door

TAccessPointEditForm::TAccessPointEditForm(const TAccessPoint& point, QWidget* parent)
    : QDialog(parent), m_point(point) {
    setObjectName(QStringLiteral("AccessPointEditForm"));
    setWindowTitle(point.id ? QStringLiteral("Pristupna tačka: ") + point.name
                            : QStringLiteral("Nova pristupna tačka"));
    NameEdit = new QLineEdit(point.name, this);
    AddressEdit = new QLineEdit(point.localIp, this);
    AddressEdit->setPlaceholderText(QStringLiteral("192.168.1.20"));
    PortSpin = new QSpinBox(this);
    PortSpin->setRange(1, 65535);
    PortSpin->setValue(point.udpPort);
    ReadCheck = new QCheckBox(QStringLiteral("Dnevnik se &čita (uvoz)"), this);
    ReadCheck->setChecked(point.readable);
    AllAccessCheck = new QCheckBox(QStringLiteral("Prima &sve kartice"), this);
    AllAccessCheck->setChecked(point.allAccess);
    OutdoorCheck = new QCheckBox(QStringLiteral("Spo&ljna vrata"), this);
    OutdoorCheck->setChecked(point.outdoor);
    ActiveCheck = new QCheckBox(QStringLiteral("Ak&tivna"), this);
    ActiveCheck->setChecked(point.active);
    CommentEdit = new QLineEdit(point.comment, this);
    MarkLabel = new QLabel(QString::number(point.mark), this);
    MarkLabel->setToolTip(
        QStringLiteral("Redni broj poslednjeg upisanog zapisa uređaja; menja ga samo uvoz i "
                       "\"horlo point reset-mark\"."));
    // an inactive door is not read
    const auto follow = [this] {
        ReadCheck->setEnabled(ActiveCheck->isChecked());
        if (!ActiveCheck->isChecked()) ReadCheck->setChecked(false);
    };
    connect(ActiveCheck, &QCheckBox::toggled, this, follow);
    follow();

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Naziv:"), NameEdit);
    form->addRow(QStringLiteral("IP &adresa:"), AddressEdit);
    form->addRow(QStringLiteral("UDP &port:"), PortSpin);
    form->addRow(QString(), ReadCheck);
    form->addRow(QString(), AllAccessCheck);
    form->addRow(QString(), OutdoorCheck);
    form->addRow(QString(), ActiveCheck);
    form->addRow(QStringLiteral("&Komentar:"), CommentEdit);
    form->addRow(QStringLiteral("Oznaka:"), MarkLabel);
    auto* ok = new QPushButton(_CMN_OK_CAP, this);
    auto* cancel = new QPushButton(_CMN_CANCEL_CAP, this);
    ok->setDefault(true);
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (Save()) accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    resize(380, sizeHint().height());
    NameEdit->setFocus();
}

bool TAccessPointEditForm::Save() {
    TAccessPoint point = m_point;
    point.name = NameEdit->text();
    point.localIp = AddressEdit->text();
    point.udpPort = PortSpin->value();
    point.readable = ReadCheck->isChecked();
    point.allAccess = AllAccessCheck->isChecked();
    point.outdoor = OutdoorCheck->isChecked();
    point.active = ActiveCheck->isChecked();
    point.comment = CommentEdit->text();
    bool stored = false;
    Guarded([&] {
        const TAccessPointOutcome outcome = SaveAccessPoint(Connection(), point);
        if (!outcome.ok) {
            ShowWarning(outcome.error);
            return;
        }
        m_point.id = outcome.id;
        stored = true;
    });
    return stored;
}
