// Page "Prompts Edit" (picSet5): one box per receiver prompt with its caption,
// in two columns, and the alignment and default-text buttons.
#include "page_rows.h"
#include "pages.h"

namespace qrt58::ui {

namespace {

const std::string kPage = "picSet5";

struct Prompt {
    int index;
    const char* label;
    int address;
    bool icon; // shown after the two-column alert-mode icon: 18 characters
};

// Prompt 0, the power-up logo, is on the alerts and status page.
const Prompt kPrompts[] = {
    {1, "NO PAGES ------->", 0x114, false},    {2, "UP OR ESCAPE --->", 0x128, false},
    {3, "MESSAGE LOCK --->", 0x13C, false},    {4, "MESSAGE UNLOCK ->", 0x150, false},
    {5, "MESSAGE ERASE -->", 0x164, false},    {6, "MESSAGE ERASE ALL", 0x178, false},
    {7, "MOVE TO MEMO --->", 0x18C, false},    {8, "SET SCROLL ----->", 0x1A0, false},
    {9, "SET TIME ------->", 0x1B4, false},    {10, "SET ALARM ------>", 0x1C8, false},
    {11, "SET ALERT ------>", 0x1DC, false},   {12, "PAGER OFF ------>", 0x1F0, false},
    {13, "TONY ONLY ------>", 0x204, false},   {14, "SLEEP ------------>", 0x218, true},
    {15, "VIBRATE ---------->", 0x22C, true},  {16, "PAGER OFF ? ---->", 0x240, false},
    {17, "MESSAGE ERASE ? >", 0x254, false},   {18, "MESSAGE ERASE ALL ?", 0x268, false},
    {19, "TIME  SET -------->", 0x27C, false}, {20, "ALARM  SET ------->", 0x290, false},
    {21, "SCROLL SET ------->", 0x2A4, false}, {22, "AUTO SLEEP SET --->", 0x2B8, false},
    {23, "ON     OFF SET --->", 0x2CC, false}, {24, "MESSAGE AREA ----->", 0x2E0, false},
    {25, "MAIL DROP AREA --->", 0x2F4, false}, {26, "BEEP THEN VIBRATE >", 0x308, true},
    {27, "ZOOM IN ---------->", 0x31C, false}, {28, "ZOOM OUT --------->", 0x330, false},
    {29, "SET CAPCODE ---->", 0x598, false},   {30, "CAPCODE SET ---->", 0x5AC, false},
    {31, "OUT OF RANGE --->", 0x5C1, false},   {32, "BEEP AND VIBRATE ->", 0x5D6, true},
    {50, "FLASH ONLY-------->", 0x701, true},  {51, "DISCRETE BEEP----->", 0x716, true},
    {52, "BEEPING ---------->", 0x72E, true},  {68, "CHARGING---------->", 0x5EA, false},
};

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
    for (const Prompt& p : kPrompts) {
        const int left = kColumnLeft[n / kRowsPerColumn];
        const int top = kTop + (n % kRowsPerColumn) * kEditPitch;
        ControlSpec& label = add_row(rows, ControlKind::Label, "lblPrompt", p.index, p.label,
                                     kPage, left, top + kRowTextOffset, kLabelWidth, kLabelHeight);
        if (p.index == 68)
            label.tooltip = " Small Font ( Less than 19 characters ) ";
        ControlSpec& box = add_row(rows, ControlKind::TextBox, "txtPrompt", p.index, "", kPage,
                                   left + kBoxOffset, top, kBoxWidth, kEditHeight);
        box.tag = prompt_tag(p.address);
        box.max_length = p.icon ? 18 : 20;
        ++n;
    }
    const char* buttons[4][3] = {{"optLeft", "L", "Align Left"},
                                 {"optCenter", "C", "Align Center"},
                                 {"optRight", "R", "Align Right"},
                                 {"optDefault", "D", "Load Default"}};
    for (int i = 0; i < 4; ++i)
        add_row(rows, ControlKind::Button, buttons[i][0], 0, buttons[i][1], kPage, kButtonsLeft,
                kTop + i * 480, 480, kEditPitch)
            .tooltip = buttons[i][2];
    return rows;
}

} // namespace qrt58::ui
