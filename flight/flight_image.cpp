#include "flight/flight_image.h"

namespace kestrom {

std::uint16_t readU16le(std::span<const std::uint8_t> bytes, std::size_t offset) {
    const auto at = [&](std::size_t i) -> unsigned { return i < bytes.size() ? bytes[i] : 0U; };
    // offset + 1 cannot wrap for any offset a caller can form from a buffer size.
    return static_cast<std::uint16_t>(at(offset) | (at(offset + 1) << 8));
}

std::int16_t readI16le(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::int16_t>(readU16le(bytes, offset));
}

void writeU16le(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value) {
    if (bytes.size() < offset + 2) {
        bytes.resize(offset + 2, 0);
    }
    bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void writeU16le(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value) {
    if (offset < bytes.size()) {
        bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
    }
    if (offset + 1 < bytes.size()) {
        bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    }
}

} // namespace kestrom
