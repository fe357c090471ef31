// Capcode (receiver address) codec and the per-slot capcode fields of the image.
//
// Sixteen slots 0..15 hold one 4-byte record each at 0xB0 + 4s. Bytes 1-3 of a
// record are a 24-bit big-endian address word: bits 0-20 the value, bit 22 (0x40
// in byte 1) the long-capcode flag. A short capcode uses one record (word =
// capcode + 32768); a long capcode uses the records of an even slot and the next
// one, both words flagged. Slots pair up as (2p, 2p + 1); a pair shown as "Long"
// holds one long capcode.
#pragma once

#include "pager_table.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qrt58 {

constexpr int kCapcodeSlots = 16;
constexpr int kCapcodePairs = 8;
constexpr int kCapcodeRecordFirst = 0xB0;
constexpr std::uint32_t kLongFlag = 0x400000;  // bit 22 of the address word
constexpr std::uint32_t kWordValueMask = 0x1FFFFF; // bits 0-20

constexpr double kShortLimit = 2031615;       // upper entry limit of a short slot
constexpr double kLongLimit = 4291000000.0;   // upper entry limit of a long pair
constexpr double kLargestShort = 2031614;
constexpr double kFirstLong = 2101249;
constexpr double kLastLongA = 1075843072;
constexpr double kFirstLongB = 1075843073;
constexpr double kLastLongB = 3223326720.0;
constexpr double kFirstLongC = 3223326721.0;

// divisor x (value / divisor - trunc(value / divisor)), rounded half to even to a
// 32-bit integer. Works in double precision so ten-digit capcodes fit.
std::int32_t mymod(double value, double divisor);

// Rounds half to even, the integer conversion used throughout the image rules.
double round_half_even(double v);

enum class CapcodeEncoding {
    Short,   // one word
    LongA,   // two words
    LongB,
    LongC,
    Invalid, // in the gap between short and long capcodes: "Invalid Capcode!"
    Nothing, // no rule applies (too large, a fraction between two long parts, or a
             // long value for a slot that is not the even slot of a "Long" pair)
};

struct CapcodeWords {
    CapcodeEncoding kind = CapcodeEncoding::Nothing;
    std::uint32_t first = 0;  // 24-bit word for the slot's record (flag included)
    std::uint32_t second = 0; // long only: word for the next slot's record
    bool writes() const { return kind != CapcodeEncoding::Invalid && kind != CapcodeEncoding::Nothing; }
    bool is_long() const {
        return kind == CapcodeEncoding::LongA || kind == CapcodeEncoding::LongB ||
               kind == CapcodeEncoding::LongC;
    }
};

// Encodes a capcode value. `long_pair`: the slot is the even slot of a pair shown
// as "Long", so its record and the next one may take a long capcode.
CapcodeWords encode_capcode(double value, bool long_pair);

// The 24-bit address word of a slot's record (bytes 1-3); slot 16 is refused.
std::uint32_t capcode_word(const PagerTable& image, int slot);
void set_capcode_word(PagerTable& image, int slot, std::uint32_t word);
// Long flag of the record of slot 2p: the stored length of pair p.
bool pair_is_long_in_image(const PagerTable& image, int pair);
std::array<bool, kCapcodePairs> long_pairs_from_image(const PagerTable& image);

// Shown text of a record that carries the long flag but fits none of the three
// long decoding rules (or has no following record).
inline const std::string kUndecodableCapcodeText = "??????????";

struct DecodedCapcode {
    std::string text;            // as the capcode box shows it
    std::optional<double> value; // none for an undecodable long record
    int slots_used = 1;          // 1, or 2 when the next slot belongs to this capcode
    bool is_long = false;        // decoded from a flagged record pair
};

// Decodes the record of `slot` given its word, the next record's word (ignored
// unless the flag is set; pass nullopt for slot 15) and whether the slot is the
// even slot of a "Long" pair (a short capcode there shows with ten digits).
DecodedCapcode decode_capcode(std::uint32_t record, std::optional<std::uint32_t> next, bool long_pair);

// Walks all sixteen slots as the capcode list does. A slot that a long capcode in
// the slot before it covers gets `covered` set: its box is not written, and for
// the frame map it counts with the long capcode's value.
struct SlotDisplay {
    DecodedCapcode capcode;
    bool covered = false;
};
std::array<SlotDisplay, kCapcodeSlots> decode_all_capcodes(const PagerTable& image,
                                                          const std::array<bool, kCapcodePairs>& long_pairs);
// The same walk without the shown texts, for code that needs only the values
// (formatting the texts costs more than the decoding itself).
struct SlotValue {
    std::optional<double> value; // none for an undecodable long record
    int slots_used = 1;
    bool is_long = false;
    bool covered = false;
};
std::array<SlotValue, kCapcodeSlots> decode_capcode_values(const PagerTable& image,
                                                           const std::array<bool, kCapcodePairs>& long_pairs);

// "0000000" / "0000000000" formats (a negative value keeps its sign in front).
std::string format_capcode(double value, bool ten_digits);

// Entry check of a capcode box: numeric, then 0 < v <= limit.
enum class CapcodeEntryCheck { NotNumeric, OutOfRange, Ok };
struct CapcodeEntry {
    CapcodeEntryCheck check = CapcodeEntryCheck::NotNumeric;
    double value = 0;
    double limit = kShortLimit;
};
// A decimal number, optionally signed, with optional fraction and exponent,
// spaces around allowed. Empty text and anything else are not numeric.
std::optional<double> parse_capcode_text(const std::string& text);
// The leading number of a text (digits, sign, point, exponent), 0 when none.
double leading_number(const std::string& text);
double capcode_entry_limit(bool long_pair);
CapcodeEntry check_capcode_entry(const std::string& text, bool long_pair);
// The refusals of a capcode box: "Please insert a numeric!" and "Invalid Capcode!".
extern const char* const kCapcodeNotNumericMessage;
extern const char* const kInvalidCapcodeMessage;
// "Please insert a number between 1 to " + limit.
std::string capcode_range_message(double limit);

// Slot fields ------------------------------------------------------------------

struct SlotBit {
    int address;
    int bit;
};
SlotBit enable_bit(int slot);   // 0x73 / 0x72
SlotBit priority_bit(int slot); // 0x34 / 0x35, stored inverted (0 = "Pri" ticked)
SlotBit manual_bit(int slot);   // 0x3BD / 0x3BE
SlotBit type_bit(int slot);     // 0x38 / 0x37, 1 = "Mail drop"
SlotBit group_bit(int slot);    // 0x384 / 0x385, 0 = "Group"

bool get_slot_bit(const PagerTable& image, SlotBit b);
void set_slot_bit(PagerTable& image, SlotBit b, bool on);

// Type list entries: 0 "Personal", 1 "Mail drop", 2 "Group".
enum class CapcodeType { Personal = 0, MailDrop = 1, Group = 2 };
CapcodeType capcode_type(const PagerTable& image, int slot);
// Writes the type bit and the group flag of a slot; nothing else.
void set_capcode_type(PagerTable& image, int slot, CapcodeType type);
const char* capcode_type_name(CapcodeType type);
// The type list's items, in CapcodeType order: "Personal", "Mail drop", "Group".
const std::array<const char*, 3>& capcode_type_texts();
// The length list of a pair: "Short", "Long".
const std::array<const char*, 2>& pair_length_texts();

// Number of usable slots minus 1 (bits 4-7 of 0x3E).
int capcode_count_field(const PagerTable& image);

// Stores a capcode value into the records of `slot`, with the enable-bit rules:
// a short capcode in the even slot of a "Long" pair clears the odd slot's enable
// bit; a long capcode copies a set enable bit to the odd slot. Returns the
// encoding; Invalid and Nothing leave the image unchanged.
CapcodeEncoding store_capcode(PagerTable& image, int slot, double value, bool long_pair);

// Frame map ---------------------------------------------------------------------

// Frame of a capcode: trunc(capcode / 16) mod 128 mod 16, taken as 0..15.
int capcode_frame(double capcode);

struct FrameResult {
    std::uint8_t high = 0;     // 0x92, frames 8-15
    std::uint8_t low = 0;      // 0x93, frames 0-7
    std::string label;         // lblFrame: "%02X%02X" of 0x92, 0x93
    int last_usable_slot = 0;  // slots above it are disabled
};

// Recomputes the frame map from the enabled usable slots (capcode values given per
// slot; a slot without a value adds no frame), clears the enable bits of the slots
// above the capcode count, writes 0x92/0x93 and their seven copies.
FrameResult apply_frame_rule(PagerTable& image, const std::array<std::optional<double>, kCapcodeSlots>& capcodes);
// The same with the capcode values decoded from the image.
FrameResult apply_frame_rule(PagerTable& image, const std::array<bool, kCapcodePairs>& long_pairs);
std::string frame_label(std::uint8_t high, std::uint8_t low);

// What opening an image repairs: the frame map (0x92/0x93 and its seven
// copies) recomputed from the enabled capcodes, and the enable bits of the
// slots above the capcode count cleared. The window does this whenever it takes
// a new image (a file opened, an image read), and the command line does it
// before it programs or compares a file, so that both program the same bytes.
struct OpenRepair {
    std::string frame_before;        // label of the stored map
    std::string frame_after;         // label of the recomputed map
    bool frame_copies_changed = false; // any of 0x96..0xAF rewritten
    std::vector<int> slots_disabled; // slots (0-based) whose enable bit was cleared
    bool any() const {
        return frame_before != frame_after || frame_copies_changed || !slots_disabled.empty();
    }
    // One line, e.g. "frame map 0100 -> 0001; enable bit cleared above the
    // capcode count: slots 9, 12"; "nothing" when nothing changed.
    std::string describe() const;
};
OpenRepair repair_opened_image(PagerTable& image);

} // namespace qrt58
