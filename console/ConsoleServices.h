// SPDX-License-Identifier: GPL-3.0-or-later
// The services the console offers its modules: the connection and login
// (security), the employee chooser, and the console itself with its print grid
// and print wizard.
#pragma once

#include "host/console/HostIntf.h"
#include "host/data/Database.h"
#include "host/ui/DBGrid.h"

#include <QHash>
#include <QPointer>

class TSecurityService : public ISecurityService {
public:
    // How often a refused password is asked for again within one login.
    static constexpr int LoginAttempts = 3;

    // askPassword: the password is asked for when the session opens.
    TSecurityService(const TConnectionParams& params, bool askPassword);
    TZConnection* GetConnection() override { return &m_connection; }
    // Asks for the password until the server takes it (at most LoginAttempts
    // times; then it throws). A cancelled login leaves the connection closed
    // and LoginCancelled() true.
    void OpenSession() override;
    bool LoginCancelled() const { return m_loginCancelled; }

private:
    void Login();
    TZConnection m_connection;
    bool m_askPassword;
    bool m_passwordAccepted = false;
    bool m_loginCancelled = false;
};

class TEmployeeChooser : public IEmployeeChooser {
public:
    explicit TEmployeeChooser(std::shared_ptr<ISecurityService> security);
    bool ChooseEmployee(std::shared_ptr<TDataSet>& employee) override;
    bool ChooseEmployeeDesc(TEmployeeDesc& desc) override;
    void ShowEmployee(qint64 employeeID) override;
    // The identifier the user picks from the searchable list; 0 when cancelled.
    // Scripted through TDialogScript::SetNextEmployee.
    qint64 PickEmployee();

private:
    TZConnection& Connection(); // with its session open
    std::shared_ptr<TDataSet> Employee(qint64 employeeID);
    std::shared_ptr<ISecurityService> m_security;
};

class TConsole : public IConsole {
public:
    TConsole() = default;
    void AddService(const QUuid& iid, std::shared_ptr<IInterface> service);
    std::shared_ptr<IInterface> GetService(const QUuid& iid) override;
    // The print wizard (_CMN_PRINT_WIZ_NAME) prints the print grid.
    bool RunModule(const QString& moduleName, const QString& params) override;
    TDBGrid* GetPrintGrid() const override { return m_printGrid; }
    void SetPrintGrid(TDBGrid* grid) override { m_printGrid = grid; }

private:
    QHash<QUuid, std::shared_ptr<IInterface>> m_services;
    QPointer<TDBGrid> m_printGrid;
};
