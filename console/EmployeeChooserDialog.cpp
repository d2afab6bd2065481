// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/EmployeeChooserDialog.h"

#include "console/ConsoleStrings.h"
#include "console/EmployeeEditDialog.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/data/ZQuery.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Dialogs.h"
#include "host/ui/GridSorter.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString YesNo(const TField& field, bool) {
    return field.IsNull() ? QString() : (field.AsBoolean() ? _YES_CAP : _NO_CAP);
}

// A LIKE pattern that finds the word anywhere, with its own % and _ taken literally.
QString LikeAnywhere(const TZConnection& connection, const QString& word) {
    QString literal = word;
    literal.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('%'), QLatin1String("\\%"))
        .replace(QLatin1Char('_'), QLatin1String("\\_"));
    return connection.Quote(QLatin1Char('%') + literal + QLatin1Char('%'));
}

} // namespace

TEmployeeChooserDialog::TEmployeeChooserDialog(TZConnection& connection, QWidget* parent)
    : QDialog(parent), m_connection(connection) {
    setWindowTitle(_CON_CHOOSE_EMPLOYEE_CAP);
    resize(640, 440);

    m_employees = new TZQuery(&m_connection, this);
    m_employees->setObjectName(QStringLiteral("EmployeeZQ"));
    m_employees->ReadOnly = true;
    struct {
        const char* name;
        TFieldType type;
        const char* label;
        int width;
    } const fields[] = {{"employeeid", TFieldType::LargeInt, "", 0},
                        {"lastname", TFieldType::String, "Prezime", 150},
                        {"firstname", TFieldType::String, "Ime", 120},
                        {"code", TFieldType::String, "Šifra", 70},
                        {"vocation", TFieldType::String, "Radno mesto", 160},
                        {"active", TFieldType::Boolean, "Aktivan", 60}};
    for (const auto& f : fields) {
        TField* field = m_employees->AddField(QString::fromLatin1(f.name), f.type);
        field->DisplayLabel = QString::fromUtf8(f.label);
        field->DisplayWidth = f.width;
        field->Visible = f.width > 0;
    }
    m_employees->FieldByName(QStringLiteral("active"))->OnGetText = &YesNo;

    SearchEdit = new QLineEdit(this);
    SearchEdit->setClearButtonEnabled(true);
    SearchEdit->installEventFilter(this);
    auto* searchLabel = new QLabel(_CON_SEARCH_CAP, this);
    searchLabel->setBuddy(SearchEdit);

    auto* source = new TDataSource(m_employees, this);
    EmployeeDBG = new TDBGrid(this);
    EmployeeDBG->SetReadOnly(true);
    EmployeeDBG->SetDataSource(source);
    GridSorter.AddGrid(EmployeeDBG);
    connect(EmployeeDBG, &QAbstractItemView::doubleClicked, this, [this] {
        if (EmployeeID() > 0) accept();
    });

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* add = buttons->addButton(_CON_NEW_EMPLOYEE_CAP, QDialogButtonBox::ActionRole);
    m_edit = buttons->addButton(_CON_EDIT_EMPLOYEE_CAP, QDialogButtonBox::ActionRole);
    for (QPushButton* b : {add, m_edit})
        b->setAutoDefault(false); // Enter chooses
    connect(add, &QPushButton::clicked, this, &TEmployeeChooserDialog::NewEmployee);
    connect(m_edit, &QPushButton::clicked, this, &TEmployeeChooserDialog::EditEmployee);
    m_choose = buttons->addButton(_CON_CHOOSE_CAP, QDialogButtonBox::AcceptRole);
    buttons->addButton(_CMN_CANCEL_CAP, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (EmployeeID() > 0) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    m_filterTimer = new QTimer(this);
    m_filterTimer->setSingleShot(true);
    m_filterTimer->setInterval(200);
    connect(m_filterTimer, &QTimer::timeout, this,
            [this] { Guarded([this] { Filter(SearchEdit->text()); }); });
    connect(SearchEdit, &QLineEdit::textChanged, m_filterTimer, qOverload<>(&QTimer::start));
    connect(m_employees, &TDataSet::DataChanged, this, &TEmployeeChooserDialog::UpdateButtons);

    auto* search = new QHBoxLayout;
    search->addWidget(searchLabel);
    search->addWidget(SearchEdit, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addWidget(EmployeeDBG, 1);
    layout->addWidget(buttons);

    Filter(QString());
    SearchEdit->setFocus();
}

void TEmployeeChooserDialog::Filter(const QString& text) {
    QStringList conditions;
    for (const QString& word : text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts))
        conditions << QStringLiteral("CONCAT_WS(' ', lastname, firstname, code, vocation) LIKE ") +
                          LikeAnywhere(m_connection, word);
    QString sql =
        QStringLiteral("SELECT employeeid, lastname, firstname, code, vocation, active FROM employee");
    if (!conditions.isEmpty()) sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY employeeid");
    THourGlass hourGlass({m_employees});
    m_employees->Close();
    m_employees->SetSQL(sql);
    m_employees->Open();
    // in the order of the Serbian alphabet (Č, Ć, Đ after C and D), which the server's collation does not
    // know
    m_employees->SetSortedFields(QStringLiteral("lastname ASC, firstname ASC"));
    m_employees->First();
}

bool TEmployeeChooserDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched != SearchEdit || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
        QCoreApplication::sendEvent(EmployeeDBG, event);
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (m_filterTimer->isActive()) { // the list must show what was typed before choosing from it
            m_filterTimer->stop();
            Guarded([this] { Filter(SearchEdit->text()); });
        }
        if (EmployeeID() > 0) accept();
        return true;
    }
    return false;
}

qint64 TEmployeeChooserDialog::EmployeeID() const {
    if (!m_employees->Active() || m_employees->IsEmpty()) return 0;
    return m_employees->FieldByName(QStringLiteral("employeeid"))->AsLargeInt();
}

void TEmployeeChooserDialog::UpdateButtons() {
    const bool any = m_employees->Active() && !m_employees->IsEmpty();
    m_choose->setEnabled(any);
    m_edit->setEnabled(any);
}

void TEmployeeChooserDialog::NewEmployee() {
    Edit(0);
}

void TEmployeeChooserDialog::EditEmployee() {
    if (EmployeeID() > 0) Edit(EmployeeID());
}

void TEmployeeChooserDialog::Edit(qint64 employeeID) {
    Guarded([&] {
        TEmployeeEditDialog form(m_connection, employeeID, this);
        if (TDialogScript::Unattended() || form.exec() != QDialog::Accepted) return;
        ShowStored(form.EmployeeID());
    });
}

void TEmployeeChooserDialog::ShowStored(qint64 employeeID) {
    // the stored one is shown, also when the search would leave it out
    Filter(SearchEdit->text());
    if (!m_employees->Locate(QStringLiteral("employeeid"), employeeID)) {
        SearchEdit->blockSignals(true);
        SearchEdit->clear();
        SearchEdit->blockSignals(false);
        Filter(QString());
        m_employees->Locate(QStringLiteral("employeeid"), employeeID);
    }
    EmployeeDBG->setFocus();
}

// ---------------------------------------------------------------- details

TEmployeeDetailsDialog::TEmployeeDetailsDialog(const TDataSet& employee, TZConnection& connection,
                                               QWidget* parent)
    : QDialog(parent) {
    auto text = [&](const char* name) {
        const TField* f = employee.FindField(QString::fromLatin1(name));
        return f ? f->DisplayText() : QString();
    };
    auto date = [&](const char* name) {
        const TField* f = employee.FindField(QString::fromLatin1(name));
        return f && !f->IsNull() ? FormatDateTime(QStringLiteral("dd.mm.yyyy"), f->AsDateTime()) : QString();
    };
    setWindowTitle(_CON_EMPLOYEE_CAP + QStringLiteral(": ") + text("lastname") + QLatin1Char(' ') +
                   text("firstname"));
    QString state;
    if (const TField* f = employee.FindField(QStringLiteral("workingstateid")); f && !f->IsNull()) {
        const TResultSet rs =
            connection.Select(QStringLiteral("SELECT description FROM workingstate WHERE workingstateid = %1")
                                  .arg(f->AsLargeInt()));
        if (!rs.rows.empty()) state = rs.rows[0][0].toString();
    }
    const TField* active = employee.FindField(QStringLiteral("active"));
    const std::pair<QString, QString> rows[] = {
        {QStringLiteral("Prezime"), text("lastname")},
        {QStringLiteral("Ime"), text("firstname")},
        {QStringLiteral("Šifra"), text("code")},
        {QStringLiteral("JMBG"), text("personalidentificator")},
        {QStringLiteral("Radno mesto"), text("vocation")},
        {QStringLiteral("Organizaciona jedinica"), text("organizationunit")},
        {QStringLiteral("Vrsta ugovora"), text("contracttype")},
        {QStringLiteral("Datum početka rada"), date("startworkingdate")},
        {QStringLiteral("Radni status"), state},
        {QStringLiteral("Aktivan"),
         active && !active->IsNull() ? (active->AsBoolean() ? _YES_CAP : _NO_CAP) : QString()},
    };
    auto* form = new QFormLayout;
    for (const auto& [label, value] : rows) {
        auto* field = new QLabel(value, this);
        field->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(label + QLatin1Char(':'), field);
    }
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(_CMN_CLOSE_CAP, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}
