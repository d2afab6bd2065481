// The loadable module's entry point. Only this file makes the module start and
// stop, so that horlo_lib linked into tests and the command line creates
// nothing by itself.
#include "host/HostIntf.h"
#include "module/data/HorloDMUnit.h"
#include "module/snapin/HorloRegistration.h"

namespace {

// Load: the data module first, then the factory. Unload: the factory (with the
// snap-in it holds) and GlobalConsole go first, the data module last.
struct THorloModuleLifetime {
    THorloModuleLifetime() {
        CreateHorloDM();
        CreateSnapinFactory();
    }
    ~THorloModuleLifetime() {
        ReleaseSnapinFactory();
        DestroyHorloDM();
    }
} g_horloModule;

} // namespace

extern "C" __attribute__((visibility("default"))) ISnapinFactory* GetSnapinFactory() {
    return SnapinFactory();
}
