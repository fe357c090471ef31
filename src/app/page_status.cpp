// Page "Alerts && Status" (picSet2): the receiver menu, manual-write options,
// alerts, status, display and power options, and the power-up logo.
#include "change_rules.h"
#include "default_image.h"
#include "display.h"
#include "page_frame_stack.h"
#include "pages.h"
#include "prompts.h"

namespace qrt58::ui {

namespace {

const std::string kPage = "picSet2";

// Three columns of frames across the page:
//   left:   "Menu Of Pager", the box "History Off", "Prompts"
//   middle: "Alerts", "Manual Write"
//   right:  "Status"
// The widths follow the widest line of each column: "Set Alert Off" with the
// tone list, "Cap. Priority Modification", "Direct Show Lamp On" with the
// lamp list.
constexpr int kMargin = 30, kGap = 30;
constexpr int kColA = kMargin, kColAWidth = 3705;
constexpr int kColC = 10380 - kMargin - 3510, kColCWidth = 3510;
constexpr int kColB = kColA + kColAWidth + kGap, kColBWidth = kColC - kGap - kColB;

// Right-hand lists beside a check box or caption.
constexpr int kToneWidth = 1935;
constexpr int kShortListWidth = 1140;

std::vector<ListItem> lamp_list() {
    std::vector<ListItem> items;
    for (const LampItem& item : lamp_items()) items.push_back({item.text, item.value});
    return items;
}

int menu_frame(std::vector<ControlSpec>& rows) {
    FrameStack f(rows, "Frame2", 0, "Menu Of Pager", kPage, kColA, kMargin, kColAWidth);
    const auto& items = menu_item_captions();
    for (int i = 0; i < 8; ++i) {
        if (i != 6) {
            f.check("chkMenu", i, items[i], "");
            continue;
        }
        // The default tone list stands beside "Set Alert Off".
        const int tone_left = f.inner_right() - kToneWidth;
        f.at(ControlKind::CheckBox, "chkMenu", i, items[i], kFrameInset, kRowTextOffset,
             tone_left - kSideGap - kFrameInset, kCheckHeight);
        f.at(ControlKind::ComboBox, "cboTone", -1, "", tone_left, 0, kToneWidth, kEditHeight).items =
            stored_items(tone_items());
        f.next_line(kEditPitch + kRowTextOffset);
    }
    f.option("chkCtl", 33, "Lock/Unlock Off");
    f.option("chkCtl", 32, "Delete Off");
    f.option("chkCtl", 31, "Delete All Off");
    f.option("chkCtl", 30, "Move To Memo Off");
    return f.close();
}

void prompts_frame(std::vector<ControlSpec>& rows, int top) {
    FrameStack f(rows, "Frame2", 4, "Prompts", kPage, kColA, top, kColAWidth);
    // Caption of the logo box, and the alignment buttons that work on it.
    f.at(ControlKind::Label, "lblPrompt", 0, "Power Up Logo", kFrameInset, kRowTextOffset, 1620, kLabelHeight);
    const char* align[3][3] = {
        {"optLeft", "L", "Align Left"}, {"optCenter", "C", "Align Center"}, {"optRight", "R", "Align Right"}};
    for (int i = 0; i < 3; ++i)
        f.at(ControlKind::Button, align[i][0], 1, align[i][1], f.inner_right() - 360 * (3 - i), 0, 345, kEditHeight)
            .tooltip = align[i][2];
    f.next_line(kEditPitch);
    // The logo box takes the width of the measuring label under it (its
    // caption is a run of spaces as long as the logo font allows), so the
    // rest of this line stays free.
    f.at(ControlKind::Label, "lblLogo", -1, std::string(16, ' '), kFrameInset, 0, 2100, kEditHeight);
    ControlSpec& logo = f.at(ControlKind::TextBox, "txtPrompt", 0, "", kFrameInset, 0, 2100, kEditHeight);
    logo.tag = prompt_tag(find_prompt_slot(0)->address);
    logo.max_length = 15;
    f.next_line(kEditPitch);
    ControlSpec& font = f.at(ControlKind::ComboBox, "cbologo", -1, "", kFrameInset, 0, 1500, kEditHeight);
    font.tag = bit_tag(kLogoFontAddress, 0, 4, "Lng");
    for (const LogoFontItem& item : logo_font_items()) font.items.push_back({item.text, item.value});
    f.next_line(kEditPitch + kRowTextOffset);
    ControlSpec& language = f.stacked_list("lblLng", -1, "Prompt Language Type", "cboLng", -1, 1500);
    for (const LanguageItem& item : language_items()) language.items.push_back({item.text, item.code});
    ControlSpec& date = f.side_list("lblDate", -1, "Date Display", "cboCtl", 6, 1500);
    date.tag = option_tag("Date Display");
    date.items = option_items("Date Display");
    f.option("chkCtl", 39, "24H o'clock");
    f.close();
}

int alerts_frame(std::vector<ControlSpec>& rows) {
    FrameStack f(rows, "Frame2", 2, "Alerts", kPage, kColB, kMargin, kColBWidth);
    f.option("chkCtl", 4, "Silent off Alert Disable");
    f.option("chkCtl", 41, "Vibration Like Beep");
    f.option("chkCtl", 7, "Out-of Service");
    f.option("chkCtl", 6, "Lowcell Alert Control");
    // Master switch of the mail-drop alert column on the capcode page.
    f.check("chkMailAlert", -1, "Mail Alert", "");
    f.next_line(kRowTextOffset);
    ControlSpec& reminder = f.stacked_list("lblReminder", -1, "Reminder Duration Control", "cboCtl", 4, 1500);
    reminder.tag = option_tag("Reminder Duration Control");
    reminder.items = option_items("Reminder Duration Control");
    ControlSpec& music = f.stacked_list("lblMusicSel", -1, "Music Type Select", "cboCtl", 3, 2250);
    music.tag = option_tag("Music Type Select");
    music.items = option_items("Music Type Select");
    f.stacked_list("lblPersonAlert", -1, "Personal Alert Length", "cboPersonAlert", -1, 1500).items =
        stored_items(person_alert_items());
    f.stacked_list("lblORA", -1, "Out-of Range Alert", "cboORA", -1, 1200).items = stored_items(out_of_range_items());
    f.stacked_list("lblSLC", -1, "Sequential Lockout", "cboSLC", -1, 1650).items =
        stored_items(sequential_lockout_items());
    return f.close();
}

void manual_write_frame(std::vector<ControlSpec>& rows, int top) {
    FrameStack f(rows, "Frame2", 1, "Manual Write", kPage, kColB, top, kColBWidth);
    f.option("chkCtl", 9, "Manual Write Enable");
    f.option("chkCtl", 3, "Frequency Modification");
    f.option("chkCtl", 42, "Cap. Priority Modification");
    f.option("chkCtl", 28, "Password Required");
    f.option("chkCtl", 27, "Password Modification");
    f.next_line(kRowTextOffset);
    const std::string tip = "The password may be required for writed or manual writed.";
    f.at(ControlKind::Label, "lblPass", -1, "Password(4 Dec)", kFrameInset, kRowTextOffset, 1620, kLabelHeight)
        .tooltip = tip;
    ControlSpec& pass = f.at(ControlKind::TextBox, "txtPass", -1, "", 1740, 0, 900, kEditHeight);
    pass.tooltip = tip;
    pass.max_length = 4;
    f.next_line(kEditPitch);
    f.close();
}

void status_frame(std::vector<ControlSpec>& rows) {
    FrameStack f(rows, "Frame2", 3, "Status", kPage, kColC, kMargin, kColCWidth);
    f.option("chkCtl", 0, "Time Auto Update");
    ControlSpec& numeric = f.stacked_list("lblNumMode", -1, "Numeric Display Mode", "cboCtl", 5, 1500);
    numeric.tag = option_tag("Numeric Display Mode");
    numeric.items = option_items("Numeric Display Mode");
    f.option("chkCtl", 44, "Vibrate Off In Charger");
    f.option("chkCtl", 40, "Vibrate & Alert At Priority");
    f.option("chkCtl", 2, "Counter Out Enable");
    f.option("chkCtl", 34, "Duplicate Msg Enable");
    f.next_line(kRowTextOffset);
    ControlSpec& paging = f.side_list("lblPageDisp", -1, "Paging Display", "cboCtl", 0, 1500);
    paging.tag = option_tag("Paging Display");
    paging.items = option_items("Paging Display");
    // "Direct Show Lamp On" with the lamp time list beside it.
    const int short_left = f.inner_right() - kShortListWidth;
    f.at(ControlKind::CheckBox, "chkCtl", 8, "Direct Show Lamp On", kFrameInset, kRowTextOffset,
         short_left - kSideGap - kFrameInset, kCheckHeight)
        .tag = option_tag("Direct Show Lamp On");
    f.at(ControlKind::ComboBox, "cboLamp", -1, "", short_left, 0, kShortListWidth, kEditHeight).items = lamp_list();
    f.next_line(kEditPitch + kRowTextOffset);
    f.option("chkCtl", 26, "Direct Show Until Press Key");
    f.next_line(kRowTextOffset);
    ControlSpec& read_time = f.side_list("lblReadTime", -1, "Read Time Out", "cboCtl", 1, kShortListWidth);
    read_time.tag = option_tag("Read Time Out");
    read_time.items = option_items("Read Time Out");
    f.option("chkCtl", 1, "Discard Error Message");
    f.option("chkCtl", 5, "Air Program Enable");
    f.check("chkCtl", 37, "Push Key Lamp On Enable", bit_tag(kKeyLampAddress, kKeyLampBit, 1, "chkN"));
    f.option("chkCtl", 38, "RD Key Delete Enable");
    f.option("chkCtl", 36, "RD Key Switch Alert");
    f.next_line(kRowTextOffset);
    std::vector<ListItem> levels;
    for (const BatteryLevel& level : battery_levels()) levels.push_back({level.text, level.value});
    const char* gauge[3] = {"Bat. Gauge Level-Low", "Bat. Gauge Level-Med", "Bat. Gauge Level-High"};
    for (int i = 0; i < 3; ++i) f.side_list("lblBatLev", i, gauge[i], "cboBatLev", i, kShortListWidth).items = levels;
    // Contrast: caption, grey sample and number on one line, the slider below.
    f.at(ControlKind::Label, "lblSlider", -1, "Screen Contrast", kFrameInset, 0, 1620, kLabelHeight);
    f.at(ControlKind::Label, "lblContrast", -1, "Screen", 1800, 0, 720, kLabelHeight);
    f.at(ControlKind::Label, "lblValue", -1, "4", 2580, 0, 300, kLabelHeight);
    f.next_line(kLabelHeight + 15);
    f.at(ControlKind::Slider, "Slider1", -1, "", kFrameInset, 0, 2250, 300);
    f.next_line(kEditPitch);
    f.close();
}

} // namespace

std::vector<ControlSpec> status_page_controls() {
    std::vector<ControlSpec> rows;
    const int menu_bottom = menu_frame(rows);
    add_row(rows, ControlKind::CheckBox, "chkCtl", 29, "History Off", kPage, kColA + kFrameInset, menu_bottom + kGap,
            kColAWidth - 2 * kFrameInset, kCheckHeight)
        .tag = option_tag("History Off");
    const int alerts_bottom = alerts_frame(rows);
    manual_write_frame(rows, alerts_bottom + kGap);
    status_frame(rows);
    prompts_frame(rows, menu_bottom + kGap + kCheckHeight + kGap);
    return containers_first(std::move(rows));
}

} // namespace qrt58::ui
