// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/worktime/HorloAttendanceUnit.h"

#include "host/console/HostIntf.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/ColourLegend.h"
#include "host/ui/DBGrid.h"
#include "host/ui/DBNavigator.h"
#include "host/ui/DateEdit.h"
#include "host/ui/Dialogs.h"
#include "host/ui/GridKeys.h"
#include "host/ui/GridSorter.h"
#include "host/ui/GridTable.h"
#include "module/HorloResourceString.h"
#include "module/ModuleConsole.h"
#include "module/data/HorloDMUnit.h"
#include "module/worktime/AttendancePeriod.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QVBoxLayout>

namespace {

QColor MarkColour(TAttendanceMark mark) {
    switch (mark) {
    case TAttendanceMark::Redistribution:
        return QColor(128, 128, 128);
    case TAttendanceMark::Unallocated:
        return QColor(128, 255, 128);
    case TAttendanceMark::Empty:
        return QColor(255, 128, 128);
    case TAttendanceMark::Short:
        return QColor(128, 255, 255);
    case TAttendanceMark::None:
        break;
    }
    return {};
}

} // namespace

namespace {

QDate Yesterday() {
    return Now().date().addDays(-1);
}

// A period longer than a year is asked about first.
constexpr qint64 kLongPeriodDays = 366;

} // namespace

// Esc is the Cancel button's; the close box leaves the cache as it is
THorloAttendanceForm::THorloAttendanceForm(QWidget* parent)
    : TCachedEditDialog(HorloDM->HorloAttendanceZQ, TCloseBox::Keep, parent) {
    setObjectName(QStringLiteral("HorloAttendanceForm"));
    setWindowTitle(QStringLiteral("Prisustvo"));
    setAttribute(Qt::WA_DeleteOnClose);
    TZQuery* sheet = HorloDM->HorloAttendanceZQ;

    auto edit = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    FromDateEdit = new TDateEdit(this);
    FromDateEdit->setObjectName(QStringLiteral("FromDateEdit"));
    FromDateEdit->setCaption(_HORLO_DATE_FROM);
    ToDateEdit = new TDateEdit(this);
    ToDateEdit->setObjectName(QStringLiteral("ToDateEdit"));
    ToDateEdit->setCaption(_HORLO_DATE_TO);
    EmployeeCodeEdit = edit("EmployeeCodeEdit");
    EmployeeLastnameEdit = edit("EmployeeLastnameEdit");
    EmployeeFirstnameEdit = edit("EmployeeFirstnameEdit");

    FilterGB = new QGroupBox(QStringLiteral("Filter"), this);
    auto radio = [this](const char* caption) {
        return new QRadioButton(QString::fromUtf8(caption), FilterGB);
    };
    NoneRB = radio("Bez");
    AbsentRB = radio("Odsutni");
    ShortRB = radio("Manje");
    OvertimeRB = radio("Prekovremeno");
    VacationRB = radio("Odmor");
    RedistributionRB = radio("Preraspodela");
    SickRB = radio("Bolovanje");
    UnallocatedRB = radio("Neraspoređeno");
    NoneRB->setChecked(true);
    auto* filterLayout = new QGridLayout(FilterGB);
    int place = 0;
    for (const auto& [button, filter] : FilterButtons()) {
        filterLayout->addWidget(button, place % 4, place / 4);
        ++place;
    }

    FindButton = new QPushButton(QStringLiteral("&Prikaži"), this);
    FindButton->setDefault(true);

    HorloAttendanceDBN = new TDBNavigator(this);
    HorloAttendanceDBN->SetVisibleButtons({TDBNavigator::nbFirst, TDBNavigator::nbPrior, TDBNavigator::nbNext,
                                           TDBNavigator::nbLast, TDBNavigator::nbDelete, TDBNavigator::nbPost,
                                           TDBNavigator::nbCancel});
    HorloAttendanceDBN->ConfirmDelete = false;
    HorloAttendanceDBN->SetDataSource(HorloDM->HorloAttendanceDS);
    AddDayButton = new QPushButton(QStringLiteral("Dodaj dan"), this);
    AddPeriodButton = new QPushButton(QStringLiteral("Dodaj period"), this);
    AddEmployeeButton = new QPushButton(QStringLiteral("Dodaj zaposlenog"), this);

    HorloAttendanceDBG = new TDBGrid(this);
    HorloAttendanceDBG->setObjectName(QStringLiteral("HorloAttendanceDBG"));
    HorloAttendanceDBG->SetDataSource(HorloDM->HorloAttendanceDS);
    const QStringList& columns = AttendanceSheetColumns();
    const int widths[] = {60, 110, 90, 120, 0, 80}; // the rest fit their titles
    for (qsizetype i = 0; i < columns.size(); ++i)
        HorloAttendanceDBG->AddColumn(columns[i], i < 6 ? widths[i] : 0).readOnly =
            i < 6; // employee and date
    m_marks = std::make_unique<TAttendanceMarks>(*sheet);
    HorloAttendanceDBG->OnCellColor = [this](int row, int column) {
        return HorloAttendanceDBGDrawColumnCell(row, column);
    };
    HorloAttendanceDBG->setMinimumSize(720, 320);
    AttendanceTotalLabel = new QLabel(QStringLiteral("0"), this);
    AttendanceTotalLabel->setObjectName(QStringLiteral("AttendanceTotalLabel"));

    HorloAttendanceCDS = new TClientDataSet(this);
    HorloAttendanceCDS->setObjectName(QStringLiteral("HorloAttendanceCDS"));
    DefineAttendanceSummary(*HorloAttendanceCDS);
    HorloAttendanceDS = new TDataSource(HorloAttendanceCDS, this);
    HorloAttendancePrintDBG = new TDBGrid(this);
    HorloAttendancePrintDBG->setObjectName(QStringLiteral("HorloAttendancePrintDBG"));
    HorloAttendancePrintDBG->SetDataSource(HorloAttendanceDS);
    for (const char* name :
         {"code", "lastname", "firstname", "personalidentificator", "vocation", "startworkingdate"})
        HorloAttendancePrintDBG->AddColumn(QString::fromLatin1(name));
    for (const QString& f : AttendanceSummedHourFields())
        HorloAttendancePrintDBG->AddColumn(f);
    HorloAttendancePrintDBG->setVisible(false);
    HorloAttendanceListDBG = new TDBGrid(this);
    HorloAttendanceListDBG->setObjectName(QStringLiteral("HorloAttendanceListDBG"));
    HorloAttendanceListDBG->SetDataSource(HorloDM->HorloAttendanceDS);
    HorloAttendanceListDBG->OnCellColor = HorloAttendanceDBG->OnCellColor;
    HorloAttendanceListDBG->setVisible(false);

    PrintListButton = new QPushButton(QStringLiteral("Štampaj listu"), this);
    PrintButton = new QPushButton(QStringLiteral("Štampaj"), this);
    OKButton = new QPushButton(QStringLiteral("U redu"), this);
    ApplyButton = new QPushButton(QStringLiteral("Primeni"), this);
    CancelButton = new QPushButton(QStringLiteral("Otkaži"), this);
    for (QPushButton* b : {AddDayButton, AddPeriodButton, AddEmployeeButton, PrintListButton, PrintButton,
                           OKButton, ApplyButton, CancelButton})
        b->setAutoDefault(false);
    OKAction = ButtonAction(OKButton, &THorloAttendanceForm::OKActionExecute);
    ApplyAction = ButtonAction(ApplyButton, &THorloAttendanceForm::ApplyActionExecute);
    CancelAction = ButtonAction(CancelButton, &THorloAttendanceForm::CancelActionExecute);
    SetEscapeButton(CancelButton);
    SetSaveHandler(&THorloAttendanceForm::ApplyActionExecute);
    OnClick(FindButton, &THorloAttendanceForm::FindButtonClick);
    OnClick(AddDayButton, &THorloAttendanceForm::AddDayButtonClick);
    OnClick(AddPeriodButton, &THorloAttendanceForm::AddPeriodButtonClick);
    OnClick(AddEmployeeButton, &THorloAttendanceForm::AddEmployeeButtonClick);
    OnClick(PrintListButton, &THorloAttendanceForm::PrintListButtonClick);
    OnClick(PrintButton, &THorloAttendanceForm::PrintButtonClick);
    Handle(HorloAttendanceDBG, &QAbstractItemView::doubleClicked,
           &THorloAttendanceForm::HorloAttendanceDBGDblClick);
    connect(sheet, &TDataSet::DataChanged, this, &THorloAttendanceForm::ApplyActionUpdate);
    connect(sheet, &TDataSet::RecordChanged, this, &THorloAttendanceForm::ApplyActionUpdate);
    connect(sheet, &TDataSet::StateChanged, this, &THorloAttendanceForm::ApplyActionUpdate);
    // rows added, deleted, or dropped with the cache, and every reload
    connect(sheet, &TDataSet::DataChanged, this, &THorloAttendanceForm::ShowTotal);
    connect(sheet, &TDataSet::StateChanged, this, &THorloAttendanceForm::ShowTotal);

    auto* period = new QGridLayout;
    auto label = [this](const QString& text) { return new QLabel(text, this); };
    period->addWidget(label(_HORLO_DATE_FROM), 0, 0);
    period->addWidget(FromDateEdit, 0, 1);
    period->addWidget(label(_HORLO_DATE_TO), 1, 0);
    period->addWidget(ToDateEdit, 1, 1);
    period->addWidget(label(QStringLiteral("Kod zaposlenog")), 0, 3);
    period->addWidget(EmployeeCodeEdit, 0, 4);
    period->addWidget(label(QStringLiteral("Prezime")), 1, 3);
    period->addWidget(EmployeeLastnameEdit, 1, 4);
    period->addWidget(label(QStringLiteral("Ime")), 2, 3);
    period->addWidget(EmployeeFirstnameEdit, 2, 4);
    auto* top = new QHBoxLayout;
    top->addLayout(period);
    top->addWidget(FilterGB);
    top->addWidget(FindButton, 0, Qt::AlignBottom);
    top->addStretch(1);
    auto* tools = new QHBoxLayout;
    tools->addWidget(HorloAttendanceDBN, 1);
    tools->addWidget(AddDayButton);
    tools->addWidget(AddPeriodButton);
    tools->addWidget(AddEmployeeButton);
    auto* total = new QHBoxLayout;
    total->addWidget(label(QStringLiteral("Ukupno:")));
    total->addWidget(AttendanceTotalLabel);
    total->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(PrintListButton);
    buttons->addWidget(PrintButton);
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(ApplyButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(tools);
    layout->addWidget(HorloAttendanceDBG, 1);
    layout->addWidget(
        new TColourLegend({{MarkColour(TAttendanceMark::Redistribution), QStringLiteral("preraspodela")},
                           {MarkColour(TAttendanceMark::Unallocated), QStringLiteral("neraspoređeni sati")},
                           {MarkColour(TAttendanceMark::Empty), QStringLiteral("bez sati")},
                           {MarkColour(TAttendanceMark::Short), QStringLiteral("manje od 8 redovnih sati")}},
                          this));
    layout->addLayout(total);
    layout->addLayout(buttons);
    resize(1000, 600);

    new TGridKeyHook(
        HorloAttendanceDBG, [this](int& key) { HorloAttendanceDBGKeyDown(key); },
        [this](QString& text) { HorloAttendanceDBGKeyPress(text); });
    FormCreate();
}

THorloAttendanceForm::~THorloAttendanceForm() = default;

void THorloAttendanceForm::FormCreate() {
    TZConnection& connection = *HorloDM->ZConnection();
    m_day = std::make_unique<TAttendanceDay>(connection, TWorkingDayLimits::Read(connection));
    const QDate yesterday = Yesterday();
    FromDateEdit->setDate(QDate(yesterday.year(), yesterday.month(), 1));
    ToDateEdit->setDate(yesterday);
    Guarded([this] { OpenHorloAttendance(); });
    GridSorter.AddGrid(HorloAttendanceDBG);
    ApplyActionUpdate();
}

std::vector<std::pair<QRadioButton*, TAttendanceFilter>> THorloAttendanceForm::FilterButtons() const {
    return {{NoneRB, TAttendanceFilter::None},         {AbsentRB, TAttendanceFilter::Absent},
            {ShortRB, TAttendanceFilter::Short},       {OvertimeRB, TAttendanceFilter::Overtime},
            {VacationRB, TAttendanceFilter::Vacation}, {RedistributionRB, TAttendanceFilter::Redistribution},
            {SickRB, TAttendanceFilter::Sick},         {UnallocatedRB, TAttendanceFilter::Unallocated}};
}

TAttendanceFilter THorloAttendanceForm::SelectedFilter() const {
    for (const auto& [button, filter] : FilterButtons())
        if (button->isChecked()) return filter;
    return TAttendanceFilter::None;
}

TAttendanceView THorloAttendanceForm::View() const {
    TAttendanceView view;
    view.fromDate = SqlDate(FromDateEdit->date());
    view.toDate = SqlDate(ToDateEdit->date());
    view.code = EmployeeCodeEdit->text();
    view.lastName = EmployeeLastnameEdit->text();
    view.firstName = EmployeeFirstnameEdit->text();
    view.filter = SelectedFilter();
    return view;
}

void THorloAttendanceForm::OpenHorloAttendance() {
    // a period that is not a date leaves the sheet as it was
    if (!FromDateEdit->CheckDate() || !ToDateEdit->CheckDate()) return;
    if (FromDateEdit->date() > ToDateEdit->date()) {
        ShowWarning(Format(_PERIOD_REVERSED_FMT, {FromDateEdit->text(), ToDateEdit->text()}));
        return;
    }
    const TAttendanceView view = View();
    TZQuery* sheet = HorloDM->HorloAttendanceZQ;
    {
        sheet->DisableControls();
        const auto resume = qScopeGuard([sheet] { sheet->EnableControls(); });
        sheet->Close();
        TZConnection& connection = *HorloDM->ZConnection();
        sheet->SetSQL(AttendanceStatement(view, connection));
        TWorkProgress progress(_ATTEND_PROGRESS_CAP, CountSheetRows(connection, view));
        sheet->OnFetchProgress = [&progress](qint64 rows) { return progress.Step(rows); };
        const auto detach = qScopeGuard([sheet] { sheet->OnFetchProgress = nullptr; });
        sheet->Open(); // a cancel leaves it open and empty
        sheet->First();
    }
    m_shown = view;
}

void THorloAttendanceForm::ShowTotal() {
    AttendanceTotalLabel->setText(QString::number(HorloDM->HorloAttendanceZQ->RecordCount()));
}

void THorloAttendanceForm::FindButtonClick() {
    if (!MayDropEdits()) return; // showing another sheet would drop the edits
    OpenHorloAttendance();
}

QColor THorloAttendanceForm::HorloAttendanceDBGDrawColumnCell(int row, int) const {
    return MarkColour(m_marks->Row(row));
}

void THorloAttendanceForm::HorloAttendanceDBGKeyDown(int& key) {
    // no deleting from the keyboard, no moving between cells; Down moves between rows
    // (the grid never appends one below the last)
    if (key == Qt::Key_Delete || key == Qt::Key_Tab || key == Qt::Key_Backtab) key = 0;
}

void THorloAttendanceForm::HorloAttendanceDBGKeyPress(QString& text) {
    // the employee's columns take no typing
    const QModelIndex current = HorloAttendanceDBG->currentIndex();
    if (current.isValid() && current.column() < 5) text.clear();
}

void THorloAttendanceForm::HorloAttendanceDBGDblClick() {
    const TZQuery* sheet = HorloDM->HorloAttendanceZQ;
    const auto chooser = EmployeeChooser(TMissingChooser::Tell);
    if (!chooser) return;
    if (!sheet->Active() || sheet->IsEmpty()) return;
    chooser->ShowEmployee(sheet->FieldByName(QStringLiteral("employeeid"))->AsLargeInt());
}

void THorloAttendanceForm::ApplyActionUpdate() {
    const TZQuery* sheet = HorloDM->HorloAttendanceZQ;
    ApplyAction->setEnabled(sheet->Active() && sheet->UpdatesPending());
}

void THorloAttendanceForm::ApplyActionExecute() {
    try {
        HorloDM->HorloAttendanceZQ->ApplyUpdates();
    } catch (const EDatabaseError& e) {
        // the sheet's rows, or another desk's stored meanwhile, repeat an employee's day
        if (e.DuplicateKey() == QLatin1String("horloattendance_employee"))
            throw EDatabaseError(_ATTEND_DATE_EXIST_ERR, e.ErrorCode());
        throw;
    }
}

void THorloAttendanceForm::OKActionExecute() {
    ApplyActionUpdate();
    if (ApplyAction->isEnabled()) ApplyActionExecute();
    accept();
}

void THorloAttendanceForm::CancelActionExecute() {
    if (HorloDM->HorloAttendanceZQ->Active()) HorloDM->HorloAttendanceZQ->CancelUpdates();
    reject();
}

// The period and filters of the sheet as it was last shown, not as the fields say since.
QString THorloAttendanceForm::GetPrintHeader() const {
    const auto shown = [](const QString& sqlDate) {
        return FormatDateTime(QStringLiteral("dd.mm.yyyy"), WallClock(TypedDate(sqlDate)));
    };
    QString header = Format(_PRINT_HEADER_FMT, {shown(m_shown.fromDate), shown(m_shown.toDate)});
    QStringList employee;
    for (const auto& [caption, value] : {std::pair{"Kod zaposlenog", m_shown.code},
                                         {"Prezime", m_shown.lastName},
                                         {"Ime", m_shown.firstName}})
        if (!value.isEmpty()) employee << QString::fromUtf8(caption) + QStringLiteral(": ") + value;
    if (!employee.isEmpty()) header += QStringLiteral("\r\n") + employee.join(QStringLiteral(", "));
    for (const auto& [button, filter] : FilterButtons())
        if (filter == m_shown.filter && filter != TAttendanceFilter::None)
            header += QStringLiteral("\r\nFilter: ") + button->text();
    return header;
}

// A month's list on a few pages: a kind of hours that no row has takes no column on paper.
void THorloAttendanceForm::PrintListButtonClick() {
    const TZQuery* sheet = HorloDM->HorloAttendanceZQ;
    const QStringList& hours = AttendanceHourFields();
    const auto holdsNothing = [&](const QString& name) {
        if (name != QLatin1String("comment") && !hours.contains(name)) return false;
        const int field = sheet->FieldByName(name)->Index();
        for (int row = 0; row < sheet->RecordCount(); ++row) {
            const QVariant v = sheet->RowValue(row, field);
            if (v.typeId() == QMetaType::QString ? !v.toString().trimmed().isEmpty() : v.toDouble() != 0)
                return false;
        }
        return true;
    };
    HorloAttendanceListDBG->ClearColumns();
    bool left = false;
    for (int column : ShownColumns(*HorloAttendanceDBG)) { // in the order the user sees them
        const TDBGridColumn& c = HorloAttendanceDBG->Column(column);
        if (sheet->Active() && holdsNothing(c.fieldName))
            left = true;
        else
            HorloAttendanceListDBG->AddColumn(c.fieldName, c.width, c.title);
    }
    QString header = GetPrintHeader();
    if (left) header += QStringLiteral("\r\n") + _ATTEND_ZERO_COLUMNS_CAP;
    PrintThroughConsole(HorloAttendanceListDBG, PrintParams(windowTitle(), header));
}

void THorloAttendanceForm::PrintButtonClick() {
    TZQuery* sheet = HorloDM->HorloAttendanceZQ;
    if (!sheet->Active()) return;
    {
        THourGlass hourGlass;
        BuildAttendanceSummary(*sheet, *HorloAttendanceCDS);
    }
    sheet->First();
    PrintThroughConsole(HorloAttendancePrintDBG,
                        PrintParams(windowTitle() + QLatin1Char(' ') + _PRINT_SUM_CAP, GetPrintHeader()));
}

void THorloAttendanceForm::AddDayButtonClick() {
    TZQuery* sheet = HorloDM->HorloAttendanceZQ;
    if (!sheet->Active()) return;
    sheet->First();
    if (!sheet->IsEmpty()) return; // a day goes only into an empty view
    QDate day = Yesterday();
    if (!GetDate(day)) return;
    THourGlass hourGlass;
    ShowAddRefusal(AddDayToSheet(*sheet, *m_day, day), day);
}

void THorloAttendanceForm::AddEmployeeButtonClick() {
    TZQuery* sheet = HorloDM->HorloAttendanceZQ;
    const auto chooser = EmployeeChooser(TMissingChooser::Tell);
    if (!chooser) return;
    if (!sheet->Active()) return;
    TEmployeeDesc employee;
    if (!chooser->ChooseEmployeeDesc(employee)) return;
    QDate day = Yesterday();
    if (!GetDate(day)) return;
    THourGlass hourGlass;
    ShowAddRefusal(AddEmployeeToSheet(*sheet, *m_day, employee.employeeId, day), day);
}

void THorloAttendanceForm::ShowAddRefusal(TAddResult result, const QDate& day) {
    if (result == TAddResult::Exists) ShowError(_ATTEND_DATE_EXIST_ERR);
    if (result == TAddResult::FutureDay) ShowWarning(FutureDayRefusal(day));
}

void THorloAttendanceForm::AddPeriodButtonClick() {
    QList<QDate> period{FromDateEdit->date(), ToDateEdit->date()};
    if (!InputDates(QStringLiteral("Dodaj period"), {_HORLO_DATE_FROM, _HORLO_DATE_TO}, period)) return;
    const QDate from = period[0], to = period[1];
    if (from > to) {
        ShowWarning(Format(_PERIOD_REVERSED_FMT, {from.toString(QStringLiteral("dd.MM.yyyy")),
                                                  to.toString(QStringLiteral("dd.MM.yyyy"))}));
        return;
    }
    if (const QString refusal = FutureDayRefusal(to); !refusal.isEmpty()) {
        ShowWarning(refusal);
        return;
    }
    const qint64 days = from.daysTo(to) + 1;
    if (days > kLongPeriodDays &&
        !Confirm(Format(_ATTEND_LONG_PERIOD_CONF, {Plural(days, "%d dan", "%d dana", "%d dana")})))
        return;
    // the sheet is read again afterwards
    if (!MayDropEdits()) return;
    TPeriodResult result;
    {
        TWorkProgress progress(_ATTEND_PERIOD_PROGRESS_CAP, days);
        result = StorePeriod(*m_day, from, to, [&progress](qint64 done) { return progress.Step(done); });
    }
    // the sheet shows the period with what is stored now
    FromDateEdit->setDate(from);
    ToDateEdit->setDate(to);
    Guarded([this] { OpenHorloAttendance(); });
    const QString summary = PeriodSummary(result, QStringLiteral("dd.MM.yyyy"), QStringLiteral("MM.yyyy"))
                                .join(QLatin1Char('\n'));
    if (result.failure.isEmpty())
        ShowInformation(summary);
    else
        ShowError(summary);
}
