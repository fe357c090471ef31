// The binding text in a control's Tag: "&H3BE,2,1,chk" (address, lowest bit,
// width, kind), the prompt form "&H400,0", and the design geometry that start-up
// appends after a comma: "#Left#Top#Width#Height#FontSize#".
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace qrt58 {

enum class TagKind { Chk, ChkN, ChkSource, Cbo, Lng, Other };

struct FieldTag {
    int address = 0;
    int bit = 0;
    int width = 0;
    TagKind kind = TagKind::Other;
    std::string kind_text;
};

// Splits a tag at every comma.
std::vector<std::string> split_tag(const std::string& tag);

// Parses "&H…" hexadecimal text; nullopt when it is not of that form.
std::optional<int> parse_hex_address(const std::string& field);

// A bit binding: needs at least four comma fields. nullopt otherwise.
std::optional<FieldTag> parse_field_tag(const std::string& tag);

// The two-field prompt form "&H400,0": the record address.
std::optional<int> parse_prompt_tag(const std::string& tag);

// The tags the window's controls carry, made from the image's named addresses:
// "&H3F" (upper-case digits), "&H3F,0,4,Lng", and the prompt form "&H400,0".
std::string tag_address(int address);
std::string bit_tag(int address, int bit, int width, const char* kind);
std::string prompt_tag(int address);

// Design geometry after the first "#": numbers 0..4 (Left, Top, Width, Height,
// font size). A number whose closing "#" is missing reads as 0.
struct TagGeometry {
    std::array<double, 5> values{};
    int complete = 0; // how many numbers had their closing "#"
};
TagGeometry parse_tag_geometry(const std::string& tag);

// Appends ",#L#T#W#H#" and, when a font size is known, "F#".
std::string append_tag_geometry(const std::string& tag, std::optional<std::array<double, 4>> rect,
                                std::optional<double> font_size);

} // namespace qrt58
