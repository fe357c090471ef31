#include "ansi_text.h"
#include "default_image.h"
#include "frequency.h"
#include "password.h"

#include <gtest/gtest.h>

using namespace qrt58;

namespace {
using Bytes6 = std::array<std::uint8_t, 6>;
using Digits = std::array<std::uint8_t, 4>;
} // namespace

TEST(RwPassword, SixCharactersBecomeSixCodes) {
    struct Row {
        QString text;
        RwPasswordCheck result;
        Bytes6 bytes;
    };
    const Row rows[] = {
        {"      ", RwPasswordCheck::Accepted, {32, 32, 32, 32, 32, 32}},
        {"ab    ", RwPasswordCheck::Accepted, {0x61, 0x62, 0x20, 0x20, 0x20, 0x20}},
        // e-acute and the euro sign have one-byte codes in the Western code page.
        {QString::fromUtf8("\xC3\xA9\xE2\x82\xAC"
                           "abcd"),
         RwPasswordCheck::Accepted,
         {0xE9, 0x80, 'a', 'b', 'c', 'd'}},
        {"abcde", RwPasswordCheck::TooShort, {}},
        {QString::fromUtf8("ab\xE4\xB8\xAD"
                           "def"),
         RwPasswordCheck::NotAnsi,
         {}},
        {QString::fromUtf8("\xF0\x9F\x98\x80"
                           "abcde"),
         RwPasswordCheck::NotAnsi,
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        const RwPasswordOutcome out = check_rw_password(row.text);
        EXPECT_EQ(out.result, row.result);
        if (row.result != RwPasswordCheck::Accepted) {
            EXPECT_FALSE(out.message.isEmpty());
            continue;
        }
        PagerTable t = build_default_image();
        store_rw_password(t, out.bytes);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(t[0x3B7 + i], row.bytes[static_cast<std::size_t>(i)]);
        EXPECT_EQ(rw_password_text(t), row.text);
    }
    EXPECT_EQ(check_rw_password("").message, "Please input 6 Charcter!");
}

TEST(AnsiText, EveryByteSurvivesTheRoundTrip) {
    for (int b = 0; b < 256; ++b) {
        const auto back = unicode_to_ansi(ansi_to_unicode(static_cast<std::uint8_t>(b)));
        ASSERT_TRUE(back.has_value()) << b;
        EXPECT_EQ(*back, b);
    }
    EXPECT_FALSE(unicode_to_ansi(0x100).has_value());
}

TEST(ManualPassword, OnlyDigitsAreStoredOneByteEach) {
    struct Row {
        const char* text;
        ManualPasswordCheck result;
        Digits digits; // thousands first
    };
    const Row rows[] = {
        {"7", ManualPasswordCheck::Accepted, {0, 0, 0, 7}},    {"12", ManualPasswordCheck::Accepted, {0, 0, 1, 2}},
        {"9876", ManualPasswordCheck::Accepted, {9, 8, 7, 6}}, {"", ManualPasswordCheck::Empty, {}},
        {"12345", ManualPasswordCheck::OutOfRange, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const ManualPasswordOutcome out = check_manual_password(row.text);
        EXPECT_EQ(out.result, row.result);
        if (row.result == ManualPasswordCheck::Accepted) {
            EXPECT_EQ(out.digits, row.digits);
        }
    }
    EXPECT_EQ(check_manual_password("12345").message, "Please insert a number between 0000 to 9999");
    for (const char* text : {"1.5", "-1", "+1", "1e3", "&H12", "12a", " ", "1 2"}) {
        const ManualPasswordOutcome out = check_manual_password(text);
        EXPECT_EQ(out.result, ManualPasswordCheck::NotNumeric) << text;
        EXPECT_EQ(out.message, "Please insert a decimal numeric!") << text;
    }
    PagerTable t = build_default_image();
    store_manual_password(t, {0, 0, 4, 2});
    EXPECT_EQ(t[0x36F], 0);
    EXPECT_EQ(t[0x36D], 4);
    EXPECT_EQ(t[0x36C], 2);
    EXPECT_EQ(manual_password_text(t), "0042");
    t[0x36F] = 12; // not a digit: shown as its decimal text
    EXPECT_EQ(manual_password_text(t), "12042");
}
