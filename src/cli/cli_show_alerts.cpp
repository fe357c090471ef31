// qrt58cli show: the alert, status and melody settings, by the captions the
// editor window gives them.
#include "alerts.h"
#include "capcode.h"
#include "cli_show.h"
#include "field_tag.h"
#include "melody.h"

#include <cstdio>
#include <ostream>

namespace qrt58::cli {

namespace {

struct PlainBinding {
    const char* caption;
    const char* tag;
    std::vector<const char*> items; // lists only
};

// The check boxes and lists of the alerts and music pages that are nothing but
// their field, in page order.
const std::vector<PlainBinding>& plain_bindings() {
    static const std::vector<PlainBinding> bindings = {
        {"Lock/Unlock Off", "&H358,0,8,chkN", {}},
        {"Delete Off", "&H359,0,8,chkN", {}},
        {"Delete All Off", "&H35A,0,8,chkN", {}},
        {"Move To Memo Off", "&H35B,0,8,chkN", {}},
        {"History Off", "&H35C,0,8,chkN", {}},
        {"Silent off Alert Disable", "&H33,0,1,chkN", {}},
        {"Vibration Like Beep", "&H596,6,1,chkN", {}},
        {"Out-of Service", "&H3D,3,1,chk", {}},
        {"Lowcell Alert Control", "&H39,6,1,chk", {}},
        {"Reminder Duration Control", "&H3C,6,2,cbo", {"Disable", "2 minutes", "10 minutes", "60 minutes"}},
        {"Music Type Select", "&H3D,5,1,cbo", {"Taiwan Music", "World Wild Music "}},
        {"Manual Write Enable", "&H3D,4,1,chkN", {}},
        {"Frequency Modification", "&H36,0,1,chkN", {}},
        {"Cap. Priority Modification", "&H596,5,1,chkN", {}},
        {"Password Required", "&H36,1,1,chk", {}},
        {"Password Modification", "&H36,2,1,chk", {}},
        {"Time Auto Update", "&H32,2,1,chkN", {}},
        {"Numeric Display Mode", "&H3D,2,1,cbo", {"Standard", "OEC(china)"}},
        {"Vibrate Off In Charger", "&H715,7,1,chkN", {}},
        {"Vibrate & Alert At Priority", "&H715,2,1,chkN", {}},
        {"Counter Out Enable", "&H39,4,1,chkN", {}},
        {"Duplicate Msg Enable", "&H39,3,1,chkN", {}},
        {"Paging Display", "&H3B,4,1,cbo", {"Page Count", "Direct"}},
        {"Direct Show Lamp On", "&H36,6,1,chkN", {}},
        {"Direct Show Until Press Key", "&H32,3,1,chkN", {}},
        {"Read Time Out", "&H39,0,2,cbo", {"8 sec", "14 sec", "20 sec", "30 sec"}},
        {"Discard Error Message", "&H3D,0,1,chk", {}},
        {"Air Program Enable", "&H3D,6,1,chk", {}},
        {"User's Capcode Music Type Enable", "&H33,5,1,chkN", {}},
        {"Always Vibrate", "&H36,3,1,chkN", {}},
        {"Multiple Tone", "&H596,2,1,chkN", {}},
    };
    return bindings;
}

// A ticked box, a clear box, or the stored value a box cannot show.
std::string binding_text(const PagerTable& image, const PlainBinding& b) {
    const auto tag = parse_field_tag(b.tag);
    if (!tag) return "?";
    const int v = get_bits(image, tag->address, tag->bit, tag->width);
    if (tag->kind == TagKind::ChkN) return v == 0 ? "on" : "off";
    if (tag->kind == TagKind::Chk) return v == 0 ? "off" : v == 1 ? "on" : "value " + std::to_string(v);
    if (v < static_cast<int>(b.items.size())) return b.items[static_cast<std::size_t>(v)];
    return "no item (value " + std::to_string(v) + ")";
}

std::string item_text(const std::vector<StoredItem>& items, int value) {
    if (const auto i = item_index(items, value)) return items[static_cast<std::size_t>(*i)].text;
    return "no item (value " + std::to_string(value) + ")";
}

std::string slot_caption(int slot) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "Cap #%02d", slot + 1);
    return buf;
}

} // namespace

void print_alerts_and_melodies(const PagerTable& image, std::ostream& out) {
    const MenuLeftOut left_out = menu_left_out(image);
    std::string menu;
    for (std::size_t i = 0; i < left_out.size(); ++i) {
        if (!left_out[i]) continue;
        if (!menu.empty()) menu += ", ";
        menu += menu_item_captions()[i];
    }
    out << "Menu items left out: " << (menu.empty() ? "none" : menu) << '\n';
    out << "Default tone: " << item_text(tone_items(), image[kToneAddress]) << '\n';
    out << "Personal Alert Length: " << item_text(person_alert_items(), image[kPersonAlertAddress]) << '\n';
    out << "Out-of Range Alert: " << out_of_range_items()[static_cast<std::size_t>(out_of_range_index(image))].text
        << '\n';
    out << "Sequential Lockout: "
        << sequential_lockout_items()[static_cast<std::size_t>(sequential_lockout_index(image))].text << '\n';
    for (const PlainBinding& b : plain_bindings()) out << b.caption << ": " << binding_text(image, b) << '\n';

    const bool master = get_bits(image, kMailAlertMaster, kMailAlertMasterBit, 1) == 1;
    out << "Mail Alert: " << (master ? "on" : "off") << '\n';
    out << "Mail-drop alert:\n";
    for (int k = 1; k < kCapcodeSlots; ++k) {
        const auto choice = mail_alert(image, k);
        out << "  " << slot_caption(k) << "  "
            << (choice ? mail_alert_texts()[static_cast<std::size_t>(*choice)]
                       : "no item (length " + std::to_string(image[kMailAlertLengthBase + k]) + ")");
        if (capcode_type(image, k) != CapcodeType::MailDrop) out << "  (not a mail-drop capcode)";
        out << '\n';
    }

    const bool single = single_tone_mode(image);
    out << "Music types and user melodies (" << (single ? "single tone" : "multiple tone") << "):\n";
    for (int s = 0; s < kMelodySlots; ++s) {
        const auto index = music_type_index(image, s);
        const std::string type = index ? music_type_items(s)[static_cast<std::size_t>(*index)].text
                                       : "no item (value " + std::to_string(image[kMusicTypeFirst + s]) + ")";
        char line[96];
        std::snprintf(line, sizeof line, "  %s  %-22s  %s\n", slot_caption(s).c_str(), type.c_str(),
                      user_melody_text(image, s).c_str());
        out << line;
    }
}

} // namespace qrt58::cli
