// SPDX-License-Identifier: GPL-3.0-or-later
// Bases of a module's snap-in objects. A module derives its factory, snap-in,
// viewer and navigator from these and fills in what the host shows.
#pragma once

#include "host/console/HostIntf.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

#include <functional>

class TActionList;

class TCustomSnapinFactory : public ISnapinFactory {
public:
    ~TCustomSnapinFactory() override;
};

// Hands out the objects it delegates interfaces to; a derived snap-in names
// them with Delegate.
class TCustomSnapin : public ISnapin {
public:
    TCustomSnapin(std::shared_ptr<IConsole> console, TDataSet* dataSet);
    ~TCustomSnapin() override;

    TDataSet* GetDataSet() const override;
    QString GetDescription() const override;
    QImage GetImage() const override;
    QString GetName() const override;
    int GetSnapinType() const override; // 0: a snap-in with a viewer
    int GetModuleID() const override { return ModuleID; }
    std::shared_ptr<IInterface> QueryInterface(const QUuid& iid) const override;

    int ModuleID = 0;

protected:
    // Requests for iid are answered with what source returns at the time.
    void Delegate(const QUuid& iid, std::function<std::shared_ptr<IInterface>()> source);

    std::shared_ptr<IConsole> Console;
    TDataSet* DataSet;
    QString Name;
    QString Description;
    QImage Image;

private:
    QHash<QUuid, std::function<std::shared_ptr<IInterface>()>> m_delegates;
};

// A viewer owns its frame (made by InternalCreateFrame, freed by
// InternalDestroyFrame or at the latest with the viewer).
class TCustomViewer : public IViewer {
public:
    explicit TCustomViewer(std::shared_ptr<IConsole> console);
    ~TCustomViewer() override;

    void InternalCreateFrame() override {}
    void InternalDestroyFrame() override;
    QWidget* GetFrame() const override { return Frame; }
    QList<QAction*> GetActionList() const override;
    int GetModuleID() const override { return ModuleID; }
    void Load(const std::shared_ptr<ISnapin>& snapin) override;
    void Show() override;
    void Hide() override;

    int ModuleID = 0;

protected:
    std::shared_ptr<IConsole> Console;
    QPointer<QWidget> Frame;
    QPointer<TActionList> ActionList;
};

class TCustomNavigator : public INavigable {
public:
    explicit TCustomNavigator(std::shared_ptr<IConsole> console);
    ~TCustomNavigator() override;

    void InternalCreateFrame() override {}
    void InternalDestroyFrame() override;
    QWidget* GetFrame() const override { return Frame; }
    void ShowNavigator() override;
    void HideNavigator() override;

protected:
    std::shared_ptr<IConsole> Console;
    QPointer<QWidget> Frame;
};

// Frees a frame that its owner still has; after the application is gone a
// widget cannot be freed any more, so it is left.
void FreeFrame(QPointer<QWidget>& frame);
