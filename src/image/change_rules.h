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

// The "En" box of `slot`: its enable bit; in a "Long" pair the first slot's
// capcode is stored again (a set bit then passes to the second slot), and the
// frame map follows.
void change_capcode_enable(PagerTable& image, int slot, bool on, const PairLengths& shown);

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
CapcodeChange enter_capcode(PagerTable& image, int slot, const std::string& text, const PairLengths& shown);

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
PromptStoreResult enter_source_prompt(PagerTable& image, int index, const QString& text, const PairLengths& shown);

// Switches and lists with rules of their own --------------------------------------

constexpr int kMusicEnableAddress = 0x33; // bit 5, 0 = "User's Capcode Music Type Enable" ticked
constexpr int kMusicEnableBit = 5;
constexpr int kAlwaysVibrateAddress = 0x36; // bit 3, 0 = ticked
constexpr int kAlwaysVibrateBit = 3;
constexpr int kKeyLampAddress = 0x36; // bit 7, 0 = ticked
constexpr int kKeyLampBit = 7;
constexpr int kTimeAutoUpdateAddress = 0x32; // bit 2, 0 = ticked
constexpr int kTimeAutoUpdateBit = 2;
constexpr int kPagingDisplayAddress = 0x3B; // bit 4, 1 = "Direct"
constexpr int kPagingDisplayBit = 4;
constexpr int kMusicSelectAddress = 0x3D; // bit 5, 1 = "World Wild Music "
constexpr int kMusicSelectBit = 5;
constexpr int kMultipleSourceAddress = 0x596; // bit 3, 0 = ticked
constexpr int kMultipleSourceBit = 3;
constexpr int kGroupSourceAddress = 0x32; // bit 0, 0 = ticked
constexpr int kGroupSourceBit = 0;

bool capcode_music_on(const PagerTable& image); // "User's Capcode Music Type Enable" ticked
bool always_vibrate_on(const PagerTable& image);
bool key_lamp_on(const PagerTable& image);        // "Push Key Lamp On Enable" ticked
bool direct_paging(const PagerTable& image);      // "Paging Display" on "Direct"
bool multiple_source(const PagerTable& image);    // "Multiple Source Prompt" ticked
int source_mode(const PagerTable& image);         // 0 Forward .. 3 Disable
bool set_alert_left_out(const PagerTable& image); // "Set Alert Off" ticked

// "Always Vibrate": its bit and copy; ticking it leaves "Set Alert Off" out of
// the menu (the window ticks and locks that box).
void change_always_vibrate(PagerTable& image, bool on);

// "User's Capcode Music Type Enable": its bit and companions (tone 36 while
// on); switched off, the default tone goes back to item `saved_tone` of the
// tone list and "Always Vibrate" is unticked.
void change_capcode_music(PagerTable& image, bool on, int saved_tone);

// The source-prompt mode (a confirmed choice); "Auto Cap." fills every slot's
// prompt from its capcode.
void change_source_mode(PagerTable& image, int mode, const PairLengths& shown);

// "Multiple Source Prompt": "Forward" is not offered while it is ticked, and a
// "Forward" mode becomes "Backward".
void change_multiple_source(PagerTable& image, bool on);

// The enable box of source prompt k (0..15, 16 the group prompt); a "Long"
// pair's second slot follows its first.
void change_source_enable(PagerTable& image, int k, bool on, const PairLengths& shown);

// The type list of a slot; a "Long" pair's second slot follows its first.
void change_capcode_type(PagerTable& image, int slot, CapcodeType type, const PairLengths& shown);

// "Pri" and "Manual" of a slot; a "Long" pair's second slot follows its first.
enum class SlotFlag { Priority, Manual };
void change_slot_flag(PagerTable& image, int slot, SlotFlag flag, bool ticked, const PairLengths& shown);

// A user melody box of `slot` stored (padded with "0"); a "Long" pair's second
// slot gets the same melody. Returns the padded text the box then shows.
std::string enter_user_melody(PagerTable& image, int slot, const std::string& text, const PairLengths& shown);

// "Push Key Lamp On Enable": its bit and the companion byte 0x3B0.
void change_push_key_lamp(PagerTable& image, bool on);

} // namespace qrt58
