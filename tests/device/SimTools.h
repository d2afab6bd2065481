// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Simulated devices for the tests that download from them.

#include "devicesim/SimDevice.h"
#include "host/data/SysUtils.h"

#include <vector>

namespace devicetest {

// A device at address:port that keeps the given cards, which swipe (by ticket)
// on the work days from `days` days ago up to yesterday.
inline devicesim::TDeviceConfig SwipingDevice(const char* address, int port, std::vector<TUserRecord> cards,
                                              int days, std::uint32_t memory, std::uint16_t users) {
    devicesim::TDeviceConfig d;
    d.address = address;
    d.port = port;
    d.memorySize = memory;
    d.users = users;
    d.cards = std::move(cards);
    const QDate today = Now().date(), from = today.addDays(-days);
    devicesim::TSwipePlan plan;
    plan.from = devicesim::MakeNaiveTime(from.year(), unsigned(from.month()), unsigned(from.day()));
    plan.to = devicesim::MakeNaiveTime(today.year(), unsigned(today.month()), unsigned(today.day())) - 86400;
    for (const auto& card : d.cards)
        plan.tickets.push_back(card.ticket);
    d.swipes = plan;
    return d;
}

} // namespace devicetest
