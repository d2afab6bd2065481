// SPDX-License-Identifier: GPL-3.0-or-later
// The host's modal boxes and pickers, the hourglass cursor, and the default
// display of errors that escape a handler. Every modal goes through
// TDialogScript, so that a test can answer it without a window and see what
// was shown.
#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <exception>
#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>

class TDataSet;
class QProgressDialog;

enum class TMsgDlgType { Warning, Error, Information, Confirmation };
enum class TModalResult { None, Ok, Cancel, Yes, No };

// One OK button for warnings, errors and information; Yes and No for a confirmation,
// with Enter on defaultButton (Yes or No).
TModalResult MessageDlg(const QString& text, TMsgDlgType type,
                        TModalResult defaultButton = TModalResult::Yes);
void ShowWarning(const QString& text);
void ShowError(const QString& text);
void ShowInformation(const QString& text);
bool Confirm(const QString& text, TModalResult defaultButton = TModalResult::Yes); // only Yes proceeds
// Da (Yes), Ne (No) or Otkaži (Cancel); None when nobody can be asked (unattended).
TModalResult AskYesNoCancel(const QString& text);

// Date picker preset to date; true and the picked date when confirmed.
bool GetDate(QDate& date);

// Asked when a chosen value is there already: 0 choose again, 1 clear, 2 leave it.
int ChangeOptions();

// A password entry with OK and Cancel; true and the text when confirmed.
bool InputPassword(const QString& caption, const QString& prompt, QString& password);

// Labelled text entries with OK and Cancel, preset to values; true and the
// texts when confirmed. A script answers each entry with a text of its own.
bool InputTexts(const QString& caption, const QStringList& labels, QStringList& values);

// Labelled date fields (TDateEdit) with OK and Cancel, preset to dates; OK names a
// field whose text is no date and stays. True and the dates when confirmed. A
// script answers each field with a text; one that is no date is warned about, as
// OK would, and cancels.
bool InputDates(const QString& caption, const QStringList& labels, QList<QDate>& dates);

// What a modal showed: its kind ("warning", "error", "information",
// "confirmation", "date", "options", "employee", ...), its text, and for a
// message box the answer that Enter gives.
struct TShownDialog {
    QString kind;
    QString text;
    TModalResult defaultButton = TModalResult::None;
};

// The seam for tests and scripted runs (like KeePassXC's MessageBox::setNextAnswer).
// A scripted answer is used once, in the order given, and no window opens.
// Unattended: no window opens at all; a box without a scripted answer gets its
// default (OK; No for a confirmation, whatever its default button, so that no
// unseen box sets anything going; cancel for pickers and entries; 2 for
// ChangeOptions).
class TDialogScript {
public:
    static void SetUnattended(bool on);
    static bool Unattended();
    static void SetNextAnswer(TModalResult answer);
    static void SetNextDate(const QDate& date); // an invalid date cancels
    static void SetNextOption(int option);
    static void SetNextEmployee(qint64 employeeID); // 0 cancels
    static void SetNextText(const QString& text);   // a null text cancels
    static const QList<TShownDialog>& Shown();
    // Forgets the scripted answers and what was shown.
    static void Reset();

    // For the dialogs themselves.
    static void Record(const QString& kind, const QString& text,
                       TModalResult defaultButton = TModalResult::None);
    static std::optional<TModalResult> TakeAnswer();
    static std::optional<QDate> TakeDate();
    static std::optional<int> TakeOption();
    static std::optional<qint64> TakeEmployee();
    static std::optional<QString> TakeText();
    // The next long work with a progress display is stopped at its first step,
    // as by "Otkaži".
    static void CancelNextProgress();
    static bool TakeProgressCancel();
};

// A progress bar with "Otkaži" for long work, shown when it lasts over half a
// second. Step tells how far the work is and is false once it was cancelled;
// the work then stops (a report shows nothing of what it had; door commands
// end after the door at hand).
class TWorkProgress {
public:
    TWorkProgress(const QString& caption, qint64 total);
    ~TWorkProgress();
    TWorkProgress(const TWorkProgress&) = delete;
    TWorkProgress& operator=(const TWorkProgress&) = delete;
    bool Step(qint64 done);
    // What is being done now, above the bar (the caption until it is set).
    void SetText(const QString& text);
    bool Cancelled() const { return m_cancelled; }

private:
    qint64 m_total;
    bool m_cancelled = false;
    std::unique_ptr<QProgressDialog> m_dialog;
};

// The hourglass cursor for a long operation, with the views of the given data
// sets suspended; both come back when the guard goes, also after an error.
class THourGlass {
public:
    explicit THourGlass(std::initializer_list<TDataSet*> dataSets = {});
    ~THourGlass();
    THourGlass(const THourGlass&) = delete;
    THourGlass& operator=(const THourGlass&) = delete;
    static bool Active(); // some guard is alive
    static int Count();   // guards made so far

private:
    QList<TDataSet*> m_dataSets;
};

// The host's default error display, for a handler's catch (...): database and
// conversion errors show their message in an error box, others a general text.
void HandleException() noexcept;
void ShowException(std::exception_ptr error) noexcept;

// Runs a handler and shows what escapes it; true when it finished.
template <class F> bool Guarded(F&& handler) noexcept {
    try {
        std::forward<F>(handler)();
        return true;
    } catch (...) {
        HandleException();
        return false;
    }
}
