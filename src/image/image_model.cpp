#include "image_model.h"

#include "dotted_tree.h"

#include <QJsonArray>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace qrt58 {

ImageBits whole_bytes(int first, int count) { return {first, 0xFF, count}; }

ImageBits bit_field(int address, int bit, int width) {
    return {address, static_cast<std::uint8_t>(((1u << width) - 1u) << bit), 1};
}

std::string hex_byte(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", v);
    return buf;
}

// Room for every setting of an image, so that building one allocates little.
constexpr std::size_t kSettingsOfAnImage = 640;

ImageModel::ImageModel() {
    settings_.reserve(kSettingsOfAnImage);
    index_.reserve(kSettingsOfAnImage);
}

std::string printable(const std::string& text) {
    const auto needs_escape = [](unsigned char c, unsigned char next) {
        return c < 0x20 || c == 0x7F || (c == 0xC2 && next >= 0x80 && next <= 0x9F);
    };
    std::size_t i = 0;
    const auto at = [&text](std::size_t k) { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u; };
    while (i < text.size() && !needs_escape(at(i), at(i + 1))) ++i;
    if (i == text.size()) return text; // the usual case: nothing to escape
    std::string out = text.substr(0, i);
    char buf[8];
    for (; i < text.size(); ++i) {
        const unsigned char c = at(i);
        if (c == 0xC2 && needs_escape(c, at(i + 1))) {
            std::snprintf(buf, sizeof buf, "\\u%04X", at(i + 1));
            out += buf;
            ++i;
        } else if (needs_escape(c, at(i + 1))) {
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

PrintableStream::PrintableStream(std::ostream& target) : std::ostream(&buffer_), buffer_(target) {}

PrintableStream::~PrintableStream() { buffer_.hand_on(); }

void PrintableStream::Buffer::hand_on() {
    target_ << held_;
    held_.clear();
}

int PrintableStream::Buffer::overflow(int c) {
    if (c == traits_type::eof()) return 0;
    const char ch = static_cast<char>(c);
    xsputn(&ch, 1);
    return c;
}

std::streamsize PrintableStream::Buffer::xsputn(const char* s, std::streamsize n) {
    std::string text = held_ + std::string(s, static_cast<std::size_t>(n));
    held_.clear();
    // U+0080..U+009F come as 0xC2 and a second byte that may be in the next write.
    if (!text.empty() && static_cast<unsigned char>(text.back()) == 0xC2) {
        held_ = text.substr(text.size() - 1);
        text.pop_back();
    }
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find('\n', start);
        target_ << printable(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        target_ << '\n';
        start = end + 1;
    }
    return n;
}

int PrintableStream::Buffer::sync() {
    hand_on();
    target_.flush();
    return target_ ? 0 : -1;
}

void ImageModel::add(std::string key, Value value, std::string text, BitsList bits) {
    index_.emplace(key, settings_.size());
    settings_.push_back({std::move(key), std::move(value), printable(text), std::move(bits)});
}

void ImageModel::add_list(const std::string& key, const char* item, int stored, BitsList bits) {
    BitsList code_bits = bits;
    add_list(key, item, stored, std::move(bits), std::move(code_bits));
}

void ImageModel::add_list(const std::string& key, const char* item, int stored, BitsList bits, BitsList code_bits) {
    if (item) add(key, item, item, std::move(bits));
    else add(key, Value(), "none of the list (" + std::to_string(stored) + ")", std::move(bits));
    add(key + "_code", stored, std::to_string(stored), std::move(code_bits));
}

QJsonValue Value::json() const {
    if (const auto* b = std::get_if<bool>(&v_)) return *b;
    if (const auto* n = std::get_if<double>(&v_)) return *n;
    if (const auto* t = std::get_if<std::string>(&v_)) return QString::fromStdString(*t);
    if (const auto* list = std::get_if<std::vector<std::string>>(&v_)) {
        QJsonArray array;
        for (const std::string& t : *list) array.append(QString::fromStdString(t));
        return array;
    }
    return QJsonValue();
}

const Setting& ImageModel::at(const std::string& key) const {
    const auto it = index_.find(key);
    if (it == index_.end()) throw std::out_of_range("no setting named " + key);
    return settings_[it->second];
}

QJsonObject model_json(const ImageModel& model) {
    DottedTree tree;
    for (const Setting& s : model.settings()) tree.insert(s.key, s.value.json());
    return tree.json().toObject();
}

} // namespace qrt58
