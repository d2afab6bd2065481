// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/console/Snapin.h"

#include "host/console/ActionList.h"

#include <QApplication>

TCustomSnapinFactory::~TCustomSnapinFactory() = default;

// ---------------------------------------------------------------- snap-in

TCustomSnapin::TCustomSnapin(std::shared_ptr<IConsole> console, TDataSet* dataSet)
    : Console(std::move(console)), DataSet(dataSet) {}

TCustomSnapin::~TCustomSnapin() = default;

TDataSet* TCustomSnapin::GetDataSet() const {
    return DataSet;
}

QString TCustomSnapin::GetDescription() const {
    return Description;
}

QImage TCustomSnapin::GetImage() const {
    return Image;
}

QString TCustomSnapin::GetName() const {
    return Name;
}

int TCustomSnapin::GetSnapinType() const {
    return 0;
}

std::shared_ptr<IInterface> TCustomSnapin::QueryInterface(const QUuid& iid) const {
    const auto it = m_delegates.find(iid);
    return it == m_delegates.end() ? nullptr : (*it)();
}

void TCustomSnapin::Delegate(const QUuid& iid, std::function<std::shared_ptr<IInterface>()> source) {
    m_delegates.insert(iid, std::move(source));
}

// ---------------------------------------------------------------- viewer

void FreeFrame(QPointer<QWidget>& frame) {
    if (frame && qobject_cast<QApplication*>(QCoreApplication::instance())) delete frame.data();
    frame = nullptr;
}

TCustomViewer::TCustomViewer(std::shared_ptr<IConsole> console) : Console(std::move(console)) {}

TCustomViewer::~TCustomViewer() {
    FreeFrame(Frame);
}

void TCustomViewer::InternalDestroyFrame() {
    FreeFrame(Frame);
    ActionList = nullptr;
}

QList<QAction*> TCustomViewer::GetActionList() const {
    return ActionList ? ActionList->Actions() : QList<QAction*>();
}

void TCustomViewer::Load(const std::shared_ptr<ISnapin>&) {}

void TCustomViewer::Show() {
    if (Frame) Frame->show();
}

void TCustomViewer::Hide() {
    if (Frame) Frame->hide();
}

// ---------------------------------------------------------------- navigator

TCustomNavigator::TCustomNavigator(std::shared_ptr<IConsole> console) : Console(std::move(console)) {}

TCustomNavigator::~TCustomNavigator() {
    FreeFrame(Frame);
}

void TCustomNavigator::InternalDestroyFrame() {
    FreeFrame(Frame);
}

void TCustomNavigator::ShowNavigator() {
    if (Frame) Frame->show();
}

void TCustomNavigator::HideNavigator() {
    if (Frame) Frame->hide();
}
