// The menu bar and the window's key bindings: File, Edit, Pager, Options and
// Help with their keys, F10 for the menu bar, the Edit menu's Undo and Redo
// entries named for their steps, and which keys the menus take from a box.
#pragma once

class Form1;
class QKeyEvent;
class QWidget;

class WindowMenus {
public:
    explicit WindowMenus(Form1& form) : form_(form) {}

    void build_menus();
    // Undo and Redo enabled and named for the steps they would take.
    void update_edit_actions();
    // Whether the menus take `key` (a ShortcutOverride) from `target`.
    bool takes_key(QWidget* target, const QKeyEvent* key) const;

private:
    bool is_menu_shortcut(const QKeyEvent* key) const;

    Form1& form_;
};
