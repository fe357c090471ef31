// What one change of the user's does to the image, side effects included: the
// capcode length switch with its copies, a capcode entry with the frame map and
// the Auto Cap. source prompt that follow it, and a source prompt entry that a
// "Long" pair carries into its second slot.
//
// The editor window and `qrt58cli set` both call these; the window adds only
// what it shows (rows, boxes, message boxes). A rule written here is written
// nowhere else.
#pragma once

#include "capcode.h"
#include "pager_table.h"
#include "prompts.h"

#include <QString>
#include <array>
#include <string>

namespace qrt58 {

// The pairs the editor shows as "Long" (the lengths chosen), which may differ
// from the long flags of the image while a switch to "Long" waits for its
// long capcode.
using PairLengths = std::array<bool, kCapcodePairs>;

// The capcode an unused slot of the editor starts from.
constexpr double kPlaceholderCapcode = 1234567;

// Length switch -----------------------------------------------------------------

// Switch of pair p to "Long": the second slot takes over the first slot's
// type, "Pri", "Manual", mail-drop alert, source prompt with its enable byte,
// music type and user melody; then the first slot's capcode is stored again
// under the new length (a short capcode there clears the second slot's enable
// bit). The pair is long in the image once a long capcode is entered.
void switch_pair_to_long(PagerTable& image, int pair);

// Switch of pair p to "Short": both words lose the long flag; the first slot
// keeps a value below the short limit (else 1234567; a record that shows no
// number stays), the second slot starts again from 1234567; the frame map
// follows.
void switch_pair_to_short(PagerTable& image, int pair);

// The second slot of a "Long" pair mirrors the first slot's type, "Pri" and
// "Manual" (what re-applying the first slot's boxes writes).
void mirror_first_slot(PagerTable& image, int even);

// Capcode entry -------------------------------------------------------------------

// Unchanged: a number no rule stores (a fraction between two long parts); the
// window then shows the old capcode again and carries on as after a store.
enum class CapcodeChangeResult { Stored, Unchanged, NotNumeric, OutOfRange, Invalid };
struct CapcodeChange {
    CapcodeChangeResult result = CapcodeChangeResult::Stored;
    std::string message; // the window's message for a refusal
};

// A capcode typed into the box of `slot` under the lengths shown: the box's
// checks, the store, the frame map, and under Auto Cap. the slot's source
// prompt. A refusal leaves the image unchanged.
CapcodeChange enter_capcode(PagerTable& image, int slot, const std::string& text,
                            const PairLengths& shown);

// The frame map from the enabled capcodes under the lengths shown.
FrameResult update_frame_map(PagerTable& image, const PairLengths& shown);

// True while the source-prompt mode is "Auto Cap.".
bool auto_cap_mode(const PagerTable& image);

// Auto Cap.: the slot's source prompt becomes "<" + capcode + ">", centred; the
// second slot of a "Long" pair gets the same text.
void follow_auto_cap(PagerTable& image, int slot, const PairLengths& shown);

// Selecting "Auto Cap.": every slot's source prompt follows its capcode; the
// second slot of a "Long" pair takes the first slot's text.
void follow_auto_cap_all(PagerTable& image, const PairLengths& shown);

// Source prompts ------------------------------------------------------------------

// Source prompt box 33..49 stored from its text; a "Long" pair's first slot
// passes an accepted text on to its second slot.
PromptStoreResult enter_source_prompt(PagerTable& image, int index, const QString& text,
                                      const PairLengths& shown);

} // namespace qrt58
