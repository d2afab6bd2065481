// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/ImportDriver.h"

#include "module/device/LogDownload.h"

TImportDriver::TImportDriver(TEventImport& chain, QObject* parent) : QObject(parent), m_chain(chain) {
    // from the listener thread
    m_chain.OnWake = [this] {
        if (!m_posted.exchange(true)) QMetaObject::invokeMethod(this, [this] { Step(); }, Qt::QueuedConnection);
    };
}

TImportDriver::~TImportDriver() {
    m_chain.Stop(); // no listener calls OnWake after this
    m_chain.OnWake = nullptr;
}

void TImportDriver::Stop() {
    m_stopped = true;
}

void TImportDriver::Step() {
    m_posted = false;
    if (m_stopped || !m_chain.Running()) return;
    m_chain.Step();
    if (m_chain.Running() && OnTick) OnTick();
}
