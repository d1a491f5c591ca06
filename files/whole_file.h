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

// Whether writeWholeFile may replace a regular file that is already at the target.
enum class Replace { Allowed, Never };

// Writes bytes as the whole content of path.
// - A new or regular file: the bytes go to an unnamed file in the target's folder (on file
//   systems without unnamed files, to a short hidden name there) which is named only when
//   complete, then renamed over the target. A replaced file keeps its mode and, where permitted,
//   its owner and group.
// - A symbolic link: the file it names is replaced (or created) and the link kept.
// - An existing target that is not a regular file, or one reached through /proc (/dev/stdout):
//   opened and written directly.
// - Replace::Never: the complete file is linked under its name only if no file has that name at
//   that moment (also one made while the bytes were written); otherwise Exists and nothing there
//   is touched. FIFOs and devices are still written directly.
// Leftover temporary names of this writer in the folder, whose process is gone, are removed.
// Fails with CreateFailed or WriteFailed (text naming path), or Exists; a replaced file is then
// untouched.
Status writeWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                      Replace replace = Replace::Allowed);

// The same through a named temporary file, as on file systems without unnamed files (used by
// writeWholeFile there; tests call it to cover that path).
Status writeWholeFileThroughNamedFile(const std::filesystem::path& path,
                                      std::span<const std::uint8_t> bytes,
                                      Replace replace = Replace::Allowed);

// Removes the temporary files writeWholeFile left in folder when its process was killed (their
// process no longer runs). Returns how many were removed.
int removeStaleTemporaries(const std::filesystem::path& folder);

// Checks, without touching the target, that writeWholeFile(path) can work: a new file can be
// created in the target's folder, or the target that is written directly may be written. Fails
// with CreateFailed naming path and the reason (a loop of links, a name too long, a folder that
// cannot be entered included).
Status checkWritable(const std::filesystem::path& path);

// Whether a and b both exist and are the same file (the same inode, whatever the links between).
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

} // namespace kestrom
