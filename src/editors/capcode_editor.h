// The capcode table of the "Freq. && Codes" page: sixteen rows of capcode box
// txtAddr, "En", type list, "Pri" and "Manual", the frame map lblFrame and the
// scrolling panel (Picture1 frame, Picture2 panel, VScroll1).
//
// Registers the window procedures "txt_to_tbl" (slot), "read_dftaddr" and
// "set_frame". What an entry does to the image is enter_capcode of
// change_rules.h (frame map and Auto Cap. source prompt included). Calls, when
// another editor has registered it:
//   "show_auto_cap_prompt" (slot)  after an accepted capcode while the
//                                  source-prompt mode is "Auto Cap.": the
//                                  source prompt boxes show the new text.
#pragma once

#include "change_rules.h"

#include "capcode.h"

#include <QObject>
#include <QString>

class Form1;
class QWidget;

namespace qrt58::editors {

// True when `slot` is the even slot of a pair whose length list cboCapLen shows
// "Long": the slot then holds one long capcode over its record and the next.
bool pair_shows_long(const Form1& form, int slot);
// The lengths the cboCapLen lists show, pair by pair.
qrt58::PairLengths shown_pairs(const Form1& form);

// The mail-drop alert of slot 1..15 (lblAlert, cboMailAlert) is shown exactly
// when "Mail Alert" is ticked and the slot's type is "Mail drop". Slot 0 has
// none. The type list of the slot itself says whether it is "Mail drop".
void show_mail_alert(Form1& form, int slot, bool mail_drop);
bool slot_is_mail_drop(const Form1& form, int slot);

class CapcodeEditor : public QObject {
public:
    static inline const char* const kNumericMessage = qrt58::kCapcodeNotNumericMessage;
    static inline const char* const kInvalidMessage = qrt58::kInvalidCapcodeMessage;

    explicit CapcodeEditor(Form1& form);

    // Capcode box events.
    void txtAddr_GotFocus(int slot);
    // `key` is the character typed (13 for Enter, 0 for a key that types none).
    // Returns true when the key is swallowed (Enter).
    bool txtAddr_KeyPress(int slot, int key);
    void txtAddr_LostFocus(int slot);

    // Encodes the text of txtAddr(slot) into the image.
    void txt_to_tbl(int slot);
    // Fills the capcode boxes from the image.
    void read_dftaddr();
    // Frame map, the enable state of the rows and lblFrame.
    void set_frame();

    // Index-specific rules that run after the window has written the clicked
    // control back through its tag (or, for the type lists, the type bit and the
    // group flag).
    void en_rule(int slot);
    void pri_rule(int slot);
    void manual_rule(int slot);
    void type_rule(int slot);

    void VScroll1_Change();

private:
    QWidget* row_control(const char* name, int index) const;
    bool ticked(int chk_index) const; // chkCtl(chk_index) is ticked

    Form1& form_;
};

} // namespace qrt58::editors
