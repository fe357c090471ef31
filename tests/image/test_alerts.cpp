#include "alerts.h"
#include "default_image.h"

#include <gtest/gtest.h>

using namespace qrt58;

namespace {

std::vector<int> menu_bytes(const PagerTable& t) {
    std::vector<int> v;
    for (int a = 0xF8; a <= 0xFE; ++a) v.push_back(t[a]);
    return v;
}

MenuLeftOut only(std::initializer_list<int> items) {
    MenuLeftOut m{};
    for (int i : items) m[static_cast<std::size_t>(i)] = true;
    return m;
}

} // namespace

TEST(MenuList, ItemsStillOfferedFillTheSlotsFromTheBottomInAscendingOrder) {
    PagerTable t = build_default_image();
    t[0x32] = 0xFF;
    t[0x595] = 0x00;
    ASSERT_TRUE(store_menu_list(t, only({kSetAlertItem})));
    EXPECT_EQ(menu_bytes(t), (std::vector<int>{7, 8, 9, 10, 11, 12, 14}));
    EXPECT_EQ(t[0x32], 0xBF);  // only bit 6 cleared
    EXPECT_EQ(t[0x595], 0x00); // "CAP-ON Off" offered

    ASSERT_TRUE(store_menu_list(t, only({0, kCapOnItem})));
    EXPECT_EQ(menu_bytes(t), (std::vector<int>{0x20, 8, 9, 10, 11, 12, 13}));
    EXPECT_EQ(t[0x595], 0x01);

    // Reading the list back gives the same boxes.
    EXPECT_EQ(menu_left_out(t), only({0, kCapOnItem}));
}

TEST(MenuList, EightItemsDoNotFitAndNothingIsWritten) {
    PagerTable t = build_default_image();
    const PagerTable before = t;
    EXPECT_FALSE(store_menu_list(t, MenuLeftOut{}));
    EXPECT_EQ(t, before);
}

TEST(MenuList, SlotBytesThatAreNoMenuCodeNameNoItem) {
    PagerTable t{};
    const std::uint8_t slots[7] = {0x20, 0x00, 6, 15, 0xFF, 7, 14};
    t.put(0xF8, slots, 7);
    EXPECT_EQ(menu_left_out(t), only({1, 2, 3, 4, 5, 6}));
}

TEST(MailAlert, LengthsAndEnableBitsPerSlotWithTheLongPairCopy) {
    PagerTable t{};
    // "16 sec" on slot 2, the first half of a long pair.
    store_mail_alert(t, 2, MailAlert::SixteenSeconds, true);
    EXPECT_EQ(t[0x375], 16);
    EXPECT_EQ(t[0x376], 16);
    EXPECT_EQ(t[0x386], 0x06);
    // Slot 9 sits in the second enable byte.
    store_mail_alert(t, 9, MailAlert::OneSecond, false);
    EXPECT_EQ(t[0x37C], 1);
    EXPECT_EQ(t[0x387], 0x01);
    EXPECT_EQ(mail_alert(t, 9), MailAlert::OneSecond);

    // "Disable" keeps the length; "Beep" re-enables with 0.
    store_mail_alert(t, 2, MailAlert::Disable, true);
    EXPECT_EQ(t[0x386], 0x00);
    EXPECT_EQ(t[0x375], 16);
    EXPECT_EQ(t[0x376], 16);
    EXPECT_EQ(mail_alert(t, 2), MailAlert::Disable);
    store_mail_alert(t, 2, MailAlert::Beep, false);
    EXPECT_EQ(t[0x375], 0);
    EXPECT_EQ(t[0x376], 16);
    EXPECT_EQ(t[0x386], 0x02);

    // An enabled slot whose length is no item shows none; slot 0 has no setting.
    t[0x375] = 5;
    EXPECT_EQ(mail_alert(t, 2), std::nullopt);
    const PagerTable before = t;
    store_mail_alert(t, 0, MailAlert::Beep, true);
    EXPECT_EQ(t, before);
    EXPECT_EQ(mail_alert(t, 0), std::nullopt);
}

TEST(AlertLists, OutOfRangeLockoutAndPersonalAlert) {
    PagerTable t{};
    t[0x596] = 0x10;
    EXPECT_EQ(out_of_range_index(t), 0);
    store_out_of_range(t, 2);
    EXPECT_EQ(t[0x596], 0x00);
    EXPECT_EQ(t[0x5D5], 172);
    EXPECT_EQ(out_of_range_index(t), 2);
    t[0x5D5] = 7; // any other time reads "3 Min"
    EXPECT_EQ(out_of_range_index(t), 3);
    store_out_of_range(t, 0);
    EXPECT_EQ(t[0x596], 0x10);
    EXPECT_EQ(t[0x5D5], 7);

    // "175 seconds" keeps the reminder bits 6-7 and bit 2.
    t[0x3C] = 0xC4;
    store_sequential_lockout(t, 4);
    EXPECT_EQ(t[0x3C], 0xCF);
    EXPECT_EQ(sequential_lockout_index(t), 4);
    store_sequential_lockout(t, 2);
    EXPECT_EQ(t[0x3C], 0xCD);
    store_sequential_lockout(t, 0);
    EXPECT_EQ(t[0x3C], 0xC5);
    EXPECT_EQ(sequential_lockout_index(t), 0); // time bits stay, the list says "disable"
}
