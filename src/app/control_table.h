// Declarative description of the window's controls: each page is built from a
// table of these rows, in creation order (the window's control order).
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace qrt58::ui {

enum class ControlKind {
    Frame,   // captioned group box (container)
    Picture, // plain container (picture box), no caption
    Label,
    CheckBox,
    Option,   // radio button
    ComboBox, // drop-down list
    ListBox,
    TextBox,
    Button,
    ScrollBar, // vertical scroll bar
    Slider,    // the contrast slider (ctlEBSlider)
};

struct ListItem {
    std::string text;
    int data = -1; // item data; -1 means "same as the index"
};

struct ControlSpec {
    ControlKind kind;
    std::string name;    // e.g. "chkCtl"
    int index = -1;      // control-array index, -1 when not an array
    std::string caption; // "&&" shows a single "&"
    std::string tag;     // FieldTag text (without geometry), may be empty
    std::string tooltip;
    int left = 0, top = 0, width = 0, height = 0; // twips, relative to the parent
    double font_size = 8.25;
    std::string parent; // objectName of the container ("picSet", "Frame1_0", ...)
    std::vector<ListItem> items;
    int max_length = 0;  // text boxes: 0 = unlimited
    int list_index = -1; // lists: item selected at start (-1: none)
    bool visible = true; // shown at start (a rule of the page may change it)
    bool enabled = true;
};

// objectName of a control: "chkCtl_10" for an array member, "cboDft" otherwise.
inline std::string object_name(const std::string& name, int index) {
    return index < 0 ? name : name + "_" + std::to_string(index);
}

} // namespace qrt58::ui
