#include "cli_set_from.h"
#include "cli_model.h"
#include "cli_show.h"
#include "ordered_json.h"

#include "default_image.h"
#include "safe_file.h"
#include "settings.h"
#include "table_file.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <iterator>
#include <istream>
#include <map>

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
    Assignments settings;
    std::string error;

    bool value(const std::string& name, const QJsonValue& v) {
        if (v.isObject()) return object(name, v.toObject());
        if (v.isArray() && !v.toArray().isEmpty() && v.toArray().first().isObject()) return array(name, v.toArray());
        if (!is_settable_name(name)) return true; // what the image holds or shows, not a choice
        const auto text = set_text(v, error);
        if (!error.empty()) return fail(name, error);
        if (text) settings.emplace_back(name, *text);
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

// Boxes the window greys out or hides behind another box of their own slot
// (a source prompt's text while it is not ticked, a melody while the type is
// not User, a mail-drop alert while the capcode is no mail drop): opened for
// the setting and put back as the document has it, as a user of the window
// would do it.
struct SlotLock {
    const char* family; // the setting, N its slot
    const char* opener; // the box that opens it
    const char* open;   // the value that opens it
};
constexpr SlotLock kSlotLocks[] = {
    {"source_prompts.slots.N.text", "source_prompts.slots.N.enabled", "true"},
    {"melodies.slots.N.melody", "melodies.slots.N.music_type", "User"},
    {"alerts.mail_drop.N.alert", "capcodes.N.type", "Mail drop"},
};

// The opener of `name` with its slot number, or empty.
std::pair<std::string, const char*> opener_of(const std::string& name) {
    for (const SlotLock& lock : kSlotLocks) {
        const std::string family = lock.family;
        const auto n = family.find(".N.");
        const std::string head = family.substr(0, n + 1), tail = family.substr(n + 2);
        if (name.size() <= head.size() + tail.size() || name.compare(0, head.size(), head) != 0 ||
            name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
            continue;
        const std::string slot = name.substr(head.size(), name.size() - head.size() - tail.size());
        if (slot.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string opener = lock.opener;
        opener.replace(opener.find(".N."), 3, '.' + slot + '.');
        return {opener, lock.open};
    }
    return {};
}

// What `image` shows for `name` as `set` takes it.
std::optional<std::string> shown_text(const PagerTable& image, const std::string& name) {
    const ImageModel model = build_image_model(image);
    for (const Setting& s : model.settings()) {
        if (s.key != name) continue;
        std::string error;
        return set_text(s.value.json(), error);
    }
    return std::nullopt;
}

} // namespace

std::optional<Assignments> settings_of_document(const QByteArray& json, std::string& error) {
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
    return walk.settings;
}

std::string apply_document(PagerTable& image, const Assignments& document, const Assignments& given) {
    // Applied as one command; a refused setting of the document is left out
    // and the rest applied again, and it is checked once the rest holds.
    std::map<std::string, std::string> left_out; // name -> its refusal
    for (;;) {
        Assignments settings;
        for (const auto& s : document)
            if (!left_out.count(s.first)) settings.push_back(s);
        settings.insert(settings.end(), given.begin(), given.end());
        PagerTable trial = image;
        const std::string why = apply_settings(trial, settings);
        if (why.empty()) {
            for (const auto& [name, value] : document) {
                const auto refusal = left_out.find(name);
                if (refusal == left_out.end() || shown_text(trial, name) == value) continue;
                // Behind a box of its slot: opened, set, and the box put back.
                const auto [opener, open] = opener_of(name);
                const auto closed = opener.empty() ? std::nullopt : shown_text(trial, opener);
                if (!closed || !apply_settings(trial, {{opener, open}, {name, value}}).empty() ||
                    !apply_settings(trial, {{opener, *closed}}).empty() || shown_text(trial, name) != value)
                    return refusal->second;
            }
            image = trial;
            return {};
        }
        const std::string name = why.substr(0, why.find('='));
        bool from_document = false;
        for (const auto& s : document) from_document = from_document || s.first == name;
        bool given_too = false;
        for (const auto& s : given) given_too = given_too || s.first == name;
        if (!from_document || given_too || left_out.count(name)) return why;
        left_out.emplace(name, why);
    }
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
    io.out << "Set " << document->size() + assignments.size() << " settings in " << file << " (" << source
           << ")\n";
    return 0;
}

} // namespace qrt58::cli
