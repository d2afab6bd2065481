// SPDX-License-Identifier: GPL-3.0-or-later
// A console for the dialogs: it records what the print wizard was asked to
// print (with the grid's content at that moment) and offers an employee
// chooser when one is given.
#pragma once

#include "host/console/HostIntf.h"
#include "host/data/TableWriter.h"
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

struct FakeConsole : IConsole {
    std::shared_ptr<FakeChooser> chooser;
    QPointer<TDBGrid> printGrid;
    struct Run {
        QString module, params;
        TDBGrid* grid;
        TTextTable table;
    };
    QList<Run> runs;

    std::shared_ptr<IInterface> GetService(const QUuid& iid) override {
        if (iid == IEmployeeChooser::IID) return chooser;
        return nullptr;
    }
    bool RunModule(const QString& moduleName, const QString& params) override {
        runs.append({moduleName, params, printGrid, printGrid ? GridTable(*printGrid) : TTextTable()});
        return true;
    }
    TDBGrid* GetPrintGrid() const override { return printGrid; }
    void SetPrintGrid(TDBGrid* grid) override { printGrid = grid; }
};
