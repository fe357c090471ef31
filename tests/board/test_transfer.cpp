// Transfer engine on the simulated board: read, write, verify, the checksum guard,
// the failure paths, and the first-capcode increment rule.
#include "sim_rig.h"
#include "view_recorder.h"

#include "default_image.h"
#include "transfer.h"

#include <gtest/gtest.h>

using namespace qrt58;
using qrt58::test::RecordingView;
using qrt58::test::SimRig;

namespace {

struct TransferRig : SimRig {
    TransferRig() : engine(link, view) { EXPECT_TRUE(engine.find_board()); }
    PagerTable sim_image() const {
        PagerTable t;
        t.bytes = sim_mem();
        return t;
    }
    RecordingView view;
    TransferEngine engine;
};

PagerTable edited_image() {
    PagerTable image = build_default_image();
    for (int a = 0x100; a < 0x344; a += 7) image[a] = static_cast<std::uint8_t>(a * 13);
    image[0x7A0] = 0x42; // outside the checksum range, still transferred
    return image;
}

std::vector<int> steps(int first, int last, int step) {
    std::vector<int> v;
    for (int i = first; i <= last; i += step) v.push_back(i);
    return v;
}

} // namespace

TEST(Transfer, WriteThenReadGivesBackTheImageWithChecksumAndMarker) {
    TransferRig rig;
    PagerTable image = edited_image();
    ASSERT_TRUE(rig.engine.write_and_verify(image));
    EXPECT_EQ(rig.view.messages, QStringList{"Verify Success!"});
    EXPECT_EQ(image[kWriteMarkerAddress], 1);
    EXPECT_TRUE(checksum_matches(image));
    EXPECT_EQ(rig.sim_image(), image);
    EXPECT_EQ(rig.sim.eeprom().pages_committed, 128);
    EXPECT_EQ(rig.view.statuses, (QStringList{"Writing Now.......", "Verifying Now....."}));

    // Write positions 0, 16 .. 2032 against 2031; then verify's 0, 16 .. 2032.
    std::vector<int> expected = {0};
    for (int p : steps(0, 2032, 16)) expected.push_back(p);
    expected.push_back(0);
    for (int p : steps(0, 2032, 16)) expected.push_back(p);
    EXPECT_EQ(rig.view.positions, expected);
    EXPECT_EQ(rig.view.max, 2031);
    EXPECT_EQ(rig.link.slept_ms(), 128 * 10); // after every page, the last one too

    rig.view.clear();
    PagerTable read_back = build_default_image();
    ASSERT_TRUE(rig.engine.eep_readall(read_back));
    EXPECT_EQ(read_back, image);
    EXPECT_EQ(rig.view.messages, QStringList{"Read success!"});
    EXPECT_EQ(rig.view.max, 2015);
    EXPECT_EQ(rig.view.colour, kPurple);
    std::vector<int> read_positions = {0};
    for (int p : steps(15, 2031, 16)) read_positions.push_back(p);
    EXPECT_EQ(rig.view.positions, read_positions);
}

TEST(Transfer, VerifyRightAfterWriteWaitsForTheLastPageAtTheShortestLineDelay) {
    TransferRig rig;
    rig.link.set_line_delay_us(kMinLineDelayUs);
    PagerTable image = edited_image();
    EXPECT_TRUE(rig.engine.write_and_verify(image));
    EXPECT_EQ(rig.view.messages, QStringList{"Verify Success!"});
}

TEST(Transfer, VerifyStopsAtTheFirstDifference) {
    TransferRig rig;
    PagerTable image = rig.sim_image();
    EXPECT_TRUE(rig.engine.verify(image));
    EXPECT_EQ(rig.view.messages, QStringList{"Verify Success!"});
    EXPECT_FALSE(rig.engine.abort_flag());

    rig.view.clear();
    image[0x205] ^= 0x01;
    image[0x600] ^= 0x01;
    EXPECT_FALSE(rig.engine.verify(image));
    EXPECT_EQ(rig.view.messages, QStringList{"Verify Error!"});
    EXPECT_TRUE(rig.engine.abort_flag());
    EXPECT_EQ(rig.view.positions.back(), 0x200);

    // A bit flipped on the way in is a difference too, even in the last byte.
    rig.view.clear();
    image = rig.sim_image();
    rig.sim.eeprom().flip_address = kLastAddress;
    rig.sim.eeprom().flip_mask = 0x80;
    EXPECT_FALSE(rig.engine.verify(image));
    EXPECT_EQ(rig.view.messages, QStringList{"Verify Error!"});
}

TEST(Transfer, BadChecksumOrUnansweredAddressingLeavesTheImageUntouched) {
    TransferRig rig;
    rig.sim.eeprom().memory[0x150] ^= 0x10; // corrupt inside the checksum range
    const PagerTable before = edited_image();
    PagerTable image = before;
    EXPECT_FALSE(rig.engine.eep_readall(image));
    EXPECT_EQ(rig.view.messages, QStringList{"CheckSum Error!"});
    EXPECT_EQ(image, before);

    // The EEPROM stops answering after five blocks.
    rig.view.clear();
    rig.sim.eeprom().memory[0x150] ^= 0x10;
    rig.sim.on_write = [&](int, int) {
        if (rig.sim.eeprom().address_counter() >= 0x50) rig.sim.eeprom().busy_forever = true;
    };
    EXPECT_FALSE(rig.engine.eep_readall(image));
    EXPECT_EQ(rig.view.messages, QStringList{"Read error!"});
    EXPECT_EQ(image, before);
    EXPECT_TRUE(rig.engine.abort_flag());
}

TEST(Transfer, DataByteWithoutAcknowledgeFailsTheWriteAtOnceWithoutVerify) {
    TransferRig rig;
    rig.sim.eeprom().no_ack_from_data_byte = 40;
    PagerTable image = edited_image();
    const auto t0 = rig.clock.now_ns();
    EXPECT_FALSE(rig.engine.write_and_verify(image));
    EXPECT_EQ(rig.view.messages, QStringList{"Write error!"});
    EXPECT_EQ(rig.view.statuses, QStringList{"Writing Now......."});
    EXPECT_EQ(rig.sim.eeprom().pages_committed, 2);
    // Two pages and the failing one, the board_idle's 100 ms: well under a second.
    EXPECT_LT(rig.clock.now_ns() - t0, 200000000);
}

TEST(Transfer, BusyEepromFailsTheWriteAfter500MsOfPollingWithoutVerify) {
    TransferRig rig;
    rig.sim.eeprom().busy_forever_after_write = true;
    PagerTable image = edited_image();
    const auto t0 = rig.clock.now_ns();
    EXPECT_FALSE(rig.engine.write_and_verify(image));
    EXPECT_EQ(rig.view.messages, QStringList{"Write error!"});
    EXPECT_EQ(rig.view.statuses, QStringList{"Writing Now......."});
    EXPECT_EQ(rig.sim.eeprom().pages_committed, 1);
    EXPECT_EQ(rig.view.positions, (std::vector<int>{0, 0, 16}));
    const auto ms = (rig.clock.now_ns() - t0) / 1000000;
    // First page (18 bytes, about 12 ms), the 10 ms gap, 500 ms of polling, and
    // the board_idle's 100 ms.
    EXPECT_GE(ms, 12 + 10 + 500 + 100);
    EXPECT_LT(ms, 12 + 10 + 500 + 100 + 5);
}

TEST(Transfer, NoBoardGoesToTheViewAsAWarning) {
    SimRig rig;
    rig.sim.no_board = true;
    RecordingView view;
    TransferEngine engine(rig.link, view);
    EXPECT_FALSE(engine.find_board());
    EXPECT_EQ(view.messages, QStringList{"The Board is not responding!"});
    EXPECT_EQ(view.kinds, std::vector<MessageKind>{MessageKind::Warning});
}

TEST(CapcodeIncrement, LimitsAndMessages) {
    auto r = next_first_capcode("4290999999", true);
    EXPECT_EQ(r.result, CapcodeIncrement::Result::Next);
    EXPECT_EQ(r.next, 4291000000ULL);
    r = next_first_capcode("4291000000", true);
    EXPECT_EQ(r.result, CapcodeIncrement::Result::AtLimit);
    EXPECT_EQ(r.message, "Capcode 1 > 4291000000 so can not be increase!");
    // Short capcodes end at 2031614, the largest one the encoder stores.
    EXPECT_EQ(next_first_capcode("2031613", false).next, 2031614ULL);
    r = next_first_capcode("2031614", false);
    EXPECT_EQ(r.result, CapcodeIncrement::Result::AtLimit);
    EXPECT_EQ(r.message, "Capcode 1 > 2031614 so can not be increase!");
    EXPECT_EQ(next_first_capcode("0001234", false).next, 1235ULL);
    EXPECT_EQ(next_first_capcode("12a", false).result, CapcodeIncrement::Result::NotANumber);
    EXPECT_EQ(next_first_capcode("", false).result, CapcodeIncrement::Result::NotANumber);
    EXPECT_EQ(next_first_capcode("-5", false).result, CapcodeIncrement::Result::NotANumber);
}

TEST(Transfer, ReadAddressesEachBlockAndVerifyReadsInOneRun) {
    TransferRig rig;
    auto& e = rig.sim.eeprom();
    auto counts = [&] { return std::vector<int>{e.starts, e.control_bytes, e.stops}; };
    auto since = [&](const std::vector<int>& before) {
        const auto now = counts();
        return std::vector<int>{now[0] - before[0], now[1] - before[1], now[2] - before[2]};
    };
    // Read: per 16-byte block an addressing and a repeated start for the read
    // control byte, no stop between blocks, one stop at the end. The idle
    // pattern written last (SDA low, SCL high) is one more start to the EEPROM.
    auto before = counts();
    PagerTable image = build_default_image();
    ASSERT_TRUE(rig.engine.eep_readall(image));
    EXPECT_EQ(since(before), (std::vector<int>{256 + 1, 256, 1}));
    // Verify: one addressing, one repeated start, one sequential read of all
    // 2048 bytes. Its first start leaves the idle pattern through a stop.
    before = counts();
    ASSERT_TRUE(rig.engine.verify(image));
    EXPECT_EQ(since(before), (std::vector<int>{2, 2, 1 + 1}));
    EXPECT_EQ(e.address_counter(), 0); // rolled over past 2047
}
