#include "change_rules.h"

#include "alerts.h"
#include "display.h"
#include "melody.h"

namespace qrt58 {

namespace {

std::optional<std::uint32_t> next_word(const PagerTable& image, int slot) {
    if (slot + 1 >= kCapcodeSlots) return std::nullopt;
    return capcode_word(image, slot + 1);
}

bool shown_long(const PairLengths& shown, int slot) {
    return slot >= 0 && slot < kCapcodeSlots && slot % 2 == 0 && shown[static_cast<std::size_t>(slot / 2)];
}

} // namespace

void mirror_first_slot(PagerTable& image, int even) {
    set_slot_bit(image, priority_bit(even + 1), get_slot_bit(image, priority_bit(even)));
    set_slot_bit(image, manual_bit(even + 1), get_slot_bit(image, manual_bit(even)));
    set_capcode_type(image, even + 1, capcode_type(image, even));
}

void switch_pair_to_long(PagerTable& image, int pair) {
    const int even = 2 * pair;
    const int odd = even + 1;
    store_source_prompt(image, source_prompt_address(kSourcePromptFirst + odd),
                        source_prompt_text(image, source_prompt_address(kSourcePromptFirst + even)));
    store_user_melody(image, odd, user_melody_text(image, even));
    // The first slot's capcode again, under the new length.
    const DecodedCapcode shown = decode_capcode(capcode_word(image, even), next_word(image, even), false);
    if (shown.value) store_capcode(image, even, *shown.value, true);
    mirror_first_slot(image, even);
    // Slot 0 has no mail-drop alert of its own to pass on.
    if (even != 0)
        if (const std::optional<MailAlert> alert = mail_alert(image, even)) store_mail_alert(image, even, *alert, true);
    // An enable byte above 1 shows grey in the window and is not copied.
    if (image[kSourceEnableFirst + even] <= 1) image[kSourceEnableFirst + odd] = image[kSourceEnableFirst + even];
    if (const std::optional<int> type = music_type_index(image, even))
        store_music_type(image, even, music_type_items(even)[static_cast<std::size_t>(*type)].value, true);
    PairLengths lengths = long_pairs_from_image(image);
    lengths[static_cast<std::size_t>(pair)] = true;
    update_frame_map(image, lengths);
}

void switch_pair_to_short(PagerTable& image, int pair) {
    const int even = 2 * pair;
    const DecodedCapcode shown = decode_capcode(capcode_word(image, even), next_word(image, even), true);
    image[kCapcodeRecordFirst + 1 + 4 * even] &= static_cast<std::uint8_t>(~0x40);
    image[kCapcodeRecordFirst + 5 + 4 * even] &= static_cast<std::uint8_t>(~0x40);
    store_capcode(image, even + 1, kPlaceholderCapcode, false);
    // A record that shows no number ("??????????") is left as it is.
    if (shown.value) store_capcode(image, even, *shown.value < kShortLimit ? *shown.value : kPlaceholderCapcode, false);
    PairLengths lengths = long_pairs_from_image(image);
    lengths[static_cast<std::size_t>(pair)] = false;
    update_frame_map(image, lengths);
}

void change_capcode_enable(PagerTable& image, int slot, bool on, const PairLengths& shown) {
    set_slot_bit(image, enable_bit(slot), on);
    if (shown_long(shown, slot)) {
        const DecodedCapcode capcode = decode_capcode(capcode_word(image, slot), next_word(image, slot), true);
        if (capcode.value) store_capcode(image, slot, *capcode.value, true);
    }
    update_frame_map(image, shown);
}

FrameResult update_frame_map(PagerTable& image, const PairLengths& shown) { return apply_frame_rule(image, shown); }

bool auto_cap_mode(const PagerTable& image) {
    return get_bits(image, kSourceModeAddress, kSourceModeBit, kSourceModeWidth) == kSourceModeAutoCap;
}

void follow_auto_cap(PagerTable& image, int slot, const PairLengths& shown) {
    const bool long_pair = shown_long(shown, slot);
    const std::string capcode = decode_capcode(capcode_word(image, slot), next_word(image, slot), long_pair).text;
    const QString text = align_prompt(auto_cap_text(QString::fromStdString(capcode)), Alignment::Center, kSourceBoxMax);
    enter_source_prompt(image, kSourcePromptFirst + slot, text, shown);
}

void follow_auto_cap_all(PagerTable& image, const PairLengths& shown) {
    for (int slot = 0; slot < kCapcodeSlots; ++slot) {
        follow_auto_cap(image, slot, shown);
        if (shown_long(shown, slot)) ++slot; // its second slot got the same text
    }
}

CapcodeChange enter_capcode(PagerTable& image, int slot, const std::string& text, const PairLengths& shown) {
    const bool long_pair = shown_long(shown, slot);
    const CapcodeEntry entry = check_capcode_entry(text, long_pair);
    if (entry.check == CapcodeEntryCheck::NotNumeric)
        return {CapcodeChangeResult::NotNumeric, kCapcodeNotNumericMessage};
    if (entry.check == CapcodeEntryCheck::OutOfRange)
        return {CapcodeChangeResult::OutOfRange, capcode_range_message(entry.limit)};
    const CapcodeEncoding stored = store_capcode(image, slot, entry.value, long_pair);
    if (stored == CapcodeEncoding::Invalid) return {CapcodeChangeResult::Invalid, kInvalidCapcodeMessage};
    update_frame_map(image, shown);
    if (auto_cap_mode(image)) follow_auto_cap(image, slot, shown);
    if (stored == CapcodeEncoding::Nothing) return {CapcodeChangeResult::Unchanged, kInvalidCapcodeMessage};
    return {};
}

PromptStoreResult enter_source_prompt(PagerTable& image, int index, const QString& text, const PairLengths& shown) {
    const PromptStoreResult r = store_source_prompt(image, source_prompt_address(index), text);
    // A refused text is not passed on: it would be refused again in a box that
    // lies hidden under this one.
    if (r.status == PromptStoreStatus::Stored && index < kGroupSourcePrompt &&
        shown_long(shown, index - kSourcePromptFirst))
        store_source_prompt(image, source_prompt_address(index + 1), text);
    return r;
}

bool capcode_music_on(const PagerTable& image) { return get_bits(image, kMusicEnableAddress, kMusicEnableBit, 1) == 0; }
bool always_vibrate_on(const PagerTable& image) {
    return get_bits(image, kAlwaysVibrateAddress, kAlwaysVibrateBit, 1) == 0;
}
bool key_lamp_on(const PagerTable& image) { return get_bits(image, kKeyLampAddress, kKeyLampBit, 1) == 0; }
bool direct_paging(const PagerTable& image) {
    return get_bits(image, kPagingDisplayAddress, kPagingDisplayBit, 1) == 1;
}
bool multiple_source(const PagerTable& image) {
    return get_bits(image, kMultipleSourceAddress, kMultipleSourceBit, 1) == 0;
}
int source_mode(const PagerTable& image) {
    return get_bits(image, kSourceModeAddress, kSourceModeBit, kSourceModeWidth);
}
bool set_alert_left_out(const PagerTable& image) {
    return menu_left_out(image)[static_cast<std::size_t>(kSetAlertItem)];
}

// "Always Vibrate": its bit and copy; ticking it leaves "Set Alert Off" out of
// the menu (the window ticks that box, whose own rule rebuilds the list).
void change_always_vibrate(PagerTable& image, bool on) {
    set_bits(image, kAlwaysVibrateAddress, kAlwaysVibrateBit, on ? 0 : 1, 1);
    store_always_vibrate_copy(image, on);
    if (on && !set_alert_left_out(image)) {
        MenuLeftOut left_out = menu_left_out(image);
        left_out[static_cast<std::size_t>(kSetAlertItem)] = true;
        store_menu_list(image, left_out);
    }
}

// "User's Capcode Music Type Enable": its bit and companions (tone 36 while
// on); switched off, the default tone goes back to the saved tone and
// "Always Vibrate" is unticked.
void change_capcode_music(PagerTable& image, bool on, int saved_tone) {
    set_bits(image, kMusicEnableAddress, kMusicEnableBit, on ? 0 : 1, 1);
    store_capcode_music_companions(image, on);
    if (on) return;
    image[kToneAddress] = static_cast<std::uint8_t>(tone_items()[static_cast<std::size_t>(saved_tone)].value);
    if (always_vibrate_on(image)) change_always_vibrate(image, false);
}

// The source-prompt mode; "Auto Cap." fills every slot's prompt from its capcode.
void change_source_mode(PagerTable& image, int mode, const PairLengths& shown) {
    set_bits(image, kSourceModeAddress, kSourceModeBit, mode, kSourceModeWidth);
    if (mode == kSourceModeAutoCap) follow_auto_cap_all(image, shown);
}

// "Multiple Source Prompt": "Forward" is not offered while it is ticked, and a
// "Forward" mode becomes "Backward".
void change_multiple_source(PagerTable& image, bool on) {
    set_bits(image, kMultipleSourceAddress, kMultipleSourceBit, on ? 0 : 1, 1);
    if (on && source_mode(image) == 0) set_bits(image, kSourceModeAddress, kSourceModeBit, 1, kSourceModeWidth);
}

// The enable box of source prompt k (0..15, 16 the group); a "Long" pair's
// second slot follows its first.
void change_source_enable(PagerTable& image, int k, bool on, const PairLengths& shown) {
    if (k == kGroupSourcePrompt - kSourcePromptFirst) {
        set_bits(image, kGroupSourceAddress, kGroupSourceBit, on ? 0 : 1, 1);
        return;
    }
    image[kSourceEnableFirst + k] = on ? 1 : 0;
    if (k % 2 == 0 && shown[static_cast<std::size_t>(k / 2)]) image[kSourceEnableFirst + k + 1] = on ? 1 : 0;
}

void change_capcode_type(PagerTable& image, int slot, CapcodeType type, const PairLengths& shown) {
    set_capcode_type(image, slot, type);
    if (shown_long(shown, slot)) set_capcode_type(image, slot + 1, type);
}

void change_slot_flag(PagerTable& image, int slot, SlotFlag flag, bool ticked, const PairLengths& shown) {
    // "Pri" is ticked while its bit is 0.
    const bool stored = flag == SlotFlag::Priority ? !ticked : ticked;
    const auto bit = [flag](int s) { return flag == SlotFlag::Priority ? priority_bit(s) : manual_bit(s); };
    set_slot_bit(image, bit(slot), stored);
    if (shown_long(shown, slot)) set_slot_bit(image, bit(slot + 1), stored);
}

std::string enter_user_melody(PagerTable& image, int slot, const std::string& text, const PairLengths& shown) {
    const std::string padded = store_user_melody(image, slot, text);
    if (shown_long(shown, slot)) store_user_melody(image, slot + 1, padded);
    return padded;
}

void change_push_key_lamp(PagerTable& image, bool on) {
    set_bits(image, kKeyLampAddress, kKeyLampBit, on ? 0 : 1, 1);
    image[kKeyLampCompanionAddress] = key_lamp_companion(on);
}

} // namespace qrt58
