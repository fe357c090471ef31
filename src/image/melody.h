// Per-capcode melodies of the image: the music type of each of the sixteen slots
// and the user melody in its two formats.
//
//   0x564 + i        music type of slot i
//   0x574 + 2i       single-tone melody of slot i: 16 on/off steps, MSB first
//   0x600 + 16i      multiple-tone melody of slot i: 16 note codes
//   0x596 bit 2      1 = the boxes show the single-tone area, 0 = multiple-tone
//
// Both areas stay in the image whichever format is selected. The note codes are
// note_code / note_char of the default image.
#pragma once

#include "alerts.h"
#include "pager_table.h"

#include <optional>
#include <string>
#include <vector>

namespace qrt58 {

constexpr int kMelodySlots = 16;
constexpr int kMelodyLength = 16;
constexpr int kMusicTypeFirst = 0x564;
constexpr int kSingleToneFirst = 0x574;
constexpr int kMultiToneFirst = 0x600;
constexpr int kUserMusicType = 8; // "User", the first item of every list
// Slot 0's list stops before "Vibration" and "Flash Only".
constexpr int kSlotZeroMusicItems = 8;

// Items of cboMusicType(slot) with their stored codes.
std::vector<StoredItem> music_type_items(int slot);
// The list index the slot's byte selects, nothing for a byte of no item.
std::optional<int> music_type_index(const PagerTable& image, int slot);
// Stores the type code of slot i; with `long_first` slot i + 1 gets it too.
void store_music_type(PagerTable& image, int slot, int code, bool long_first);

// True while the boxes show and edit the single-tone area (0x596 bit 2 = 1).
bool single_tone_mode(const PagerTable& image);

// The box text of slot i in the current / given format.
std::string single_tone_text(const PagerTable& image, int slot);
std::string multi_tone_text(const PagerTable& image, int slot);
std::string user_melody_text(const PagerTable& image, int slot);

// A box text padded on the right with "0" to 16 characters (longer text is cut).
std::string pad_melody(const std::string& text);
// Stores a box text (padded first) into the slot's area of the current format
// and returns the padded text the box then shows. Single-tone: "0" is a rest,
// any other character a tone. Multiple-tone: note codes, other characters their
// ANSI code.
std::string store_user_melody(PagerTable& image, int slot, const std::string& text);

// Key rule of the melody boxes: "0" always passes, "1" in single-tone mode,
// "A" to "G" and "a" to "g" in multiple-tone mode.
bool melody_char_allowed(char c, bool single_tone);
// The message shown for a refused character.
const char* melody_refusal_message(bool single_tone);

} // namespace qrt58
