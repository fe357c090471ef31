// Factory default image and the constant tables built with it.
#pragma once

#include "pager_table.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qrt58 {

constexpr int kPromptRecordSize = 20;
constexpr int kPromptBlockFirst = 0x100;
constexpr int kPromptBlockSize = 580; // records 0-28
constexpr int kLanguagePromptCount = 29;

enum class Language { English = 0, Spanish = 1, French = 2, Portuguese = 3 };
constexpr int kLanguageCount = 4;

using PromptBlock = std::array<std::uint8_t, kPromptBlockSize>;

// The prompt block 0x100-0x343 in one of the four languages.
const PromptBlock& language_table(Language language);

// A synthesizer block (0x000-0x00F) plus base and default frequency (0x0F0-0x0F7).
struct RangePreset {
    std::array<std::uint8_t, 16> synth;
    std::array<std::uint8_t, 8> freq;
};
constexpr int kPresetCount = 5;
// Presets 1..5 at indexes 0..4.
const std::array<RangePreset, kPresetCount>& range_presets();
// Copies the whole preset (synthesizer and both frequencies) into the image.
void apply_range_preset(PagerTable& image, int preset_index);

struct BatteryLevel {
    const char* text;
    std::uint8_t value;
};
constexpr int kBatteryLevelCount = 11;
const std::array<BatteryLevel, kBatteryLevelCount>& battery_levels();

// Note code of a melody character and back ("0" rest = 0; other characters
// encode to their ANSI code; bytes that are not note codes decode to a space).
std::uint8_t note_code(char c);
char note_char(std::uint8_t code);

// The default multiple-tone melodies, 0x600-0x6FF.
const std::array<std::uint8_t, 256>& melody_block();

// Default passwords written by the builder.
inline const std::string kDefaultReadWritePassword = "000000";                     // 0x3B7-0x3BC, ASCII digits
constexpr std::array<std::uint8_t, 4> kDefaultManualPasswordDigits = {0, 0, 0, 0}; // 0x36C-0x36F

// Builds the factory default image, range 0 (preset 1) selected.
PagerTable build_default_image();

} // namespace qrt58
