// SPDX-License-Identifier: GPL-3.0-or-later
// The card dialog ("ID kartice"): the access cards, tying them to employees,
// writing them to the door devices, and the devices' clock, lock, unlock and
// fire commands. The device work is TDeviceCommands'; the dialog keeps its
// controls disabled and the busy cursor up while an operation runs, and names
// the door being asked in a progress window.
#pragma once

#include "host/ui/CachedEditDialog.h"
#include "host/ui/WheelToKey.h"
#include "module/device/DeviceCommands.h"

#include <QColor>

#include <functional>

class QAction;
class QCheckBox;
class QDateTimeEdit;
class QLineEdit;
class QPushButton;
class TDBGrid;
class TDBNavigator;

// The card dialog's protocol instance; it lives as long as the module.
TDeviceProtocol& EmployeeCardProtocol();

class TEmployeeCardForm : public TCachedEditDialog {
    Q_OBJECT
public:
    explicit TEmployeeCardForm(QWidget* parent = nullptr);
    ~TEmployeeCardForm() override;

    QLineEdit* CardIDEdit;
    QLineEdit* CardCodeEdit;
    QPushButton* FindButton;
    QPushButton* RefreshTimeButton;
    QPushButton* LockButton;
    QPushButton* UnlockButton;
    QPushButton* FireButton;
    TDBNavigator* Navigator;
    QPushButton* ConnectEmployeeButton;
    QPushButton* DisconnectEmployeeButton;
    // A tie or untie takes effect now, or from the moment given here.
    QCheckBox* HolderFromCB;
    QDateTimeEdit* HolderFromDTE;
    QPushButton* SendToDevicesButton;
    TDBGrid* EmployeeCardDBG;
    QPushButton* PrintButton;
    QAction* OKAction;
    QAction* ApplyAction;
    QAction* CancelAction;
    QPushButton* OKButton;
    QPushButton* ApplyButton;
    QPushButton* CancelButton;

    void OKActionExecute();
    void ApplyActionExecute();
    void CancelActionExecute();
    void ApplyActionUpdate();
    void ConnectEmployeeButtonClick();
    void DisconnectEmployeeButtonClick();
    void ChangeHolder(qint64 employeeId);
    QColor EmployeeCardDBGDrawColumnCell(int row, int column) const;
    void PrintButtonClick();
    void FindButtonClick();
    void SendToDevicesButtonClick();
    void RefreshTimeButtonClick();
    void LockButtonClick();
    void UnlockButtonClick();
    void FireButtonClick();

    // The device work, for tests and tools that pace it differently.
    TDeviceCommands& Commands() { return m_commands; }
    bool Busy() const override { return m_busy; }

private:
    void FormCreate();
    void RelayOperation(const QPushButton* button, TRelayOperation operation, const QString& done);
    void RunDeviceOperation(const QString& caption, const std::function<TDeviceRun()>& operation,
                            const QString& done);
    void SetBusy(bool busy);

    TDeviceCommands m_commands;
    TWheelHook m_wheelHook;
    bool m_busy = false;
};
