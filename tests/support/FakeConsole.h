// SPDX-License-Identifier: GPL-3.0-or-later
// A console for the module's windows in tests: it offers an employee chooser and a
// security service when given them, counts the services asked for, and records
// each module it was asked to run (the print wizard) with the print grid and the
// grid's content at that moment.
#pragma once

#include "host/console/HostIntf.h"
#include "host/data/ClientDataSet.h"
#include "host/ui/DBGrid.h"
#include "host/ui/GridTable.h"

#include <QPointer>

struct FakeChooser : IEmployeeChooser {
    TEmployeeDesc choice; // the employee the user chooses; number 0 cancels
    int asked = 0;        // choices offered
    QList<qint64> shown;

    bool ChooseEmployee(std::shared_ptr<TDataSet>& employee) override {
        ++asked;
        if (choice.employeeId <= 0) return false;
        auto set = std::make_shared<TClientDataSet>();
        set->AddField(QStringLiteral("employeeid"), TFieldType::LargeInt);
        set->AddField(QStringLiteral("firstname"), TFieldType::String, 50);
        set->AddField(QStringLiteral("lastname"), TFieldType::String, 50);
        set->CreateDataSet();
        set->Append();
        set->FieldByName(QStringLiteral("employeeid"))->SetAsLargeInt(choice.employeeId);
        set->FieldByName(QStringLiteral("firstname"))->SetAsString(choice.firstName);
        set->FieldByName(QStringLiteral("lastname"))->SetAsString(choice.lastName);
        set->Post();
        employee = set;
        return true;
    }
    bool ChooseEmployeeDesc(TEmployeeDesc& desc) override {
        ++asked;
        if (choice.employeeId <= 0) return false;
        desc = choice;
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
    std::shared_ptr<FakeChooser> chooser = std::make_shared<FakeChooser>(); // null: none offered
    std::shared_ptr<ISecurityService> security;
    bool hasWizard = true; // whether the modules asked for run
    int requests = 0;      // services asked for
    QPointer<TDBGrid> printGrid;
    struct Run {
        QString module, params;
        TDBGrid* grid;
        TShownTable table;
        QString Text() const { return module + QLatin1Char('|') + params; }
    };
    QList<Run> runs;

    QStringList RunTexts() const {
        QStringList texts;
        for (const Run& run : runs)
            texts << run.Text();
        return texts;
    }
    std::shared_ptr<IInterface> GetService(const QUuid& iid) override {
        ++requests;
        if (iid == ISecurityService::IID) return security;
        if (iid == IEmployeeChooser::IID) return chooser;
        return nullptr;
    }
    bool RunModule(const QString& moduleName, const QString& params) override {
        runs.append({moduleName, params, printGrid, TShownTable(printGrid)});
        return hasWizard;
    }
    TDBGrid* GetPrintGrid() const override { return printGrid; }
    void SetPrintGrid(TDBGrid* grid) override { printGrid = grid; }
};
