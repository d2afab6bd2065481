// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Command line of horlo-devicesim.

#include "devicesim/SimDevice.h"

#include <string>
#include <vector>

namespace devicesim {

struct TSimOptions {
    std::vector<TDeviceConfig> devices;
    std::string traceFile;
    double exitAfterSeconds = 0; // 0: until SIGINT or SIGTERM
    bool help = false;
    bool version = false;
};

// Throws std::invalid_argument with a message naming the offending option.
TSimOptions ParseOptions(const std::vector<std::string>& args);
std::string UsageText();

} // namespace devicesim
