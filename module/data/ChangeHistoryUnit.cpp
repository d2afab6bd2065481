// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/data/ChangeHistoryUnit.h"

#include "host/data/Employees.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/data/ZQuery.h"
#include "host/ui/DBGrid.h"
#include "host/ui/DateEdit.h"
#include "host/ui/Dialogs.h"
#include "module/HorloResourceString.h"
#include "module/ModuleConsole.h"
#include "module/data/ChangeHistory.h"
#include "module/data/HorloDMUnit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

TDateEdit* DatePicker(QWidget* parent, const QString& caption, const QDate& date) {
    auto* picker = new TDateEdit(parent);
    picker->setCaption(caption);
    picker->setDate(date);
    return picker;
}

} // namespace

THistoryForm::THistoryForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("HistoryForm"));
    setWindowTitle(QStringLiteral("Istorija izmena"));
    setAttribute(Qt::WA_DeleteOnClose);

    const QDate today = Now().date();
    FromDTP = DatePicker(this, QStringLiteral("Od"), today.addDays(-30));
    ToDTP = DatePicker(this, QStringLiteral("Do"), today);
    CodeEdit = new QLineEdit(this);
    CodeEdit->setPlaceholderText(QStringLiteral("svi"));
    ShowButton = new QPushButton(QStringLiteral("&Prikaži"), this);
    ShowButton->setDefault(true);
    PrintButton = new QPushButton(QStringLiteral("Š&tampaj"), this);
    CloseButton = new QPushButton(QStringLiteral("&Zatvori"), this);
    for (QPushButton* b : {PrintButton, CloseButton})
        b->setAutoDefault(false);
    TotalLabel = new QLabel(QStringLiteral("0"), this);

    // a read-only list read a page at a time: the history only grows
    HistoryZQ = new TZQuery(HorloDM->ZConnection(), this);
    HistoryZQ->setObjectName(QStringLiteral("HistoryZQ"));
    HistoryZQ->ReadOnly = true;
    HistoryZQ->SetFetchOnDemand(200);
    for (const auto& [name, title] : HistoryColumns()) {
        const bool number = name == QLatin1String("horlohistoryid") || name == QLatin1String("recordid");
        TField* f = HistoryZQ->AddField(name,
                                        name == QLatin1String("changetime") ? TFieldType::DateTime
                                        : number                            ? TFieldType::LargeInt
                                                                            : TFieldType::String,
                                        0);
        f->DisplayLabel = title;
    }
    HistoryZQ->FieldByName(QStringLiteral("changetime"))->DisplayFormat =
        QStringLiteral("dd.mm.yyyy hh:nn:ss");
    const auto shown = [](QString (*text)(const QString&)) {
        return [text](const TField& f, bool) { return text(f.AsString()); };
    };
    HistoryZQ->FieldByName(QStringLiteral("action"))->OnGetText = shown(&HistoryActionText);
    HistoryZQ->FieldByName(QStringLiteral("tablename"))->OnGetText = shown(&HistoryTableText);
    HistoryZQ->FieldByName(QStringLiteral("oldvalues"))->OnGetText = shown(&HistoryValuesText);
    HistoryZQ->FieldByName(QStringLiteral("newvalues"))->OnGetText = shown(&HistoryValuesText);

    HistoryDBG = new TDBGrid(this);
    HistoryDBG->setObjectName(QStringLiteral("HistoryDBG"));
    HistoryDBG->SetDataSource(new TDataSource(HistoryZQ, this));
    HistoryDBG->SetReadOnly(true);
    for (const auto& [name, title] : HistoryColumns())
        if (name != QLatin1String("horlohistoryid"))
            HistoryDBG->AddColumn(name, name.endsWith(QLatin1String("values")) ? 260 : 0);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Od:"), this));
    top->addWidget(FromDTP);
    top->addWidget(new QLabel(QStringLiteral("Do:"), this));
    top->addWidget(ToDTP);
    top->addWidget(new QLabel(QStringLiteral("Kod zaposlenog:"), this));
    top->addWidget(CodeEdit);
    top->addWidget(ShowButton);
    top->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("Ukupno:"), this));
    bottom->addWidget(TotalLabel);
    bottom->addStretch(1);
    bottom->addWidget(PrintButton);
    bottom->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(HistoryDBG, 1);
    layout->addLayout(bottom);
    resize(1100, 560);

    connect(ShowButton, &QPushButton::clicked, this, [this] { Guarded([this] { ShowButtonClick(); }); });
    connect(PrintButton, &QPushButton::clicked, this, [this] { Guarded([this] { PrintButtonClick(); }); });
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::close);
    Guarded([this] { ShowButtonClick(); });
}

void THistoryForm::ShowButtonClick() {
    if (!HistoryZQ->Connection()) throw EDatabaseError(_CMN_DB_NOT_CONNECTED_ERR);
    if (!FromDTP->CheckDate() || !ToDTP->CheckDate()) return;
    const THistoryFilter filter{FromDTP->date(), ToDTP->date(), CodeEdit->text().trimmed()};
    if (filter.from > filter.to) {
        ShowWarning(Format(_PERIOD_REVERSED_FMT, {FromDTP->text(), ToDTP->text()}));
        return;
    }
    if (!filter.code.isEmpty() && !EmployeeByCode(*HistoryZQ->Connection(), filter.code)) {
        ShowWarning(Format(_HISTORY_NO_CODE_WRN, {filter.code}));
        return;
    }
    THourGlass hourGlass;
    HistoryZQ->Close();
    HistoryZQ->SetSQL(HistoryStatement(*HistoryZQ->Connection(), filter));
    HistoryZQ->SetSortedFields(QStringLiteral("horlohistoryid ASC"));
    HistoryZQ->Open();
    TotalLabel->setText(QString::number(HistoryZQ->RecordCount()));
    m_shown = filter;
}

void THistoryForm::PrintButtonClick() {
    // the period and employee the list was shown for
    QString header =
        Format(_PRINT_HEADER_FMT, {FormatDateTime(QStringLiteral("dd.mm.yyyy"), WallClock(m_shown.from)),
                                   FormatDateTime(QStringLiteral("dd.mm.yyyy"), WallClock(m_shown.to))});
    if (!m_shown.code.isEmpty()) header += QStringLiteral("\r\nKod zaposlenog: ") + m_shown.code;
    PrintThroughConsole(HistoryDBG, PrintParams(windowTitle(), header));
}
