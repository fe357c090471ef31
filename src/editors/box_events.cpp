#include "box_events.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace qrt58::editors {

BoxEvents* BoxEvents::attach(QLineEdit* box, QObject* owner) {
    auto* hooks = new BoxEvents(owner);
    box->installEventFilter(hooks);
    QObject::connect(box, &QLineEdit::textEdited, hooks, [hooks] { hooks->typed_ = true; });
    return hooks;
}

bool BoxEvents::eventFilter(QObject* watched, QEvent* event) {
    // While the box is being destroyed it is no longer a line edit: its last focus
    // events must not run any rule.
    if (forwarding_ || !qobject_cast<QLineEdit*>(watched)) return false;
    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        // Another window taking over (a message box, a context menu) is not the box
        // losing its focus inside the window, and neither is the menu bar taking
        // the keys while Alt is tapped: the box keeps its text and is not
        // validated until the focus really moves elsewhere.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::PopupFocusReason || reason == Qt::MenuBarFocusReason) break;
        if (reason == Qt::ActiveWindowFocusReason) {
            // The window coming back hands the focus to the box that was given it
            // meanwhile (a rejected box takes it back while a message box is up):
            // the box has it now, without the emptying of a real GotFocus.
            if (event->type() == QEvent::FocusIn) entered_ = true;
            break;
        }
        auto* box = static_cast<QLineEdit*>(watched);
        if (event->type() == QEvent::FocusIn) {
            entered_ = true;
            // A box that refused its value and took the focus back keeps the
            // text it had before the user's first entry.
            if (!checking_) before_ = box->text();
            refused_ = checking_;
            typed_ = false;
            if (got_focus) got_focus();
            on_entry_ = box->text();
        } else if (!entered_) {
            // The focus was on its way in when a rejected box took it back: this
            // box never had it, so there is nothing to check here.
            break;
        } else if (!typed_ && box->text() == on_entry_ && !refused_) {
            // Left without typing: the previous text comes back, nothing is
            // checked. (A box that has just refused the user's entry and taken
            // the focus back goes through its check as before: the refusal
            // still cancels a Pager command chosen now.)
            entered_ = false;
            forwarding_ = true;
            QCoreApplication::sendEvent(watched, event);
            forwarding_ = false;
            box->setText(before_);
            return true;
        } else if (lost_focus) {
            entered_ = false;
            // The box finishes its own focus handling first, so a validation that
            // puts the focus back finds the box in its unfocused state.
            forwarding_ = true;
            QCoreApplication::sendEvent(watched, event);
            forwarding_ = false;
            checking_ = true;
            lost_focus();
            checking_ = false;
            return true;
        }
        break;
    }
    case QEvent::KeyPress: {
        // Any key that puts text in or takes it out counts as typing (pasting
        // and cutting with Ctrl+V / Ctrl+X count through textEdited).
        auto* key = static_cast<QKeyEvent*>(event);
        const bool text_key = !key->text().isEmpty() && !is_enter(key) && key->key() != Qt::Key_Tab &&
                              key->key() != Qt::Key_Backtab && key->key() != Qt::Key_Escape;
        const bool erase_key = key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete;
        if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && (text_key || erase_key)) typed_ = true;
        if (key->key() == Qt::Key_Escape && refused_ && entered_) {
            // Escape in a box that has refused an entry: the value it had
            // before comes back and the focus leaves the box, unchecked. The
            // editor sees the key as any other (it ends a pending refusal).
            if (key_press) key_press(key);
            auto* box = static_cast<QLineEdit*>(watched);
            box->setText(before_);
            on_entry_ = before_;
            typed_ = false;
            refused_ = false;
            leave_box(box);
            return true;
        }
        if (key_press && key_press(key)) return true;
        break;
    }
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key_up && !key->isAutoRepeat()) key_up(key);
        break;
    }
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

bool is_enter(const QKeyEvent* key) { return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter; }

void move_focus_away(QWidget* box, QWidget* target) {
    // The box's LostFocus may put the focus straight back (a rejected entry), so
    // nothing here may touch the focus after the move.
    if (target && target->isVisible() && target->isEnabled()) target->setFocus(Qt::OtherFocusReason);
    else box->clearFocus();
}

void leave_box(QWidget* box) {
    for (QWidget* up = box->parentWidget(); up; up = up->parentWidget())
        if (up->focusPolicy() & Qt::ClickFocus) {
            up->setFocus(Qt::OtherFocusReason);
            return;
        }
    box->clearFocus();
}

void focus_back(QWidget* box) {
    box->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(box)) edit->clear();
}

} // namespace qrt58::editors
