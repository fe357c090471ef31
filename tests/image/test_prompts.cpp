// Prompt and source-prompt records, alignment, the language switch and the
// display settings, on plain images.
#include "display.h"
#include "password.h"
#include "prompts.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace qrt58;

namespace {

// Readable failure output for texts.
std::string s(const QString& q) { return q.toStdString(); }

std::string record_chars(const PagerTable& t, int address) {
    return std::string(reinterpret_cast<const char*>(t.data() + address + 2), t[address + 1]);
}

PagerTable random_image(unsigned seed) {
    std::mt19937 rng(seed);
    PagerTable t;
    for (auto& b : t.bytes) b = static_cast<std::uint8_t>(rng());
    return t;
}

constexpr int kPrompt1 = 0x114;
constexpr int kPrompt14 = 0x218; // alert-mode prompt behind the icon

} // namespace

TEST(PromptRecord, LeadingSpacesBecomeTheStartColumnAndComeBack) {
    PagerTable t = build_default_image();
    t[kPrompt1] = 0xA6; // high nibble: attribute carried unchanged
    ASSERT_EQ(store_prompt(t, kPrompt1, false, QStringLiteral("  ABC ")).status, PromptStoreStatus::Stored);
    EXPECT_EQ(t[kPrompt1], 0xA3);
    EXPECT_EQ(record_chars(t, kPrompt1), "ABC");
    EXPECT_EQ(s(prompt_text(t, kPrompt1, false)), "  ABC");

    // Behind the icon the column counts two more.
    ASSERT_EQ(store_prompt(t, kPrompt14, true, QStringLiteral("  ABC")).status, PromptStoreStatus::Stored);
    EXPECT_EQ(t[kPrompt14] & 0x0F, 5);
    EXPECT_EQ(t[kPrompt14] & 0xF0, 67 & 0xF0);
    EXPECT_EQ(s(prompt_text(t, kPrompt14, true)), "  ABC");

    // Sixteen spaces reach the cap of 15: the text comes back after 14.
    store_prompt(t, kPrompt1, false, QString(16, QLatin1Char(' ')) + QStringLiteral("AB"));
    EXPECT_EQ(t[kPrompt1] & 0x0F, 15);
    EXPECT_EQ(s(prompt_text(t, kPrompt1, false)), std::string(14, ' ') + "AB");
    store_prompt(t, kPrompt14, true, QString(13, QLatin1Char(' ')) + QStringLiteral("AB"));
    EXPECT_EQ(t[kPrompt14] & 0x0F, 15);
}

TEST(PromptRecord, EmptyBoxKeepsTheColumnAndTooMuchTextNeverSpills) {
    PagerTable t = build_default_image();
    store_prompt(t, kPrompt1, false, QString());
    EXPECT_EQ(t[kPrompt1], 6); // column kept
    EXPECT_EQ(t[kPrompt1 + 1], 0);

    const PagerTable before = t;
    // Nineteen characters after trimming do not fit the record.
    EXPECT_EQ(store_prompt(t, kPrompt1, false, QStringLiteral(" ABCDEFGHIJKLMNOPQRS ")).status,
              PromptStoreStatus::TooLong);
    EXPECT_EQ(t, before);
    // A character without a one-byte code is refused, not written as '?'.
    const PromptStoreResult r = store_prompt(t, kPrompt1, false, QStringLiteral("A\u03A9B"));
    EXPECT_EQ(r.status, PromptStoreStatus::NotEncodable);
    EXPECT_EQ(r.bad_char, QString(QChar(0x03A9)));
    EXPECT_EQ(t, before);
    // The message names the whole character; control characters are refused
    // too, by their code.
    const std::pair<QString, QString> refused[] = {
        {QStringLiteral("A\U0001F600"), QStringLiteral("\U0001F600")},
        {QStringLiteral("A\tB"), QStringLiteral("U+0009")},
        {QStringLiteral("A\nB"), QStringLiteral("U+000A")},
        {QStringLiteral("\x1B[2J"), QStringLiteral("U+001B")},
        {QStringLiteral("A\x7F"), QStringLiteral("U+007F")},
    };
    for (const auto& [text, name] : refused) {
        for (const PromptStoreResult& result :
             {store_prompt(t, kPrompt1, false, text), store_source_prompt(t, 0x400, text)}) {
            EXPECT_EQ(result.status, PromptStoreStatus::NotEncodable) << text.toStdString();
            EXPECT_EQ(prompt_refusal_message(result),
                      QStringLiteral("The pager can not show the character \"%1\"!").arg(name));
        }
        const RwPasswordOutcome password = check_rw_password(text + QStringLiteral("ABCDEF"));
        EXPECT_EQ(password.result, RwPasswordCheck::NotAnsi) << text.toStdString();
        EXPECT_TRUE(password.message.contains(QLatin1Char('"') + name + QLatin1Char('"')))
            << password.message.toStdString();
    }
    EXPECT_EQ(t, before);
    EXPECT_EQ(store_source_prompt(t, 0x400, QStringLiteral("\u20AC\U0001F600")).status,
              PromptStoreStatus::NotEncodable);
    EXPECT_EQ(t, before);

    // Windows-1252 characters are stored by their code and shown again.
    ASSERT_EQ(store_prompt(t, kPrompt1, false, QStringLiteral("\u00C9T\u00C9 \u20AC")).status,
              PromptStoreStatus::Stored);
    EXPECT_EQ(t[kPrompt1 + 2], 0xC9);
    EXPECT_EQ(t[kPrompt1 + 6], 0x80);
    EXPECT_EQ(prompt_text(t, kPrompt1, false), QStringLiteral("\u00C9T\u00C9 \u20AC"));
}

TEST(PromptRecord, OddStoredRecordsShowWithoutFailing) {
    PagerTable t = build_default_image();
    // Icon prompts with a column of 1 or 2 have no room for spaces.
    t[kPrompt14] = 0x41;
    EXPECT_EQ(s(prompt_text(t, kPrompt14, true)), "SLEEP");
    t[kPrompt14] = 0x42;
    EXPECT_EQ(s(prompt_text(t, kPrompt14, true)), "SLEEP");
    // A length above 18 shows the record's own 18 characters only.
    t[kPrompt1] = 1;
    t[kPrompt1 + 1] = 200;
    EXPECT_EQ(prompt_text(t, kPrompt1, false).size(), 18);
    // Nor does a record at the end of the image read past it.
    t[0x7F0] = 3;
    t[0x7F1] = 255;
    EXPECT_EQ(prompt_text(t, 0x7F0, false).size(), 2 + 14);
    EXPECT_EQ(source_prompt_text(t, 0x7F0).size(), 3 + 14);
}

TEST(SourcePromptRecord, ColumnIsTheSpacesAndTheTextIsNeverEmpty) {
    PagerTable t = build_default_image();
    t[0x400] = 0x98;
    store_source_prompt(t, 0x400, QString());
    EXPECT_EQ(t[0x400], 0x90);
    EXPECT_EQ(t[0x401], 1);
    EXPECT_EQ(t[0x402], ' ');

    // Spaces past 15 move into the text.
    store_source_prompt(t, 0x400, QString(20, QLatin1Char(' ')) + QStringLiteral("A"));
    EXPECT_EQ(t[0x400] & 0x0F, 15);
    EXPECT_EQ(record_chars(t, 0x400), "     A");
    EXPECT_EQ(source_prompt_text(t, 0x400), QString(20, QLatin1Char(' ')) + QStringLiteral("A"));

    store_source_prompt(t, 0x414, QStringLiteral("  AB  "));
    EXPECT_EQ(t[0x414], 2);
    EXPECT_EQ(record_chars(t, 0x414), "AB");

    const PagerTable before = t;
    EXPECT_EQ(store_source_prompt(t, 0x428, QStringLiteral("ABCDEFGHIJKLMNOPQRS")).status, PromptStoreStatus::TooLong);
    EXPECT_EQ(t, before);
}

TEST(PromptAlignment, CentreAndRightInTheBoxLength) {
    const QString four = QStringLiteral(" ABCD ");
    EXPECT_EQ(s(align_prompt(four, Alignment::Left, 20)), "ABCD");
    EXPECT_EQ(s(align_prompt(QStringLiteral("ABC"), Alignment::Center, 21)), std::string(9, ' ') + "ABC");
    // A loaded text longer than the box is left as it is.
    EXPECT_EQ(align_prompt(QString(25, QLatin1Char('x')), Alignment::Right, 20).size(), 25);

    // Centre: 8 spaces, column 9; right: 16 spaces, capped at column 15.
    PagerTable t = build_default_image();
    store_prompt(t, kPrompt1, false, align_prompt(four, Alignment::Center, 20));
    EXPECT_EQ(t[kPrompt1] & 0x0F, 9);
    store_prompt(t, kPrompt1, false, align_prompt(four, Alignment::Right, 20));
    EXPECT_EQ(t[kPrompt1] & 0x0F, 15);
    EXPECT_EQ(s(prompt_text(t, kPrompt1, false)), std::string(14, ' ') + "ABCD");

    // Auto Cap. of a seven-digit capcode: nine characters in 21 columns.
    const QString cap = align_prompt(auto_cap_text(QStringLiteral("1234567")), Alignment::Center, 21);
    store_source_prompt(t, 0x400, cap);
    EXPECT_EQ(t[0x400] & 0x0F, 6);
    EXPECT_EQ(record_chars(t, 0x400), "<1234567>");
}

TEST(PromptSlots, RecordsLieApartAndMatchTheLanguageBlock) {
    std::vector<int> owner(kImageSize, -1);
    int icons = 0;
    auto claim = [&](int index, int address) {
        for (int a = address; a < address + kPromptRecordSize; ++a) {
            ASSERT_LT(a, kImageSize);
            EXPECT_EQ(owner[a], -1) << "prompts " << owner[a] << " and " << index << " share 0x" << std::hex << a;
            owner[a] = index;
        }
    };
    for (const PromptSlot& p : prompt_slots()) {
        claim(p.index, p.address);
        if (p.index <= 28) {
            EXPECT_EQ(p.address, 0x100 + 20 * p.index);
        }
        EXPECT_EQ(p.max_length, p.icon ? 18 : p.index == 0 ? 15 : 20);
        icons += p.icon;
    }
    for (int i = kSourcePromptFirst; i <= kGroupSourcePrompt; ++i) claim(i, source_prompt_address(i));
    EXPECT_EQ(icons, 7);
    // Settings that sit between the records.
    for (int a : {0x5C0, 0x5D5, 0x715, 0x72A, 0x72B, 0x72C, 0x72D, 0x554}) EXPECT_EQ(owner[a], -1) << std::hex << a;
    EXPECT_EQ(source_prompt_address(kGroupSourcePrompt), 0x540);
}

TEST(Language, SwitchReplacesExactlyThePromptBlockAndBothCodes) {
    const PagerTable before = random_image(7);
    PagerTable t = before;
    apply_language(t, Language::French);
    for (int a = 0; a < kImageSize; ++a) {
        if (a >= 0x100 && a <= 0x343)
            ASSERT_EQ(t[a], language_table(Language::French)[static_cast<std::size_t>(a - 0x100)]) << std::hex << a;
        else if (a == 0x3A || a == 0x3E) EXPECT_EQ(t[a], (before[a] & 0xF0) | 6) << std::hex << a;
        else ASSERT_EQ(t[a], before[a]) << std::hex << a;
    }
    EXPECT_EQ(language_of_code(5), Language::Spanish);
    EXPECT_FALSE(language_of_code(3).has_value());
}

TEST(DisplaySettings, ContrastAboveEightShowsFourAndBatteryLevelsMustRise) {
    PagerTable t = build_default_image();
    t[kContrastAddress] = 12;
    EXPECT_EQ(contrast_to_show(t), 4);
    t[kContrastAddress] = 8;
    EXPECT_EQ(contrast_to_show(t), 8);
    EXPECT_TRUE(battery_levels_ordered(t)); // 204 < 217 < 225
    t[0x3B2] = 217;                         // Low equal to Med
    EXPECT_FALSE(battery_levels_ordered(t));
    t[0x3B2] = 204;
    t[0x3B4] = 217; // High equal to Med
    EXPECT_FALSE(battery_levels_ordered(t));
}
