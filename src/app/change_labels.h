// What an undo step changed, for the Edit menu ("Undo Capcode 3"): the control
// the user edited before the window recorded the step, named as assistive
// technology names it ("Capcode 3", "Frequency", "Prompt NO PAGES"), a check
// box or button by its caption.
//
// A control counts as edited when the user changes it: typing in a box,
// choosing in a list, clicking a box or button, a key or a mouse button on
// the slider. The first control edited since the last step names
// the next one (a value typed into a box is taken when the focus moves on,
// often to the control edited next).
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <vector>

class QEvent;

class ChangeLabels {
public:
    // Watches the user's edits of `controls`.
    void watch(const std::vector<QWidget*>& controls);
    // An event of the application's filter: a key or mouse button on a
    // control without an edit signal of its own marks it edited.
    void event(QObject* watched, const QEvent* event);
    // A step was recorded: the name of the first control edited since the
    // last one (empty when none is known); the list starts again.
    QString take_label();
    // The window looked and found no change: controls that no longer have
    // the focus changed nothing; a box still being typed in stays.
    void no_change();
    // Forgets every edit (a new image: the controls were refilled).
    void clear() { edited_.clear(); }

    // The name of a control's change.
    static QString label_of(const QWidget* control);

private:
    void edited(QWidget* control);

    std::vector<QPointer<QWidget>> edited_;
};
