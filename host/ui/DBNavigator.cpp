// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ui/DBNavigator.h"

#include "host/data/HostStrings.h"
#include "host/ui/Dialogs.h"

#include <QHBoxLayout>
#include <QToolButton>

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent) {
    // glyphs rather than theme icons: they look the same on every platform
    static const char* const glyphs[ButtonCount] = {"|◀", "◀", "▶", "▶|", "+", "−", "✓", "✕"};
    const QString hints[ButtonCount] = {_CMN_NAV_FIRST_CAP, _CMN_NAV_PRIOR_CAP,  _CMN_NAV_NEXT_CAP,
                                        _CMN_NAV_LAST_CAP,  _CMN_NAV_INSERT_CAP, _CMN_NAV_DELETE_CAP,
                                        _CMN_NAV_POST_CAP,  _CMN_NAV_CANCEL_CAP};
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    for (int i = 0; i < ButtonCount; ++i) {
        auto* button = new QToolButton(this);
        button->setText(QString::fromUtf8(glyphs[i]));
        button->setToolTip(hints[i]);
        button->setAutoRaise(true);
        button->setMinimumWidth(26);
        connect(button, &QToolButton::clicked, this, [this, i] { BtnClick(TNavigateBtn(i)); });
        layout->addWidget(button);
        m_buttons[size_t(i)] = button;
    }
    layout->addStretch();
    UpdateButtons();
}

TDBNavigator::~TDBNavigator() {
    for (const auto& c : m_connections)
        disconnect(c);
}

void TDBNavigator::SetDataSource(TDataSource* source) {
    for (const auto& c : m_connections)
        disconnect(c);
    m_connections.clear();
    m_dataSet = source ? source->DataSet : nullptr;
    if (m_dataSet) {
        m_connections << connect(m_dataSet, &TDataSet::DataChanged, this, &TDBNavigator::UpdateButtons);
        m_connections << connect(m_dataSet, &TDataSet::CurrentChanged, this, &TDBNavigator::UpdateButtons);
        m_connections << connect(m_dataSet, &TDataSet::StateChanged, this, &TDBNavigator::UpdateButtons);
        m_connections << connect(m_dataSet, &TDataSet::RecordChanged, this, &TDBNavigator::UpdateButtons);
    }
    UpdateButtons();
}

void TDBNavigator::SetVisibleButtons(std::initializer_list<TNavigateBtn> buttons) {
    for (QToolButton* b : m_buttons)
        b->setVisible(false);
    for (TNavigateBtn b : buttons)
        m_buttons[size_t(b)]->setVisible(true);
}

bool TDBNavigator::ButtonVisible(TNavigateBtn button) const {
    return !m_buttons[size_t(button)]->isHidden();
}

bool TDBNavigator::ButtonEnabled(TNavigateBtn button) const {
    return m_buttons[size_t(button)]->isEnabled();
}

void TDBNavigator::UpdateButtons() {
    TDataSet* ds = m_dataSet;
    const bool active = ds && ds->Active();
    const bool editing =
        active && (ds->GetState() == TDataSet::State::Edit || ds->GetState() == TDataSet::State::Insert);
    const bool writable = active && !ds->ReadOnly;
    const int row = active ? ds->RecIndex() : -1;
    const int count = active ? ds->RecordCount() : 0;
    const bool enabled[ButtonCount] = {
        active && row > 0,
        active && row > 0,
        active && row >= 0 && row < count - 1,
        active && row >= 0 && row < count - 1,
        writable && !editing,
        writable && !editing && count > 0,
        editing,
        editing,
    };
    for (int i = 0; i < ButtonCount; ++i)
        m_buttons[size_t(i)]->setEnabled(enabled[i]);
}

void TDBNavigator::BtnClick(TNavigateBtn button) {
    TDataSet* ds = m_dataSet;
    if (!ds) return;
    Guarded([&] {
        switch (button) {
        case nbFirst:
            ds->First();
            break;
        case nbPrior:
            ds->Prior();
            break;
        case nbNext:
            ds->Next();
            break;
        case nbLast:
            ds->Last();
            break;
        case nbInsert:
            ds->Insert();
            break;
        case nbDelete:
            if (!ConfirmDelete || Confirm(_CMN_DELETE_RECORD_CONF)) ds->Delete();
            break;
        case nbPost:
            ds->Post();
            break;
        case nbCancel:
            ds->Cancel();
            break;
        }
    });
    UpdateButtons();
}
