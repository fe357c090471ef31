#include "capcode.h"

#include "c_number.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace qrt58 {

double round_half_even(double v) {
    // nearbyint follows the current rounding mode, which is round-to-nearest-even
    // unless someone changed it; do it by hand so the rule never depends on that.
    const double f = std::floor(v);
    const double d = v - f;
    if (d < 0.5) return f;
    if (d > 0.5) return f + 1;
    return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

std::int32_t mymod(double value, double divisor) {
    const double q = value / divisor;
    return static_cast<std::int32_t>(round_half_even(divisor * (q - std::trunc(q))));
}

namespace {

std::uint32_t long_word(double word) { return (static_cast<std::uint32_t>(word) & kWordValueMask) | kLongFlag; }

} // namespace

CapcodeWords encode_capcode(double v, bool long_pair) {
    CapcodeWords w;
    if (std::isnan(v)) return w;
    if (v < kShortLimit) {
        // Values at or below 0 never get here through the entry check; a
        // negative word would not fit the record, so it is not written.
        const double word = round_half_even(v + 32768);
        if (word < 0 || word > kWordValueMask) return w;
        w.kind = CapcodeEncoding::Short;
        w.first = static_cast<std::uint32_t>(word);
        return w;
    }
    if (v < kFirstLong) {
        w.kind = CapcodeEncoding::Invalid;
        return w;
    }
    // A long capcode needs the record of the next slot too, which only the even
    // slot of a "Long" pair owns.
    if (!long_pair) return w;
    if (v <= kLastLongA) {
        const double x = v - 2068481;
        w.kind = CapcodeEncoding::LongA;
        w.first = long_word(mymod(x, 32768) + 1);
        w.second = long_word(static_cast<double>(static_cast<std::uint32_t>(std::trunc(x / 32768)) ^ kWordValueMask));
    } else if (v >= kFirstLongB && v <= kLastLongB) {
        const double x = v - 2068481;
        w.kind = CapcodeEncoding::LongB;
        w.first = long_word(mymod(x, 32768) + 1);
        w.second = long_word(std::trunc(x / 32768) + 0x1D8000);
    } else if (v >= kFirstLongC && v <= kLongLimit) {
        const double x = v - 2068479;
        w.kind = CapcodeEncoding::LongC;
        w.first = long_word(mymod(x, 32768) + 0x1F7FFF);
        w.second = long_word(std::trunc(x / 32768) + 0x1C8000);
    }
    return w;
}

std::uint32_t capcode_word(const PagerTable& image, int slot) {
    if (slot < 0 || slot >= kCapcodeSlots) throw std::out_of_range("capcode slot");
    return image.get_be(kCapcodeRecordFirst + 4 * slot + 1, 3);
}

void set_capcode_word(PagerTable& image, int slot, std::uint32_t word) {
    if (slot < 0 || slot >= kCapcodeSlots) throw std::out_of_range("capcode slot");
    const int a = kCapcodeRecordFirst + 4 * slot + 1;
    image[a] = static_cast<std::uint8_t>((word >> 16) & 0xFF);
    image[a + 1] = static_cast<std::uint8_t>((word >> 8) & 0xFF);
    image[a + 2] = static_cast<std::uint8_t>(word & 0xFF);
}

bool pair_is_long_in_image(const PagerTable& image, int pair) {
    return (image[kCapcodeRecordFirst + 1 + 8 * pair] & 0x40) != 0;
}

std::array<bool, kCapcodePairs> long_pairs_from_image(const PagerTable& image) {
    std::array<bool, kCapcodePairs> r{};
    for (int p = 0; p < kCapcodePairs; ++p) r[static_cast<std::size_t>(p)] = pair_is_long_in_image(image, p);
    return r;
}

std::string format_capcode(double value, bool ten_digits) {
    const double r = round_half_even(value);
    const double mag = std::fabs(r);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%0*.0f", r < 0 ? "-" : "", ten_digits ? 10 : 7, mag);
    return buf;
}

namespace {

// What a record pair decodes to, without the text a capcode box shows.
SlotValue decode_value(std::uint32_t record, std::optional<std::uint32_t> next, bool long_pair) {
    SlotValue d;
    const double o = record & kWordValueMask;
    if (record & kLongFlag) {
        d.slots_used = 2;
        d.is_long = true;
        if (next) {
            const double i = *next & kWordValueMask;
            const auto iw = *next & kWordValueMask;
            if (o <= 0x8000 && iw >= 0x1F7FFF)
                d.value = static_cast<double>(iw ^ kWordValueMask) * 32768 + o + 2068480;
            else if (o <= 0x8000 && iw >= 0x1E0001 && iw <= 0x1F0000)
                d.value = (i - 0x1D8000) * 32768 + o + 2068480;
            else if (o >= 0x1F7FFF && iw >= 0x1E0001 && iw <= 0x1E8000)
                d.value = (i - 0x1C8000) * 32768 + o - 2064383 + 2068479;
        }
        return d;
    }
    d.value = o - 32768;
    d.slots_used = long_pair ? 2 : 1;
    return d;
}

// The box's text: ten digits for a long capcode and for a short one in the
// even slot of a "Long" pair (which then takes both slots).
DecodedCapcode with_text(const SlotValue& v) {
    DecodedCapcode d;
    d.value = v.value;
    d.slots_used = v.slots_used;
    d.is_long = v.is_long;
    if (v.is_long) d.text = v.value ? format_capcode(*v.value, true) : kUndecodableCapcodeText;
    else d.text = format_capcode(*v.value, v.slots_used == 2);
    return d;
}

} // namespace

DecodedCapcode decode_capcode(std::uint32_t record, std::optional<std::uint32_t> next, bool long_pair) {
    return with_text(decode_value(record, next, long_pair));
}

std::array<SlotValue, kCapcodeSlots> decode_capcode_values(const PagerTable& image,
                                                           const std::array<bool, kCapcodePairs>& long_pairs) {
    std::array<SlotValue, kCapcodeSlots> out{};
    int s = 0;
    while (s < kCapcodeSlots) {
        const bool long_pair = s % 2 == 0 && long_pairs[static_cast<std::size_t>(s / 2)];
        std::optional<std::uint32_t> next;
        if (s + 1 < kCapcodeSlots) next = capcode_word(image, s + 1);
        SlotValue& slot = out[static_cast<std::size_t>(s)];
        slot = decode_value(capcode_word(image, s), next, long_pair);
        for (int k = 1; k < slot.slots_used && s + k < kCapcodeSlots; ++k) {
            SlotValue& covered = out[static_cast<std::size_t>(s + k)];
            covered = slot;
            covered.covered = true;
        }
        s += slot.slots_used;
    }
    return out;
}

std::array<SlotDisplay, kCapcodeSlots> decode_all_capcodes(const PagerTable& image,
                                                          const std::array<bool, kCapcodePairs>& long_pairs) {
    const auto values = decode_capcode_values(image, long_pairs);
    std::array<SlotDisplay, kCapcodeSlots> out{};
    for (std::size_t s = 0; s < values.size(); ++s) {
        // A covered slot shows the capcode of the slot that covers it.
        out[s].covered = values[s].covered;
        out[s].capcode = values[s].covered ? out[s - 1].capcode : with_text(values[s]);
    }
    return out;
}

std::optional<double> parse_capcode_text(const std::string& text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto is_digit = [&](std::size_t k) { return k < n && std::isdigit(static_cast<unsigned char>(text[k])); };
    while (i < n && text[i] == ' ') ++i;
    const std::size_t start = i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    int digits = 0;
    while (is_digit(i)) ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        while (is_digit(i)) ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        if (!is_digit(i)) return std::nullopt;
        while (is_digit(i)) ++i;
    }
    const std::size_t end = i;
    while (i < n && text[i] == ' ') ++i;
    if (i != n) return std::nullopt;
    const auto v = read_c_number(std::string_view(text).substr(start, end - start));
    if (!v || !std::isfinite(*v)) return std::nullopt;
    return *v;
}

double leading_number(const std::string& text) {
    // Longest prefix (after spaces) that parses as a number.
    std::size_t first = 0;
    while (first < text.size() && text[first] == ' ') ++first;
    for (std::size_t len = text.size() - first; len > 0; --len) {
        if (auto v = parse_capcode_text(text.substr(first, len))) return *v;
    }
    return 0;
}

double capcode_entry_limit(bool long_pair) { return long_pair ? kLongLimit : kShortLimit; }

CapcodeEntry check_capcode_entry(const std::string& text, bool long_pair) {
    CapcodeEntry e;
    e.limit = capcode_entry_limit(long_pair);
    const auto v = parse_capcode_text(text);
    if (!v) return e;
    e.value = *v;
    e.check = (*v <= 0 || *v > e.limit) ? CapcodeEntryCheck::OutOfRange : CapcodeEntryCheck::Ok;
    return e;
}

const char* const kCapcodeNotNumericMessage = "Please insert a numeric!";
const char* const kInvalidCapcodeMessage = "Invalid Capcode!";

std::string capcode_range_message(double limit) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f", limit);
    return std::string("Please insert a number between 1 to ") + buf;
}

// Slot fields ------------------------------------------------------------------

namespace {
void check_slot(int slot) {
    if (slot < 0 || slot >= kCapcodeSlots) throw std::out_of_range("capcode slot");
}
SlotBit split_bit(int slot, int low_address, int high_address) {
    check_slot(slot);
    return slot < 8 ? SlotBit{low_address, slot} : SlotBit{high_address, slot - 8};
}
} // namespace

SlotBit enable_bit(int slot) { return split_bit(slot, 0x73, 0x72); }
SlotBit priority_bit(int slot) { return split_bit(slot, 0x34, 0x35); }
SlotBit manual_bit(int slot) { return split_bit(slot, 0x3BD, 0x3BE); }
SlotBit type_bit(int slot) { return split_bit(slot, 0x38, 0x37); }
SlotBit group_bit(int slot) { return split_bit(slot, 0x384, 0x385); }

bool get_slot_bit(const PagerTable& image, SlotBit b) { return get_bits(image, b.address, b.bit, 1) != 0; }
void set_slot_bit(PagerTable& image, SlotBit b, bool on) { set_bits(image, b.address, b.bit, on ? 1 : 0, 1); }

CapcodeType capcode_type(const PagerTable& image, int slot) {
    if (!get_slot_bit(image, group_bit(slot))) return CapcodeType::Group;
    return get_slot_bit(image, type_bit(slot)) ? CapcodeType::MailDrop : CapcodeType::Personal;
}

void set_capcode_type(PagerTable& image, int slot, CapcodeType type) {
    set_slot_bit(image, type_bit(slot), type == CapcodeType::MailDrop);
    set_slot_bit(image, group_bit(slot), type != CapcodeType::Group);
}

const std::array<const char*, 3>& capcode_type_texts() {
    static const std::array<const char*, 3> texts = {"Personal", "Mail drop", "Group"};
    return texts;
}

const std::array<const char*, 2>& pair_length_texts() {
    static const std::array<const char*, 2> texts = {"Short", "Long"};
    return texts;
}

const char* capcode_type_name(CapcodeType type) { return capcode_type_texts()[static_cast<std::size_t>(type)]; }

int capcode_count_field(const PagerTable& image) { return get_bits(image, 0x3E, 4, 4); }

CapcodeEncoding store_capcode(PagerTable& image, int slot, double value, bool long_pair) {
    check_slot(slot);
    long_pair = long_pair && slot % 2 == 0;
    const CapcodeWords w = encode_capcode(value, long_pair);
    if (!w.writes()) return w.kind;
    set_capcode_word(image, slot, w.first);
    if (w.kind == CapcodeEncoding::Short) {
        if (long_pair) set_slot_bit(image, enable_bit(slot + 1), false);
    } else {
        set_capcode_word(image, slot + 1, w.second);
        if (get_slot_bit(image, enable_bit(slot))) set_slot_bit(image, enable_bit(slot + 1), true);
    }
    return w.kind;
}

// Frame map ---------------------------------------------------------------------

int capcode_frame(double capcode) {
    const double k = std::trunc(capcode / 16);
    // Euclidean remainder: a negative capcode (a record below the short range)
    // still lands on a frame 0..15.
    double f = std::fmod(std::fmod(k, 128.0), 16.0);
    if (f < 0) f += 16;
    return static_cast<int>(f);
}

std::string frame_label(std::uint8_t high, std::uint8_t low) {
    // By hand: every capcode change recomputes the map and its label.
    static const char digits[] = "0123456789ABCDEF";
    return {digits[high >> 4], digits[high & 0xF], digits[low >> 4], digits[low & 0xF]};
}

FrameResult apply_frame_rule(PagerTable& image, const std::array<std::optional<double>, kCapcodeSlots>& capcodes) {
    FrameResult r;
    r.last_usable_slot = capcode_count_field(image);
    for (int s = 0; s <= r.last_usable_slot; ++s) {
        const auto& v = capcodes[static_cast<std::size_t>(s)];
        if (!get_slot_bit(image, enable_bit(s)) || !v) continue;
        const int frame = capcode_frame(*v);
        if (frame < 8) r.low = static_cast<std::uint8_t>(r.low | (1u << frame));
        else r.high = static_cast<std::uint8_t>(r.high | (1u << (frame - 8)));
    }
    for (int s = r.last_usable_slot + 1; s < kCapcodeSlots; ++s) set_slot_bit(image, enable_bit(s), false);
    for (int k = 0; k <= 7; ++k) {
        image[0x92 + 4 * k] = r.high;
        image[0x93 + 4 * k] = r.low;
    }
    r.label = frame_label(r.high, r.low);
    return r;
}

FrameResult apply_frame_rule(PagerTable& image, const std::array<bool, kCapcodePairs>& long_pairs) {
    const auto decoded = decode_capcode_values(image, long_pairs);
    std::array<std::optional<double>, kCapcodeSlots> values{};
    for (int s = 0; s < kCapcodeSlots; ++s)
        values[static_cast<std::size_t>(s)] = decoded[static_cast<std::size_t>(s)].value;
    return apply_frame_rule(image, values);
}

OpenRepair repair_opened_image(PagerTable& image) {
    const PagerTable before = image;
    OpenRepair r;
    r.frame_before = frame_label(before[0x92], before[0x93]);
    const FrameResult f = apply_frame_rule(image, long_pairs_from_image(before));
    r.frame_after = f.label;
    for (int a = 0x96; a <= 0xAF; ++a)
        r.frame_copies_changed = r.frame_copies_changed || before[a] != image[a];
    for (int s = 0; s < kCapcodeSlots; ++s)
        if (get_slot_bit(before, enable_bit(s)) && !get_slot_bit(image, enable_bit(s)))
            r.slots_disabled.push_back(s);
    return r;
}

std::string OpenRepair::describe() const {
    std::string text;
    const auto part = [&text](const std::string& p) {
        if (!text.empty()) text += "; ";
        text += p;
    };
    if (frame_before != frame_after)
        part("frame map " + frame_before + " -> " + frame_after);
    if (frame_copies_changed) part("frame map copies (0x96-0xAF) rewritten");
    if (!slots_disabled.empty()) {
        std::string slots;
        for (const int s : slots_disabled)
            slots += (slots.empty() ? "" : ", ") + std::to_string(s + 1);
        part(std::string(slots_disabled.size() == 1 ? "slot " : "slots ") + slots +
             " switched off (above the capcode count)");
    }
    return text.empty() ? "nothing" : text;
}

} // namespace qrt58
