// The prompt, source-prompt and display part of the image model and of
// `qrt58cli show`.
#include "cli_show.h"

#include "default_image.h"
#include "display.h"
#include "password.h"
#include "prompts.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace qrt58::cli {
namespace {

std::string quoted(const std::string& text) {
    return '"' + text + '"';
}

// Battery level item of a stored code, null for none.
const char* battery_item(int code) {
    for (const BatteryLevel& level : battery_levels())
        if (level.value == code) return level.text;
    return nullptr;
}

// The bits a prompt record shows: the start column and the length, then the
// characters within the length.
BitsList record_bits(const PagerTable& image, int address) {
    const int length =
        address + 1 < kImageSize ? std::min<int>(image[address + 1], kPromptTextMax) : 0;
    return {bit_field(address, 0, 4), whole_bytes(address + 1, 1 + length)};
}

void add_prompts(ImageModel& m, const PagerTable& image) {
    for (const PromptSlot& slot : prompt_slots()) {
        const auto key = [&slot](const char* field) {
            return slot_key("prompts", slot.index, field);
        };
        const int column = image[slot.address] & 0x0F;
        const QString text = prompt_text(image, slot.address, slot.icon);
        m.add(key("index"), slot.index, std::to_string(slot.index));
        m.add(key("label"), slot.label, slot.label);
        m.add(key("column"), column, std::to_string(column));
        m.add(key("text"), text, quoted(text.toStdString()), record_bits(image, slot.address));
    }
}

void add_source_prompts(ImageModel& m, const PagerTable& image) {
    static const char* const modes[4] = {"Forward", "Backward", "Auto Cap.", "Disable"};
    // "Multiple Source Prompt" and the group prompt are on while their bit is 0.
    const bool multiple = get_bits(image, 0x596, 3, 1) == 0;
    // With "Multiple Source Prompt" on the list has no "Forward": a stored 0
    // selects nothing.
    const int mode = get_bits(image, kSourceModeAddress, kSourceModeBit, kSourceModeWidth);
    m.add_list("source_prompts.mode", mode == 0 && multiple ? nullptr : modes[mode], mode,
               bit_field(kSourceModeAddress, kSourceModeBit, kSourceModeWidth));
    m.add("source_prompts.multiple", multiple, on_off(multiple), {bit_field(0x596, 3, 1)});
    for (int index = kSourcePromptFirst; index <= kGroupSourcePrompt; ++index) {
        const int address = source_prompt_address(index);
        const int k = index - kSourcePromptFirst;
        const auto key = [k](const char* field) {
            return slot_key("source_prompts.slots", k + 1, field);
        };
        const std::string name = index == kGroupSourcePrompt ? "Group" : std::to_string(k + 1);
        m.add(key("name"), QString::fromStdString(name), name);
        if (index == kGroupSourcePrompt) {
            const bool on = get_bits(image, 0x32, 0, 1) == 0;
            m.add(key("enabled"), on, on_off(on), {bit_field(0x32, 0, 1)});
        } else {
            const int v = image[kSourceEnableFirst + k];
            m.add(key("enabled"), v <= 1 ? Value(v == 1) : Value(v),
                  v <= 1 ? on_off(v == 1) : hex_byte(v), whole_bytes(kSourceEnableFirst + k, 1));
        }
        const int spaces = image[address] & 0x0F;
        m.add(key("spaces"), spaces, std::to_string(spaces));
        const QString text = source_prompt_text(image, address);
        m.add(key("text"), text, quoted(text.toStdString()), record_bits(image, address));
    }
}

void add_display(ImageModel& m, const PagerTable& image) {
    const int code = stored_language_code(image);
    const char* language = nullptr;
    for (const LanguageItem& item : language_items())
        if (item.code == code && !language) language = item.text;
    m.add_list("display.language", language, code, bit_field(0x3E, 0, 4));

    const int font = logo_font(image);
    const char* font_text = font == kLogoLargeFont   ? "Large Font"
                            : font == kLogoSmallFont ? "Small Font"
                                                     : nullptr;
    m.add_list("display.logo_font", font_text, font, bit_field(kLogoFontAddress, 0, 4));

    const int contrast = image[kContrastAddress];
    m.add("display.contrast", contrast, std::to_string(contrast), whole_bytes(kContrastAddress, 1));
    m.add("display.contrast_shown", contrast_on_slider(image),
          std::to_string(contrast_on_slider(image)));

    const int lamp = image[kLampAddress];
    const char* lamp_text = nullptr;
    for (const LampItem& item : lamp_items())
        if (item.value == lamp && !lamp_text) lamp_text = item.text;
    m.add_list("display.lamp_time", lamp_text, lamp, whole_bytes(kLampAddress, 1));
    // Ticked while bit 7 of 0x36 is 0.
    const bool key_lamp = get_bits(image, 0x36, 7, 1) == 0;
    m.add("display.push_key_lamp", key_lamp, on_off(key_lamp), {bit_field(0x36, 7, 1)});
    const int companion = image[kKeyLampCompanionAddress];
    m.add("display.push_key_lamp_companion", companion, std::to_string(companion),
          whole_bytes(kKeyLampCompanionAddress, 1));

    static const char* const levels[3] = {"low", "med", "high"};
    for (int i = 0; i < 3; ++i) {
        const int stored = image[kBatteryLevelFirst + i];
        m.add_list(std::string("display.battery.") + levels[i], battery_item(stored), stored,
                   whole_bytes(kBatteryLevelFirst + i, 1));
    }
    const bool ordered = battery_levels_ordered(image);
    m.add("display.battery.ordered", ordered, on_off(ordered));

    const QString rw = rw_password_text(image);
    m.add("passwords.read_write", rw, quoted(rw.toStdString()),
          whole_bytes(kRwPasswordAddress, kRwPasswordLength));
    const QString manual = manual_password_text(image);
    m.add("passwords.manual", manual, manual.toStdString(),
          whole_bytes(kManualPasswordUnits, kManualPasswordThousands - kManualPasswordUnits + 1));
}

} // namespace

void add_prompts_and_display(ImageModel& model, const PagerTable& image) {
    add_prompts(model, image);
    add_source_prompts(model, image);
    add_display(model, image);
}

void print_prompts_and_display(const ImageModel& m, std::ostream& out) {
    out << "Prompts:\n";
    out << "  No.  Label                 Col  Text\n";
    for (const PromptSlot& slot : prompt_slots()) {
        const auto text = [&m, &slot](const char* field) {
            return m.text(slot_key("prompts", slot.index, field));
        };
        char line[80];
        std::snprintf(line, sizeof line, "  %3d  %-20s  %3s  ", slot.index, text("label").c_str(),
                      text("column").c_str());
        out << line << text("text") << '\n';
    }

    out << "Source prompts (mode: " << m.text("source_prompts.mode")
        << ", Multiple Source Prompt: " << m.text("source_prompts.multiple") << "):\n";
    out << "  Slot   Enabled  Spaces  Text\n";
    for (int k = 0; k <= kGroupSourcePrompt - kSourcePromptFirst; ++k) {
        const auto text = [&m, k](const char* field) {
            return m.text(slot_key("source_prompts.slots", k + 1, field));
        };
        char line[80];
        std::snprintf(line, sizeof line, "  %-5s  %-7s  %6s  ", text("name").c_str(),
                      text("enabled").c_str(), text("spaces").c_str());
        out << line << text("text") << '\n';
    }

    out << "Prompt language: " << m.text("display.language");
    if (!m.at("display.language").value.is_null())
        out << " (code " << m.text("display.language_code") << ")";
    out << '\n';
    out << "Logo font: " << m.text("display.logo_font");
    if (!m.at("display.logo_font").value.is_null())
        out << " (" << m.text("display.logo_font_code") << ")";
    out << '\n';
    out << "Screen contrast: " << m.text("display.contrast");
    if (m.text("display.contrast_shown") != m.text("display.contrast"))
        out << " (shown as " << m.text("display.contrast_shown") << ")";
    out << '\n';
    out << "Lamp time: " << m.text("display.lamp_time") << '\n';
    out << "Push Key Lamp On Enable: " << m.text("display.push_key_lamp")
        << " (0x3B0 = " << m.text("display.push_key_lamp_companion") << ")\n";
    out << "Battery gauge levels: Low " << m.text("display.battery.low") << ", Med "
        << m.text("display.battery.med") << ", High " << m.text("display.battery.high");
    if (!m.at("display.battery.ordered").value.to_bool()) out << " (not High > Med > Low)";
    out << '\n';
    out << "Read/write password: " << m.text("passwords.read_write") << '\n';
    out << "Manual password: " << m.text("passwords.manual") << '\n';
}

} // namespace qrt58::cli
