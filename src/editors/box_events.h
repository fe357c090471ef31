// The four events of an entry box as the editors handle them: GotFocus, LostFocus,
// KeyPress (before the box sees the key) and KeyUp (after the box has changed).
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QKeyEvent;
class QLineEdit;
class QWidget;

namespace qrt58::editors {

// A box the user leaves without typing anything gets back the text it had
// before it emptied itself on entry, silently: tabbing through the boxes
// checks nothing and changes nothing. What the user typed (or pasted) is
// checked by lost_focus as always.
class BoxEvents : public QObject {
public:
    // Return true from key_press to swallow the key.
    std::function<void()> got_focus;
    std::function<void()> lost_focus;
    std::function<bool(QKeyEvent*)> key_press;
    std::function<void(QKeyEvent*)> key_up;

    // Watches `box` on behalf of `owner` (the editor), which owns the hooks: they
    // stop with whichever of the two goes first.
    static BoxEvents* attach(QLineEdit* box, QObject* owner);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
    bool forwarding_ = false;
    bool entered_ = false;  // the box received its FocusIn
    bool typed_ = false;    // the user edited the box since it got the focus
    bool checking_ = false; // lost_focus is running (a rejected box takes the focus back)
    bool refused_ = false;  // the box took the focus back after refusing an entry
    QString before_;        // the text before the box got the focus
    QString on_entry_;      // the text right after got_focus
};

// True for the Enter keys (character 13).
bool is_enter(const QKeyEvent* key);

// Gives the focus to `target` (the page area); without one the box just drops it.
// Either way the box gets its LostFocus.
void move_focus_away(QWidget* box, QWidget* target);

// Gives the focus to the nearest container that takes it (the page).
void leave_box(QWidget* box);

// Puts the focus back into `box` and empties it, as gaining the focus does.
void focus_back(QWidget* box);

} // namespace qrt58::editors
