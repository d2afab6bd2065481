// SPDX-License-Identifier: GPL-3.0-or-later
// A console for the dialogs: it records what the print wizard was asked to
// print (with the grid's content at that moment) and offers an employee
// chooser when one is given.
#pragma once

#include "host/console/HostIntf.h"
#include "host/ui/DBGrid.h"
#include "host/ui/GridTable.h"

#include <QPointer>

struct FakeChooser : IEmployeeChooser {
    qint64 next = 0; // the employee chosen; 0 cancels
    QList<qint64> shown;
    bool ChooseEmployee(std::shared_ptr<TDataSet>&) override { return false; }
    bool ChooseEmployeeDesc(TEmployeeDesc& desc) override {
        if (next <= 0) return false;
        desc.employeeId = next;
        return true;
    }
    void ShowEmployee(qint64 employeeID) override { shown << employeeID; }
};

// What a grid showed: its shown columns' titles and texts.
struct TShownTable {
    QStringList header;
    std::vector<QStringList> rows;
    explicit TShownTable(const TDBGrid* grid = nullptr) {
        if (!grid) return;
        const std::vector<int> columns = ShownColumns(*grid);
        for (const TListColumn& c : GridColumns(*grid, columns))
            header << c.title;
        for (int row = 0; row < grid->RowCount(); ++row) {
            QStringList texts;
            for (const TListCell& cell : GridRow(*grid, columns, row))
                texts << cell.shown;
            rows.push_back(texts);
        }
    }
};

struct FakeConsole : IConsole {
    std::shared_ptr<FakeChooser> chooser;
    QPointer<TDBGrid> printGrid;
    struct Run {
        QString module, params;
        TDBGrid* grid;
        TShownTable table;
    };
    QList<Run> runs;

    std::shared_ptr<IInterface> GetService(const QUuid& iid) override {
        if (iid == IEmployeeChooser::IID) return chooser;
        return nullptr;
    }
    bool RunModule(const QString& moduleName, const QString& params) override {
        runs.append({moduleName, params, printGrid, TShownTable(printGrid)});
        return true;
    }
    TDBGrid* GetPrintGrid() const override { return printGrid; }
    void SetPrintGrid(TDBGrid* grid) override { printGrid = grid; }
};
