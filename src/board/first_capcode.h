// The first capcode (slot 0) read from and stored into the image, for the
// production cycle of qrt58cli. Follows the capcode record encoding: short
// capcodes as value + 32768 in one record, long ones as two words with the long
// flag in the records of slots 0 and 1.
#pragma once

#include "pager_table.h"

#include <cstdint>
#include <optional>

namespace qrt58 {

struct FirstCapcode {
    std::uint64_t value = 0;
    bool is_long = false; // the pair of slots 0 and 1 holds a long capcode
};

// Decodes slot 0; nullopt for a long record that fits none of the long ranges.
std::optional<FirstCapcode> read_first_capcode(const PagerTable& image);
// Stores `value` into slot 0 as a long capcode when `long_pair`, else as a short
// one; false (image unchanged) for a value the encoding cannot hold.
bool store_first_capcode(PagerTable& image, std::uint64_t value, bool long_pair);

} // namespace qrt58
