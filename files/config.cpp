#include "files/config.h"

#include "files/measurement_file.h"

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
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { ::close(fd_); }

private:
    int fd_;
};

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

std::string chooseConfigPath(std::string_view programPath, const std::string& userFolder) {
    const std::filesystem::path beside(ConfigPath(programPath));
    const std::filesystem::path folder =
        beside.has_parent_path() ? beside.parent_path() : std::filesystem::path(".");
    if (userFolder.empty() || ::access(folder.c_str(), W_OK) == 0) {
        return beside.string();
    }
    std::error_code ignored;
    std::filesystem::create_directories(userFolder, ignored);
    return (std::filesystem::path(userFolder) / beside.filename()).string();
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
