// The settings of an image as one list: every setting that `qrt58cli show`
// lists, with a stable dotted name ("capcodes.3.capcode"), its value for JSON
// (numbers as numbers), the text the listing shows, and the image bits it is
// stored in. The settings' table (setting_table.h) fills it; the text listing,
// the JSON document and `diff` are built from it, so an image is decoded once,
// by the image rules.
#pragma once

#include "pager_table.h"

#include <QJsonObject>
#include <QJsonValue>
#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

namespace qrt58 {

// Bits `mask` of `count` image bytes from `address` on.
struct ImageBits {
    int address;
    std::uint8_t mask;
    int count = 1;
};
ImageBits whole_bytes(int first, int count);
ImageBits bit_field(int address, int bit, int width);

// The image bits of one setting: a few spans, kept inline (an image has
// hundreds of settings, and fuzzing lists many images).
class BitsList {
public:
    BitsList() = default;
    BitsList(const ImageBits& bits) { push_back(bits); } // NOLINT: one span reads as a list
    BitsList(std::initializer_list<ImageBits> list) {
        for (const ImageBits& b : list) push_back(b);
    }
    void push_back(const ImageBits& b) {
        if (inline_count_ < inline_.size()) inline_[inline_count_++] = b;
        else more_.push_back(b);
    }
    template <typename F>
    void for_each(F f) const {
        for (std::size_t i = 0; i < inline_count_; ++i) f(inline_[i]);
        for (const ImageBits& b : more_) f(b);
    }

private:
    std::array<ImageBits, 3> inline_{};
    std::size_t inline_count_ = 0;
    std::vector<ImageBits> more_;
};

// The value of a setting: nothing, a tick, a number, a text or a list of texts.
// Made into JSON only when a document is written (QJsonValue is costly to
// build for every setting of every image listed).
class Value {
public:
    Value() = default;
    Value(bool b) : v_(b) {}
    Value(int n) : v_(static_cast<double>(n)) {}
    Value(double n) : v_(n) {}
    Value(const char* text) : v_(std::string(text)) {}
    Value(std::string text) : v_(std::move(text)) {}
    Value(const QString& text) : v_(text.toStdString()) {}
    Value(std::vector<std::string> texts) : v_(std::move(texts)) {}
    bool is_null() const { return std::holds_alternative<std::monostate>(v_); }
    bool to_bool() const { return std::holds_alternative<bool>(v_) && std::get<bool>(v_); }
    QJsonValue json() const;
    bool operator==(const Value& other) const { return v_ == other.v_; }
    bool operator!=(const Value& other) const { return !(*this == other); }

private:
    std::variant<std::monostate, bool, double, std::string, std::vector<std::string>> v_;
};

struct Setting {
    std::string key;
    Value value;
    std::string text;
    BitsList bits;
};

class ImageModel {
public:
    ImageModel();
    // `text` is made printable (see printable()); `bits` are the bits the
    // shown value is read from, in this image.
    void add(std::string key, Value value, std::string text, BitsList bits = {});
    // A list: its item, or when the stored number matches no item, null and
    // "none of the list (N)". KEY_code holds the stored number either way, read
    // from `code_bits` (by default the list's own bits).
    void add_list(const std::string& key, const char* item, int stored, BitsList bits);
    void add_list(const std::string& key, const char* item, int stored, BitsList bits, BitsList code_bits);
    const std::vector<Setting>& settings() const { return settings_; }
    // The setting of that name; throws std::out_of_range for a name the model
    // does not have (a slip of this program, not of its input).
    const Setting& at(const std::string& key) const;
    const std::string& text(const std::string& key) const { return at(key).text; }

private:
    std::vector<Setting> settings_;
    std::unordered_map<std::string, std::size_t> index_;
};

// The model as nested JSON: the dotted names become objects, and a run of
// numbered names ("capcodes.1", "capcodes.2", ...) an array in that order.
QJsonObject model_json(const ImageModel& model);

// "on" / "off" of a box that is ticked when `v` is true.
inline const char* on_off(bool v) { return v ? "on" : "off"; }
std::string hex_byte(int v); // "0x3F"

// UTF-8 text with its control characters escaped, so that a listing cannot
// move the cursor or retitle the terminal: C0 controls and DEL as "\xNN",
// C1 controls (U+0080 to U+009F) as "\u0080".
std::string printable(const std::string& text);

// A stream that passes what is written to it on to `target` through
// printable(), line by line: for commands whose output carries text that
// other stations or files chose (job, station and board names, CSV cells).
class PrintableStream : public std::ostream {
public:
    explicit PrintableStream(std::ostream& target);
    ~PrintableStream() override;

private:
    class Buffer : public std::streambuf {
    public:
        explicit Buffer(std::ostream& target) : target_(target) {}
        void hand_on(); // what is held back

    protected:
        int overflow(int c) override;
        std::streamsize xsputn(const char* s, std::streamsize n) override;
        int sync() override;

    private:
        std::ostream& target_;
        std::string held_; // a last byte that may start a two-byte control character
    };
    Buffer buffer_;
};

} // namespace qrt58
