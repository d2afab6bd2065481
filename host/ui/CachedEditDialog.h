// SPDX-License-Identifier: GPL-3.0-or-later
// The base of the dialogs that edit the rows of one query, whose changes mostly
// wait in the query's cache until OK or Apply. It holds what they all repeat:
// buttons bound to actions, every handler run through Guarded, Esc as the
// escape button (the Cancel button of a form that has one), the close box by the
// form's policy, the "Sačuvati izmene?" question before pending edits would be
// lost, and no leaving while the form is busy. The form keeps its own
// handlers (OK, Apply, Cancel and the rest); this class only routes to them.
#pragma once

#include "host/ui/Dialogs.h"

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QPushButton>

#include <functional>
#include <type_traits>

class TDataSet;

// What the close box (and reject() from anywhere) does with the rows still
// pending in the query.
enum class TCloseBox {
    Keep,    // leaves the query's cache as it is
    Discard, // drops an open edit and the cache first
};

class TCachedEditDialog : public QDialog {
    Q_OBJECT
public:
    // edited: the query the dialog edits (null: none); closeBox: the close box's policy.
    TCachedEditDialog(TDataSet* edited, TCloseBox closeBox, QWidget* parent = nullptr);

    // The close box ends here (through QDialog::closeEvent), as does reject()
    // called from outside: nothing while busy, else the close-box policy, then
    // the dialog closes.
    void reject() override;
    // A form whose long work keeps its controls off says so here; meanwhile
    // neither Esc nor the close box closes it.
    virtual bool Busy() const { return false; }

protected:
    // Runs the form's handler through Guarded whenever sender emits signal.
    template <class Sender, class Signal, class Form>
    void Handle(Sender* sender, Signal signal, void (Form::*handler)()) {
        static_assert(std::is_base_of_v<TCachedEditDialog, Form>);
        Form* form = static_cast<Form*>(this);
        connect(sender, signal, this, [form, handler] { Guarded([form, handler] { (form->*handler)(); }); });
    }
    template <class Form> void OnClick(QAbstractButton* button, void (Form::*handler)()) {
        Handle(button, &QAbstractButton::clicked, handler);
    }
    // A new action with the button's caption that runs the handler: the button
    // triggers it and is enabled whenever it is.
    template <class Form> QAction* ButtonAction(QPushButton* button, void (Form::*handler)()) {
        auto* action = new QAction(button->text(), this);
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::changed, button,
                [button, action] { button->setEnabled(action->isEnabled()); });
        Handle(action, &QAction::triggered, handler);
        return action;
    }
    // Esc (without modifiers) clicks this button; without one Esc is QDialog's (reject).
    void SetEscapeButton(QAbstractButton* button) { m_escape = button; }
    // What "Da" of the "Sačuvati izmene?" question runs (the form's Apply); without
    // it pending rows are left to the close-box policy unasked.
    template <class Form> void SetSaveHandler(void (Form::*handler)()) {
        static_assert(std::is_base_of_v<TCachedEditDialog, Form>);
        Form* form = static_cast<Form*>(this);
        m_save = [form, handler] { Guarded([form, handler] { (form->*handler)(); }); };
    }

    // Drops the changes that are not stored: the open edit or insert, then the cache.
    void DiscardEdits();

    // Asked before pending edits would be lost (Esc, the close box, a form's
    // reload): "Sačuvati izmene?" Da applies them (and stays if that fails), Ne
    // drops them, Otkaži stays. False: stay as it is.
    bool MayDropEdits();

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Esc in the grids of the edited query reaches the dialog, which asks about the
    // row's edit with the rest instead of dropping it unasked.
    void showEvent(QShowEvent* event) override;

private:
    // The query holds changes that are not stored: an open edit or cached rows.
    bool PendingEdits() const;

    TDataSet* m_edited;
    TCloseBox m_closeBox;
    QAbstractButton* m_escape = nullptr;
    std::function<void()> m_save;
};
