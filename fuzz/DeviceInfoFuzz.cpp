// SPDX-License-Identifier: GPL-3.0-or-later
// The device-information parser over arbitrary datagrams.
#include "fuzz/FuzzCheck.h"
#include "module/device/protocol/DeviceProtocol.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TDeviceInfo info;
    info.firmwareVersion = "unchanged";
    const bool ok = ParseDeviceInfo(data, size, info);
    if (!ok) {
        // A datagram that is no device information leaves the values alone.
        FUZZ_CHECK(info.firmwareVersion == "unchanged" && info.eepromMemSize == 0 && info.usersCount == 0);
        return 0;
    }
    FUZZ_CHECK(size >= kFrameSize);
    const std::string_view whole(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(whole.find("Koldar") != std::string_view::npos ||
               whole.find("Tarmisoni") != std::string_view::npos);
    // Every text comes from the frame's data area and keeps its width.
    FUZZ_CHECK(info.firmwareVersion.size() <= 17);
    FUZZ_CHECK(info.firmwareDateTime.size() <= 25);
    FUZZ_CHECK(info.firmwareVer.size() == 4 && info.hardwareVer.size() == 4);
    FUZZ_CHECK(info.eepromMemSize < (1u << 24));
    return 0;
}
