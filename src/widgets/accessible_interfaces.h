// What assistive technology (screen readers, UI automation) reads of the
// window's containers, lists and contrast slider.
//
// A container (a group box, a plain frame) whose children are stacked by
// raise() and lower() would be read in stacking order: hidden controls first,
// rows in reverse. These containers offer their children instead
//   - in the order of their "readingOrder" property (smallest first; children
//     without one keep their order after those with one),
//   - without the hidden ones and without those that lie wholly under a shown
//     sibling stacked above them (the odd row of a long capcode pair under the
//     even one, a tab caption under its button).
//
// A list (QComboBox) says its accessible name, else the caption tied to it
// (buddy), with its current item as its value. (Qt's own interface gives the
// current item as the name on Linux, which tells nothing of what the list
// chooses.)
//
// The contrast slider (ctlEBSlider) is a slider to assistive technology: its
// value can be read and set (a set value goes through setValue, as a drag does).
#pragma once

#include <QList>

class QWidget;

namespace qrt58::widgets {

// Installs the interfaces above; once per application, before the first
// widget is made (Qt makes a widget's interface as soon as it reports a change).
void install_accessible_interfaces();
// The children of `container` as they are read (shown, uncovered, in order).
QList<QWidget*> reading_children(const QWidget* container);

} // namespace qrt58::widgets
