#include "files/whole_file.h"

#include "files/descriptor.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <signal.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrom {
namespace {

namespace fs = std::filesystem;
using files_detail::describe;
using files_detail::Descriptor;
using files_detail::writeAll;

Status createFailed(const fs::path& shown, int error) {
    return Status::failure(ErrorKind::CreateFailed, "Cannot create " + describe(shown, error));
}

Status writeFailed(const fs::path& shown, int error) {
    return Status::failure(ErrorKind::WriteFailed, "Cannot write " + describe(shown, error));
}

Status alreadyThere(const fs::path& shown) {
    return Status::failure(ErrorKind::Exists, shown.string() + " exists");
}

// The start of every temporary name, followed by the writer's process id in hex.
constexpr std::string_view kTemporaryPrefix = ".kestrom-";

// The file names of /proc are the kernel's view of open files: a rename there means nothing, so
// whatever is reached through them is written as a stream.
bool underProc(const fs::path& path) {
    auto it = path.begin();
    return path.is_absolute() && it != path.end() && ++it != path.end() && *it == "proc";
}

enum class TargetKind { NewFile, RegularFile, Direct, Folder };

struct Target {
    TargetKind kind = TargetKind::NewFile;
    fs::path path;      // the file to replace or create, or to open for a direct write
    struct stat old {}; // a regular file's owner and mode
    int error = 0;      // why the name cannot be looked up (a loop, too long, no access)
};

// Follows the symbolic links of the last name (the folders are taken as they resolve) to the file
// that is really written.
Target resolveTarget(const fs::path& given) {
    constexpr int kMaxLinks = 40; // as the kernel allows
    fs::path p = given;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        // /dev/fd/1 and /dev/stdout lead into /proc through their folders or links.
        std::error_code ec;
        const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
        const fs::path realFolder = fs::canonical(folder, ec);
        if (!ec) {
            p = realFolder / p.filename();
        }
        if (underProc(p)) {
            return {TargetKind::Direct, given, {}};
        }
        Target t;
        t.path = p;
        if (::lstat(p.c_str(), &t.old) != 0) {
            t.kind = TargetKind::NewFile; // also a missing folder: the create reports it
            t.error = errno == ENOENT ? 0 : errno;
            return t;
        }
        if (S_ISLNK(t.old.st_mode)) {
            const fs::path to = fs::read_symlink(p, ec);
            if (ec) {
                return {TargetKind::Direct, given, {}}; // the open reports why
            }
            p = to.is_absolute() ? to : folder / to;
            continue;
        }
        t.kind = S_ISREG(t.old.st_mode)   ? TargetKind::RegularFile
                 : S_ISDIR(t.old.st_mode) ? TargetKind::Folder
                                          : TargetKind::Direct;
        return t;
    }
    Target loop{TargetKind::Direct, given, {}};
    loop.error = ELOOP;
    return loop;
}

// A short hidden name in folder that no other writer uses now; the target's own name may already
// take all of NAME_MAX.
fs::path temporaryName(const fs::path& folder) {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    char name[64];
    std::snprintf(name, sizeof name, "%s%x-%x-%x", kTemporaryPrefix.data(),
                  static_cast<unsigned>(::getpid()), seed, counter.fetch_add(1));
    return folder / name;
}

// A FIFO, a device or a file reached through /proc: written as the stream it is. A regular file
// behind /proc is an open file of this process (standard output sent to a file), whose end is
// where the shell expects the bytes.
Status writeDirect(const Target& target, std::span<const std::uint8_t> bytes) {
    Descriptor file(::open(target.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) {
        return createFailed(target.path, errno);
    }
    struct stat st {};
    if (::fstat(file.get(), &st) == 0 && S_ISREG(st.st_mode)) {
        ::fcntl(file.get(), F_SETFL, O_APPEND);
    }
    if (Status s = writeAll(file.get(), bytes, target.path); !s) {
        return s;
    }
    if (!file.closeNow()) {
        return writeFailed(target.path, errno);
    }
    return Status::success();
}

// Content, mode and owner of the new file, then its data safely on disk.
Status fillFile(int fd, const Target& target, std::span<const std::uint8_t> bytes,
                const fs::path& shown) {
    if (Status s = writeAll(fd, bytes, shown); !s) {
        return s;
    }
    mode_t mode = 0666;
    if (target.kind == TargetKind::RegularFile) {
        // Only root may give a file away; anyone may keep a group they belong to.
        if (::fchown(fd, target.old.st_uid, target.old.st_gid) != 0) {
            (void)::fchown(fd, static_cast<uid_t>(-1), target.old.st_gid);
        }
        mode = target.old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    // After the owner: a change of owner clears the set-user-ID bit.
    ::fchmod(fd, mode);
    if (::fsync(fd) != 0) {
        return writeFailed(shown, errno);
    }
    return Status::success();
}

void syncFolder(const fs::path& folder) {
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        (void)::fsync(dir.get());
    }
}

fs::path folderOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

// Opens a new file with a temporary name in folder; -1 with errno set when none can be made.
int createTemporary(const fs::path& folder, fs::path& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = temporaryName(folder);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// Gives the complete file temp the target's name unless a file has it; temp is gone either way
// when this succeeds.
Status linkWithoutReplacing(const fs::path& temp, const Target& target, const fs::path& shown) {
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.path.c_str(), RENAME_NOREPLACE) == 0) {
        return Status::success();
    }
    if (errno == EEXIST) {
        return alreadyThere(shown);
    }
    // File systems that cannot rename without replacing can still make a second link.
    if (errno != EINVAL && errno != ENOSYS) {
        return writeFailed(shown, errno);
    }
    if (::link(temp.c_str(), target.path.c_str()) != 0) {
        return errno == EEXIST ? alreadyThere(shown) : writeFailed(shown, errno);
    }
    ::unlink(temp.c_str());
    return Status::success();
}

// The replacement through a named temporary file, for file systems without unnamed files.
Status replaceThroughNamedFile(const Target& target, std::span<const std::uint8_t> bytes,
                               const fs::path& shown, Replace replace) {
    removeStaleTemporaries(folderOf(target.path));
    fs::path temp;
    Descriptor file(createTemporary(folderOf(target.path), temp));
    if (file.get() < 0) {
        return createFailed(shown, errno);
    }
    Status s = fillFile(file.get(), target, bytes, shown);
    if (s && !file.closeNow()) {
        s = writeFailed(shown, errno);
    }
    if (s && replace == Replace::Never) {
        s = linkWithoutReplacing(temp, target, shown);
    } else if (s && std::rename(temp.c_str(), target.path.c_str()) != 0) {
        s = writeFailed(shown, errno);
    }
    if (!s) {
        ::unlink(temp.c_str());
        return s;
    }
    syncFolder(folderOf(target.path));
    return s;
}

// Gives the complete unnamed file fd a name in the folder: the target's own when there is no file
// yet, else (when replacing is allowed) a temporary one that is renamed over it. Fails (errno
// set; EEXIST when the name is taken and may not be replaced) where /proc is missing.
bool nameUnnamedFile(int fd, const Target& target, fs::path& temp, Replace replace) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (target.kind == TargetKind::NewFile &&
        ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    if (replace == Replace::Never) {
        if (target.kind != TargetKind::NewFile) {
            errno = EEXIST;
        }
        return false;
    }
    if (target.kind == TargetKind::NewFile && errno != EEXIST) {
        return false;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = temporaryName(folderOf(target.path));
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

Status replaceRegular(const Target& target, std::span<const std::uint8_t> bytes,
                      const fs::path& shown, Replace replace) {
    // Unnamed until complete: a program killed while writing leaves nothing behind.
    Descriptor file(::open(folderOf(target.path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (file.get() < 0) {
        return replaceThroughNamedFile(target, bytes, shown, replace);
    }
    removeStaleTemporaries(folderOf(target.path));
    if (Status s = fillFile(file.get(), target, bytes, shown); !s) {
        return s;
    }
    fs::path temp;
    if (!nameUnnamedFile(file.get(), target, temp, replace)) {
        if (errno == EEXIST) {
            return alreadyThere(shown);
        }
        return replaceThroughNamedFile(target, bytes, shown, replace);
    }
    if (!file.closeNow()) {
        const int error = errno;
        ::unlink(temp.empty() ? target.path.c_str() : temp.c_str());
        return writeFailed(shown, error);
    }
    if (!temp.empty() && std::rename(temp.c_str(), target.path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return writeFailed(shown, error);
    }
    syncFolder(folderOf(target.path));
    return Status::success();
}

} // namespace

Status writeWholeFile(const fs::path& path, std::span<const std::uint8_t> bytes, Replace replace) {
    const Target target = resolveTarget(path);
    if (target.error != 0) {
        return createFailed(path, target.error);
    }
    switch (target.kind) {
    case TargetKind::Folder:
        return writeFailed(path, EISDIR);
    case TargetKind::Direct:
        return writeDirect(target, bytes);
    case TargetKind::RegularFile:
        if (replace == Replace::Never) {
            return alreadyThere(path);
        }
        break;
    case TargetKind::NewFile:
        break;
    }
    return replaceRegular(target, bytes, path, replace);
}

Status writeWholeFileThroughNamedFile(const fs::path& path, std::span<const std::uint8_t> bytes,
                                      Replace replace) {
    const Target target = resolveTarget(path);
    if (target.error != 0 || target.kind == TargetKind::Folder ||
        target.kind == TargetKind::Direct ||
        (target.kind == TargetKind::RegularFile && replace == Replace::Never)) {
        return writeWholeFile(path, bytes, replace);
    }
    return replaceThroughNamedFile(target, bytes, path, replace);
}

int removeStaleTemporaries(const fs::path& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (!name.starts_with(kTemporaryPrefix)) {
            continue;
        }
        // ".kestrom-PID-SEED-COUNTER": only a writer that no longer runs has given it up.
        const std::string rest(name.substr(kTemporaryPrefix.size()));
        char* end = nullptr;
        const unsigned long pid = std::strtoul(rest.c_str(), &end, 16);
        if (end == rest.c_str() || *end != '-' || pid == 0 ||
            pid == static_cast<unsigned long>(::getpid()) || pid > 0x7FFFFFFFUL) {
            continue;
        }
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH &&
            ::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) {
            ++removed;
        }
    }
    ::closedir(dir);
    return removed;
}

Status checkWritable(const fs::path& path) {
    const Target target = resolveTarget(path);
    if (target.error != 0) {
        return createFailed(path, target.error);
    }
    switch (target.kind) {
    case TargetKind::Folder:
        return createFailed(path, EISDIR);
    case TargetKind::Direct:
        return ::access(target.path.c_str(), W_OK) == 0 ? Status::success()
                                                        : createFailed(path, errno);
    case TargetKind::NewFile:
    case TargetKind::RegularFile:
        break;
    }
    const fs::path folder = folderOf(target.path);
    if (Descriptor probe(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
        probe.get() >= 0) {
        return Status::success();
    }
    fs::path temp;
    Descriptor probe(createTemporary(folder, temp));
    if (probe.get() < 0) {
        return createFailed(path, errno);
    }
    ::unlink(temp.c_str());
    return Status::success();
}

bool sameFile(const fs::path& a, const fs::path& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

namespace files_detail {

Status writeAll(int fd, std::span<const std::uint8_t> bytes, const fs::path& shown) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return writeFailed(shown, errno);
        }
        done += static_cast<std::size_t>(n);
    }
    return Status::success();
}

} // namespace files_detail

} // namespace kestrom
