// Dotted names ("capcodes.3.number") as nested JSON: each name part is an
// object member, and an object whose member names are all numbers is an array
// of them in the order they came.
#pragma once

#include <QJsonValue>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qrt58 {

class DottedTree {
public:
    // Sets the value at `dotted`, making the objects on the way; a part seen
    // for the first time goes after its siblings.
    void insert(const std::string& dotted, const QJsonValue& value);
    // As a QJsonValue (whose objects sort their members by name).
    QJsonValue json() const;
    // As JSON text whose objects keep the order of insertion, indented by four
    // spaces as QJsonDocument indents, ending in a line break.
    std::string text() const;

private:
    struct Node {
        QJsonValue value;
        std::vector<std::pair<std::string, std::unique_ptr<Node>>> children;

        Node& child(const std::string& name);
        bool numbered() const;
        QJsonValue json() const;
        void write(const std::string& indent, std::string& out) const;
    };
    Node root_;
};

} // namespace qrt58
