// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/data/NewEventUnit.h"

#include "host/data/SysUtils.h"
#include "host/ui/Dialogs.h"
#include "module/HorloResourceString.h"
#include "module/data/HorloDMUnit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

TNewEventForm::TNewEventForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("NewEventForm"));
    setWindowTitle(QStringLiteral("Novi događaj"));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    OutEventEdit = new QLineEdit(QStringLiteral("Odlazak..."), this);
    InEventEdit = new QLineEdit(QStringLiteral("Dolazak..."), this);
    OKButton = new QPushButton(QStringLiteral("&U redu"), this);
    CancelButton = new QPushButton(QStringLiteral("&Otkaži"), this);
    OKButton->setDefault(true);
    CancelButton->setAutoDefault(false);
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Ime odlaska:"), this));
    layout->addWidget(OutEventEdit);
    layout->addWidget(new QLabel(QStringLiteral("Ime dolaska:"), this));
    layout->addWidget(InEventEdit);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(260, 0)));
    OutEventEdit->setFocus();
}

void TNewEventForm::OKButtonClick() {
    // a name is never cut to fit the column
    const TField* name = HorloDM ? HorloDM->EmployeeEventTypeZQ->FindField(QStringLiteral("name")) : nullptr;
    const int longest = name ? name->Size() : 0;
    if (longest > 0 && std::max(OutEventEdit->text().size(), InEventEdit->text().size()) > longest) {
        ShowWarning(Format(_NEW_EV_LONG_WRN, {longest}));
        return;
    }
    // blanks are a name too; only an empty edit is refused
    if (!OutEventEdit->text().isEmpty() && !InEventEdit->text().isEmpty()) {
        // the report's pairs are picked by name, so a name names one type
        const QString taken = TakenName();
        if (!taken.isEmpty()) {
            ShowWarning(Format(_NEW_EV_EXISTS_WRN, {taken}));
            return;
        }
        Result = true;
        accept();
        return;
    }
    ShowWarning(_NEW_EV_WRN);
}

QString TNewEventForm::TakenName() const {
    const QString out = OutEventEdit->text(), in = InEventEdit->text();
    if (out.compare(in, Qt::CaseInsensitive) == 0) return out;
    TZConnection* connection = HorloDM ? HorloDM->ZConnection() : nullptr;
    if (!connection) return {};
    // compared by the column's collation, as the server tells names apart
    const TResultSet rs =
        connection->Select(QStringLiteral("SELECT name FROM employeeeventtype WHERE name IN (%1, %2) LIMIT 1")
                               .arg(connection->Quote(out), connection->Quote(in)));
    return rs.rows.empty() ? QString() : rs.rows[0][0].toString();
}

void TNewEventForm::CancelButtonClick() {
    reject();
}

bool NewEvent(QString& inEventName, QString& outEventName) {
    // gone once it has closed, whatever way it closed
    const std::unique_ptr<TNewEventForm> form = std::make_unique<TNewEventForm>();
    form->exec();
    if (!form->Result) return false;
    inEventName = form->InEventEdit->text();
    outEventName = form->OutEventEdit->text();
    return true;
}
