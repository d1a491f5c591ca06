#include "files/config.h"

#include "files/descriptor.h"
#include "files/measurement_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace kestrom {
namespace {

constexpr std::size_t kOffsetReservedA = 12;
constexpr std::size_t kIntFieldCount = 8;

void putInt32(std::array<std::uint8_t, kConfigRecordBytes>& bytes, std::size_t offset,
              std::int32_t value) {
    const auto raw = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(raw >> (8 * i));
    }
}

std::int32_t getInt32(const std::array<std::uint8_t, kConfigRecordBytes>& bytes,
                      std::size_t offset) {
    std::uint32_t raw = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        raw |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    }
    return static_cast<std::int32_t>(raw);
}

// The integer fields in file order, so encoding and decoding cannot disagree.
std::array<std::int32_t*, kIntFieldCount> intFields(ConfigRecord& r) {
    return {&r.ReservedA,  &r.Language,       &r.accelView,        &r.PreCutCm,
            &r.FinalCutCm, &r.PrefilterWidth, &r.FinalFilterWidth, &r.ReservedB};
}

// Closes the configuration file when the load returns.
using files_detail::Descriptor;

std::string errorText(const std::string& path, int error) {
    return path + ": " + std::strerror(error);
}

} // namespace

std::array<std::uint8_t, kConfigRecordBytes> encodeConfig(const ConfigRecord& record) {
    std::array<std::uint8_t, kConfigRecordBytes> bytes{};
    std::memcpy(bytes.data(), record.ReservedHead.data(), record.ReservedHead.size());
    ConfigRecord copy = record;
    std::size_t offset = kOffsetReservedA;
    for (std::int32_t* field : intFields(copy)) {
        putInt32(bytes, offset, *field);
        offset += 4;
    }
    return bytes;
}

ConfigRecord decodeConfig(std::span<const std::uint8_t> bytes) {
    ConfigRecord record;
    auto image = encodeConfig(record);
    const std::size_t n = std::min(bytes.size(), kConfigRecordBytes);
    std::memcpy(image.data(), bytes.data(), n);
    std::memcpy(record.ReservedHead.data(), image.data(), record.ReservedHead.size());
    std::size_t offset = kOffsetReservedA;
    for (std::int32_t* field : intFields(record)) {
        *field = getInt32(image, offset);
        offset += 4;
    }
    return record;
}

std::string ConfigPath(std::string_view programPath) {
    const std::size_t keep = programPath.size() >= 3 ? programPath.size() - 3 : 0;
    return std::string(programPath.substr(0, keep)) + "par";
}

std::string configPathFor(std::string_view programPath, const std::string& userFolder) {
    const std::filesystem::path beside(ConfigPath(programPath));
    const std::filesystem::path folder =
        beside.has_parent_path() ? beside.parent_path() : std::filesystem::path(".");
    if (userFolder.empty() || ::access(folder.c_str(), W_OK) == 0) {
        return beside.string();
    }
    return (std::filesystem::path(userFolder) / beside.filename()).string();
}

std::string chooseConfigPath(std::string_view programPath, const std::string& userFolder) {
    const std::string chosen = configPathFor(programPath, userFolder);
    if (chosen != ConfigPath(programPath)) {
        std::error_code ignored;
        std::filesystem::create_directories(userFolder, ignored);
    }
    return chosen;
}

std::filesystem::path windowSettingsPath(std::string_view configPath) {
    const std::filesystem::path config(configPath);
    return (config.has_parent_path() ? config.parent_path() : std::filesystem::path(".")) /
           "kestrom-window.ini";
}

namespace {

std::string trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

// More than the window ever writes there; the rest of a larger file is not read.
constexpr std::size_t kMaxWindowSettingsBytes = 64 * 1024;

} // namespace

bool archivingOn(const std::filesystem::path& windowSettings) {
    const int fd = ::open(windowSettings.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return true;
    }
    const Descriptor file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        return true;
    }
    std::string text(kMaxWindowSettingsBytes, '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    bool inArchive = false;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = std::min(text.find('\n', begin), text.size());
        const std::string line = trimmed(std::string_view(text).substr(begin, end - begin));
        begin = end + 1;
        if (line.starts_with('[')) {
            inArchive = line == "[archive]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inArchive || equals == std::string::npos ||
            trimmed(line.substr(0, equals)) != "enabled") {
            continue;
        }
        std::string value = trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        std::transform(value.begin(), value.end(), value.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return !(value.empty() || value == "0" || value == "false");
    }
    return true;
}

ConfigLoadResult LoadConfig(const std::string& path) {
    ConfigLoadResult result;
    // Only a regular file is opened at all: opening a device can act on it, and a FIFO would hold
    // up the start for ever (the open does not block either, should one appear meanwhile).
    struct stat named {};
    if (::stat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) {
        result.status = ConfigLoad::Unreadable;
        result.error = path + ": not a regular file";
        return result;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno != ENOENT) {
            result.status = ConfigLoad::Unreadable;
            result.error = errorText(path, errno);
        }
        return result; // no file: first run, defaults, no message
    }
    const Descriptor file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        // A folder, a FIFO or a device is no configuration file: not read, and never replaced.
        result.status = ConfigLoad::Unreadable;
        result.error = path + ": not a regular file";
        return result;
    }
    std::array<std::uint8_t, kConfigRecordBytes> bytes{};
    // Never more than the record: a longer file's tail is not ours to read.
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            result.status = ConfigLoad::Unreadable;
            result.error = errorText(path, errno);
            return result;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    result.record = decodeConfig(std::span<const std::uint8_t>(bytes.data(), got));
    result.status = ConfigLoad::Loaded;
    return result;
}

std::optional<std::string> SaveConfig(const std::string& path, const ConfigRecord& record) {
    // Written as a whole like a measurement file: a full disk or a crash leaves the previous file.
    const auto bytes = encodeConfig(record);
    if (Status written = writeWholeFile(path, bytes); !written) {
        return written.error;
    }
    return std::nullopt;
}

} // namespace kestrom
