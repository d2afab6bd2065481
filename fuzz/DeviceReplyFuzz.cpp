// SPDX-License-Identifier: GPL-3.0-or-later
// What the devices' replies reach, fed with arbitrary datagrams: the reply handler in
// any receive state, or the reader of a download's memory image.
//
// Input: byte 0 the receive state; byte 1 the set-up (bit 0: the datagrams go to the
// image reader of a download instead of the reply handler); bytes 2-5 big-endian: the
// memory size for the reply handler, the stored mark for the reader. Then datagrams,
// each as a flags byte (bit 0: the checksum is made right, bit 1: a repeat count of two
// bytes follows), a length of two bytes and that many bytes (fewer at the end). The
// reader hears one datagram every 300 microseconds and is woken whenever it asks.
#include "fuzz/FuzzCheck.h"
#include "module/device/ImageReader.h"
#include "module/device/protocol/DeviceProtocol.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::size_t kMaxDatagram = 2 * kReceiveBufferSize; // longer ones are cut by the endpoint anyway
// A few datagrams copied many times take long to run: the repeats of one are capped,
// so that an input runs in a fraction of a millisecond unless it is as long as a
// whole image's reading (the seeds of full images are).
constexpr std::uint32_t kMaxRepeats = 256;
constexpr std::size_t kMaxDatagramsPerInput = kMaxMemBlocks + 2 * kMaxRepeats; // any image, and then some

// Runs the reader's wake-ups due by `now`; each must lie ahead of the one that asked.
void PumpUntil(TImageReader& reader, std::int64_t& due, std::int64_t now) {
    for (int i = 0; i < 1000 && due >= 0 && due <= now; ++i) {
        const std::int64_t next = reader.Pump(due);
        FUZZ_CHECK(next < 0 || next >= due);
        due = next == due ? due + 1 : next;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput in(data, size);
    const std::uint8_t state = in.Byte();
    const std::uint8_t setup = in.Byte();
    const std::uint32_t number = in.BigEndian(4);

    TDeviceProtocol p(state);
    std::size_t boxes = 0;
    p.ShowErrorBox = [&boxes](const std::string&, const std::string&) { ++boxes; };
    p.SetFrameSender([](const std::string&, int, const TFrame&) { return true; });
    const bool reading = setup & 1;
    TImageReader reader(p);
    std::int64_t now = 1'000'000, due = now;
    if (reading)
        reader.Begin(number);
    else
        p.EEPROM_MEM_SIZE = number;

    std::size_t sent = 0;
    while (in.Left() > 0 && sent < kMaxDatagramsPerInput) {
        const std::uint8_t flags = in.Byte();
        const std::uint32_t repeats = (flags & 2) ? std::min(in.BigEndian(2), kMaxRepeats) : 1;
        const std::size_t wanted = std::min<std::size_t>(in.BigEndian(2), kMaxDatagram);
        std::size_t got = 0;
        const std::uint8_t* bytes = in.Take(wanted, got);
        // Exactly the datagram's length, so a read beyond it is caught.
        std::vector<std::uint8_t> datagram(bytes, bytes + got);
        if ((flags & 1) && datagram.size() >= kFrameSize) {
            const std::uint16_t crc = ComputeCrc(datagram.data(), kFrameCrcOffset);
            datagram[kFrameCrcOffset] = static_cast<std::uint8_t>(crc >> 8);
            datagram[kFrameCrcOffset + 1] = static_cast<std::uint8_t>(crc);
        }
        for (std::uint32_t r = 0; r < repeats && sent < kMaxDatagramsPerInput; ++r, ++sent) {
            if (reading) {
                now += 300;
                PumpUntil(reader, due, now);
                reader.TakeDatagram(datagram.empty() ? nullptr : datagram.data(), datagram.size(), now);
                due = reader.Pump(now);
                FUZZ_CHECK(due < 0 || due >= now);
                // The reading never runs past the memory it was told of.
                FUZZ_CHECK(reader.BlocksTaken() <= reader.TotalBlocks());
                FUZZ_CHECK(reader.TotalBlocks() <= kMaxMemBlocks);
                continue;
            }
            const std::size_t boxesBefore = boxes;
            p.IdUDPServer1UDPRead(datagram.empty() ? nullptr : datagram.data(), datagram.size());
            // The handler is never left blocking sends, and answers one datagram with one box at most.
            FUZZ_CHECK(!p.ZabraniSlanje.load());
            FUZZ_CHECK(boxes - boxesBefore <= 1);
        }
    }
    // A reader that is over stays over and asks for nothing more.
    if (reading && reader.Over()) FUZZ_CHECK(reader.Pump(now + 1) == -1);
    return 0;
}
