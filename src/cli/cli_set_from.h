// qrt58cli set FILE --from SETTINGS.json: the settings of a `show --json`
// document applied to a table file, so that a receiver's configuration can be
// kept as readable JSON.
#pragma once

#include "cli_common.h"
#include "pager_table.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qrt58::cli {

using Assignments = std::vector<std::pair<std::string, std::string>>;

// The settable names of a `show --json` document with their values as `set`
// takes them (true/false, numbers in decimal, texts, list items joined by
// commas), in document order; null values are left out (the window shows
// nothing there). nullopt with `error` for a document that is not one: not
// JSON, another format, a member of the wrong kind.
std::optional<Assignments> settings_of_document(const QByteArray& json, std::string& error);

// Applies a document's settings and then `given` (NAME=VALUE assignments of
// the command line) to `image` by the rules of `set`. A setting of the
// document that the window greys out or hides in the state the others make
// (the second slot of a Long pair, a length of an even slot) is left out
// when the image shows the document's value there anyway; otherwise its
// refusal is the error. Empty when accepted, else "NAME=VALUE: reason".
std::string apply_document(PagerTable& image, const Assignments& document, const Assignments& given);

// set FILE --from PATH ('-': standard input) [NAME=VALUE...]: FILE is saved
// only when everything was accepted.
int cmd_set_from(const std::string& file, const QString& path, const std::vector<std::string>& given,
                 const CommandIo& io);

} // namespace qrt58::cli
