#include "capcode.h"
#include "default_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

using namespace qrt58;

namespace {

std::uint32_t w24(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    return (std::uint32_t{b1} << 16) | (std::uint32_t{b2} << 8) | b3;
}

struct Example {
    double capcode;
    CapcodeEncoding kind;
    std::uint32_t first;
    std::uint32_t second;
    const char* shown;
};

// Capcodes with their record words and the text the box shows.
const Example kExamples[] = {
    {1, CapcodeEncoding::Short, w24(0x00, 0x80, 0x01), 0, "0000001"},
    {1234567, CapcodeEncoding::Short, w24(0x13, 0x56, 0x87), 0, "1234567"},
    {2031614, CapcodeEncoding::Short, w24(0x1F, 0x7F, 0xFE), 0, "2031614"},
    {2101249, CapcodeEncoding::LongA, w24(0x40, 0x00, 0x01), w24(0x5F, 0xFF, 0xFE), "0002101249"},
    {1075843073, CapcodeEncoding::LongB, w24(0x40, 0x00, 0x01), w24(0x5E, 0x00, 0x01), "1075843073"},
    {3223326721.0, CapcodeEncoding::LongC, w24(0x5F, 0x80, 0x01), w24(0x5E, 0x00, 0x01), "3223326721"},
    {4291000000.0, CapcodeEncoding::LongC, w24(0x5F, 0xE6, 0xC0), w24(0x5E, 0x7F, 0x47), "4291000000"},
};

} // namespace

TEST(CapcodeCodec, WorkedExamplesEncodeStoreAndDecode) {
    for (const auto& e : kExamples) {
        SCOPED_TRACE(e.shown);
        const bool is_long = e.kind != CapcodeEncoding::Short;
        const CapcodeWords w = encode_capcode(e.capcode, true);
        EXPECT_EQ(w.kind, e.kind);
        EXPECT_EQ(w.first, e.first);
        if (is_long) {
            EXPECT_EQ(w.second, e.second);
        }

        // Through the image: slot 2 (pair 1), byte 0 of the record untouched.
        PagerTable t = build_default_image();
        t[0xB8] = 0xA5;
        EXPECT_EQ(store_capcode(t, 2, e.capcode, is_long), e.kind);
        EXPECT_EQ(t[0xB8], 0xA5);
        EXPECT_EQ(capcode_word(t, 2), e.first);
        if (is_long) {
            EXPECT_EQ(capcode_word(t, 3), e.second);
        } else {
            EXPECT_EQ(capcode_word(t, 3), w24(0x13, 0x56, 0x87)); // neighbour kept
        }

        const auto d = decode_capcode(capcode_word(t, 2), capcode_word(t, 3), is_long);
        EXPECT_EQ(d.text, e.shown);
        ASSERT_TRUE(d.value.has_value());
        EXPECT_EQ(*d.value, e.capcode);
        EXPECT_EQ(d.slots_used, is_long ? 2 : 1);
    }
}

TEST(CapcodeCodec, RangeEdges) {
    EXPECT_EQ(encode_capcode(2031614, false).kind, CapcodeEncoding::Short);
    EXPECT_EQ(encode_capcode(2031615, false).kind, CapcodeEncoding::Invalid);
    EXPECT_EQ(encode_capcode(2031615, true).kind, CapcodeEncoding::Invalid);
    EXPECT_EQ(encode_capcode(2101248, true).kind, CapcodeEncoding::Invalid);
    EXPECT_EQ(encode_capcode(2101248.5, true).kind, CapcodeEncoding::Invalid);
    EXPECT_EQ(encode_capcode(2101249, true).kind, CapcodeEncoding::LongA);
    EXPECT_EQ(encode_capcode(1075843072, true).kind, CapcodeEncoding::LongA);
    EXPECT_EQ(encode_capcode(3223326720.0, true).kind, CapcodeEncoding::LongB);
    EXPECT_EQ(encode_capcode(4291000000.0, true).kind, CapcodeEncoding::LongC);
    EXPECT_EQ(encode_capcode(4291000001.0, true).kind, CapcodeEncoding::Nothing);
    // A fraction between two long parts fits no rule.
    EXPECT_EQ(encode_capcode(1075843072.5, true).kind, CapcodeEncoding::Nothing);
    EXPECT_EQ(encode_capcode(3223326720.5, true).kind, CapcodeEncoding::Nothing);
    // A long value never spills into the next slot's record from a short slot.
    EXPECT_EQ(encode_capcode(2101249, false).kind, CapcodeEncoding::Nothing);

    // Every boundary of the long parts round-trips.
    for (double v : {2101249.0, 2101250.0, 2134016.0, 1075843072.0, 1075843073.0, 3223326720.0,
                     3223326721.0, 4291000000.0}) {
        const auto w = encode_capcode(v, true);
        const auto d = decode_capcode(w.first, w.second, true);
        ASSERT_TRUE(d.value.has_value()) << v;
        EXPECT_EQ(*d.value, v);
    }
}

TEST(CapcodeCodec, EntryCheckLimitsAndMessages) {
    EXPECT_EQ(check_capcode_entry("", false).check, CapcodeEntryCheck::NotNumeric);
    EXPECT_EQ(check_capcode_entry("12a", false).check, CapcodeEntryCheck::NotNumeric);
    EXPECT_EQ(check_capcode_entry("&H12", false).check, CapcodeEntryCheck::NotNumeric);
    EXPECT_EQ(check_capcode_entry("0", false).check, CapcodeEntryCheck::OutOfRange);
    EXPECT_EQ(check_capcode_entry("-5", false).check, CapcodeEntryCheck::OutOfRange);
    EXPECT_EQ(check_capcode_entry("2031615", false).check, CapcodeEntryCheck::Ok);
    EXPECT_EQ(check_capcode_entry("2031616", false).check, CapcodeEntryCheck::OutOfRange);
    EXPECT_EQ(check_capcode_entry("2031616", true).check, CapcodeEntryCheck::Ok);
    EXPECT_EQ(check_capcode_entry("4291000001", true).check, CapcodeEntryCheck::OutOfRange);
    const auto half = check_capcode_entry(" 0.5 ", false);
    EXPECT_EQ(half.check, CapcodeEntryCheck::Ok);
    EXPECT_EQ(half.value, 0.5);
    EXPECT_EQ(capcode_range_message(kShortLimit), "Please insert a number between 1 to 2031615");
    EXPECT_EQ(capcode_range_message(kLongLimit), "Please insert a number between 1 to 4291000000");
    EXPECT_EQ(leading_number("2101249xyz"), 2101249);
    EXPECT_EQ(leading_number("??????????"), 0);
}

TEST(CapcodeCodec, FractionalInputIsRoundedHalfToEven) {
    EXPECT_EQ(encode_capcode(0.5, false).first, 0x8000u);
    EXPECT_EQ(encode_capcode(1.5, false).first, 0x8002u);
    EXPECT_EQ(encode_capcode(2.5, false).first, 0x8002u);
    EXPECT_EQ(mymod(32768.5, 32768), 0);  // 0.5 rounds to even
    EXPECT_EQ(mymod(32769.5, 32768), 2);
    EXPECT_EQ(mymod(4288931521.0, 32768), 4288931521LL % 32768);
    PagerTable t = build_default_image();
    store_capcode(t, 0, 0.5, false);
    EXPECT_EQ(decode_capcode(capcode_word(t, 0), std::nullopt, false).text, "0000000");
}

TEST(CapcodeCodec, LongRecordsThatFitNoRuleSkipBothSlotsAndShowPlaceholder) {
    // Flag set, but the second word lies in none of the three ranges.
    const auto d = decode_capcode(w24(0x40, 0x90, 0x00), w24(0x40, 0x00, 0x05), false);
    EXPECT_EQ(d.text, kUndecodableCapcodeText);
    EXPECT_FALSE(d.value.has_value());
    EXPECT_EQ(d.slots_used, 2);

    // A flagged record in the last slot has no partner.
    PagerTable t = build_default_image();
    set_capcode_word(t, 15, w24(0x40, 0x00, 0x01));
    set_capcode_word(t, 4, w24(0x40, 0x90, 0x00));
    const auto all = decode_all_capcodes(t, long_pairs_from_image(t));
    EXPECT_EQ(all[15].capcode.text, kUndecodableCapcodeText);
    EXPECT_EQ(all[4].capcode.text, kUndecodableCapcodeText);
    EXPECT_TRUE(all[5].covered);
    EXPECT_FALSE(all[6].covered);
    EXPECT_EQ(all[6].capcode.text, "1234567");
}

TEST(CapcodeCodec, DecodeAllFollowsPairLengths) {
    PagerTable t = build_default_image();
    std::array<bool, kCapcodePairs> pairs{};
    pairs[0] = true;
    store_capcode(t, 0, 3000000000.0, true);
    pairs[1] = true; // shown as "Long" but holding a short capcode
    store_capcode(t, 2, 1000, true);
    const auto all = decode_all_capcodes(t, pairs);
    EXPECT_EQ(all[0].capcode.text, "3000000000");
    EXPECT_TRUE(all[1].covered);
    EXPECT_EQ(all[2].capcode.text, "0000001000"); // ten digits in a "Long" pair
    EXPECT_TRUE(all[3].covered);
    EXPECT_EQ(all[4].capcode.text, "1234567");
    EXPECT_EQ(long_pairs_from_image(t)[0], true);
    EXPECT_EQ(long_pairs_from_image(t)[1], false); // no flag: comes back as "Short"
    // A word below the short range decodes to a negative value, shown with its sign.
    set_capcode_word(t, 4, 0x000010);
    EXPECT_EQ(decode_capcode(capcode_word(t, 4), std::nullopt, false).text, "-0032752");
}

// The values-only walk (frame map, job checks) and the walk with texts (the
// capcode list) agree on every slot of random images: long records that fit a
// rule or none, flagged records without a partner, short capcodes in "Long"
// pairs; and the frame map taken from either is the same.
TEST(CapcodeCodec, ValuesAndShownTextsAgreeOnRandomImages) {
    std::mt19937 rng(5811);
    const auto word = [&]() -> std::uint32_t {
        switch (rng() % 4) {
        case 0: return rng() & 0xFFFFFF;                 // anything, flag or not
        case 1: return (rng() & kWordValueMask);         // short
        case 2: return (rng() & 0x8000) | kLongFlag;     // a first long word
        default: return (0x1C8000 + rng() % 0x38000) | kLongFlag; // a second long word in or near a rule
        }
    };
    for (int round = 0; round < 3000; ++round) {
        PagerTable t = build_default_image();
        for (int s = 0; s < kCapcodeSlots; ++s) set_capcode_word(t, s, word());
        for (int s = 0; s < kCapcodeSlots; ++s) set_slot_bit(t, enable_bit(s), rng() % 2);
        std::array<bool, kCapcodePairs> pairs{};
        for (bool& p : pairs) p = rng() % 2;
        SCOPED_TRACE(round);
        const auto shown = decode_all_capcodes(t, pairs);
        const auto values = decode_capcode_values(t, pairs);
        std::array<std::optional<double>, kCapcodeSlots> frame_values{};
        for (std::size_t s = 0; s < values.size(); ++s) {
            const DecodedCapcode& d = shown[s].capcode;
            ASSERT_EQ(values[s].value, d.value) << "slot " << s;
            ASSERT_EQ(values[s].covered, shown[s].covered) << "slot " << s;
            ASSERT_EQ(values[s].slots_used, d.slots_used) << "slot " << s;
            ASSERT_EQ(values[s].is_long, d.is_long) << "slot " << s;
            if (shown[s].covered) {
                ASSERT_GT(s, 0u);
                EXPECT_EQ(d.text, shown[s - 1].capcode.text) << "slot " << s;
            } else {
                const bool long_pair = s % 2 == 0 && pairs[s / 2];
                const std::optional<std::uint32_t> next =
                    s + 1 < values.size() ? std::optional<std::uint32_t>(capcode_word(t, static_cast<int>(s) + 1))
                                          : std::nullopt;
                EXPECT_EQ(d.text, decode_capcode(capcode_word(t, static_cast<int>(s)), next, long_pair).text)
                    << "slot " << s;
            }
            frame_values[s] = d.value;
        }
        PagerTable from_values = t, from_texts = t;
        const FrameResult a = apply_frame_rule(from_values, pairs);
        const FrameResult b = apply_frame_rule(from_texts, frame_values);
        EXPECT_EQ(a.label, b.label);
        EXPECT_EQ(from_values, from_texts);
    }
}

TEST(CapcodeSlots, EnableBitRulesOfTheEncoder) {
    PagerTable t = build_default_image();
    set_slot_bit(t, enable_bit(2), true);
    set_slot_bit(t, enable_bit(3), false);
    EXPECT_EQ(store_capcode(t, 2, 2101249, true), CapcodeEncoding::LongA);
    EXPECT_TRUE(get_slot_bit(t, enable_bit(3))); // copied from the even slot

    set_slot_bit(t, enable_bit(2), false);
    store_capcode(t, 2, 2101250, true);
    EXPECT_TRUE(get_slot_bit(t, enable_bit(3))); // a 0 is not copied

    store_capcode(t, 2, 77, true); // short in a long pair clears the odd slot
    EXPECT_FALSE(get_slot_bit(t, enable_bit(3)));

    set_slot_bit(t, enable_bit(9), true);
    const PagerTable before = t;
    EXPECT_EQ(store_capcode(t, 8, 2050000, true), CapcodeEncoding::Invalid);
    EXPECT_EQ(t, before);
    EXPECT_EQ(store_capcode(t, 9, 2101249, true), CapcodeEncoding::Nothing); // odd slot
    EXPECT_EQ(t, before);
    EXPECT_EQ(store_capcode(t, 8, 5, false), CapcodeEncoding::Short);
    EXPECT_TRUE(get_slot_bit(t, enable_bit(9)));
}

TEST(CapcodeSlots, BitAddressesAndTypes) {
    EXPECT_EQ(enable_bit(0).address, 0x73);
    EXPECT_EQ(enable_bit(9).address, 0x72);
    EXPECT_EQ(enable_bit(9).bit, 1);
    EXPECT_EQ(priority_bit(12).address, 0x35);
    EXPECT_EQ(manual_bit(7).address, 0x3BD);
    EXPECT_EQ(type_bit(8).address, 0x37);
    EXPECT_EQ(group_bit(15).address, 0x385);
    EXPECT_EQ(group_bit(15).bit, 7);

    PagerTable t = build_default_image();
    set_capcode_type(t, 3, CapcodeType::MailDrop);
    EXPECT_EQ(t[0x38], 0x08);
    EXPECT_EQ(t[0x384], 0xFF);
    EXPECT_EQ(capcode_type(t, 3), CapcodeType::MailDrop);
    const PagerTable before = t;
    set_capcode_type(t, 3, CapcodeType::Group);
    EXPECT_EQ(capcode_type(t, 3), CapcodeType::Group);
    int changed = 0;
    for (int a = 0; a < kImageSize; ++a) changed += before[a] != t[a];
    EXPECT_EQ(changed, 2); // the type bit and the group flag only
    EXPECT_EQ(t[0x384], 0xF7);
    set_capcode_type(t, 3, CapcodeType::Personal);
    EXPECT_EQ(t[0x38], 0x00);
    EXPECT_EQ(t[0x384], 0xFF);
    // A cleared group flag shows "Group" whatever the type bit says.
    set_slot_bit(t, type_bit(10), true);
    set_slot_bit(t, group_bit(10), false);
    EXPECT_EQ(capcode_type(t, 10), CapcodeType::Group);
}

TEST(CapcodeFrame, LabelIsBothMapBytesInUpperCaseHex) {
    for (int high = 0; high < 256; ++high)
        for (int low = 0; low < 256; ++low) {
            char expected[8];
            std::snprintf(expected, sizeof expected, "%02X%02X", high, low);
            ASSERT_EQ(frame_label(static_cast<std::uint8_t>(high), static_cast<std::uint8_t>(low)), expected);
        }
}

TEST(CapcodeFrame, SixteenAnd272ShareFrameOne) {
    PagerTable t = build_default_image();
    t[0x3E] = static_cast<std::uint8_t>((t[0x3E] & 0x0F) | 0xF0);
    t[0x72] = 0;
    t[0x73] = 0;
    store_capcode(t, 0, 16, false);
    store_capcode(t, 5, 272, false);
    set_slot_bit(t, enable_bit(0), true);
    set_slot_bit(t, enable_bit(5), true);
    const FrameResult r = apply_frame_rule(t, long_pairs_from_image(t));
    EXPECT_EQ(r.label, "0002");
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(t[0x92 + 4 * k], 0x00);
        EXPECT_EQ(t[0x93 + 4 * k], 0x02);
    }
    // A frame of 8 or more lands in 0x92.
    store_capcode(t, 1, 16 * 12, false);
    set_slot_bit(t, enable_bit(1), true);
    EXPECT_EQ(apply_frame_rule(t, long_pairs_from_image(t)).label, "1002");
    EXPECT_EQ(t[0xAE], 0x10);
    EXPECT_EQ(capcode_frame(16 * 128 + 16 * 3 + 15), 3);
    EXPECT_EQ(capcode_frame(-32768), 0);
    EXPECT_EQ(capcode_frame(-17), 15);
}

TEST(CapcodeFrame, SlotsAboveTheCountLoseTheirEnableBit) {
    PagerTable t = build_default_image();
    t[0x3E] = static_cast<std::uint8_t>(t[0x3E] & 0x0F); // count field 0: one slot
    t[0x72] = 0xFF;
    t[0x73] = 0xFF;
    const FrameResult r = apply_frame_rule(t, long_pairs_from_image(t));
    EXPECT_EQ(r.last_usable_slot, 0);
    EXPECT_EQ(t[0x73], 0x01);
    EXPECT_EQ(t[0x72], 0x00);
    // Only slot 0 (1234567, frame 8) counts.
    EXPECT_EQ(r.label, frame_label(1u << (capcode_frame(1234567) - 8), 0));
}

TEST(CapcodeFrame, LongCapcodeCountsOnceAndUndecodableAddsNothing) {
    PagerTable t = build_default_image();
    t[0x72] = 0;
    t[0x73] = 0;
    store_capcode(t, 0, 2101249 + 16 * 5, true); // frame depends on the value only
    set_slot_bit(t, enable_bit(0), true);
    set_slot_bit(t, enable_bit(1), true);
    EXPECT_EQ(apply_frame_rule(t, long_pairs_from_image(t)).label,
              frame_label(0, static_cast<std::uint8_t>(1u << capcode_frame(2101249 + 16 * 5))));
    set_capcode_word(t, 1, w24(0x40, 0x00, 0x05));
    EXPECT_EQ(apply_frame_rule(t, long_pairs_from_image(t)).label, "0000");
}
