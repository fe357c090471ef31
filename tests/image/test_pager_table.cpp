#include "pager_table.h"

#include <gtest/gtest.h>

using namespace qrt58;

TEST(BitAccessors, ReadAndWriteFieldsWithoutTouchingNeighbours) {
    PagerTable t;
    t[0x3BE] = 0b1010'0110;
    EXPECT_EQ(get_bits(t, 0x3BE, 1, 2), 0b11);
    EXPECT_EQ(get_bits(t, 0x3BE, 4, 4), 0b1010);
    EXPECT_EQ(get_bits(t, 0x3BE, 0, 8), 0xA6);

    set_bits(t, 0x3BE, 2, 0, 1); // clear bit 2 only
    EXPECT_EQ(t[0x3BE], 0b1010'0010);
    set_bits(t, 0x3BE, 4, 0b0101, 4); // high nibble replaced, low nibble kept
    EXPECT_EQ(t[0x3BE], 0b0101'0010);
    set_bits(t, 0x358, 0, 1, 8); // whole byte
    EXPECT_EQ(t[0x358], 1);
    set_bits(t, 0x32, 6, 3, 2); // top two bits
    EXPECT_EQ(t[0x32], 0xC0);
}

TEST(BitAccessors, AddressesOutsideTheImageAreRefused) {
    PagerTable t;
    EXPECT_THROW(t[kImageSize], std::out_of_range);
    EXPECT_THROW(t.put(kImageSize - 2, t.data(), 4), std::out_of_range);
}

TEST(PagerTable, BigEndianWords) {
    PagerTable t;
    t.set_u32(0xF4, 1530000);
    EXPECT_EQ(t[0xF4], 0x00);
    EXPECT_EQ(t[0xF5], 0x17);
    EXPECT_EQ(t[0xF6], 0x58);
    EXPECT_EQ(t[0xF7], 0x90);
    EXPECT_EQ(t.get_u32(0xF4), 1530000u);
    EXPECT_EQ(t.get_be(0x0A, 2), 0u);
}

TEST(Checksum, SumsPromptBlockModulo65536HighByteFirst) {
    PagerTable t;
    t.fill(0, kLastAddress, 0xFF);
    // 580 x 255 = 147900 = 0x241BC -> 0x41BC
    EXPECT_EQ(image_checksum(t), 0x41BC);
    EXPECT_FALSE(checksum_matches(t));
    stamp_checksum(t);
    EXPECT_EQ(t[0x7FE], 0x41);
    EXPECT_EQ(t[0x7FF], 0xBC);
    EXPECT_TRUE(checksum_matches(t));

    // Bytes just outside the range do not count.
    t[0x0FF] = 0;
    t[0x344] = 0;
    EXPECT_TRUE(checksum_matches(t));
    t[0x343] = 0xFE;
    EXPECT_FALSE(checksum_matches(t));
}
