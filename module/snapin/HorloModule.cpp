// SPDX-License-Identifier: GPL-3.0-or-later
// The loadable module's entry point. Only this file makes the module start and
// stop, so that horlo_lib linked into tests and the command line creates
// nothing by itself.
#include "host/console/HostIntf.h"
#include "module/data/HorloDMUnit.h"
#include "module/snapin/HorloRegistration.h"

namespace {

// Start-up runs when the host first asks for the factory, not while the library
// is being loaded: nothing may depend on the order in which its files start.
// Unload: the factory (with the snap-in it holds) and GlobalConsole go first,
// the data module last.
struct THorloModuleLifetime {
    constexpr THorloModuleLifetime() = default;
    ~THorloModuleLifetime() {
        ReleaseSnapinFactory();
        DestroyHorloDM();
    }
};
constinit THorloModuleLifetime g_horloModule;

void StartModule() {
    CreateHorloDM();
    CreateSnapinFactory();
}

} // namespace

extern "C" __attribute__((visibility("default"))) ISnapinFactory* GetSnapinFactory() {
    if (!SnapinFactory()) StartModule();
    return SnapinFactory();
}
