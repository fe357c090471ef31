#include "prompts.h"

#include "ansi_text.h"

#include <QList>

#include <algorithm>

namespace qrt58 {
namespace {

int count_leading_spaces(const QString& s) {
    int n = 0;
    while (n < s.size() && s.at(n) == QLatin1Char(' ')) ++n;
    return n;
}

QString without_leading_spaces(const QString& s) { return s.mid(count_leading_spaces(s)); }

// Spaces only: a tab or another blank character is text to the receiver.
QString trim_spaces(const QString& s) {
    int end = s.size();
    while (end > 0 && s.at(end - 1) == QLatin1Char(' ')) --end;
    const int start = count_leading_spaces(s.left(end));
    return s.mid(start, end - start);
}

// The characters of a record: n from byte 1, at most 18 and never past the
// image's last byte.
QString record_text(const PagerTable& image, int address) {
    const int n = std::min<int>(image[address + 1], kPromptTextMax);
    const int count = std::max(0, std::min(n, kImageSize - (address + 2)));
    return ansi_text(image.data() + address + 2, count);
}

// The one-byte codes of `text`, or the result that refuses it.
PromptStoreResult encode(const QString& text, std::vector<std::uint8_t>& codes) {
    if (text.size() > kPromptTextMax) return {PromptStoreStatus::TooLong, {}};
    for (const char32_t ch : text.toUcs4()) {
        const auto code = is_control_character(ch) ? std::nullopt : unicode_to_ansi(ch);
        if (!code) return {PromptStoreStatus::NotEncodable, character_name(ch)};
        codes.push_back(*code);
    }
    return {};
}

void write_record(PagerTable& image, int address, int nibble, const std::vector<std::uint8_t>& codes) {
    image[address] = static_cast<std::uint8_t>((image[address] & 0xF0) | (nibble & 0x0F));
    image[address + 1] = static_cast<std::uint8_t>(codes.size());
    image.put(address + 2, codes.data(), static_cast<int>(codes.size()));
}

} // namespace

const std::vector<PromptSlot>& prompt_slots() {
    static const std::vector<PromptSlot> table = {
        {0, "Power Up Logo", 0x100, 15, false},        {1, "NO PAGES ------->", 0x114, 20, false},
        {2, "UP OR ESCAPE --->", 0x128, 20, false},    {3, "MESSAGE LOCK --->", 0x13C, 20, false},
        {4, "MESSAGE UNLOCK ->", 0x150, 20, false},    {5, "MESSAGE ERASE -->", 0x164, 20, false},
        {6, "MESSAGE ERASE ALL", 0x178, 20, false},    {7, "MOVE TO MEMO --->", 0x18C, 20, false},
        {8, "SET SCROLL ----->", 0x1A0, 20, false},    {9, "SET TIME ------->", 0x1B4, 20, false},
        {10, "SET ALARM ------>", 0x1C8, 20, false},   {11, "SET ALERT ------>", 0x1DC, 20, false},
        {12, "PAGER OFF ------>", 0x1F0, 20, false},   {13, "TONY ONLY ------>", 0x204, 20, false},
        {14, "SLEEP ------------>", 0x218, 18, true},  {15, "VIBRATE ---------->", 0x22C, 18, true},
        {16, "PAGER OFF ? ---->", 0x240, 20, false},   {17, "MESSAGE ERASE ? >", 0x254, 20, false},
        {18, "MESSAGE ERASE ALL ?", 0x268, 20, false}, {19, "TIME  SET -------->", 0x27C, 20, false},
        {20, "ALARM  SET ------->", 0x290, 20, false}, {21, "SCROLL SET ------->", 0x2A4, 20, false},
        {22, "AUTO SLEEP SET --->", 0x2B8, 20, false}, {23, "ON     OFF SET --->", 0x2CC, 20, false},
        {24, "MESSAGE AREA ----->", 0x2E0, 20, false}, {25, "MAIL DROP AREA --->", 0x2F4, 20, false},
        {26, "BEEP THEN VIBRATE >", 0x308, 18, true},  {27, "ZOOM IN ---------->", 0x31C, 20, false},
        {28, "ZOOM OUT --------->", 0x330, 20, false}, {29, "SET CAPCODE ---->", 0x598, 20, false},
        {30, "CAPCODE SET ---->", 0x5AC, 20, false},   {31, "OUT OF RANGE --->", 0x5C1, 20, false},
        {32, "BEEP AND VIBRATE ->", 0x5D6, 18, true},  {50, "FLASH ONLY-------->", 0x701, 18, true},
        {51, "DISCRETE BEEP----->", 0x716, 18, true},  {52, "BEEPING ---------->", 0x72E, 18, true},
        {68, "CHARGING---------->", 0x5EA, 20, false},
    };
    return table;
}

const PromptSlot* find_prompt_slot(int index) {
    for (const PromptSlot& s : prompt_slots())
        if (s.index == index) return &s;
    return nullptr;
}

bool is_icon_prompt(int index) {
    const PromptSlot* s = find_prompt_slot(index);
    return s && s->icon;
}

bool is_source_prompt(int index) { return index >= kSourcePromptFirst && index <= kGroupSourcePrompt; }

const std::array<const char*, 4>& source_mode_texts() {
    static const std::array<const char*, 4> texts = {"Forward", "Backward", "Auto Cap.", "Disable"};
    return texts;
}

int source_prompt_address(int index) { return kSourceRecordFirst + kPromptRecordSize * (index - kSourcePromptFirst); }

QString prompt_text(const PagerTable& image, int address, bool icon) {
    int c = image[address] & 0x0F;
    // An icon prompt's nibble counts the two icon columns; a stored 1 or 2
    // (never written by the editor) leaves no room for spaces.
    if (c != 0 && icon) c -= 2;
    const int spaces = std::max(0, c - 1);
    return QString(spaces, QLatin1Char(' ')) + record_text(image, address);
}

QString source_prompt_text(const PagerTable& image, int address) {
    return QString(image[address] & 0x0F, QLatin1Char(' ')) + record_text(image, address);
}

const char* const kPromptTooLongMessage = "Can not exceed 18 characters exclude left space!";

QString prompt_refusal_message(const PromptStoreResult& result) {
    if (result.status == PromptStoreStatus::NotEncodable)
        return QStringLiteral("The pager can not show the character \"%1\"!").arg(result.bad_char);
    return QString::fromLatin1(kPromptTooLongMessage);
}

PromptStoreResult store_prompt(PagerTable& image, int address, bool icon, const QString& text) {
    std::vector<std::uint8_t> codes;
    const PromptStoreResult r = encode(trim_spaces(text), codes);
    if (r.status != PromptStoreStatus::Stored) return r;
    // An empty box stores no characters and keeps the start column.
    int lead = image[address] & 0x0F;
    if (!text.isEmpty()) {
        lead = count_leading_spaces(text) + 1 + (icon ? 2 : 0);
        if (lead > 14) lead = kPromptNibbleMax;
    }
    write_record(image, address, lead, codes);
    return r;
}

PromptStoreResult store_source_prompt(PagerTable& image, int address, const QString& text) {
    if (without_leading_spaces(text).size() > kPromptTextMax) return {PromptStoreStatus::TooLong, {}};
    int lead = count_leading_spaces(text);
    QString extra;
    if (lead > 14) {
        extra = QString(lead - kPromptNibbleMax, QLatin1Char(' '));
        lead = kPromptNibbleMax;
    }
    QString t = extra + trim_spaces(text);
    if (t.isEmpty()) t = QStringLiteral(" ");
    std::vector<std::uint8_t> codes;
    const PromptStoreResult r = encode(t, codes);
    if (r.status != PromptStoreStatus::Stored) return r;
    write_record(image, address, lead, codes);
    return r;
}

QString align_prompt(const QString& text, Alignment alignment, int max_length) {
    const QString t = trim_spaces(text);
    const int room = std::max(0, max_length - static_cast<int>(t.size()));
    switch (alignment) {
    case Alignment::Left: return t;
    case Alignment::Center: return QString(room / 2, QLatin1Char(' ')) + t;
    case Alignment::Right: return QString(room, QLatin1Char(' ')) + t;
    }
    return t;
}

QString auto_cap_text(const QString& capcode_text) { return QLatin1Char('<') + capcode_text + QLatin1Char('>'); }

const std::vector<LanguageItem>& language_items() {
    static const std::vector<LanguageItem> items = {
        {"English", 2, Language::English},
        {"Spainish", 5, Language::Spanish},
        {"French", 6, Language::French},
        {"Portuguese", 7, Language::Portuguese},
    };
    return items;
}

int stored_language_code(const PagerTable& image) { return get_bits(image, 0x3E, 0, 4); }

std::optional<Language> language_of_code(int code) {
    for (const LanguageItem& item : language_items())
        if (item.code == code) return item.table;
    return std::nullopt;
}

void apply_language(PagerTable& image, Language language) {
    for (const LanguageItem& item : language_items()) {
        if (item.table != language) continue;
        set_bits(image, 0x3A, 0, item.code, 4);
        set_bits(image, 0x3E, 0, item.code, 4);
    }
    image.put(kPromptBlockFirst, language_table(language).data(), kPromptBlockSize);
}

} // namespace qrt58
