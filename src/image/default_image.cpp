#include "default_image.h"

#include <stdexcept>

namespace qrt58 {
namespace {

struct PromptRow {
    std::uint8_t attribute;
    std::uint8_t length;
    const char* field; // the 18 text bytes of the record
};

using LanguageRows = std::array<PromptRow, kLanguagePromptCount>;

// Records 0-28 of the prompt block per language. The length byte counts the shown
// text; the bytes after it are spaces except the French leftovers of longer words
// (records 5, 17 and 22), which the receiver firmware carries as they are.
const std::array<LanguageRows, kLanguageCount> kLanguageRows = {{
    // English
    {{
        {5, 8, "VANTOR            "},   // 0
        {6, 8, "NO PAGES          "},   // 1
        {69, 12, "UP OR ESCAPE      "}, // 2
        {69, 12, "MESSAGE LOCK      "}, // 3
        {68, 14, "MESSAGE UNLOCK    "}, // 4
        {68, 14, "MESSAGE DELETE    "}, // 5
        {70, 10, "DELETE ALL        "}, // 6
        {69, 12, "MOVE TO MEMO      "}, // 7
        {70, 10, "SET SCROLL        "}, // 8
        {71, 8, "SET TIME          "},  // 9
        {70, 9, "SET ALARM         "},  // 10
        {70, 9, "SET ALERT         "},  // 11
        {70, 9, "PAGER OFF         "},  // 12
        {0, 9, "TONE ONLY         "},   // 13
        {67, 5, "SLEEP             "},  // 14
        {67, 7, "VIBRATE           "},  // 15
        {69, 11, "PAGER OFF ?       "}, // 16
        {68, 16, "MESSAGE DELETE ?  "}, // 17
        {70, 12, "DELETE ALL ?      "}, // 18
        {34, 8, "TIME SET          "},  // 19
        {34, 9, "ALARM SET         "},  // 20
        {34, 10, "SCROLL SET        "}, // 21
        {68, 14, "AUTO SLEEP SET    "}, // 22
        {39, 12, "START    END      "}, // 23
        {70, 12, "MESSAGE AREA      "}, // 24
        {69, 14, "MAIL DROP AREA    "}, // 25
        {67, 17, "BEEP THEN VIBRATE "}, // 26
        {72, 7, "ZOOM IN           "},  // 27
        {71, 8, "ZOOM OUT          "},  // 28
    }},
    // Spanish
    {{
        {5, 6, "VANTOR            "},   // 0
        {5, 11, "SIN MESAJES       "},  // 1
        {66, 17, "ARRIBA PARA SALIR "}, // 2
        {67, 16, "BLOQUEAR MENSAJE  "}, // 3
        {67, 16, "DESBLOQ. MENSAJE  "}, // 4
        {72, 6, "BORRAR            "},  // 5
        {69, 12, "BORRAR TODOS      "}, // 6
        {66, 17, "AGREGAR A LIBRETA "}, // 7
        {67, 16, "ROLLO DE MENSAJE  "}, // 8
        {69, 12, "AJUSTAR HORA      "}, // 9
        {68, 14, "AJUSTAR ALARMA    "}, // 10
        {66, 17, "ALERTA SILENCIOSA "}, // 11
        {72, 6, "APAGAR            "},  // 12
        {0, 9, "SOLO TONO         "},   // 13
        {68, 7, "DORMIDA           "},  // 14
        {68, 10, "SILENCIOSA        "}, // 15
        {70, 8, "APAGAR ?          "},  // 16
        {70, 8, "BORRAR ?          "},  // 17
        {68, 14, "BORRAR TODOS ?    "}, // 18
        {34, 12, "AJUSTAR HORA      "}, // 19
        {34, 14, "AJUSTAR ALARMA    "}, // 20
        {34, 16, "ROLLO DE MENSAJE  "}, // 21
        {69, 12, "AUTO DORMIDA      "}, // 22
        {37, 11, "ON      OFF       "}, // 23
        {69, 12, "MENSAJE AREA      "}, // 24
        {68, 14, "MAIL DROP AREA    "}, // 25
        {67, 17, "BEEP THEN VIBRATE "}, // 26
        {72, 7, "ZOOM IN           "},  // 27
        {71, 8, "ZOOM OUT          "},  // 28
    }},
    // French
    {{
        {5, 8, "VANTOR            "},   // 0
        {4, 14, "PAS DE MESSAGE    "},  // 1
        {67, 16, "MONTER OU SORTIR  "}, // 2
        {69, 12, "VERROUILLAGE      "}, // 3
        {68, 14, "DEVERROUILLAGE    "}, // 4
        {70, 10, "EFFACEMENTLETE    "}, // 5
        {69, 12, "EFFACER TOUT      "}, // 6
        {68, 13, "DEP > MEMOIRE     "}, // 7
        {68, 14, "Reg.DEFILEMENT    "}, // 8
        {70, 9, "Reg.HEURE         "},  // 9
        {70, 10, "Reg.ALARME        "}, // 10
        {70, 10, "Reg.ALERTE        "}, // 11
        {69, 11, "ARRET PAGER       "}, // 12
        {1, 14, "TON UNIQUEMENT    "},  // 13
        {67, 14, "MISE EN VEILLE    "}, // 14
        {67, 10, "SILENCIEUX        "}, // 15
        {68, 13, "ARRET PAGER ?     "}, // 16
        {69, 12, "EFFACEMENT ?TE ?  "}, // 17
        {68, 14, "EFFACER TOUT ?    "}, // 18
        {34, 9, "Reg.HEURE         "},  // 19
        {34, 10, "Reg.ALARME        "}, // 20
        {34, 14, "Reg.DEFILEMENT    "}, // 21
        {70, 10, "REG.VEILLE SET    "}, // 22
        {38, 13, "DEPART    FIN     "}, // 23
        {67, 16, "ZONE DE MESSAGES  "}, // 24
        {66, 18, "ZONE BOITE LETTRES"}, // 25
        {67, 17, "BEEP THEN VIBRATE "}, // 26
        {71, 8, "ZOOM OUI          "},  // 27
        {71, 8, "ZOOM NON          "},  // 28
    }},
    // Portuguese
    {{
        {5, 6, "VANTOR            "},   // 0
        {4, 13, "SEM MENSAGEMS     "},  // 1
        {66, 18, "PROSSEGUIR OU SAIR"}, // 2
        {66, 17, "BLOQUEAR MENSAGEM "}, // 3
        {66, 17, "DESBLOQ. MENSAGEM "}, // 4
        {72, 6, "APAGAR            "},  // 5
        {69, 12, "APAGAR TODAS      "}, // 6
        {65, 18, "MOVER PARA PESSOAL"}, // 7
        {66, 17, "ROLLO DE MENSAGEM "}, // 8
        {69, 12, "AJUSTAR HORA      "}, // 9
        {68, 14, "AJUSTAR ALARME    "}, // 10
        {66, 17, "ALERTA SILENCIOSO "}, // 11
        {67, 15, "DESLIGAR BEEPER   "}, // 12
        {0, 6, "SO TOM            "},   // 13
        {68, 10, "INOPERANTE        "}, // 14
        {68, 10, "SILENCIOSO        "}, // 15
        {66, 17, "DESLIGAR BEEPER ? "}, // 16
        {69, 8, "APAGAR ?          "},  // 17
        {68, 14, "APAGAR TODAS ?    "}, // 18
        {34, 12, "AJUSTAR HORA      "}, // 19
        {34, 14, "AJUSTAR ALARME    "}, // 20
        {34, 17, "ROLLO DE MENSAGEM "}, // 21
        {69, 12, "AUTO DORMIDA      "}, // 22
        {37, 11, "ON      OFF       "}, // 23
        {69, 12, "MENSAJE AREA      "}, // 24
        {68, 14, "MAIL DROP AREA    "}, // 25
        {67, 17, "BEEP THEN VIBRATE "}, // 26
        {72, 7, "ZOOM IN           "},  // 27
        {71, 8, "ZOOM OUT          "},  // 28
    }},
}};

PromptBlock make_prompt_block(const LanguageRows& rows) {
    PromptBlock block{};
    for (int r = 0; r < kLanguagePromptCount; ++r) {
        const PromptRow& row = rows[static_cast<std::size_t>(r)];
        const std::size_t at = static_cast<std::size_t>(r * kPromptRecordSize);
        block[at] = row.attribute;
        block[at + 1] = row.length;
        for (std::size_t i = 0; i < 18; ++i) block[at + 2 + i] = static_cast<std::uint8_t>(row.field[i]);
    }
    return block;
}

// 0x000-0x0FF as the builder leaves it (preset 1 in the synthesizer block and
// frequency words).
const std::uint8_t kTable000[256] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xB4, 0xA0, 0x00, 0x00, 0x28, 0x01, 0x00, 0x02, 0x05, 0x05, 0x05, 0x05, 0x05,
    0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x04,
    0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x5A, 0x96, 0x24, 0x09, 0x1F, 0x24, 0x7E, 0xDF, 0xFF, 0xFF, 0xDE, 0x00, 0x00,
    0x60, 0x42, 0xAE, 0x40, 0x2A, 0xF2, 0x00, 0x01, 0x00, 0x03, 0x88, 0x02, 0x00, 0x00, 0x00, 0x03, 0x80, 0xFF, 0xFF,
    0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00,
    0xCC, 0x11, 0x80, 0x02, 0x06, 0x12, 0x80, 0x02, 0x06, 0x13, 0x80, 0x02, 0x02, 0x14, 0x80, 0x02, 0x02, 0x78, 0x00,
    0x00, 0x01, 0x15, 0x00, 0x00, 0x00, 0x16, 0x00, 0xC2, 0x01, 0x17, 0x00, 0x43, 0x00, 0x18, 0x00, 0x42, 0x00, 0x19,
    0x00, 0x43, 0x00, 0x1A, 0x00, 0x00, 0x00, 0x1B, 0x00, 0x00, 0x00, 0x20, 0x00, 0x01, 0x00, 0x21, 0x00, 0x01, 0x00,
    0x22, 0x00, 0x01, 0x00, 0x23, 0x00, 0x01, 0x00, 0x24, 0x00, 0x01, 0x00, 0x25, 0x00, 0x01, 0x00, 0x26, 0x00, 0x01,
    0x00, 0x27, 0x00, 0x01, 0x00, 0x80, 0x13, 0x56, 0x87, 0x81, 0x13, 0x56, 0x87, 0x82, 0x13, 0x56, 0x87, 0x83, 0x13,
    0x56, 0x87, 0x84, 0x13, 0x56, 0x87, 0x85, 0x13, 0x56, 0x87, 0x86, 0x13, 0x56, 0x87, 0x87, 0x13, 0x56, 0x87, 0x88,
    0x13, 0x56, 0x87, 0x89, 0x13, 0x56, 0x87, 0x8A, 0x13, 0x56, 0x87, 0x8B, 0x13, 0x56, 0x87, 0x8C, 0x13, 0x56, 0x87,
    0x8D, 0x13, 0x56, 0x87, 0x8E, 0x13, 0x56, 0x87, 0x8F, 0x13, 0x56, 0x87, 0x00, 0x14, 0xE7, 0x90, 0x00, 0x17, 0x58,
    0x90, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0xFF,
};

// 0x344-0x3FF (188 bytes), passwords written afterwards.
std::array<std::uint8_t, 0x400 - 0x344> table_344() {
    std::array<std::uint8_t, 0x400 - 0x344> t{};
    auto at = [&t](int address) -> std::uint8_t& { return t.at(static_cast<std::size_t>(address - 0x344)); };
    const std::uint8_t row350[16] = {0x18, 0x18, 0, 0, 0, 0, 0, 0, 0x01, 0x01, 0x01, 0x01, 0x00, 0xFF, 0xFF, 0xFF};
    const std::uint8_t row360[12] = {0x21, 0x14, 0x18, 0x1C, 0x21, 0x24, 0x27, 0x2A, 0x2C, 0x04, 0xA3, 0x22};
    const std::uint8_t row3B0[7] = {0x0E, 0x08, 0xCC, 0xD9, 0xE1, 0x16, 0x1C};
    for (int i = 0; i < 16; ++i) at(0x350 + i) = row350[i];
    for (int i = 0; i < 12; ++i) at(0x360 + i) = row360[i];
    at(0x372) = 0x08;
    at(0x383) = 0x08;
    for (int a = 0x384; a <= 0x38B; ++a) at(a) = 0xFF;
    for (int a = 0x38C; a <= 0x38E; ++a) at(a) = 0x0F;
    at(0x3A0) = 0x18;
    at(0x3A1) = 0x18;
    for (int a = 0x3A8; a <= 0x3AF; ++a) at(a) = 0xFF;
    for (int i = 0; i < 7; ++i) at(0x3B0 + i) = row3B0[i];
    at(0x3BD) = 0xFF;
    at(0x3BE) = 0xFF;
    at(0x3BF) = 0x20;
    at(0x3D3) = 0x08;
    for (int a = 0x3D4; a <= 0x3DB; ++a) at(a) = 0xFF;
    for (int a = 0x3DC; a <= 0x3DE; ++a) at(a) = 0x0F;
    return t;
}

// A 20-byte prompt record: attribute, length, text padded with spaces.
void put_padded_record(std::uint8_t* out, std::uint8_t attribute, const std::string& text, int size) {
    out[0] = attribute;
    out[1] = static_cast<std::uint8_t>(text.size());
    for (int i = 0; i < size - 2; ++i)
        out[2 + i] =
            i < static_cast<int>(text.size()) ? static_cast<std::uint8_t>(text[static_cast<std::size_t>(i)]) : 0x20;
}

// Source prompts 0x400-0x553: "< 1 >" .. "< 16 >" and "<Group>".
std::array<std::uint8_t, 340> source_prompt_table() {
    std::array<std::uint8_t, 340> t{};
    for (int k = 0; k < 16; ++k) {
        const std::string text = "< " + std::to_string(k + 1) + " >";
        put_padded_record(&t[static_cast<std::size_t>(20 * k)], k < 9 ? 8 : 7, text, 20);
    }
    put_padded_record(&t[320], 7, "<Group>", 20);
    return t;
}

// 0x554-0x5E9 (150 bytes).
std::array<std::uint8_t, 0x5EA - 0x554> table_554() {
    std::array<std::uint8_t, 0x5EA - 0x554> t{};
    auto ptr = [&t](int address) { return &t.at(static_cast<std::size_t>(address - 0x554)); };
    for (int a = 0x554; a <= 0x563; ++a) *ptr(a) = 0x01; // source prompts enabled
    for (int a = 0x564; a <= 0x573; ++a) *ptr(a) = 0x08; // music type "User"
    const std::uint8_t tones[0x598 - 0x574] = {
        0xAA, 0xAA, 0xCC, 0xCC, 0xEE, 0xEE, 0xF0, 0xF0, 0xF8, 0xF8, 0xFC, 0xFC, 0xFE, 0xFE, 0xFF, 0x00, 0x88, 0x88,
        0xE4, 0xE4, 0xBE, 0xBE, 0xFF, 0x33, 0xFF, 0xAA, 0xFF, 0x11, 0xFF, 0x76, 0xFF, 0x16, 0x0C, 0xD9, 0xFF, 0x10,
    };
    for (int i = 0; i < 0x598 - 0x574; ++i) *ptr(0x574 + i) = tones[i];
    put_padded_record(ptr(0x598), 69, "SET CAPCODE", 20);
    put_padded_record(ptr(0x5AC), 5, "CAPCODE SET", 20);
    *ptr(0x5C0) = 0x0E;
    put_padded_record(ptr(0x5C1), 37, "OUT OF RANGE", 20);
    *ptr(0x5D5) = 0x80;
    put_padded_record(ptr(0x5D6), 67, "BEEP AND VIBRATE", 20);
    return t;
}

// Attribute, length and text only; the bytes after the text keep what stands there.
void put_short_record(PagerTable& image, int address, std::uint8_t attribute, const std::string& text) {
    image[address] = attribute;
    image[address + 1] = static_cast<std::uint8_t>(text.size());
    image.put_text(address + 2, text);
}

const char* const kDefaultMelodies[16] = {
    "cde0cde0cde0cde0", "eee0eee0eee0eee0", "cdefgab0cdefgab0", "e0eeeee0e0eeeee0",
    "CDEF0CD0CDEF0CD0", "CDEFGAB0CDEFGAB0", "eee0eee0egcdee00", "cdecGGG0cedcddd0",
    "ee0Gceg0cc0Gceg0", "c0ccedcBAGc0ccc0", "gedeCCC0gedeggg0", "GG0cecddddd0eee0",
    "egceddd0egceAAA0", "AA0A0AAA0AA0eee0", "e0eeeedce0eeeedc", "GcegggggAGeceeee",
};

struct NoteEntry {
    char c;
    std::uint8_t code;
};
const NoteEntry kNotes[] = {
    {'0', 0},   {'C', 238}, {'D', 212}, {'E', 189}, {'F', 178}, {'G', 158}, {'A', 141}, {'B', 126},
    {'c', 118}, {'d', 105}, {'e', 94},  {'f', 89},  {'g', 79},  {'a', 70},  {'b', 62},
};

} // namespace

const PromptBlock& language_table(Language language) {
    static const std::array<PromptBlock, kLanguageCount> blocks = [] {
        std::array<PromptBlock, kLanguageCount> b{};
        for (int l = 0; l < kLanguageCount; ++l)
            b[static_cast<std::size_t>(l)] = make_prompt_block(kLanguageRows[static_cast<std::size_t>(l)]);
        return b;
    }();
    return blocks.at(static_cast<std::size_t>(language));
}

const std::array<RangePreset, kPresetCount>& range_presets() {
    static const std::array<RangePreset, kPresetCount> presets = {{
        {{255, 255, 255, 255, 0, 0, 180, 160, 0, 0, 40, 1, 0, 2, 5, 5}, {0, 20, 231, 144, 0, 23, 88, 144}},
        {{255, 255, 255, 255, 0, 0, 144, 132, 0, 0, 32, 1, 0, 8, 25, 5}, {0, 20, 232, 13, 0, 23, 88, 144}},
        {{255, 255, 255, 255, 0, 1, 11, 224, 0, 0, 24, 1, 0, 4, 25, 5}, {0, 68, 170, 32, 0, 69, 70, 96}},
        {{255, 255, 255, 255, 0, 1, 11, 226, 0, 0, 24, 1, 0, 4, 25, 5}, {0, 68, 170, 157, 0, 69, 70, 96}},
        {{255, 255, 255, 255, 0, 2, 54, 162, 0, 0, 40, 1, 0, 4, 25, 5}, {0, 141, 154, 125, 0, 142, 15, 173}},
    }};
    return presets;
}

void apply_range_preset(PagerTable& image, int preset_index) {
    const RangePreset& p = range_presets().at(static_cast<std::size_t>(preset_index));
    image.put(0x000, p.synth.data(), 16);
    image.put(0x0F0, p.freq.data(), 8);
}

const std::array<BatteryLevel, kBatteryLevelCount>& battery_levels() {
    static const std::array<BatteryLevel, kBatteryLevelCount> levels = {{
        {"2.68V", 228},
        {"2.65V", 225},
        {"2.62V", 223},
        {"2.59V", 220},
        {"2.55V", 217},
        {"2.52V", 214},
        {"2.49V", 212},
        {"2.46V", 209},
        {"2.42V", 206},
        {"2.40V", 204},
        {"2.35V", 200},
    }};
    return levels;
}

std::uint8_t note_code(char c) {
    for (const auto& n : kNotes)
        if (n.c == c) return n.code;
    return static_cast<std::uint8_t>(c);
}

char note_char(std::uint8_t code) {
    for (const auto& n : kNotes)
        if (n.code == code) return n.c;
    return ' ';
}

const std::array<std::uint8_t, 256>& melody_block() {
    static const std::array<std::uint8_t, 256> block = [] {
        std::array<std::uint8_t, 256> b{};
        for (int slot = 0; slot < 16; ++slot)
            for (int j = 0; j < 16; ++j)
                b[static_cast<std::size_t>(16 * slot + j)] = note_code(kDefaultMelodies[slot][j]);
        return b;
    }();
    return block;
}

PagerTable build_default_image() {
    PagerTable image; // all 0
    image.put(0x000, kTable000, 256);
    image.put(0x100, language_table(Language::English).data(), kPromptBlockSize);
    const auto t344 = table_344();
    image.put(0x344, t344.data(), static_cast<int>(t344.size()));
    const auto sources = source_prompt_table();
    image.put(0x400, sources.data(), static_cast<int>(sources.size()));
    const auto t554 = table_554();
    image.put(0x554, t554.data(), static_cast<int>(t554.size()));
    image.fill(0x5EA, 0x7FF, 0xFF);
    image[0x72B] = 160;
    image[0x72C] = 5;
    put_short_record(image, 0x5EA, 39, "CHARGING");
    put_short_record(image, 0x701, 67, "FLASH ONLY");
    image[0x715] = 132;
    put_short_record(image, 0x716, 67, "DISCRETE BEEP");
    image[0x72D] = 127;
    put_short_record(image, 0x72E, 67, "BEEPING");
    image.put_text(kSignatureAddress, ver_str);
    image[0x3B2] = 204;
    image[0x3B3] = 217;
    image[0x3B4] = 225;
    image[0x5FE] = 204;
    image[0x5FF] = 3;
    image[0x700] = 150;
    image[0x72A] = 0;
    const std::uint8_t block360[12] = {33, 20, 24, 28, 33, 36, 39, 42, 44, 4, 163, 34};
    image.put(0x360, block360, 12);
    for (int i = 0; i < 4; ++i) image[0x36C + i] = kDefaultManualPasswordDigits[static_cast<std::size_t>(i)];
    image.put_text(0x3B7, kDefaultReadWritePassword);
    image.put(0x600, melody_block().data(), 256);
    apply_range_preset(image, 0);
    return image;
}

} // namespace qrt58
