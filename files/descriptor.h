#pragma once
// File descriptors for the file code of this folder only: one closed when it goes out of scope,
// a whole buffer written to one, and the text naming a failed call.

#include "core/status.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <unistd.h>

namespace kestrom::files_detail {

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { reset(); }
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }
    // Closes now and reports whether the close succeeded (a late write error shows here).
    bool closeNow() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// "path: reason" for a failed call on path that set error (an errno value).
inline std::string describe(const std::filesystem::path& path, int error) {
    return path.string() + ": " + std::strerror(error);
}

// Writes all of bytes to fd, again after interrupted writes. Fails with WriteFailed naming shown.
Status writeAll(int fd, std::span<const std::uint8_t> bytes, const std::filesystem::path& shown);

} // namespace kestrom::files_detail
