// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/snapin/HorloSnapin.h"

#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/Dialogs.h"
#include "module/HorloResourceString.h"
#include "module/data/HorloDMUnit.h"
#include "module/data/SchemaVersion.h"
#include "module/search/HorloNavigatorUnit.h"
#include "module/snapin/HorloViewerUnit.h"

// ---------------------------------------------------------------- snap-in

THorloSnapin::THorloSnapin(std::shared_ptr<IConsole> console)
    : TCustomSnapin(std::move(console), HorloDM->EmployeeEventZQ) {
    ModuleID = HorloModuleID;
    Viewer = std::make_shared<THorloViewer>(Console);
    Navigator = std::make_shared<THorloNavigator>(Console);
    Delegate(IViewer::IID, [this] { return Viewer; });
    Delegate(INavigable::IID, [this] { return Navigator; });
    Image = HorloDM->ImageList.Image(0).copy();
    Name = _HORLO_MOD_NAME;
    Description = _HORLO_MOD_DESC;
}

THorloSnapin::~THorloSnapin() {
    Viewer.reset();
    Navigator.reset();
}

// ---------------------------------------------------------------- viewer

THorloViewer::THorloViewer(std::shared_ptr<IConsole> console) : TCustomViewer(std::move(console)) {
    ModuleID = HorloModuleID;
}

void THorloViewer::InternalCreateFrame() {
    auto* form = new THorloViewerForm(nullptr);
    Frame = form;
    ActionList = form->ActionList;
}

void THorloViewer::InternalDestroyFrame() {
    TCustomViewer::InternalDestroyFrame();
}

void THorloViewer::Load(const std::shared_ptr<ISnapin>&) {
    if (HorloDM->Connected()) return;
    if (auto security = ConsoleService<ISecurityService>(Console.get())) {
        // a connection once given stays; the session is opened on it again
        TZConnection* connection =
            HorloDM->ZConnection() ? HorloDM->ZConnection() : security->GetConnection();
        security->OpenSession();
        // the module works only on a database of its own schema version; another
        // one is not given to its queries, so nothing reads or writes it
        const QString refusal =
            connection->Connected() ? SchemaRefusal(DatabaseSchemaVersion(*connection)) : QString();
        if (!refusal.isEmpty()) {
            HorloDM->SetZConnection(nullptr);
            throw EDatabaseError(refusal);
        }
        if (!HorloDM->ZConnection()) HorloDM->SetZConnection(connection);
    } else {
        ShowError(Format(_CMN_NO_MODULE, {_CMN_MOD_SECURITY_NAME}));
    }
}

void THorloViewer::Show() {
    TCustomViewer::Show();
    if (auto* form = qobject_cast<THorloViewerForm*>(Frame.data()); form && Console)
        Console->SetPrintGrid(form->DBG);
}

void THorloViewer::Hide() {
    TCustomViewer::Hide();
    if (Console) Console->SetPrintGrid(nullptr);
}

// ---------------------------------------------------------------- navigator

void THorloNavigator::InternalCreateFrame() {
    Frame = new THorloNavigatorForm(nullptr);
}

void THorloNavigator::InternalDestroyFrame() {
    TCustomNavigator::InternalDestroyFrame();
}

void THorloNavigator::ShowNavigator() {
    auto* form = qobject_cast<THorloNavigatorForm*>(Frame.data());
    if (form && !form->SearchPropsSet && HorloDM->Connected()) {
        form->SetSearchProps();
        form->SearchPropsSet = true;
    }
    TCustomNavigator::ShowNavigator();
}
