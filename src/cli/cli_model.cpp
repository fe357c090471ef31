#include "cli_model.h"

#include <QJsonArray>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace qrt58::cli {

std::vector<ImageBits> whole_bytes(int first, int count) {
    std::vector<ImageBits> bits;
    for (int a = first; a < first + count && a < kImageSize; ++a) bits.push_back({a, 0xFF});
    return bits;
}

ImageBits bit_field(int address, int bit, int width) {
    return {address, static_cast<std::uint8_t>(((1u << width) - 1u) << bit)};
}

std::string hex_byte(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", v);
    return buf;
}

void ImageModel::add(const std::string& key, const QJsonValue& value, std::string text, std::vector<ImageBits> bits) {
    index_[key] = settings_.size();
    settings_.push_back({key, value, std::move(text), std::move(bits)});
}

const Setting& ImageModel::at(const std::string& key) const {
    const auto it = index_.find(key);
    if (it == index_.end()) throw std::out_of_range("no setting named " + key);
    return settings_[it->second];
}

std::array<std::uint8_t, kImageSize> ImageModel::coverage() const {
    std::array<std::uint8_t, kImageSize> covered{};
    for (const Setting& s : settings_)
        for (const ImageBits& b : s.bits)
            if (b.address >= 0 && b.address < kImageSize) covered[static_cast<std::size_t>(b.address)] |= b.mask;
    return covered;
}

ImageModel build_image_model(const PagerTable& image) {
    ImageModel model;
    add_frequency_and_capcodes(model, image);
    add_prompts_and_display(model, image);
    add_alerts_and_melodies(model, image);
    return model;
}

namespace {

// The names of the model as a tree, children in the order they first appear.
struct Node {
    QJsonValue value;
    std::vector<std::pair<std::string, std::unique_ptr<Node>>> children;

    Node& child(const std::string& name) {
        for (auto& c : children)
            if (c.first == name) return *c.second;
        children.emplace_back(name, std::make_unique<Node>());
        return *children.back().second;
    }
    QJsonValue json() const {
        if (children.empty()) return value;
        bool numbered = true;
        for (const auto& c : children)
            numbered = numbered && !c.first.empty() && c.first.find_first_not_of("0123456789") == std::string::npos;
        if (numbered) {
            QJsonArray array;
            for (const auto& c : children) array.append(c.second->json());
            return array;
        }
        QJsonObject object;
        for (const auto& c : children) object.insert(QString::fromStdString(c.first), c.second->json());
        return object;
    }
};

} // namespace

QJsonObject model_json(const ImageModel& model) {
    Node root;
    for (const Setting& s : model.settings()) {
        Node* node = &root;
        std::size_t start = 0;
        for (std::size_t dot; (dot = s.key.find('.', start)) != std::string::npos; start = dot + 1)
            node = &node->child(s.key.substr(start, dot - start));
        node->child(s.key.substr(start)).value = s.value;
    }
    return root.json().toObject();
}

} // namespace qrt58::cli
