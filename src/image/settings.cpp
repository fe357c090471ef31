#include "settings.h"

#include "alerts.h"
#include "capcode.h"
#include "default_image.h"
#include "display.h"
#include "field_tag.h"
#include "frequency.h"
#include "melody.h"
#include "password.h"
#include "prompts.h"

#include <QList>

#include <algorithm>
#include <cctype>
#include <optional>

namespace qrt58 {

namespace {

// ---------------------------------------------------------------- values

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::optional<bool> parse_box(const std::string& value) {
    if (value == "true" || value == "on") return true;
    if (value == "false" || value == "off") return false;
    return std::nullopt;
}

// Index of the item whose text is `value` (spaces around either ignored).
std::optional<int> parse_item(const std::vector<std::string>& items, const std::string& value) {
    const std::string v = trimmed(value);
    for (std::size_t i = 0; i < items.size(); ++i)
        if (trimmed(items[i]) == v) return static_cast<int>(i);
    return std::nullopt;
}

std::vector<std::string> texts(const std::vector<StoredItem>& items) {
    std::vector<std::string> out;
    for (const StoredItem& item : items) out.emplace_back(item.text);
    return out;
}

std::string one_of(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : "|") + trimmed(item);
    return out;
}

std::string not_an_item(const std::vector<std::string>& items) { return "takes one of " + one_of(items); }

// "capcodes.5.capcode" -> 5 when `name` is PREFIX + number + SUFFIX.
std::optional<int> numbered(const std::string& name, const std::string& prefix, const std::string& suffix) {
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return std::nullopt;
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.empty() || digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(digits);
}

std::optional<int> parse_number(const std::string& value) {
    const std::string v = trimmed(value);
    if (v.empty() || v.size() > 6 || v.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    return std::stoi(v);
}

std::string box_too_long(int max) { return "the box takes at most " + std::to_string(max) + " characters"; }

// ---------------------------------------------------------------- the window's lists

const std::vector<std::string>& capcode_type_texts() {
    static const std::vector<std::string> items = {"Personal", "Mail drop", "Group"};
    return items;
}
const std::vector<std::string>& length_texts() {
    static const std::vector<std::string> items = {"Short", "Long"};
    return items;
}
const std::vector<std::string>& source_mode_texts() {
    static const std::vector<std::string> items = {"Forward", "Backward", "Auto Cap.", "Disable"};
    return items;
}
const std::vector<std::string>& logo_font_texts() {
    static const std::vector<std::string> items = {"Large Font", "Small Font"};
    return items;
}
std::vector<std::string> mail_alert_items() {
    std::vector<std::string> out;
    for (const char* t : mail_alert_texts()) out.emplace_back(t);
    return out;
}
std::vector<std::string> language_texts() {
    std::vector<std::string> out;
    for (const LanguageItem& item : language_items()) out.emplace_back(item.text);
    return out;
}
std::vector<std::string> lamp_texts() {
    std::vector<std::string> out;
    for (const LampItem& item : lamp_items()) out.emplace_back(item.text);
    return out;
}
std::vector<std::string> battery_texts() {
    std::vector<std::string> out;
    for (const BatteryLevel& level : battery_levels()) out.push_back(level.text);
    return out;
}
std::vector<std::string> range_texts() {
    const auto& r = frequency_range_texts();
    return {r.begin(), r.end()};
}

// ---------------------------------------------------------------- name table

struct Family {
    const char* name; // with N for the number
    const char* values;
    int rank;
};

// Rank 0: a range preset rewrites the frequency. Rank 1: settings that change
// what others show, take or mean. Rank 2: settings under those locks that
// change others in turn. Rank 3: the values. Rank 4: texts that the settings
// before may have rewritten (Auto Cap., a language table, a Long pair's copies).
const std::vector<Family>& families() {
    static const std::vector<Family> list = {
        {"frequency.range", "", 0},
        {"frequency.box", "the frequency in units of 100 Hz, as the Frequency box takes it (1530250 = 153.025 MHz)", 3},
        {"frequency", "the same as frequency.box", 3},
        {"capcode_count", "1 to 16: slots 1 to the count are in use", 1},
        {"capcodes.N.length", "Short|Long (N = 1, 3, ... 15; Long comes with capcodes.N.capcode)", 2},
        {"capcodes.N.capcode", "the capcode as its box takes it", 3},
        {"capcodes.N.enabled", "true|false", 3},
        {"capcodes.N.type", "Personal|Mail drop|Group", 3},
        {"capcodes.N.priority", "true|false", 3},
        {"capcodes.N.manual", "true|false", 3},
        {"prompts.N.text", "text (0 to 32, 50 to 52, 68; leading spaces set its column)", 4},
        {"source_prompts.mode", "Forward|Backward|Auto Cap.|Disable (no Forward with multiple)", 2},
        {"source_prompts.multiple", "true|false", 1},
        {"source_prompts.slots.N.enabled", "true|false (N = 1 to 16, 17 the group prompt)", 3},
        {"source_prompts.slots.N.text", "text of at most 21 characters", 4},
        {"display.language", "", 1},
        {"display.logo_font", "Large Font|Small Font", 1},
        {"display.contrast", "1 to 8", 3},
        {"display.lamp_time", "", 3},
        {"display.push_key_lamp", "true|false", 1},
        {"display.battery.low", "", 3},
        {"display.battery.med", "", 3},
        {"display.battery.high", "", 3},
        {"passwords.read_write", "six characters", 3},
        {"passwords.manual", "four digits", 3},
        {"alerts.menu_left_out", "", 3},
        {"alerts.default_tone", "", 4},
        {"alerts.personal_alert_length", "", 3},
        {"alerts.out_of_range", "", 3},
        {"alerts.sequential_lockout", "", 3},
        {"alerts.mail_alert", "true|false", 1},
        {"alerts.mail_drop.N.alert", "Disable|Beep|1 sec|16 sec (N = 2 to 16)", 3},
        {"melodies.slots.N.music_type", "", 3},
        {"melodies.slots.N.melody", "16 characters: 0 and 1 (single tone), 0 and A-G, a-g (multiple tone)", 4},
    };
    return list;
}

// The family of a name: "capcodes.3.type" -> "capcodes.N.type".
std::string family_of(const std::string& name) {
    const auto first = name.find('.');
    if (first == std::string::npos) return name;
    const auto second = name.find('.', first + 1);
    if (second == std::string::npos) return name;
    // A number may also sit after the second dot (source_prompts.slots.N.text).
    const std::string middle = name.substr(first + 1, second - first - 1);
    if (!middle.empty() && middle.find_first_not_of("0123456789") == std::string::npos)
        return name.substr(0, first) + ".N" + name.substr(second);
    const auto third = name.find('.', second + 1);
    if (third == std::string::npos) return name;
    const std::string inner = name.substr(second + 1, third - second - 1);
    if (!inner.empty() && inner.find_first_not_of("0123456789") == std::string::npos)
        return name.substr(0, second) + ".N" + name.substr(third);
    return name;
}

const OptionBinding* find_option(const std::string& name) {
    for (const OptionBinding& b : option_bindings())
        if (option_key(b.caption) == name) return &b;
    return nullptr;
}

// Options with a rule of their own, and the rank that rule needs.
int option_rank(const std::string& name) {
    if (name == "options.user_s_capcode_music_type_enable" || name == "options.paging_display" ||
        name == "options.music_type_select" || name == "options.multiple_tone")
        return 1;
    if (name == "options.always_vibrate") return 2;
    return 3;
}

} // namespace

// ---------------------------------------------------------------- option table

std::string option_key(const char* caption) {
    std::string key;
    for (const char* c = caption; *c; ++c) {
        const auto u = static_cast<unsigned char>(*c);
        if (std::isalnum(u)) key += static_cast<char>(std::tolower(u));
        else if (!key.empty() && key.back() != '_') key += '_';
    }
    while (!key.empty() && key.back() == '_') key.pop_back();
    return "options." + key;
}

const std::vector<OptionBinding>& option_bindings() {
    static const std::vector<OptionBinding> bindings = {
        {"Lock/Unlock Off", "&H358,0,8,chkN", {}},
        {"Delete Off", "&H359,0,8,chkN", {}},
        {"Delete All Off", "&H35A,0,8,chkN", {}},
        {"Move To Memo Off", "&H35B,0,8,chkN", {}},
        {"History Off", "&H35C,0,8,chkN", {}},
        {"Silent off Alert Disable", "&H33,0,1,chkN", {}},
        {"Vibration Like Beep", "&H596,6,1,chkN", {}},
        {"Out-of Service", "&H3D,3,1,chk", {}},
        {"Lowcell Alert Control", "&H39,6,1,chk", {}},
        {"Reminder Duration Control", "&H3C,6,2,cbo", {"Disable", "2 minutes", "10 minutes", "60 minutes"}},
        {"Music Type Select", "&H3D,5,1,cbo", {"Taiwan Music", "World Wild Music "}},
        {"Manual Write Enable", "&H3D,4,1,chkN", {}},
        {"Frequency Modification", "&H36,0,1,chkN", {}},
        {"Cap. Priority Modification", "&H596,5,1,chkN", {}},
        {"Password Required", "&H36,1,1,chk", {}},
        {"Password Modification", "&H36,2,1,chk", {}},
        {"Time Auto Update", "&H32,2,1,chkN", {}},
        {"Date Display", "&H3B,3,1,cbo", {"dd-mm-yy", "mm-dd-yy"}},
        {"24H o'clock", "&H595,3,1,chkN", {}},
        {"Numeric Display Mode", "&H3D,2,1,cbo", {"Standard", "OEC(china)"}},
        {"Vibrate Off In Charger", "&H715,7,1,chkN", {}},
        {"Vibrate & Alert At Priority", "&H715,2,1,chkN", {}},
        {"Counter Out Enable", "&H39,4,1,chkN", {}},
        {"Duplicate Msg Enable", "&H39,3,1,chkN", {}},
        {"Paging Display", "&H3B,4,1,cbo", {"Page Count", "Direct"}},
        {"Direct Show Lamp On", "&H36,6,1,chkN", {}},
        {"Direct Show Until Press Key", "&H32,3,1,chkN", {}},
        {"RD Key Delete Enable", "&H32,1,1,chkN", {}},
        {"RD Key Switch Alert", "&H595,4,1,chkN", {}},
        {"Read Time Out", "&H39,0,2,cbo", {"8 sec", "14 sec", "20 sec", "30 sec"}},
        {"Discard Error Message", "&H3D,0,1,chk", {}},
        {"Air Program Enable", "&H3D,6,1,chk", {}},
        {"User's Capcode Music Type Enable", "&H33,5,1,chkN", {}},
        {"Always Vibrate", "&H36,3,1,chkN", {}},
        {"Multiple Tone", "&H596,2,1,chkN", {}},
    };
    return bindings;
}

// ---------------------------------------------------------------- names

const std::vector<SettableName>& settable_names() {
    static const std::vector<SettableName> names = [] {
        std::vector<SettableName> out;
        for (const Family& f : families()) {
            std::string values = f.values;
            const std::string name = f.name;
            if (name == "frequency.range") values = one_of(range_texts());
            else if (name == "display.language") values = one_of(language_texts());
            else if (name == "display.lamp_time") values = one_of(lamp_texts()) + " (with Paging Display Direct)";
            else if (name.rfind("display.battery.", 0) == 0) values = one_of(battery_texts()) + " (High > Med > Low)";
            else if (name == "alerts.menu_left_out") {
                values = "the items left out, joined by \",\": ";
                for (const char* c : menu_item_captions()) values += std::string(c) + (c == menu_item_captions().back() ? "" : ", ");
            } else if (name == "alerts.default_tone") values = one_of(texts(tone_items()));
            else if (name == "alerts.personal_alert_length") values = one_of(texts(person_alert_items()));
            else if (name == "alerts.out_of_range") values = one_of(texts(out_of_range_items()));
            else if (name == "alerts.sequential_lockout") values = one_of(texts(sequential_lockout_items()));
            else if (name == "melodies.slots.N.music_type") values = one_of(texts(music_type_items(1))) + " (slot 1: no Vibration, Flash Only)";
            out.push_back({name, values});
        }
        for (const OptionBinding& b : option_bindings()) {
            std::vector<std::string> items(b.items.begin(), b.items.end());
            out.push_back({option_key(b.caption), items.empty() ? "true|false" : one_of(items)});
        }
        return out;
    }();
    return names;
}

bool is_settable_name(const std::string& name) {
    if (find_option(name)) return true;
    const std::string family = family_of(name);
    for (const Family& f : families())
        if (family == f.name) return true;
    return false;
}

int setting_rank(const std::string& name) {
    if (find_option(name)) return option_rank(name);
    const std::string family = family_of(name);
    for (const Family& f : families())
        if (family == f.name) return f.rank;
    return 3;
}

// ---------------------------------------------------------------- session

SettingSession::SettingSession(PagerTable& image) : shown(long_pairs_from_image(image)), image_(image) {
    saved_tone = item_index(tone_items(), image[kToneAddress]).value_or(0);
}

std::string SettingSession::apply(const std::string& name, const std::string& value) {
    const PagerTable before = image_;
    const PairLengths shown_before = shown;
    const int saved_before = saved_tone;
    std::string why = apply_unchecked(name, value);
    if (!why.empty()) {
        image_ = before;
        shown = shown_before;
        saved_tone = saved_before;
    }
    return why;
}

std::string SettingSession::finish() const {
    if (!battery_levels_ordered(image_)) return kBatteryOrderMessage;
    return {};
}

std::string SettingSession::apply_unchecked(const std::string& name, const std::string& value) {
    PagerTable& image = image_;
    const auto hidden = [this](int slot) { return slot % 2 == 1 && shown[static_cast<std::size_t>(slot / 2)]; };
    const auto covered_by = [](int number) {
        return "slot " + std::to_string(number) + " belongs to the long capcode of slot " + std::to_string(number - 1);
    };

    // ---- options
    if (const OptionBinding* b = find_option(name)) {
        const auto tag = parse_field_tag(b->tag);
        if (!tag) return "no such setting";
        if ((name == "options.direct_show_lamp_on" || name == "options.direct_show_until_press_key") &&
            !direct_paging(image))
            return "shown only with Paging Display Direct";
        if ((name == "options.rd_key_delete_enable" || name == "options.rd_key_switch_alert") && !key_lamp_on(image))
            return "shown only with Push Key Lamp On Enable ticked";
        if (name == "options.always_vibrate" && !capcode_music_on(image))
            return "shown only with User's Capcode Music Type Enable ticked";
        int stored = 0;
        if (tag->kind == TagKind::Cbo) {
            const std::vector<std::string> items(b->items.begin(), b->items.end());
            const auto index = parse_item(items, value);
            if (!index) return not_an_item(items);
            stored = *index;
        } else {
            const auto on = parse_box(value);
            if (!on) return "takes true or false";
            const int current = get_bits(image, tag->address, tag->bit, tag->width);
            const bool ticked = tag->kind == TagKind::ChkN ? current == 0 : current == 1;
            // A box already showing that state is not clicked: no rule runs.
            if (ticked == *on && (tag->kind == TagKind::ChkN || current <= 1)) return {};
            if (name == "options.always_vibrate") {
                change_always_vibrate(image, *on);
                return {};
            }
            if (name == "options.user_s_capcode_music_type_enable") {
                change_capcode_music(image, *on, saved_tone);
                return {};
            }
            stored = tag->kind == TagKind::ChkN ? (*on ? 0 : 1) : (*on ? 1 : 0);
            if (name == "options.time_auto_update") store_time_auto_update_companion(image, *on);
        }
        set_bits(image, tag->address, tag->bit, stored, tag->width);
        return {};
    }

    // ---- frequency
    if (name == "frequency.range") {
        const auto index = parse_item(range_texts(), value);
        if (!index) return not_an_item(range_texts());
        const int preset = range_default_preset(*index);
        if (preset >= 0) apply_range_preset(image, preset);
        return {};
    }
    if (name == "frequency.box" || name == "frequency") {
        const auto range = detect_frequency_range(image);
        if (!range) return "the frequency range of the image is none of the list (byte 0xF1)";
        const FrequencyOutcome outcome = check_frequency(value, *range, image);
        if (outcome.result == FrequencyCheck::Restore) return "no frequency given";
        // The window's message, and the unit that its box takes.
        if (outcome.result != FrequencyCheck::Accepted)
            return outcome.message + " (the frequency is in units of 100 Hz: 1530250 = 153.025 MHz)";
        apply_frequency(image, outcome);
        return {};
    }

    // ---- capcodes
    if (name == "capcode_count") {
        const auto n = parse_number(value);
        if (!n || *n < 1 || *n > kCapcodeSlots) return "the count is 1 to 16";
        set_bits(image, 0x3E, 4, *n - 1, 4);
        update_frame_map(image, shown);
        return {};
    }
    if (const auto number = numbered(name, "capcodes.", ".length")) {
        if (*number < 1 || *number > kCapcodeSlots || *number % 2 == 0)
            return "the length belongs to the first slot of a pair: 1, 3, ... 15";
        const auto index = parse_item(length_texts(), value == "short" ? "Short" : value == "long" ? "Long" : value);
        if (!index) return "the length is Short or Long";
        const int pair = (*number - 1) / 2;
        const bool to_long = *index == 1;
        if (to_long == shown[static_cast<std::size_t>(pair)]) return {};
        shown[static_cast<std::size_t>(pair)] = to_long;
        if (to_long) switch_pair_to_long(image, pair);
        else switch_pair_to_short(image, pair);
        return {};
    }
    for (const char* field : {".capcode", ".enabled", ".type", ".priority", ".manual"}) {
        const auto number = numbered(name, "capcodes.", field);
        if (!number) continue;
        if (*number < 1 || *number > kCapcodeSlots) return "capcode slots are 1 to 16";
        const int slot = *number - 1;
        if (hidden(slot)) return covered_by(*number);
        const std::string f = field;
        const bool usable = slot <= capcode_count_field(image);
        // The window greys the capcode box, "En" and type list above the count.
        if (!usable && (f == ".capcode" || f == ".enabled" || f == ".type"))
            return "slot " + std::to_string(*number) + " lies above the capcode count (slots 1-" +
                   std::to_string(capcode_count_field(image) + 1) + " are in use)";
        if (f == ".capcode") {
            const CapcodeChange change = enter_capcode(image, slot, value, shown);
            if (change.result != CapcodeChangeResult::Stored) return change.message;
            return {};
        }
        if (f == ".type") {
            const auto index = parse_item(capcode_type_texts(), value);
            if (!index) return not_an_item(capcode_type_texts());
            change_capcode_type(image, slot, static_cast<CapcodeType>(*index), shown);
            return {};
        }
        const auto on = parse_box(value);
        if (!on) return "takes true or false";
        if (f == ".enabled") {
            // The "En" box of slot 11 shows only with "World Wild Music ".
            if (slot == 10 && get_bits(image, kMusicSelectAddress, kMusicSelectBit, 1) != 1)
                return "shown only with Music Type Select World Wild Music";
            if (get_slot_bit(image, enable_bit(slot)) == *on) return {};
            change_capcode_enable(image, slot, *on, shown);
            return {};
        }
        change_slot_flag(image, slot, f == ".priority" ? SlotFlag::Priority : SlotFlag::Manual, *on, shown);
        return {};
    }

    // ---- prompts
    if (const auto index = numbered(name, "prompts.", ".text")) {
        const PromptSlot* slot = find_prompt_slot(*index);
        if (!slot) return "prompts are 0 to 32, 50 to 52 and 68";
        const QString text = QString::fromStdString(value);
        const int box_max = *index == 0 ? logo_max_length(logo_font(image)) : slot->max_length;
        if (text.size() > box_max) return box_too_long(box_max);
        const PromptStoreResult r = store_prompt(image, slot->address, slot->icon, text);
        if (r.status != PromptStoreStatus::Stored) return prompt_refusal_message(r).toStdString();
        return {};
    }

    // ---- source prompts
    if (name == "source_prompts.mode") {
        const auto mode = parse_item(source_mode_texts(), value);
        if (!mode) return not_an_item(source_mode_texts());
        if (*mode == 0 && multiple_source(image)) return "Forward is not offered with Multiple Source Prompt";
        if (*mode == source_mode(image)) return {};
        change_source_mode(image, *mode, shown);
        return {};
    }
    if (name == "source_prompts.multiple") {
        const auto on = parse_box(value);
        if (!on) return "takes true or false";
        if (*on != multiple_source(image)) change_multiple_source(image, *on);
        return {};
    }
    for (const char* field : {".enabled", ".text"}) {
        const auto number = numbered(name, "source_prompts.slots.", field);
        if (!number) continue;
        const int count = kGroupSourcePrompt - kSourcePromptFirst + 1;
        if (*number < 1 || *number > count) return "source prompts are 1 to 16, and 17 for group calls";
        const int k = *number - 1;
        const int index = kSourcePromptFirst + k;
        if (index < kGroupSourcePrompt && hidden(k)) return covered_by(*number);
        // The window greys the boxes out while the mode is "Disable".
        if (source_mode(image) == kSourceModeDisable) return "the source prompts are off (mode Disable)";
        if (std::string(field) == ".enabled") {
            const auto on = parse_box(value);
            if (!on) return "takes true or false";
            change_source_enable(image, k, *on, shown);
            return {};
        }
        // A box not ticked is greyed out (a grey box counts as ticked).
        const bool ticked = index == kGroupSourcePrompt ? get_bits(image, kGroupSourceAddress, kGroupSourceBit, 1) == 0
                                                        : image[kSourceEnableFirst + k] != 0;
        if (!ticked) return "source prompt " + std::to_string(*number) + " is not ticked";
        const QString text = QString::fromStdString(value);
        if (text.size() > kSourceBoxMax) return box_too_long(kSourceBoxMax);
        const PromptStoreResult r = enter_source_prompt(image, index, text, shown);
        if (r.status != PromptStoreStatus::Stored) return prompt_refusal_message(r).toStdString();
        return {};
    }

    // ---- display
    if (name == "display.language") {
        const auto index = parse_item(language_texts(), value);
        if (!index) return not_an_item(language_texts());
        const LanguageItem& item = language_items()[static_cast<std::size_t>(*index)];
        // Choosing the language the list already shows copies no table.
        if (item.code != stored_language_code(image)) apply_language(image, item.table);
        return {};
    }
    if (name == "display.logo_font") {
        const auto index = parse_item(logo_font_texts(), value);
        if (!index) return not_an_item(logo_font_texts());
        set_bits(image, kLogoFontAddress, 0, *index == 0 ? kLogoLargeFont : kLogoSmallFont, 4);
        return {};
    }
    if (name == "display.contrast") {
        const auto v = parse_number(value);
        if (!v || *v < kContrastMin || *v > kContrastMax) return "the contrast is 1 to 8";
        image[kContrastAddress] = static_cast<std::uint8_t>(*v);
        return {};
    }
    if (name == "display.lamp_time") {
        if (!direct_paging(image)) return "shown only with Paging Display Direct";
        const auto index = parse_item(lamp_texts(), value);
        if (!index) return not_an_item(lamp_texts());
        image[kLampAddress] = static_cast<std::uint8_t>(lamp_items()[static_cast<std::size_t>(*index)].value);
        return {};
    }
    if (name == "display.push_key_lamp") {
        const auto on = parse_box(value);
        if (!on) return "takes true or false";
        if (*on != key_lamp_on(image)) change_push_key_lamp(image, *on);
        return {};
    }
    for (int i = 0; i < 3; ++i) {
        static const char* const levels[3] = {"display.battery.low", "display.battery.med", "display.battery.high"};
        if (name != levels[i]) continue;
        const auto index = parse_item(battery_texts(), value);
        if (!index) return not_an_item(battery_texts());
        image[kBatteryLevelFirst + i] = static_cast<std::uint8_t>(battery_levels()[static_cast<std::size_t>(*index)].value);
        return {};
    }

    // ---- passwords
    if (name == "passwords.read_write") {
        const QString text = QString::fromStdString(value);
        if (text.toUcs4().size() > kRwPasswordLength) return box_too_long(kRwPasswordLength);
        const RwPasswordOutcome outcome = check_rw_password(text);
        if (outcome.result != RwPasswordCheck::Accepted) return outcome.message.toStdString();
        store_rw_password(image, outcome.bytes);
        return {};
    }
    if (name == "passwords.manual") {
        if (trimmed(value).size() > 4) return box_too_long(4);
        const ManualPasswordOutcome outcome = check_manual_password(QString::fromStdString(value));
        if (outcome.result == ManualPasswordCheck::Empty) return "no password given";
        if (outcome.result != ManualPasswordCheck::Accepted) return outcome.message.toStdString();
        store_manual_password(image, outcome.digits);
        return {};
    }

    // ---- alerts
    if (name == "alerts.menu_left_out") {
        MenuLeftOut left_out{};
        std::string rest = value;
        while (!trimmed(rest).empty()) {
            const auto comma = rest.find(',');
            const std::string item = trimmed(rest.substr(0, comma));
            rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
            bool found = false;
            for (int i = 0; i < kMenuItems; ++i) {
                if (item == menu_item_captions()[static_cast<std::size_t>(i)]) {
                    left_out[static_cast<std::size_t>(i)] = true;
                    found = true;
                }
            }
            if (!found) return "\"" + item + "\" is no menu item";
        }
        // While "Always Vibrate" is ticked, "Set Alert Off" stays ticked.
        if (always_vibrate_on(image) && !left_out[static_cast<std::size_t>(kSetAlertItem)])
            return "Set Alert Off stays left out while Always Vibrate is ticked";
        if (left_out == menu_left_out(image)) return {};
        if (!store_menu_list(image, left_out)) return kMenuFullMessage;
        return {};
    }
    if (name == "alerts.default_tone") {
        if (!set_alert_left_out(image) || capcode_music_on(image))
            return "shown only with Set Alert Off ticked and User's Capcode Music Type Enable clear";
        const auto index = parse_item(texts(tone_items()), value);
        if (!index) return not_an_item(texts(tone_items()));
        image[kToneAddress] = static_cast<std::uint8_t>(tone_items()[static_cast<std::size_t>(*index)].value);
        saved_tone = *index;
        return {};
    }
    if (name == "alerts.personal_alert_length") {
        const auto index = parse_item(texts(person_alert_items()), value);
        if (!index) return not_an_item(texts(person_alert_items()));
        image[kPersonAlertAddress] = static_cast<std::uint8_t>(person_alert_items()[static_cast<std::size_t>(*index)].value);
        return {};
    }
    if (name == "alerts.out_of_range") {
        const auto index = parse_item(texts(out_of_range_items()), value);
        if (!index) return not_an_item(texts(out_of_range_items()));
        if (*index != out_of_range_index(image)) store_out_of_range(image, *index);
        return {};
    }
    if (name == "alerts.sequential_lockout") {
        const auto index = parse_item(texts(sequential_lockout_items()), value);
        if (!index) return not_an_item(texts(sequential_lockout_items()));
        if (*index != sequential_lockout_index(image)) store_sequential_lockout(image, *index);
        return {};
    }
    if (name == "alerts.mail_alert") {
        const auto on = parse_box(value);
        if (!on) return "takes true or false";
        set_bits(image, kMailAlertMaster, kMailAlertMasterBit, *on ? 1 : 0, 1);
        return {};
    }
    if (const auto number = numbered(name, "alerts.mail_drop.", ".alert")) {
        if (*number < 2 || *number > kCapcodeSlots) return "mail-drop alerts are 2 to 16";
        const int slot = *number - 1;
        if (hidden(slot)) return covered_by(*number);
        if (get_bits(image, kMailAlertMaster, kMailAlertMasterBit, 1) != 1 ||
            capcode_type(image, slot) != CapcodeType::MailDrop)
            return "shown only with Mail Alert ticked for a Mail drop capcode";
        const auto index = parse_item(mail_alert_items(), value);
        if (!index) return not_an_item(mail_alert_items());
        const auto current = mail_alert(image, slot);
        if (current && static_cast<int>(*current) == *index) return {};
        store_mail_alert(image, slot, static_cast<MailAlert>(*index), slot % 2 == 0 && shown[static_cast<std::size_t>(slot / 2)]);
        return {};
    }

    // ---- melodies
    if (const auto number = numbered(name, "melodies.slots.", ".music_type")) {
        if (*number < 1 || *number > kMelodySlots) return "music types are 1 to 16";
        const int slot = *number - 1;
        if (hidden(slot)) return covered_by(*number);
        if (!capcode_music_on(image)) return "the music type lists are off (User's Capcode Music Type Enable clear)";
        const std::vector<std::string> items = texts(music_type_items(slot));
        const auto index = parse_item(items, value);
        if (!index) return not_an_item(items);
        if (music_type_index(image, slot) == *index) return {};
        store_music_type(image, slot, music_type_items(slot)[static_cast<std::size_t>(*index)].value,
                         slot % 2 == 0 && shown[static_cast<std::size_t>(slot / 2)]);
        return {};
    }
    if (const auto number = numbered(name, "melodies.slots.", ".melody")) {
        if (*number < 1 || *number > kMelodySlots) return "melodies are 1 to 16";
        const int slot = *number - 1;
        if (hidden(slot)) return covered_by(*number);
        if (music_type_index(image, slot) != 0) return "the melody box shows only for the music type User";
        if (value.empty()) return "no melody given";
        if (value.size() > static_cast<std::size_t>(kMelodyLength)) return box_too_long(kMelodyLength);
        const bool single = single_tone_mode(image);
        for (const char c : value)
            if (!melody_char_allowed(c, single)) return melody_refusal_message(single);
        enter_user_melody(image, slot, value, shown);
        return {};
    }
    return "no setting of that name";
}

// ---------------------------------------------------------------- commands

namespace {

// Switches that grey out or hide other settings, with the value that opens
// them. A command that closes one sets its other settings first, as a user of
// the window opens the lock, changes what it holds and closes it again.
// Ranks doubled, so that a closing lock fits between the ranks; an opening
// comes before everything.
constexpr int kOpen = -1;
constexpr int kCloseBeforeTexts = 7; // after the values (3), before the texts (4)
constexpr int kCloseLast = 9;
struct Lock {
    const char* name;
    const char* closed; // nullptr: every value but `open`
    const char* open;
    int close;
};
constexpr Lock kLocks[] = {
    // The music type lists and "Always Vibrate"; closed before the default
    // tone, which shows only while it is clear.
    {"options.user_s_capcode_music_type_enable", "false", "true", kCloseBeforeTexts},
    {"options.paging_display", "Page Count", "Direct", kCloseLast}, // direct show boxes, lamp time
    {"display.push_key_lamp", "false", "true", kCloseLast},         // RD key boxes
    {"alerts.mail_alert", "false", "true", kCloseLast},             // mail-drop alert lists
    {"source_prompts.mode", "Disable", "Backward", kCloseLast},     // source prompt boxes
    {"capcode_count", nullptr, "16", kCloseLast},                   // the rows above the count
};

struct Step {
    int rank;
    std::size_t given; // index of the setting in the command
    std::string value;
};

} // namespace

std::string apply_settings(PagerTable& image, const std::vector<std::pair<std::string, std::string>>& settings) {
    std::vector<Step> steps;
    for (std::size_t i = 0; i < settings.size(); ++i) {
        const auto& [name, value] = settings[i];
        int rank = 2 * setting_rank(name);
        for (const Lock& lock : kLocks) {
            if (name != lock.name || trimmed(value) == lock.open) continue;
            if (lock.closed && trimmed(value) != lock.closed) continue;
            steps.push_back({kOpen, i, lock.open});
            rank = lock.close;
        }
        steps.push_back({rank, i, value});
    }
    std::stable_sort(steps.begin(), steps.end(), [](const Step& a, const Step& b) { return a.rank < b.rank; });
    SettingSession session(image);
    for (const Step& step : steps) {
        const auto& [name, value] = settings[step.given];
        if (const std::string why = session.apply(name, step.value); !why.empty()) return name + "=" + value + ": " + why;
    }
    // A pair switched to "Long" holds one long capcode only once it is given one.
    for (int p = 0; p < kCapcodePairs; ++p) {
        if (!session.shown[static_cast<std::size_t>(p)] || pair_is_long_in_image(image, p)) continue;
        const std::string name = "capcodes." + std::to_string(2 * p + 1) + ".length";
        std::string given = name + "=Long";
        for (const auto& [n, v] : settings)
            if (n == name) given = n + "=" + v;
        return given + ": give the long capcode too (" + "capcodes." + std::to_string(2 * p + 1) +
               ".capcode=VALUE, 2101249 or more)";
    }
    // The levels' order is checked once all of them are set, and only when
    // the command sets one.
    for (const auto& [n, v] : settings)
        if (n.rfind("display.battery.", 0) == 0)
            if (const std::string why = session.finish(); !why.empty()) return n + "=" + v + ": " + why;
    return {};
}

std::string apply_setting(PagerTable& image, const std::string& name, const std::string& value) {
    return apply_settings(image, {{name, value}});
}

} // namespace qrt58
