#pragma once
// The one way the window and kestrom-cli write a file. A regular file is replaced only once its
// new bytes are complete, so a failure or a killed program leaves the old file as it was; anything
// that is not a regular file (a FIFO, a terminal, /dev/stdout) is written directly, never
// replaced by a regular file.

#include "core/status.h"

#include <cstdint>
#include <filesystem>
#include <span>

namespace kestrom {

// Writes bytes as the whole content of path.
// - A new or regular file: the bytes go to an unnamed file in the target's folder (on file
//   systems without unnamed files, to a short hidden name there) which is named only when
//   complete, then renamed over the target. A replaced file keeps its mode and, where permitted,
//   its owner and group.
// - A symbolic link: the file it names is replaced (or created) and the link kept.
// - An existing target that is not a regular file, or one reached through /proc (/dev/stdout):
//   opened and written directly.
// Fails with CreateFailed or WriteFailed (text naming path); a replaced file is then untouched.
Status writeWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// The same through a named temporary file, as on file systems without unnamed files (used by
// writeWholeFile there; tests call it to cover that path).
Status writeWholeFileThroughNamedFile(const std::filesystem::path& path,
                                      std::span<const std::uint8_t> bytes);

// Checks, without touching the target, that writeWholeFile(path) can work: a new file can be
// created in the target's folder, or the target that is written directly may be written. Fails
// with CreateFailed naming path.
Status checkWritable(const std::filesystem::path& path);

// Whether a and b both exist and are the same file (the same inode, whatever the links between).
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

} // namespace kestrom
