#include "ansi_text.h"
#include "default_image.h"
#include "frequency.h"
#include "password.h"

#include <gtest/gtest.h>

using namespace qrt58;

namespace {

std::array<std::uint8_t, 6> rw_bytes(const PagerTable& t) {
    std::array<std::uint8_t, 6> b{};
    for (int i = 0; i < 6; ++i) b[static_cast<std::size_t>(i)] = t[0x3B7 + i];
    return b;
}

// Stores what the box holds when it is left, as the window does.
PagerTable leave_rw_box(const QString& text) {
    PagerTable t = build_default_image();
    const RwPasswordOutcome out = check_rw_password(text);
    if (out.result == RwPasswordCheck::Accepted) store_rw_password(t, out.bytes);
    return t;
}

} // namespace

TEST(RwPassword, SpacesAreStoredAsCodes) {
    EXPECT_EQ(rw_bytes(leave_rw_box("      ")), (std::array<std::uint8_t, 6>{32, 32, 32, 32, 32, 32}));
    EXPECT_EQ(rw_bytes(leave_rw_box("ab    ")),
              (std::array<std::uint8_t, 6>{0x61, 0x62, 0x20, 0x20, 0x20, 0x20}));
    EXPECT_EQ(rw_bytes(leave_rw_box(" a1B2 ")),
              (std::array<std::uint8_t, 6>{0x20, 0x61, 0x31, 0x42, 0x32, 0x20}));
    PagerTable t = leave_rw_box("ab    ");
    EXPECT_EQ(rw_password_text(t), "ab    ");
}

TEST(RwPassword, ShortTextIsRefused) {
    const PagerTable untouched = build_default_image();
    for (const QString& text : {QString(), QString("abcde"), QString("     ")}) {
        const RwPasswordOutcome out = check_rw_password(text);
        EXPECT_EQ(out.result, RwPasswordCheck::TooShort) << text.toStdString();
        EXPECT_EQ(out.message, "Please input 6 Charcter!");
        EXPECT_EQ(leave_rw_box(text), untouched);
    }
}

TEST(RwPassword, WesternCharactersUseTheirCodePageByte) {
    // e-acute is 0xE9 and the euro sign 0x80 in the Western code page.
    const RwPasswordOutcome out = check_rw_password(QString::fromUtf8("\xC3\xA9\xE2\x82\xAC" "abcd"));
    ASSERT_EQ(out.result, RwPasswordCheck::Accepted);
    EXPECT_EQ(out.bytes[0], 0xE9);
    EXPECT_EQ(out.bytes[1], 0x80);
    PagerTable t = build_default_image();
    store_rw_password(t, out.bytes);
    EXPECT_EQ(rw_password_text(t), QString::fromUtf8("\xC3\xA9\xE2\x82\xAC" "abcd"));
}

TEST(RwPassword, CharacterWithoutOneByteCodeIsRefused) {
    const PagerTable untouched = build_default_image();
    // A CJK character and a character outside the basic plane (a surrogate pair).
    for (const QString& text : {QString::fromUtf8("ab\xE4\xB8\xAD" "def"), QString::fromUtf8("\xF0\x9F\x98\x80" "abcde")}) {
        const RwPasswordOutcome out = check_rw_password(text);
        EXPECT_EQ(out.result, RwPasswordCheck::NotAnsi);
        EXPECT_FALSE(out.message.isEmpty());
        EXPECT_EQ(leave_rw_box(text), untouched);
    }
}

TEST(AnsiText, EveryByteSurvivesTheRoundTrip) {
    for (int b = 0; b < 256; ++b) {
        const auto back = unicode_to_ansi(ansi_to_unicode(static_cast<std::uint8_t>(b)));
        ASSERT_TRUE(back.has_value()) << b;
        EXPECT_EQ(*back, b);
    }
    EXPECT_FALSE(unicode_to_ansi(0x4E2D).has_value());
    EXPECT_FALSE(unicode_to_ansi(0x100).has_value());
}

TEST(ManualPassword, DigitsAreStoredThousandsFirst) {
    PagerTable t = build_default_image();
    auto type = [&](const QString& text) {
        const ManualPasswordOutcome out = check_manual_password(text);
        if (out.result == ManualPasswordCheck::Accepted) store_manual_password(t, out.digits);
        return out.result;
    };
    EXPECT_EQ(type("1"), ManualPasswordCheck::Accepted);
    EXPECT_EQ(t[0x36F], 0);
    EXPECT_EQ(t[0x36E], 0);
    EXPECT_EQ(t[0x36D], 0);
    EXPECT_EQ(t[0x36C], 1);
    EXPECT_EQ(type("12"), ManualPasswordCheck::Accepted);
    EXPECT_EQ(t[0x36D], 1);
    EXPECT_EQ(t[0x36C], 2);
    EXPECT_EQ(manual_password_text(t), "0012");
    EXPECT_EQ(type("7"), ManualPasswordCheck::Accepted);
    EXPECT_EQ(manual_password_text(t), "0007");
    EXPECT_EQ(type("9876"), ManualPasswordCheck::Accepted);
    EXPECT_EQ(t[0x36F], 9);
    EXPECT_EQ(t[0x36C], 6);
    EXPECT_EQ(manual_password_text(t), "9876");
    EXPECT_EQ(type(""), ManualPasswordCheck::Empty);
    EXPECT_EQ(manual_password_text(t), "9876");
}

TEST(ManualPassword, NonDigitNumbersAreRefusedAndStoreNothing) {
    PagerTable t = build_default_image();
    store_manual_password(t, {4, 3, 2, 1});
    const PagerTable before = t;
    for (const char* text : {"1.5", "-1", "+1", "1e3", "&H12", "12a", " ", "1 2", "0x1"}) {
        const ManualPasswordOutcome out = check_manual_password(text);
        EXPECT_EQ(out.result, ManualPasswordCheck::NotNumeric) << text;
        EXPECT_EQ(out.message, "Please insert a decimal numeric!") << text;
    }
    const ManualPasswordOutcome longer = check_manual_password("12345");
    EXPECT_EQ(longer.result, ManualPasswordCheck::OutOfRange);
    EXPECT_EQ(longer.message, "Please insert a number between 0000 to 9999");
    EXPECT_EQ(t, before);
}

TEST(ManualPassword, StoredBytesAreShownAsTheyStand) {
    PagerTable t = build_default_image();
    EXPECT_EQ(manual_password_text(t), "0000");
    t[0x36F] = 12; // not a digit: shown as its decimal text, not rewritten
    EXPECT_EQ(manual_password_text(t), "12000");
}
