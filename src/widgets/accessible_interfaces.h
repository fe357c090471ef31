// What assistive technology (screen readers, UI automation) reads of the
// window's containers and of the contrast slider.
//
// A container whose children are stacked by raise() and lower() would be read
// in stacking order: hidden controls first, rows in reverse. A container marked
// with mark_reading_container() offers its children instead
//   - in the order of their "readingOrder" property (smallest first; children
//     without one keep their order after those with one),
//   - without the hidden ones and without those that lie wholly under a shown
//     sibling stacked above them (the odd row of a long capcode pair under the
//     even one, a tab caption under its button).
//
// A list (QComboBox) given an accessible name says that name, with its
// current item as its value.
//
// The contrast slider (ctlEBSlider) is a slider to assistive technology: its
// value can be read and set (a set value goes through setValue, as a drag does).
#pragma once

#include <QList>

class QWidget;

namespace qrt58::widgets {

// Installs the interfaces above; once per application, before the first query.
void install_accessible_interfaces();
void mark_reading_container(QWidget* container);
// Drops an interface Qt may have made for `w` before its name or mark was
// set, so that the next query makes the one described above.
void use_own_interface(QWidget* w);
// The children of `container` as they are read (shown, uncovered, in order).
QList<QWidget*> reading_children(const QWidget* container);

} // namespace qrt58::widgets
