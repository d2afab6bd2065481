// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/snapin/HorloRegistration.h"

#include "module/snapin/HorloSnapin.h"

namespace {

THorloSnapinFactory* g_factory = nullptr;

} // namespace

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
