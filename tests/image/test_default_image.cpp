#include "default_image.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

using namespace qrt58;

namespace {

std::vector<std::uint8_t> hex(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::uint8_t> out;
    std::string b;
    while (in >> b) out.push_back(static_cast<std::uint8_t>(std::stoi(b, nullptr, 16)));
    return out;
}

void expect_bytes(const PagerTable& t, int address, const std::string& hexText) {
    const auto bytes = hex(hexText);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        EXPECT_EQ(t[address + static_cast<int>(i)], bytes[i]) << "at 0x" << std::hex << address + static_cast<int>(i);
}

void expect_record(const PagerTable& t, int address, int attribute, const std::string& text, int size,
                   std::uint8_t pad = 0x20) {
    EXPECT_EQ(t[address], attribute) << "record at 0x" << std::hex << address;
    EXPECT_EQ(t[address + 1], text.size()) << "record at 0x" << std::hex << address;
    for (int i = 0; i < size - 2; ++i) {
        const std::uint8_t want =
            i < static_cast<int>(text.size()) ? static_cast<std::uint8_t>(text[static_cast<std::size_t>(i)]) : pad;
        EXPECT_EQ(t[address + 2 + i], want) << "at 0x" << std::hex << address + 2 + i;
    }
}

} // namespace

TEST(DefaultImage, ListedRows) {
    const PagerTable t = build_default_image();
    expect_bytes(t, 0x000, "FF FF FF FF 00 00 B4 A0 00 00 28 01 00 02 05 05");
    expect_bytes(t, 0x010, "05 05 05 05 05 05 05 05 05 05 05 05 05 05 0A 0A");
    expect_bytes(t, 0x020, "0A 0A 0A 0A 0A 04 04 04 04 04 04 04 5A 96 24 09");
    expect_bytes(t, 0x030, "1F 24 7E DF FF FF DE 00 00 60 42 AE 40 2A F2 00");
    expect_bytes(t, 0x040, "01 00 03 88 02 00 00 00 03 80 FF FF 04 00 00 00");
    expect_bytes(t, 0x050, "05 00 00 00 06 00 00 00 0F 00 00 00 10 00 00 CC");
    expect_bytes(t, 0x060, "11 80 02 06 12 80 02 06 13 80 02 02 14 80 02 02");
    expect_bytes(t, 0x070, "78 00 00 01 15 00 00 00 16 00 C2 01 17 00 43 00");
    expect_bytes(t, 0x080, "18 00 42 00 19 00 43 00 1A 00 00 00 1B 00 00 00");
    expect_bytes(t, 0x090, "20 00 01 00 21 00 01 00 22 00 01 00 23 00 01 00");
    expect_bytes(t, 0x0A0, "24 00 01 00 25 00 01 00 26 00 01 00 27 00 01 00");
    for (int r = 0; r < 16; ++r) {
        EXPECT_EQ(t[0xB0 + 4 * r], 0x80 + r);
        expect_bytes(t, 0xB1 + 4 * r, "13 56 87");
    }
    expect_bytes(t, 0x0F0, "00 14 E7 90 00 17 58 90 07 08 09 0A 0B 0C 0D FF");
    expect_bytes(t, 0x344, "00 00 00 00 00 00 00 00 00 00 00 00");
    expect_bytes(t, 0x350, "18 18 00 00 00 00 00 00 01 01 01 01 00 FF FF FF");
    expect_bytes(t, 0x360, "21 14 18 1C 21 24 27 2A 2C 04 A3 22");
    expect_bytes(t, 0x370, "00 00 08 00 00 00 00 00 00 00 00 00 00 00 00 00");
    expect_bytes(t, 0x380, "00 00 00 08 FF FF FF FF FF FF FF FF 0F 0F 0F 00");
    expect_bytes(t, 0x390, "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    expect_bytes(t, 0x3A0, "18 18 00 00 00 00 00 00 FF FF FF FF FF FF FF FF");
    expect_bytes(t, 0x3B0, "0E 08 CC D9 E1 16 1C");
    expect_bytes(t, 0x3BD, "FF FF 20");
    for (int a = 0x3C0; a <= 0x3FF; ++a) {
        const int want = a == 0x3D3 ? 0x08 : (a >= 0x3D4 && a <= 0x3DB) ? 0xFF : (a >= 0x3DC && a <= 0x3DE) ? 0x0F : 0;
        EXPECT_EQ(t[a], want) << std::hex << a;
    }
    expect_bytes(t, 0x554, "01 01 01 01 01 01 01 01 01 01 01 01");
    expect_bytes(t, 0x560, "01 01 01 01 08 08 08 08 08 08 08 08 08 08 08 08");
    expect_bytes(t, 0x570, "08 08 08 08 AA AA CC CC EE EE F0 F0 F8 F8 FC FC");
    expect_bytes(t, 0x580, "FE FE FF 00 88 88 E4 E4 BE BE FF 33 FF AA FF 11");
    expect_bytes(t, 0x590, "FF 76 FF 16 0C D9 FF 10");
    EXPECT_EQ(t[0x5C0], 0x0E);
    EXPECT_EQ(t[0x5D5], 0x80);
}

TEST(DefaultImage, PasswordsAreDigitsOfTheStoredForm) {
    const PagerTable t = build_default_image();
    for (int a = 0x36C; a <= 0x36F; ++a) EXPECT_LE(t[a], 9);
    for (int a = 0x3B7; a <= 0x3BC; ++a) {
        EXPECT_GE(t[a], '0');
        EXPECT_LE(t[a], '9');
    }
}

TEST(DefaultImage, PromptRecordsOutsideTheLanguageBlock) {
    const PagerTable t = build_default_image();
    expect_record(t, 0x598, 69, "SET CAPCODE", 20);
    expect_record(t, 0x5AC, 5, "CAPCODE SET", 20);
    expect_record(t, 0x5C1, 37, "OUT OF RANGE", 20);
    expect_record(t, 0x5D6, 67, "BEEP AND VIBRATE", 20);
    // These keep the 0xFF fill after their text.
    expect_record(t, 0x5EA, 39, "CHARGING", 20, 0xFF);
    expect_record(t, 0x701, 67, "FLASH ONLY", 20, 0xFF);
    expect_record(t, 0x716, 67, "DISCRETE BEEP", 20, 0xFF);
    EXPECT_EQ(t[0x72B], 160);
    EXPECT_EQ(t[0x72C], 5);
    expect_record(t, 0x72E, 67, "BEEPING", 20, 0xFF);
    EXPECT_EQ(t[0x715], 132);
    EXPECT_EQ(t[0x72D], 127);
    EXPECT_EQ(t[0x72A], 0);
    EXPECT_EQ(t[0x5FE], 204);
    EXPECT_EQ(t[0x5FF], 3);
    EXPECT_EQ(t[0x700], 150);
}

TEST(DefaultImage, FillSignatureAndChecksumBytes) {
    const PagerTable t = build_default_image();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&t.bytes[0x7E0]), 12), "QRT58 V05.02");
    for (int a = 0x7EC; a <= 0x7FF; ++a) EXPECT_EQ(t[a], 0xFF) << std::hex << a;
    std::set<int> set_bytes = {0x700, 0x715, 0x72A, 0x72B, 0x72C, 0x72D};
    for (int a = 0x737; a < 0x7E0; ++a)
        if (!set_bytes.count(a)) {
            EXPECT_EQ(t[a], 0xFF) << std::hex << a;
        }
    for (int a = 0x5F4; a < 0x5FE; ++a) EXPECT_EQ(t[a], 0xFF) << std::hex << a;
}

TEST(DefaultImage, SourcePrompts) {
    const PagerTable t = build_default_image();
    expect_record(t, 0x400, 8, "< 1 >", 20);
    expect_record(t, 0x400 + 20 * 8, 8, "< 9 >", 20);
    expect_record(t, 0x400 + 20 * 9, 7, "< 10 >", 20);
    expect_record(t, 0x400 + 20 * 15, 7, "< 16 >", 20);
    expect_record(t, 0x540, 7, "<Group>", 20);
}

TEST(DefaultImage, PromptBlockIsTheEnglishTable) {
    const PagerTable t = build_default_image();
    const PromptBlock& en = language_table(Language::English);
    for (int i = 0; i < kPromptBlockSize; ++i) EXPECT_EQ(t[0x100 + i], en[static_cast<std::size_t>(i)]);
    expect_record(t, 0x100, 5, "VANTOR  ", 20); // length counts the two trailing spaces
    expect_record(t, 0x2CC, 39, "START    END", 20);
    expect_record(t, 0x330, 71, "ZOOM OUT", 20);
}

TEST(LanguageTables, QuirksOfTheOtherLanguages) {
    auto record = [](Language l, int r) {
        const PromptBlock& b = language_table(l);
        return std::string(reinterpret_cast<const char*>(&b[static_cast<std::size_t>(20 * r)]), 20);
    };
    EXPECT_EQ(record(Language::Spanish, 0), std::string("\x05\x06") + "VANTOR            ");
    EXPECT_EQ(record(Language::French, 0), std::string("\x05\x08") + "VANTOR            ");
    EXPECT_EQ(record(Language::French, 5), std::string("\x46\x0A") + "EFFACEMENTLETE    ");
    EXPECT_EQ(record(Language::French, 17), std::string("\x45\x0C") + "EFFACEMENT ?TE ?  ");
    EXPECT_EQ(record(Language::French, 22), std::string("\x46\x0A") + "REG.VEILLE SET    ");
    EXPECT_EQ(record(Language::Spanish, 23), std::string("\x25\x0B") + "ON      OFF       ");
    EXPECT_EQ(record(Language::Portuguese, 7), std::string("\x41\x12") + "MOVER PARA PESSOAL");
    EXPECT_EQ(record(Language::French, 27), std::string("\x47\x08") + "ZOOM OUI          ");
}

TEST(ConstantTables, PresetsBatteryLevelsAndMelodies) {
    PagerTable t;
    apply_range_preset(t, 4);
    expect_bytes(t, 0x000, "FF FF FF FF 00 02 36 A2 00 00 28 01 00 04 19 05");
    expect_bytes(t, 0x0F0, "00 8D 9A 7D 00 8E 0F AD");
    EXPECT_EQ(range_presets()[1].freq[3], 13);
    EXPECT_EQ(range_presets()[2].synth[14], 25); // 5 kHz raster preset with a 25 byte

    const auto& levels = battery_levels();
    EXPECT_STREQ(levels.front().text, "2.68V");
    EXPECT_EQ(levels.front().value, 228);
    EXPECT_STREQ(levels.back().text, "2.35V");
    EXPECT_EQ(levels.back().value, 200);

    const PagerTable d = build_default_image();
    expect_bytes(d, 0x600, "76 69 5E 00 76 69 5E 00 76 69 5E 00 76 69 5E 00"); // cde0...
    expect_bytes(d, 0x640, "EE D4 BD B2 00 EE D4 00 EE D4 BD B2 00 EE D4 00"); // CDEF0CD0...
    expect_bytes(d, 0x6F0, "9E 76 5E 4F 4F 4F 4F 4F 8D 9E 5E 76 5E 5E 5E 5E"); // GcegggggAGeceeee
    EXPECT_EQ(note_char(94), 'e');
    EXPECT_EQ(note_char(1), ' ');
    EXPECT_EQ(note_code('x'), 'x');
}
