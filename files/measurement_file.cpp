#include "files/measurement_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrom {
namespace {

std::string describe(const std::filesystem::path& path, int error) {
    return path.string() + ": " + std::strerror(error);
}

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    // Closes now and reports whether the close succeeded (a late write error shows here).
    bool closeNow() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

} // namespace

Result<FlightImage> readMeasurementFile(const std::filesystem::path& path) {
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        return Result<FlightImage>::failure(ErrorKind::OpenFailed,
                                            "Cannot open " + describe(path, errno));
    }
    std::vector<std::uint8_t> bytes(kMaxFileReadBytes);
    std::size_t got = 0;
    // Only the first 33,000 bytes of a longer file are used.
    while (got < bytes.size()) {
        const ssize_t n = ::read(file.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Result<FlightImage>::failure(ErrorKind::ReadFailed,
                                                "Cannot read " + describe(path, errno));
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    if (got < kHeaderBytes) {
        return Result<FlightImage>::failure(ErrorKind::TooShort,
                                            path.string() + ": " + std::to_string(got) +
                                                " bytes is too short for a flight (at least " +
                                                std::to_string(kHeaderBytes) + " needed)");
    }
    return Result<FlightImage>::success(FlightImage(std::move(bytes)));
}

Status writeWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    const std::filesystem::path folder =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    // Appended piece by piece: g++ 12 at -O3 warns falsely (-Wrestrict) on "." + std::string.
    std::string name = ".";
    name += path.filename().string();
    name += ".XXXXXX";
    std::string temp = (folder / name).string();
    Descriptor file(::mkstemp(temp.data()));
    if (file.get() < 0) {
        return Status::failure(ErrorKind::CreateFailed, "Cannot create " + describe(path, errno));
    }
    const auto fail = [&](int error) {
        ::unlink(temp.c_str());
        return Status::failure(ErrorKind::WriteFailed, "Cannot write " + describe(path, error));
    };
    // A replaced file keeps its permissions; a new one gets the usual ones.
    struct stat existing {};
    mode_t mode = 0666;
    if (::stat(path.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::fchmod(file.get(), mode);

    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(file.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(file.get()) != 0) {
        return fail(errno);
    }
    if (!file.closeNow()) {
        return fail(errno);
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        return fail(errno);
    }
    return Status::success();
}

Status writeMeasurementFile(const std::filesystem::path& path, const FlightImage& image) {
    return writeWholeFile(path, image.bytes());
}

} // namespace kestrom
