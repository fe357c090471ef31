#include "frequency.h"

#include "capcode.h" // round_half_even
#include "default_image.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace qrt58 {

const char* const kNotNumericMessage = "Please insert a decimal numeric!";
const char* const kChannelSpacingMessage = "Channel Spacing Error!";

namespace {

// Raster of ranges 0 and 1: the 5 kHz raster from the first reference and the
// 12.5 kHz offset raster from the second, each with the preset it selects.
struct RasterPair {
    std::int64_t ref5k;
    int preset5k;
    std::int64_t ref12k5;
    int preset12k5;
};
constexpr RasterPair kRaster[2] = {
    {137000000, 0, 137012500, 1},
    {450000000, 2, 450012500, 3},
};

bool is_space(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The text between surrounding spaces.
std::string trimmed(const std::string& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && is_space(text[b])) ++b;
    while (e > b && is_space(text[e - 1])) --e;
    return text.substr(b, e - b);
}

// Value of a text that passed is_decimal_numeric().
double decimal_value(const std::string& text) {
    std::string t = trimmed(text);
    if (!t.empty() && t[0] == '+') t.erase(0, 1);
    double value = 0.0;
    const auto res = std::from_chars(t.data(), t.data() + t.size(), value);
    if (res.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: what matters is the side.
        const bool negative = !t.empty() && t[0] == '-';
        const auto e = t.find_first_of("eE");
        const bool tiny = e != std::string::npos && e + 1 < t.size() && t[e + 1] == '-';
        if (tiny) return 0.0;
        return negative ? -HUGE_VAL : HUGE_VAL;
    }
    return value;
}

bool on_raster(double hz, std::int64_t reference, std::int64_t step) {
    const auto diff = static_cast<std::int64_t>(round_half_even(hz - static_cast<double>(reference)));
    // A zero spacing (possible in a loaded image) leaves only the reference itself.
    if (step == 0) return diff == 0;
    return diff % step == 0;
}

} // namespace

const std::array<std::string, kFrequencyRangeCount>& frequency_range_texts() {
    static const std::array<std::string, kFrequencyRangeCount> texts = {"130-180MHz", "400-499MHz", "929-932MHz"};
    return texts;
}

FrequencyRange parse_frequency_range(const std::string& list_text) {
    FrequencyRange r;
    r.lower_text = list_text.substr(0, 3);
    r.upper_text = list_text.size() > 4 ? list_text.substr(4, 3) : std::string();
    auto mhz = [](const std::string& t) {
        std::int64_t v = 0;
        for (char c : t) {
            if (!is_digit(c)) break;
            v = v * 10 + (c - '0');
        }
        return v;
    };
    r.lower_limit = mhz(r.lower_text) * 10000;
    r.upper_limit = mhz(r.upper_text) * 10000;
    return r;
}

int range_default_preset(int range_index) {
    static constexpr int kPresets[kFrequencyRangeCount] = {0, 2, 4};
    if (range_index < 0 || range_index >= kFrequencyRangeCount) return -1;
    return kPresets[range_index];
}

std::optional<int> detect_frequency_range(const PagerTable& image) {
    switch (image[kBaseFreqAddress + 1] >> 4) {
    case 1: return 0;
    case 4: return 1;
    case 8: return 2;
    default: return std::nullopt;
    }
}

bool is_decimal_numeric(const std::string& text) {
    const std::string t = trimmed(text);
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < t.size() && is_digit(t[i])) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && is_digit(t[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        std::size_t exp_digits = 0;
        while (i < t.size() && is_digit(t[i])) ++i, ++exp_digits;
        if (exp_digits == 0) return false;
    }
    return i == t.size();
}

std::string frequency_range_message(const FrequencyRange& range) {
    return "Frequency setting error(" + range.lower_text + "0000 < = Frequency < =" + range.upper_text + "0000 )";
}

FrequencyOutcome check_frequency(const std::string& text, int range_index, const PagerTable& image) {
    FrequencyOutcome out;
    if (text.empty() || range_index < 0 || range_index >= kFrequencyRangeCount) return out;
    if (!is_decimal_numeric(text)) {
        out.result = FrequencyCheck::NotNumeric;
        out.message = kNotNumericMessage;
        return out;
    }
    const FrequencyRange range = parse_frequency_range(frequency_range_texts()[static_cast<std::size_t>(range_index)]);
    const double typed = decimal_value(text);
    // Compared before narrowing to 32 bits, so a huge entry is an ordinary range error.
    const double f = round_half_even(typed);
    if (!(f >= static_cast<double>(range.lower_limit) && f <= static_cast<double>(range.upper_limit))) {
        out.result = FrequencyCheck::OutOfRange;
        out.message = frequency_range_message(range);
        return out;
    }
    // The raster is tested on the frequency in Hz, fraction included.
    const double hz = typed * 100.0;
    bool fits = false;
    if (range_index < 2) {
        const RasterPair& r = kRaster[range_index];
        if (on_raster(hz, r.ref5k, 5000)) {
            fits = true;
            out.preset = r.preset5k;
        } else if (on_raster(hz, r.ref12k5, 25000)) {
            fits = true;
            out.preset = r.preset12k5;
        }
    } else {
        const auto step = static_cast<std::int64_t>(round_half_even(channel_spacing_khz(image) * 1000.0));
        fits = on_raster(hz, base_frequency_hz(image), step);
    }
    if (!fits) {
        out.preset = -1;
        out.result = FrequencyCheck::ChannelSpacing;
        out.message = kChannelSpacingMessage;
        return out;
    }
    out.result = FrequencyCheck::Accepted;
    out.value = static_cast<std::uint32_t>(f);
    return out;
}

void apply_frequency(PagerTable& image, const FrequencyOutcome& outcome) {
    if (outcome.result != FrequencyCheck::Accepted) return;
    if (outcome.preset >= 0) {
        const RangePreset& p = range_presets().at(static_cast<std::size_t>(outcome.preset));
        image.put(kSynthFirst, p.synth.data(), kSynthSize);
        image.put(kBaseFreqAddress, p.freq.data(), 4);
    }
    store_frequency(image, outcome.value);
}

std::uint32_t stored_frequency(const PagerTable& image) { return image.get_u32(kFreqAddress); }

void store_frequency(PagerTable& image, std::uint32_t value) { image.set_u32(kFreqAddress, value); }

std::uint32_t stored_base_frequency(const PagerTable& image) { return image.get_u32(kBaseFreqAddress); }

std::int64_t base_frequency_hz(const PagerTable& image) {
    return static_cast<std::int64_t>(stored_base_frequency(image)) * 100;
}

int channel_spacing_khz(const PagerTable& image) { return image[0x0E]; }

std::string hex_text(std::uint32_t value) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return out;
}

std::string frequency_text(const PagerTable& image) { return std::to_string(stored_frequency(image)); }

PllLabels pll_labels(const PagerTable& image) {
    PllLabels l;
    l.bfreq = std::to_string(stored_base_frequency(image));
    l.incd = hex_text(image[0x0D]);
    l.pll_r = hex_text(image.get_be(0x0A, 2));
    l.channel = std::to_string(channel_spacing_khz(image)) + "KHz";
    l.pll_n = hex_text(image.get_be(0x05, 3));
    return l;
}

} // namespace qrt58
