// Page "Freq. && Codes" (picSet): frequency range and entry, synthesizer values,
// first-capcode auto-increase with the read/write password, and the sixteen
// capcode rows in their scrolling panel.
#include "capcode.h"
#include "frequency.h"
#include "page_rows.h"
#include "pages.h"

#include <cstdio>

namespace qrt58::ui {
namespace {

// The tag of a one-bit field of slot s: slots 0-7 in `low`, 8-15 in `high`.
std::string slot_tag(SlotBit b, const char* kind) { return bit_tag(b.address, b.bit, 1, kind); }

std::vector<ListItem> range_items() {
    std::vector<ListItem> items;
    for (const std::string& text : frequency_range_texts()) items.push_back(ListItem{text});
    return items;
}

constexpr int kFirstRowTop = 90; // top of the first row's boxes in the panel

void add_capcode_row(std::vector<ControlSpec>& rows, int s) {
    const int top = kFirstRowTop + s * kCapRowPitch;
    const std::string panel = "Picture2";
    char cap[16];
    std::snprintf(cap, sizeof cap, "Cap #%02d", s + 1);

    add_row(rows, ControlKind::Label, "Label1", s, cap, panel, 60, top + 45, 780, 255).tooltip =
        "Please input Capcode( 7 Dec digits between 1 and 2031615 ).";
    add_row(rows, ControlKind::TextBox, "txtAddr", s, "1234567890", panel, 870, top, 1350, 300).max_length = 10;
    add_row(rows, ControlKind::TextBox, "Text1", s, "E", panel, 2250, top - 50, 255, 300);

    auto& en = add_row(rows, ControlKind::CheckBox, "chkCtl", 10 + s, "En", panel, 2580, top + 15, 630, 270);
    en.tag = slot_tag(enable_bit(s), "chk");
    en.tooltip = s % 8 == 2 ? "Enable or disable the Capcode( address )." : "Enable or disable the Capcode( address )";

    add_row(rows, ControlKind::Label, "Label2", s, "Type", panel, 3225, top + 45, 480, 255);
    auto& type = add_row(rows, ControlKind::ComboBox, "cboCtl", 7 + s, "", panel, 3720, top, 1410, 315);
    type.tag = slot_tag(type_bit(s), "cbo");
    for (const char* text : capcode_type_texts()) type.items.push_back(ListItem{text});

    auto& pri = add_row(rows, ControlKind::CheckBox, "chkCtl", 50 + s, "Pri", panel, 5205, top + 15, 660, 270);
    pri.tag = slot_tag(priority_bit(s), "chkN");
    pri.tooltip = "Priority Alert Control";

    auto& manual = add_row(rows, ControlKind::CheckBox, "chkCtl", 70 + s, "Manual", panel, 5880, top + 15, 1035, 270);
    manual.tag = slot_tag(manual_bit(s), "chk");
    manual.tooltip = "Enable or disable the Capcode at manual programming";

    // Even rows carry the length list of their pair; odd rows a fixed "Short".
    if (s % 2 == 0) {
        add_row(rows, ControlKind::ComboBox, "cboCapLen", s / 2, "", panel, 6945, top, 1050, 315).items = {
            ListItem{pair_length_texts()[0]}, ListItem{pair_length_texts()[1]}};
    } else {
        auto& sht = add_row(rows, ControlKind::ComboBox, "cboCapSht", s / 2, "", panel, 6945, top, 1050, 315);
        sht.items = {ListItem{pair_length_texts()[0]}};
        sht.list_index = 0;
    }

    // Mail-drop alert length of the slot; shown only for "Mail drop" slots while
    // the mail alert is on.
    auto& alert = add_row(rows, ControlKind::Label, "lblAlert", s, "Alert", panel, 8070, top + 45, 510, 255);
    alert.tooltip = "Mail drop alert length.";
    alert.visible = false;
    auto& mail = add_row(rows, ControlKind::ComboBox, "cboMailAlert", s, "", panel, 8580, top, 1110, 315);
    for (const char* text : mail_alert_texts()) mail.items.push_back(ListItem{text});
    mail.tooltip = "Mail drop alert length.";
    mail.visible = false;
}

} // namespace

std::vector<ControlSpec> codes_page_controls() {
    std::vector<ControlSpec> rows;
    const std::string page = "picSet";

    // Frequency range and entry.
    add_row(rows, ControlKind::Frame, "fraFreq", -1, "Frequency", page, 120, 60, 2400, 1500);
    add_row(rows, ControlKind::ComboBox, "cboDft", -1, "", "fraFreq", 150, 330, 2100, 315).items = range_items();
    add_row(rows, ControlKind::TextBox, "txtFreq", -1, "", "fraFreq", 150, 900, 1335, 315);
    add_row(rows, ControlKind::Label, "lblHz", -1, "00Hz", "fraFreq", 1530, 945, 690, 255);

    // Synthesizer values of the preset in the image.
    add_row(rows, ControlKind::Picture, "picPLL", -1, "", page, 2640, 150, 2520, 1410);
    const char* names[5] = {"lblPLLR", "lblPLLN", "lblINCD", "lblBfreq", "lblCHANNEL"};
    const char* captions[5] = {"PLL-R:", "PLL-N:", "INCD:", "BFreq:", "Channel:"};
    for (int i = 0; i < 5; ++i) {
        const int top = 75 + i * 255;
        add_row(rows, ControlKind::Label, "lblPLLCap", i, captions[i], "picPLL", 90, top, 1020, 255);
        add_row(rows, ControlKind::Label, names[i], -1, captions[i], "picPLL", 1140, top, 1290, 255);
    }

    // First-capcode auto-increase and the read/write password.
    add_row(rows, ControlKind::Frame, "fraAuto", -1, "Auto Increase 1 After Write and Read Password", page, 5280, 60,
            4980, 1500);
    add_row(rows, ControlKind::CheckBox, "optAuto1", -1, "1st Capcode Auto Increase", "fraAuto", 150, 360, 3600, 285)
        .tooltip = "1st capcode always increments by one after writed.";
    const char* pass_tip = "The password may be required for reading pager.";
    add_row(rows, ControlKind::Label, "lblPass1", -1, "R/W Password", "fraAuto", 150, 945, 1500, 255).tooltip =
        pass_tip;
    auto& pass = add_row(rows, ControlKind::TextBox, "txtPass1", -1, "", "fraAuto", 1710, 900, 1200, 315);
    pass.max_length = 6;
    pass.tooltip = pass_tip;

    // Capcode table: a scrolling panel of sixteen rows.
    add_row(rows, ControlKind::Frame, "Frame1", 0, "Capcode Address", page, 120, 1620, 10140, 5100);
    add_row(rows, ControlKind::Label, "lblFrameCap", -1, "Frame:", "Frame1_0", 7500, 255, 780, 255);
    add_row(rows, ControlKind::Label, "lblFrame", -1, "0000", "Frame1_0", 8310, 255, 720, 255);
    add_row(rows, ControlKind::Picture, "Picture1", -1, "", "Frame1_0", 90, 570, 9690, 4410);
    add_row(rows, ControlKind::ScrollBar, "VScroll1", -1, "", "Frame1_0", 9780, 570, 270, 4410);
    add_row(rows, ControlKind::Picture, "Picture2", -1, "", "Picture1", 0, 0, 9690, kFirstRowTop + 16 * kCapRowPitch);
    for (int s = 0; s < 16; ++s) add_capcode_row(rows, s);
    return rows;
}

} // namespace qrt58::ui
