// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/console/NavigatorForm.h"

#include "host/data/HostStrings.h"
#include "host/ui/Dialogs.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

TCustomNavigatorForm::TCustomNavigatorForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("NavigatorForm"));
    SearchVLE = new TValueListEditor(this);
    SearchVLE->setObjectName(QStringLiteral("SearchVLE"));
    SearchVLE->OnKeyDown = [this](int& key, Qt::KeyboardModifiers modifiers) {
        SearchVLEKeyDown(key, modifiers);
    };

    FindButton = new QPushButton(_CMN_FIND_CAP, this);
    FindButton->setObjectName(QStringLiteral("FindButton"));
    FindButton->setAutoDefault(true); // Enter on the focused button searches too, as it does in the keys
    connect(FindButton, &QPushButton::clicked, this, [this] { Guarded([this] { FindButtonClick(); }); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(FindButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(SearchVLE, 1);
    layout->addLayout(buttons);
}

TCustomNavigatorForm::~TCustomNavigatorForm() = default;

void TCustomNavigatorForm::SetSearchProps() {
    SearchVLE->horizontalHeader()->resizeSections(QHeaderView::ResizeToContents);
}

QString TCustomNavigatorForm::ParseSQL() {
    return {};
}

void TCustomNavigatorForm::FindButtonClick() {
    SearchVLE->CommitEdit();
}

void TCustomNavigatorForm::SearchVLEKeyDown(int& key, Qt::KeyboardModifiers modifiers) {
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !(modifiers & Qt::ControlModifier)) {
        key = 0;
        Guarded([this] { FindButtonClick(); });
    }
}

void TCustomNavigatorForm::SearchRan() {
    m_searched.clear();
    for (const QString& key : SearchVLE->Keys())
        if (const QString value = SearchVLE->Values(key); !value.isEmpty()) {
            const QString caption = SearchVLE->ItemProps(key).keyDesc;
            m_searched << (caption.isEmpty() ? key : caption) + QStringLiteral(": ") + value;
        }
}
