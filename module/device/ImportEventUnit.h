// SPDX-License-Identifier: GPL-3.0-or-later
// The import dialog: downloads the logs of the door devices ("Uvoz") and turns
// the raw records into events ("Obrada"). The work itself is done by
// TEventImport and TRawEventProcessor; the dialog runs their tickers and shows
// where they are.
#pragma once

#include "host/ui/WheelToKey.h"
#include "module/device/LogDownload.h"

#include <QDialog>
#include <QElapsedTimer>

#include <memory>
#include <utility>
#include <vector>

class QAction;
class QLabel;
class QProgressBar;
class QTimer;
class TImportDriver;
class QPushButton;

// The download's protocol instance; it lives as long as the module.
TDeviceProtocol& ImportEventProtocol();

class TImportEventForm : public QDialog {
    Q_OBJECT
public:
    explicit TImportEventForm(QWidget* parent = nullptr);
    ~TImportEventForm() override;

    QAction* ImportAction;
    QAction* ProcessingAction;
    QPushButton* ImportButton;
    QPushButton* ProcessingButton;
    QPushButton* CloseButton;
    QLabel* DeviceIPLabel;
    QLabel* DeviceNameLabel;
    QProgressBar* ProgressBar;
    QLabel* WaitingLabel; // "Čeka se odgovor uređaja… 3 s" while a device is silent

    void ImportActionExecute();
    void ProcessingActionExecute();
    TEventImport& Import() { return m_import; }

    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ChainEnded();
    void SetBusy(bool busy);
    void FormClose();

    TEventImport m_import;
    std::unique_ptr<TImportDriver> m_driver; // destroyed before the chain it drives
    TWheelHook m_wheelHook;
    bool m_closed = false;
    // how long the device being read has sent nothing new
    QTimer* m_waitTimer;
    QElapsedTimer m_quiet;
    qint64 m_lastBlocks = -1;
    std::vector<std::pair<TAccessPoint, TDownloadOutcome>> m_outcomes; // of the running "Uvoz"
};
