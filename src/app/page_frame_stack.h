// Stacks rows top to bottom inside one frame of a page table and sizes the
// frame to its content when done.
#pragma once

#include "page_rows.h"

namespace qrt58::ui {

class FrameStack {
public:
    // Adds the frame row itself; its height is set by close().
    FrameStack(std::vector<ControlSpec>& rows, const std::string& name, int index, const std::string& caption,
               const std::string& parent, int left, int top, int width)
        : rows_(rows), frame_(object_name(name, index)), width_(width) {
        add_row(rows, ControlKind::Frame, name, index, caption, parent, left, top, width, 0);
        frame_row_ = int(rows.size()) - 1;
    }

    const std::string& name() const { return frame_; }
    int y() const { return y_; }
    int inner_right() const { return width_ - kFrameInset; }

    // Width from the inner left margin to the inner right margin.
    int inner_width() const { return inner_right() - kFrameInset; }

    // A check box on a row of its own, as wide as the frame allows.
    ControlSpec& check(const std::string& name, int index, const std::string& caption, const std::string& tag) {
        return check(name, index, caption, tag, inner_width());
    }
    ControlSpec& check(const std::string& name, int index, const std::string& caption, const std::string& tag,
                       int width) {
        ControlSpec& c =
            add_row(rows_, ControlKind::CheckBox, name, index, caption, frame_, kFrameInset, y_, width, kCheckHeight);
        c.tag = tag;
        y_ += kCheckPitch;
        return c;
    }

    // A box of the settings' option table: caption and tag from its row.
    ControlSpec& option(const std::string& name, int index, const char* caption) {
        return check(name, index, shown_caption(caption), option_tag(caption));
    }

    // A caption with its list right of it on the same row; the list ends at
    // the frame's inner right edge. Returns the list row.
    ControlSpec& side_list(const std::string& label, int label_index, const std::string& caption,
                           const std::string& list, int list_index, int list_width) {
        const int list_left = inner_right() - list_width;
        add_row(rows_, ControlKind::Label, label, label_index, caption, frame_, kFrameInset, y_ + kRowTextOffset,
                list_left - kFrameInset - kSideGap, kLabelHeight);
        ControlSpec& c =
            add_row(rows_, ControlKind::ComboBox, list, list_index, "", frame_, list_left, y_, list_width, kEditHeight);
        y_ += kEditPitch;
        return c;
    }

    // A caption with its list below it.
    ControlSpec& stacked_list(const std::string& label, int label_index, const std::string& caption,
                              const std::string& list, int list_index, int list_width) {
        add_row(rows_, ControlKind::Label, label, label_index, caption, frame_, kFrameInset, y_, inner_width(),
                kLabelHeight);
        ControlSpec& c = add_row(rows_, ControlKind::ComboBox, list, list_index, "", frame_, kFrameInset,
                                 y_ + kLabelHeight, list_width, kEditHeight);
        y_ += kStackedPitch;
        return c;
    }

    // Any other row at the current line; `height` is the space the line takes.
    ControlSpec& at(ControlKind kind, const std::string& name, int index, const std::string& caption, int left,
                    int top_offset, int width, int height) {
        return add_row(rows_, kind, name, index, caption, frame_, left, y_ + top_offset, width, height);
    }
    void next_line(int pitch) { y_ += pitch; }

    // Sizes the frame to its rows and returns its bottom edge in the parent.
    int close() {
        ControlSpec& f = rows_[std::size_t(frame_row_)];
        f.height = y_ + kFramePad - (kEditPitch - kEditHeight);
        return f.top + f.height;
    }

private:
    std::vector<ControlSpec>& rows_;
    std::string frame_;
    int width_;
    int frame_row_ = 0;
    int y_ = kFrameTop;
};

} // namespace qrt58::ui
