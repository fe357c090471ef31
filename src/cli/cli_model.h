// The settings of an image as one list: every setting that `qrt58cli show`
// lists, with a stable dotted name ("capcodes.3.capcode"), its value for JSON
// (numbers as numbers), the text the listing shows, and the image bits it is
// stored in. The text listing, the JSON document, `diff` and `set --list` are
// all built from it, so an image is decoded once, by the image rules.
#pragma once

#include "pager_table.h"

#include <QJsonObject>
#include <QJsonValue>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qrt58::cli {

// Bits `mask` of image byte `address`.
struct ImageBits {
    int address;
    std::uint8_t mask;
};
std::vector<ImageBits> whole_bytes(int first, int count);
ImageBits bit_field(int address, int bit, int width);

struct Setting {
    std::string key;
    QJsonValue value;
    std::string text;
    std::vector<ImageBits> bits;
};

class ImageModel {
public:
    void add(const std::string& key, const QJsonValue& value, std::string text, std::vector<ImageBits> bits = {});
    const std::vector<Setting>& settings() const { return settings_; }
    // The setting of that name; throws std::out_of_range for a name the model
    // does not have (a slip of this program, not of its input).
    const Setting& at(const std::string& key) const;
    const std::string& text(const std::string& key) const { return at(key).text; }
    // Per image byte, the bits that some setting is stored in.
    std::array<std::uint8_t, kImageSize> coverage() const;

private:
    std::vector<Setting> settings_;
    std::map<std::string, std::size_t> index_;
};

ImageModel build_image_model(const PagerTable& image);

// The sections of the model, in listing order (each in its own file).
void add_frequency_and_capcodes(ImageModel& model, const PagerTable& image);
void add_prompts_and_display(ImageModel& model, const PagerTable& image);
void add_alerts_and_melodies(ImageModel& model, const PagerTable& image);

// The model as nested JSON: the dotted names become objects, and a run of
// numbered names ("capcodes.1", "capcodes.2", ...) an array in that order.
QJsonObject model_json(const ImageModel& model);

// "on" / "off" of a box that is ticked when `v` is true.
inline const char* on_off(bool v) { return v ? "on" : "off"; }
std::string hex_byte(int v); // "0x3F"

} // namespace qrt58::cli
