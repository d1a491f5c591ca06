#pragma once
// Helpers shared by the fuzz targets: a broken promise aborts with its text, and the fuzzer's
// bytes are handed to the loaders as a file on disk, as the window hands them a file.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace kestrom::fuzz {

inline void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

// Writes the input as `name` in a scratch folder of this fuzzing process and returns its path.
inline std::filesystem::path inputAsFile(const std::string& name, const std::uint8_t* data,
                                         std::size_t size) {
    static const std::filesystem::path folder = [] {
        auto path =
            std::filesystem::temp_directory_path() / ("kestrom-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    const std::filesystem::path path = folder / name;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

} // namespace kestrom::fuzz
