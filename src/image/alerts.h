// Alert and status settings of the image: the receiver's own menu list, the
// default alert tone, the mail-drop alert of each capcode slot, the personal,
// out-of-range and sequential-lockout alerts, and the companion bits some check
// boxes of the window write besides their own field.
#pragma once

#include "pager_table.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace qrt58 {

// A list item with the value stored for it.
struct StoredItem {
    const char* text;
    int value;
};

// ---- receiver menu (0xF8-0xFE, seven slots; 0x20 marks an empty slot)

constexpr int kMenuItems = 8;
constexpr int kMenuSlotFirst = 0xF8;
constexpr int kMenuSlots = 7;
constexpr int kMenuFirstCode = 7; // code of menu item i is i + 7
constexpr std::uint8_t kMenuEmptySlot = 0x20;
constexpr int kSetAlertItem = 6; // "Set Alert Off"
constexpr int kCapOnItem = 7;    // "CAP-ON Off"

// Captions of the eight menu boxes; a checked box leaves its item out of the menu.
const std::array<const char*, kMenuItems>& menu_item_captions();

using MenuLeftOut = std::array<bool, kMenuItems>;

// Which items the seven slots leave out: every item starts left out, and each
// slot holding a menu code puts its item back. Bytes that are neither 0x20 nor a
// menu code name no item and are passed over.
MenuLeftOut menu_left_out(const PagerTable& image);

// Writes the menu list for the given boxes: the items still offered fill the
// slots from the bottom in descending code order (so the list reads ascending),
// the slots above are 0x20; bit 6 of 0x32 is cleared and bit 0 of 0x595 copies
// "CAP-ON Off". Returns false and writes nothing when every item is left out
// (eight items cannot fit seven slots).
bool store_menu_list(PagerTable& image, const MenuLeftOut& left_out);
// The message of a refused menu list.
constexpr const char* kMenuFullMessage = "You must disable one option";

// ---- default alert tone (byte 0x31)

constexpr int kToneAddress = 0x31;
constexpr std::uint8_t kToneOfCapcodeMusic = 36; // while per-capcode music is on
const std::vector<StoredItem>& tone_items();
int default_tone_code(const PagerTable& image);
void store_default_tone(PagerTable& image, int code);

// ---- mail-drop alert of capcode slots 1 to 15

// List order of the mail-drop alert lists; the three lengths store 0, 1 and 16.
enum class MailAlert { Disable = 0, Beep = 1, OneSecond = 2, SixteenSeconds = 3 };
const std::array<const char*, 4>& mail_alert_texts(); // "Disable", "Beep", "1 sec", "16 sec"

constexpr int kMailAlertMaster = 0x3B; // bit 6
constexpr int kMailAlertMasterBit = 6;
constexpr int kMailAlertLengthBase = 0x373; // slot k at 0x373 + k
constexpr int kMailAlertEnableFirst = 0x386;

// "Mail Alert": ticked while its bit is 1.
bool mail_alert_master(const PagerTable& image);
void store_mail_alert_master(PagerTable& image, bool on);

bool mail_alert_enabled(const PagerTable& image, int slot);
void set_mail_alert_enabled(PagerTable& image, int slot, bool on);
// The list item the slot shows, or nothing for a length byte of no item.
std::optional<MailAlert> mail_alert(const PagerTable& image, int slot);
// Stores a choice for slot 1..15 (slot 0 has none). "Disable" keeps the length
// byte. With `long_first` (the slot is the first half of a long pair) the next
// slot gets the same enable bit and length.
void store_mail_alert(PagerTable& image, int slot, MailAlert choice, bool long_first);

// ---- personal alert (byte 0x383)

constexpr int kPersonAlertAddress = 0x383;
const std::vector<StoredItem>& person_alert_items();
int person_alert_code(const PagerTable& image);
void store_person_alert(PagerTable& image, int code);

// ---- out-of-range alert (0x596 bit 4 = off, time in 0x5D5)

// "Disable" (stored as bit 4 of 0x596, its value is its index), "1 Min" 86,
// "2 Min" 172, "3 Min" 255.
const std::vector<StoredItem>& out_of_range_items();
// Every time other than 86 and 172 shows "3 Min".
int out_of_range_index(const PagerTable& image);
void store_out_of_range(PagerTable& image, int index);

// ---- sequential lockout (0x3C bit 3 = on, bits 0-1 = time)

// "disable", then the four times; an item stores its index - 1 as the time.
const std::vector<StoredItem>& sequential_lockout_items();
int sequential_lockout_index(const PagerTable& image);
void store_sequential_lockout(PagerTable& image, int index);

// ---- items of a list by stored value

// Index of the first item whose value equals `value`.
std::optional<int> item_index(const std::vector<StoredItem>& items, int value);

// ---- companions of check boxes

// "Time Auto Update": byte 0x47 := 0x40 when ticked, 0 when clear.
void store_time_auto_update_companion(PagerTable& image, bool checked);
// "Always Vibrate": bit 1 of 0x595 := 1 when ticked.
void store_always_vibrate_copy(PagerTable& image, bool checked);
// "User's Capcode Music Type Enable": bit 7 of 0x32, bits 1, 3, 4 of 0x715 and
// bit 7 of 0x72D := 0 when ticked, 1 when clear; a tick also sets the default
// tone byte to 36.
void store_capcode_music_companions(PagerTable& image, bool checked);

} // namespace qrt58
