// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/ConsoleWindow.h"

#include "console/ConsoleServices.h"
#include "console/ConsoleStrings.h"
#include "host/console/NavigatorForm.h"
#include "host/data/DataSet.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/Dialogs.h"
#include "host/ui/Mnemonics.h"

#include "HorloVersion.h"

#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The console's name and version, which a user reports with a fault.
QString AppCaption() {
    return QString(_CON_APP_CAP) + QLatin1Char(' ') + QLatin1String(kHorloVersion);
}

} // namespace

TConsoleWindow::TConsoleWindow(std::shared_ptr<TConsole> console, const QString& connectionText)
    : m_console(std::move(console)), m_connectionText(connectionText) {
    setWindowTitle(AppCaption());
    resize(1180, 720);

    QMenu* file = menuBar()->addMenu(_CON_FILE_MENU);
    QAction* print = file->addAction(_CON_PRINT_CAP, this, [this] { Guarded([this] { Print(); }); });
    print->setShortcut(QKeySequence::Print);
    file->addAction(_CON_RECONNECT_CAP, this, &TConsoleWindow::Reconnect);
    file->addSeparator();
    QAction* exit = file->addAction(_CON_EXIT_CAP, this, &QWidget::close);
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    QMenu* employees = menuBar()->addMenu(_CON_EMPLOYEES_MENU);
    employees->addAction(_CON_BROWSE_EMPLOYEES_CAP, this, [this] { Guarded([this] { BrowseEmployees(); }); });
    QMenu* help = menuBar()->addMenu(_CON_HELP_MENU);
    help->addAction(_CON_ABOUT_CAP, this, [this] {
        QMessageBox::about(this, QString(_CON_ABOUT_CAP).remove(QLatin1Char('&')), AboutText());
    });

    // left: who the snap-in is, then its navigator; right: its viewer
    m_left = new QWidget(this);
    m_leftLayout = new QVBoxLayout(m_left);
    m_leftLayout->setContentsMargins(6, 6, 6, 6);
    auto* header = new QFrame(m_left);
    header->setFrameShape(QFrame::StyledPanel);
    auto* headerLayout = new QHBoxLayout(header);
    m_image = new QLabel(header);
    m_image->setFixedSize(32, 32);
    m_image->setAlignment(Qt::AlignCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    m_name = new QLabel(header);
    QFont bold = m_name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    m_name->setFont(bold);
    m_description = new QLabel(header);
    m_description->setWordWrap(true);
    texts->addWidget(m_name);
    texts->addWidget(m_description);
    headerLayout->addWidget(m_image, 0, Qt::AlignTop);
    headerLayout->addLayout(texts, 1);
    m_leftLayout->addWidget(header);

    m_splitter = new QSplitter(this);
    m_splitter->addWidget(m_left);
    m_splitter->setChildrenCollapsible(false);
    setCentralWidget(m_splitter);

    m_status = new QLabel(this);
    m_records = new QLabel(this);
    statusBar()->addPermanentWidget(m_status, 1);
    statusBar()->addPermanentWidget(m_records);
    UpdateStatus();
    GiveMnemonics(menuBar());
}

TConsoleWindow::~TConsoleWindow() {
    CloseSnapin();
}

void TConsoleWindow::OpenSnapin(const std::shared_ptr<ISnapin>& snapin) {
    CloseSnapin();
    m_snapin = snapin;
    m_viewer = QueryInterface<IViewer>(snapin);
    m_navigator = QueryInterface<INavigable>(snapin);
    if (!m_viewer) throw std::runtime_error(Format(_CON_NO_VIEWER_ERR, {snapin->GetName()}).toStdString());

    m_name->setText(snapin->GetName());
    m_description->setText(snapin->GetDescription());
    const QImage image = snapin->GetImage();
    m_image->setPixmap(
        QPixmap::fromImage(image.scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    // the snap-in's name once: a caption that names it already gets its description
    setWindowTitle(AppCaption() + QStringLiteral(" – ") +
                   (AppCaption().contains(snapin->GetName()) ? snapin->GetDescription() : snapin->GetName()));

    m_viewer->InternalCreateFrame();
    if (m_navigator) m_navigator->InternalCreateFrame();
    if (m_navigator && m_navigator->GetFrame()) m_leftLayout->addWidget(m_navigator->GetFrame(), 1);
    if (QWidget* frame = m_viewer->GetFrame()) m_splitter->addWidget(frame);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({300, 880});

    m_snapinMenu = new QMenu(snapin->GetName(), this);
    for (QAction* action : m_viewer->GetActionList())
        if (!action->menu()) m_snapinMenu->addAction(action);
    menuBar()->insertMenu(menuBar()->actions().value(1), m_snapinMenu);
    GiveMnemonics(menuBar());

    if (TDataSet* data = snapin->GetDataSet())
        m_recordsConnection = connect(data, &TDataSet::DataChanged, this, &TConsoleWindow::UpdateRecordCount);
    UpdateRecordCount();

    Guarded([&] { m_viewer->Load(snapin); });
    m_viewer->Show();
    if (m_navigator) Guarded([&] { m_navigator->ShowNavigator(); });
    GiveMnemonics(this); // the navigator's button, now shown
    UpdateStatus();
}

void TConsoleWindow::CloseSnapin() {
    disconnect(m_recordsConnection);
    if (m_viewer) {
        m_viewer->Hide();
        m_viewer->InternalDestroyFrame();
    }
    if (m_navigator) {
        m_navigator->HideNavigator();
        m_navigator->InternalDestroyFrame();
    }
    delete m_snapinMenu;
    m_viewer.reset();
    m_navigator.reset();
    m_snapin.reset();
}

TCustomNavigatorForm* TConsoleWindow::NavigatorForm() const {
    return m_navigator ? qobject_cast<TCustomNavigatorForm*>(m_navigator->GetFrame()) : nullptr;
}

QString TConsoleWindow::PresetSearch(const QList<std::pair<QString, QString>>& keys) {
    TCustomNavigatorForm* form = NavigatorForm();
    if (!form) return keys.isEmpty() ? QString() : _CON_NO_NAVIGATOR_ERR;
    for (const auto& [key, value] : keys) {
        if (!form->SearchVLE->HasKey(key))
            return Format(_CON_SEARCH_KEY_ERR, {key, form->SearchVLE->Keys().join(QStringLiteral(", "))});
        form->SearchVLE->SetValues(key, value);
    }
    // a value the navigator cannot search for is named by its check; any other
    // error is the search's own, shown by it
    try {
        form->ParseSQL();
    } catch (const EConvertError& e) {
        return e.Message();
    } catch (...) {
    }
    Guarded([form] { form->FindButtonClick(); });
    return {};
}

void TConsoleWindow::Print() {
    const QString title = m_snapin ? m_snapin->GetDescription() : _CON_APP_CAP;
    QString header = Format(_CON_PRINTED_FMT, {FormatDateTime(QStringLiteral("dd.mm.yyyy hh:nn"), Now())});
    // the search that made the list
    if (const TCustomNavigatorForm* form = NavigatorForm())
        for (const QString& key : form->SearchDescription())
            header += QStringLiteral("\r\n") + key;
    m_console->RunModule(_CMN_PRINT_WIZ_NAME,
                         QStringLiteral("title:") + title + QStringLiteral(";header:") + header);
}

void TConsoleWindow::Reconnect() {
    if (m_viewer) Guarded([&] { m_viewer->Load(m_snapin); });
    if (m_navigator) Guarded([&] { m_navigator->ShowNavigator(); });
    UpdateStatus();
}

QString TConsoleWindow::AboutText() const {
    // where the private server keeps its data: the folder above its socket's
    const QString home =
        QFileInfo(QFileInfo(TConnectionParams::PrivateServer().socket).absolutePath()).absolutePath();
    return Format(_CON_ABOUT_FMT, {m_snapin ? m_snapin->GetName() : QStringLiteral("-")}) +
           Format(_CON_ABOUT_DATA_FMT, {QLatin1String(kHorloVersion), m_connectionText, home});
}

void TConsoleWindow::BrowseEmployees() {
    auto chooser = ConsoleService<IEmployeeChooser>(m_console.get());
    TEmployeeDesc desc;
    if (chooser && chooser->ChooseEmployeeDesc(desc)) chooser->ShowEmployee(desc.employeeId);
    UpdateStatus();
}

void TConsoleWindow::UpdateRecordCount() {
    const TDataSet* data = m_snapin ? m_snapin->GetDataSet() : nullptr;
    m_records->setText(data && data->Active() ? Format(_CON_RECORDS_FMT, {data->RecordCount()}) : QString());
}

void TConsoleWindow::UpdateStatus() {
    auto security = ConsoleService<ISecurityService>(m_console.get());
    const bool connected = security && security->GetConnection()->Connected();
    m_status->setText(Format(connected ? _CON_CONNECTED_FMT : _CON_NOT_CONNECTED_FMT, {m_connectionText}));
}
