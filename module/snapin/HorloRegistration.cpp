#include "module/snapin/HorloRegistration.h"

#include "module/snapin/HorloSnapin.h"

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
THorloSnapinFactory* g_factory = nullptr;

} // namespace

std::shared_ptr<IConsole>& GlobalConsole = g_consoleSlot.console;

std::shared_ptr<ISnapin> THorloSnapinFactory::GetSnapin(const std::shared_ptr<IConsole>& console) {
    if (!m_snapin) m_snapin = std::make_shared<THorloSnapin>(console);
    GlobalConsole = console;
    return m_snapin;
}

void CreateSnapinFactory() {
    if (!g_factory) g_factory = new THorloSnapinFactory();
}

void ReleaseSnapinFactory() {
    delete g_factory;
    g_factory = nullptr;
    GlobalConsole.reset();
}

ISnapinFactory* SnapinFactory() {
    return g_factory;
}
