// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ui/DateEdit.h"

#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/Dialogs.h"

#include <QAction>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpressionValidator>

namespace {

const QString kShownForm = QStringLiteral("dd.MM.yyyy");

// A small calendar sheet for the field's button.
QIcon CalendarIcon(const QPalette& palette) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const QColor ink = palette.color(QPalette::Text);
    p.setPen(ink);
    p.setBrush(palette.color(QPalette::Base));
    p.drawRect(1, 2, 13, 12);
    p.fillRect(1, 2, 14, 3, ink);
    for (int y = 7; y <= 11; y += 4)
        for (int x = 3; x <= 12; x += 3)
            p.fillRect(x, y, 2, 2, ink);
    return QIcon(pixmap);
}

} // namespace

TDateEdit::TDateEdit(QWidget* parent) : QLineEdit(parent) {
    // digits and the separators of both forms; what they make is judged when the field is left
    setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.\\- ]{0,12}")), this));
    setPlaceholderText(QStringLiteral("dd.mm.gggg"));
    const int width = fontMetrics().horizontalAdvance(QStringLiteral("00.00.00000")) + 36; // and the button
    setMinimumWidth(width);
    setMaximumWidth(width + 40);
    QAction* pick = addAction(CalendarIcon(palette()), QLineEdit::TrailingPosition);
    pick->setToolTip(_CMN_DATE_PICK_CAP);
    connect(pick, &QAction::triggered, this, [this] { Guarded([this] { PickDate(); }); });
    connect(this, &QLineEdit::textChanged, this, &TDateEdit::TextChanged);
    connect(this, &QLineEdit::editingFinished, this, &TDateEdit::Tidy);
}

QDate TDateEdit::date() const {
    return TypedDate(text());
}

void TDateEdit::setDate(const QDate& date) {
    setText(date.isValid() ? date.toString(kShownForm) : QString());
    Mark(false);
}

QString TDateEdit::Problem() const {
    return DateProblem(text(), m_caption);
}

bool TDateEdit::CheckDate() {
    const QString problem = Problem();
    if (problem.isEmpty()) return true;
    Mark(true);
    ShowWarning(problem);
    setFocus();
    selectAll();
    return false;
}

void TDateEdit::PickDate() {
    QDate picked = date().isValid() ? date() : Now().date();
    if (GetDate(picked)) setDate(picked);
}

void TDateEdit::TextChanged() {
    Mark(false); // judged again when the field is left
    const QDate now = date();
    if (!now.isValid() || now == m_shown) return;
    m_shown = now;
    emit dateChanged(now);
}

// A date shows in one form once typed; a text that is none stays, marked.
void TDateEdit::Tidy() {
    const QDate typed = date();
    if (typed.isValid()) {
        const QString shown = typed.toString(kShownForm);
        if (text() != shown) setText(shown);
    }
    Mark(!text().trimmed().isEmpty() && !typed.isValid());
}

void TDateEdit::Mark(bool wrong) {
    setToolTip(wrong ? Problem() : QString());
    QPalette p = palette();
    p.setColor(QPalette::Base, wrong ? QColor(255, 220, 220) : QPalette().color(QPalette::Base));
    setPalette(p);
}

// Up and Down move the part under the cursor: the day, the month or the year.
void TDateEdit::Step(int delta) {
    const QDate current = date();
    if (!current.isValid()) return;
    const QString t = text();
    const bool iso = t.contains(QLatin1Char('-'));
    const QChar separator = iso ? QLatin1Char('-') : QLatin1Char('.');
    const int part = int(t.left(cursorPosition()).count(separator)); // 0, 1 or 2 from the left
    const int year = iso ? 0 : 2, day = iso ? 2 : 0;
    const QDate next = part == day    ? current.addDays(delta)
                       : part == year ? current.addYears(delta)
                                      : current.addMonths(delta);
    const QString stepped = next.toString(iso ? QStringLiteral("yyyy-MM-dd") : kShownForm);
    setText(stepped);
    // the cursor stays in its part
    int at = 0;
    for (int i = 0; i < part; ++i)
        at = int(stepped.indexOf(separator, at)) + 1;
    const int end = int(stepped.indexOf(separator, at));
    setCursorPosition(end < 0 ? int(stepped.size()) : end);
}

void TDateEdit::keyPressEvent(QKeyEvent* event) {
    const bool alt = event->modifiers() & Qt::AltModifier;
    if (event->key() == Qt::Key_F4 || (alt && event->key() == Qt::Key_Down)) {
        Guarded([this] { PickDate(); });
        return;
    }
    if (!alt && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        Step(event->key() == Qt::Key_Up ? 1 : -1);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TDateEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event); // editingFinished tidies a date
    if (!text().trimmed().isEmpty() && !date().isValid()) Mark(true);
}
