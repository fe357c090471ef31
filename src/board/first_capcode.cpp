#include "first_capcode.h"

#include <cmath>

namespace qrt58 {
namespace {

constexpr int kRecord0 = 0xB0;
constexpr int kRecord1 = 0xB4;
constexpr int kEnableByte = 0x73; // bit s = enable of slot s (s < 8)

std::uint32_t word_at(const PagerTable& image, int record) {
    return (static_cast<std::uint32_t>(image[record + 1]) << 16) |
           (static_cast<std::uint32_t>(image[record + 2]) << 8) | image[record + 3];
}

void put_word(PagerTable& image, int record, std::uint32_t word) {
    image[record + 1] = static_cast<std::uint8_t>((word >> 16) & 0xFF);
    image[record + 2] = static_cast<std::uint8_t>((word >> 8) & 0xFF);
    image[record + 3] = static_cast<std::uint8_t>(word & 0xFF);
}

// The remainder as the encoder computes it, in double precision.
std::int64_t mymod(double value, double divisor) {
    const double q = value / divisor;
    return static_cast<std::int64_t>(std::nearbyint(divisor * (q - std::trunc(q))));
}

} // namespace

std::optional<FirstCapcode> read_first_capcode(const PagerTable& image) {
    const std::uint32_t w0 = word_at(image, kRecord0);
    const std::uint32_t o = w0 & 0x1FFFFF;
    if (!(w0 & 0x400000)) return FirstCapcode{o >= 32768 ? o - 32768 : 0, false};
    const std::uint64_t i = word_at(image, kRecord1) & 0x1FFFFF;
    FirstCapcode c;
    c.is_long = true;
    if (o <= 0x8000 && i >= 0x1F7FFF) c.value = (i ^ 0x1FFFFF) * 32768 + o + 2068480;
    else if (o <= 0x8000 && i >= 0x1E0001 && i <= 0x1F0000) c.value = (i - 0x1D8000) * 32768 + o + 2068480;
    else if (o >= 0x1F7FFF && i >= 0x1E0001 && i <= 0x1E8000)
        c.value = (i - 0x1C8000) * 32768 + o - 2064383 + 2068479;
    else return std::nullopt;
    return c;
}

bool store_first_capcode(PagerTable& image, std::uint64_t value, bool long_pair) {
    if (value >= 1 && value < 2031615) {
        put_word(image, kRecord0, static_cast<std::uint32_t>(value + 32768));
        if (long_pair) image[kEnableByte] = static_cast<std::uint8_t>(image[kEnableByte] & ~0x02);
        return true;
    }
    if (!long_pair || value < 2101249 || value > 4291000000ULL) return false;
    const double v = static_cast<double>(value);
    std::uint32_t first, second;
    if (value <= 1075843072ULL) {
        first = static_cast<std::uint32_t>(mymod(v - 2068481, 32768) + 1);
        second = static_cast<std::uint32_t>(((value - 2068481) / 32768) ^ 0x1FFFFF);
    } else if (value <= 3223326720ULL) {
        first = static_cast<std::uint32_t>(mymod(v - 2068481, 32768) + 1);
        second = static_cast<std::uint32_t>((value - 2068481) / 32768 + 0x1D8000);
    } else {
        first = static_cast<std::uint32_t>(mymod(v - 2068479, 32768) + 0x1F7FFF);
        second = static_cast<std::uint32_t>((value - 2068479) / 32768 + 0x1C8000);
    }
    put_word(image, kRecord0, first | 0x400000);
    put_word(image, kRecord1, second | 0x400000);
    if (image[kEnableByte] & 0x01) image[kEnableByte] = static_cast<std::uint8_t>(image[kEnableByte] | 0x02);
    return true;
}

} // namespace qrt58
