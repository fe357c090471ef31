#include "default_image.h"
#include "frequency.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace qrt58;

namespace {

PagerTable image_with_range(int range) {
    PagerTable t = build_default_image();
    apply_range_preset(t, range_default_preset(range));
    return t;
}

std::array<std::uint8_t, 4> freq_bytes(const PagerTable& t) {
    return {t[0xF4], t[0xF5], t[0xF6], t[0xF7]};
}

bool synth_and_base_are(const PagerTable& t, int preset) {
    const RangePreset& p = range_presets()[static_cast<std::size_t>(preset)];
    for (int i = 0; i < 16; ++i)
        if (t[i] != p.synth[static_cast<std::size_t>(i)]) return false;
    for (int i = 0; i < 4; ++i)
        if (t[0xF0 + i] != p.freq[static_cast<std::size_t>(i)]) return false;
    return true;
}

struct Row {
    int range;
    const char* text;
    FrequencyCheck result;
    std::array<std::uint8_t, 4> bytes; // expected 0xF4-0xF7 after apply
    int preset;                        // preset expected in 0x00-0x0F / 0xF0-0xF3 afterwards
};

} // namespace

TEST(Frequency, RangeTextsAndLimits) {
    const auto& texts = frequency_range_texts();
    ASSERT_EQ(texts[0], "130-180MHz");
    ASSERT_EQ(texts[1], "400-499MHz");
    ASSERT_EQ(texts[2], "929-932MHz");
    const std::int64_t limits[3][2] = {{1300000, 1800000}, {4000000, 4990000}, {9290000, 9320000}};
    for (int i = 0; i < 3; ++i) {
        const FrequencyRange r = parse_frequency_range(texts[static_cast<std::size_t>(i)]);
        EXPECT_EQ(r.lower_limit, limits[i][0]) << texts[static_cast<std::size_t>(i)];
        EXPECT_EQ(r.upper_limit, limits[i][1]) << texts[static_cast<std::size_t>(i)];
    }
    EXPECT_EQ(frequency_range_message(parse_frequency_range(texts[0])),
              "Frequency setting error(1300000 < = Frequency < =1800000 )");
    EXPECT_EQ(frequency_range_message(parse_frequency_range(texts[2])),
              "Frequency setting error(9290000 < = Frequency < =9320000 )");
}

TEST(Frequency, WorkedExamples) {
    const std::vector<Row> rows = {
        {0, "1530000", FrequencyCheck::Accepted, {0x00, 0x17, 0x58, 0x90}, 0},
        {0, "1530050", FrequencyCheck::Accepted, {0x00, 0x17, 0x58, 0xC2}, 0},
        {0, "1530125", FrequencyCheck::Accepted, {0x00, 0x17, 0x59, 0x0D}, 1},
        {0, "1530030", FrequencyCheck::ChannelSpacing, {}, 0},
        {0, "1290000", FrequencyCheck::OutOfRange, {}, 0},
        {1, "4540000", FrequencyCheck::Accepted, {0x00, 0x45, 0x46, 0x60}, 2},
        {1, "4540125", FrequencyCheck::Accepted, {0x00, 0x45, 0x46, 0xDD}, 3},
        {2, "9310125", FrequencyCheck::Accepted, {0x00, 0x8E, 0x0F, 0xAD}, 4},
        {2, "9310000", FrequencyCheck::ChannelSpacing, {}, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string("range ") + std::to_string(row.range) + " text " + row.text);
        PagerTable t = image_with_range(row.range);
        const PagerTable before = t;
        const FrequencyOutcome out = check_frequency(row.text, row.range, t);
        EXPECT_EQ(out.result, row.result);
        apply_frequency(t, out);
        if (row.result == FrequencyCheck::Accepted) {
            EXPECT_TRUE(out.message.empty());
            EXPECT_EQ(freq_bytes(t), row.bytes);
            EXPECT_TRUE(synth_and_base_are(t, row.preset));
        } else {
            EXPECT_EQ(t, before);
        }
    }
    EXPECT_EQ(check_frequency("1530030", 0, image_with_range(0)).message, "Channel Spacing Error!");
    EXPECT_EQ(check_frequency("1290000", 0, image_with_range(0)).message,
              "Frequency setting error(1300000 < = Frequency < =1800000 )");
}

TEST(Frequency, LimitsAreInclusive) {
    const PagerTable t = image_with_range(0);
    EXPECT_EQ(check_frequency("1300000", 0, t).result, FrequencyCheck::Accepted);
    EXPECT_EQ(check_frequency("1800000", 0, t).result, FrequencyCheck::Accepted);
    EXPECT_EQ(check_frequency("1299999", 0, t).result, FrequencyCheck::OutOfRange);
    EXPECT_EQ(check_frequency("1800001", 0, t).result, FrequencyCheck::OutOfRange);
    // Below the first reference the remainder is negative yet still on the raster.
    EXPECT_EQ(check_frequency("1300000", 0, t).preset, 0);
    EXPECT_EQ(check_frequency("1300125", 0, t).preset, 1);
    EXPECT_EQ(check_frequency("1300030", 0, t).result, FrequencyCheck::ChannelSpacing);
    const PagerTable t1 = image_with_range(1);
    EXPECT_EQ(check_frequency("4000000", 1, t1).result, FrequencyCheck::Accepted);
    EXPECT_EQ(check_frequency("4990000", 1, t1).result, FrequencyCheck::Accepted);
    EXPECT_EQ(check_frequency("4990001", 1, t1).result, FrequencyCheck::OutOfRange);
    // The same text is judged by the range that is selected, not by its own value.
    EXPECT_EQ(check_frequency("4540000", 0, t).result, FrequencyCheck::OutOfRange);
}

TEST(Frequency, OffsetRasterSwitchesPresetsBothWays) {
    PagerTable t = image_with_range(0);
    FrequencyOutcome out = check_frequency("1370125", 0, t);
    ASSERT_EQ(out.result, FrequencyCheck::Accepted);
    EXPECT_EQ(out.preset, 1);
    apply_frequency(t, out);
    EXPECT_TRUE(synth_and_base_are(t, 1));
    EXPECT_EQ(stored_frequency(t), 1370125u);
    out = check_frequency("1370000", 0, t);
    ASSERT_EQ(out.result, FrequencyCheck::Accepted);
    apply_frequency(t, out);
    EXPECT_TRUE(synth_and_base_are(t, 0));
    EXPECT_EQ(stored_frequency(t), 1370000u);
    // The preset's default frequency bytes are never copied by an entry.
    EXPECT_EQ(freq_bytes(t), (std::array<std::uint8_t, 4>{0x00, 0x14, 0xE7, 0x90}));
}

TEST(Frequency, Range2RasterFollowsTheImage) {
    PagerTable t = image_with_range(2);
    EXPECT_EQ(check_frequency("9290125", 2, t).result, FrequencyCheck::Accepted);
    EXPECT_EQ(check_frequency("9290000", 2, t).result, FrequencyCheck::ChannelSpacing);
    EXPECT_EQ(check_frequency("9290125", 2, t).preset, -1);
    // A different base and spacing standing in the image move the raster.
    t.set_u32(0xF0, 9290000);
    t[0x0E] = 10;
    EXPECT_EQ(check_frequency("9290000", 2, t).result, FrequencyCheck::Accepted);
    EXPECT_EQ(check_frequency("9291000", 2, t).result, FrequencyCheck::Accepted);
    EXPECT_EQ(check_frequency("9290125", 2, t).result, FrequencyCheck::ChannelSpacing);
    // A zero spacing (only from a damaged image) must not divide by zero.
    t[0x0E] = 0;
    EXPECT_EQ(check_frequency("9290000", 2, t).result, FrequencyCheck::Accepted);
    EXPECT_EQ(check_frequency("9291000", 2, t).result, FrequencyCheck::ChannelSpacing);
    // A base so large that Hz no longer fit 32 bits still compares correctly.
    t.set_u32(0xF0, 0xFFFFFFFF);
    t[0x0E] = 25;
    EXPECT_EQ(check_frequency("9290125", 2, t).result, FrequencyCheck::ChannelSpacing);
}

TEST(Frequency, FractionsAndRounding) {
    const PagerTable t = image_with_range(0);
    // The raster sees the fraction in Hz...
    EXPECT_EQ(check_frequency("1530000.4", 0, t).result, FrequencyCheck::ChannelSpacing);
    // ...the stored value is rounded to 100 Hz units, halves to even.
    FrequencyOutcome out = check_frequency("1530000.00", 0, t);
    EXPECT_EQ(out.result, FrequencyCheck::Accepted);
    EXPECT_EQ(out.value, 1530000u);
    out = check_frequency("1530050.", 0, t);
    EXPECT_EQ(out.value, 1530050u);
    out = check_frequency(" 1.53e6 ", 0, t);
    EXPECT_EQ(out.result, FrequencyCheck::Accepted);
    EXPECT_EQ(out.value, 1530000u);
    // 1799999.5 rounds to the even 1800000 and passes the range test; in Hz it is
    // off the raster.
    out = check_frequency("1799999.5", 0, t);
    EXPECT_EQ(out.result, FrequencyCheck::ChannelSpacing);
    // 1300000.5 rounds down to 1300000 (even) and stays inside; 1299999.5 rounds up.
    EXPECT_EQ(check_frequency("1300000.5", 0, t).result, FrequencyCheck::ChannelSpacing);
    EXPECT_EQ(check_frequency("1299999.5", 0, t).result, FrequencyCheck::ChannelSpacing);
    EXPECT_EQ(check_frequency("1299999.4", 0, t).result, FrequencyCheck::OutOfRange);
}

TEST(Frequency, UnusableTextChangesNothing) {
    const PagerTable t = image_with_range(0);
    EXPECT_EQ(check_frequency("", 0, t).result, FrequencyCheck::Restore);
    for (const char* text : {"abc", "15e", "&H1758A0", "1,530,000", "-", ".", " ", "1 530000"}) {
        const FrequencyOutcome out = check_frequency(text, 0, t);
        EXPECT_EQ(out.result, FrequencyCheck::NotNumeric) << text;
        EXPECT_EQ(out.message, "Please insert a decimal numeric!") << text;
    }
    // Values beyond any integer width are an ordinary range error.
    EXPECT_EQ(check_frequency("99999999999999", 0, t).result, FrequencyCheck::OutOfRange);
    EXPECT_EQ(check_frequency("1e999", 0, t).result, FrequencyCheck::OutOfRange);
    EXPECT_EQ(check_frequency("-1530000", 0, t).result, FrequencyCheck::OutOfRange);
    EXPECT_EQ(check_frequency("1e-999", 0, t).result, FrequencyCheck::OutOfRange);
}

TEST(Frequency, NumericText) {
    for (const char* text : {"1", "+1", "-1", " 12 ", "1.", ".5", "1.5e3", "1E+3", "2e-1"})
        EXPECT_TRUE(is_decimal_numeric(text)) << text;
    for (const char* text : {"", " ", "+", "-", ".", "e3", "1e", "1e+", "1.2.3", "&H12", "&O7", "0x12",
                             "1-", "1 2", "12a"})
        EXPECT_FALSE(is_decimal_numeric(text)) << text;
}

TEST(Frequency, LabelsOfEveryPreset) {
    const char* expected[5][4] = {
        {"B4A0", "2801", "2", "5KHz"},    {"9084", "2001", "8", "25KHz"},
        {"10BE0", "1801", "4", "25KHz"},  {"10BE2", "1801", "4", "25KHz"},
        {"236A2", "2801", "4", "25KHz"},
    };
    const char* bfreq[5] = {"1370000", "1370125", "4500000", "4500125", "9280125"};
    for (int p = 0; p < 5; ++p) {
        PagerTable t = build_default_image();
        apply_range_preset(t, p);
        const PllLabels l = pll_labels(t);
        EXPECT_EQ(l.pll_n, expected[p][0]) << "preset " << p + 1;
        EXPECT_EQ(l.pll_r, expected[p][1]) << "preset " << p + 1;
        EXPECT_EQ(l.incd, expected[p][2]) << "preset " << p + 1;
        EXPECT_EQ(l.channel, expected[p][3]) << "preset " << p + 1;
        EXPECT_EQ(l.bfreq, bfreq[p]) << "preset " << p + 1;
    }
    PagerTable t = build_default_image();
    EXPECT_EQ(frequency_text(t), "1530000");
    EXPECT_EQ(base_frequency_hz(t), 137000000);
    t.set_u32(0xF0, 0xFFFFFFFF);
    EXPECT_EQ(base_frequency_hz(t), 429496729500LL);
    EXPECT_EQ(hex_text(0), "0");
    EXPECT_EQ(hex_text(0xABCDEF), "ABCDEF");
}

TEST(Frequency, RangeDetectionFromByteF1) {
    for (int range = 0; range < 3; ++range) {
        const PagerTable t = image_with_range(range);
        EXPECT_EQ(detect_frequency_range(t), range);
    }
    PagerTable t = build_default_image();
    t[0xF1] = 0x2F;
    EXPECT_EQ(detect_frequency_range(t), std::nullopt);
    t[0xF1] = 0x8F;
    EXPECT_EQ(detect_frequency_range(t), 2);
    t[0xF1] = 0x40;
    EXPECT_EQ(detect_frequency_range(t), 1);
}
