#include "ordered_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <memory>

namespace qrt58::cli {
namespace {

struct Node {
    QJsonValue value;
    std::vector<std::pair<std::string, std::unique_ptr<Node>>> children;

    Node& child(const std::string& name) {
        for (auto& c : children)
            if (c.first == name) return *c.second;
        children.emplace_back(name, std::make_unique<Node>());
        return *children.back().second;
    }
    bool numbered() const {
        for (const auto& c : children)
            if (c.first.empty() || c.first.find_first_not_of("0123456789") != std::string::npos) return false;
        return true;
    }
};

// One value as JSON text (a string escaped as QJsonDocument escapes it).
std::string scalar(const QJsonValue& value) {
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return text.mid(1, text.size() - 2).toStdString();
}

void write(const QJsonValue& value, const std::string& indent, std::string& out) {
    if (!value.isArray() || value.toArray().isEmpty()) {
        out += value.isArray() ? "[]" : scalar(value);
        return;
    }
    out += "[\n";
    const QJsonArray array = value.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        out += indent + "    ";
        write(array[i], indent + "    ", out);
        out += i + 1 < array.size() ? ",\n" : "\n";
    }
    out += indent + ']';
}

void write(const Node& node, const std::string& indent, std::string& out) {
    if (node.children.empty()) {
        write(node.value, indent, out);
        return;
    }
    const bool array = node.numbered();
    out += array ? "[\n" : "{\n";
    for (std::size_t i = 0; i < node.children.size(); ++i) {
        const auto& [name, child] = node.children[i];
        out += indent + "    ";
        if (!array) out += scalar(QString::fromStdString(name)) + ": ";
        write(*child, indent + "    ", out);
        out += i + 1 < node.children.size() ? ",\n" : "\n";
    }
    out += indent + (array ? ']' : '}');
}

} // namespace

std::string ordered_json(const std::vector<std::pair<std::string, QJsonValue>>& leaves) {
    Node root;
    for (const auto& [key, value] : leaves) {
        Node* node = &root;
        std::size_t start = 0;
        for (std::size_t dot; (dot = key.find('.', start)) != std::string::npos; start = dot + 1)
            node = &node->child(key.substr(start, dot - start));
        node->child(key.substr(start)).value = value;
    }
    std::string out;
    write(root, "", out);
    return out + '\n';
}

} // namespace qrt58::cli
