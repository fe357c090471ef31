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

bool synth_and_base_are(const PagerTable& t, int preset) {
    const RangePreset& p = range_presets()[static_cast<std::size_t>(preset)];
    for (int i = 0; i < 16; ++i)
        if (t[i] != p.synth[static_cast<std::size_t>(i)]) return false;
    for (int i = 0; i < 4; ++i)
        if (t[0xF0 + i] != p.freq[static_cast<std::size_t>(i)]) return false;
    return true;
}

using C = FrequencyCheck;

} // namespace

TEST(Frequency, RangeListTextsGiveTheLimitsAndMessage) {
    const std::int64_t limits[3][2] = {{1300000, 1800000}, {4000000, 4990000}, {9290000, 9320000}};
    for (int i = 0; i < 3; ++i) {
        const FrequencyRange r = parse_frequency_range(frequency_range_texts()[static_cast<std::size_t>(i)]);
        EXPECT_EQ(r.lower_limit, limits[i][0]);
        EXPECT_EQ(r.upper_limit, limits[i][1]);
    }
    EXPECT_EQ(frequency_range_texts()[1], "400-499MHz");
    EXPECT_EQ(frequency_range_message(parse_frequency_range("929-932MHz")),
              "Frequency setting error(9290000 < = Frequency < =9320000 )");
}

TEST(Frequency, WorkedExamplesStoreBigEndianAndCopyThePreset) {
    struct Row {
        int range;
        const char* text;
        C result;
        std::array<std::uint8_t, 4> bytes; // 0xF4-0xF7 afterwards
        int preset;                        // in 0x00-0x0F / 0xF0-0xF3 afterwards
    };
    const std::vector<Row> rows = {
        {0, "1530000", C::Accepted, {0x00, 0x17, 0x58, 0x90}, 0},
        {0, "1530050", C::Accepted, {0x00, 0x17, 0x58, 0xC2}, 0},
        {0, "1530125", C::Accepted, {0x00, 0x17, 0x59, 0x0D}, 1},
        {0, "1530030", C::ChannelSpacing, {}, 0},
        {0, "1290000", C::OutOfRange, {}, 0},
        {1, "4540000", C::Accepted, {0x00, 0x45, 0x46, 0x60}, 2},
        {1, "4540125", C::Accepted, {0x00, 0x45, 0x46, 0xDD}, 3},
        {2, "9310125", C::Accepted, {0x00, 0x8E, 0x0F, 0xAD}, 4},
        {2, "9310000", C::ChannelSpacing, {}, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.range) + " " + row.text);
        PagerTable t = image_with_range(row.range);
        const PagerTable before = t;
        const FrequencyOutcome out = check_frequency(row.text, row.range, t);
        EXPECT_EQ(out.result, row.result);
        apply_frequency(t, out);
        if (row.result != C::Accepted) {
            EXPECT_EQ(t, before);
            continue;
        }
        EXPECT_EQ((std::array<std::uint8_t, 4>{t[0xF4], t[0xF5], t[0xF6], t[0xF7]}), row.bytes);
        EXPECT_TRUE(synth_and_base_are(t, row.preset));
    }
    EXPECT_EQ(check_frequency("1530030", 0, image_with_range(0)).message, "Channel Spacing Error!");
    EXPECT_EQ(check_frequency("1290000", 0, image_with_range(0)).message,
              "Frequency setting error(1300000 < = Frequency < =1800000 )");
}

TEST(Frequency, LimitsRoundingFractionsAndUnusableText) {
    struct Row {
        int range;
        const char* text;
        C result;
        std::uint32_t value; // for accepted rows
        int preset;          // for accepted rows
    };
    const std::vector<Row> rows = {
        // Inclusive limits; below the reference the remainder is negative.
        {0, "1300000", C::Accepted, 1300000, 0},
        {0, "1800000", C::Accepted, 1800000, 0},
        {0, "1300125", C::Accepted, 1300125, 1},
        {0, "1299999", C::OutOfRange, 0, -1},
        {0, "1800001", C::OutOfRange, 0, -1},
        {1, "4990000", C::Accepted, 4990000, 2},
        {0, "4540000", C::OutOfRange, 0, -1}, // judged by the selected range
        // The raster sees the fraction in Hz; the stored value is rounded.
        {0, "1530000.4", C::ChannelSpacing, 0, -1},
        {0, "1530050.", C::Accepted, 1530050, 0},
        {0, " 1.53e6 ", C::Accepted, 1530000, 0},
        {0, "1300000.5", C::ChannelSpacing, 0, -1}, // rounds to the even 1300000: in range
        {0, "1299999.5", C::ChannelSpacing, 0, -1}, // rounds up to 1300000: in range
        {0, "1299999.4", C::OutOfRange, 0, -1},
        // Unusable text, and numbers beyond any integer width.
        {0, "", C::Restore, 0, -1},
        {0, "15e", C::NotNumeric, 0, -1},
        {0, "&H1758A0", C::NotNumeric, 0, -1},
        {0, "1,530,000", C::NotNumeric, 0, -1},
        {0, "1 530000", C::NotNumeric, 0, -1},
        {0, " ", C::NotNumeric, 0, -1},
        {0, "-", C::NotNumeric, 0, -1},
        {0, "99999999999999", C::OutOfRange, 0, -1},
        {0, "1e999", C::OutOfRange, 0, -1},
        {0, "1e-999", C::OutOfRange, 0, -1},
        {0, "-1530000", C::OutOfRange, 0, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string("'") + row.text + "'");
        const FrequencyOutcome out = check_frequency(row.text, row.range, image_with_range(row.range));
        EXPECT_EQ(out.result, row.result);
        if (row.result == C::Accepted) {
            EXPECT_EQ(out.value, row.value);
            EXPECT_EQ(out.preset, row.preset);
        }
        if (row.result == C::NotNumeric) {
            EXPECT_EQ(out.message, "Please insert a decimal numeric!");
        }
    }
    for (const char* text : {"+1", "-1", "1.", ".5", "1E+3", "2e-1"}) EXPECT_TRUE(is_decimal_numeric(text)) << text;
    for (const char* text : {"", "+", ".", "e3", "1e+", "1.2.3", "&O7", "0x12", "1-"})
        EXPECT_FALSE(is_decimal_numeric(text)) << text;
}

TEST(Frequency, OffsetRasterSwitchesPresetsBothWays) {
    PagerTable t = image_with_range(0);
    apply_frequency(t, check_frequency("1370125", 0, t));
    EXPECT_TRUE(synth_and_base_are(t, 1));
    EXPECT_EQ(stored_frequency(t), 1370125u);
    apply_frequency(t, check_frequency("1370000", 0, t));
    EXPECT_TRUE(synth_and_base_are(t, 0));
    EXPECT_EQ(stored_frequency(t), 1370000u);
}

TEST(Frequency, Range2RasterFollowsTheImage) {
    PagerTable t = image_with_range(2);
    EXPECT_EQ(check_frequency("9290125", 2, t).result, C::Accepted);
    EXPECT_EQ(check_frequency("9290125", 2, t).preset, -1);
    EXPECT_EQ(check_frequency("9290000", 2, t).result, C::ChannelSpacing);
    // Another base and spacing standing in the image move the raster.
    t.set_u32(0xF0, 9290000);
    t[0x0E] = 10;
    EXPECT_EQ(check_frequency("9291000", 2, t).result, C::Accepted);
    EXPECT_EQ(check_frequency("9290125", 2, t).result, C::ChannelSpacing);
    // A zero spacing (only from a damaged image) must not divide by zero.
    t[0x0E] = 0;
    EXPECT_EQ(check_frequency("9290000", 2, t).result, C::Accepted);
    EXPECT_EQ(check_frequency("9291000", 2, t).result, C::ChannelSpacing);
    // A base whose Hz value does not fit 32 bits still compares correctly.
    t.set_u32(0xF0, 0xFFFFFFFF);
    t[0x0E] = 25;
    EXPECT_EQ(check_frequency("9290125", 2, t).result, C::ChannelSpacing);
    EXPECT_EQ(base_frequency_hz(t), 429496729500LL);
}

TEST(Frequency, LabelsOfEveryPresetAndRangeDetection) {
    const char* expected[5][5] = {
        {"B4A0", "2801", "2", "5KHz", "1370000"},   {"9084", "2001", "8", "25KHz", "1370125"},
        {"10BE0", "1801", "4", "25KHz", "4500000"}, {"10BE2", "1801", "4", "25KHz", "4500125"},
        {"236A2", "2801", "4", "25KHz", "9280125"},
    };
    const std::optional<int> range_of_preset[5] = {0, 0, 1, 1, 2};
    for (int p = 0; p < 5; ++p) {
        SCOPED_TRACE(p + 1);
        PagerTable t = build_default_image();
        apply_range_preset(t, p);
        const PllLabels l = pll_labels(t);
        EXPECT_EQ(l.pll_n, expected[p][0]);
        EXPECT_EQ(l.pll_r, expected[p][1]);
        EXPECT_EQ(l.incd, expected[p][2]);
        EXPECT_EQ(l.channel, expected[p][3]);
        EXPECT_EQ(l.bfreq, expected[p][4]);
        EXPECT_EQ(detect_frequency_range(t), range_of_preset[p]);
    }
    PagerTable t = build_default_image();
    EXPECT_EQ(frequency_text(t), "1530000");
    t[0xF1] = 0x2F;
    EXPECT_EQ(detect_frequency_range(t), std::nullopt);
    t[0xF1] = 0x8F;
    EXPECT_EQ(detect_frequency_range(t), 2);
    EXPECT_EQ(hex_text(0), "0");
}
