#include "alerts.h"

namespace qrt58 {

namespace {

constexpr int kMenuDirtyAddress = 0x32;   // bit 6, cleared by every menu change
constexpr int kCopyBitsAddress = 0x595;   // bit 0 "CAP-ON Off", bit 1 "Always Vibrate"
constexpr int kOptionBitsAddress = 0x596; // bit 4: out-of-range alert off
constexpr int kOutOfRangeTime = 0x5D5;
constexpr int kLockoutAddress = 0x3C; // bit 3 on, bits 0-1 time
constexpr int kTimeUpdateCompanion = 0x47;

bool valid_mail_slot(int slot) { return slot >= 1 && slot <= 15; }

} // namespace

const std::array<const char*, kMenuItems>& menu_item_captions() {
    static const std::array<const char*, kMenuItems> captions = {"Zoom In/Out Off", "Set Scroll Off", "Set Time Off",
                                                                 "Set Alarm Off",   "Auto Sleep Off", "Power Off Off",
                                                                 "Set Alert Off",   "CAP-ON Off"};
    return captions;
}

MenuLeftOut menu_left_out(const PagerTable& image) {
    MenuLeftOut left_out;
    left_out.fill(true);
    for (int a = kMenuSlotFirst; a < kMenuSlotFirst + kMenuSlots; ++a) {
        const int item = image[a] - kMenuFirstCode;
        if (image[a] == kMenuEmptySlot || item < 0 || item >= kMenuItems) continue;
        left_out[static_cast<std::size_t>(item)] = false;
    }
    return left_out;
}

bool store_menu_list(PagerTable& image, const MenuLeftOut& left_out) {
    bool any = false;
    for (bool b : left_out) any = any || b;
    if (!any) return false;
    int n = kMenuSlots;
    for (int b = kMenuItems - 1; b >= 0; --b) {
        if (left_out[static_cast<std::size_t>(b)]) continue;
        image[kMenuSlotFirst - 1 + n] = static_cast<std::uint8_t>(b + kMenuFirstCode);
        --n;
    }
    set_bits(image, kMenuDirtyAddress, 6, 0, 1);
    for (int a = kMenuSlotFirst; a <= kMenuSlotFirst - 1 + n; ++a) image[a] = kMenuEmptySlot;
    set_bits(image, kCopyBitsAddress, 0, left_out[kCapOnItem] ? 1 : 0, 1);
    return true;
}

const std::vector<StoredItem>& tone_items() {
    static const std::vector<StoredItem> items = {
        {"Tone 1", 1},   {"Tone 2", 2},   {"Tone 3", 3},     {"Tone 4", 4},          {"Music 1", 17},
        {"Music 2", 18}, {"Music 3", 19}, {"Music 4", 20},   {"Music 5", 21},        {"Music 6", 22},
        {"Music 7", 23}, {"Music 8", 24}, {"Vibration", 32}, {"Alert & Vibrate", 34}};
    return items;
}

const std::array<const char*, 4>& mail_alert_texts() {
    static const std::array<const char*, 4> texts = {"Disable", "Beep", "1 sec", "16 sec"};
    return texts;
}

namespace {

int mail_enable_address(int slot) { return kMailAlertEnableFirst + (slot - 1) / 8; }
int mail_enable_bit(int slot) { return (slot - 1) % 8; }

} // namespace

bool mail_alert_enabled(const PagerTable& image, int slot) {
    if (!valid_mail_slot(slot)) return false;
    return get_bits(image, mail_enable_address(slot), mail_enable_bit(slot), 1) == 1;
}

void set_mail_alert_enabled(PagerTable& image, int slot, bool on) {
    if (!valid_mail_slot(slot)) return;
    set_bits(image, mail_enable_address(slot), mail_enable_bit(slot), on ? 1 : 0, 1);
}

std::optional<MailAlert> mail_alert(const PagerTable& image, int slot) {
    if (!valid_mail_slot(slot)) return std::nullopt;
    if (!mail_alert_enabled(image, slot)) return MailAlert::Disable;
    switch (image[kMailAlertLengthBase + slot]) {
    case 0: return MailAlert::Beep;
    case 1: return MailAlert::OneSecond;
    case 16: return MailAlert::SixteenSeconds;
    default: return std::nullopt;
    }
}

void store_mail_alert(PagerTable& image, int slot, MailAlert choice, bool long_first) {
    if (!valid_mail_slot(slot)) return;
    const bool copy = long_first && slot + 1 <= 15;
    if (choice == MailAlert::Disable) {
        set_mail_alert_enabled(image, slot, false);
        if (copy) set_mail_alert_enabled(image, slot + 1, false);
        return;
    }
    const std::uint8_t length = choice == MailAlert::Beep ? 0 : choice == MailAlert::OneSecond ? 1 : 16;
    image[kMailAlertLengthBase + slot] = length;
    set_mail_alert_enabled(image, slot, true);
    if (copy) {
        image[kMailAlertLengthBase + slot + 1] = length;
        set_mail_alert_enabled(image, slot + 1, true);
    }
}

const std::vector<StoredItem>& person_alert_items() {
    static const std::vector<StoredItem> items = {
        {"continuous", 0}, {"2 second", 2}, {"8 second", 8}, {"16 second", 16}, {"32 second", 32}};
    return items;
}

const std::vector<StoredItem>& out_of_range_items() {
    static const std::vector<StoredItem> items = {{"Disable", 0}, {"1 Min", 86}, {"2 Min", 172}, {"3 Min", 255}};
    return items;
}

int out_of_range_index(const PagerTable& image) {
    if (get_bits(image, kOptionBitsAddress, 4, 1) == 1) return 0;
    switch (image[kOutOfRangeTime]) {
    case 86: return 1;
    case 172: return 2;
    default: return 3;
    }
}

void store_out_of_range(PagerTable& image, int index) {
    const auto& items = out_of_range_items();
    if (index < 0 || index >= static_cast<int>(items.size())) return;
    if (index == 0) {
        set_bits(image, kOptionBitsAddress, 4, 1, 1);
        return;
    }
    set_bits(image, kOptionBitsAddress, 4, 0, 1);
    image[kOutOfRangeTime] = static_cast<std::uint8_t>(items[static_cast<std::size_t>(index)].value);
}

const std::vector<StoredItem>& sequential_lockout_items() {
    static const std::vector<StoredItem> items = {
        {"disable", 0}, {"30 seconds", 1}, {"60 seconds", 2}, {"120 seconds", 3}, {"175 seconds", 4}};
    return items;
}

int sequential_lockout_index(const PagerTable& image) {
    if (get_bits(image, kLockoutAddress, 3, 1) == 0) return 0;
    return get_bits(image, kLockoutAddress, 0, 2) + 1;
}

void store_sequential_lockout(PagerTable& image, int index) {
    if (index < 0 || index > 4) return;
    if (index == 0) {
        set_bits(image, kLockoutAddress, 3, 0, 1);
        return;
    }
    set_bits(image, kLockoutAddress, 3, 1, 1);
    set_bits(image, kLockoutAddress, 0, index - 1, 2);
}

std::optional<int> item_index(const std::vector<StoredItem>& items, int value) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].value == value) return static_cast<int>(i);
    return std::nullopt;
}

void store_time_auto_update_companion(PagerTable& image, bool checked) {
    image[kTimeUpdateCompanion] = checked ? 0x40 : 0x00;
}

void store_always_vibrate_copy(PagerTable& image, bool checked) {
    set_bits(image, kCopyBitsAddress, 1, checked ? 1 : 0, 1);
}

void store_capcode_music_companions(PagerTable& image, bool checked) {
    const int v = checked ? 0 : 1;
    set_bits(image, 0x32, 7, v, 1);
    set_bits(image, 0x715, 1, v, 1);
    set_bits(image, 0x715, 3, v, 1);
    set_bits(image, 0x715, 4, v, 1);
    set_bits(image, 0x72D, 7, v, 1);
    if (checked) image[kToneAddress] = kToneOfCapcodeMusic;
}

int default_tone_code(const PagerTable& image) { return image[kToneAddress]; }

void store_default_tone(PagerTable& image, int code) { image[kToneAddress] = static_cast<std::uint8_t>(code); }

bool mail_alert_master(const PagerTable& image) {
    return get_bits(image, kMailAlertMaster, kMailAlertMasterBit, 1) == 1;
}

void store_mail_alert_master(PagerTable& image, bool on) {
    set_bits(image, kMailAlertMaster, kMailAlertMasterBit, on ? 1 : 0, 1);
}

int person_alert_code(const PagerTable& image) { return image[kPersonAlertAddress]; }

void store_person_alert(PagerTable& image, int code) { image[kPersonAlertAddress] = static_cast<std::uint8_t>(code); }

} // namespace qrt58
