// Page "Freq. && Codes" (picSet): frequency range and entry, synthesizer values,
// first-capcode auto-increase with the read/write password, and the sixteen
// capcode rows in their scrolling panel.
#include "pages.h"

#include <cstdio>

namespace qrt58::ui {
namespace {

std::string hex_address(int address) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "&H%X", address);
    return buf;
}

// The tag of a one-bit field of slot s: slots 0-7 in `low`, 8-15 in `high`.
std::string slot_tag(int s, int low, int high, const char* kind) {
    const int address = s < 8 ? low : high;
    return hex_address(address) + "," + std::to_string(s % 8) + ",1," + kind;
}

ControlSpec make(ControlKind kind, std::string name, int index, std::string caption, int left,
                 int top, int width, int height, std::string parent) {
    ControlSpec r;
    r.kind = kind;
    r.name = std::move(name);
    r.index = index;
    r.caption = std::move(caption);
    r.left = left;
    r.top = top;
    r.width = width;
    r.height = height;
    r.parent = std::move(parent);
    return r;
}

constexpr int kRowPitch = 360;   // twips between two capcode rows
constexpr int kFirstRowTop = 90; // top of the first row's boxes in the panel

void add_capcode_row(std::vector<ControlSpec>& rows, int s) {
    const int top = kFirstRowTop + s * kRowPitch;
    const std::string panel = "Picture2";
    char cap[16];
    std::snprintf(cap, sizeof cap, "Cap #%02d", s + 1);

    auto label = make(ControlKind::Label, "Label1", s, cap, 60, top + 45, 780, 255, panel);
    label.tooltip = "Please input Capcode( 7 Dec digits between 1 and 2031615 ).";
    rows.push_back(label);

    auto addr = make(ControlKind::TextBox, "txtAddr", s, "1234567890", 870, top, 1350, 300, panel);
    addr.max_length = 10;
    rows.push_back(addr);

    rows.push_back(make(ControlKind::TextBox, "Text1", s, "E", 2250, top - 50, 255, 300, panel));

    auto en = make(ControlKind::CheckBox, "chkCtl", 10 + s, "En", 2580, top + 15, 630, 270, panel);
    en.tag = slot_tag(s, 0x73, 0x72, "chk");
    en.tooltip = s % 8 == 2 ? "Enable or disable the Capcode( address )."
                            : "Enable or disable the Capcode( address )";
    rows.push_back(en);

    rows.push_back(make(ControlKind::Label, "Label2", s, "Type", 3225, top + 45, 480, 255, panel));

    auto type = make(ControlKind::ComboBox, "cboCtl", 7 + s, "", 3720, top, 1410, 315, panel);
    type.tag = slot_tag(s, 0x38, 0x37, "cbo");
    type.items = {{"Personal"}, {"Mail drop"}, {"Group"}};
    rows.push_back(type);

    auto pri = make(ControlKind::CheckBox, "chkCtl", 50 + s, "Pri", 5205, top + 15, 660, 270, panel);
    pri.tag = slot_tag(s, 0x34, 0x35, "chkN");
    pri.tooltip = "Priority Alert Control";
    rows.push_back(pri);

    auto manual =
        make(ControlKind::CheckBox, "chkCtl", 70 + s, "Manual", 5880, top + 15, 1035, 270, panel);
    manual.tag = slot_tag(s, 0x3BD, 0x3BE, "chk");
    manual.tooltip = "Enable or disable the Capcode at manual programming";
    rows.push_back(manual);

    // Even rows carry the length list of their pair; odd rows a fixed "Short".
    if (s % 2 == 0) {
        auto len = make(ControlKind::ComboBox, "cboCapLen", s / 2, "", 6945, top, 1050, 315, panel);
        len.items = {{"Short"}, {"Long"}};
        len.list_index = 0; // a pair is short until the image says otherwise
        rows.push_back(len);
    } else {
        auto sht = make(ControlKind::ComboBox, "cboCapSht", s / 2, "", 6945, top, 1050, 315, panel);
        sht.items = {{"Short"}};
        sht.list_index = 0;
        rows.push_back(sht);
    }

    // Mail-drop alert length of the slot; shown only for "Mail drop" slots while
    // the mail alert is on.
    auto alert = make(ControlKind::Label, "lblAlert", s, "Alert", 8070, top + 45, 540, 255, panel);
    alert.tooltip = "Mail drop alert length.";
    alert.visible = false;
    rows.push_back(alert);
    auto mail = make(ControlKind::ComboBox, "cboMailAlert", s, "", 8625, top, 1035, 315, panel);
    mail.items = {{"Disable"}, {"Beep"}, {"1 sec"}, {"16 sec"}};
    mail.tooltip = "Mail drop alert length.";
    mail.visible = false;
    rows.push_back(mail);
}

} // namespace

std::vector<ControlSpec> codes_page_controls() {
    std::vector<ControlSpec> rows;
    const std::string page = "picSet";

    // Frequency range and entry.
    rows.push_back(make(ControlKind::Frame, "fraFreq", -1, "Frequency", 120, 60, 2400, 1500, page));
    auto range = make(ControlKind::ComboBox, "cboDft", -1, "", 150, 330, 2100, 315, "fraFreq");
    range.items = {{"130-180MHz"}, {"400-499MHz"}, {"929-932MHz"}};
    rows.push_back(range);
    rows.push_back(make(ControlKind::TextBox, "txtFreq", -1, "", 150, 900, 1335, 315, "fraFreq"));
    rows.push_back(make(ControlKind::Label, "lblHz", -1, "00Hz", 1530, 945, 690, 255, "fraFreq"));

    // Synthesizer values of the preset in the image.
    rows.push_back(make(ControlKind::Picture, "picPLL", -1, "", 2640, 150, 2520, 1410, page));
    const char* names[5] = {"lblPLLR", "lblPLLN", "lblINCD", "lblBfreq", "lblCHANNEL"};
    const char* captions[5] = {"PLL-R:", "PLL-N:", "INCD:", "BFreq:", "Channel:"};
    for (int i = 0; i < 5; ++i) {
        const int top = 75 + i * 255;
        rows.push_back(
            make(ControlKind::Label, "lblPLLCap", i, captions[i], 90, top, 1020, 255, "picPLL"));
        rows.push_back(make(ControlKind::Label, names[i], -1, captions[i], 1140, top, 1290, 255, "picPLL"));
    }

    // First-capcode auto-increase and the read/write password.
    rows.push_back(make(ControlKind::Frame, "fraAuto", -1,
                        "Auto Increase 1 After Write and Read Password", 5280, 60, 4980, 1500, page));
    auto autoinc = make(ControlKind::CheckBox, "optAuto1", -1, "1st Capcode Auto Increase", 150, 360,
                        3600, 285, "fraAuto");
    autoinc.tooltip = "1st capcode always increments by one after writed.";
    rows.push_back(autoinc);
    const char* pass_tip = "The password may be required for reading pager.";
    auto pass_label = make(ControlKind::Label, "lblPass1", -1, "R/W Password", 150, 945, 1500, 255, "fraAuto");
    pass_label.tooltip = pass_tip;
    rows.push_back(pass_label);
    auto pass = make(ControlKind::TextBox, "txtPass1", -1, "", 1710, 900, 1200, 315, "fraAuto");
    pass.max_length = 6;
    pass.tooltip = pass_tip;
    rows.push_back(pass);

    // Capcode table: a scrolling panel of sixteen rows.
    rows.push_back(make(ControlKind::Frame, "Frame1", 0, "Capcode Address", 120, 1620, 10140, 5100, page));
    rows.push_back(make(ControlKind::Label, "lblFrameCap", -1, "Frame:", 7500, 255, 780, 255, "Frame1_0"));
    rows.push_back(make(ControlKind::Label, "lblFrame", -1, "0000", 8310, 255, 720, 255, "Frame1_0"));
    rows.push_back(make(ControlKind::Picture, "Picture1", -1, "", 90, 570, 9690, 4410, "Frame1_0"));
    rows.push_back(make(ControlKind::ScrollBar, "VScroll1", -1, "", 9780, 570, 270, 4410, "Frame1_0"));
    rows.push_back(make(ControlKind::Picture, "Picture2", -1, "", 0, 0, 9690,
                        kFirstRowTop + 16 * kRowPitch, "Picture1"));
    for (int s = 0; s < 16; ++s) add_capcode_row(rows, s);
    return rows;
}

} // namespace qrt58::ui
