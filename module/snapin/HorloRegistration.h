// SPDX-License-Identifier: GPL-3.0-or-later
// The module's factory and the console it serves. The module's entry point
// (HorloModule.cpp) creates the factory when the host first asks for it and
// releases it, with GlobalConsole, when the library is unloaded.
#pragma once

#include "host/console/Snapin.h"
#include "module/ModuleConsole.h"

class THorloSnapinFactory : public TCustomSnapinFactory {
public:
    // The one snap-in, made on the first call; the console becomes GlobalConsole.
    std::shared_ptr<ISnapin> GetSnapin(const std::shared_ptr<IConsole>& console) override;

private:
    std::shared_ptr<ISnapin> m_snapin;
};

// Load and unload; HorloDM exists before the factory and outlives it.
void CreateSnapinFactory();
void ReleaseSnapinFactory(); // the factory (and so its snap-in) and GlobalConsole
ISnapinFactory* SnapinFactory();
