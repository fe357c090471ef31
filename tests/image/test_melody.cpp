#include "default_image.h"
#include "melody.h"

#include <gtest/gtest.h>

using namespace qrt58;

TEST(SingleTone, SixteenStepsMostSignificantBitFirst) {
    PagerTable t{};
    t[0x596] = 0x04;
    ASSERT_TRUE(single_tone_mode(t));
    EXPECT_EQ(store_user_melody(t, 3, "1"), "1000000000000000");
    EXPECT_EQ(t[0x574 + 6], 0x80);
    EXPECT_EQ(t[0x574 + 7], 0x00);
    // The last slot ends the area at 0x593.
    store_user_melody(t, 15, "0000000110000001");
    EXPECT_EQ(t[0x592], 0x01);
    EXPECT_EQ(t[0x593], 0x81);
    EXPECT_EQ(single_tone_text(t, 15), "0000000110000001");
    EXPECT_EQ(user_melody_text(t, 3), "1000000000000000");
    // The other area is left alone.
    EXPECT_EQ(t[0x630], 0);
}

TEST(MultipleTone, NoteCodesBothWays) {
    PagerTable t{};
    ASSERT_FALSE(single_tone_mode(t));
    EXPECT_EQ(store_user_melody(t, 1, "CDEFGABc"), "CDEFGABc00000000");
    const int expected[16] = {238, 212, 189, 178, 158, 141, 126, 118, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int j = 0; j < 16; ++j) EXPECT_EQ(t[0x610 + j], expected[j]) << j;
    EXPECT_EQ(multi_tone_text(t, 1), "CDEFGABc00000000");
    store_user_melody(t, 2, "defgab");
    EXPECT_EQ(multi_tone_text(t, 2), "defgab0000000000");
    // A byte that is no note shows as a space, and a space stores its code 32.
    t[0x620] = 1;
    EXPECT_EQ(multi_tone_text(t, 2), " efgab0000000000");
    store_user_melody(t, 2, multi_tone_text(t, 2));
    EXPECT_EQ(t[0x620], 32);
    // The single-tone area is left alone.
    EXPECT_EQ(t[0x576], 0);
}
