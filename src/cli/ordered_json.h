// JSON text whose objects keep their members in the order given (QJsonObject
// keeps them sorted by name), for documents whose order means something: the
// listing's order in `show --json`.
#pragma once

#include <QJsonValue>
#include <string>
#include <utility>
#include <vector>

namespace qrt58::cli {

// The format of `show --json`'s document, its "format" member: raised when a
// name changes meaning or goes, so that scripts can check what they read.
constexpr int kListingFormat = 1;

// `leaves`: dotted names and their values, in document order. The names make
// nested objects; an object whose member names are all numbers is an array of
// them, in the order they come. Indented by four spaces, as QJsonDocument
// indents.
std::string ordered_json(const std::vector<std::pair<std::string, QJsonValue>>& leaves);

} // namespace qrt58::cli
