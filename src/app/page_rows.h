// Small helpers shared by the page tables: adding a row and common sizes.
#pragma once

#include "alerts.h"
#include "control_table.h"
#include "field_tag.h"
#include "settings.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace qrt58::ui {

// Heights and pitches of the page tables (twips; 15 twips = 1 pixel).
constexpr int kCheckHeight = 240;
constexpr int kLabelHeight = 240;
constexpr int kEditHeight = 315;   // text boxes and drop-down lists
constexpr int kCheckPitch = 240;   // stacked check boxes
constexpr int kEditPitch = 360;    // rows holding a text box or a list
constexpr int kStackedPitch = 600; // a caption above its list
constexpr int kFrameTop = 300;     // first row inside a captioned frame
constexpr int kFrameInset = 45;    // left and right margin inside a frame
constexpr int kSideGap = 15;       // between a caption and the list beside it
constexpr int kFramePad = 90;      // space under the last row of a frame
// Rows that follow the capcode numbering (music, source prompts) use the
// capcode page's row pitch, because the capcode-length layout moves them by it.
constexpr int kCapRowPitch = 360;
// Label and check-box tops inside an edit row, so their text lines up with the box.
constexpr int kRowTextOffset = 45;

inline ControlSpec& add_row(std::vector<ControlSpec>& rows, ControlKind kind, const std::string& name, int index,
                            const std::string& caption, const std::string& parent, int left, int top, int width,
                            int height) {
    ControlSpec c{};
    c.kind = kind;
    c.name = name;
    c.index = index;
    c.caption = caption;
    c.parent = parent;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    rows.push_back(c);
    return rows.back();
}

inline std::vector<ListItem> plain_items(std::initializer_list<const char*> texts) {
    std::vector<ListItem> items;
    for (const char* t : texts) items.push_back(ListItem{t});
    return items;
}

// The items of a list whose stored values the image rules own.
inline std::vector<ListItem> stored_items(const std::vector<StoredItem>& from) {
    std::vector<ListItem> items;
    for (const StoredItem& item : from) items.push_back(ListItem{item.text, item.value});
    return items;
}

// A plain option box or list of the settings' option table: its tag, and a
// list's items. Empty for a caption the table does not have (the page tests
// then find a control without its field).
inline std::string option_tag(const char* caption) {
    const OptionBinding* b = find_option_binding(caption);
    return b ? b->tag : std::string();
}
inline std::vector<ListItem> option_items(const char* caption) {
    std::vector<ListItem> items;
    if (const OptionBinding* b = find_option_binding(caption))
        for (const char* t : b->items) items.push_back(ListItem{t});
    return items;
}
// The caption as a control shows it: "&" doubled, so that it is no mnemonic.
inline std::string shown_caption(const char* caption) {
    std::string out;
    for (const char* c = caption; *c; ++c) out += *c == '&' ? std::string("&&") : std::string(1, *c);
    return out;
}

// A slot number as the captions show it: two digits, "01" to "16".
inline std::string two_digits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// The table with its frames and pictures moved to the front (keeping their
// order and the order of the other rows), so every container exists before
// the controls placed in it.
inline std::vector<ControlSpec> containers_first(std::vector<ControlSpec> rows) {
    std::stable_partition(rows.begin(), rows.end(), [](const ControlSpec& c) {
        return c.kind == ControlKind::Frame || c.kind == ControlKind::Picture;
    });
    return rows;
}

// Index of the row named `name` (with `index`) in `rows`, or -1.
inline int row_of(const std::vector<ControlSpec>& rows, const std::string& name, int index = -1) {
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].name == name && rows[i].index == index) return int(i);
    return -1;
}

} // namespace qrt58::ui
