#include "module/worktime/ConsolePrint.h"

#include "host/ui/Dialogs.h"
#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"
#include "module/snapin/HorloRegistration.h"

QString PrintParams(const QString& title, const QString& header) {
    return QStringLiteral("title:") + title + QStringLiteral(";header:") + header;
}

void PrintThroughConsole(TDBGrid* grid, const QString& params) {
    const std::shared_ptr<IConsole> console = GlobalConsole;
    if (!console) {
        ShowError(Format(_CMN_NO_MODULE, {_CMN_PRINT_WIZ_NAME}));
        return;
    }
    struct Restore {
        IConsole& console;
        TDBGrid* previous;
        ~Restore() { console.SetPrintGrid(previous); }
    } restore{*console, console->GetPrintGrid()};
    console->SetPrintGrid(grid);
    console->RunModule(_CMN_PRINT_WIZ_NAME, params);
}
