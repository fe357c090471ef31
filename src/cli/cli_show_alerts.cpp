// qrt58cli show: the alert, status and melody settings, by the captions the
// editor window gives them.
#include "capcode.h"
#include "cli_show.h"
#include "melody.h"
#include "settings.h"

#include <cstdio>
#include <ostream>

namespace qrt58::cli {

void print_alerts_and_melodies(const ImageModel& m, std::ostream& out) {
    out << "Menu items left out: " << m.text("alerts.menu_left_out") << '\n';
    out << "Default tone: " << m.text("alerts.default_tone") << '\n';
    out << "Personal Alert Length: " << m.text("alerts.personal_alert_length") << '\n';
    out << "Out-of Range Alert: " << m.text("alerts.out_of_range") << '\n';
    out << "Sequential Lockout: " << m.text("alerts.sequential_lockout") << '\n';
    // The two "RD Key" boxes show only while "Push Key Lamp On Enable" is ticked.
    const bool key_lamp = m.at("display.push_key_lamp").value.to_bool();
    for (const OptionBinding& b : option_bindings()) {
        out << b.caption << ": " << m.text(option_key(b.caption));
        if (!key_lamp && std::string(b.caption).rfind("RD Key", 0) == 0)
            out << "  (hidden: Push Key Lamp On Enable is off)";
        out << '\n';
    }

    out << "Mail Alert: " << m.text("alerts.mail_alert") << '\n';
    out << "Mail-drop alert:\n";
    for (int k = 1; k < kCapcodeSlots; ++k) {
        const auto text = [&m, k](const char* field) { return m.text(slot_key("alerts.mail_drop", k + 1, field)); };
        out << "  " << text("slot") << "  " << text("alert");
        if (m.at(slot_key("alerts.mail_drop", k + 1, "covered")).value.to_bool())
            out << "  (" << text("covered") << ")";
        else if (!m.at(slot_key("alerts.mail_drop", k + 1, "mail_drop_capcode")).value.to_bool())
            out << "  (not a mail-drop capcode)";
        out << '\n';
    }

    out << "Music types and user melodies (" << m.text("melodies.mode") << "):\n";
    for (int s = 0; s < kMelodySlots; ++s) {
        const auto text = [&m, s](const char* field) { return m.text(slot_key("melodies.slots", s + 1, field)); };
        char line[96];
        std::snprintf(line, sizeof line, "  %s  %-22s  %s\n", text("slot").c_str(), text("music_type").c_str(),
                      text("melody").c_str());
        out << line;
    }
}

} // namespace qrt58::cli
