// The prompt, source-prompt and display part of `qrt58cli show`.
#include "cli_show.h"

#include "display.h"
#include "prompts.h"

#include <cstdio>
#include <ostream>

namespace qrt58::cli {

void print_prompts_and_display(const ImageModel& m, std::ostream& out) {
    out << "Prompts:\n";
    out << "  No.  Label                 Col  Text\n";
    for (const PromptSlot& slot : prompt_slots()) {
        const auto text = [&m, &slot](const char* field) { return m.text(slot_key("prompts", slot.index, field)); };
        char line[80];
        std::snprintf(line, sizeof line, "  %3d  %-20s  %3s  ", slot.index, text("label").c_str(),
                      text("column").c_str());
        out << line << text("text") << '\n';
    }

    out << "Source prompts (mode: " << m.text("source_prompts.mode")
        << ", Multiple Source Prompt: " << m.text("source_prompts.multiple") << "):\n";
    out << "  Slot   Enabled  Spaces  Text\n";
    for (int k = 0; k <= kGroupSourcePrompt - kSourcePromptFirst; ++k) {
        const auto text = [&m, k](const char* field) { return m.text(slot_key("source_prompts.slots", k + 1, field)); };
        char line[80];
        std::snprintf(line, sizeof line, "  %-5s  %-7s  %6s  ", text("name").c_str(), text("enabled").c_str(),
                      text("spaces").c_str());
        out << line << text("text") << '\n';
    }

    out << "Prompt language: " << m.text("display.language");
    if (!m.at("display.language").value.is_null()) out << " (code " << m.text("display.language_code") << ")";
    out << '\n';
    out << "Logo font: " << m.text("display.logo_font");
    if (!m.at("display.logo_font").value.is_null()) out << " (" << m.text("display.logo_font_code") << ")";
    out << '\n';
    out << "Screen contrast: " << m.text("display.contrast");
    if (m.text("display.contrast_shown") != m.text("display.contrast"))
        out << " (shown as " << m.text("display.contrast_shown") << ")";
    out << '\n';
    out << "Lamp time: " << m.text("display.lamp_time") << '\n';
    char companion[8];
    std::snprintf(companion, sizeof companion, "0x%03X", kKeyLampCompanionAddress);
    out << "Push Key Lamp On Enable: " << m.text("display.push_key_lamp") << " (" << companion << " = "
        << m.text("display.push_key_lamp_companion") << ")\n";
    out << "Battery gauge levels: Low " << m.text("display.battery.low") << ", Med " << m.text("display.battery.med")
        << ", High " << m.text("display.battery.high");
    if (!m.at("display.battery.ordered").value.to_bool()) out << " (not High > Med > Low)";
    out << '\n';
    out << "Read/write password: " << m.text("passwords.read_write") << '\n';
    out << "Manual password: " << m.text("passwords.manual") << '\n';
}

} // namespace qrt58::cli
