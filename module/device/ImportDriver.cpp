// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/device/ImportDriver.h"

#include "module/device/LogDownload.h"

TImportDriver::TImportDriver(TEventImport& chain, QObject* parent) : QObject(parent), m_chain(chain) {
    // from the listener thread: a block request is due before the next tick
    m_chain.Download().OnTickDue = [this](int delayMs) {
        QMetaObject::invokeMethod(
            this, [this, delayMs] { QTimer::singleShot(delayMs, this, [this] { Tick(); }); },
            Qt::QueuedConnection);
    };
    connect(&m_blockTicker, &QTimer::timeout, this, [this] { Tick(); });
    connect(&m_watchdogTicker, &QTimer::timeout, this, [this] { m_chain.ReplyWatchdogTick(); });
    m_blockTicker.start(10);
    m_watchdogTicker.start(100);
}

TImportDriver::~TImportDriver() {
    m_chain.Download().OnTickDue = nullptr;
}

void TImportDriver::Stop() {
    m_blockTicker.stop();
    m_watchdogTicker.stop();
}

void TImportDriver::Tick() {
    if (!m_chain.Running()) return;
    m_chain.MemPacketTick();
    if (m_chain.Running() && OnTick) OnTick();
}
