// SPDX-License-Identifier: GPL-3.0-or-later
// What makes an import chain run on the caller's event loop: the 10 ms block
// tick, the 100 ms reply watchdog, and the early tick a reply asks for from the
// listener thread. The import dialog and `horlo import` both drive their chain
// through it.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class TEventImport;

class TImportDriver : public QObject {
public:
    // Starts ticking at once; the chain must outlive the driver.
    explicit TImportDriver(TEventImport& chain, QObject* parent = nullptr);
    ~TImportDriver() override;

    // After every block tick of a running chain (a progress display).
    std::function<void()> OnTick;
    // No more ticks (a closing window).
    void Stop();
    QTimer& BlockTicker() { return m_blockTicker; }       // 10 ms: block requests, the next device
    QTimer& WatchdogTicker() { return m_watchdogTicker; } // 100 ms: the reply deadline

private:
    void Tick();

    TEventImport& m_chain;
    QTimer m_blockTicker, m_watchdogTicker;
};
