// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the fuzz targets: an invariant that does not hold stops the run
// (libFuzzer keeps the input as a crash, the corpus replay fails its test).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                                     \
    do {                                                                                                     \
        if (!(cond)) {                                                                                       \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #cond);                \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// Reads the input front to back; past the end every read yields zero.
class TFuzzInput {
public:
    TFuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::size_t Left() const { return m_size - m_pos; }
    std::uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    std::uint32_t BigEndian(int bytes) {
        std::uint32_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v = v << 8 | Byte();
        return v;
    }
    // Up to n bytes from here on; advances past them.
    const std::uint8_t* Take(std::size_t n, std::size_t& got) {
        got = n < Left() ? n : Left();
        const std::uint8_t* p = m_data + m_pos;
        m_pos += got;
        return p;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};
