#include "cli_set_from.h"
#include "cli_model.h"
#include "cli_show.h"
#include "ordered_json.h"

#include "alerts.h"
#include "default_image.h"
#include "display.h"
#include "prompts.h"
#include "safe_file.h"
#include "setting_table.h"
#include "settings.h"
#include "table_file.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <iterator>
#include <istream>
#include <map>
#include <set>

namespace qrt58::cli {
namespace {

// For every path of the listing whose children are numbered (slots, prompts),
// the numbers in listing order: the n-th entry of that array in a document is
// the n-th of them.
const std::map<std::string, std::vector<std::string>>& numbered_children() {
    static const std::map<std::string, std::vector<std::string>> map = [] {
        std::map<std::string, std::vector<std::string>> m;
        const ImageModel model = build_image_model(build_default_image());
        for (const Setting& s : model.settings()) {
            std::size_t start = 0;
            for (std::size_t dot; (dot = s.key.find('.', start)) != std::string::npos; start = dot + 1) {
                const std::string part = s.key.substr(start, dot - start);
                if (part.find_first_not_of("0123456789") != std::string::npos) continue;
                auto& numbers = m[s.key.substr(0, start == 0 ? 0 : start - 1)];
                if (numbers.empty() || numbers.back() != part) numbers.push_back(part);
            }
        }
        return m;
    }();
    return map;
}

// A listed value as `set` takes it; nullopt for null. `error` is set for a
// value `set` has no text for.
std::optional<std::string> set_text(const QJsonValue& v, std::string& error) {
    if (v.isBool()) return v.toBool() ? "true" : "false";
    if (v.isString()) return v.toString().toStdString();
    if (v.isDouble()) {
        const double n = v.toDouble();
        if (n != static_cast<double>(static_cast<long long>(n))) error = "is no whole number";
        return std::to_string(static_cast<long long>(n));
    }
    if (v.isArray()) {
        std::string text;
        for (const QJsonValue& item : v.toArray()) {
            if (!item.isString()) error = "lists something other than texts";
            text += (text.empty() ? "" : ",") + item.toString().toStdString();
        }
        return text;
    }
    return std::nullopt;
}

struct Walk {
    SettingsDocument document;
    std::string error;

    bool value(const std::string& name, const QJsonValue& v) {
        if (v.isObject()) return object(name, v.toObject());
        if (v.isArray() && !v.toArray().isEmpty() && v.toArray().first().isObject()) return array(name, v.toArray());
        if (!is_settable_name(name)) {
            // What the image holds or shows, not a choice: kept to compare with.
            std::string ignored;
            if (const auto text = set_text(v, ignored)) document.listed.emplace(name, *text);
            return true;
        }
        const auto text = set_text(v, error);
        if (!error.empty()) return fail(name, error);
        if (text) document.settings.emplace_back(name, *text);
        return true;
    }
    bool object(const std::string& path, const QJsonObject& o) {
        for (auto it = o.begin(); it != o.end(); ++it)
            if (!value(path.empty() ? it.key().toStdString() : path + '.' + it.key().toStdString(), it.value()))
                return false;
        return true;
    }
    bool array(const std::string& path, const QJsonArray& a) {
        const auto numbers = numbered_children().find(path);
        if (numbers == numbered_children().end()) return fail(path, "is no list of the listing");
        if (static_cast<std::size_t>(a.size()) > numbers->second.size())
            return fail(path, "has more entries than the listing (" + std::to_string(numbers->second.size()) + ")");
        for (qsizetype i = 0; i < a.size(); ++i)
            if (!value(path + '.' + numbers->second[static_cast<std::size_t>(i)], a[i])) return false;
        return true;
    }
    bool fail(const std::string& name, const std::string& why) {
        error = name + ' ' + why;
        return false;
    }
};

std::optional<std::uint8_t> parse_byte(const std::string& text) {
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const int n = std::stoi(text);
    if (n > 255) return std::nullopt;
    return static_cast<std::uint8_t>(n);
}

// What `image` shows for every setting, as `set` takes it (null ones left out).
std::map<std::string, std::string> shown_values(const PagerTable& image) {
    std::map<std::string, std::string> shown;
    const ImageModel model = build_image_model(image);
    for (const Setting& s : model.settings()) {
        std::string error;
        if (const auto text = set_text(s.value.json(), error)) shown.emplace(s.key, *text);
    }
    return shown;
}

std::optional<std::string> shown_value(const PagerTable& image, const std::string& name) {
    const auto shown = shown_values(image);
    const auto it = shown.find(name);
    if (it == shown.end()) return std::nullopt;
    return it->second;
}

// The names of `wanted` that `image` shows with the wanted value.
std::set<std::string> holding(const PagerTable& image, const Assignments& wanted) {
    const auto shown = shown_values(image);
    std::set<std::string> names;
    for (const auto& [name, value] : wanted) {
        const auto it = shown.find(name);
        if (it != shown.end() && it->second == value) names.insert(name);
    }
    return names;
}

bool holds_all(const std::set<std::string>& now, const std::set<std::string>& before) {
    return std::includes(now.begin(), now.end(), before.begin(), before.end());
}

// A box the window greys out or hides behind another box: the opener, and
// the value that opens it given what the opener shows. A box may sit behind
// several (a source prompt's text behind its tick and behind the mode); they
// are opened in this order.
struct Gate {
    const char* setting; // N: a slot number
    const char* opener;  // N: the same slot
    std::string (*open)(const std::string& shown);
};

std::string ticked(const std::string&) { return "true"; }
std::string user_melody(const std::string&) { return "User"; }
std::string mail_drop(const std::string&) { return "Mail drop"; }
std::string direct(const std::string&) { return "Direct"; }
std::string all_slots(const std::string&) { return "16"; }
std::string world_music(const std::string&) { return "World Wild Music "; }
// Only "Disable" greys the source prompts out; any other mode is kept.
std::string source_prompts_on(const std::string& shown) { return shown == "Disable" ? "Backward" : shown; }
// The default tone shows while "Set Alert Off" is one of the items left out.
std::string set_alert_left_out(const std::string& shown) {
    const std::string item = menu_item_captions()[static_cast<std::size_t>(kSetAlertItem)];
    for (std::size_t at = 0; at <= shown.size();) {
        const auto comma = std::min(shown.find(',', at), shown.size());
        if (shown.compare(at, comma - at, item) == 0) return shown;
        at = comma + 1;
    }
    return shown.empty() ? item : shown + ',' + item;
}

const Gate kGates[] = {
    {"source_prompts.slots.N.enabled", "source_prompts.mode", source_prompts_on},
    {"source_prompts.slots.N.text", "source_prompts.mode", source_prompts_on},
    {"source_prompts.slots.N.text", "source_prompts.slots.N.enabled", ticked},
    {"melodies.slots.N.melody", "melodies.slots.N.music_type", user_melody},
    {"melodies.slots.N.music_type", "options.user_s_capcode_music_type_enable", ticked},
    {"capcodes.N.capcode", "capcode_count", all_slots},
    {"capcodes.N.enabled", "capcode_count", all_slots},
    {"capcodes.N.type", "capcode_count", all_slots},
    {"capcodes.11.enabled", "options.music_type_select", world_music},
    {"alerts.mail_drop.N.alert", "alerts.mail_alert", ticked},
    {"alerts.mail_drop.N.alert", "capcodes.N.type", mail_drop},
    {"alerts.default_tone", "alerts.menu_left_out", set_alert_left_out},
    {"display.lamp_time", "options.paging_display", direct},
    {"options.direct_show_lamp_on", "options.paging_display", direct},
    {"options.direct_show_until_press_key", "options.paging_display", direct},
    {"options.rd_key_delete_enable", "display.push_key_lamp", ticked},
    {"options.rd_key_switch_alert", "display.push_key_lamp", ticked},
};

// The opener of `gate` for `name` with the slot number of `name`, or empty
// when the gate is not one of `name`.
std::string opener_of(const Gate& gate, const std::string& name) {
    const std::string family = gate.setting;
    const auto n = family.find(".N.");
    if (n == std::string::npos) return name == family ? gate.opener : std::string();
    const std::string head = family.substr(0, n + 1), tail = family.substr(n + 2);
    if (name.size() <= head.size() + tail.size() || name.compare(0, head.size(), head) != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
        return {};
    const std::string slot = name.substr(head.size(), name.size() - head.size() - tail.size());
    if (slot.find_first_not_of("0123456789") != std::string::npos) return {};
    std::string opener = gate.opener;
    if (const auto at = opener.find(".N."); at != std::string::npos) opener.replace(at, 3, '.' + slot + '.');
    return opener;
}

// Opens the gates in front of `name` (and theirs in turn); `opened` gets each
// opener with the value it showed before, in the order they were opened.
bool open_gates(SettingSession& session, const std::string& name, Assignments& opened, int depth = 0) {
    if (depth > 3) return false;
    for (const Gate& gate : kGates) {
        const std::string opener = opener_of(gate, name);
        if (opener.empty()) continue;
        const auto shown = shown_value(session.image(), opener);
        if (!shown) return false;
        const std::string open = gate.open(*shown);
        if (open == *shown) continue;
        if (!open_gates(session, opener, opened, depth + 1) || !session.apply(opener, open).empty()) return false;
        opened.emplace_back(opener, *shown);
    }
    return true;
}

// Keeps `trial` as the image when `name` shows its value of `wanted` there and
// every setting of `wanted` that held in `image` still holds.
bool keep_if_held(PagerTable& image, const PagerTable& trial, const std::string& name, const Assignments& wanted) {
    const std::set<std::string> now = holding(trial, wanted);
    if (!now.count(name) || !holds_all(now, holding(image, wanted))) return false;
    image = trial;
    return true;
}

// Types the entries of `typed` into `name` one after another with the boxes in
// front of it opened, and puts the boxes back, as a user of the window does.
bool type_behind_gates(SettingSession& session, const std::string& name, const std::vector<std::string>& typed) {
    Assignments opened;
    if (!open_gates(session, name, opened)) return false;
    for (const std::string& entry : typed)
        if (!session.apply(name, entry).empty()) return false;
    for (auto it = opened.rbegin(); it != opened.rend(); ++it)
        if (!session.apply(it->first, it->second).empty()) return false;
    return true;
}

// Gives `name` its value of `wanted` by typing `typed` behind its gates, in one
// session, which keeps what the window keeps between clicks (the tone to go
// back to).
bool set_behind_gates(PagerTable& image, const std::string& name, const std::vector<std::string>& typed,
                      const Assignments& wanted) {
    PagerTable trial = image;
    SettingSession session(trial);
    return type_behind_gates(session, name, typed) && keep_if_held(image, trial, name, wanted);
}

// The second slot of a pair shown as "Long" is hidden, and making a pair Long
// copies the first slot's boxes into it, all but the melody of the tone mode
// not shown. Such a value is given as in the window: the pair made Short, the
// value set, the pair made Long again with its capcode (for a melody, while
// the other tone mode is shown, so that the copy goes there).
bool set_under_long_pair(PagerTable& image, const std::string& name, const std::vector<std::string>& typed,
                         const Assignments& wanted) {
    int number = 0;
    if (!find_setting(name, &number) || number < 2 || number % 2 != 0) return false;
    const std::string first = "capcodes." + std::to_string(number - 1) + '.';
    const auto capcode = shown_value(image, first + "capcode");
    const auto multiple = shown_value(image, "options.multiple_tone");
    if (!capcode || !multiple) return false;
    const bool melody = name.rfind("melodies.", 0) == 0;
    PagerTable trial = image;
    SettingSession session(trial);
    const std::string other_mode = *multiple == "true" ? "false" : "true";
    if (!session.hidden(number - 1) || !session.apply(first + "length", "Short").empty() ||
        !type_behind_gates(session, name, typed) ||
        (melody && !session.apply("options.multiple_tone", other_mode).empty()) ||
        !session.apply(first + "length", "Long").empty() || !type_behind_gates(session, first + "capcode", {*capcode}) ||
        (melody && !session.apply("options.multiple_tone", *multiple).empty()))
        return false;
    // Making the pair Short cleared the second slot's "En" bit; a set bit of
    // the first slot passes to it when the first slot's box is ticked.
    const Assignment second_on{"capcodes." + std::to_string(number) + ".enabled", "true"};
    const auto first_enabled = shown_value(trial, first + "enabled");
    if (std::find(wanted.begin(), wanted.end(), second_on) != wanted.end() && !holding(trial, {second_on}).count(second_on.first) &&
        (!first_enabled || !type_behind_gates(session, first + "enabled", {"true"}) ||
         !type_behind_gates(session, first + "enabled", {*first_enabled})))
        return false;
    return keep_if_held(image, trial, name, wanted);
}

// What is typed into `name` to make it show `value`: the value itself, and
// where the box shows a text otherwise than typed, what makes it show that. A
// blank source prompt keeps one space of its own after the spaces typed; an
// empty prompt keeps the column it had, so a character typed first sets it.
std::vector<std::vector<std::string>> ways_to_type(const std::string& name, const std::string& value) {
    std::vector<std::vector<std::string>> ways = {{value}};
    const bool blank = value.find_first_not_of(' ') == std::string::npos;
    if (blank && !value.empty() && name.rfind("source_prompts.slots.", 0) == 0) ways.push_back({value.substr(1)});
    if (value.empty() && name.rfind("prompts.", 0) == 0) ways.push_back({"A", ""});
    return ways;
}

// How many prompts of `wanted` show another text, or another column than the
// document lists.
int prompts_off(const PagerTable& image, const std::map<std::string, std::string>& wanted,
                const std::map<std::string, std::string>& listed) {
    const auto shown = shown_values(image);
    int off = 0;
    for (const PromptSlot& slot : prompt_slots()) {
        const std::string prefix = "prompts." + std::to_string(slot.index) + '.';
        const auto text = wanted.find(prefix + "text");
        if (text == wanted.end()) continue;
        const auto column = listed.find(prefix + "column");
        off += shown.at(prefix + "text") != text->second ||
               (column != listed.end() && shown.at(prefix + "column") != column->second);
    }
    return off;
}

// Prompts the document lists with spaces or a column that no typing gives (the
// factory logo's trailing spaces, a column the language's table sets) come
// from the language's table, as in the window: another language chosen and
// then the image's own again copies the table, and the prompts that differ
// from it are typed again.
void prompts_from_table(PagerTable& image, const Assignments& wanted, const std::map<std::string, std::string>& listed) {
    const std::map<std::string, std::string> by_name(wanted.begin(), wanted.end());
    const int off = prompts_off(image, by_name, listed);
    const auto language = shown_value(image, "display.language");
    if (off == 0 || !language) return;
    PagerTable trial = image;
    for (const LanguageItem& item : language_items()) {
        if (item.text == *language) continue;
        if (!apply_settings(trial, {{"display.language", item.text}}).empty() ||
            !apply_settings(trial, {{"display.language", *language}}).empty())
            return;
        break;
    }
    const auto shown = shown_values(trial);
    for (const PromptSlot& slot : prompt_slots()) {
        const std::string prefix = "prompts." + std::to_string(slot.index) + '.';
        const auto text = by_name.find(prefix + "text");
        if (text == by_name.end()) continue;
        const auto column = listed.find(prefix + "column");
        if (shown.at(prefix + "text") == text->second &&
            (column == listed.end() || shown.at(prefix + "column") == column->second))
            continue;
        bool typed = false;
        for (const auto& way : ways_to_type(text->first, text->second)) {
            PagerTable retyped = trial;
            SettingSession session(retyped);
            bool accepted = true;
            for (const std::string& entry : way) accepted = accepted && session.apply(text->first, entry).empty();
            if (!accepted || shown_value(retyped, text->first) != text->second) continue;
            trial = retyped;
            typed = true;
            break;
        }
        if (!typed) return;
    }
    if (prompts_off(trial, by_name, listed) < off && holds_all(holding(trial, wanted), holding(image, wanted)))
        image = trial;
}

} // namespace

std::optional<SettingsDocument> settings_of_document(const QByteArray& json, std::string& error) {
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError) {
        error = "not a JSON document (" + parse.errorString().toStdString() + " at byte " +
                std::to_string(parse.offset) + ")";
        return std::nullopt;
    }
    if (!document.isObject()) {
        error = "not a document of qrt58cli show --json (no object)";
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    const QJsonValue format = root.value(QStringLiteral("format"));
    if (!format.isUndefined() && format.toInt(-1) != kListingFormat) {
        const QByteArray shown = QJsonDocument(QJsonArray{format}).toJson(QJsonDocument::Compact);
        error = "a document of format " + shown.mid(1, shown.size() - 2).toStdString() +
                "; this qrt58cli reads format " + std::to_string(kListingFormat);
        return std::nullopt;
    }
    Walk walk;
    if (!walk.object("", root)) {
        error = walk.error;
        return std::nullopt;
    }
    return walk.document;
}

std::string apply_document(PagerTable& image, const SettingsDocument& document, const Assignments& given) {
    // Applied as one command; a refused setting of the document is left out
    // and the rest applied again.
    std::map<std::string, std::string> left_out; // name -> its refusal
    PagerTable trial;
    for (;;) {
        Assignments settings;
        for (const auto& s : document.settings)
            if (!left_out.count(s.first)) settings.push_back(s);
        settings.insert(settings.end(), given.begin(), given.end());
        trial = image;
        const std::string why = apply_settings(trial, settings);
        if (why.empty()) break;
        const std::string name = why.substr(0, why.find('='));
        bool from_document = false;
        for (const auto& s : document.settings) from_document = from_document || s.first == name;
        bool given_too = false;
        for (const auto& s : given) given_too = given_too || s.first == name;
        if (!from_document || given_too || left_out.count(name)) return why;
        left_out.emplace(name, why);
    }
    // What the image is to show: the document's values, the command line's
    // where it gives one.
    Assignments wanted;
    for (const auto& s : document.settings) {
        bool given_too = false;
        for (const auto& g : given) given_too = given_too || g.first == s.first;
        if (!given_too) wanted.push_back(s);
    }
    wanted.insert(wanted.end(), given.begin(), given.end());
    // A setting of the document left out was refused because a box of
    // another setting greys it out or hides it in the state the document
    // gives that box (a source prompt's text behind its clear tick, a slot
    // under a Long pair); a text may show otherwise than typed. Each is given
    // its value with those boxes opened and put back, in rounds until no more
    // can be given, since one may open the way for another.
    Assignments pending;
    {
        const std::set<std::string> now = holding(trial, wanted);
        for (const auto& s : wanted)
            if (!now.count(s.first)) pending.push_back(s);
    }
    for (bool progress = true; progress && !pending.empty();) {
        progress = false;
        for (auto it = pending.begin(); it != pending.end();) {
            const auto& [name, value] = *it;
            bool done = holding(trial, {*it}).count(name) > 0;
            for (const auto& typed : ways_to_type(name, value))
                done = done || set_behind_gates(trial, name, typed, wanted) ||
                       set_under_long_pair(trial, name, typed, wanted);
            if (done) {
                it = pending.erase(it);
                progress = true;
            } else {
                ++it;
            }
        }
    }
    // A refusal stands when no way round it was found; a value accepted that
    // shows otherwise (a text only a language's table holds, a value written
    // otherwise than the listing writes it) is no refusal.
    for (const auto& s : pending)
        if (const auto refusal = left_out.find(s.first); refusal != left_out.end()) return refusal->second;
    prompts_from_table(trial, wanted, document.listed);
    // The window writes the key lamp's companion byte only when its box is
    // clicked, so an image whose box never was keeps the factory's byte, which
    // no click gives back: it is taken from the document.
    if (const auto companion = document.listed.find("display.push_key_lamp_companion");
        companion != document.listed.end() && holding(trial, wanted).count("display.push_key_lamp")) {
        const auto byte = parse_byte(companion->second);
        if (byte) store_key_lamp_companion(trial, *byte);
    }
    image = trial;
    return {};
}

int cmd_set_from(const std::string& file, const QString& path, const std::vector<std::string>& given,
                 const CommandIo& io) {
    // A listing is some ten kilobytes; anything past a megabyte is no listing.
    constexpr qint64 kMaxBytes = 1 << 20;
    const std::string source = path == QLatin1String("-") ? std::string("standard input") : path.toStdString();
    QByteArray bytes;
    if (path == QLatin1String("-")) {
        const std::string text{std::istreambuf_iterator<char>(io.in), std::istreambuf_iterator<char>()};
        bytes = QByteArray::fromStdString(text.substr(0, kMaxBytes));
    } else if (const FileResult read = read_regular_file(path, kMaxBytes, bytes); !read.ok) {
        return fail(io.err, "set", read.error.toStdString());
    }
    std::string error;
    const auto document = settings_of_document(bytes, error);
    if (!document) return fail(io.err, "set", source + ": " + error + " (" + file + " unchanged)");
    Assignments assignments;
    for (const std::string& text : given) {
        const auto eq = text.find('=');
        const std::string name = text.substr(0, eq);
        if (eq == std::string::npos || eq == 0 || !is_settable_name(name)) {
            io.err << "qrt58cli: set: " << text
                   << (eq == std::string::npos || eq == 0 ? ": not NAME=VALUE"
                                                          : ": no setting of that name (qrt58cli set --list shows them)")
                   << '\n';
            return kExitUsage;
        }
        assignments.emplace_back(name, text.substr(eq + 1));
    }
    PagerTable image;
    if (!load_for("set", file, image, io.err)) return kExitFailed;
    if (const std::string why = apply_document(image, *document, assignments); !why.empty())
        return fail(io.err, "set", source + ": " + why + " (" + file + " unchanged)");
    const SaveResult saved = save_table_file(QString::fromStdString(file), image);
    if (!saved.ok) return fail(io.err, "set", saved.error.toStdString());
    io.out << "Set " << document->settings.size() + assignments.size() << " settings in " << file << " (" << source
           << ")\n";
    return 0;
}

} // namespace qrt58::cli
