#include "setting_table.h"

#include "alerts.h"
#include "capcode.h"
#include "change_rules.h"
#include "default_image.h"
#include "display.h"
#include "field_tag.h"
#include "frequency.h"
#include "melody.h"
#include "password.h"
#include "prompts.h"
#include "settings.h"

#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <type_traits>

namespace qrt58 {

// What several rows of one image read: decoded once per listing.
struct ImageReading {
    explicit ImageReading(const PagerTable& img)
        : image(img), pairs(long_pairs_from_image(img)), decoded(decode_all_capcodes(img, pairs)),
          last_usable(capcode_count_field(img)), pll(pll_labels(img)) {}
    const PagerTable& image;
    PairLengths pairs;
    std::array<SlotDisplay, kCapcodeSlots> decoded;
    int last_usable;
    PllLabels pll;
};

std::string slot_key(const char* prefix, int number, const char* field) {
    // Built by hand: listing an image makes about a thousand of these.
    char digits[12];
    int n = 0;
    for (unsigned v = static_cast<unsigned>(number); n == 0 || v > 0; v /= 10)
        digits[n++] = static_cast<char>('0' + v % 10);
    std::string key;
    key.reserve(std::strlen(prefix) + std::strlen(field) + static_cast<std::size_t>(n) + 2);
    key += prefix;
    key += '.';
    while (n > 0) key += digits[--n];
    key += '.';
    key += field;
    return key;
}

namespace {

// ---------------------------------------------------------------- values

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::optional<bool> parse_box(const std::string& value) {
    if (value == "true" || value == "on") return true;
    if (value == "false" || value == "off") return false;
    return std::nullopt;
}

// The texts of a choice list, whatever list type holds them.
template <typename List>
std::vector<std::string> texts(const List& items) {
    std::vector<std::string> out;
    for (const auto& item : items) {
        if constexpr (std::is_same_v<std::decay_t<decltype(item)>, std::string>) out.push_back(item);
        else if constexpr (std::is_same_v<std::decay_t<decltype(item)>, const char*>) out.emplace_back(item);
        else out.emplace_back(item.text);
    }
    return out;
}

// Index of the item whose text is `value` (spaces around either ignored).
std::optional<int> parse_item(const std::vector<std::string>& items, const std::string& value) {
    const std::string v = trimmed(value);
    for (std::size_t i = 0; i < items.size(); ++i)
        if (trimmed(items[i]) == v) return static_cast<int>(i);
    return std::nullopt;
}

std::string one_of(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : "|") + trimmed(item);
    return out;
}

std::string not_an_item(const std::vector<std::string>& items) { return "takes one of " + one_of(items); }

std::optional<int> parse_number(const std::string& value) {
    const std::string v = trimmed(value);
    if (v.empty() || v.size() > 6 || v.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    return std::stoi(v);
}

std::string box_too_long(int max) { return "the box takes at most " + std::to_string(max) + " characters"; }

constexpr const char* kTrueFalse = "true|false";
constexpr const char* kTakesTrueOrFalse = "takes true or false";

std::string quoted(const std::string& text) { return '"' + text + '"'; }

std::string covered_by(int number) {
    return "slot " + std::to_string(number) + " belongs to the long capcode of slot " + std::to_string(number - 1);
}

std::string hex_record(const PagerTable& image, int slot) {
    char buf[16];
    const int a = kCapcodeRecordFirst + 4 * slot;
    std::snprintf(buf, sizeof buf, "%02X %02X %02X %02X", image[a], image[a + 1], image[a + 2], image[a + 3]);
    return buf;
}

std::string slot_caption(int slot) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "Cap #%02d", slot + 1);
    return buf;
}

// The bits a prompt record shows: the start column and the length, then the
// characters within the length.
BitsList record_bits(const PagerTable& image, int address) {
    const int length = address + 1 < kImageSize ? std::min<int>(image[address + 1], kPromptTextMax) : 0;
    return {bit_field(address, 0, 4), whole_bytes(address + 1, 1 + length)};
}

// The item text of a stored value (null when none), and NAME_code.
void add_item(ImageModel& m, const std::string& name, const std::vector<StoredItem>& items, int value, BitsList bits) {
    const auto i = item_index(items, value);
    m.add_list(name, i ? items[static_cast<std::size_t>(*i)].text : nullptr, value, std::move(bits));
}

void add_flag(ImageModel& m, const std::string& name, bool on, SlotBit b) {
    m.add(name, on, on_off(on), {bit_field(b.address, b.bit, 1)});
}

using Read = decltype(SettingRow::read);
using Apply = decltype(SettingRow::apply);

// A row that is listed only.
SettingRow listed(std::string field, Read read) { return {std::move(field), {}, 3, std::move(read), nullptr}; }

// ---------------------------------------------------------------- frequency and capcodes

std::vector<SettingRow> frequency_rows() {
    const std::vector<std::string> ranges = texts(frequency_range_texts());
    const Apply frequency_box = [](SettingSession& s, int, const std::string& value) -> std::string {
        const auto range = detect_frequency_range(s.image());
        if (!range) return "the frequency range of the image is none of the list (byte 0xF1)";
        const FrequencyOutcome outcome = check_frequency(value, *range, s.image());
        if (outcome.result == FrequencyCheck::Restore) return "no frequency given";
        // The window's message, and the unit that its box takes.
        if (outcome.result != FrequencyCheck::Accepted)
            return outcome.message + " (the frequency is in units of 100 Hz: 1530250 = 153.025 MHz)";
        apply_frequency(s.image(), outcome);
        return {};
    };
    return {
        {"frequency.range", one_of(ranges), 0,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
             const auto range = detect_frequency_range(r.image);
             m.add_list(name, range ? frequency_range_texts()[static_cast<std::size_t>(*range)].c_str() : nullptr,
                        r.image[0xF1] >> 4, bit_field(0xF1, 4, 4));
         },
         [ranges](SettingSession& s, int, const std::string& value) -> std::string {
             const auto index = parse_item(ranges, value);
             if (!index) return not_an_item(ranges);
             const int preset = range_default_preset(*index);
             if (preset >= 0) apply_range_preset(s.image(), preset);
             return {};
         }},
        listed("frequency.hz",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
                   const std::uint64_t hz = static_cast<std::uint64_t>(stored_frequency(r.image)) * 100;
                   m.add(name, static_cast<double>(hz), std::to_string(hz), whole_bytes(kFreqAddress, 4));
               }),
        {"frequency.box", "the frequency in units of 100 Hz, as the Frequency box takes it (1530250 = 153.025 MHz)", 3,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
             const std::string text = frequency_text(r.image);
             m.add(name, QString::fromStdString(text), text);
         },
         frequency_box},
        {"frequency", "the same as frequency.box", 3, nullptr, frequency_box},
        listed("synthesizer.pll_r",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
                   m.add(name, QString::fromStdString(r.pll.pll_r), r.pll.pll_r, whole_bytes(0x0A, 2));
               }),
        listed("synthesizer.pll_n",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
                   m.add(name, QString::fromStdString(r.pll.pll_n), r.pll.pll_n, whole_bytes(0x05, 3));
               }),
        listed("synthesizer.incd",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
                   m.add(name, QString::fromStdString(r.pll.incd), r.pll.incd, whole_bytes(0x0D, 1));
               }),
        listed("synthesizer.base_frequency",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
                   m.add(name, static_cast<double>(stored_base_frequency(r.image)), r.pll.bfreq,
                         whole_bytes(kBaseFreqAddress, 4));
               }),
        listed("synthesizer.channel_khz",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
                   m.add(name, channel_spacing_khz(r.image), r.pll.channel, whole_bytes(0x0E, 1));
               }),
        {"capcode_count", "1 to 16: slots 1 to the count are in use", 1,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
             m.add(name, r.last_usable + 1, std::to_string(r.last_usable + 1), {bit_field(0x3E, 4, 4)});
         },
         [](SettingSession& s, int, const std::string& value) -> std::string {
             const auto n = parse_number(value);
             if (!n || *n < 1 || *n > kCapcodeSlots) return "the count is 1 to 16";
             set_bits(s.image(), 0x3E, 4, *n - 1, 4);
             update_frame_map(s.image(), s.shown);
             return {};
         }},
    };
}

// The checks every capcode-slot setting shares: the slot number, a slot a long
// capcode covers, and (for the capcode box, "En" and the type list, which the
// window greys out there) a slot above the capcode count.
std::string capcode_slot_refusal(const SettingSession& s, int number, bool greyed_above_count) {
    if (number < 1 || number > kCapcodeSlots) return "capcode slots are 1 to 16";
    const int slot = number - 1;
    if (s.hidden(slot)) return covered_by(number);
    const int last = capcode_count_field(s.image());
    if (greyed_above_count && slot > last)
        return "slot " + std::to_string(number) + " lies above the capcode count (slots 1-" + std::to_string(last + 1) +
               " are in use)";
    return {};
}

std::vector<SettingRow> capcode_rows() {
    const std::vector<std::string> types = texts(capcode_type_texts());
    const std::vector<std::string> lengths = texts(pair_length_texts());
    const auto slot_flag = [](SlotFlag flag) -> Apply {
        return [flag](SettingSession& s, int number, const std::string& value) -> std::string {
            if (std::string why = capcode_slot_refusal(s, number, false); !why.empty()) return why;
            const auto on = parse_box(value);
            if (!on) return kTakesTrueOrFalse;
            change_slot_flag(s.image(), number - 1, flag, *on, s.shown);
            return {};
        };
    };
    return {
        listed("slot", [](ImageModel& m, const ImageReading&, const std::string& name,
                          int n) { m.add(name, n, std::to_string(n)); }),
        // The second word of a long capcode: no value of its own.
        listed("covered",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
                   const bool covered = r.decoded[static_cast<std::size_t>(n - 1)].covered;
                   m.add(name, covered, covered ? "second word of slot " + std::to_string(n - 1) : "");
               }),
        {"capcode", "the capcode as its box takes it", 3,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
             const auto& d = r.decoded[static_cast<std::size_t>(n - 1)];
             m.add(name, d.covered ? Value() : Value(QString::fromStdString(d.capcode.text)),
                   d.covered ? "" : d.capcode.text, whole_bytes(kCapcodeRecordFirst + 4 * (n - 1), 4));
         },
         [](SettingSession& s, int number, const std::string& value) -> std::string {
             if (std::string why = capcode_slot_refusal(s, number, true); !why.empty()) return why;
             const CapcodeChange change = enter_capcode(s.image(), number - 1, value, s.shown);
             if (change.result != CapcodeChangeResult::Stored) return change.message;
             return {};
         }},
        listed("value",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
                   const auto& d = r.decoded[static_cast<std::size_t>(n - 1)];
                   m.add(name, d.covered || !d.capcode.value ? Value() : Value(*d.capcode.value),
                         d.capcode.value && !d.covered ? QString::number(*d.capcode.value, 'f', 0).toStdString() : "");
               }),
        {"length", one_of(lengths) + " (N = 1, 3, ... 15; Long comes with capcodes.N.capcode)", 2,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
             const int s = n - 1;
             const bool long_pair = s % 2 == 0 && r.pairs[static_cast<std::size_t>(s / 2)];
             const char* text = pair_length_texts()[long_pair ? 1 : 0];
             m.add(name, text, text);
         },
         [lengths](SettingSession& s, int number, const std::string& value) -> std::string {
             if (number < 1 || number > kCapcodeSlots || number % 2 == 0)
                 return "the length belongs to the first slot of a pair: 1, 3, ... 15";
             const auto index = parse_item(lengths, value == "short" ? "Short" : value == "long" ? "Long" : value);
             if (!index) return "the length is Short or Long";
             const int pair = (number - 1) / 2;
             const bool to_long = *index == 1;
             if (to_long == s.shown[static_cast<std::size_t>(pair)]) return {};
             s.shown[static_cast<std::size_t>(pair)] = to_long;
             if (to_long) switch_pair_to_long(s.image(), pair);
             else switch_pair_to_short(s.image(), pair);
             return {};
         }},
        // The window unticks and greys the "En" box of a slot above the capcode
        // count (and clears the bit when it opens the image); the stored bit is
        // listed on its own.
        {"enabled", kTrueFalse, 3,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
             const int s = n - 1;
             const bool stored_on = get_slot_bit(r.image, enable_bit(s));
             const bool usable = s <= r.last_usable;
             m.add(name, stored_on && usable, on_off(stored_on && usable),
                   usable ? BitsList{bit_field(enable_bit(s).address, enable_bit(s).bit, 1)} : BitsList{});
         },
         [](SettingSession& s, int number, const std::string& value) -> std::string {
             if (std::string why = capcode_slot_refusal(s, number, true); !why.empty()) return why;
             const int slot = number - 1;
             const auto on = parse_box(value);
             if (!on) return kTakesTrueOrFalse;
             // The "En" box of slot 11 shows only with "World Wild Music ".
             if (slot == 10 && get_bits(s.image(), kMusicSelectAddress, kMusicSelectBit, 1) != 1)
                 return "shown only with Music Type Select World Wild Music";
             if (get_slot_bit(s.image(), enable_bit(slot)) == *on) return {};
             change_capcode_enable(s.image(), slot, *on, s.shown);
             return {};
         }},
        listed("enabled_stored",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
                   add_flag(m, name, get_slot_bit(r.image, enable_bit(n - 1)), enable_bit(n - 1));
               }),
        {"type", one_of(types), 3,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
             const int s = n - 1;
             const char* type = capcode_type_name(capcode_type(r.image, s));
             m.add(name, type, type,
                   {bit_field(type_bit(s).address, type_bit(s).bit, 1),
                    bit_field(group_bit(s).address, group_bit(s).bit, 1)});
         },
         [types](SettingSession& s, int number, const std::string& value) -> std::string {
             if (std::string why = capcode_slot_refusal(s, number, true); !why.empty()) return why;
             const auto index = parse_item(types, value);
             if (!index) return not_an_item(types);
             change_capcode_type(s.image(), number - 1, static_cast<CapcodeType>(*index), s.shown);
             return {};
         }},
        // "Pri" is stored inverted: the box is ticked when the bit is 0.
        {"priority", kTrueFalse, 3,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
             add_flag(m, name, !get_slot_bit(r.image, priority_bit(n - 1)), priority_bit(n - 1));
         },
         slot_flag(SlotFlag::Priority)},
        {"manual", kTrueFalse, 3,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
             add_flag(m, name, get_slot_bit(r.image, manual_bit(n - 1)), manual_bit(n - 1));
         },
         slot_flag(SlotFlag::Manual)},
        listed("record",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
                   const std::string record = hex_record(r.image, n - 1);
                   m.add(name, QString::fromStdString(record), record);
               }),
        listed("usable",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
                   const bool usable = n - 1 <= r.last_usable;
                   m.add(name, usable, on_off(usable));
               }),
    };
}

std::vector<SettingRow> frame_map_rows() {
    return {
        // The map shown is 0x92/0x93; a difference in one of its seven copies
        // (0x96-0xAF) shows in no setting and is listed as bytes.
        listed("frame_map.stored",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
                   const std::string stored = frame_label(r.image[0x92], r.image[0x93]);
                   m.add(name, QString::fromStdString(stored), stored, whole_bytes(0x92, 2));
               }),
        // The map the editor would compute from these capcodes.
        listed("frame_map.computed",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
                   PagerTable copy = r.image;
                   const FrameResult computed = apply_frame_rule(copy, r.pairs);
                   m.add(name, QString::fromStdString(computed.label), computed.label);
               }),
    };
}

// ---------------------------------------------------------------- prompts and source prompts

std::vector<SettingRow> prompt_rows() {
    return {
        listed("index", [](ImageModel& m, const ImageReading&, const std::string& name,
                           int n) { m.add(name, n, std::to_string(n)); }),
        listed("label",
               [](ImageModel& m, const ImageReading&, const std::string& name, int n) {
                   const char* label = find_prompt_slot(n)->label;
                   m.add(name, label, label);
               }),
        listed("column",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
                   const int column = r.image[find_prompt_slot(n)->address] & 0x0F;
                   m.add(name, column, std::to_string(column));
               }),
        {"text", "text (0 to 32, 50 to 52, 68; leading spaces set its column)", 4,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
             const PromptSlot& slot = *find_prompt_slot(n);
             const QString text = prompt_text(r.image, slot.address, slot.icon);
             m.add(name, text, quoted(text.toStdString()), record_bits(r.image, slot.address));
         },
         [](SettingSession& s, int number, const std::string& value) -> std::string {
             const PromptSlot* slot = find_prompt_slot(number);
             if (!slot) return "prompts are 0 to 32, 50 to 52 and 68";
             const QString text = QString::fromStdString(value);
             const int box_max = number == 0 ? logo_max_length(logo_font(s.image())) : slot->max_length;
             if (text.size() > box_max) return box_too_long(box_max);
             const PromptStoreResult r = store_prompt(s.image(), slot->address, slot->icon, text);
             if (r.status != PromptStoreStatus::Stored) return prompt_refusal_message(r).toStdString();
             return {};
         }},
    };
}

std::vector<SettingRow> source_mode_rows() {
    const std::vector<std::string> modes = texts(source_mode_texts());
    return {
        {"source_prompts.mode", one_of(modes) + " (no Forward with multiple)", 2,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
             // With "Multiple Source Prompt" on the list has no "Forward": a
             // stored 0 selects nothing.
             const int mode = source_mode(r.image);
             m.add_list(name,
                        mode == 0 && multiple_source(r.image) ? nullptr
                                                              : source_mode_texts()[static_cast<std::size_t>(mode)],
                        mode, bit_field(kSourceModeAddress, kSourceModeBit, kSourceModeWidth));
         },
         [modes](SettingSession& s, int, const std::string& value) -> std::string {
             const auto mode = parse_item(modes, value);
             if (!mode) return not_an_item(modes);
             if (*mode == 0 && multiple_source(s.image())) return "Forward is not offered with Multiple Source Prompt";
             if (*mode == source_mode(s.image())) return {};
             change_source_mode(s.image(), *mode, s.shown);
             return {};
         }},
        {"source_prompts.multiple", kTrueFalse, 1,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
             const bool multiple = multiple_source(r.image);
             m.add(name, multiple, on_off(multiple), {bit_field(kMultipleSourceAddress, kMultipleSourceBit, 1)});
         },
         [](SettingSession& s, int, const std::string& value) -> std::string {
             const auto on = parse_box(value);
             if (!on) return kTakesTrueOrFalse;
             if (*on != multiple_source(s.image())) change_multiple_source(s.image(), *on);
             return {};
         }},
    };
}

// The checks of a source-prompt slot's box and text: its number, a slot a
// long capcode covers, and the mode "Disable", which greys the boxes out.
std::string source_slot_refusal(const SettingSession& s, int number) {
    const int count = kGroupSourcePrompt - kSourcePromptFirst + 1;
    if (number < 1 || number > count) return "source prompts are 1 to 16, and 17 for group calls";
    const int k = number - 1;
    if (kSourcePromptFirst + k < kGroupSourcePrompt && s.hidden(k)) return covered_by(number);
    if (source_mode(s.image()) == kSourceModeDisable) return "the source prompts are off (mode Disable)";
    return {};
}

bool group_source_on(const PagerTable& image) { return get_bits(image, kGroupSourceAddress, kGroupSourceBit, 1) == 0; }

std::vector<SettingRow> source_slot_rows() {
    return {
        listed("name",
               [](ImageModel& m, const ImageReading&, const std::string& name, int n) {
                   const std::string text =
                       kSourcePromptFirst + n - 1 == kGroupSourcePrompt ? "Group" : std::to_string(n);
                   m.add(name, QString::fromStdString(text), text);
               }),
        {"enabled", "true|false (N = 1 to 16, 17 the group prompt)", 3,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
             const int k = n - 1;
             if (kSourcePromptFirst + k == kGroupSourcePrompt) {
                 const bool on = group_source_on(r.image);
                 m.add(name, on, on_off(on), {bit_field(kGroupSourceAddress, kGroupSourceBit, 1)});
             } else {
                 const int v = r.image[kSourceEnableFirst + k];
                 m.add(name, v <= 1 ? Value(v == 1) : Value(v), v <= 1 ? on_off(v == 1) : hex_byte(v),
                       whole_bytes(kSourceEnableFirst + k, 1));
             }
         },
         [](SettingSession& s, int number, const std::string& value) -> std::string {
             if (std::string why = source_slot_refusal(s, number); !why.empty()) return why;
             const auto on = parse_box(value);
             if (!on) return kTakesTrueOrFalse;
             change_source_enable(s.image(), number - 1, *on, s.shown);
             return {};
         }},
        listed("spaces",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
                   const int spaces = r.image[source_prompt_address(kSourcePromptFirst + n - 1)] & 0x0F;
                   m.add(name, spaces, std::to_string(spaces));
               }),
        {"text", "text of at most 21 characters", 4,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
             const int address = source_prompt_address(kSourcePromptFirst + n - 1);
             const QString text = source_prompt_text(r.image, address);
             m.add(name, text, quoted(text.toStdString()), record_bits(r.image, address));
         },
         [](SettingSession& s, int number, const std::string& value) -> std::string {
             if (std::string why = source_slot_refusal(s, number); !why.empty()) return why;
             const int k = number - 1;
             const int index = kSourcePromptFirst + k;
             // A box not ticked is greyed out (a grey box counts as ticked).
             const bool ticked =
                 index == kGroupSourcePrompt ? group_source_on(s.image()) : s.image()[kSourceEnableFirst + k] != 0;
             if (!ticked) return "source prompt " + std::to_string(number) + " is not ticked";
             const QString text = QString::fromStdString(value);
             if (text.size() > kSourceBoxMax) return box_too_long(kSourceBoxMax);
             const PromptStoreResult r = enter_source_prompt(s.image(), index, text, s.shown);
             if (r.status != PromptStoreStatus::Stored) return prompt_refusal_message(r).toStdString();
             return {};
         }},
    };
}

// ---------------------------------------------------------------- display and passwords

SettingRow battery_row(int level) {
    static const char* const names[3] = {"display.battery.low", "display.battery.med", "display.battery.high"};
    const std::vector<std::string> items = texts(battery_levels());
    return {names[level], one_of(items) + " (High > Med > Low)", 3,
            [level](ImageModel& m, const ImageReading& r, const std::string& name, int) {
                const int stored = battery_level_code(r.image, level);
                const char* text = nullptr;
                for (const BatteryLevel& b : battery_levels())
                    if (b.value == stored && !text) text = b.text;
                m.add_list(name, text, stored, whole_bytes(kBatteryLevelFirst + level, 1));
            },
            [level, items](SettingSession& s, int, const std::string& value) -> std::string {
                const auto index = parse_item(items, value);
                if (!index) return not_an_item(items);
                store_battery_level(s.image(), level, battery_levels()[static_cast<std::size_t>(*index)].value);
                return {};
            }};
}

std::vector<SettingRow> display_rows() {
    const std::vector<std::string> languages = texts(language_items());
    const std::vector<std::string> fonts = texts(logo_font_items());
    const std::vector<std::string> lamps = texts(lamp_items());
    return {
        {"display.language", one_of(languages), 1,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
             const int code = stored_language_code(r.image);
             const char* language = nullptr;
             for (const LanguageItem& item : language_items())
                 if (item.code == code && !language) language = item.text;
             m.add_list(name, language, code, bit_field(0x3E, 0, 4));
         },
         [languages](SettingSession& s, int, const std::string& value) -> std::string {
             const auto index = parse_item(languages, value);
             if (!index) return not_an_item(languages);
             const LanguageItem& item = language_items()[static_cast<std::size_t>(*index)];
             // Choosing the language the list already shows copies no table.
             if (item.code != stored_language_code(s.image())) apply_language(s.image(), item.table);
             return {};
         }},
        {"display.logo_font", one_of(fonts), 1,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
             const int font = logo_font(r.image);
             const char* text = nullptr;
             for (const LogoFontItem& item : logo_font_items())
                 if (item.value == font && !text) text = item.text;
             m.add_list(name, text, font, bit_field(kLogoFontAddress, 0, 4));
         },
         [fonts](SettingSession& s, int, const std::string& value) -> std::string {
             const auto index = parse_item(fonts, value);
             if (!index) return not_an_item(fonts);
             store_logo_font(s.image(), logo_font_items()[static_cast<std::size_t>(*index)].value);
             return {};
         }},
        {"display.contrast", "1 to 8", 3,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
             const int contrast = stored_contrast(r.image);
             m.add(name, contrast, std::to_string(contrast), whole_bytes(kContrastAddress, 1));
         },
         [](SettingSession& s, int, const std::string& value) -> std::string {
             const auto v = parse_number(value);
             if (!v || *v < kContrastMin || *v > kContrastMax) return "the contrast is 1 to 8";
             store_contrast(s.image(), *v);
             return {};
         }},
        listed("display.contrast_shown",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
                   m.add(name, contrast_on_slider(r.image), std::to_string(contrast_on_slider(r.image)));
               }),
        {"display.lamp_time", one_of(lamps) + " (with Paging Display Direct)", 3,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
             const int lamp = lamp_time_code(r.image);
             const char* text = nullptr;
             for (const LampItem& item : lamp_items())
                 if (item.value == lamp && !text) text = item.text;
             m.add_list(name, text, lamp, whole_bytes(kLampAddress, 1));
         },
         [lamps](SettingSession& s, int, const std::string& value) -> std::string {
             if (!direct_paging(s.image())) return "shown only with Paging Display Direct";
             const auto index = parse_item(lamps, value);
             if (!index) return not_an_item(lamps);
             store_lamp_time(s.image(), lamp_items()[static_cast<std::size_t>(*index)].value);
             return {};
         }},
        {"display.push_key_lamp", kTrueFalse, 1,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
             const bool on = key_lamp_on(r.image);
             m.add(name, on, on_off(on), {bit_field(kKeyLampAddress, kKeyLampBit, 1)});
         },
         [](SettingSession& s, int, const std::string& value) -> std::string {
             const auto on = parse_box(value);
             if (!on) return kTakesTrueOrFalse;
             if (*on != key_lamp_on(s.image())) change_push_key_lamp(s.image(), *on);
             return {};
         }},
        listed("display.push_key_lamp_companion",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
                   const int companion = r.image[kKeyLampCompanionAddress];
                   m.add(name, companion, std::to_string(companion), whole_bytes(kKeyLampCompanionAddress, 1));
               }),
        battery_row(0),
        battery_row(1),
        battery_row(2),
        listed("display.battery.ordered",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
                   const bool ordered = battery_levels_ordered(r.image);
                   m.add(name, ordered, on_off(ordered));
               }),
        {"passwords.read_write", "six characters", 3,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
             const QString rw = rw_password_text(r.image);
             m.add(name, rw, quoted(rw.toStdString()), whole_bytes(kRwPasswordAddress, kRwPasswordLength));
         },
         [](SettingSession& s, int, const std::string& value) -> std::string {
             const QString text = QString::fromStdString(value);
             if (text.toUcs4().size() > kRwPasswordLength) return box_too_long(kRwPasswordLength);
             const RwPasswordOutcome outcome = check_rw_password(text);
             if (outcome.result != RwPasswordCheck::Accepted) return outcome.message.toStdString();
             store_rw_password(s.image(), outcome.bytes);
             return {};
         }},
        {"passwords.manual", "four digits", 3,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
             const QString manual = manual_password_text(r.image);
             m.add(name, manual, manual.toStdString(),
                   whole_bytes(kManualPasswordUnits, kManualPasswordThousands - kManualPasswordUnits + 1));
         },
         [](SettingSession& s, int, const std::string& value) -> std::string {
             if (trimmed(value).size() > 4) return box_too_long(4);
             const ManualPasswordOutcome outcome = check_manual_password(QString::fromStdString(value));
             if (outcome.result == ManualPasswordCheck::Empty) return "no password given";
             if (outcome.result != ManualPasswordCheck::Accepted) return outcome.message.toStdString();
             store_manual_password(s.image(), outcome.digits);
             return {};
         }},
    };
}

// ---------------------------------------------------------------- alerts and options

// A row of the plain check boxes and lists (field tags) of the status and
// options areas. A ticked box, a clear box, or the stored value a box cannot
// show; as JSON a box is true or false, a list its item text.
SettingRow option_row(const OptionBinding& b) {
    const std::string key = option_key(b.caption);
    const std::vector<std::string> items = texts(b.items);
    int rank = 3;
    // Options with a rule of their own, and the rank that rule needs.
    if (key == "options.user_s_capcode_music_type_enable" || key == "options.paging_display" ||
        key == "options.music_type_select" || key == "options.multiple_tone")
        rank = 1;
    if (key == "options.always_vibrate") rank = 2;
    const Read read = [&b](ImageModel& m, const ImageReading& r, const std::string& name, int) {
        const auto tag = parse_field_tag(b.tag);
        if (!tag) {
            m.add(name, Value(), "?");
            return;
        }
        const int v = get_bits(r.image, tag->address, tag->bit, tag->width);
        const BitsList bits = {bit_field(tag->address, tag->bit, tag->width)};
        if (tag->kind == TagKind::ChkN) {
            m.add(name, v == 0, v == 0 ? "on" : "off", bits);
        } else if (tag->kind == TagKind::Chk) {
            if (v <= 1) m.add(name, v == 1, on_off(v == 1), bits);
            else m.add(name, v, "value " + std::to_string(v), bits);
        } else if (v < static_cast<int>(b.items.size())) {
            // A list: its field always names an item (the lists have 2^width items).
            m.add(name, b.items[static_cast<std::size_t>(v)], b.items[static_cast<std::size_t>(v)], bits);
        } else {
            m.add(name, Value(), "none of the list (" + std::to_string(v) + ")", bits);
        }
    };
    const Apply apply = [&b, key, items](SettingSession& s, int, const std::string& value) -> std::string {
        PagerTable& image = s.image();
        const auto tag = parse_field_tag(b.tag);
        if (!tag) return "no such setting";
        if ((key == "options.direct_show_lamp_on" || key == "options.direct_show_until_press_key") &&
            !direct_paging(image))
            return "shown only with Paging Display Direct";
        if ((key == "options.rd_key_delete_enable" || key == "options.rd_key_switch_alert") && !key_lamp_on(image))
            return "shown only with Push Key Lamp On Enable ticked";
        if (key == "options.always_vibrate" && !capcode_music_on(image))
            return "shown only with User's Capcode Music Type Enable ticked";
        int stored = 0;
        if (tag->kind == TagKind::Cbo) {
            const auto index = parse_item(items, value);
            if (!index) return not_an_item(items);
            stored = *index;
        } else {
            const auto on = parse_box(value);
            if (!on) return kTakesTrueOrFalse;
            const int current = get_bits(image, tag->address, tag->bit, tag->width);
            const bool ticked = tag->kind == TagKind::ChkN ? current == 0 : current == 1;
            // A box already showing that state is not clicked: no rule runs.
            if (ticked == *on && (tag->kind == TagKind::ChkN || current <= 1)) return {};
            if (key == "options.always_vibrate") {
                change_always_vibrate(image, *on);
                return {};
            }
            if (key == "options.user_s_capcode_music_type_enable") {
                change_capcode_music(image, *on, s.saved_tone);
                return {};
            }
            stored = tag->kind == TagKind::ChkN ? (*on ? 0 : 1) : (*on ? 1 : 0);
            if (key == "options.time_auto_update") store_time_auto_update_companion(image, *on);
        }
        set_bits(image, tag->address, tag->bit, stored, tag->width);
        return {};
    };
    return {key, items.empty() ? kTrueFalse : one_of(items), rank, read, apply};
}

std::vector<SettingRow> alert_rows() {
    const std::vector<std::string> tones = texts(tone_items());
    const std::vector<std::string> person = texts(person_alert_items());
    const std::vector<std::string> out_of_range = texts(out_of_range_items());
    const std::vector<std::string> lockout = texts(sequential_lockout_items());
    std::string menu_values = "the items left out, joined by \",\": ";
    for (const char* c : menu_item_captions())
        menu_values += std::string(c) + (c == menu_item_captions().back() ? "" : ", ");
    std::vector<SettingRow> rows = {
        {"alerts.menu_left_out", menu_values, 3,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
             const MenuLeftOut left_out = menu_left_out(r.image);
             std::string menu;
             std::vector<std::string> menu_items;
             for (std::size_t i = 0; i < left_out.size(); ++i) {
                 if (!left_out[i]) continue;
                 if (!menu.empty()) menu += ", ";
                 menu += menu_item_captions()[i];
                 menu_items.push_back(menu_item_captions()[i]);
             }
             m.add(name, menu_items, menu.empty() ? "none" : menu, whole_bytes(kMenuSlotFirst, kMenuSlots));
         },
         [](SettingSession& s, int, const std::string& value) -> std::string {
             MenuLeftOut left_out{};
             std::string rest = value;
             while (!trimmed(rest).empty()) {
                 const auto comma = rest.find(',');
                 const std::string item = trimmed(rest.substr(0, comma));
                 rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
                 bool found = false;
                 for (int i = 0; i < kMenuItems; ++i) {
                     if (item == menu_item_captions()[static_cast<std::size_t>(i)]) {
                         left_out[static_cast<std::size_t>(i)] = true;
                         found = true;
                     }
                 }
                 if (!found) return "\"" + item + "\" is no menu item";
             }
             // While "Always Vibrate" is ticked, "Set Alert Off" stays ticked.
             if (always_vibrate_on(s.image()) && !left_out[static_cast<std::size_t>(kSetAlertItem)])
                 return "Set Alert Off stays left out while Always Vibrate is ticked";
             if (left_out == menu_left_out(s.image())) return {};
             if (!store_menu_list(s.image(), left_out)) return kMenuFullMessage;
             return {};
         }},
        {"alerts.default_tone", one_of(tones), 4,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
             // While "User's Capcode Music Type Enable" is ticked the window
             // hides the default tone list, and the byte holds 36, no item of it.
             const int tone = default_tone_code(r.image);
             const BitsList bits = {whole_bytes(kToneAddress, 1), bit_field(kMusicEnableAddress, 5, 1)};
             const auto i = item_index(tone_items(), tone);
             if (capcode_music_on(r.image) && !i) {
                 m.add(name, Value(), "per-capcode music is on (" + std::to_string(tone) + ")", bits);
                 m.add(name + "_code", tone, std::to_string(tone), whole_bytes(kToneAddress, 1));
             } else {
                 m.add_list(name, i ? tone_items()[static_cast<std::size_t>(*i)].text : nullptr, tone, bits,
                            whole_bytes(kToneAddress, 1));
             }
         },
         [tones](SettingSession& s, int, const std::string& value) -> std::string {
             if (!set_alert_left_out(s.image()) || capcode_music_on(s.image()))
                 return "shown only with Set Alert Off ticked and User's Capcode Music Type Enable clear";
             const auto index = parse_item(tones, value);
             if (!index) return not_an_item(tones);
             store_default_tone(s.image(), tone_items()[static_cast<std::size_t>(*index)].value);
             s.saved_tone = *index;
             return {};
         }},
        {"alerts.personal_alert_length", one_of(person), 3,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
             add_item(m, name, person_alert_items(), person_alert_code(r.image), whole_bytes(kPersonAlertAddress, 1));
         },
         [person](SettingSession& s, int, const std::string& value) -> std::string {
             const auto index = parse_item(person, value);
             if (!index) return not_an_item(person);
             store_person_alert(s.image(), person_alert_items()[static_cast<std::size_t>(*index)].value);
             return {};
         }},
        {"alerts.out_of_range", one_of(out_of_range), 3,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
             const std::string text = out_of_range_items()[static_cast<std::size_t>(out_of_range_index(r.image))].text;
             // The time byte shows only while the alert is on.
             const bool on = get_bits(r.image, 0x596, 4, 1) == 0;
             m.add(name, QString::fromStdString(text), text,
                   on ? BitsList{bit_field(0x596, 4, 1), whole_bytes(0x5D5, 1)} : BitsList{bit_field(0x596, 4, 1)});
         },
         [out_of_range](SettingSession& s, int, const std::string& value) -> std::string {
             const auto index = parse_item(out_of_range, value);
             if (!index) return not_an_item(out_of_range);
             if (*index != out_of_range_index(s.image())) store_out_of_range(s.image(), *index);
             return {};
         }},
        {"alerts.sequential_lockout", one_of(lockout), 3,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
             const std::string text =
                 sequential_lockout_items()[static_cast<std::size_t>(sequential_lockout_index(r.image))].text;
             // The lockout time shows only while the lockout is on.
             const bool on = get_bits(r.image, 0x3C, 3, 1) == 1;
             m.add(name, QString::fromStdString(text), text,
                   on ? BitsList{bit_field(0x3C, 3, 1), bit_field(0x3C, 0, 2)} : BitsList{bit_field(0x3C, 3, 1)});
         },
         [lockout](SettingSession& s, int, const std::string& value) -> std::string {
             const auto index = parse_item(lockout, value);
             if (!index) return not_an_item(lockout);
             if (*index != sequential_lockout_index(s.image())) store_sequential_lockout(s.image(), *index);
             return {};
         }},
    };
    for (const OptionBinding& b : option_bindings()) rows.push_back(option_row(b));
    rows.push_back({"alerts.mail_alert", kTrueFalse, 1,
                    [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
                        const bool master = mail_alert_master(r.image);
                        m.add(name, master, on_off(master), {bit_field(kMailAlertMaster, kMailAlertMasterBit, 1)});
                    },
                    [](SettingSession& s, int, const std::string& value) -> std::string {
                        const auto on = parse_box(value);
                        if (!on) return kTakesTrueOrFalse;
                        store_mail_alert_master(s.image(), *on);
                        return {};
                    }});
    return rows;
}

std::vector<SettingRow> mail_drop_rows() {
    const std::vector<std::string> alerts = texts(mail_alert_texts());
    return {
        listed("slot", [](ImageModel& m, const ImageReading&, const std::string& name,
                          int n) { m.add(name, n, slot_caption(n - 1)); }),
        {"alert", one_of(alerts) + " (N = 2 to 16)", 3,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
             const int k = n - 1;
             const auto choice = mail_alert(r.image, k);
             // "Disable" shows the enable bit only; a length shows the byte too.
             const ImageBits enable = bit_field(kMailAlertEnableFirst + (k - 1) / 8, (k - 1) % 8, 1);
             const BitsList bits = mail_alert_enabled(r.image, k)
                                       ? BitsList{enable, whole_bytes(kMailAlertLengthBase + k, 1)}
                                       : BitsList{enable};
             m.add_list(name, choice ? mail_alert_texts()[static_cast<std::size_t>(*choice)] : nullptr,
                        r.image[kMailAlertLengthBase + k], bits, whole_bytes(kMailAlertLengthBase + k, 1));
         },
         [alerts](SettingSession& s, int number, const std::string& value) -> std::string {
             if (number < 2 || number > kCapcodeSlots) return "mail-drop alerts are 2 to 16";
             const int slot = number - 1;
             if (s.hidden(slot)) return covered_by(number);
             if (!mail_alert_master(s.image()) || capcode_type(s.image(), slot) != CapcodeType::MailDrop)
                 return "shown only with Mail Alert ticked for a Mail drop capcode";
             const auto index = parse_item(alerts, value);
             if (!index) return not_an_item(alerts);
             const auto current = mail_alert(s.image(), slot);
             if (current && static_cast<int>(*current) == *index) return {};
             store_mail_alert(s.image(), slot, static_cast<MailAlert>(*index),
                              slot % 2 == 0 && s.shown[static_cast<std::size_t>(slot / 2)]);
             return {};
         }},
        listed("mail_drop_capcode",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
                   const bool mail_drop = capcode_type(r.image, n - 1) == CapcodeType::MailDrop;
                   m.add(name, mail_drop, on_off(mail_drop));
               }),
        // The second slot of a "Long" pair follows its first slot: the window
        // edits the pair's alert on the first slot and copies it here.
        listed("covered",
               [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
                   const int k = n - 1;
                   const bool covered = k % 2 == 1 && pair_is_long_in_image(r.image, k / 2);
                   m.add(name, covered,
                         covered
                             ? "second slot of the Long pair " + slot_caption(k - 1) + "/" + slot_caption(k).substr(4)
                             : "");
               }),
    };
}

// ---------------------------------------------------------------- melodies

std::vector<SettingRow> melody_mode_rows() {
    return {listed("melodies.mode", [](ImageModel& m, const ImageReading& r, const std::string& name, int) {
        const char* mode = single_tone_mode(r.image) ? "single tone" : "multiple tone";
        m.add(name, mode, mode);
    })};
}

// The checks of a melody slot's list and box: its number and a slot a long
// capcode covers.
std::string melody_slot_refusal(const SettingSession& s, int number, const char* what) {
    if (number < 1 || number > kMelodySlots) return std::string(what) + " are 1 to 16";
    if (s.hidden(number - 1)) return covered_by(number);
    return {};
}

std::vector<SettingRow> melody_rows() {
    return {
        listed("slot", [](ImageModel& m, const ImageReading&, const std::string& name,
                          int n) { m.add(name, n, slot_caption(n - 1)); }),
        {"music_type", one_of(texts(music_type_items(1))) + " (slot 1: no Vibration, Flash Only)", 3,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
             const int s = n - 1;
             const auto index = music_type_index(r.image, s);
             m.add_list(name, index ? music_type_items(s)[static_cast<std::size_t>(*index)].text : nullptr,
                        r.image[kMusicTypeFirst + s], whole_bytes(kMusicTypeFirst + s, 1));
         },
         [](SettingSession& s, int number, const std::string& value) -> std::string {
             if (std::string why = melody_slot_refusal(s, number, "music types"); !why.empty()) return why;
             const int slot = number - 1;
             if (!capcode_music_on(s.image()))
                 return "the music type lists are off (User's Capcode Music Type Enable clear)";
             const std::vector<std::string> items = texts(music_type_items(slot));
             const auto index = parse_item(items, value);
             if (!index) return not_an_item(items);
             if (music_type_index(s.image(), slot) == *index) return {};
             store_music_type(s.image(), slot, music_type_items(slot)[static_cast<std::size_t>(*index)].value,
                              slot % 2 == 0 && s.shown[static_cast<std::size_t>(slot / 2)]);
             return {};
         }},
        {"melody", "16 characters: 0 and 1 (single tone), 0 and A-G, a-g (multiple tone)", 4,
         [](ImageModel& m, const ImageReading& r, const std::string& name, int n) {
             const int s = n - 1;
             const std::string melody = user_melody_text(r.image, s);
             m.add(name, QString::fromStdString(melody), melody,
                   single_tone_mode(r.image) ? whole_bytes(kSingleToneFirst + 2 * s, 2)
                                             : whole_bytes(kMultiToneFirst + kMelodyLength * s, kMelodyLength));
         },
         [](SettingSession& s, int number, const std::string& value) -> std::string {
             if (std::string why = melody_slot_refusal(s, number, "melodies"); !why.empty()) return why;
             const int slot = number - 1;
             if (music_type_index(s.image(), slot) != 0) return "the melody box shows only for the music type User";
             if (value.empty()) return "no melody given";
             if (value.size() > static_cast<std::size_t>(kMelodyLength)) return box_too_long(kMelodyLength);
             const bool single = single_tone_mode(s.image());
             for (const char c : value)
                 if (!melody_char_allowed(c, single)) return melody_refusal_message(single);
             enter_user_melody(s.image(), slot, value, s.shown);
             return {};
         }},
    };
}

std::vector<int> numbers(int first, int last) {
    std::vector<int> out;
    for (int n = first; n <= last; ++n) out.push_back(n);
    return out;
}

std::vector<int> prompt_numbers() {
    std::vector<int> out;
    for (const PromptSlot& slot : prompt_slots()) out.push_back(slot.index);
    return out;
}

// "capcodes.5.capcode" -> 5 when `name` is PREFIX.number.FIELD.
std::optional<int> number_in(const std::string& name, const std::string& prefix, const std::string& field) {
    if (name.size() <= prefix.size() + field.size() + 2 || name.compare(0, prefix.size(), prefix) != 0 ||
        name[prefix.size()] != '.' || name.compare(name.size() - field.size(), field.size(), field) != 0 ||
        name[name.size() - field.size() - 1] != '.')
        return std::nullopt;
    const std::string digits = name.substr(prefix.size() + 1, name.size() - prefix.size() - field.size() - 2);
    if (digits.empty() || digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(digits);
}

} // namespace

// ---------------------------------------------------------------- the table

const std::vector<SettingGroup>& setting_table() {
    static const std::vector<SettingGroup> table = {
        {"", {0}, frequency_rows()},
        {"capcodes", numbers(1, kCapcodeSlots), capcode_rows()},
        {"", {0}, frame_map_rows()},
        {"prompts", prompt_numbers(), prompt_rows()},
        {"", {0}, source_mode_rows()},
        {"source_prompts.slots", numbers(1, kGroupSourcePrompt - kSourcePromptFirst + 1), source_slot_rows()},
        {"", {0}, display_rows()},
        {"", {0}, alert_rows()},
        {"alerts.mail_drop", numbers(2, kCapcodeSlots), mail_drop_rows()},
        {"", {0}, melody_mode_rows()},
        {"melodies.slots", numbers(1, kMelodySlots), melody_rows()},
    };
    return table;
}

const SettingRow* find_setting(const std::string& name, int* number) {
    for (const SettingGroup& group : setting_table()) {
        for (const SettingRow& row : group.rows) {
            if (row.values.empty()) continue;
            if (group.prefix.empty()) {
                if (name != row.field) continue;
                if (number) *number = 0;
                return &row;
            }
            if (const auto n = number_in(name, group.prefix, row.field)) {
                if (number) *number = *n;
                return &row;
            }
        }
    }
    return nullptr;
}

ImageModel build_image_model(const PagerTable& image) {
    const ImageReading reading(image);
    ImageModel model;
    for (const SettingGroup& group : setting_table()) {
        for (const int n : group.numbers) {
            for (const SettingRow& row : group.rows) {
                if (!row.read) continue;
                row.read(model, reading,
                         group.prefix.empty() ? row.field : slot_key(group.prefix.c_str(), n, row.field.c_str()), n);
            }
        }
    }
    return model;
}

} // namespace qrt58
