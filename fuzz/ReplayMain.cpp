// SPDX-License-Identifier: GPL-3.0-or-later
// Without libFuzzer a fuzz target is a plain program that runs every file it
// is given (directories are read file by file, in name order) through the
// target once: the committed corpus becomes a regression test.
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

static bool RunFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A copy of exactly the file's size, so a read past the input is caught by the sanitizer.
    std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    std::uint8_t* data = input.empty() ? nullptr : input.data();
    LLVMFuzzerTestOneInput(data, input.size());
    return true;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE_OR_DIRECTORY...\n", argv[0]);
        return 2;
    }
    std::size_t runs = 0;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        std::error_code error;
        if (fs::is_directory(arg, error)) {
            std::vector<fs::path> files;
            for (const auto& entry : fs::directory_iterator(arg))
                if (entry.is_regular_file()) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            for (const fs::path& f : files) {
                if (!RunFile(f)) return 1;
                ++runs;
            }
        } else {
            if (!RunFile(arg)) return 1;
            ++runs;
        }
    }
    std::printf("%zu inputs replayed\n", runs);
    // An empty corpus tests nothing: a wrong path must not pass unnoticed.
    return runs > 0 ? 0 : 1;
}
