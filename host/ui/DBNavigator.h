// SPDX-License-Identifier: GPL-3.0-or-later
// The record navigator: buttons that move through a record set and insert,
// delete, store or drop a record; each is enabled only when it can act.
#pragma once

#include "host/data/DataSet.h"

#include <QPointer>
#include <QWidget>

#include <array>

class QToolButton;

class TDBNavigator : public QWidget {
    Q_OBJECT
public:
    enum TNavigateBtn { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbPost, nbCancel };
    static constexpr int ButtonCount = nbCancel + 1;

    explicit TDBNavigator(QWidget* parent = nullptr);
    ~TDBNavigator() override;

    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const { return m_dataSet; }

    // Which buttons are there, e.g. {nbFirst, nbPrior, nbNext, nbLast}.
    void SetVisibleButtons(std::initializer_list<TNavigateBtn> buttons);
    bool ButtonVisible(TNavigateBtn button) const;
    bool ButtonEnabled(TNavigateBtn button) const;
    // Delete asks first (_CMN_DELETE_RECORD_CONF); only Yes deletes.
    bool ConfirmDelete = true;

    // What a click on the button does (errors go to the host's error display).
    void BtnClick(TNavigateBtn button);

private:
    void UpdateButtons();
    QPointer<TDataSet> m_dataSet;
    QList<QMetaObject::Connection> m_connections;
    std::array<QToolButton*, ButtonCount> m_buttons{};
};
