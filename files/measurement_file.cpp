#include "files/measurement_file.h"

#include "files/descriptor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrom {
namespace {

using files_detail::Descriptor;

std::string describe(const std::string& name, int error) {
    return name + ": " + std::strerror(error);
}

} // namespace

Result<FlightImage> readMeasurementStream(int fd, const std::string& name) {
    std::vector<std::uint8_t> bytes(kMaxFileReadBytes);
    std::size_t got = 0;
    // A longer file is used up to the size of the receive buffer, as a download would be.
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Result<FlightImage>::failure(ErrorKind::ReadFailed,
                                                "Cannot read " + describe(name, errno));
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    if (got < kHeaderBytes) {
        return Result<FlightImage>::failure(ErrorKind::TooShort,
                                            name + ": " + std::to_string(got) +
                                                " bytes is too short for a flight (at least " +
                                                std::to_string(kHeaderBytes) + " needed)");
    }
    return Result<FlightImage>::success(FlightImage(std::move(bytes)));
}

Result<FlightImage> readMeasurementFile(const std::filesystem::path& path) {
    // A device is not even opened (opening one may act on it, as on a serial line).
    struct stat named {};
    if (::stat(path.c_str(), &named) == 0 && (S_ISCHR(named.st_mode) || S_ISBLK(named.st_mode))) {
        return Result<FlightImage>::failure(ErrorKind::ReadFailed, "Cannot read " + path.string() +
                                                                       ": Not a regular file");
    }
    // Not blocking: opening a FIFO would otherwise wait for a writer that may never come.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0) {
        return Result<FlightImage>::failure(ErrorKind::OpenFailed,
                                            "Cannot open " + describe(path.string(), errno));
    }
    struct stat st {};
    if (::fstat(file.get(), &st) != 0) {
        return Result<FlightImage>::failure(ErrorKind::ReadFailed,
                                            "Cannot read " + describe(path.string(), errno));
    }
    if (!S_ISREG(st.st_mode)) {
        // A folder, a FIFO or a device (/dev/zero never ends) is no measurement file.
        return Result<FlightImage>::failure(
            ErrorKind::ReadFailed,
            "Cannot read " + path.string() +
                (S_ISDIR(st.st_mode) ? ": Is a folder" : ": Not a regular file"));
    }
    return readMeasurementStream(file.get(), path.string());
}

Status writeMeasurementFile(const std::filesystem::path& path, const FlightImage& image) {
    return writeWholeFile(path, image.bytes());
}

} // namespace kestrom
