// The configuration file: whatever a file holds, loading it never reads past the record, and a
// loaded record saved and loaded again is the same record with the same first 44 bytes.

#include "files/config.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using namespace kestrom;

using kestrom::fuzz::require;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = kestrom::fuzz::inputAsFile("kestrom.par", data, size).string();
    const ConfigLoadResult loaded = LoadConfig(path);
    require(loaded.status == ConfigLoad::Loaded, "loaded.status == ConfigLoad::Loaded");
    require(loaded.record == decodeConfig(std::span<const std::uint8_t>(data, size)),
            "loaded.record == decodeConfig(std::span<const std::uint8_t>(data, size))");

    // What a file covers of the record is kept byte for byte.
    const auto encoded = encodeConfig(loaded.record);
    const std::size_t covered = std::min(size, kConfigRecordBytes);
    require(std::memcmp(encoded.data(), data, covered) == 0,
            "std::memcmp(encoded.data(), data, covered) == 0");

    require(!SaveConfig(path, loaded.record).has_value(),
            "!SaveConfig(path, loaded.record).has_value()");
    const ConfigLoadResult again = LoadConfig(path);
    require(again.status == ConfigLoad::Loaded && again.record == loaded.record,
            "again.status == ConfigLoad::Loaded && again.record == loaded.record");
    require(std::filesystem::file_size(path) == kConfigRecordBytes,
            "std::filesystem::file_size(path) == kConfigRecordBytes");
    return 0;
}
