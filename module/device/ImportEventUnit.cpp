// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/ImportEventUnit.h"

#include "module/device/ImportDriver.h"

#include "host/data/SysUtils.h"
#include "host/ui/Dialogs.h"
#include "module/HorloResourceString.h"
#include "module/data/HorloDMUnit.h"
#include "module/device/RawEventProcessing.h"

#include <QAction>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QStringList>
#include <QTimer>
#include <QVBoxLayout>

TDeviceProtocol& ImportEventProtocol() {
    static TDeviceProtocol protocol(rsIdle);
    return protocol;
}

TImportEventForm::TImportEventForm(QWidget* parent)
    : QDialog(parent), m_import(ImportEventProtocol(), *HorloDM->ZConnection()) {
    setObjectName(QStringLiteral("ImportEventForm"));
    setWindowTitle(QStringLiteral("Uvoz iz uređaja"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* deviceLabel = new QLabel(QStringLiteral("Uređaj:"), this);
    // empty until a device is being read
    DeviceIPLabel = new QLabel(this);
    DeviceNameLabel = new QLabel(this);
    QFont bold = DeviceIPLabel->font();
    bold.setBold(true);
    DeviceIPLabel->setFont(bold);
    DeviceNameLabel->setFont(bold);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setRange(0, 0);
    ProgressBar->setValue(0);
    ProgressBar->setVisible(false);
    WaitingLabel = new QLabel(this);
    WaitingLabel->setVisible(false);
    m_waitTimer = new QTimer(this);
    m_waitTimer->setInterval(500);
    connect(m_waitTimer, &QTimer::timeout, this, [this] {
        const qint64 blocks = m_import.Running() ? qint64(m_import.Download().BlocksDone()) : -1;
        if (blocks != m_lastBlocks) {
            m_lastBlocks = blocks;
            m_quiet.start();
        }
        const bool silent = m_import.Running() && m_quiet.elapsed() >= 1000;
        if (silent) WaitingLabel->setText(Format(_DEVICE_WAITING_FMT, {m_quiet.elapsed() / 1000}));
        WaitingLabel->setVisible(silent);
    });

    ImportAction = new QAction(QStringLiteral("Uvoz"), this);
    ProcessingAction = new QAction(QStringLiteral("Obrada"), this);
    ImportButton = new QPushButton(ImportAction->text(), this);
    ProcessingButton = new QPushButton(ProcessingAction->text(), this);
    CloseButton = new QPushButton(QStringLiteral("&Zatvori"), this);
    // the buttons follow their actions, which is what the busy states switch
    for (auto [button, action] :
         {std::pair{ImportButton, ImportAction}, {ProcessingButton, ProcessingAction}}) {
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::changed, button,
                [button, action] { button->setEnabled(action->isEnabled()); });
    }
    connect(ImportAction, &QAction::triggered, this, [this] { Guarded([this] { ImportActionExecute(); }); });
    connect(ProcessingAction, &QAction::triggered, this,
            [this] { Guarded([this] { ProcessingActionExecute(); }); });
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::close);

    auto* device = new QHBoxLayout;
    device->addWidget(deviceLabel);
    device->addWidget(DeviceIPLabel);
    device->addSpacing(12);
    device->addWidget(DeviceNameLabel, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ImportButton);
    buttons->addWidget(ProcessingButton);
    buttons->addStretch(1);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(device);
    layout->addWidget(ProgressBar);
    layout->addWidget(WaitingLabel);
    layout->addStretch(1);
    layout->addLayout(buttons);
    resize(420, 140);

    // FormCreate
    if (!HorloDM->EmployeeEventRawZQ->Active()) HorloDM->EmployeeEventRawZQ->Open();
    ImportEventProtocol().ZabraniSlanje = false;
    ImportEventProtocol().ReceiveState = rsIdle;
    HorloDM->HorloAccessPointZQ->Close();
    HorloDM->HorloAccessPointZQ->Open();
    HorloDM->HorloAccessPointZQ->First();

    m_import.OnDeviceStarted = [this](const TAccessPoint& ap) {
        DeviceIPLabel->setText(ap.localIp);
        DeviceNameLabel->setText(ap.name);
        ProgressBar->setValue(0);
        ProgressBar->setVisible(true);
        m_lastBlocks = -1; // a new device: its silence counts from now
        m_quiet.start();
    };
    m_import.OnDeviceFinished = [this](const TAccessPoint& ap, const TDownloadOutcome& outcome) {
        m_outcomes.emplace_back(ap, outcome);
    };
    m_import.OnChainEnded = [this] {
        // after the current tick: a message box runs its own event loop
        QTimer::singleShot(0, this, [this] { ChainEnded(); });
    };
    m_driver = std::make_unique<TImportDriver>(m_import);
    m_driver->OnTick = [this] {
        const TLogDownload& download = m_import.Download();
        ProgressBar->setMaximum(int(download.TotalBlocks()));
        ProgressBar->setValue(int(download.BlocksDone()));
    };
}

TImportEventForm::~TImportEventForm() = default;

void TImportEventForm::SetBusy(bool busy) {
    // a download and the processing share the connection and the progress bar
    ImportAction->setEnabled(!busy);
    ProcessingAction->setEnabled(!busy);
}

// Every "Uvoz" reads the access point list afresh and goes through all of it, past a
// device that fails, as `horlo import` does.
void TImportEventForm::ImportActionExecute() {
    if (m_import.Running()) return;
    TZQuery* accessPoints = HorloDM->HorloAccessPointZQ;
    accessPoints->Close();
    accessPoints->Open();
    m_import.SetAccessPoints(ReadableAccessPoints(*accessPoints));
    m_outcomes.clear();
    if (!m_import.Begin()) return; // no readable access point: nothing happens
    if (m_import.Running()) {
        SetBusy(true);
        m_waitTimer->start();
    }
}

// One summary, a line per access point: what it gave, or why it gave nothing. A
// device that could not be reached puts the connection error first.
void TImportEventForm::ChainEnded() {
    ProgressBar->setValue(0);
    ProgressBar->setVisible(false);
    m_waitTimer->stop();
    WaitingLabel->setVisible(false);
    DeviceIPLabel->clear();
    DeviceNameLabel->clear();
    SetBusy(false);
    QStringList lines;
    bool failed = false, unreached = false, attention = false;
    for (const auto& [ap, outcome] : m_outcomes) {
        lines << ap.Label() + QStringLiteral(": ") + OutcomeText(outcome);
        failed = failed || !outcome.ok;
        unreached = unreached || (!outcome.ok && outcome.failure == TDownloadFailure::Connection);
        attention = attention || NeedsAttention(outcome);
    }
    m_outcomes.clear();
    const QString doors = lines.join(QLatin1Char('\n'));
    if (failed)
        ShowError(unreached ? QString::fromUtf8(_DEVICE_CONNECT_ERR) + QLatin1Char('\n') + doors : doors);
    else if (attention)
        ShowWarning(QString::fromUtf8(_IMPORT_EVENT_INF) + QLatin1Char('\n') + doors);
    else
        ShowInformation(QString::fromUtf8(_IMPORT_EVENT_INF) + QLatin1Char('\n') + doors);
}

void TImportEventForm::ProcessingActionExecute() {
    if (m_import.Running()) return;
    THourGlass hourGlass;
    SetBusy(true);
    ProgressBar->setValue(0);
    ProgressBar->setVisible(true);
    const auto restore = qScopeGuard([this] {
        ProgressBar->setValue(0);
        ProgressBar->setVisible(false);
        SetBusy(false);
    });
    TRawEventProcessor processor(*HorloDM->ZConnection());
    processor.OnProgress = [this](int position, int maximum) {
        ProgressBar->setMaximum(maximum);
        ProgressBar->setValue(position);
        ProgressBar->repaint(); // painted now; no other event is handled meanwhile
    };
    const TProcessResult result = processor.Run();
    HorloDM->RefreshEventList();
    QString text = QString::fromUtf8(_PROCESSED_EVENT_INF);
    for (const QString& part : ProcessSummary(result))
        text +=
            QLatin1Char('\n') + part + (part.endsWith(QLatin1Char('.')) ? QString() : QStringLiteral("."));
    ShowInformation(text);
}

// Every way of closing ends here: Esc and the close button through done, the close box
// and close() through closeEvent.
void TImportEventForm::FormClose() {
    if (m_closed) return;
    m_closed = true;
    m_driver->Stop();
    m_import.Stop(); // a device that was not complete stores nothing
    if (ImportEventProtocol().Endpoint().Active()) ShowError(_DEVICE_CONNECT_ERR);
}

void TImportEventForm::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TImportEventForm::closeEvent(QCloseEvent* event) {
    FormClose();
    QDialog::closeEvent(event);
}
