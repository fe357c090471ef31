// The I2C adapter board through the i2c-dev seam: a simulated adapter with the
// 24C16 model behind it, on the virtual clock. Transfers, acknowledge polling,
// the faults and their messages, the adapter errors and the adapter scan.
#include "fake_devices.h"
#include "sim_rig.h"
#include "view_recorder.h"

#include "board.h"
#include "board_scan.h"
#include "default_image.h"
#include "i2c_bus.h"
#include "sim_i2c.h"
#include "transfer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

using namespace qrt58;
using qrt58::test::make_node;
using qrt58::test::RecordingView;
using qrt58::test::SimRig;

namespace {

struct I2cRig {
    explicit I2cRig(int hz = 100000, std::int64_t cycle_ns = Eeprom24C16::kWriteCycleNs)
        : adapter(clock, hz), bus(adapter, clock, QStringLiteral("/dev/i2c-7")), engine(bus, view) {
        adapter.eeprom().write_cycle_ns = cycle_ns;
        bus.set_message_sink([this](const QString& m) { view.message(m, MessageKind::Warning); });
    }
    bool start() { return bus.open().ok && engine.find_board(); }
    PagerTable chip() const {
        PagerTable t;
        t.bytes = const_cast<I2cRig*>(this)->adapter.eeprom().memory;
        return t;
    }
    VirtualClock clock;
    SimI2cAdapter adapter;
    I2cBus bus;
    RecordingView view;
    TransferEngine engine;
};

PagerTable test_image() {
    PagerTable image = build_default_image();
    for (int a = 0x100; a < 0x344; a += 3) image[a] = static_cast<std::uint8_t>(a * 7 + 1);
    image[0x6A5] = 0x99; // in a high block: the device address carries its bits
    return image;
}

} // namespace

TEST(I2cBoard, WriteVerifyAndReadRoundTripThroughTheAdapter) {
    I2cRig rig;
    ASSERT_TRUE(rig.start());
    PagerTable image = test_image();
    ASSERT_TRUE(rig.engine.write_and_verify(image));
    EXPECT_EQ(rig.view.messages, QStringList{"Verify Success!"});
    EXPECT_EQ(rig.chip(), image); // stamped with checksum and write marker
    EXPECT_TRUE(checksum_matches(image));
    EXPECT_EQ(rig.adapter.eeprom().pages_committed, 128);
    EXPECT_EQ(rig.adapter.eeprom().pages_abandoned, 0);

    rig.view.clear();
    PagerTable back = build_default_image();
    ASSERT_TRUE(rig.engine.eep_readall(back));
    EXPECT_EQ(back, image);
    EXPECT_EQ(rig.view.messages, QStringList{"Read success!"});
    // A sequential read that runs over the end of the chip goes on at 0.
    std::uint8_t b[3];
    ASSERT_TRUE(rig.bus.begin_read(0x7FE));
    for (auto& x : b) x = rig.bus.receive_byte(false);
    EXPECT_EQ(b[0], image[0x7FE]);
    EXPECT_EQ(b[2], image[0]);
    EXPECT_TRUE(rig.bus.read_intact());
}

TEST(I2cBoard, TheEngineReportsAlikeOnBothBoards) {
    // One engine: statuses, progress and messages are the same whichever bus
    // carries the bytes.
    I2cRig i2c;
    ASSERT_TRUE(i2c.start());
    SimRig port;
    RecordingView port_view;
    TransferEngine port_engine(port.link, port_view);
    ASSERT_TRUE(port_engine.find_board());
    PagerTable a = test_image(), b = test_image();
    ASSERT_TRUE(i2c.engine.write_and_verify(a));
    ASSERT_TRUE(port_engine.write_and_verify(b));
    PagerTable ra, rb;
    ASSERT_TRUE(i2c.engine.eep_readall(ra));
    ASSERT_TRUE(port_engine.eep_readall(rb));
    EXPECT_EQ(ra, rb);
    EXPECT_EQ(i2c.view.statuses, port_view.statuses);
    EXPECT_EQ(i2c.view.positions, port_view.positions);
    EXPECT_EQ(i2c.view.messages, port_view.messages);
}

TEST(I2cBoard, TheBusyChipIsPolledNotWaitedOut) {
    // 100 kHz, a typical 3 ms write cycle: each page is addressed again as soon
    // as the chip acknowledges, so write and verify take about what the bus and
    // the chip need, not a fixed pause per page.
    I2cRig rig(100000, 3000000);
    ASSERT_TRUE(rig.start());
    PagerTable image = test_image();
    const std::int64_t t0 = rig.clock.now_ns();
    ASSERT_TRUE(rig.engine.tbl_writeall(image));
    // The last page was still being written: the next addressing repeats.
    ASSERT_TRUE(rig.bus.begin_read(0));
    EXPECT_GT(rig.bus.last_attempts(), 1);
    ASSERT_TRUE(rig.engine.verify(image));
    const double took_s = (rig.clock.now_ns() - t0) * 1e-9;
    // Bytes on the wire: 128 pages of control, word address and 16 data bytes;
    // one sequential read of 2048 bytes after its addressing (3 bytes); nine
    // clocks a byte plus a start and a stop per page and read; 128 write cycles.
    const double needed_s = ((128 * 18 + 2051) * 9 + 128 * 2 + 3) / 100000.0 + 128 * 0.003;
    EXPECT_LT(took_s, 1.5 * needed_s) << took_s << " s against " << needed_s << " s needed";
    EXPECT_GT(took_s, needed_s * 0.99);
    // Far from the port board's 10 ms pause after every page.
    EXPECT_LT(took_s, 128 * 0.010);
}

TEST(I2cBoard, EachFaultGivesItsMessageAndNoSuccess) {
    PagerTable image = test_image();
    {
        SCOPED_TRACE("a data byte not acknowledged");
        I2cRig rig;
        ASSERT_TRUE(rig.start());
        rig.adapter.eeprom().no_ack_from_data_byte = 40;
        EXPECT_FALSE(rig.engine.write_and_verify(image));
        EXPECT_EQ(rig.view.messages, QStringList{"Write error!"});
        EXPECT_TRUE(rig.engine.abort_flag());
        EXPECT_EQ(rig.adapter.eeprom().pages_committed, 2); // the pages before the fault only
    }
    {
        SCOPED_TRACE("a write cycle that never ends");
        I2cRig rig;
        ASSERT_TRUE(rig.start());
        rig.adapter.eeprom().busy_forever_after_write = true;
        const std::int64_t t0 = rig.clock.now_ns();
        EXPECT_FALSE(rig.engine.write_and_verify(image));
        EXPECT_EQ(rig.view.messages, QStringList{"Write error!"});
        // Polled for 25 ms, then given up.
        const std::int64_t waited = rig.clock.now_ns() - t0;
        EXPECT_GE(waited, kI2cPollMs * 1000000LL);
        EXPECT_LT(waited, (kI2cPollMs + 5) * 1000000LL);
        // A read of a chip that stays busy fails too, and leaves the image alone.
        rig.view.clear();
        PagerTable target = build_default_image();
        const PagerTable before = target;
        EXPECT_FALSE(rig.engine.eep_readall(target));
        EXPECT_EQ(rig.view.messages, QStringList{"Read error!"});
        EXPECT_EQ(target, before);
        rig.view.clear();
        EXPECT_FALSE(rig.engine.verify(image));
        EXPECT_EQ(rig.view.messages, QStringList{"Read error!"});
    }
    {
        SCOPED_TRACE("a chip that stops answering in the middle of a verify");
        I2cRig rig;
        ASSERT_TRUE(rig.start());
        ASSERT_TRUE(rig.engine.tbl_writeall(image));
        ASSERT_TRUE(rig.bus.begin_read(0));
        rig.adapter.eeprom().busy_forever = true;
        for (int i = 0; i < 16; ++i) rig.bus.receive_byte(false); // the row fetched before
        EXPECT_TRUE(rig.bus.read_intact());
        rig.bus.receive_byte(false);
        EXPECT_FALSE(rig.bus.read_intact());
        // The rest of that read is given up at once, not polled for again.
        const std::int64_t t = rig.clock.now_ns();
        for (int i = 0; i < 100; ++i) EXPECT_EQ(rig.bus.receive_byte(false), 0xFF);
        EXPECT_EQ(rig.clock.now_ns(), t);
        rig.view.clear();
        EXPECT_FALSE(rig.engine.verify(image));
        EXPECT_FALSE(rig.view.messages.contains("Verify Success!"));
    }
    {
        SCOPED_TRACE("no chip at 0x50");
        I2cRig rig;
        rig.adapter.no_chip = true;
        ASSERT_TRUE(rig.bus.open().ok);
        EXPECT_FALSE(rig.engine.find_board());
        ASSERT_EQ(rig.view.messages.size(), 1);
        EXPECT_TRUE(rig.view.messages[0].startsWith("The Board is not responding!\n"));
        EXPECT_TRUE(rig.view.messages[0].contains("0x50 on /dev/i2c-7"));
        EXPECT_EQ(rig.view.kinds[0], MessageKind::Warning);
    }
    {
        SCOPED_TRACE("an adapter unplugged after it was opened");
        I2cRig rig;
        ASSERT_TRUE(rig.start());
        rig.adapter.transfer_error = ENODEV;
        const std::int64_t t0 = rig.clock.now_ns();
        EXPECT_FALSE(rig.engine.find_board());
        EXPECT_EQ(rig.clock.now_ns(), t0); // not polled: it is no busy chip
        ASSERT_EQ(rig.view.messages.size(), 1);
        EXPECT_TRUE(rig.view.messages[0].startsWith("The Board is not responding!\n/dev/i2c-7: "));
        EXPECT_FALSE(rig.view.messages[0].contains("0x50"));
        rig.view.clear();
        EXPECT_FALSE(rig.engine.write_and_verify(image));
        EXPECT_EQ(rig.view.messages, QStringList{"Write error!"});
    }
}

TEST(I2cBoard, AdapterErrorsNameTheirReason) {
    struct Case {
        int error;
        const char* reason;
    };
    for (const Case c : {Case{EACCES, "permission denied (the user needs the group i2c, which the qrt58 package or "
                                      "i2c-tools gives the adapters: sudo adduser $USER i2c, then log in again)"},
                         Case{ENOENT, "no such I2C adapter (is the adapter plugged in and the i2c-dev module "
                                      "loaded? sudo modprobe i2c-dev; the qrt58 package loads it at start-up)"}}) {
        SCOPED_TRACE(c.reason);
        VirtualClock clock;
        auto adapter = std::make_unique<SimI2cAdapter>(clock);
        adapter->open_error = c.error;
        Board board(std::move(adapter), QStringLiteral("/dev/i2c-4"), &clock);
        QStringList messages;
        board.bus().set_message_sink([&](const QString& m) { messages << m; });
        const DriverStatus st = board.start_driver();
        EXPECT_FALSE(st.ok);
        EXPECT_TRUE(st.error.contains(c.reason)) << st.error.toStdString();
        EXPECT_TRUE(st.error.startsWith("/dev/i2c-4: "));
        EXPECT_FALSE(board.start_up());
        ASSERT_EQ(messages.size(), 1);
        EXPECT_EQ(messages[0], "The Board is not responding!\n" + st.error);
    }
    // The real seam: a path that is missing, and a plain file, are no adapter.
    QTemporaryDir dir;
    LinuxI2cDev dev;
    QString reason;
    EXPECT_EQ(dev.open(dir.filePath("i2c-9"), &reason), ENOENT);
    EXPECT_TRUE(reason.contains("no such I2C adapter"));
    QFile plain(dir.filePath("i2c-1"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_EQ(dev.open(plain.fileName(), &reason), ENOTTY);
    EXPECT_TRUE(reason.endsWith("not an I2C adapter"));
    std::uint8_t byte = 0;
    I2cMessage m{0x50, true, &byte, 1};
    EXPECT_NE(dev.transfer(&m, 1), 0);
}

TEST(I2cBoard, TheBoardFacadeRunsTheI2cKind) {
    VirtualClock clock;
    auto owned = std::make_unique<SimI2cAdapter>(clock);
    SimI2cAdapter& adapter = *owned;
    Board board(std::move(owned), QStringLiteral("/dev/i2c-2"), &clock);
    ASSERT_NE(dynamic_cast<I2cBus*>(&board.bus()), nullptr);
    EXPECT_FALSE(board.bus().has_line_delay());
    board.bus().set_line_delay_us(500); // means nothing here
    ASSERT_TRUE(board.start_driver().ok);
    EXPECT_EQ(adapter.opened_path, "/dev/i2c-2");
    EXPECT_TRUE(board.start_up());
    EXPECT_FALSE(board.start_trace(QStringLiteral("/tmp/never.vcd")));
    EXPECT_FALSE(board.trace_error().isEmpty());
    EXPECT_TRUE(board.stop_driver().ok);
    EXPECT_FALSE(adapter.is_open());

    EXPECT_EQ(parse_board_choice("i2c")->kind->name, "i2c");
    EXPECT_EQ(parse_board_choice("i2c:/dev/i2c-3")->text(), "i2c:/dev/i2c-3");
    EXPECT_EQ(parse_board_choice("i2c")->text(), "i2c");
}

TEST(BoardScan, ListsAdaptersWithTheirNamesAndSkipsTheComputersOwnBuses) {
    QTemporaryDir root;
    const auto node = [&](const char* name, const QByteArray& sysname) { make_node(root, name, sysname); };
    EXPECT_TRUE(list_i2c_adapters(root.path()).empty());
    EXPECT_EQ(default_i2c_adapter(root.path()), QString());
    node("i2c-10", "i2c-tiny-usb at bus 001 device 005");
    node("i2c-0", "SMBus I801 adapter at efa0");
    node("i2c-2", "i915 gmbus dpb");
    node("i2c-9", "AMDGPU DM i2c hw bus 0");
    node("parport1", "");
    node("parport0", "");
    node("i2c-x", "");
    const auto adapters = list_i2c_adapters(root.path());
    ASSERT_EQ(adapters.size(), 4u);
    EXPECT_EQ(adapters[0].path, "/dev/i2c-0");
    EXPECT_EQ(adapters[0].name, "SMBus I801 adapter at efa0");
    EXPECT_EQ(adapters[3].path, "/dev/i2c-10");
    // The mainboard's SMBus and the display channels hold memory-module and
    // monitor EEPROMs at 0x50: never the default.
    EXPECT_EQ(default_i2c_adapter(root.path()), "/dev/i2c-10");
    EXPECT_EQ(list_parports(root.path()), (QStringList{"/dev/parport0", "/dev/parport1"}));
    EXPECT_FALSE(is_host_adapter("CP2112 SMBus Bridge on hidraw0"));
    EXPECT_TRUE(is_host_adapter("SMBus PIIX4 adapter port 0 at 0b00"));
    EXPECT_FALSE(is_host_adapter("MCP2221 usb-i2c bridge"));
    EXPECT_FALSE(is_host_adapter("bcm2835 (i2c@7e804000)"));
}

TEST(I2cBoard, AnAdapterTheProgramChoseWritesOnlyAReceiverOrABlankChip) {
    // A single-board computer's own bus, with its HAT identification EEPROM
    // (another 24C16-sized chip) at 0x50.
    QTemporaryDir root;
    make_node(root, "i2c-1", "bcm2835 (i2c@7e804000)");
    PagerTable receiver = build_default_image();
    std::array<std::uint8_t, 2048> other{};
    for (std::size_t i = 0; i < other.size(); ++i) other[i] = static_cast<std::uint8_t>(i * 31 + 7);
    other[0] = 'R', other[1] = '-', other[2] = 'P', other[3] = 'i';
    std::array<std::uint8_t, 2048> blank_but_one{};
    blank_but_one.fill(0xFF);
    blank_but_one[0x7FF] = 0x00;
    std::array<std::uint8_t, 2048> blank{};
    blank.fill(0xFF);
    struct Case {
        const char* what;
        std::array<std::uint8_t, 2048> chip;
        bool named; // --board i2c:/dev/i2c-1 instead of plain i2c
        bool written;
    };
    const Case cases[] = {{"another EEPROM", other, false, false},
                          {"all 0xFF but one byte", blank_but_one, false, false},
                          {"a blank chip", blank, false, true},
                          {"a receiver", receiver.bytes, false, true},
                          {"another EEPROM, adapter named", other, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VirtualClock clock;
        SimI2cAdapter adapter(clock);
        adapter.eeprom().memory = c.chip;
        I2cBus bus(adapter, clock, c.named ? QStringLiteral("/dev/i2c-1") : QString());
        bus.set_scan_root(root.path());
        RecordingView view;
        TransferEngine engine(bus, view);
        ASSERT_TRUE(bus.open().ok);
        EXPECT_EQ(bus.path(), "/dev/i2c-1");
        ASSERT_TRUE(engine.find_board());
        PagerTable image = test_image();
        EXPECT_EQ(engine.write_and_verify(image), c.written);
        if (c.written) continue;
        EXPECT_EQ(adapter.eeprom().memory, c.chip);
        EXPECT_EQ(adapter.eeprom().data_bytes, 0); // only the reads' word addresses went out
        EXPECT_EQ(adapter.eeprom().pages_committed, 0);
        ASSERT_FALSE(view.messages.empty());
        const QString& m = view.messages.back();
        EXPECT_TRUE(m.contains("/dev/i2c-1") && m.contains("--board i2c:/dev/i2c-1")) << m.toStdString();
        EXPECT_FALSE(view.messages.contains("Verify Success!"));
    }
}
