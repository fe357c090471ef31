// Page navigation: the page in front (the tab buttons), the page keys
// (Ctrl+Tab, Ctrl+PgDown, Ctrl+Shift+Tab, Ctrl+PgUp, Alt+1..Alt+5) and the
// wheel (a list changes only while it has the focus; over the capcode rows it
// scrolls the rows, one row per notch).
#pragma once

class Form1;
class QKeyEvent;
class QWheelEvent;
class QWidget;

class PageNavigation {
public:
    explicit PageNavigation(Form1& form) : form_(form) {}

    void select_page(int page); // 0..4
    int current_page() const { return current_page_; }
    // A key press of the window; true when it chose a page.
    bool page_key(const QKeyEvent* key);
    // A wheel event of the window; true when it is taken (scrolled or kept
    // from a list without the focus).
    bool wheel(QWidget* target, QWheelEvent* event);

private:
    Form1& form_;
    int current_page_ = 0;
    int wheel_rest_ = 0; // part of a wheel notch not yet scrolled
};
