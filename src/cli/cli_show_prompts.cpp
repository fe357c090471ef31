// The prompt, source-prompt and display part of `qrt58cli show`.
#include "cli_show.h"

#include "default_image.h"
#include "display.h"
#include "prompts.h"

#include <cstdio>
#include <ostream>

namespace qrt58::cli {
namespace {

std::string quoted(const QString& text) { return '"' + text.toStdString() + '"'; }

std::string hex_byte(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", v);
    return buf;
}

// Battery level text of a stored code.
std::string battery_text(int code) {
    for (const BatteryLevel& level : battery_levels())
        if (level.value == code) return level.text;
    return "none of the list (" + hex_byte(code) + ")";
}

void print_prompts(const PagerTable& image, std::ostream& out) {
    out << "Prompts:\n";
    out << "  No.  Label                 Col  Text\n";
    for (const PromptSlot& slot : prompt_slots()) {
        char line[80];
        std::snprintf(line, sizeof line, "  %3d  %-20s  %3d  ", slot.index, slot.label, image[slot.address] & 0x0F);
        out << line << quoted(prompt_text(image, slot.address, slot.icon)) << '\n';
    }
}

void print_source_prompts(const PagerTable& image, std::ostream& out) {
    static const char* const modes[4] = {"Forward", "Backward", "Auto Cap.", "Disable"};
    // "Multiple Source Prompt" and the group prompt are on while their bit is 0.
    const bool multiple = get_bits(image, 0x596, 3, 1) == 0;
    out << "Source prompts (mode: " << modes[get_bits(image, 0x32, 4, 2)]
        << ", Multiple Source Prompt: " << (multiple ? "on" : "off") << "):\n";
    out << "  Slot   Enabled  Spaces  Text\n";
    for (int index = kSourcePromptFirst; index <= kGroupSourcePrompt; ++index) {
        const int address = source_prompt_address(index);
        const int k = index - kSourcePromptFirst;
        std::string name = index == kGroupSourcePrompt ? "Group" : std::to_string(k + 1);
        std::string enabled;
        if (index == kGroupSourcePrompt) {
            enabled = get_bits(image, 0x32, 0, 1) == 0 ? "on" : "off";
        } else {
            const int v = image[kSourceEnableFirst + k];
            enabled = v == 0 ? "off" : v == 1 ? "on" : hex_byte(v);
        }
        char line[80];
        std::snprintf(line, sizeof line, "  %-5s  %-7s  %6d  ", name.c_str(), enabled.c_str(), image[address] & 0x0F);
        out << line << quoted(source_prompt_text(image, address)) << '\n';
    }
}

void print_display(const PagerTable& image, std::ostream& out) {
    const int code = stored_language_code(image);
    out << "Prompt language: ";
    std::string language = "none of the list";
    for (const LanguageItem& item : language_items())
        if (item.code == code) language = item.text;
    out << language << " (code " << code << ")\n";

    const int font = logo_font(image);
    out << "Logo font: "
        << (font == kLogoLargeFont ? "Large Font" : font == kLogoSmallFont ? "Small Font" : "none of the list")
        << " (" << font << ")\n";

    const int contrast = image[kContrastAddress];
    out << "Screen contrast: " << contrast;
    if (contrast_to_show(image) != contrast) out << " (shown as " << contrast_to_show(image) << ")";
    out << '\n';

    const int lamp = image[kLampAddress];
    std::string lamp_text = "none of the list (" + std::to_string(lamp) + ")";
    for (const LampItem& item : lamp_items())
        if (item.value == lamp) lamp_text = item.text;
    out << "Lamp time: " << lamp_text << '\n';
    // Ticked while bit 7 of 0x36 is 0.
    out << "Push Key Lamp On Enable: " << (get_bits(image, 0x36, 7, 1) == 0 ? "on" : "off") << " (0x3B0 = "
        << static_cast<int>(image[kKeyLampCompanionAddress]) << ")\n";

    out << "Battery gauge levels: Low " << battery_text(image[kBatteryLevelFirst]) << ", Med "
        << battery_text(image[kBatteryLevelFirst + 1]) << ", High " << battery_text(image[kBatteryLevelFirst + 2]);
    if (!battery_levels_ordered(image)) out << " (not High > Med > Low)";
    out << '\n';
}

} // namespace

void print_prompts_and_display(const PagerTable& image, std::ostream& out) {
    print_prompts(image, out);
    print_source_prompts(image, out);
    print_display(image, out);
}

} // namespace qrt58::cli
