#include "melody.h"

#include "default_image.h"

namespace qrt58 {

namespace {

constexpr int kFormatAddress = 0x596; // bit 2

bool valid_slot(int slot) { return slot >= 0 && slot < kMelodySlots; }

const std::vector<StoredItem>& all_music_types() {
    // The list order is not the code order: the codes are the receiver's.
    static const std::vector<StoredItem> items = {{"User", kUserMusicType},
                                                  {"Tone 1", 1},
                                                  {"Tone 2", 5},
                                                  {"Tone 3", 6},
                                                  {"Tone 4", 7},
                                                  {"Tone 5", 2},
                                                  {"Tone 6", 3},
                                                  {"Tone 7", 4},
                                                  {"Vibration", 32},
                                                  {"Flash Only", 49}};
    return items;
}

} // namespace

std::vector<StoredItem> music_type_items(int slot) {
    const auto& all = all_music_types();
    if (slot == 0) return {all.begin(), all.begin() + kSlotZeroMusicItems};
    return all;
}

std::optional<int> music_type_index(const PagerTable& image, int slot) {
    if (!valid_slot(slot)) return std::nullopt;
    return item_index(music_type_items(slot), image[kMusicTypeFirst + slot]);
}

void store_music_type(PagerTable& image, int slot, int code, bool long_first) {
    if (!valid_slot(slot)) return;
    image[kMusicTypeFirst + slot] = static_cast<std::uint8_t>(code);
    if (long_first && slot + 1 < kMelodySlots) image[kMusicTypeFirst + slot + 1] = static_cast<std::uint8_t>(code);
}

bool single_tone_mode(const PagerTable& image) { return get_bits(image, kFormatAddress, 2, 1) == 1; }

std::string single_tone_text(const PagerTable& image, int slot) {
    if (!valid_slot(slot)) return {};
    std::string text;
    for (int j = 0; j < kMelodyLength; ++j) {
        const std::uint8_t byte = image[kSingleToneFirst + 2 * slot + j / 8];
        text += (byte >> (7 - j % 8)) & 1 ? '1' : '0';
    }
    return text;
}

std::string multi_tone_text(const PagerTable& image, int slot) {
    if (!valid_slot(slot)) return {};
    std::string text;
    for (int j = 0; j < kMelodyLength; ++j) text += note_char(image[kMultiToneFirst + 16 * slot + j]);
    return text;
}

std::string user_melody_text(const PagerTable& image, int slot) {
    return single_tone_mode(image) ? single_tone_text(image, slot) : multi_tone_text(image, slot);
}

std::string pad_melody(const std::string& text) {
    std::string padded = text.substr(0, kMelodyLength);
    padded.resize(kMelodyLength, '0');
    return padded;
}

std::string store_user_melody(PagerTable& image, int slot, const std::string& text) {
    const std::string padded = pad_melody(text);
    if (!valid_slot(slot)) return padded;
    if (single_tone_mode(image)) {
        std::uint8_t bytes[2] = {0, 0};
        for (int j = 0; j < kMelodyLength; ++j)
            if (padded[static_cast<std::size_t>(j)] != '0') bytes[j / 8] |= static_cast<std::uint8_t>(0x80 >> (j % 8));
        image[kSingleToneFirst + 2 * slot] = bytes[0];
        image[kSingleToneFirst + 2 * slot + 1] = bytes[1];
    } else {
        for (int j = 0; j < kMelodyLength; ++j)
            image[kMultiToneFirst + 16 * slot + j] = note_code(padded[static_cast<std::size_t>(j)]);
    }
    return padded;
}

bool melody_char_allowed(char c, bool single_tone) {
    if (c == '0') return true;
    if (single_tone) return c == '1';
    return (c >= 'A' && c <= 'G') || (c >= 'a' && c <= 'g');
}

const char* melody_refusal_message(bool single_tone) {
    return single_tone ? "Please input 0 or 1 only!" : "Please input A ~ G or a ~ g or 0 only!";
}

} // namespace qrt58
