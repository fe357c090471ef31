#include "ordered_json.h"

#include "dotted_tree.h"

namespace qrt58::cli {

std::string ordered_json(const std::vector<std::pair<std::string, QJsonValue>>& leaves) {
    DottedTree tree;
    for (const auto& [key, value] : leaves) tree.insert(key, value);
    return tree.text();
}

} // namespace qrt58::cli
