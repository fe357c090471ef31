#include "dotted_tree.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace qrt58 {
namespace {

// One value as JSON text (a string escaped as QJsonDocument escapes it).
std::string scalar(const QJsonValue& value) {
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return text.mid(1, text.size() - 2).toStdString();
}

void write_value(const QJsonValue& value, const std::string& indent, std::string& out) {
    if (!value.isArray() || value.toArray().isEmpty()) {
        out += value.isArray() ? "[]" : scalar(value);
        return;
    }
    out += "[\n";
    const QJsonArray array = value.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        out += indent + "    ";
        write_value(array[i], indent + "    ", out);
        out += i + 1 < array.size() ? ",\n" : "\n";
    }
    out += indent + ']';
}

} // namespace

DottedTree::Node& DottedTree::Node::child(const std::string& name) {
    for (auto& c : children)
        if (c.first == name) return *c.second;
    children.emplace_back(name, std::make_unique<Node>());
    return *children.back().second;
}

bool DottedTree::Node::numbered() const {
    for (const auto& c : children)
        if (c.first.empty() || c.first.find_first_not_of("0123456789") != std::string::npos) return false;
    return true;
}

QJsonValue DottedTree::Node::json() const {
    if (children.empty()) return value;
    if (numbered()) {
        QJsonArray array;
        for (const auto& c : children) array.append(c.second->json());
        return array;
    }
    QJsonObject object;
    for (const auto& c : children) object.insert(QString::fromStdString(c.first), c.second->json());
    return object;
}

void DottedTree::Node::write(const std::string& indent, std::string& out) const {
    if (children.empty()) {
        write_value(value, indent, out);
        return;
    }
    const bool array = numbered();
    out += array ? "[\n" : "{\n";
    for (std::size_t i = 0; i < children.size(); ++i) {
        const auto& [name, node] = children[i];
        out += indent + "    ";
        if (!array) out += scalar(QString::fromStdString(name)) + ": ";
        node->write(indent + "    ", out);
        out += i + 1 < children.size() ? ",\n" : "\n";
    }
    out += indent + (array ? ']' : '}');
}

void DottedTree::insert(const std::string& dotted, const QJsonValue& value) {
    Node* node = &root_;
    std::size_t start = 0;
    for (std::size_t dot; (dot = dotted.find('.', start)) != std::string::npos; start = dot + 1)
        node = &node->child(dotted.substr(start, dot - start));
    node->child(dotted.substr(start)).value = value;
}

QJsonValue DottedTree::json() const { return root_.json(); }

std::string DottedTree::text() const {
    std::string out;
    root_.write("", out);
    return out + '\n';
}

} // namespace qrt58
