#include "module/device/ImportEventUnit.h"

#include "module/device/ImportDriver.h"

#include "host/data/SysUtils.h"
#include "host/ui/Dialogs.h"
#include "module/HorloResourceString.h"
#include "module/data/HorloDMUnit.h"
#include "module/device/RawEventProcessing.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
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
    DeviceIPLabel = new QLabel(QStringLiteral("IP adresa"), this);
    DeviceNameLabel = new QLabel(QStringLiteral("Ime"), this);
    QFont bold = DeviceIPLabel->font();
    bold.setBold(true);
    DeviceIPLabel->setFont(bold);
    DeviceNameLabel->setFont(bold);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setRange(0, 0);
    ProgressBar->setValue(0);
    ProgressBar->setVisible(false);

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
    m_import.SetAccessPoints(ReadableAccessPoints(*HorloDM->HorloAccessPointZQ));

    m_import.OnDeviceStarted = [this](const TAccessPoint& ap) {
        DeviceIPLabel->setText(ap.localIp);
        DeviceNameLabel->setText(ap.name);
        ProgressBar->setValue(0);
        ProgressBar->setVisible(true);
    };
    m_import.OnDeviceFinished = [this](const TAccessPoint& ap, const TDownloadOutcome& outcome) {
        m_storedElsewhere += outcome.decoded.storedElsewhere;
        if (!outcome.warning.isEmpty())
            m_warnings << QStringLiteral("%1 (%2): %3").arg(ap.name, ap.localIp, outcome.warning);
    };
    m_import.OnChainEnded = [this](bool completed) {
        // after the current tick: a message box runs its own event loop
        QTimer::singleShot(0, this, [this, completed] { ChainEnded(completed); });
    };
    m_driver = std::make_unique<TImportDriver>(m_import);
    m_driver->OnTick = [this] {
        const TLogDownload& download = m_import.Download();
        ProgressBar->setMaximum(int(download.TotalBlocks()));
        ProgressBar->setValue(int(download.BlocksDone()));
    };
    ReplyWatchdogTicker = &m_driver->WatchdogTicker();
    MemPacketTicker = &m_driver->BlockTicker();
}

TImportEventForm::~TImportEventForm() = default;

void TImportEventForm::SetBusy(bool busy) {
    // a download and the processing share the connection and the progress bar
    ImportAction->setEnabled(!busy);
    ProcessingAction->setEnabled(!busy);
}

void TImportEventForm::ImportActionExecute() {
    if (m_import.Running() || !m_import.Begin()) return; // at the end of the list nothing happens
    if (m_import.Running()) SetBusy(true);
}

void TImportEventForm::ChainEnded(bool completed) {
    ProgressBar->setValue(0);
    ProgressBar->setVisible(false);
    SetBusy(false);
    if (completed) {
        QString text = _IMPORT_EVENT_INF;
        if (m_storedElsewhere > 0)
            text += QLatin1Char('\n') + Format(_IMPORTED_ELSEWHERE_FMT, {m_storedElsewhere});
        m_storedElsewhere = 0;
        if (!m_warnings.isEmpty()) {
            ShowWarning(text + QLatin1Char('\n') + m_warnings.join(QLatin1Char('\n')));
            m_warnings.clear();
            return;
        }
        ShowInformation(text);
        return;
    }
    // the next "Uvoz" starts again at this access point
    const TDownloadOutcome outcome = m_import.Download().Outcome();
    const TAccessPoint& ap = m_import.AccessPoints()[m_import.Current()];
    // a device that could not be reached: the connection error first, then which device and why
    const QString text = QStringLiteral("%1 (%2): %3").arg(ap.name, ap.localIp, outcome.reason);
    ShowError(outcome.failure == TDownloadFailure::Connection
                  ? QString::fromUtf8(_DEVICE_CONNECT_ERR) + QLatin1Char('\n') + text
                  : text);
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
    QString text = _PROCESSED_EVENT_INF;
    if (result.processedElsewhere > 0)
        text += QLatin1Char('\n') + Format(_PROCESSED_ELSEWHERE_FMT, {result.processedElsewhere});
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
