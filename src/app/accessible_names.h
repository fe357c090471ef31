// The names assistive technology (screen readers, UI automation) gives the
// window's controls, the labels tied to their boxes (buddies), and the order
// in which the pages are read.
//
// Every box, list, button and the slider says what it is: "Capcode 3",
// "Capcode 3 enabled", "Capcode 3 type", "Prompt NO PAGES", "Source prompt of
// capcode 5", "Melody of capcode 2", "Contrast". A control with a caption of
// its own (a check box, an option button) keeps that caption as its name.
// Nothing visible changes: no text, size or place.
#pragma once

class Form1;

namespace qrt58::ui {

// Names, buddies and reading order of every control; once, after the window
// is built.
void name_controls(Form1& form);
// The names of capcode slot `slot`'s controls on every page, for the number
// `shown` its row carries now (rows are renumbered around long capcodes).
void name_capcode_row(Form1& form, int slot, int shown);

} // namespace qrt58::ui
