// SPDX-License-Identifier: GPL-3.0-or-later
// The one date field of every dialog. A date is typed whole in either form
// people here write ("01.11.2026", "1.11.2026." or "2026-11-30") and taken as
// typed, or a part of it is selected and typed over; Up and Down step the part
// under the cursor; the calendar button in the field, Alt+Down or F4 pick from a
// calendar. Tab leaves the field. Once left, a date shows as dd.mm.yyyy; a text
// that is no date stays as typed, marked, and Problem() names it.
#pragma once

#include <QDate>
#include <QLineEdit>

class TDateEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TDateEdit(QWidget* parent = nullptr);

    // What the field is called where it is named ("Od datuma").
    void setCaption(const QString& caption) { m_caption = caption; }
    QString caption() const { return m_caption; }

    // Invalid while the text is no date.
    QDate date() const;
    void setDate(const QDate& date);
    // Empty while the text is a date; else the warning naming the field and the text.
    QString Problem() const;
    // True when the text is a date; else shows Problem() and gives the field the focus.
    bool CheckDate();
    // The calendar, preset to the date shown (today when none).
    void PickDate();

signals:
    // The text became another date.
    void dateChanged(const QDate& date);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void TextChanged();
    void Tidy();
    void Step(int delta);
    void Mark(bool wrong);

    QString m_caption;
    QDate m_shown; // the date the text held when last looked at
};
