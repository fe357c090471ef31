// Decimal numbers as this program writes them, with a decimal point, whatever
// the process locale says (the GUI takes its locale from the environment, and
// std::strtod would then stop at the point under a decimal-comma locale).
#pragma once

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>

namespace qrt58 {

// The number at the start of `text` (an optional sign, digits with at most one
// point, an optional exponent; what follows it is ignored). nullopt when the
// text does not start with a number or the number does not fit a double.
inline std::optional<double> read_c_number(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '+' || text.front() == '-')) return std::nullopt;
    }
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc()) return std::nullopt;
    return value;
}

} // namespace qrt58
