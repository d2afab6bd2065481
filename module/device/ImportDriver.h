// SPDX-License-Identifier: GPL-3.0-or-later
// What runs an import chain on the caller's event loop: the chain's download reads a
// device on its endpoint's listener thread and says when it has moved on; the driver
// brings that to the caller's thread, where the chain stores the device and goes on.
// No timers: the line keeps its own deadlines. The import dialog and `horlo import`
// both drive their chain through it.
#pragma once

#include <QObject>

#include <atomic>
#include <functional>

class TEventImport;

class TImportDriver : public QObject {
public:
    // The chain must outlive the driver.
    explicit TImportDriver(TEventImport& chain, QObject* parent = nullptr);
    ~TImportDriver() override;

    // After every step of a running chain (a progress display).
    std::function<void()> OnTick;
    // No more steps (a closing window).
    void Stop();

private:
    void Step();

    TEventImport& m_chain;
    std::atomic<bool> m_posted{false}; // one step waits in the event queue at most
    bool m_stopped = false;
};
