#pragma once
// The configuration record: the user's choices carried from one run to the next, stored as
// 44 bytes beside the program file. Plain C++; the window decides how failures are shown.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kestrom {

inline constexpr std::size_t kConfigRecordBytes = 44;

// Field order and widths are the file layout; integers are 32-bit signed little-endian.
struct ConfigRecord {
    std::array<std::uint8_t, 12> ReservedHead{}; // offset 0, kept as loaded
    std::int32_t ReservedA = 50;                 // offset 12, kept as loaded
    std::int32_t Language = 0;                   // offset 16, 0 Polish, other English
    std::int32_t accelView = 1;                  // offset 20, dh/dt curve drawn when non-zero
    std::int32_t PreCutCm = 350;                 // offset 24, filter pre-cut
    std::int32_t FinalCutCm = 250;               // offset 28, filter final cut
    std::int32_t PrefilterWidth = 8;             // offset 32
    std::int32_t FinalFilterWidth = 12;          // offset 36
    std::int32_t ReservedB = 1;                  // offset 40, kept as loaded

    friend bool operator==(const ConfigRecord&, const ConfigRecord&) = default;
};

// The record's 44 bytes as stored in the file.
std::array<std::uint8_t, kConfigRecordBytes> encodeConfig(const ConfigRecord& record);

// Defaults with their leading bytes replaced by `bytes` (at most 44 are used; a short input
// replaces only what it covers).
ConfigRecord decodeConfig(std::span<const std::uint8_t> bytes);

// The configuration file's path: the program file's path with its last three characters
// replaced by "par" (by position, not by extension: "tool" gives "tpar"). A path shorter than
// three characters gets "par" in its place.
std::string ConfigPath(std::string_view programPath);

// Where the configuration file is kept: ConfigPath beside the program when that folder can be
// written (a program run from its own folder), otherwise a file of the same name in userFolder,
// which is created when missing (an installed program, whose folder belongs to the system).
// An empty userFolder keeps ConfigPath.
std::string chooseConfigPath(std::string_view programPath, const std::string& userFolder);

// The path chooseConfigPath gives, without creating the user folder.
std::string configPathFor(std::string_view programPath, const std::string& userFolder);

// The window's own settings (its archive switch, its recent files): "kestrom-window.ini" in the
// folder of the configuration file at configPath.
std::filesystem::path windowSettingsPath(std::string_view configPath);

// Whether downloaded flights are archived, as the window's settings file at windowSettings says:
// key "enabled" of section "[archive]", off when its value is empty, 0 or false (any case,
// quotes removed), on otherwise and when the file, the section or the key is missing. Only a
// regular file is read (a FIFO is never waited on). The window and kestrom-cli both ask this.
bool archivingOn(const std::filesystem::path& windowSettings);

enum class ConfigLoad { Loaded, Missing, Unreadable };

struct ConfigLoadResult {
    ConfigRecord record;
    ConfigLoad status = ConfigLoad::Missing;
    std::string error; // the reason when Unreadable, naming the file
};

// Fills the defaults, then, if a file exists at `path`, reads at most its first 44 bytes over
// them. A missing file is no failure; an unreadable one, or one that is not a regular file (a
// folder, a FIFO: never opened for reading), keeps the defaults and says why. The caller must then
// not write the configuration, so that what could not be read is not lost.
ConfigLoadResult LoadConfig(const std::string& path);

// Writes the 44 bytes of `record` as the whole file at `path`: they go to a temporary file in the
// same folder, which is then renamed over the old file, so a failure leaves the old file intact.
// Returns std::nullopt on success, else the error text naming the file.
std::optional<std::string> SaveConfig(const std::string& path, const ConfigRecord& record);

} // namespace kestrom
