// Page "Source Prompts" (picSet6): one source prompt per capcode slot and one
// for group calls, each with its enable box, plus the mode list and the
// alignment buttons.
#include "change_rules.h"
#include "page_rows.h"
#include "pages.h"
#include "prompts.h"

namespace qrt58::ui {

namespace {

const std::string kPage = "picSet6";
const std::string kFrame = "Frame6_0";

constexpr int kFirstRowTop = 300;
constexpr int kCheckLeft = 240, kCheckWidth = 1560;
constexpr int kBoxLeft = 1860, kBoxWidth = 2400;
constexpr int kSideLeft = 4680; // mode list, switch and buttons right of the rows

} // namespace

std::vector<ControlSpec> source_page_controls() {
    std::vector<ControlSpec> rows;
    add_row(rows, ControlKind::Frame, "Frame6", 0, "Source Prompts", kPage, 120, 60, 10140, 0);

    // Rows 0-15 follow the capcode slots (renumbered with the capcode rows);
    // row 16 is the group prompt.
    for (int k = 0; k <= 16; ++k) {
        const int i = 33 + k;
        const int top = kFirstRowTop + k * kCapRowPitch;
        ControlSpec& check =
            add_row(rows, ControlKind::CheckBox, "chkSource", i, k < 16 ? "Capcode #" + two_digits(k + 1) : "Group",
                    kFrame, kCheckLeft, top + kRowTextOffset, kCheckWidth, kCheckHeight);
        if (k < 16) {
            check.tag = bit_tag(kSourceEnableFirst + k, 0, 8, "chkSource");
            check.tooltip = "Enable or disable the 1st Capcode( address )";
        } else {
            check.tag = bit_tag(kGroupSourceAddress, kGroupSourceBit, 1, "chkN");
        }
        ControlSpec& box =
            add_row(rows, ControlKind::TextBox, "txtPrompt", i, "", kFrame, kBoxLeft, top, kBoxWidth, kEditHeight);
        box.tag = prompt_tag(source_prompt_address(kSourcePromptFirst + k));
        box.max_length = 21;
    }
    rows.front().height = kFirstRowTop + 17 * kCapRowPitch + 60;

    add_row(rows, ControlKind::Label, "lblPromptCtl", -1, "Prompt Control", kFrame, kSideLeft,
            kFirstRowTop + kRowTextOffset, 1560, kLabelHeight);
    ControlSpec& mode = add_row(rows, ControlKind::ComboBox, "cboCtl", 2, "", kFrame, kSideLeft + 1620, kFirstRowTop,
                                1500, kEditHeight);
    mode.tag = bit_tag(kSourceModeAddress, kSourceModeBit, kSourceModeWidth, "cbo");
    // The loader rebuilds this list from "Multiple Source Prompt".
    for (const char* text : source_mode_texts()) mode.items.push_back(ListItem{text});
    add_row(rows, ControlKind::CheckBox, "chkCtl", 43, "Multiple Source Prompt", kFrame, kSideLeft,
            kFirstRowTop + kEditPitch + kRowTextOffset, 3120, kCheckHeight)
        .tag = bit_tag(kMultipleSourceAddress, kMultipleSourceBit, 1, "chkN");

    const char* buttons[4][4] = {{"optLeft", "2", "L", "Align Left"},
                                 {"optCenter", "2", "C", "Align Center"},
                                 {"optRight", "2", "R", "Align Right"},
                                 {"optDefault", "1", "D", "Load Default"}};
    for (int b = 0; b < 4; ++b)
        add_row(rows, ControlKind::Button, buttons[b][0], std::stoi(buttons[b][1]), buttons[b][2], kFrame,
                kSideLeft + b * 540, kFirstRowTop + 3 * kEditPitch, 480, kEditPitch)
            .tooltip = buttons[b][3];
    return rows;
}

} // namespace qrt58::ui
