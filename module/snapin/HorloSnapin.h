// SPDX-License-Identifier: GPL-3.0-or-later
// The module's snap-in and the viewer and navigator it hands to the host.
#pragma once

#include "host/console/Snapin.h"

inline constexpr int HorloModuleID = 2011;

class THorloSnapin : public TCustomSnapin {
public:
    explicit THorloSnapin(std::shared_ptr<IConsole> console);
    ~THorloSnapin() override;

    std::shared_ptr<IViewer> Viewer;
    std::shared_ptr<INavigable> Navigator;
};

// Its frame is the event list (THorloViewerForm); its first Load obtains the
// database connection from the host's security service.
class THorloViewer : public TCustomViewer {
public:
    explicit THorloViewer(std::shared_ptr<IConsole> console);
    void InternalCreateFrame() override;
    void InternalDestroyFrame() override;
    void Load(const std::shared_ptr<ISnapin>& snapin) override;
    void Show() override;
    void Hide() override;
};

// Its frame is the search form (THorloNavigatorForm).
class THorloNavigator : public TCustomNavigator {
public:
    using TCustomNavigator::TCustomNavigator;
    void InternalCreateFrame() override;
    void InternalDestroyFrame() override;
    void ShowNavigator() override;
};
