// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ui/Mnemonics.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSet>

#include <functional>

namespace {

// The letter after a single '&' (a doubled one is a plain '&'); null when none.
QChar Mnemonic(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        if (text[i] == QLatin1Char('&')) {
            if (text[i + 1] != QLatin1Char('&')) return text[i + 1].toLower();
            ++i;
        }
    return {};
}

// Where a free letter of text stands: a word's first letter first, then any; -1 when none.
qsizetype FreeLetter(const QString& text, const QSet<QChar>& taken) {
    for (bool initialsOnly : {true, false})
        for (qsizetype i = 0; i < text.size(); ++i) {
            const bool initial = i == 0 || !text[i - 1].isLetterOrNumber();
            if (text[i].isLetter() && (initial || !initialsOnly) && !taken.contains(text[i].toLower()))
                return i;
        }
    return -1;
}

// get and set one caption each; captions that have a mnemonic keep it.
void Assign(const QList<std::pair<std::function<QString()>, std::function<void(const QString&)>>>& captions,
            QSet<QChar> taken) {
    for (const auto& [get, set] : captions)
        if (const QChar c = Mnemonic(get()); !c.isNull()) taken.insert(c);
    for (const auto& [get, set] : captions) {
        const QString text = get();
        if (!Mnemonic(text).isNull() || text.contains(QLatin1Char('&'))) continue;
        const qsizetype at = FreeLetter(text, taken);
        if (at < 0) continue;
        taken.insert(text[at].toLower());
        set(QString(text).insert(at, QLatin1Char('&')));
    }
}

} // namespace

void GiveMnemonics(QWidget* widget) {
    QList<std::pair<std::function<QString()>, std::function<void(const QString&)>>> captions;
    QSet<QChar> taken;
    if (qobject_cast<QMenuBar*>(widget) || qobject_cast<QMenu*>(widget)) {
        for (QAction* action : widget->actions())
            if (!action->isSeparator() && action->isVisible())
                captions.append({[action] { return action->text(); },
                                 [action](const QString& t) { action->setText(t); }});
    } else {
        for (QAbstractButton* button : widget->findChildren<QAbstractButton*>())
            // tool buttons show icons
            if (!button->inherits("QToolButton") && button->isVisibleTo(widget))
                captions.append({[button] { return button->text(); },
                                 [button](const QString& t) { button->setText(t); }});
        // a label's letter moves the focus to its field, and a window's menu bar keeps its own
        for (const QLabel* label : widget->findChildren<QLabel*>())
            if (label->buddy())
                if (const QChar c = Mnemonic(label->text()); !c.isNull()) taken.insert(c);
        for (const QMenuBar* bar : widget->findChildren<QMenuBar*>())
            for (const QAction* action : bar->actions())
                if (const QChar c = Mnemonic(action->text()); !c.isNull()) taken.insert(c);
    }
    Assign(captions, taken);
}
