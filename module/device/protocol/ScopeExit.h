// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a function when the scope ends, on every way out, also when an exception
// leaves it: the Qt-free files' counterpart of qScopeGuard.

#include <utility>

template <class F> class TScopeExit {
public:
    explicit TScopeExit(F onExit) : m_onExit(std::move(onExit)) {}
    ~TScopeExit() { m_onExit(); }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    F m_onExit;
};
