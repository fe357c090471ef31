// The receiver's 2048-byte settings EEPROM image, byte for byte, and the bit-field
// accessors every editor uses.
#pragma once

#include "version.h"

#include <array>
#include <cstdint>
#include <string>

namespace qrt58 {

constexpr int kImageSize = 2048;
constexpr int kLastAddress = kImageSize - 1;

// Version signature written at 0x7E0 and the product word compared on loading.
inline const std::string ver_str = QRT58_VERSION_SIGNATURE;
constexpr int kSignatureAddress = 0x7E0;
constexpr int kSignatureCompareLength = 6; // "QRT58 "

// Checksum range and position: 16-bit sum of 0x100-0x343, high byte at 0x7FE,
// low byte at 0x7FF.
constexpr int kChecksumFirst = 0x100;
constexpr int kChecksumLast = 0x343;
constexpr int kChecksumHigh = 0x7FE;
constexpr int kChecksumLow = 0x7FF;
constexpr int kWriteMarkerAddress = 0x3E0;

struct PagerTable {
    std::array<std::uint8_t, kImageSize> bytes{};

    std::uint8_t& operator[](int address) { return bytes.at(static_cast<std::size_t>(address)); }
    std::uint8_t operator[](int address) const { return bytes.at(static_cast<std::size_t>(address)); }
    std::uint8_t* data() { return bytes.data(); }
    const std::uint8_t* data() const { return bytes.data(); }
    static constexpr int size() { return kImageSize; }

    bool operator==(const PagerTable& o) const { return bytes == o.bytes; }
    bool operator!=(const PagerTable& o) const { return bytes != o.bytes; }

    // Big-endian multi-byte values.
    std::uint32_t get_u32(int address) const;
    void set_u32(int address, std::uint32_t value);
    std::uint32_t get_be(int address, int count) const;

    // Copies raw bytes into the image from `address` on.
    void put(int address, const std::uint8_t* src, int count);
    void put_text(int address, const std::string& text);
    void fill(int first, int last, std::uint8_t value);
};

// The w-bit field from bit b (bit 0 least significant) of byte a.
std::uint8_t get_bits(const PagerTable& image, int addr, int bit, int width);
// Writes `value` (already below 2^width) into field (addr, bit, width).
void set_bits(PagerTable& image, int addr, int bit, int value, int width);

// 16-bit sum of 0x100-0x343.
std::uint16_t image_checksum(const PagerTable& image);
// Stores the checksum at 0x7FE (high) / 0x7FF (low).
void stamp_checksum(PagerTable& image);
// True when 0x7FE/0x7FF hold the checksum of the image.
bool checksum_matches(const PagerTable& image);

} // namespace qrt58
