// The SCL/SDA trace: VCD file format and the levels it records.
#include "sim_rig.h"

#include "bus_trace.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

using namespace qrt58;
using qrt58::test::SimRig;

namespace {
// Start and stop conditions in a list of changes: SDA moving while SCL stays high.
std::pair<int, int> conditions(const std::vector<VcdTrace::Change>& changes) {
    int starts = 0, stops = 0;
    for (std::size_t i = 1; i < changes.size(); ++i) {
        const auto& a = changes[i - 1];
        const auto& b = changes[i];
        if (a.scl && b.scl && a.sda != b.sda) (b.sda ? stops : starts)++;
    }
    return {starts, stops};
}
// Writes that move both lines show as two steps in their order, never as one
// ambiguous change.
void expect_one_line_at_a_time(const std::vector<VcdTrace::Change>& changes) {
    for (std::size_t i = 1; i < changes.size(); ++i) {
        EXPECT_FALSE(changes[i].scl != changes[i - 1].scl && changes[i].sda != changes[i - 1].sda) << i;
        EXPECT_GT(changes[i].t_ns, changes[i - 1].t_ns) << i;
    }
}
} // namespace

TEST(BusTrace, WritesAVcdFileOfTheBusLevels) {
    QTemporaryDir dir;
    SimRig rig;
    ASSERT_TRUE(rig.find());
    VcdTrace trace;
    trace.keep_changes = true;
    ASSERT_TRUE(trace.open(dir.filePath("bus.vcd")));
    rig.link.set_bus_observer(&trace);
    std::uint8_t b[2];
    ASSERT_TRUE(rig.link.read_sequential(0x10, b, 2));
    rig.link.set_bus_observer(nullptr);
    trace.close();

    // Two starts (addressing and the repeated start) and one stop.
    EXPECT_EQ(conditions(trace.changes()), std::make_pair(2, 1));
    expect_one_line_at_a_time(trace.changes());
    // The acknowledge: SDA low while SCL is high although the PC released it,
    // seen only because the trace shows the bus, not the PC's drive.
    QFile f(dir.filePath("bus.vcd"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    EXPECT_TRUE(lines.contains("$timescale 1ns $end"));
    EXPECT_TRUE(lines.contains("$var wire 1 ! SCL $end"));
    EXPECT_TRUE(lines.contains("$var wire 1 \" SDA $end"));
    EXPECT_TRUE(lines.contains("$enddefinitions $end"));
    long long last = -1;
    int stamps = 0;
    for (const QByteArray& l : lines) {
        if (!l.startsWith('#')) continue;
        const long long t = l.mid(1).toLongLong();
        EXPECT_GT(t, last);
        last = t;
        ++stamps;
    }
    EXPECT_GT(stamps, 100);
    // Line delays show as time: a start's SDA fall comes one line delay (25 us)
    // after the release of both lines, and SCL falls one delay later.
    const auto& c = trace.changes();
    auto start = std::find_if(c.begin() + 1, c.end(), [&](const VcdTrace::Change& ch) {
        const auto& prev = *(&ch - 1);
        return prev.scl && ch.scl && prev.sda && !ch.sda;
    });
    ASSERT_NE(start, c.end());
    EXPECT_EQ(start[1].t_ns - start[0].t_ns, 25000);
    EXPECT_FALSE(start[1].scl);
}

TEST(BusTrace, ABoardWithoutBusViewIsTracedFromThePortAccesses) {
    SimRig rig;
    rig.rec.hide_bus = true;
    ASSERT_TRUE(rig.find());
    VcdTrace trace;
    trace.keep_changes = true;
    rig.link.set_bus_observer(&trace);
    rig.link.bus_start();
    EXPECT_TRUE(rig.link.send_byte(0xA0));
    rig.link.bus_stop();
    rig.link.set_bus_observer(nullptr); // the last level is settled on detaching
    EXPECT_EQ(conditions(trace.changes()), std::make_pair(1, 1));
    expect_one_line_at_a_time(trace.changes());
    // The acknowledge read shows SDA low with SCL high.
    bool ack_seen = false;
    for (const auto& ch : trace.changes()) ack_seen = ack_seen || (ch.scl && !ch.sda);
    EXPECT_TRUE(ack_seen);
}
