// Board link: timing on the virtual clock, the board search, the bus primitives
// and the addressing retries.
#include "sim_rig.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace qrt58;
using qrt58::test::RecordingDriver;
using qrt58::test::SimRig;

namespace {
std::vector<int> status_reads(const RecordingDriver& rec) {
    std::vector<int> ports;
    for (const auto& a : rec.log)
        if (!a.write && (a.port & 1) && (ports.empty() || ports.back() != a.port)) ports.push_back(a.port);
    return ports;
}
} // namespace

TEST(BoardLinkTiming, BitDelayIsOneLineDelayOnTheClock) {
    SimRig rig;
    EXPECT_EQ(rig.link.line_delay_us(), 25);
    const auto t0 = rig.clock.now_ns();
    rig.link.bit_delay();
    EXPECT_EQ(rig.clock.now_ns() - t0, 25000);
    rig.link.set_line_delay_us(5);
    EXPECT_EQ(rig.link.line_delay_us(), 10);
    rig.link.set_line_delay_us(200000);
    EXPECT_EQ(rig.link.line_delay_us(), 100000);
    EXPECT_EQ(rig.link.delay_units(), 1);
}

TEST(BoardLinkTiming, WithoutAHighResolutionCounterTheCalibratedLoopIsUsed) {
    SimRig rig;
    rig.clock.high_resolution = false;
    rig.link.calibrate_delay();
    // Every coarse reading costs 25 us on this clock: the start reading and 1039
    // more, one per 1000 turns, bring it to 26 ms, the first reading past 25 ms.
    EXPECT_EQ(rig.link.loop_count(), 1039);
    rig.link.set_line_delay_us(100000);
    const auto reads = rig.clock.coarse_reads;
    const auto t0 = rig.clock.now_ns();
    rig.link.bit_delay();
    // loop_count + 1 turns read the coarse clock at turns 0 and 1000: the delay
    // ignores the 100 ms line delay.
    EXPECT_EQ(rig.clock.coarse_reads - reads, 2);
    EXPECT_LT(rig.clock.now_ns() - t0, 100000);
}

TEST(BoardLinkTiming, WaitMsPumpsEvents) {
    SimRig rig;
    int pumped = 0;
    rig.link.set_event_pump([&] { ++pumped; });
    const auto t0 = rig.clock.now_ns();
    rig.link.wait_ms(100);
    EXPECT_GE(rig.clock.now_ns() - t0, 100000000);
    EXPECT_LT(rig.clock.now_ns() - t0, 102000000);
    EXPECT_GE(pumped, 90);
}

TEST(BoardSearch, TriesTheThreeBasesInOrderAndRejectsAnOpenPort) {
    SimRig rig(0x3BC);
    QStringList messages;
    rig.link.set_message_sink([&](const QString& m) { messages << m; });
    ASSERT_TRUE(rig.link.find_board());
    EXPECT_EQ(status_reads(rig.rec), (std::vector<int>{0x379, 0x279, 0x3BD}));
    EXPECT_EQ(rig.link.data_port(), 0x3BC);
    EXPECT_EQ(rig.link.status_port(), 0x3BD);
    EXPECT_TRUE(messages.isEmpty());

    SimRig second(0x278);
    ASSERT_TRUE(second.link.find_board());
    EXPECT_EQ(status_reads(second.rec), (std::vector<int>{0x379, 0x279}));
    EXPECT_EQ(second.link.status_port(), 0x279);
}

TEST(BoardSearch, NoBoardShowsTheMessageAfterAllThreeBases) {
    SimRig rig;
    rig.sim.no_board = true;
    QStringList messages;
    rig.link.set_message_sink([&](const QString& m) { messages << m; });
    const auto t0 = rig.clock.now_ns();
    EXPECT_FALSE(rig.link.find_board());
    EXPECT_EQ(messages, QStringList{"The Board is not responding!"});
    EXPECT_EQ(rig.link.data_port(), 0x3BC);
    const auto ms = (rig.clock.now_ns() - t0) / 1000000;
    EXPECT_GE(ms, 600);
    EXPECT_LT(ms, 620);
}

TEST(BoardSearch, ADriverThatCannotReadOrDidNotStartNeverFindsABoard) {
    SimRig rig;
    rig.rec.fail_reads = true; // reads that fail would otherwise read as 0: "board present"
    QStringList messages;
    rig.link.set_message_sink([&](const QString& m) { messages << m; });
    EXPECT_FALSE(rig.link.find_board());
    EXPECT_EQ(messages.size(), 1);

    SimRig off;
    off.link.set_driver_ready(false);
    off.link.set_message_sink([&](const QString& m) { messages << m; });
    EXPECT_FALSE(off.link.find_board());
    EXPECT_EQ(messages.size(), 2);
    EXPECT_TRUE(off.rec.log.empty());
}

TEST(BusPrimitives, ConditionsWriteTheirBytesAndEveryByteHasBits2To7Set) {
    SimRig rig;
    ASSERT_TRUE(rig.find());
    rig.rec.log.clear();
    rig.link.bus_start();
    rig.link.bus_stop();
    std::vector<int> written;
    for (const auto& a : rig.rec.log)
        if (a.write) written.push_back(a.value);
    EXPECT_EQ(written, (std::vector<int>{252, 254, 255, 255, 254, 252}));
    EXPECT_EQ(rig.link.port_shadow(), 252);

    // A whole session: search, write, read, idle.
    rig.rec.log.clear();
    rig.link.find_board();
    rig.link.poll_control_byte(0x40);
    rig.link.send_byte(0x40);
    rig.link.send_byte(0x99);
    rig.link.page_gap();
    std::uint8_t buf[20];
    rig.link.read_sequential(0x3F0, buf, 20);
    rig.link.board_idle();
    rig.link.idle_tick();
    int writes = 0;
    for (const auto& a : rig.rec.log) {
        if (!a.write) continue;
        ++writes;
        EXPECT_EQ(a.value & 0xFC, 0xFC) << "port " << a.port << " value " << a.value;
    }
    EXPECT_GT(writes, 500);
    EXPECT_EQ(rig.mem(0x40), 0x99);
}

TEST(BusPrimitives, ByteCostsAndAcknowledges) {
    SimRig rig;
    ASSERT_TRUE(rig.find());
    rig.link.bus_start();
    rig.link.reset_counters();
    EXPECT_TRUE(rig.link.send_byte(0xA0));
    EXPECT_EQ(rig.link.delay_units(), 27);
    rig.link.reset_counters();
    rig.link.bus_stop();
    EXPECT_EQ(rig.link.delay_units(), 3);
    // Nobody holds SDA at the acknowledge clock: not acknowledged.
    EXPECT_FALSE(rig.link.send_byte(0xA0));
    rig.link.reset_counters();
    rig.link.receive_byte(true);
    EXPECT_EQ(rig.link.delay_units(), 19);
}

TEST(BusPrimitives, ReceiveByteReadsAReleasedLineAsOnesAndAHeldOneAsZeros) {
    SimRig rig;
    ASSERT_TRUE(rig.find());
    rig.link.bus_stop();
    EXPECT_EQ(rig.link.receive_byte(true), 0xFF);
    rig.sim.sda_stuck_low = true;
    EXPECT_EQ(rig.link.receive_byte(false), 0x00);
}

TEST(BusPrimitives, SelectDeviceMakesTenAttemptsAgainstASilentEeprom) {
    SimRig rig;
    ASSERT_TRUE(rig.find());
    rig.sim.eeprom().busy_forever = true;
    const int starts = rig.sim.eeprom().starts;
    EXPECT_FALSE(rig.link.select_device(0x123));
    EXPECT_EQ(rig.link.last_select_attempts(), 10);
    EXPECT_EQ(rig.sim.eeprom().starts - starts, 10);
    rig.link.bus_stop();

    rig.sim.eeprom().busy_forever = false;
    const int starts2 = rig.sim.eeprom().starts;
    const int controls = rig.sim.eeprom().control_bytes;
    EXPECT_TRUE(rig.link.select_device(0x123));
    EXPECT_EQ(rig.link.last_select_attempts(), 1);
    EXPECT_EQ(rig.sim.eeprom().starts - starts2, 1);
    EXPECT_EQ(rig.sim.eeprom().control_bytes - controls, 1);
}

TEST(BusPrimitives, ControlBytePollingGivesUpAfter500Ms) {
    SimRig rig;
    ASSERT_TRUE(rig.find());
    rig.sim.eeprom().busy_forever = true;
    const auto t0 = rig.clock.now_ns();
    EXPECT_FALSE(rig.link.poll_control_byte(0));
    const auto ms = (rig.clock.now_ns() - t0) / 1000000;
    EXPECT_GE(ms, 500);
    EXPECT_LE(ms, 502);
}
