#include "field_tag.h"

#include "c_number.h"

#include <charconv>
#include <cstdlib>

namespace qrt58 {

std::vector<std::string> split_tag(const std::string& tag) {
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    while (true) {
        const auto comma = tag.find(',', start);
        fields.push_back(tag.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return fields;
}

std::optional<int> parse_hex_address(const std::string& field) {
    if (field.size() < 3 || field[0] != '&' || (field[1] != 'H' && field[1] != 'h')) return std::nullopt;
    int value = 0;
    for (std::size_t i = 2; i < field.size(); ++i) {
        const char c = field[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else return std::nullopt;
        value = value * 16 + d;
        if (value > 0xFFFF) return std::nullopt;
    }
    return value;
}

static std::optional<int> parse_small_int(const std::string& s) {
    if (s.empty()) return std::nullopt;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
        if (v > 255) return std::nullopt;
    }
    return v;
}

static TagKind kind_of(const std::string& k) {
    if (k == "chk") return TagKind::Chk;
    if (k == "chkN") return TagKind::ChkN;
    if (k == "chkSource") return TagKind::ChkSource;
    if (k == "cbo") return TagKind::Cbo;
    if (k == "Lng") return TagKind::Lng;
    return TagKind::Other;
}

std::optional<FieldTag> parse_field_tag(const std::string& tag) {
    const auto fields = split_tag(tag);
    if (fields.size() < 4) return std::nullopt;
    const auto address = parse_hex_address(fields[0]);
    const auto bit = parse_small_int(fields[1]);
    const auto width = parse_small_int(fields[2]);
    if (!address || !bit || !width) return std::nullopt;
    if (*width < 1 || *width > 8 || *bit + *width > 8) return std::nullopt;
    FieldTag t;
    t.address = *address;
    t.bit = *bit;
    t.width = *width;
    t.kind_text = fields[3];
    t.kind = kind_of(fields[3]);
    return t;
}

std::optional<int> parse_prompt_tag(const std::string& tag) {
    const auto fields = split_tag(tag);
    if (fields.size() < 2 || fields[1] != "0") return std::nullopt;
    return parse_hex_address(fields[0]);
}

TagGeometry parse_tag_geometry(const std::string& tag) {
    TagGeometry g;
    auto pos = tag.find('#');
    if (pos == std::string::npos) return g;
    ++pos;
    for (int k = 0; k < 5; ++k) {
        const auto end = tag.find('#', pos);
        if (end == std::string::npos) continue; // reads as 0, position stays
        g.values[static_cast<std::size_t>(k)] =
            read_c_number(std::string_view(tag).substr(pos, end - pos)).value_or(0.0);
        ++g.complete;
        pos = end + 1;
    }
    return g;
}

// As a stream writes a double by default (six significant digits, "%g"),
// whatever the locale.
static std::string number_text(double v) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, v, std::chars_format::general, 6).ptr;
    return std::string(text, end);
}

std::string append_tag_geometry(const std::string& tag, std::optional<std::array<double, 4>> rect,
                                std::optional<double> font_size) {
    std::string out = tag + ",#";
    if (rect) {
        for (double v : *rect) out += number_text(v) + "#";
    }
    if (font_size) out += number_text(*font_size) + "#";
    return out;
}

std::string tag_address(int address) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (int a = address; a > 0; a /= 16) hex.insert(hex.begin(), digits[a % 16]);
    return "&H" + (hex.empty() ? "0" : hex);
}

std::string bit_tag(int address, int bit, int width, const char* kind) {
    return tag_address(address) + "," + std::to_string(bit) + "," + std::to_string(width) + "," + kind;
}

std::string prompt_tag(int address) { return tag_address(address) + ",0"; }

} // namespace qrt58
