// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/reports/HorloReportUnit.h"

#include "host/console/HostIntf.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/data/ZQuery.h"
#include "host/ui/DBGrid.h"
#include "host/ui/DateEdit.h"
#include "host/ui/Dialogs.h"
#include "module/HorloResourceString.h"
#include "module/ModuleConsole.h"
#include "module/data/EventTypes.h"
#include "module/data/HorloDMUnit.h"
#include "module/data/WorkCalendar.h"
#include "module/reports/ReportLists.h"
#include "module/reports/ReportOptions.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// The host connection; an error to show while there is none.
TZConnection& Connection() {
    TZConnection* connection = HorloDM->ZConnection();
    if (!connection) throw EDatabaseError(_CMN_DB_NOT_CONNECTED_ERR);
    return *connection;
}

QString ShortDate(const TDateEdit* picker) {
    return FormatDateTime(QStringLiteral("dd.mm.yyyy"), WallClock(picker->date()));
}

TDateEdit* DatePicker(QWidget* parent, const QString& caption) {
    auto* picker = new TDateEdit(parent);
    picker->setCaption(caption);
    return picker;
}

QSpinBox* SpinEdit(QWidget* parent, int minimum, int maximum, int value) {
    auto* spin = new QSpinBox(parent);
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    return spin;
}

// A label that acts as a link: hand cursor, a click runs the form's handler.
QLabel* ClickLabel(const QString& text, QWidget* parent, QObject* filter) {
    auto* label = new QLabel(text, parent);
    label->setCursor(Qt::PointingHandCursor);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    label->installEventFilter(filter);
    return label;
}

} // namespace

THorloReportForm::THorloReportForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("HorloReportForm"));
    setWindowTitle(_REPORT_CAP);
    setAttribute(Qt::WA_DeleteOnClose);

    // ---- condition panel
    auto* periodGB = new QGroupBox(QStringLiteral("Period"), this);
    FromDTP = DatePicker(periodGB, QStringLiteral("Od"));
    ToDTP = DatePicker(periodGB, QStringLiteral("Do"));
    DateDTP = DatePicker(periodGB, QStringLiteral("Datum"));
    WorkDaysSE = SpinEdit(periodGB, 0, 100000, 0);
    auto* period = new QGridLayout(periodGB);
    period->addWidget(new QLabel(QStringLiteral("Od:"), periodGB), 0, 0);
    period->addWidget(FromDTP, 0, 1);
    period->addWidget(new QLabel(QStringLiteral("Izveštaj"), periodGB), 0, 2);
    period->addWidget(new QLabel(QStringLiteral("Do:"), periodGB), 1, 0);
    period->addWidget(ToDTP, 1, 1);
    period->addWidget(new QLabel(QStringLiteral("Upozor."), periodGB), 1, 2);
    period->addWidget(new QLabel(QStringLiteral("Br. radnih dana:"), periodGB), 2, 0);
    period->addWidget(WorkDaysSE, 2, 1);
    WorkDaysNoteLabel = new QLabel(periodGB);
    WorkDaysNoteLabel->setWordWrap(true);
    period->addWidget(WorkDaysNoteLabel, 3, 0, 1, 3);
    period->addWidget(new QLabel(QStringLiteral("Datum:"), periodGB), 4, 0);
    period->addWidget(DateDTP, 4, 1);
    period->addWidget(new QLabel(QStringLiteral("Prisutni\nOdsut."), periodGB), 4, 2);

    auto* employeeGB = new QGroupBox(QStringLiteral("Zaposleni"), this);
    AllRB = new QRadioButton(QStringLiteral("Svi"), employeeGB);
    SpecificRB = new QRadioButton(QStringLiteral("Posebno"), employeeGB);
    AllRB->setChecked(true);
    EmployeeEdit = new QLineEdit(employeeGB);
    EmployeeEdit->setReadOnly(true);
    EmployeeEdit->setMinimumWidth(170);
    EmployeeButton = new QPushButton(QStringLiteral("..."), employeeGB);
    EmployeeButton->setFixedWidth(28);
    auto* employee = new QGridLayout(employeeGB);
    employee->addWidget(AllRB, 0, 0, 1, 2);
    employee->addWidget(SpecificRB, 1, 0, 1, 2);
    employee->addWidget(EmployeeEdit, 2, 0);
    employee->addWidget(EmployeeButton, 2, 1);
    employee->setRowStretch(3, 1);

    ShowButton = new QPushButton(QStringLiteral("&Prikaži"), this);
    ShowButton->setDefault(true);
    ShowButton->setAutoDefault(true);

    // ---- event pairs
    auto* eventsGB = new QGroupBox(QStringLiteral("Događaji"), this);
    EventCDS = new TClientDataSet(this);
    EventCDS->setObjectName(QStringLiteral("EventCDS"));
    // the identifiers are what counts and what is kept; the grid shows and takes names
    TField* from = EventCDS->AddField(QStringLiteral("FromEventTypeID"), TFieldType::Integer);
    from->Visible = false;
    EventCDS->AddField(QStringLiteral("ToEventTypeID"), TFieldType::Integer)->Visible = false;
    TField* fromName = EventCDS->AddField(QStringLiteral("EventFrom"), TFieldType::String, 200);
    fromName->DisplayLabel = QStringLiteral("Od događaja");
    TField* toName = EventCDS->AddField(QStringLiteral("EventTo"), TFieldType::String, 200);
    toName->DisplayLabel = QStringLiteral("Do događaja");
    toName->ReadOnly = true;
    fromName->OnSetText = [this, from](TField&, const QString& text) {
        const QString name = text.trimmed();
        if (name.isEmpty()) {
            from->Clear();
            return;
        }
        qint64 id = m_eventTypeNames.key(name, 0);
        if (!id) id = name.toLongLong(); // a type's code
        if (!id || !m_eventTypeNames.contains(id))
            throw EDatabaseError(Format(_REPORT_EVENT_TYPE_ERR, {name}));
        CheckPairOf(id);
        from->SetAsLargeInt(id);
    };
    from->OnChange = [this](TField& field) { EventCDSFromEventTypeIDChange(field); };
    EventCDS->CreateDataSet();
    EventDS = new TDataSource(EventCDS, this);
    EventDBG = new TDBGrid(eventsGB);
    EventDBG->setObjectName(QStringLiteral("EventDBG"));
    EventDBG->SetDataSource(EventDS);
    EventDBG->AddColumn(QStringLiteral("EventFrom"), 120);
    EventDBG->AddColumn(QStringLiteral("EventTo"), 120).readOnly = true;
    EventDBG->setMinimumSize(220, 80); // the dialog fits a 1280-pixel screen
    ExcludeLabel = ClickLabel(QStringLiteral("Isključi..."), eventsGB, this);
    RemoveLabel = ClickLabel(QStringLiteral("Izbaci"), eventsGB, this);
    auto* events = new QGridLayout(eventsGB);
    events->addWidget(new QLabel(QStringLiteral("Računaj->"), eventsGB), 0, 0, Qt::AlignTop);
    events->addWidget(EventDBG, 0, 1, 3, 1);
    events->addWidget(ExcludeLabel, 1, 0, Qt::AlignBottom);
    events->addWidget(RemoveLabel, 2, 0, Qt::AlignTop);

    // ---- criteria
    auto* warningsGB = new QGroupBox(QStringLiteral("Uslovi za upozorenja"), this);
    MinCalcLenSE = SpinEdit(warningsGB, 1, 5000, 360);
    MaxCalcLenSE = SpinEdit(warningsGB, 1, 5000, 600);
    MaxExclLenSE = SpinEdit(warningsGB, 1, 5000, 30);
    auto* criteria = new QGridLayout(warningsGB);
    criteria->addWidget(new QLabel(QStringLiteral("Min. vreme događaja (min)"), warningsGB), 0, 0);
    criteria->addWidget(MinCalcLenSE, 0, 1);
    criteria->addWidget(new QLabel(QStringLiteral("Maks. vreme događaja (min)"), warningsGB), 1, 0);
    criteria->addWidget(MaxCalcLenSE, 1, 1);
    criteria->addWidget(new QLabel(QStringLiteral("Maks. vreme izuzetka (min)"), warningsGB), 2, 0);
    criteria->addWidget(MaxExclLenSE, 2, 1);
    auto* exceptionsGB = new QGroupBox(QStringLiteral("Uslovi za izuzetke"), this);
    AllowedPauseLenSE = SpinEdit(exceptionsGB, 0, 480, 30);
    auto* exceptions = new QGridLayout(exceptionsGB);
    exceptions->addWidget(new QLabel(QStringLiteral("Dozvoljeno trajanje pauze (min)"), exceptionsGB), 0, 0);
    exceptions->addWidget(AllowedPauseLenSE, 0, 1);
    exceptions->setRowStretch(1, 1);
    auto* workingTimeGB = new QGroupBox(QStringLiteral("Radno vreme"), this);
    auto* workingTime = new QGridLayout(workingTimeGB);
    int row = 0;
    for (QLineEdit** edit : {&StartWorkingTimeEdit, &EndWorkingTimeEdit, &EndWorkingDelayTimeEdit}) {
        const QString& key = TWorkingDayLimits::Keys()[row];
        *edit = new QLineEdit(workingTimeGB);
        (*edit)->setObjectName(key + QStringLiteral("Edit"));
        (*edit)->setPlaceholderText(QStringLiteral("čč:mm:ss"));
        (*edit)->setMaximumWidth(80);
        (*edit)->setText(WorkingDay.Value(key)); // the defaults until the options are read
        workingTime->addWidget(
            new QLabel(TWorkingDayLimits::FieldName(key) + QLatin1Char(':'), workingTimeGB), row, 0);
        workingTime->addWidget(*edit, row++, 1);
    }

    // ---- results
    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    PresentTS =
        ResultPage(PresentCDS, PresentDBG, &PresentTotalLabel, PresenceColumns(TPresenceKind::Present));
    LateTS = ResultPage(LateCDS, LateDBG, &LateTotalLabel, PresenceColumns(TPresenceKind::Late));
    AbsenteeTS =
        ResultPage(AbsenteeCDS, AbsenteeDBG, &AbsenteeTotalLabel, PresenceColumns(TPresenceKind::Absent));
    ReportTS = ResultPage(ReportCDS, ReportDBG, nullptr, HoursColumns());
    WarningsTS = ResultPage(WarningsCDS, WarningsDBG, &WarningsTotalLabel, WarningsColumns());
    PageControl->addTab(PresentTS, QStringLiteral("Prisutni"));
    PageControl->addTab(LateTS, QStringLiteral("Kašnjenje"));
    PageControl->addTab(AbsenteeTS, QStringLiteral("Odsutni"));
    PageControl->addTab(ReportTS, QStringLiteral("Izveštaj"));
    PageControl->addTab(WarningsTS, QStringLiteral("Upozorenja"));

    PrintButton = new QPushButton(QStringLiteral("Š&tampaj"), this);
    PrintButton->setAutoDefault(false);
    CloseButton = new QPushButton(QStringLiteral("&Zatvori"), this);
    CloseButton->setAutoDefault(false);

    auto* conditions = new QHBoxLayout;
    conditions->addWidget(periodGB);
    auto* people = new QVBoxLayout;
    people->addWidget(employeeGB);
    people->addWidget(workingTimeGB);
    conditions->addLayout(people);
    conditions->addWidget(eventsGB, 2);
    auto* limits = new QVBoxLayout;
    limits->addWidget(warningsGB);
    limits->addWidget(exceptionsGB);
    conditions->addLayout(limits);
    auto* showColumn = new QVBoxLayout;
    showColumn->addStretch(1);
    showColumn->addWidget(ShowButton);
    conditions->addLayout(showColumn);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(PrintButton);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(conditions);
    layout->addWidget(PageControl, 1);
    layout->addLayout(buttons);
    resize(1100, 640);

    connect(ShowButton, &QPushButton::clicked, this, [this] { Guarded([this] { ShowButtonClick(); }); });
    connect(PrintButton, &QPushButton::clicked, this, [this] { Guarded([this] { PrintButtonClick(); }); });
    connect(CloseButton, &QPushButton::clicked, this, [this] { CloseButtonClick(); });
    connect(EmployeeButton, &QPushButton::clicked, this,
            [this] { Guarded([this] { EmployeeButtonClick(); }); });
    connect(AllRB, &QRadioButton::clicked, this, [this] { AllRBClick(); });
    connect(SpecificRB, &QRadioButton::clicked, this, [this] { SpecificRBClick(); });

    // FormCreate; a database that fails is reported once and leaves the lists empty
    const QDate today = Now().date();
    DateDTP->setDate(today);
    ToDTP->setDate(today.addDays(-1));
    FromDTP->setDate(today.addDays(-1));
    for (TDateEdit* picker : {FromDTP, ToDTP}) // the number of work days follows the period
        connect(picker, &TDateEdit::dateChanged, this, [this] { Guarded([this] { SetWorkDays(); }); });
    SetEmpActivity();
    Guarded([this] {
        SetWorkDays();
        if (!HorloDM->EmployeeEventTypeZQ->Active()) HorloDM->EmployeeEventTypeZQ->Open();
        ReadEventTypeNames();
        OptionsToControls();
        FillPresentLateAbsentee();
    });
}

THorloReportForm::~THorloReportForm() = default;

QWidget* THorloReportForm::ResultPage(TClientDataSet*& list, TDBGrid*& grid, QLabel** total,
                                      const QStringList& columns) {
    auto* page = new QWidget(PageControl);
    list = new TClientDataSet(this);
    if (columns.contains(QStringLiteral("TotHours")))
        DefineHoursList(*list);
    else if (columns.contains(QStringLiteral("LengthH")))
        DefineWarningsList(*list);
    else if (columns.contains(QStringLiteral("EventTime")))
        DefinePresenceList(*list, TPresenceKind::Late);
    else if (columns.contains(QStringLiteral("EmpWorkState")))
        DefinePresenceList(*list, TPresenceKind::Absent);
    else
        DefinePresenceList(*list, TPresenceKind::Present);
    grid = new TDBGrid(page);
    grid->SetDataSource(new TDataSource(list, list));
    grid->SetReadOnly(true);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (const QString& field : columns)
        grid->AddColumn(field);
    // the titles sort: a hand over them, the arrow elsewhere
    grid->horizontalHeader()->setCursor(Qt::PointingHandCursor);
    grid->viewport()->setCursor(Qt::ArrowCursor);
    TDBGrid* g = grid;
    connect(grid, &TDBGrid::TitleClicked, this,
            [this, g](int column) { Guarded([&] { TitleClick(g, column); }); });
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(grid, 1);
    if (total) {
        *total = new QLabel(QStringLiteral("0"), page);
        auto* bottom = new QHBoxLayout;
        bottom->addWidget(new QLabel(QStringLiteral("Ukupno:"), page));
        bottom->addWidget(*total);
        bottom->addStretch(1);
        layout->addLayout(bottom);
    }
    return page;
}

void THorloReportForm::ReadEventTypeNames() {
    m_eventTypeNames.clear();
    m_eventTypeOrder.clear();
    const TZQuery* types = HorloDM->EmployeeEventTypeZQ;
    const int id = types->FieldByName(QStringLiteral("employeeeventtypeid"))->Index();
    const int name = types->FieldByName(QStringLiteral("name"))->Index();
    QHash<QString, int> uses;
    for (int row = 0; row < types->RecordCount(); ++row)
        ++uses[types->RowValue(row, name).toString()];
    for (int row = 0; row < types->RecordCount(); ++row) {
        const qint64 code = types->RowValue(row, id).toLongLong();
        QString text = types->RowValue(row, name).toString();
        // a name that several types carry is told apart by the type's code
        if (uses.value(text) > 1) text += QStringLiteral(" (%1)").arg(code);
        m_eventTypeNames.insert(code, text);
        m_eventTypeOrder << text;
    }
    EventDBG->UpdateColumn(QStringLiteral("EventFrom"),
                           [this](TDBGridColumn& column) { column.pickList = m_eventTypeOrder; });
}

std::vector<TEventPair> THorloReportForm::ChosenPairs(int exceptRow) const {
    std::vector<TEventPair> pairs;
    const int from = EventCDS->FieldByName(QStringLiteral("FromEventTypeID"))->Index();
    const int to = EventCDS->FieldByName(QStringLiteral("ToEventTypeID"))->Index();
    for (int row = 0; row < EventCDS->RecordCount(); ++row)
        if (row != exceptRow)
            pairs.push_back(
                {EventCDS->RowValue(row, from).toLongLong(), EventCDS->RowValue(row, to).toLongLong()});
    return pairs;
}

QString THorloReportForm::EventTypeName(const QVariant& id) const {
    if (id.isNull()) return {};
    return m_eventTypeNames.value(id.toLongLong());
}

// ---------------------------------------------------------------- conditions

void THorloReportForm::SetWorkDays() {
    if (!FromDTP->date().isValid() || !ToDTP->date().isValid()) return; // named when the report runs
    const TWorkDayCount count = CountWorkDays(Connection(), FromDTP->date(), ToDTP->date());
    WorkDaysSE->setValue(count.days);
    QStringList months;
    for (const QDate& month : count.monthsWithoutCalendar)
        months << month.toString(QStringLiteral("MM.yyyy"));
    if (months.size() > 3) months = months.mid(0, 3) << QStringLiteral("…");
    WorkDaysNoteLabel->setText(
        months.isEmpty() ? QStringLiteral("Po radnom kalendaru.")
                         : Format(_REPORT_WORK_DAYS_NO_CALENDAR_FMT, {months.join(QStringLiteral(", "))}));
}

void THorloReportForm::AllRBClick() {
    SelectedEmployeeID = 0;
    SetEmpActivity();
}

void THorloReportForm::SpecificRBClick() {
    SetEmpActivity();
}

void THorloReportForm::SetEmpActivity() {
    const bool specific = SpecificRB->isChecked();
    EmployeeEdit->setEnabled(specific);
    EmployeeButton->setEnabled(specific);
    if (!specific) EmployeeEdit->clear();
}

void THorloReportForm::EmployeeButtonClick() {
    auto chooser = EmployeeChooser(TMissingChooser::Silent);
    std::shared_ptr<TDataSet> employee;
    if (!chooser || !chooser->ChooseEmployee(employee) || !employee) return;
    SelectedEmployeeID = employee->FieldByName(QStringLiteral("employeeid"))->AsLargeInt();
    EmployeeEdit->setText(employee->FieldByName(QStringLiteral("firstname"))->AsString() + QLatin1Char(' ') +
                          employee->FieldByName(QStringLiteral("lastname"))->AsString());
}

void THorloReportForm::CloseButtonClick() {
    close();
}

void THorloReportForm::ShowButtonClick() {
    if (SpecificRB->isChecked() && SelectedEmployeeID == 0) {
        ShowWarning(_REPORT_SEL_EMP_WRN);
        return;
    }
    for (TDateEdit* date : {FromDTP, ToDTP, DateDTP})
        if (!date->CheckDate()) return;
    if (FromDTP->date() > ToDTP->date()) {
        ShowWarning(Format(_PERIOD_REVERSED_FMT, {FromDTP->text(), ToDTP->text()}));
        FromDTP->setFocus();
        return;
    }
    if (!WorkingTimeFromControls()) return;
    FillPresentLateAbsentee();
    FillReportWarnings();
    ControlsToOptions();
}

// ---------------------------------------------------------------- lists

void THorloReportForm::FillPresentLateAbsentee() {
    // the totals follow the lists also when reading them fails
    const auto totals = qScopeGuard([this] {
        PresentTotalLabel->setText(QString::number(PresentCDS->RecordCount()));
        LateTotalLabel->setText(QString::number(LateCDS->RecordCount()));
        AbsenteeTotalLabel->setText(QString::number(AbsenteeCDS->RecordCount()));
    });
    for (TClientDataSet* list : {PresentCDS, LateCDS, AbsenteeCDS})
        list->EmptyDataSet();
    THourGlass hourGlass({PresentCDS, LateCDS, AbsenteeCDS});
    const TPresenceLists lists = ReadPresenceLists(Connection(), DateDTP->date(), WorkingDay);
    FillPresenceList(*PresentCDS, lists.present);
    FillPresenceList(*LateCDS, lists.late);
    FillAbsentList(*AbsenteeCDS, lists.absent);
}

void THorloReportForm::FillReportWarnings() {
    const auto totals =
        qScopeGuard([this] { WarningsTotalLabel->setText(QString::number(WarningsCDS->RecordCount())); });
    ReportCDS->EmptyDataSet();
    WarningsCDS->EmptyDataSet();
    EventCDS->CheckBrowseMode();
    const std::vector<TEventPair> pairs = ChosenPairs();
    const QString problem = EventPairsProblem(pairs, [this](qint64 id) { return EventTypeName(id); });
    if (!problem.isEmpty()) {
        ShowWarning(problem);
        return;
    }
    THourGlass hourGlass({ReportCDS, WarningsCDS, EventCDS});
    TEmployeeFilter filter;
    if (SpecificRB->isChecked()) filter.employeeId = SelectedEmployeeID;
    const QDate from = FromDTP->date(), to = ToDTP->date();
    TWorkProgress progress(_REPORT_PROGRESS_CAP, CountReportEvents(Connection(), from, to, filter));
    THoursReport report;
    WalkHoursReport(
        Connection(), from, to, filter, pairs, {MinCalcLenSE->value(), MaxCalcLenSE->value()}, WorkingDay,
        [&](const THoursRow& r) { report.hours.push_back(r); },
        [&](const TWarningRow& w) { report.warnings.push_back(w); },
        [&](qint64 events) { return progress.Step(events); });
    if (progress.Cancelled()) return; // half a report is no report
    FillHoursList(*ReportCDS, report.hours);
    FillWarningsList(*WarningsCDS, report.warnings);
    if (!report.warnings.empty()) PageControl->setCurrentWidget(WarningsTS);
}

// ---------------------------------------------------------------- options

void THorloReportForm::OptionsToControls() {
    TReportOptions defaults;
    defaults.MinCalcLen = MinCalcLenSE->value();
    defaults.MaxCalcLen = MaxCalcLenSE->value();
    defaults.MaxExclLen = MaxExclLenSE->value();
    defaults.AllowedPauseLen = AllowedPauseLenSE->value();
    const TReportOptions o = TReportOptions::Read(Connection(), DefaultPairOpeners(Connection()), defaults);
    MinCalcLenSE->setValue(o.MinCalcLen);
    MaxCalcLenSE->setValue(o.MaxCalcLen);
    MaxExclLenSE->setValue(o.MaxExclLen);
    AllowedPauseLenSE->setValue(o.AllowedPauseLen);
    if (o.AllEmp) {
        AllRB->setChecked(true);
        AllRBClick();
    } else {
        SpecificRB->setChecked(true);
        SpecificRBClick();
    }
    WorkingDay = o.Limits;
    for (const QString& key : TWorkingDayLimits::Keys())
        WorkingTimeEdit(key)->setText(WorkingDay.Value(key));

    EventCDS->DisableControls();
    const auto resume = qScopeGuard([list = EventCDS] { list->EnableControls(); });
    EventCDS->EmptyDataSet();
    TField* from = EventCDS->FieldByName(QStringLiteral("FromEventTypeID"));
    for (qint64 id : o.FromEventIDs) {
        EventCDS->Append();
        from->SetAsLargeInt(id);
        EventCDS->Post();
    }
    EventCDS->First();
}

void THorloReportForm::ControlsToOptions() {
    TReportOptions o;
    EventCDS->CheckBrowseMode();
    const int from = EventCDS->FieldByName(QStringLiteral("FromEventTypeID"))->Index();
    for (int row = 0; row < EventCDS->RecordCount(); ++row) {
        const QVariant id = EventCDS->RowValue(row, from);
        if (!id.isNull() && id.toLongLong() > 0) o.FromEventIDs << id.toLongLong();
    }
    o.MinCalcLen = MinCalcLenSE->value();
    o.MaxCalcLen = MaxCalcLenSE->value();
    o.MaxExclLen = MaxExclLenSE->value();
    o.AllowedPauseLen = AllowedPauseLenSE->value();
    o.AllEmp = AllRB->isChecked();
    o.Limits = WorkingDay;
    o.Write(Connection());
}

QLineEdit* THorloReportForm::WorkingTimeEdit(const QString& key) const {
    QLineEdit* const edits[] = {StartWorkingTimeEdit, EndWorkingTimeEdit, EndWorkingDelayTimeEdit};
    return edits[TWorkingDayLimits::Keys().indexOf(key)];
}

bool THorloReportForm::WorkingTimeFromControls() {
    TWorkingDayLimits limits;
    for (const QString& key : TWorkingDayLimits::Keys()) {
        const QString refusal = limits.Set(key, WorkingTimeEdit(key)->text());
        if (!refusal.isEmpty()) {
            ShowWarning(refusal);
            WorkingTimeEdit(key)->setFocus();
            return false;
        }
    }
    if (const QString problem = limits.Problem(); !problem.isEmpty()) {
        ShowWarning(problem);
        EndWorkingTimeEdit->setFocus();
        return false;
    }
    WorkingDay = limits;
    // shown as stored: "8:00" becomes "08:00:00"
    for (const QString& key : TWorkingDayLimits::Keys())
        WorkingTimeEdit(key)->setText(WorkingDay.Value(key));
    return true;
}

// ---------------------------------------------------------------- event pairs

void THorloReportForm::EventCDSFromEventTypeIDChange(TField& field) {
    TField* to = EventCDS->FieldByName(QStringLiteral("ToEventTypeID"));
    if (field.IsNull())
        to->Clear();
    else
        to->SetAsLargeInt(HorloDM->GetInverseEventTypeID(field.AsLargeInt()));
    EventCDS->FieldByName(QStringLiteral("EventFrom"))->SetAsString(EventTypeName(field.Value()));
    EventCDS->FieldByName(QStringLiteral("EventTo"))->SetAsString(EventTypeName(to->Value()));
}

void THorloReportForm::CheckPairOf(qint64 openingType) const {
    std::vector<TEventPair> pairs = ChosenPairs(EventCDS->RecIndex());
    pairs.push_back({openingType, HorloDM->GetInverseEventTypeID(openingType)});
    if (const qint64 both = OpeningAndClosingType(pairs))
        throw EDatabaseError(Format(_REPORT_PAIR_BOTH_ERR, {EventTypeName(both)}));
}

void THorloReportForm::ExcludeLabelClick() {
    EventCDS->CheckBrowseMode();
    EventCDS->Append();
    EventDBG->setFocus();
}

void THorloReportForm::RemoveLabelClick() {
    if (EventCDS->IsEmpty() && EventCDS->GetState() != TDataSet::State::Insert) return;
    EventCDS->Delete();
}

bool THorloReportForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == ExcludeLabel) {
            Guarded([this] { ExcludeLabelClick(); });
            return true;
        }
        if (watched == RemoveLabel) {
            Guarded([this] { RemoveLabelClick(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------- sorting and printing

void THorloReportForm::TitleClick(TDBGrid* grid, int column) {
    auto* list = qobject_cast<TClientDataSet*>(grid->DataSet());
    const TField* field = grid->ColumnField(column);
    if (!list || !field) return;
    const QString order = NextSortOrder(*list, field->FieldName());
    if (order.isEmpty()) return; // this column has no sort order
    list->SetIndexName(order);
    grid->SetSortIndicator(column, order == field->FieldName() + QLatin1Char('A') ? Qt::AscendingOrder
                                                                                  : Qt::DescendingOrder);
}

TDBGrid* THorloReportForm::ActiveGrid() const {
    QWidget* page = PageControl->currentWidget();
    if (page == LateTS) return LateDBG;
    if (page == AbsenteeTS) return AbsenteeDBG;
    if (page == ReportTS) return ReportDBG;
    if (page == WarningsTS) return WarningsDBG;
    return PresentDBG;
}

QString THorloReportForm::PrintParams() const {
    const QString caption = windowTitle();
    const QString tab = PageControl->tabText(PageControl->currentIndex()).remove(QLatin1Char('&'));
    const QString period = ShortDate(FromDTP) + QStringLiteral(" - ") + ShortDate(ToDTP);
    QWidget* page = PageControl->currentWidget();
    // the hours and warnings of one employee say whose they are
    const QString employee =
        SpecificRB->isChecked() && !EmployeeEdit->text().isEmpty()
            ? QStringLiteral("\r\n") + _HORLO_EMPLOYEE + QStringLiteral(": ") + EmployeeEdit->text()
            : QString();
    if (page == ReportTS) return ::PrintParams(caption, period + employee);
    return ::PrintParams(caption + QStringLiteral(" - ") + tab,
                         page == WarningsTS ? period + employee : ShortDate(DateDTP));
}

void THorloReportForm::PrintButtonClick() {
    PrintThroughConsole(ActiveGrid(), PrintParams());
}
