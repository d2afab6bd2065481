// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/worktime/HorloWorkCalendarUnit.h"

#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/ColourLegend.h"
#include "host/ui/DBGrid.h"
#include "host/ui/DBNavigator.h"
#include "host/ui/Dialogs.h"
#include "host/ui/GridKeys.h"
#include "host/ui/GridSorter.h"
#include "module/HorloResourceString.h"
#include "module/ModuleConsole.h"
#include "module/data/HorloDMUnit.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QColor NonWorkDayColour() {
    return QColor(255, 128, 128);
}

// Day names by QDate::dayOfWeek (1 Monday .. 7 Sunday).
QString DayName(int dayOfWeek) {
    static constexpr const char* names[] = {_WORK_CAL_DAY_2, _WORK_CAL_DAY_3, _WORK_CAL_DAY_4,
                                            _WORK_CAL_DAY_5, _WORK_CAL_DAY_6, _WORK_CAL_DAY_7,
                                            _WORK_CAL_DAY_1};
    return QString::fromUtf8(names[dayOfWeek - 1]);
}

} // namespace

int THorloWorkCalendarForm::LastYear() {
    return Now().date().year() + 1;
}

// Esc is the Cancel button's; the close box leaves the cache as it is
THorloWorkCalendarForm::THorloWorkCalendarForm(QWidget* parent)
    : TCachedEditDialog(HorloDM->HorloWorkCalendarZQ, TCloseBox::Keep, parent) {
    setObjectName(QStringLiteral("HorloWorkCalendarForm"));
    setWindowTitle(QStringLiteral("Radni kalendar"));
    setAttribute(Qt::WA_DeleteOnClose);
    TZQuery* calendar = HorloDM->HorloWorkCalendarZQ;

    YearCB = new QComboBox(this);
    YearCB->setObjectName(QStringLiteral("YearCB"));
    for (int year = FirstYear; year <= LastYear(); ++year)
        YearCB->addItem(QString::number(year));
    MonthCB = new QComboBox(this);
    MonthCB->setObjectName(QStringLiteral("MonthCB"));
    for (int month = 1; month <= 12; ++month)
        MonthCB->addItem(MonthName(month));

    HorloWorkCalendarDBN = new TDBNavigator(this);
    HorloWorkCalendarDBN->SetVisibleButtons({TDBNavigator::nbFirst, TDBNavigator::nbPrior,
                                             TDBNavigator::nbNext, TDBNavigator::nbLast, TDBNavigator::nbPost,
                                             TDBNavigator::nbCancel});
    HorloWorkCalendarDBN->SetDataSource(HorloDM->HorloWorkCalendarDS);
    AddAllButton = new QPushButton(QStringLiteral("Dodaj sve"), this);
    AddAllButton->setAutoDefault(false);

    HorloWorkCalendarDBG = new TDBGrid(this);
    HorloWorkCalendarDBG->setObjectName(QStringLiteral("HorloWorkCalendarDBG"));
    HorloWorkCalendarDBG->SetDataSource(HorloDM->HorloWorkCalendarDS);
    for (const char* field : {"year", "month", "workcalendardate", "dayname", "workday"}) {
        TDBGridColumn& column = HorloWorkCalendarDBG->AddColumn(QString::fromLatin1(field));
        column.readOnly = QLatin1String(field) != QLatin1String("workday");
        if (!column.readOnly) column.pickList = QStringList{_YES_CAP, _NO_CAP};
    }
    HorloWorkCalendarDBG->OnCellColor = [this](int row, int column) {
        return HorloWorkCalendarDBGDrawColumnCell(row, column);
    };
    HorloWorkCalendarDBG->setMinimumSize(460, 300);

    PrintButton = new QPushButton(QStringLiteral("Štampaj"), this);
    OKButton = new QPushButton(QStringLiteral("U redu"), this);
    ApplyButton = new QPushButton(QStringLiteral("Primeni"), this);
    CancelButton = new QPushButton(QStringLiteral("Otkaži"), this);
    OKButton->setDefault(true);
    for (QPushButton* b : {PrintButton, ApplyButton, CancelButton})
        b->setAutoDefault(false);
    OKAction = ButtonAction(OKButton, &THorloWorkCalendarForm::OKActionExecute);
    ApplyAction = ButtonAction(ApplyButton, &THorloWorkCalendarForm::ApplyActionExecute);
    CancelAction = ButtonAction(CancelButton, &THorloWorkCalendarForm::CancelActionExecute);
    SetEscapeButton(CancelButton);
    SetSaveHandler(&THorloWorkCalendarForm::ApplyActionExecute);
    OnClick(AddAllButton, &THorloWorkCalendarForm::AddAllButtonClick);
    OnClick(PrintButton, &THorloWorkCalendarForm::PrintButtonClick);
    connect(calendar, &TDataSet::DataChanged, this, &THorloWorkCalendarForm::ApplyActionUpdate);
    connect(calendar, &TDataSet::RecordChanged, this, &THorloWorkCalendarForm::ApplyActionUpdate);
    connect(calendar, &TDataSet::StateChanged, this, &THorloWorkCalendarForm::ApplyActionUpdate);

    auto* selectors = new QHBoxLayout;
    selectors->addWidget(new QLabel(QStringLiteral("Godina"), this));
    selectors->addWidget(YearCB);
    selectors->addSpacing(12);
    selectors->addWidget(new QLabel(QStringLiteral("Mesec"), this));
    selectors->addWidget(MonthCB);
    selectors->addStretch(1);
    auto* tools = new QHBoxLayout;
    tools->addWidget(HorloWorkCalendarDBN, 1);
    tools->addWidget(AddAllButton);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(PrintButton);
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(ApplyButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(selectors);
    layout->addLayout(tools);
    layout->addWidget(HorloWorkCalendarDBG, 1);
    layout->addWidget(new TColourLegend({{NonWorkDayColour(), QStringLiteral("neradni dan")}}, this));
    layout->addLayout(buttons);

    new TGridKeyHook(
        HorloWorkCalendarDBG, [this](int& key) { HorloWorkCalendarDBGKeyDown(key); },
        [this](QString& text) { HorloWorkCalendarDBGKeyPress(text); });
    FormCreate();
    Handle(YearCB, &QComboBox::currentIndexChanged, &THorloWorkCalendarForm::YearCBChange);
    Handle(MonthCB, &QComboBox::currentIndexChanged, &THorloWorkCalendarForm::YearCBChange);
}

THorloWorkCalendarForm::~THorloWorkCalendarForm() = default;

void THorloWorkCalendarForm::FormCreate() {
    const QDate today = Now().date();
    YearCB->setCurrentIndex(today.year() - FirstYear); // a clock before the list selects nothing
    MonthCB->setCurrentIndex(today.month() - 1);
    Guarded([this] { OpenHorloWorkCalendar(); });
    GridSorter.AddGrid(HorloWorkCalendarDBG);
    ApplyActionUpdate();
}

void THorloWorkCalendarForm::OpenHorloWorkCalendar() {
    TZQuery* calendar = HorloDM->HorloWorkCalendarZQ;
    calendar->DisableControls();
    const auto resume = qScopeGuard([calendar] { calendar->EnableControls(); });
    calendar->Close();
    // without a year or month chosen no month is shown
    if (YearCB->currentIndex() < 0 || MonthCB->currentIndex() < 0) return;
    calendar->SetSQL(Format(QStringLiteral("SELECT * FROM horloworkcalendar WHERE year = %d and month = %d "
                                           "ORDER BY horloworkcalendarid"),
                            {YearCB->currentText().toInt(), MonthCB->currentIndex() + 1}));
    calendar->Open();
    calendar->First();
}

void THorloWorkCalendarForm::YearCBChange() {
    OpenHorloWorkCalendar();
}

void THorloWorkCalendarForm::AddAllButtonClick() {
    TZQuery* calendar = HorloDM->HorloWorkCalendarZQ;
    if (!calendar->Active()) return;
    calendar->First();
    if (!calendar->IsEmpty()) return;
    const int year = YearCB->currentText().toInt();
    const int month = MonthCB->currentIndex() + 1;
    const QDate first(year, month, 1);
    if (!first.isValid()) return;
    const QDate last = first.addMonths(1).addDays(-1);
    THourGlass hourGlass{calendar};
    TField* yearField = calendar->FieldByName(QStringLiteral("year"));
    TField* monthField = calendar->FieldByName(QStringLiteral("month"));
    TField* dateField = calendar->FieldByName(QStringLiteral("workcalendardate"));
    TField* nameField = calendar->FieldByName(QStringLiteral("dayname"));
    for (QDate d = first; d <= last; d = d.addDays(1)) {
        calendar->Append();
        yearField->SetAsInteger(year);
        monthField->SetAsInteger(month);
        dateField->SetValue(d);
        HorloDM->HorloWorkCalendarZQworkday->SetAsBoolean(d.dayOfWeek() < Qt::Saturday);
        nameField->SetAsString(DayName(d.dayOfWeek()));
        calendar->Post();
    }
    calendar->First();
}

QColor THorloWorkCalendarForm::HorloWorkCalendarDBGDrawColumnCell(int row, int) const {
    const TDataSet* calendar = HorloDM->HorloWorkCalendarZQ;
    const QVariant workday = calendar->RowValue(row, HorloDM->HorloWorkCalendarZQworkday->Index());
    return workday.toBool() ? QColor() : NonWorkDayColour();
}

void THorloWorkCalendarForm::HorloWorkCalendarDBGKeyDown(int& key) {
    // no deleting, no moving between cells; Down moves between rows (the grid never
    // appends one below the last)
    if (key == Qt::Key_Delete || key == Qt::Key_Tab || key == Qt::Key_Backtab) key = 0;
}

void THorloWorkCalendarForm::HorloWorkCalendarDBGKeyPress(QString& text) {
    // only the flag takes a key: the first letter of an item of its list (D is Da, N is Ne)
    const QModelIndex current = HorloWorkCalendarDBG->currentIndex();
    const QStringList& flags = HorloWorkCalendarDBG->Column(4).pickList;
    const bool chooses = std::any_of(flags.begin(), flags.end(), [&](const QString& flag) {
        return flag.startsWith(text, Qt::CaseInsensitive);
    });
    if (!current.isValid() || current.column() != 4 || !chooses) text.clear();
}

void THorloWorkCalendarForm::ApplyActionUpdate() {
    const TZQuery* calendar = HorloDM->HorloWorkCalendarZQ;
    ApplyAction->setEnabled(calendar->Active() && calendar->UpdatesPending());
}

void THorloWorkCalendarForm::ApplyActionExecute() {
    TZQuery* calendar = HorloDM->HorloWorkCalendarZQ;
    try {
        calendar->ApplyUpdates();
    } catch (const EDatabaseError& e) {
        if (e.DuplicateKey() != QLatin1String("horloworkcalendar_date")) throw;
        // Another desk generated the month meanwhile: its days are shown
        // instead of a second set that could never be stored.
        calendar->CancelUpdates();
        OpenHorloWorkCalendar();
        throw EDatabaseError(_WORK_CAL_EXIST_ERR, e.ErrorCode());
    }
}

void THorloWorkCalendarForm::OKActionExecute() {
    ApplyActionUpdate();
    if (ApplyAction->isEnabled()) ApplyActionExecute();
    accept();
}

void THorloWorkCalendarForm::CancelActionExecute() {
    if (HorloDM->HorloWorkCalendarZQ->Active()) HorloDM->HorloWorkCalendarZQ->CancelUpdates();
    reject();
}

QString THorloWorkCalendarForm::PrintParameters() const {
    return PrintParams(windowTitle() + QStringLiteral(": ") + QString::number(MonthCB->currentIndex() + 1) +
                           QLatin1Char('.') + YearCB->currentText() + QLatin1Char('.'),
                       QString());
}

void THorloWorkCalendarForm::PrintButtonClick() {
    PrintThroughConsole(HorloWorkCalendarDBG, PrintParameters());
}
