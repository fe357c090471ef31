// The 24C16 model at the line level: conditions, acknowledges, addressing, page
// buffer, write cycle, sequential reads and the fault hooks.
#include "sim_rig.h"

#include "default_image.h"
#include "pager_table.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qrt58;
using qrt58::test::SimRig;

namespace {

// start, control, word address, data..., stop; returns the acknowledges.
std::vector<bool> page_write(BoardLink& link, int address, const std::vector<std::uint8_t>& data, bool stop = true) {
    std::vector<bool> acks;
    link.bus_start();
    acks.push_back(link.send_byte(control_byte(address)));
    acks.push_back(link.send_byte(static_cast<std::uint8_t>(address & 0xFF)));
    for (auto b : data) acks.push_back(link.send_byte(b));
    if (stop) link.bus_stop();
    return acks;
}

std::vector<std::uint8_t> read_run(BoardLink& link, int address, int count) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(count));
    EXPECT_TRUE(link.read_sequential(address, out.data(), count));
    return out;
}

void wait_write_cycle(VirtualClock& clock) { clock.advance_ns(Eeprom24C16::kWriteCycleNs + 1); }

} // namespace

TEST(SimEeprom, PageWriteCommitsOnStopAndIsBusyForItsWriteCycle) {
    SimRig rig;
    ASSERT_TRUE(rig.find());
    const auto acks = page_write(rig.link, 0x123, {0x11, 0x22, 0x33});
    EXPECT_EQ(acks, std::vector<bool>(5, true));
    EXPECT_EQ(rig.mem(0x123), 0x11);
    EXPECT_EQ(rig.mem(0x125), 0x33);
    EXPECT_EQ(rig.sim.eeprom().pages_committed, 1);

    // Inside the 5 ms write cycle the control byte is not acknowledged...
    rig.link.bus_start();
    EXPECT_FALSE(rig.link.send_byte(control_byte(0)));
    rig.link.bus_stop();
    // ...and after it, it is.
    wait_write_cycle(rig.clock);
    EXPECT_EQ(read_run(rig.link, 0x122, 5),
              (std::vector<std::uint8_t>{rig.mem(0x122), 0x11, 0x22, 0x33, rig.mem(0x126)}));
}

TEST(SimEeprom, PageBufferWrapsInsideItsPage) {
    SimRig rig;
    ASSERT_TRUE(rig.find());
    const std::uint8_t before_next = rig.mem(0x110);
    std::vector<std::uint8_t> data;
    for (int i = 0; i < 20; ++i) data.push_back(static_cast<std::uint8_t>(0x40 + i));
    page_write(rig.link, 0x10E, data);
    // 20 bytes from offset 14: offsets 14, 15, 0, 1, ... 13, then 14, 15, 0, 1 again.
    EXPECT_EQ(rig.mem(0x100), 0x40 + 18);
    EXPECT_EQ(rig.mem(0x101), 0x40 + 19);
    EXPECT_EQ(rig.mem(0x102), 0x40 + 4);
    EXPECT_EQ(rig.mem(0x10D), 0x40 + 15);
    EXPECT_EQ(rig.mem(0x10E), 0x40 + 16);
    EXPECT_EQ(rig.mem(0x10F), 0x40 + 17);
    EXPECT_EQ(rig.mem(0x110), before_next);
}

TEST(SimEeprom, BlockBitsOfTheControlByteSelectTheBlock) {
    SimRig rig;
    ASSERT_TRUE(rig.find());
    EXPECT_EQ(control_byte(0x345), 0xA6);
    EXPECT_EQ(control_byte(0x7FF), 0xAE);
    page_write(rig.link, 0x345, {0x5A});
    EXPECT_EQ(rig.mem(0x345), 0x5A);
    EXPECT_NE(rig.mem(0x045), 0x5A);
    wait_write_cycle(rig.clock);
    // Another device code is not answered.
    rig.link.bus_start();
    EXPECT_FALSE(rig.link.send_byte(0xB0));
    rig.link.bus_stop();
}

TEST(SimEeprom, SequentialReadRollsOverFrom2047To0AcrossBlocks) {
    SimRig rig;
    ASSERT_TRUE(rig.find());
    auto& m = rig.sim.eeprom().memory;
    for (int a = 0; a < 2048; ++a) m[static_cast<std::size_t>(a)] = static_cast<std::uint8_t>(a * 7 + 3);
    const auto run = read_run(rig.link, 2045, 5);
    EXPECT_EQ(run, (std::vector<std::uint8_t>{m[2045], m[2046], m[2047], m[0], m[1]}));
    EXPECT_EQ(rig.sim.eeprom().address_counter(), 2);
    const auto across = read_run(rig.link, 0xFE, 4); // block 0 into block 1
    EXPECT_EQ(across, (std::vector<std::uint8_t>{m[0xFE], m[0xFF], m[0x100], m[0x101]}));
}

TEST(SimEeprom, StopInTheMiddleOfAByteAbandonsThePage) {
    SimRig rig;
    ASSERT_TRUE(rig.find());
    const std::uint8_t old = rig.mem(0x200);
    page_write(rig.link, 0x200, {0x77}, /*stop=*/false);
    // Three bits of the next byte, then a stop.
    for (int i = 0; i < 3; ++i) {
        rig.link.sda_low();
        rig.link.scl_high();
        rig.link.scl_low();
    }
    rig.link.bus_stop();
    EXPECT_EQ(rig.mem(0x200), old);
    EXPECT_EQ(rig.sim.eeprom().pages_abandoned, 1);
    EXPECT_EQ(rig.sim.eeprom().pages_committed, 0);
    // No write cycle started: the next addressing is answered at once.
    rig.link.bus_start();
    EXPECT_TRUE(rig.link.send_byte(control_byte(0)));
    rig.link.bus_stop();
}

TEST(SimEeprom, WiredAndOnSda) {
    SimRig rig;
    ASSERT_TRUE(rig.find());
    rig.link.bus_start();
    // While the EEPROM acknowledges, SDA is low although the PC has released it.
    for (int bit = 7; bit >= 0; --bit) {
        if ((0xA0 >> bit) & 1) rig.link.sda_high();
        else rig.link.sda_low();
        rig.link.scl_high();
        rig.link.scl_low();
    }
    rig.link.sda_high();
    EXPECT_FALSE(rig.sim.sda());
    EXPECT_EQ(rig.link.port_in(0x379) & 0x08, 0x08);
    rig.link.scl_high();
    rig.link.scl_low();
    EXPECT_TRUE(rig.sim.sda()); // released after the acknowledge clock
    rig.link.bus_stop();
    // Either side alone pulls the line low.
    rig.link.sda_low();
    EXPECT_FALSE(rig.sim.sda());
    rig.link.sda_high();
    rig.sim.sda_stuck_low = true;
    rig.link.sda_low();
    rig.link.sda_high();
    EXPECT_FALSE(rig.sim.sda());
}

TEST(SimEeprom, FaultHooks) {
    SimRig rig;
    ASSERT_TRUE(rig.find());
    // No acknowledge from data byte 2 on (counted from 0).
    rig.sim.eeprom().no_ack_from_data_byte = 2;
    const auto acks = page_write(rig.link, 0x300, {1, 2, 3, 4});
    EXPECT_EQ(acks, (std::vector<bool>{true, true, true, true, false, false}));
    EXPECT_EQ(rig.sim.eeprom().pages_committed, 0);
    rig.sim.eeprom().no_ack_from_data_byte = -1;

    // One flipped bit on reading an address.
    rig.sim.eeprom().flip_address = 0x10;
    rig.sim.eeprom().flip_mask = 0x04;
    EXPECT_EQ(read_run(rig.link, 0x10, 1)[0], rig.mem(0x10) ^ 0x04);
    rig.sim.eeprom().flip_address = -1;

    // Busy for ever after the next write cycle.
    rig.sim.eeprom().busy_forever_after_write = true;
    page_write(rig.link, 0x400, {9});
    rig.clock.advance_ns(1000000000);
    EXPECT_FALSE(rig.link.select_device(0));

    // No board: the status register reads like an open port.
    SimRig none;
    none.sim.no_board = true;
    EXPECT_FALSE(none.find());
    // SDA stuck low: the search sees no board either.
    SimRig stuck;
    stuck.sim.sda_stuck_low = true;
    EXPECT_FALSE(stuck.find());
}

TEST(SimEeprom, MemoryPersistsInItsFileAndANewFileHoldsTheDefaultImage) {
    QTemporaryDir dir;
    const QString path = dir.filePath("sub/eeprom.bin");
    VirtualClock clock;
    {
        SimBoard sim(clock, path);
        ASSERT_TRUE(sim.initialize().ok);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        ASSERT_EQ(bytes.size(), 2048);
        PagerTable image;
        std::copy(bytes.begin(), bytes.end(), image.bytes.begin());
        EXPECT_TRUE(checksum_matches(image));
        PagerTable expected = build_default_image();
        stamp_checksum(expected);
        EXPECT_EQ(image, expected);

        BoardLink link(sim, clock);
        link.set_driver_ready(true);
        ASSERT_TRUE(link.find_board());
        page_write(link, 0x020, {0xC3});
        sim.shutdown();
    }
    {
        SimBoard sim(clock, path);
        ASSERT_TRUE(sim.initialize().ok);
        EXPECT_EQ(sim.eeprom().memory[0x20], 0xC3);
    }
    QFile bad(dir.filePath("short.bin"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("abc");
    bad.close();
    SimBoard sim(clock, bad.fileName());
    const DriverStatus st = sim.initialize();
    EXPECT_FALSE(st.ok);
    EXPECT_TRUE(st.error.contains("2048"));
}

TEST(SimEeprom, CurrentAddressReadFollowsTheLastByteWritten) {
    SimRig rig;
    ASSERT_TRUE(rig.find());
    page_write(rig.link, 0x123, {0x11, 0x22, 0x33});
    wait_write_cycle(rig.clock);
    // Start, read control byte without a word address: the byte after the last
    // one written.
    auto current = [&] {
        rig.link.bus_start();
        EXPECT_TRUE(rig.link.send_byte(0xA1));
        const std::uint8_t b = rig.link.receive_byte(true);
        rig.link.bus_stop();
        return b;
    };
    EXPECT_EQ(current(), rig.mem(0x126));
    // The counter rolls over inside the page as the page buffer does.
    page_write(rig.link, 0x13E, {0x77, 0x88});
    wait_write_cycle(rig.clock);
    EXPECT_EQ(rig.mem(0x13F), 0x88);
    EXPECT_EQ(current(), rig.mem(0x130));
}
