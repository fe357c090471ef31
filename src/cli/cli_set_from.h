// qrt58cli set FILE --from SETTINGS.json: the settings of a `show --json`
// document applied to a table file, so that a receiver's configuration can be
// kept as readable JSON.
#pragma once

#include "cli_common.h"
#include "pager_table.h"

#include <QByteArray>
#include <QString>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qrt58::cli {

using Assignment = std::pair<std::string, std::string>;
using Assignments = std::vector<Assignment>;

// A `show --json` document as `set` takes it: its settable names with their
// values as `set` takes them (true/false, numbers in decimal, texts, list
// items joined by commas), in document order, null values left out (the
// window shows nothing there); and the other values it lists (a prompt's
// column and the like) as the same texts, by name.
struct SettingsDocument {
    Assignments settings;
    std::map<std::string, std::string> listed;
};

// nullopt with `error` for a document that is not one: not JSON, another
// format, a member of the wrong kind.
std::optional<SettingsDocument> settings_of_document(const QByteArray& json, std::string& error);

// Applies a document's settings and then `given` (NAME=VALUE assignments of
// the command line) to `image` by the rules of `set`. A setting of the
// document that the window greys out or hides in the state the others make
// is given its value the way a user of the window would: the boxes in front
// of it opened, the value set, the boxes put back. Prompts the document lists
// as the language's table has them (columns and spaces no typing makes) are
// taken from that table. Empty when accepted, else "NAME=VALUE: reason".
std::string apply_document(PagerTable& image, const SettingsDocument& document, const Assignments& given);

// set FILE --from PATH ('-': standard input) [NAME=VALUE...]: FILE is saved
// only when everything was accepted.
int cmd_set_from(const std::string& file, const QString& path, const std::vector<std::string>& given,
                 const CommandIo& io);

} // namespace qrt58::cli
