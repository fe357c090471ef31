// Building and scaling the main window: every control made from the page
// tables (the tab area and the five pages), the tab labels, tab buttons and
// mode buttons styled, the design geometry copied into the Tags at start-up,
// and the proportional layout for the current client size.
#pragma once

#include "control_table.h"

#include <vector>

class Form1;
class QWidget;

class WindowLayout {
public:
    // Client area of the window as designed: 10935 x 7455 twips.
    static constexpr int kDesignClientWidth = 729;
    static constexpr int kDesignClientHeight = 497;

    explicit WindowLayout(Form1& form) : form_(form) {}

    // The controls of every page, the tab and mode buttons; page 0 in front.
    void build_window();
    // The smallest client size and the first window size (once the menu bar
    // and the status bar are there).
    void size_window();
    // Copies every control's design geometry into its Tag (once).
    void append_tag_geometry();
    // Places and sizes every control for the current client size.
    void layout_controls();

private:
    QWidget* create_control(const qrt58::ui::ControlSpec& row);
    void add_rows(const std::vector<qrt58::ui::ControlSpec>& rows);

    Form1& form_;
};
