#pragma once
// The raw flight image as the recorder delivers it: a 32-byte header followed by 4-byte samples
// (raw temperature word UT, then raw pressure word UP, both little-endian). A sample whose UP is
// 0xFFFF ends the flight. The same bytes form a measurement file.

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace kestrom {

inline constexpr std::size_t kHeaderBytes = 32;
inline constexpr std::size_t kSampleBytes = 4;
// A measurement file is read up to the size of the download's receive buffer, so every flight a
// download can bring back and Save can write loads whole.
inline constexpr std::size_t kMaxFileReadBytes = 90000;
inline constexpr std::size_t kCurveLength = 17000;          // positions of every curve array
inline constexpr std::int32_t kCurveEndMark = 0x7FFFFFFF;   // after the last plotted point
inline constexpr std::int32_t kConversionMark = 0x07FFFFFF; // after the converted samples
inline constexpr std::uint16_t kEndMarkerWord = 0xFFFF;     // UP of the sample ending a flight

// Header offsets.
inline constexpr std::size_t kOffsetCompetitor = 1;
inline constexpr std::size_t kOffsetSerial = 3;
inline constexpr std::size_t kOffsetHeaderUt = 5;
inline constexpr std::size_t kOffsetRateCode = 7;
inline constexpr std::size_t kOffsetDeviceFactor = 8;
inline constexpr std::size_t kOffsetCalibration = 10;

// Little-endian 16-bit word at offset; bytes outside the span read as 0.
std::uint16_t readU16le(std::span<const std::uint8_t> bytes, std::size_t offset);
// The same word taken as signed two's complement.
std::int16_t readI16le(std::span<const std::uint8_t> bytes, std::size_t offset);
// Stores a little-endian word; grows the vector with zeros when offset + 2 lies beyond it.
void writeU16le(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value);
// Stores a little-endian word into a fixed buffer (a frame, a reply); bytes that would lie beyond
// it are not written.
void writeU16le(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value);

// One flight image, owning its bytes. Every read beyond its own bytes gives 0, so a short image
// never picks up another flight's data.
class FlightImage {
public:
    FlightImage() = default;
    explicit FlightImage(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }

    // Byte at offset, 0 beyond the image.
    std::uint8_t byteAt(std::size_t offset) const {
        return offset < bytes_.size() ? bytes_[offset] : std::uint8_t{0};
    }
    // Little-endian word at offset (unsigned / signed), 0 bytes beyond the image.
    std::uint16_t wordAt(std::size_t offset) const { return readU16le(bytes_, offset); }
    std::int16_t signedWordAt(std::size_t offset) const { return readI16le(bytes_, offset); }

    // Raw words of sample index (0 = first sample after the header).
    std::uint16_t sampleUt(std::size_t index) const {
        return wordAt(kHeaderBytes + index * kSampleBytes);
    }
    std::uint16_t sampleUp(std::size_t index) const {
        return wordAt(kHeaderBytes + index * kSampleBytes + 2);
    }

    // 16-bit words after the header, (bytes - 32) / 2; 0 for an image without samples.
    std::uint32_t wordCount() const {
        return bytes_.size() > kHeaderBytes
                   ? static_cast<std::uint32_t>((bytes_.size() - kHeaderBytes) / 2)
                   : 0U;
    }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace kestrom
