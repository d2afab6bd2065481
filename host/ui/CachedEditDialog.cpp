// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ui/CachedEditDialog.h"

#include "host/data/DataSet.h"
#include "host/data/HostStrings.h"
#include "host/ui/DBGrid.h"

#include <QCloseEvent>
#include <QKeyEvent>

TCachedEditDialog::TCachedEditDialog(TDataSet* edited, TCloseBox closeBox, QWidget* parent)
    : QDialog(parent), m_edited(edited), m_closeBox(closeBox) {}

bool TCachedEditDialog::PendingEdits() const {
    return m_edited && m_edited->Active() && m_edited->UpdatesPending();
}

void TCachedEditDialog::DiscardEdits() {
    if (!m_edited) return;
    m_edited->Cancel(); // an open edit or insert; nothing otherwise
    if (m_edited->UpdatesPending()) m_edited->CancelUpdates();
}

// The one place where leaving by Esc or by the close box meets changes that it
// would lose: Esc is the Cancel button, which drops them, and the close box drops
// them under TCloseBox::Discard.
bool TCachedEditDialog::MayDropEdits() {
    if (!m_save || !PendingEdits()) return true;
    switch (AskYesNoCancel(_CMN_SAVE_CHANGES_QST)) {
    case TModalResult::Yes:
        m_save(); // its errors are shown; what it could not store stays
        return !PendingEdits();
    case TModalResult::No:
        Guarded([this] { DiscardEdits(); });
        return !PendingEdits();
    case TModalResult::None: // nobody to ask: the form's own policy
        return true;
    default:
        return false;
    }
}

void TCachedEditDialog::keyPressEvent(QKeyEvent* event) {
    if (m_escape && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (!Busy() && MayDropEdits()) m_escape->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TCachedEditDialog::reject() {
    if (Busy() || !MayDropEdits()) return;
    if (m_closeBox == TCloseBox::Discard) Guarded([this] { DiscardEdits(); });
    QDialog::reject();
}

void TCachedEditDialog::closeEvent(QCloseEvent* event) {
    // also a hidden dialog, which QDialog would let go without asking reject()
    if (Busy()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TCachedEditDialog::showEvent(QShowEvent* event) {
    if (m_save)
        for (TDBGrid* grid : findChildren<TDBGrid*>())
            if (grid->DataSet() == m_edited) grid->EscapeCancelsRecord = false;
    QDialog::showEvent(event);
}
