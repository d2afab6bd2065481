// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ui/Dialogs.h"

#include "host/data/DataSet.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/DateEdit.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace {

struct TScriptState {
    bool unattended = false;
    std::deque<TModalResult> answers;
    std::deque<QDate> dates;
    std::deque<int> options;
    std::deque<qint64> employees;
    std::deque<QString> texts;
    int progressCancels = 0;
    QList<TShownDialog> shown;
};

TScriptState& Script() {
    static TScriptState state;
    return state;
}

template <class T> std::optional<T> Take(std::deque<T>& queue) {
    if (queue.empty()) return std::nullopt;
    T value = queue.front();
    queue.pop_front();
    return value;
}

int g_hourGlassDepth = 0;
int g_hourGlassCount = 0;

const char* KindOf(TMsgDlgType type) {
    switch (type) {
    case TMsgDlgType::Warning:
        return "warning";
    case TMsgDlgType::Error:
        return "error";
    case TMsgDlgType::Information:
        return "information";
    case TMsgDlgType::Confirmation:
        return "confirmation";
    }
    return "";
}

} // namespace

// ---------------------------------------------------------------- script

void TDialogScript::SetUnattended(bool on) {
    Script().unattended = on;
}

bool TDialogScript::Unattended() {
    return Script().unattended;
}

void TDialogScript::SetNextAnswer(TModalResult answer) {
    Script().answers.push_back(answer);
}

void TDialogScript::SetNextDate(const QDate& date) {
    Script().dates.push_back(date);
}

void TDialogScript::SetNextOption(int option) {
    Script().options.push_back(option);
}

void TDialogScript::SetNextEmployee(qint64 employeeID) {
    Script().employees.push_back(employeeID);
}

void TDialogScript::SetNextText(const QString& text) {
    Script().texts.push_back(text);
}

const QList<TShownDialog>& TDialogScript::Shown() {
    return Script().shown;
}

void TDialogScript::Reset() {
    const bool unattended = Script().unattended;
    Script() = TScriptState();
    Script().unattended = unattended;
}

void TDialogScript::CancelNextProgress() {
    ++Script().progressCancels;
}

bool TDialogScript::TakeProgressCancel() {
    if (Script().progressCancels == 0) return false;
    --Script().progressCancels;
    return true;
}

void TDialogScript::Record(const QString& kind, const QString& text, TModalResult defaultButton) {
    Script().shown.append({kind, text, defaultButton});
}

std::optional<TModalResult> TDialogScript::TakeAnswer() {
    return Take(Script().answers);
}

std::optional<QDate> TDialogScript::TakeDate() {
    return Take(Script().dates);
}

std::optional<int> TDialogScript::TakeOption() {
    return Take(Script().options);
}

std::optional<qint64> TDialogScript::TakeEmployee() {
    return Take(Script().employees);
}

std::optional<QString> TDialogScript::TakeText() {
    return Take(Script().texts);
}

// ---------------------------------------------------------------- message boxes

TModalResult MessageDlg(const QString& text, TMsgDlgType type, TModalResult defaultButton) {
    const bool confirmation = type == TMsgDlgType::Confirmation;
    if (!confirmation) defaultButton = TModalResult::Ok;
    TDialogScript::Record(QString::fromLatin1(KindOf(type)), text, defaultButton);
    if (auto answer = TDialogScript::TakeAnswer()) return *answer;
    if (TDialogScript::Unattended()) return confirmation ? TModalResult::No : TModalResult::Ok;

    QMessageBox box(QApplication::activeWindow());
    switch (type) {
    case TMsgDlgType::Warning:
        box.setIcon(QMessageBox::Warning);
        box.setWindowTitle(_CMN_WARNING_CAP);
        break;
    case TMsgDlgType::Error:
        box.setIcon(QMessageBox::Critical);
        box.setWindowTitle(_CMN_ERROR_CAP);
        break;
    case TMsgDlgType::Information:
        box.setIcon(QMessageBox::Information);
        box.setWindowTitle(_CMN_INFORMATION_CAP);
        break;
    case TMsgDlgType::Confirmation:
        box.setIcon(QMessageBox::Question);
        box.setWindowTitle(_CMN_CONFIRMATION_CAP);
        break;
    }
    box.setText(text);
    if (confirmation) {
        QPushButton* yes = box.addButton(_YES_CAP, QMessageBox::YesRole);
        QPushButton* no = box.addButton(_NO_CAP, QMessageBox::NoRole);
        box.setDefaultButton(defaultButton == TModalResult::No ? no : yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? TModalResult::Yes : TModalResult::No;
    }
    QPushButton* ok = box.addButton(_CMN_OK_CAP, QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return TModalResult::Ok;
}

void ShowWarning(const QString& text) {
    MessageDlg(text, TMsgDlgType::Warning);
}

void ShowError(const QString& text) {
    MessageDlg(text, TMsgDlgType::Error);
}

void ShowInformation(const QString& text) {
    MessageDlg(text, TMsgDlgType::Information);
}

bool Confirm(const QString& text, TModalResult defaultButton) {
    return MessageDlg(text, TMsgDlgType::Confirmation, defaultButton) == TModalResult::Yes;
}

namespace {

// A question with two answers and Otkaži (also Esc); the index of the answer
// clicked, 2 for Otkaži.
int AskThreeWays(const QString& text,
                 std::initializer_list<std::pair<const char*, QMessageBox::ButtonRole>> answers) {
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(_CMN_CONFIRMATION_CAP);
    box.setText(text);
    QList<QAbstractButton*> buttons;
    for (const auto& [caption, role] : answers)
        buttons << box.addButton(QString::fromUtf8(caption), role);
    QPushButton* cancel = box.addButton(_CMN_CANCEL_CAP, QMessageBox::RejectRole);
    box.setDefaultButton(qobject_cast<QPushButton*>(buttons.value(0)));
    box.setEscapeButton(cancel);
    box.exec();
    const qsizetype clicked = buttons.indexOf(box.clickedButton());
    return clicked < 0 ? 2 : int(clicked);
}

} // namespace

TModalResult AskYesNoCancel(const QString& text) {
    TDialogScript::Record(QStringLiteral("question"), text, TModalResult::Yes);
    if (auto answer = TDialogScript::TakeAnswer()) return *answer;
    if (TDialogScript::Unattended()) return TModalResult::None;
    switch (AskThreeWays(text, {{_YES_CAP, QMessageBox::YesRole}, {_NO_CAP, QMessageBox::NoRole}})) {
    case 0:
        return TModalResult::Yes;
    case 1:
        return TModalResult::No;
    default:
        return TModalResult::Cancel;
    }
}

// ---------------------------------------------------------------- pickers

bool GetDate(QDate& date) {
    TDialogScript::Record(QStringLiteral("date"), date.toString(QStringLiteral("yyyy-MM-dd")));
    if (auto scripted = TDialogScript::TakeDate()) {
        if (!scripted->isValid()) return false;
        date = *scripted;
        return true;
    }
    if (TDialogScript::Unattended()) return false;

    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(_CMN_SELECT_DATE_CAP);
    auto* calendar = new QCalendarWidget(&dialog);
    calendar->setLocale(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia));
    calendar->setFirstDayOfWeek(Qt::Monday);
    calendar->setGridVisible(true);
    if (date.isValid()) calendar->setSelectedDate(date);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(_CMN_OK_CAP, QDialogButtonBox::AcceptRole);
    buttons->addButton(_CMN_CANCEL_CAP, QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(calendar, &QCalendarWidget::activated, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(calendar);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    date = calendar->selectedDate();
    return true;
}

int ChangeOptions() {
    TDialogScript::Record(QStringLiteral("options"), _CMN_CHANGE_OPTIONS_CONF);
    if (auto scripted = TDialogScript::TakeOption()) return *scripted;
    if (TDialogScript::Unattended()) return 2;

    return AskThreeWays(_CMN_CHANGE_OPTIONS_CONF, {{_CMN_CHOOSE_AGAIN_CAP, QMessageBox::AcceptRole},
                                                   {_CMN_CLEAR_CAP, QMessageBox::DestructiveRole}});
}

bool InputPassword(const QString& caption, const QString& prompt, QString& password) {
    TDialogScript::Record(QStringLiteral("password"), prompt);
    if (auto scripted = TDialogScript::TakeText()) {
        if (scripted->isNull()) return false;
        password = *scripted;
        return true;
    }
    if (TDialogScript::Unattended()) return false;

    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setOkButtonText(_CMN_OK_CAP);
    dialog.setCancelButtonText(_CMN_CANCEL_CAP);
    if (dialog.exec() != QDialog::Accepted) return false;
    password = dialog.textValue();
    return true;
}

namespace {

// A script's answers to a dialog of labelled entries, a text each; none when no
// script answers, null when it ran out of answers (a cancel).
std::optional<QStringList> ScriptedTexts(const QStringList& labels) {
    auto scripted = TDialogScript::TakeText();
    if (!scripted) return std::nullopt;
    QStringList texts{*scripted};
    while (texts.size() < labels.size() && !texts.last().isNull())
        texts << TDialogScript::TakeText().value_or(QString());
    return texts.last().isNull() ? QStringList() : texts;
}

} // namespace

bool InputTexts(const QString& caption, const QStringList& labels, QStringList& values) {
    TDialogScript::Record(QStringLiteral("texts"), caption);
    if (auto texts = ScriptedTexts(labels)) {
        if (texts->isEmpty()) return false;
        values = *texts;
        return true;
    }
    if (TDialogScript::Unattended()) return false;

    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(caption);
    auto* form = new QFormLayout(&dialog);
    QList<QLineEdit*> edits;
    for (qsizetype i = 0; i < labels.size(); ++i) {
        edits << new QLineEdit(values.value(i), &dialog);
        form->addRow(labels[i], edits.last());
    }
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(_CMN_OK_CAP, QDialogButtonBox::AcceptRole);
    buttons->addButton(_CMN_CANCEL_CAP, QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    values.clear();
    for (const QLineEdit* edit : edits)
        values << edit->text();
    return true;
}

bool InputDates(const QString& caption, const QStringList& labels, QList<QDate>& dates) {
    TDialogScript::Record(QStringLiteral("dates"), caption);
    if (auto scripted = ScriptedTexts(labels)) {
        if (scripted->isEmpty()) return false;
        const QStringList& texts = *scripted;
        QList<QDate> typed;
        for (qsizetype i = 0; i < labels.size(); ++i) {
            if (const QString problem = DateProblem(texts[i], labels[i]); !problem.isEmpty()) {
                ShowWarning(problem);
                return false;
            }
            typed << TypedDate(texts[i]);
        }
        dates = typed;
        return true;
    }
    if (TDialogScript::Unattended()) return false;

    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(caption);
    auto* form = new QFormLayout(&dialog);
    QList<TDateEdit*> edits;
    for (qsizetype i = 0; i < labels.size(); ++i) {
        edits << new TDateEdit(&dialog);
        edits.last()->setCaption(labels[i]);
        edits.last()->setDate(dates.value(i));
        form->addRow(labels[i], edits.last());
    }
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(_CMN_OK_CAP, QDialogButtonBox::AcceptRole);
    buttons->addButton(_CMN_CANCEL_CAP, QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        if (std::all_of(edits.begin(), edits.end(), [](TDateEdit* e) { return e->CheckDate(); }))
            dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    dates.clear();
    for (const TDateEdit* edit : edits)
        dates << edit->date();
    return true;
}

// ---------------------------------------------------------------- hourglass

THourGlass::THourGlass(std::initializer_list<TDataSet*> dataSets) {
    ++g_hourGlassDepth;
    ++g_hourGlassCount;
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::setOverrideCursor(Qt::WaitCursor);
    for (TDataSet* ds : dataSets) {
        if (!ds) continue;
        ds->DisableControls();
        m_dataSets.append(ds);
    }
}

THourGlass::~THourGlass() {
    for (auto it = m_dataSets.rbegin(); it != m_dataSets.rend(); ++it)
        (*it)->EnableControls();
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) QApplication::restoreOverrideCursor();
    --g_hourGlassDepth;
}

bool THourGlass::Active() {
    return g_hourGlassDepth > 0;
}

int THourGlass::Count() {
    return g_hourGlassCount;
}

// ---------------------------------------------------------------- errors

void ShowException(std::exception_ptr error) noexcept {
    try {
        try {
            std::rethrow_exception(error);
        } catch (const EDatabaseError& e) {
            ShowError(e.Message());
        } catch (const EConvertError& e) {
            ShowError(e.Message());
        } catch (const std::exception& e) {
            ShowError(Format(_CMN_UNEXPECTED_ERR, {QString::fromLocal8Bit(e.what())}));
        } catch (...) {
            ShowError(Format(_CMN_UNEXPECTED_ERR, {QStringLiteral("?")}));
        }
    } catch (...) {
        // showing the error failed as well; nothing more can be done here
    }
}

void HandleException() noexcept {
    ShowException(std::current_exception());
}

TWorkProgress::TWorkProgress(const QString& caption, qint64 total) : m_total(qMax<qint64>(total, 1)) {
    if (TDialogScript::Unattended() || !qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    // a caption taken from a button loses its Alt marker ("O&tklj.")
    const QString title = QString(caption).remove(QLatin1Char('&'));
    m_dialog = std::make_unique<QProgressDialog>(title, QStringLiteral("Otkaži"), 0, 1000,
                                                 QApplication::activeWindow());
    m_dialog->setWindowTitle(title);
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumDuration(500);
    m_dialog->setAutoReset(false);
    m_dialog->setValue(0);
}

TWorkProgress::~TWorkProgress() = default;

bool TWorkProgress::Step(qint64 done) {
    if (m_cancelled) return false;
    if (TDialogScript::TakeProgressCancel()) {
        m_cancelled = true;
        return false;
    }
    if (!m_dialog) return true;
    // a modal progress dialog lets the events in as it moves, "Otkaži" among them; once
    // cancelled it is not moved, which would show it again
    m_cancelled = m_dialog->wasCanceled();
    if (!m_cancelled) m_dialog->setValue(int(qMin<qint64>(done, m_total) * 1000 / m_total));
    m_cancelled = m_dialog->wasCanceled();
    return !m_cancelled;
}

void TWorkProgress::SetText(const QString& text) {
    if (m_dialog) m_dialog->setLabelText(text);
}
