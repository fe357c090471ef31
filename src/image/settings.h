// Applying settings a user chooses in the editor window, by the dotted name the
// listing (`qrt58cli show --json`) gives them: a session that holds what the
// window holds beside the image, and the order in which the settings of one
// command are applied. Each setting's own rule (what a value does to the image,
// its refusals as errors, the controls the window greys out or hides as
// settings that cannot be chosen in that state) is its row of the settings'
// table (setting_table.h).
//
// `qrt58cli set` and the production jobs apply settings through this; the
// window's editors call the same store and change functions.
#pragma once

#include "change_rules.h"
#include "pager_table.h"

#include <string>
#include <utility>
#include <vector>

namespace qrt58 {

// What the window holds beside the image while settings change one after
// another: the lengths the lists show and the saved default tone (the tone the
// list goes back to when per-capcode music is switched off again). A session
// started on an image holds what a window that has just opened it holds.
class SettingSession {
public:
    explicit SettingSession(PagerTable& image);

    // Applies NAME=VALUE; empty when accepted, else the reason (the window's
    // message where the window has one). A refusal leaves the image unchanged.
    std::string apply(const std::string& name, const std::string& value);

    // The checks that need the settings of a whole command (the battery
    // levels' order); empty when they hold.
    std::string finish() const;

    PairLengths shown{};
    int saved_tone = 0; // index into tone_items()

    PagerTable& image() { return image_; }
    const PagerTable& image() const { return image_; }
    // True for the second slot of a pair the lists show as "Long": the long
    // capcode of the slot before covers it.
    bool hidden(int slot) const { return slot % 2 == 1 && shown[static_cast<std::size_t>(slot / 2)]; }

private:
    std::string apply_unchecked(const std::string& name, const std::string& value);

    PagerTable& image_;
};

// A settable name (N stands for a slot or prompt number) with the values it
// takes, for `set --list`.
struct SettableName {
    std::string name;
    std::string values;
};
const std::vector<SettableName>& settable_names();

// True when `name` is a settable name (any slot number; the number itself is
// checked when applied).
bool is_settable_name(const std::string& name);

// Order in which the settings of one command are applied: a setting that
// changes what others may take or mean (a range preset, a length, a mode, a
// lock) comes before them. Lower first.
int setting_rank(const std::string& name);

// Applies NAME=VALUE pairs in setting_rank order (given order within a rank)
// through one session. Returns empty when every one was accepted, else
// "NAME=VALUE: reason" of the first refusal; the image may then be partly
// changed, so callers work on a copy.
std::string apply_settings(PagerTable& image, const std::vector<std::pair<std::string, std::string>>& settings);

// The start of a long text as a message echoes it: at most `max` bytes (cut
// on a character boundary) and how long the whole is, so that a refused
// million-character cell does not flood the terminal.
std::string shown_text(const std::string& text, std::size_t max = 60);

// One setting on its own: apply_settings with a single pair.
std::string apply_setting(PagerTable& image, const std::string& name, const std::string& value);

// "options." + the caption in lower case, words joined by "_": the name of a
// plain check box or list of the status and options areas.
std::string option_key(const char* caption);

// The plain check boxes and lists (field tags) that hold nothing but their
// field, in page order, with their list items.
struct OptionBinding {
    const char* caption;
    const char* tag;
    std::vector<const char*> items; // lists only
};
const std::vector<OptionBinding>& option_bindings();
// The binding of that caption, null when the table has none.
const OptionBinding* find_option_binding(const std::string& caption);

} // namespace qrt58
