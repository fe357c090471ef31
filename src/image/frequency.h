// Frequency ranges, the channel raster and the synthesizer values: the rules of
// the frequency entry, stated on the image so the window and qrt58cli share them.
#pragma once

#include "pager_table.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace qrt58 {

// Image fields of the frequency (big-endian, 100 Hz units).
constexpr int kSynthFirst = 0x00;
constexpr int kSynthSize = 16;
constexpr int kBaseFreqAddress = 0xF0;
constexpr int kFreqAddress = 0xF4;

constexpr int kFrequencyRangeCount = 3;
// The items of the range list `cboDft`, in list order.
const std::array<std::string, kFrequencyRangeCount>& frequency_range_texts();

// A range as its list text gives it: characters 1-3 are the lower bound in MHz,
// characters 5-7 the upper bound; the limits are in 100 Hz units.
struct FrequencyRange {
    std::string lower_text; // "130"
    std::string upper_text; // "180"
    std::int64_t lower_limit = 0;
    std::int64_t upper_limit = 0;
};
FrequencyRange parse_frequency_range(const std::string& list_text);

// The preset (index into range_presets()) that choosing range `range_index` applies.
int range_default_preset(int range_index);

// The range list entry that fits an image, from the high nibble of byte 0xF1
// (1 -> 0, 4 -> 1, 8 -> 2); nothing for any other nibble.
std::optional<int> detect_frequency_range(const PagerTable& image);

// True when the text reads as a decimal number: optional spaces around it, an
// optional sign, digits with an optional decimal point and an optional exponent.
// Hexadecimal or octal notation is not a decimal number.
bool is_decimal_numeric(const std::string& text);

enum class FrequencyCheck {
    Restore,        // empty box: show the stored frequency again, nothing stored
    NotNumeric,     // "Please insert a decimal numeric!"
    OutOfRange,     // "Frequency setting error(...)"
    ChannelSpacing, // "Channel Spacing Error!"
    Accepted,
};

struct FrequencyOutcome {
    FrequencyCheck result = FrequencyCheck::Restore;
    std::string message;     // the warning text; empty for Restore and Accepted
    std::uint32_t value = 0; // accepted frequency F, 100 Hz units
    int preset = -1;         // preset whose synthesizer block and base frequency
                             // are copied with F; -1 copies nothing
};

extern const char* const kNotNumericMessage;     // "Please insert a decimal numeric!"
extern const char* const kChannelSpacingMessage; // "Channel Spacing Error!"
std::string frequency_range_message(const FrequencyRange& range);

// Validates the typed frequency against range `range_index` of the list and the
// raster; for range 2 the raster is the base frequency and channel spacing that
// stand in `image`.
FrequencyOutcome check_frequency(const std::string& text, int range_index, const PagerTable& image);

// Stores an accepted outcome: the preset's synthesizer block (0x00-0x0F) and base
// frequency (0xF0-0xF3), then F at 0xF4-0xF7. Other outcomes change nothing.
void apply_frequency(PagerTable& image, const FrequencyOutcome& outcome);

std::uint32_t stored_frequency(const PagerTable& image);
void store_frequency(PagerTable& image, std::uint32_t value);
std::uint32_t stored_base_frequency(const PagerTable& image);
// Base frequency in Hz (the 100 Hz value times 100; wide enough for any image).
std::int64_t base_frequency_hz(const PagerTable& image);
// Channel spacing in kHz, byte 0x0E.
int channel_spacing_khz(const PagerTable& image);

// Upper-case hexadecimal without leading zeros ("0" for zero).
std::string hex_text(std::uint32_t value);

// What `txtFreq` shows: the stored frequency in 100 Hz units, plain decimal.
std::string frequency_text(const PagerTable& image);

// The texts of the synthesizer labels in `picPLL`.
struct PllLabels {
    std::string pll_n;   // bytes 0x05-0x07, hex
    std::string pll_r;   // bytes 0x0A-0x0B, hex
    std::string incd;    // byte 0x0D, hex
    std::string bfreq;   // base frequency in 100 Hz units, decimal
    std::string channel; // byte 0x0E, decimal + "KHz"
};
PllLabels pll_labels(const PagerTable& image);

} // namespace qrt58
