// Page "Prompts Edit" (picSet5): one box per receiver prompt with its caption,
// in two columns, and the alignment and default-text buttons.
#include "page_rows.h"
#include "pages.h"
#include "prompts.h"

namespace qrt58::ui {

namespace {

const std::string kPage = "picSet5";

constexpr int kRowsPerColumn = 18;
constexpr int kTop = 120;
constexpr int kColumnLeft[2] = {120, 4440};
constexpr int kLabelWidth = 1980;
constexpr int kBoxOffset = 2040; // box left, relative to its column
constexpr int kBoxWidth = 2160;
constexpr int kButtonsLeft = 8880;

} // namespace

std::vector<ControlSpec> prompts_page_controls() {
    std::vector<ControlSpec> rows;
    int n = 0;
    for (const PromptSlot& p : prompt_slots()) {
        // Prompt 0, the power-up logo, is on the alerts and status page.
        if (p.index == 0) continue;
        const int left = kColumnLeft[n / kRowsPerColumn];
        const int top = kTop + (n % kRowsPerColumn) * kEditPitch;
        ControlSpec& label = add_row(rows, ControlKind::Label, "lblPrompt", p.index, p.label, kPage, left,
                                     top + kRowTextOffset, kLabelWidth, kLabelHeight);
        if (p.index == 68) label.tooltip = " Small Font ( Less than 19 characters ) ";
        ControlSpec& box = add_row(rows, ControlKind::TextBox, "txtPrompt", p.index, "", kPage, left + kBoxOffset, top,
                                   kBoxWidth, kEditHeight);
        box.tag = prompt_tag(p.address);
        box.max_length = p.max_length;
        ++n;
    }
    const char* buttons[4][3] = {{"optLeft", "L", "Align Left"},
                                 {"optCenter", "C", "Align Center"},
                                 {"optRight", "R", "Align Right"},
                                 {"optDefault", "D", "Load Default"}};
    for (int i = 0; i < 4; ++i)
        add_row(rows, ControlKind::Button, buttons[i][0], 0, buttons[i][1], kPage, kButtonsLeft, kTop + i * 480, 480,
                kEditPitch)
            .tooltip = buttons[i][2];
    return rows;
}

} // namespace qrt58::ui
