// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/EmployeeEditDialog.h"

#include "host/data/Employees.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/Dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

namespace {

QString DateText(const QDate& date) {
    return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

// A date typed (yyyy-mm-dd or dd.mm.yyyy) or picked with the button beside it.
QWidget* DateRow(QLineEdit* edit, QWidget* parent) {
    edit->setPlaceholderText(QStringLiteral("dd.mm.gggg"));
    auto* pick = new QToolButton(parent);
    pick->setText(QStringLiteral("…"));
    pick->setToolTip(_CMN_SELECT_DATE_CAP);
    QObject::connect(pick, &QToolButton::clicked, edit, [edit] {
        QDate date = TypedDate(edit->text());
        if (!date.isValid()) date = Now().date();
        if (GetDate(date)) edit->setText(DateText(date));
    });
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit, 1);
    layout->addWidget(pick);
    return row;
}

} // namespace

TEmployeeEditDialog::TEmployeeEditDialog(TZConnection& connection, qint64 employeeID, QWidget* parent)
    : QDialog(parent), m_connection(connection), m_employee(std::make_unique<TEmployee>()) {
    setObjectName(QStringLiteral("EmployeeEditDialog"));
    if (employeeID > 0) {
        std::optional<TEmployee> stored = EmployeeById(connection, employeeID);
        if (!stored) throw EDatabaseError(QStringLiteral("Zaposleni više ne postoji; osvežite spisak."));
        *m_employee = *stored;
    }
    setWindowTitle(employeeID > 0 ? QStringLiteral("Zaposleni: ") + m_employee->Name()
                                  : QStringLiteral("Novi zaposleni"));
    const TEmployee& e = *m_employee;
    const TEmployeeSizes sizes = EmployeeSizes(connection);
    const auto edit = [this](const QString& text, int size) {
        auto* line = new QLineEdit(text, this);
        if (size > 0) line->setMaxLength(size);
        return line;
    };
    CodeEdit = edit(e.code, sizes.code);
    FirstNameEdit = edit(e.firstName, sizes.firstName);
    LastNameEdit = edit(e.lastName, sizes.lastName);
    PersonalIdEdit = edit(e.personalId, sizes.personalId);
    VocationEdit = edit(e.vocation, sizes.vocation);
    FromEdit = edit(DateText(e.from), 0);
    ToEdit = edit(DateText(e.to), 0);
    StateCombo = new QComboBox(this);
    StateCombo->addItem(QString(), qint64(0));
    for (const auto& [id, description] : WorkingStates(connection))
        StateCombo->addItem(description, id);
    StateCombo->setCurrentIndex(std::max(0, StateCombo->findData(e.workingStateId)));
    ActiveCheck = new QCheckBox(this);
    ActiveCheck->setChecked(e.active);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Šifra:"), CodeEdit);
    form->addRow(QStringLiteral("&Ime:"), FirstNameEdit);
    form->addRow(QStringLiteral("&Prezime:"), LastNameEdit);
    form->addRow(QStringLiteral("&JMBG:"), PersonalIdEdit);
    form->addRow(QStringLiteral("&Radno mesto:"), VocationEdit);
    form->addRow(QStringLiteral("Po&četak rada:"), DateRow(FromEdit, this));
    form->addRow(QStringLiteral("&Kraj rada:"), DateRow(ToEdit, this));
    form->addRow(QStringLiteral("Radni &status:"), StateCombo);
    form->addRow(QStringLiteral("Ak&tivan:"), ActiveCheck);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(_CMN_OK_CAP, QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton(_CMN_CANCEL_CAP, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (Save()) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(420, sizeHint().height());
    CodeEdit->setFocus();
}

TEmployeeEditDialog::~TEmployeeEditDialog() = default;

qint64 TEmployeeEditDialog::EmployeeID() const {
    return m_employee->id;
}

bool TEmployeeEditDialog::Save() {
    TEmployee e = *m_employee;
    e.code = CodeEdit->text();
    e.firstName = FirstNameEdit->text();
    e.lastName = LastNameEdit->text();
    e.personalId = PersonalIdEdit->text();
    e.vocation = VocationEdit->text();
    for (const auto& [text, date, label] :
         {std::tuple{FromEdit, &e.from, "Početak rada"}, std::tuple{ToEdit, &e.to, "Kraj rada"}}) {
        *date = TypedDate(text->text());
        if (!text->text().trimmed().isEmpty() && !date->isValid()) {
            ShowWarning(Format(QStringLiteral("%s: \"%s\" nije datum (dd.mm.gggg ili gggg-mm-dd)."),
                               {QString::fromUtf8(label), text->text()}));
            text->setFocus();
            return false;
        }
    }
    e.workingStateId = StateCombo->currentData().toLongLong();
    e.active = ActiveCheck->isChecked();
    bool stored = false;
    Guarded([&] {
        const TEmployeeOutcome outcome = SaveEmployee(m_connection, e);
        if (!outcome.ok) {
            ShowWarning(outcome.error);
            return;
        }
        m_employee->id = outcome.id;
        stored = true;
        if (!outcome.warnings.isEmpty())
            ShowWarning(QStringLiteral("Zaposleni je sačuvan. ") + outcome.warnings.join(QLatin1Char(' ')));
    });
    return stored;
}
