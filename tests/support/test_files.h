#pragma once
// Files for tests: a fresh folder per test, and whole files read and written as bytes or text.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace kestrom::test {

// An empty folder under the temporary one, named after the process and the running test so that
// tests run side by side never share one. The caller removes it when the test ends.
inline std::filesystem::path freshTestDir(const std::string& prefix) {
    std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(test.begin(), test.end(), '/', '-'); // parameterised tests are named "Name/0"
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / (prefix + std::to_string(::getpid()) + "-" + test);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// The whole file; empty where it cannot be read.
inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Replaces the file with these bytes.
inline void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

} // namespace kestrom::test
