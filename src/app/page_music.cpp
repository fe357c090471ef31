// Page "Music && Tone" (picSet7): per capcode slot a music type list and a
// user melody box, and the switches of the page.
#include "melody.h"
#include "page_rows.h"
#include "pages.h"

namespace qrt58::ui {

namespace {

const std::string kPage = "picSet7";
const std::string kFrame = "Frame7_0";

constexpr int kFirstRowTop = 300;
constexpr int kLabelLeft = 240, kLabelWidth = 2040;
constexpr int kListLeft = 2340, kListWidth = 1560;
constexpr int kMelodyLeft = 4020, kMelodyWidth = 1860;
constexpr int kSwitchLeft = 6240, kSwitchWidth = 3720;

} // namespace

std::vector<ControlSpec> music_page_controls() {
    std::vector<ControlSpec> rows;
    add_row(rows, ControlKind::Frame, "Frame7", 0, "Music and Tone of Capcode", kPage, 120, 60, 10140,
            kFirstRowTop + 16 * kCapRowPitch + 60);

    for (int s = 0; s < 16; ++s) {
        const int top = kFirstRowTop + s * kCapRowPitch;
        add_row(rows, ControlKind::Label, "lblCapMsc", s, "Cap #" + two_digits(s + 1) + " Music Type:", kFrame,
                kLabelLeft, top + kRowTextOffset, kLabelWidth, kLabelHeight);
        add_row(rows, ControlKind::ComboBox, "cboMusicType", s, "", kFrame, kListLeft, top, kListWidth, kEditHeight)
            .items = stored_items(music_type_items(s));
        add_row(rows, ControlKind::TextBox, "txtUser", s, "", kFrame, kMelodyLeft, top, kMelodyWidth, kEditHeight)
            .max_length = 16;
    }

    const struct {
        int index;
        const char* caption;
    } switches[] = {{35, "User's Capcode Music Type Enable"}, {45, "Always Vibrate"}, {66, "Multiple Tone"}};
    int top = kFirstRowTop + kRowTextOffset;
    for (const auto& sw : switches) {
        add_row(rows, ControlKind::CheckBox, "chkCtl", sw.index, sw.caption, kFrame, kSwitchLeft, top, kSwitchWidth,
                kCheckHeight)
            .tag = option_tag(sw.caption);
        top += kEditPitch;
    }
    return rows;
}

} // namespace qrt58::ui
