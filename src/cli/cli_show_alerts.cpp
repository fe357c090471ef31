// qrt58cli show: the alert, status and melody settings, by the captions the
// editor window gives them.
#include "alerts.h"
#include "capcode.h"
#include "cli_show.h"
#include "field_tag.h"
#include "melody.h"
#include "settings.h"

#include <QJsonArray>
#include <cstdio>
#include <ostream>

namespace qrt58::cli {

namespace {

// A plain check box or list of the status and options areas (the table the
// settings share with qrt58cli set). A ticked box, a clear box, or the stored
// value a box cannot show; as JSON a box is true or false, a list its item text.
void add_binding(ImageModel& m, const PagerTable& image, const OptionBinding& b) {
    const std::string key = option_key(b.caption);
    const auto tag = parse_field_tag(b.tag);
    if (!tag) {
        m.add(key, Value(), "?");
        return;
    }
    const int v = get_bits(image, tag->address, tag->bit, tag->width);
    const BitsList bits = {bit_field(tag->address, tag->bit, tag->width)};
    if (tag->kind == TagKind::ChkN) {
        m.add(key, v == 0, v == 0 ? "on" : "off", bits);
    } else if (tag->kind == TagKind::Chk) {
        if (v <= 1)
            m.add(key, v == 1, on_off(v == 1), bits);
        else
            m.add(key, v, "value " + std::to_string(v), bits);
    } else {
        // A list: its field always names an item (the lists have 2^width items).
        const bool known = v < static_cast<int>(b.items.size());
        if (known)
            m.add(key, b.items[static_cast<std::size_t>(v)], b.items[static_cast<std::size_t>(v)],
                  bits);
        else
            m.add(key, Value(), "none of the list (" + std::to_string(v) + ")", bits);
    }
}

// The item text of a stored value (null when none), and KEY_code.
void add_item(ImageModel& m, const std::string& key, const std::vector<StoredItem>& items,
              int value, BitsList bits) {
    const auto i = item_index(items, value);
    m.add_list(key, i ? items[static_cast<std::size_t>(*i)].text : nullptr, value,
               std::move(bits));
}

std::string slot_caption(int slot) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "Cap #%02d", slot + 1);
    return buf;
}

} // namespace

void add_alerts_and_melodies(ImageModel& m, const PagerTable& image) {
    const MenuLeftOut left_out = menu_left_out(image);
    std::string menu;
    std::vector<std::string> menu_items;
    for (std::size_t i = 0; i < left_out.size(); ++i) {
        if (!left_out[i]) continue;
        if (!menu.empty()) menu += ", ";
        menu += menu_item_captions()[i];
        menu_items.push_back(menu_item_captions()[i]);
    }
    m.add("alerts.menu_left_out", menu_items, menu.empty() ? "none" : menu,
          whole_bytes(kMenuSlotFirst, kMenuSlots));
    // While "User's Capcode Music Type Enable" is ticked the window hides the
    // default tone list, and the byte holds 36, no item of it.
    const int tone = image[kToneAddress];
    const bool capcode_music = get_bits(image, 0x33, 5, 1) == 0;
    if (capcode_music && !item_index(tone_items(), tone)) {
        m.add("alerts.default_tone", Value(),
              "per-capcode music is on (" + std::to_string(tone) + ")",
              {whole_bytes(kToneAddress, 1), bit_field(0x33, 5, 1)});
        m.add("alerts.default_tone_code", tone, std::to_string(tone), whole_bytes(kToneAddress, 1));
    } else {
        const auto i = item_index(tone_items(), tone);
        m.add_list("alerts.default_tone",
                   i ? tone_items()[static_cast<std::size_t>(*i)].text : nullptr, tone,
                   {whole_bytes(kToneAddress, 1), bit_field(0x33, 5, 1)},
                   whole_bytes(kToneAddress, 1));
    }
    add_item(m, "alerts.personal_alert_length", person_alert_items(), image[kPersonAlertAddress],
             whole_bytes(kPersonAlertAddress, 1));
    const std::string out_of_range =
        out_of_range_items()[static_cast<std::size_t>(out_of_range_index(image))].text;
    // The time byte shows only while the alert is on; the lockout time only
    // while the lockout is on.
    const bool ora_on = get_bits(image, 0x596, 4, 1) == 0;
    m.add("alerts.out_of_range", QString::fromStdString(out_of_range), out_of_range,
          ora_on ? BitsList{bit_field(0x596, 4, 1), whole_bytes(0x5D5, 1)}
                 : BitsList{bit_field(0x596, 4, 1)});
    const std::string lockout =
        sequential_lockout_items()[static_cast<std::size_t>(sequential_lockout_index(image))].text;
    const bool lockout_on = get_bits(image, 0x3C, 3, 1) == 1;
    m.add("alerts.sequential_lockout", QString::fromStdString(lockout), lockout,
          lockout_on ? BitsList{bit_field(0x3C, 3, 1), bit_field(0x3C, 0, 2)}
                     : BitsList{bit_field(0x3C, 3, 1)});
    for (const OptionBinding& b : option_bindings())
        add_binding(m, image, b);

    const bool master = get_bits(image, kMailAlertMaster, kMailAlertMasterBit, 1) == 1;
    m.add("alerts.mail_alert", master, on_off(master),
          {bit_field(kMailAlertMaster, kMailAlertMasterBit, 1)});
    for (int k = 1; k < kCapcodeSlots; ++k) {
        const auto key = [k](const char* field) {
            return slot_key("alerts.mail_drop", k + 1, field);
        };
        const auto choice = mail_alert(image, k);
        // "Disable" shows the enable bit only; a length shows the byte too.
        const BitsList bits =
            mail_alert_enabled(image, k)
                ? BitsList{bit_field(kMailAlertEnableFirst + (k - 1) / 8, (k - 1) % 8, 1),
                           whole_bytes(kMailAlertLengthBase + k, 1)}
                : BitsList{bit_field(kMailAlertEnableFirst + (k - 1) / 8, (k - 1) % 8, 1)};
        m.add(key("slot"), k + 1, slot_caption(k));
        m.add_list(key("alert"),
                   choice ? mail_alert_texts()[static_cast<std::size_t>(*choice)] : nullptr,
                   image[kMailAlertLengthBase + k], bits, whole_bytes(kMailAlertLengthBase + k, 1));
        const bool mail_drop = capcode_type(image, k) == CapcodeType::MailDrop;
        m.add(key("mail_drop_capcode"), mail_drop, on_off(mail_drop));
        // The second slot of a "Long" pair follows its first slot: the window
        // edits the pair's alert on the first slot and copies it here.
        const bool covered = k % 2 == 1 && pair_is_long_in_image(image, k / 2);
        m.add(key("covered"), covered,
              covered ? "second slot of the Long pair " + slot_caption(k - 1) + "/" +
                            slot_caption(k).substr(4)
                      : "");
    }

    const bool single = single_tone_mode(image);
    m.add("melodies.mode", single ? "single tone" : "multiple tone",
          single ? "single tone" : "multiple tone");
    for (int s = 0; s < kMelodySlots; ++s) {
        const auto key = [s](const char* field) {
            return slot_key("melodies.slots", s + 1, field);
        };
        m.add(key("slot"), s + 1, slot_caption(s));
        const auto index = music_type_index(image, s);
        m.add_list(key("music_type"),
                   index ? music_type_items(s)[static_cast<std::size_t>(*index)].text : nullptr,
                   image[kMusicTypeFirst + s], whole_bytes(kMusicTypeFirst + s, 1));
        const std::string melody = user_melody_text(image, s);
        m.add(key("melody"), QString::fromStdString(melody), melody,
              single ? whole_bytes(kSingleToneFirst + 2 * s, 2)
                     : whole_bytes(kMultiToneFirst + kMelodyLength * s, kMelodyLength));
    }
}

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
        const auto text = [&m, k](const char* field) {
            return m.text(slot_key("alerts.mail_drop", k + 1, field));
        };
        out << "  " << text("slot") << "  " << text("alert");
        if (m.at(slot_key("alerts.mail_drop", k + 1, "covered")).value.to_bool())
            out << "  (" << text("covered") << ")";
        else if (!m.at(slot_key("alerts.mail_drop", k + 1, "mail_drop_capcode")).value.to_bool())
            out << "  (not a mail-drop capcode)";
        out << '\n';
    }

    out << "Music types and user melodies (" << m.text("melodies.mode") << "):\n";
    for (int s = 0; s < kMelodySlots; ++s) {
        const auto text = [&m, s](const char* field) {
            return m.text(slot_key("melodies.slots", s + 1, field));
        };
        char line[96];
        std::snprintf(line, sizeof line, "  %s  %-22s  %s\n", text("slot").c_str(),
                      text("music_type").c_str(), text("melody").c_str());
        out << line;
    }
}

} // namespace qrt58::cli
