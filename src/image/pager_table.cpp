#include "pager_table.h"

#include <cassert>
#include <stdexcept>

namespace qrt58 {

std::uint32_t PagerTable::get_be(int address, int count) const {
    std::uint32_t v = 0;
    for (int i = 0; i < count; ++i) v = (v << 8) | (*this)[address + i];
    return v;
}

std::uint32_t PagerTable::get_u32(int address) const { return get_be(address, 4); }

void PagerTable::set_u32(int address, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) (*this)[address + i] = static_cast<std::uint8_t>(value >> (8 * (3 - i)));
}

void PagerTable::put(int address, const std::uint8_t* src, int count) {
    if (address < 0 || count < 0 || address + count > kImageSize)
        throw std::out_of_range("PagerTable::put outside the image");
    for (int i = 0; i < count; ++i) bytes[static_cast<std::size_t>(address + i)] = src[i];
}

void PagerTable::put_text(int address, const std::string& text) {
    put(address, reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()));
}

void PagerTable::fill(int first, int last, std::uint8_t value) {
    for (int a = first; a <= last; ++a) (*this)[a] = value;
}

std::uint8_t get_bits(const PagerTable& image, int addr, int bit, int width) {
    assert(width >= 1 && width <= 8 && bit >= 0 && bit + width <= 8);
    const unsigned mask = (1u << width) - 1u;
    return static_cast<std::uint8_t>((image[addr] >> bit) & mask);
}

void set_bits(PagerTable& image, int addr, int bit, int value, int width) {
    assert(width >= 1 && width <= 8 && bit >= 0 && bit + width <= 8);
    const unsigned mask = ((1u << width) - 1u) << bit;
    image[addr] = static_cast<std::uint8_t>((image[addr] & ~mask) | ((static_cast<unsigned>(value) << bit) & 0xFFu));
}

std::uint16_t image_checksum(const PagerTable& image) {
    std::uint32_t sum = 0;
    for (int a = kChecksumFirst; a <= kChecksumLast; ++a) sum = (sum + image[a]) % 65536u;
    return static_cast<std::uint16_t>(sum);
}

void stamp_checksum(PagerTable& image) {
    const std::uint16_t sum = image_checksum(image);
    image[kChecksumHigh] = static_cast<std::uint8_t>(sum >> 8);
    image[kChecksumLow] = static_cast<std::uint8_t>(sum & 0xFF);
}

bool checksum_matches(const PagerTable& image) {
    const std::uint16_t sum = image_checksum(image);
    return image[kChecksumHigh] == (sum >> 8) && image[kChecksumLow] == (sum & 0xFF);
}

} // namespace qrt58
