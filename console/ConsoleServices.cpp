// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/ConsoleServices.h"

#include "console/ConsoleStrings.h"
#include "console/EmployeeChooserDialog.h"
#include "console/PrintWizard.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/data/ZQuery.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Dialogs.h"

#include <QApplication>

// ---------------------------------------------------------------- security

TSecurityService::TSecurityService(const TConnectionParams& params, bool askPassword)
    : m_connection(params), m_askPassword(askPassword) {}

namespace {

// The server refused the user or the password (not: the server is away).
bool LoginRefused(const EDatabaseError& error) {
    return error.ErrorCode() == 1045 || error.ErrorCode() == 1698;
}

} // namespace

void TSecurityService::OpenSession() {
    m_loginCancelled = false;
    if (m_connection.Connected()) return;
    if (!m_askPassword || m_passwordAccepted) {
        try {
            m_connection.Connect();
            return;
        } catch (const EDatabaseError& e) {
            if (!m_askPassword || !LoginRefused(e)) throw;
            m_passwordAccepted = false; // changed meanwhile: ask again
        }
    }
    Login();
}

void TSecurityService::Login() {
    const QString where = m_connection.Params().ToDisplayString();
    QString refused;
    for (int attempt = 1; attempt <= LoginAttempts; ++attempt) {
        QString password;
        const QString prompt =
            Format(refused.isEmpty() ? _CON_PASSWORD_FMT : _CON_PASSWORD_AGAIN_FMT, {where});
        if (!InputPassword(_CON_LOGIN_CAP, prompt, password)) {
            m_loginCancelled = true;
            return;
        }
        TConnectionParams params = m_connection.Params();
        params.password = password;
        m_connection.SetParams(params);
        try {
            m_connection.Connect();
            m_passwordAccepted = true;
            return;
        } catch (const EDatabaseError& e) {
            if (!LoginRefused(e)) throw;
            refused = e.Message();
        }
    }
    throw EDatabaseError(Format(_CON_LOGIN_FAILED_FMT, {LoginAttempts, refused}));
}

// ---------------------------------------------------------------- employees

TEmployeeChooser::TEmployeeChooser(std::shared_ptr<ISecurityService> security)
    : m_security(std::move(security)) {}

TZConnection& TEmployeeChooser::Connection() {
    m_security->OpenSession();
    return *m_security->GetConnection();
}

qint64 TEmployeeChooser::PickEmployee() {
    TDialogScript::Record(QStringLiteral("employee"), _CON_CHOOSE_EMPLOYEE_CAP);
    if (auto scripted = TDialogScript::TakeEmployee()) return *scripted;
    if (TDialogScript::Unattended()) return 0;
    TEmployeeChooserDialog dialog(Connection(), QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted ? dialog.EmployeeID() : 0;
}

std::shared_ptr<TDataSet> TEmployeeChooser::Employee(qint64 employeeID) {
    auto query = std::make_shared<TZQuery>(&Connection());
    query->setObjectName(QStringLiteral("EmployeeZQ"));
    query->SetSQL(QStringLiteral("SELECT * FROM employee WHERE employeeid = %1").arg(employeeID));
    query->Open();
    if (query->IsEmpty()) return nullptr;
    return query;
}

bool TEmployeeChooser::ChooseEmployee(std::shared_ptr<TDataSet>& employee) {
    const qint64 id = PickEmployee();
    if (id <= 0) return false;
    employee = Employee(id);
    return employee != nullptr;
}

bool TEmployeeChooser::ChooseEmployeeDesc(TEmployeeDesc& desc) {
    std::shared_ptr<TDataSet> employee;
    if (!ChooseEmployee(employee)) return false;
    desc.employeeId = employee->FieldByName(QStringLiteral("employeeid"))->AsLargeInt();
    desc.firstName = employee->FieldByName(QStringLiteral("firstname"))->AsString();
    desc.lastName = employee->FieldByName(QStringLiteral("lastname"))->AsString();
    desc.code = employee->FieldByName(QStringLiteral("code"))->AsString();
    return true;
}

void TEmployeeChooser::ShowEmployee(qint64 employeeID) {
    std::shared_ptr<TDataSet> employee = Employee(employeeID);
    if (!employee) throw EDatabaseError(Format(_CON_EMPLOYEE_MISSING_ERR, {employeeID}));
    TDialogScript::Record(QStringLiteral("employee details"), QString::number(employeeID));
    if (TDialogScript::Unattended()) return;
    TEmployeeDetailsDialog dialog(*employee, Connection(), QApplication::activeWindow());
    dialog.exec();
}

// ---------------------------------------------------------------- console

void TConsole::AddService(const QUuid& iid, std::shared_ptr<IInterface> service) {
    m_services.insert(iid, std::move(service));
}

std::shared_ptr<IInterface> TConsole::GetService(const QUuid& iid) {
    return m_services.value(iid);
}

bool TConsole::RunModule(const QString& moduleName, const QString& params) {
    if (moduleName != _CMN_PRINT_WIZ_NAME) {
        ShowError(Format(_CMN_NO_MODULE, {moduleName}));
        return false;
    }
    if (!m_printGrid) {
        ShowWarning(_CON_NOTHING_TO_PRINT_WRN);
        return true;
    }
    TPrintWizard wizard(m_printGrid, params);
    wizard.Exec(QApplication::activeWindow());
    return true;
}
