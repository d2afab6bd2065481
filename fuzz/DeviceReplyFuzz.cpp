// SPDX-License-Identifier: GPL-3.0-or-later
// The device reply handler fed with arbitrary datagrams in any receive state.
//
// Input: byte 0 the receive state; byte 1 the set-up (bit 0: a memory read is
// begun first, which moves the state to the memory-block state; bit 1: the read
// takes the image's last block too); bytes 2-5 the memory size the device reported,
// bytes 6-7 the block the read is at (big-endian, modulo the image's blocks), so that
// a few datagrams reach any part of an image. Then datagrams, each as a flags byte
// (bit 0: the checksum is made right, bit 1: a repeat count of two bytes follows), a
// length of two bytes and that many bytes (fewer at the end).
//
// One protocol serves every input, as one serves every door of an import: a fresh
// one would cost a new 512 KB image each time. Each input first sets all that the
// handler reads (the state, the memory size, the read's position and counters).
#include "fuzz/FuzzCheck.h"
#include "module/device/protocol/DeviceProtocol.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::size_t kMaxDatagram = 2 * kReceiveBufferSize; // longer ones are cut by the endpoint anyway
// Past the 5 bad checksums that end a read, and across the end of an image from any
// block the input starts at; a cap keeps every input quick.
constexpr std::uint32_t kMaxRepeats = 64;
constexpr std::size_t kMaxDatagramsPerInput = 1024;

// The error boxes it would show, counted.
struct TCountingProtocol : TDeviceProtocol {
    std::size_t boxes = 0;
    TCountingProtocol() {
        ShowErrorBox = [this](const std::string&, const std::string&) { ++boxes; };
    }
};

TCountingProtocol& Protocol() {
    static TCountingProtocol protocol;
    return protocol;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput in(data, size);
    const std::uint8_t state = in.Byte();
    const std::uint8_t setup = in.Byte();
    const std::uint32_t memorySize = in.BigEndian(4);
    const std::uint32_t firstBlock = in.BigEndian(2) % kMaxMemBlocks;

    TCountingProtocol& p = Protocol();
    p.ReceiveState = state;
    p.EEPROM_MEM_SIZE = memorySize;
    p.ReadLastBlock = (setup & 2) != 0;
    p.BadCRCRetry = 0;
    p.TimeOutMemReadCounter = 0;
    p.MemReadIsInProgress = false;
    p.SendForNextMemPacket = false;
    p.TimeOutForResponseEnabled = false;
    if (setup & 1) p.BeginMemoryRead();
    p.MemReadAddress = firstBlock;
    std::size_t& boxes = p.boxes;

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
            const std::size_t boxesBefore = boxes;
            p.IdUDPServer1UDPRead(datagram.empty() ? nullptr : datagram.data(), datagram.size());
            // The handler is never left blocking sends, and answers one datagram with one box at most.
            FUZZ_CHECK(!p.ZabraniSlanje.load());
            FUZZ_CHECK(boxes - boxesBefore <= 1);
            // The read position never runs past the image.
            FUZZ_CHECK(p.MemReadAddress.load() <= kMaxMemBlocks);
        }
    }
    // The image keeps its size and nothing is written past its last whole block.
    FUZZ_CHECK(p.RcvMemBuffer.size() == kRcvMemBufferSize);
    FUZZ_CHECK(std::all_of(p.RcvMemBuffer.begin() + std::ptrdiff_t{kMaxMemBlocks} * kMemBlockSize,
                           p.RcvMemBuffer.end(), [](std::uint8_t b) { return b == 0; }));
    return 0;
}
