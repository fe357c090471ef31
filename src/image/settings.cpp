#include "settings.h"

#include "alerts.h"
#include "capcode.h"
#include "display.h"
#include "setting_table.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

namespace qrt58 {

namespace {

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
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

const OptionBinding* find_option_binding(const std::string& caption) {
    for (const OptionBinding& b : option_bindings())
        if (caption == b.caption) return &b;
    return nullptr;
}

// ---------------------------------------------------------------- names

const std::vector<SettableName>& settable_names() {
    static const std::vector<SettableName> names = [] {
        std::vector<SettableName> out;
        for (const SettingGroup& group : setting_table())
            for (const SettingRow& row : group.rows)
                if (!row.values.empty())
                    out.push_back({group.prefix.empty() ? row.field : group.prefix + ".N." + row.field, row.values});
        return out;
    }();
    return names;
}

bool is_settable_name(const std::string& name) { return find_setting(name) != nullptr; }

int setting_rank(const std::string& name) {
    const SettingRow* row = find_setting(name);
    return row ? row->rank : 3;
}

// ---------------------------------------------------------------- session

SettingSession::SettingSession(PagerTable& image) : shown(long_pairs_from_image(image)), image_(image) {
    saved_tone = item_index(tone_items(), default_tone_code(image)).value_or(0);
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
    int number = 0;
    const SettingRow* row = find_setting(name, &number);
    if (!row) return "no setting of that name";
    return row->apply(*this, number, value);
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
        if (const std::string why = session.apply(name, step.value); !why.empty())
            return shown_text(name + "=" + value) + ": " + why;
    }
    // A pair switched to "Long" holds one long capcode only once it is given one.
    for (int p = 0; p < kCapcodePairs; ++p) {
        if (!session.shown[static_cast<std::size_t>(p)] || pair_is_long_in_image(image, p)) continue;
        const std::string name = "capcodes." + std::to_string(2 * p + 1) + ".length";
        std::string given = name + "=Long";
        for (const auto& [n, v] : settings)
            if (n == name) given = shown_text(n + "=" + v);
        return given + ": give the long capcode too (" + "capcodes." + std::to_string(2 * p + 1) +
               ".capcode=VALUE, 2101249 or more)";
    }
    // The levels' order is checked once all of them are set, and only when
    // the command sets one.
    for (const auto& [n, v] : settings)
        if (n.rfind("display.battery.", 0) == 0)
            if (const std::string why = session.finish(); !why.empty()) return shown_text(n + "=" + v) + ": " + why;
    return {};
}

std::string shown_text(const std::string& text, std::size_t max) {
    if (text.size() <= max) return text;
    std::size_t cut = max;
    // Never half a UTF-8 character.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut) + "... (" + std::to_string(text.size()) + " characters)";
}

std::string apply_setting(PagerTable& image, const std::string& name, const std::string& value) {
    return apply_settings(image, {{name, value}});
}

} // namespace qrt58
