#pragma once
// Files for tests: a fresh folder per test, and whole files read and written as bytes or text.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
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

// The lines of a text, without their line ends.
inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

// The words of a line, as blanks separate them.
inline std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string word; in >> word;) {
        out.push_back(word);
    }
    return out;
}

// Replaces the file with these bytes.
inline void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A test with a fresh folder of its own, removed when the test ends; `path` names a file in it
// and `put` writes one there.
class TempDirTest : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::string put(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        writeBytes(dir_ / name, bytes);
        return path(name);
    }

    std::filesystem::path dir_ = freshTestDir("kestrom-");
};

} // namespace kestrom::test
