// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/ModuleConsole.h"

#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "host/ui/Dialogs.h"

#include <QScopeGuard>

namespace {

// Storage without a destructor of its own: the module's unload releases the
// console at its place in the shut-down order, whatever order the library's
// static destructors run in.
union TConsoleSlot {
    constexpr TConsoleSlot() : console() {}
    ~TConsoleSlot() {}
    std::shared_ptr<IConsole> console;
};
constinit TConsoleSlot g_consoleSlot;

} // namespace

std::shared_ptr<IConsole>& GlobalConsole = g_consoleSlot.console;

std::shared_ptr<IEmployeeChooser> EmployeeChooser(TMissingChooser whenMissing) {
    auto chooser = ConsoleService<IEmployeeChooser>(GlobalConsole.get());
    if (!chooser && whenMissing == TMissingChooser::Tell)
        ShowError(Format(_CMN_NO_MODULE, {_CMN_MOD_HR_RES_NAME}));
    return chooser;
}

QString PrintParams(const QString& title, const QString& header) {
    return QStringLiteral("title:") + title + QStringLiteral(";header:") + header;
}

void PrintThroughConsole(TDBGrid* grid, const QString& params) {
    const std::shared_ptr<IConsole> console = GlobalConsole;
    if (!console) {
        ShowError(Format(_CMN_NO_MODULE, {_CMN_PRINT_WIZ_NAME}));
        return;
    }
    TDBGrid* previous = console->GetPrintGrid();
    const auto restore = qScopeGuard([&] { console->SetPrintGrid(previous); });
    console->SetPrintGrid(grid);
    console->RunModule(_CMN_PRINT_WIZ_NAME, params);
}
