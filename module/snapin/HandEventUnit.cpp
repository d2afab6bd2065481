// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/snapin/HandEventUnit.h"

#include "host/console/HostIntf.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/DateEdit.h"
#include "host/ui/Dialogs.h"
#include "module/ModuleConsole.h"
#include "module/data/HorloDMUnit.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

TZConnection& Connection() {
    TZConnection* connection = HorloDM->ZConnection();
    if (!connection) throw EDatabaseError(_CMN_DB_NOT_CONNECTED_ERR);
    return *connection;
}

} // namespace

THandEventForm::THandEventForm(qint64 eventId, QWidget* parent) : QDialog(parent), EventID(eventId) {
    setObjectName(QStringLiteral("HandEventForm"));
    setWindowTitle(eventId ? QStringLiteral("Izmena događaja unetog ručno")
                           : QStringLiteral("Dodaj događaj"));
    setAttribute(Qt::WA_DeleteOnClose);

    EmployeeEdit = new QLineEdit(this);
    EmployeeEdit->setReadOnly(true);
    EmployeeEdit->setMinimumWidth(220);
    EmployeeButton = new QPushButton(QStringLiteral("..."), this);
    EmployeeButton->setFixedWidth(28);
    EmployeeButton->setAutoDefault(false);
    // the day in the date field of every dialog, the time of day beside it (a wall clock)
    DateEdit = new TDateEdit(this);
    DateEdit->setCaption(QStringLiteral("Datum"));
    TimeEdit = new QTimeEdit(this);
    TimeEdit->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    SetTime(Now());
    EventTypeCB = new QComboBox(this);
    ReasonEdit = new QLineEdit(this);
    ReasonEdit->setMaxLength(kHandEventReasonLength);
    ReasonEdit->setPlaceholderText(QStringLiteral("obavezno: zašto se događaj unosi ili menja"));
    OKButton = new QPushButton(QStringLiteral("&U redu"), this);
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Otkaži"), this);
    CancelButton->setAutoDefault(false);
    connect(EmployeeButton, &QPushButton::clicked, this,
            [this] { Guarded([this] { EmployeeButtonClick(); }); });
    connect(OKButton, &QPushButton::clicked, this, [this] { Guarded([this] { OKButtonClick(); }); });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* employee = new QHBoxLayout;
    employee->addWidget(EmployeeEdit, 1);
    employee->addWidget(EmployeeButton);
    auto* form = new QFormLayout;
    auto* employeeLabel = new QLabel(QStringLiteral("&Zaposleni:"), this);
    employeeLabel->setBuddy(EmployeeButton);
    form->addRow(employeeLabel, employee);
    auto* when = new QHBoxLayout;
    when->addWidget(DateEdit, 1);
    when->addWidget(TimeEdit);
    auto* whenLabel = new QLabel(QStringLiteral("&Vreme:"), this);
    whenLabel->setBuddy(DateEdit);
    form->addRow(whenLabel, when);
    form->addRow(QStringLiteral("&Događaj:"), EventTypeCB);
    form->addRow(QStringLiteral("&Razlog:"), ReasonEdit);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    Guarded([&] {
        for (const auto& row :
             Connection()
                 .Select(QStringLiteral("SELECT employeeeventtypeid, name FROM employeeeventtype ORDER BY "
                                        "employeeeventtypeid"))
                 .rows)
            EventTypeCB->addItem(QStringLiteral("%1 (%2)").arg(row[1].toString()).arg(row[0].toLongLong()),
                                 row[0]);
        if (eventId) LoadEvent(eventId);
    });
    (eventId ? ReasonEdit : static_cast<QWidget*>(EmployeeButton))->setFocus();
}

void THandEventForm::LoadEvent(qint64 eventId) {
    const TResultSet rs = Connection().Select(
        QStringLiteral("SELECT ee.employeeid, CONCAT(e.lastname, ' ', e.firstname), ee.eventtime, "
                       "ee.employeeeventtypeid FROM employeeevent AS ee LEFT JOIN employee AS e ON "
                       "e.employeeid = ee.employeeid WHERE ee.employeeeventid = %1")
            .arg(eventId));
    if (rs.rows.empty()) return;
    EmployeeID = rs.rows[0][0].toLongLong();
    EmployeeEdit->setText(rs.rows[0][1].toString());
    SetTime(WallClock(rs.rows[0][2].toDateTime()));
    EventTypeCB->setCurrentIndex(EventTypeCB->findData(rs.rows[0][3]));
}

void THandEventForm::EmployeeButtonClick() {
    const auto chooser = EmployeeChooser(TMissingChooser::Tell);
    TEmployeeDesc desc;
    if (!chooser || !chooser->ChooseEmployeeDesc(desc)) return;
    EmployeeID = desc.employeeId;
    // as the event list names employees: last name first
    EmployeeEdit->setText(desc.lastName + QLatin1Char(' ') + desc.firstName);
}

void THandEventForm::SetTime(const QDateTime& time) {
    DateEdit->setDate(time.date());
    TimeEdit->setTime(time.time());
}

void THandEventForm::OKButtonClick() {
    if (!DateEdit->CheckDate()) return;
    const THandEvent event{EmployeeID, WallClock(QDateTime(DateEdit->date(), TimeEdit->time())),
                           EventTypeCB->currentData().toLongLong()};
    const THandEventOutcome outcome = EventID
                                          ? ChangeHandEvent(Connection(), EventID, event, ReasonEdit->text())
                                          : AddHandEvent(Connection(), event, ReasonEdit->text());
    if (!outcome.Done()) {
        ShowWarning(outcome.message);
        return;
    }
    EventID = outcome.eventId;
    accept();
}

bool DeleteHandEventAsked(qint64 eventId) {
    QStringList reason{QString()};
    if (!InputTexts(QStringLiteral("Obriši događaj %1").arg(eventId), {QStringLiteral("Razlog brisanja")},
                    reason))
        return false;
    const THandEventOutcome outcome = DeleteHandEvent(Connection(), eventId, reason[0]);
    if (!outcome.Done()) ShowWarning(outcome.message);
    return outcome.Done();
}
