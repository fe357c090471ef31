// The parallel-port board's bus sequence is fixed: a whole board search, write,
// verify and read of a fixed image on the virtual clock must leave exactly the
// same SCL/SDA trace (every change and its time) and the same EEPROM bytes as
// the recorded fingerprint. Any change to the bit-banged timing or line order
// shows here.
#include "sim_rig.h"
#include "view_recorder.h"

#include "bus_trace.h"
#include "default_image.h"
#include "transfer.h"

#include <gtest/gtest.h>

using namespace qrt58;
using qrt58::test::RecordingView;
using qrt58::test::SimRig;

namespace {

// FNV-1a over a stream of 64-bit words.
struct Fnv64 {
    std::uint64_t h = 1469598103934665603ULL;
    void add(std::uint64_t v) {
        for (int i = 0; i < 8; ++i) {
            h ^= (v >> (8 * i)) & 0xFF;
            h *= 1099511628211ULL;
        }
    }
};

std::uint64_t trace_hash(const std::vector<VcdTrace::Change>& changes) {
    Fnv64 f;
    for (const auto& c : changes) {
        f.add(static_cast<std::uint64_t>(c.t_ns));
        f.add((c.scl ? 2u : 0u) | (c.sda ? 1u : 0u));
    }
    return f.h;
}

std::uint64_t memory_hash(const std::array<std::uint8_t, 2048>& memory) {
    Fnv64 f;
    for (std::uint8_t b : memory) f.add(b);
    return f.h;
}

} // namespace

TEST(BusFingerprint, BitBangedSearchWriteVerifyReadIsUnchanged) {
    SimRig rig;
    rig.link.set_line_delay_us(30);
    VcdTrace trace;
    trace.keep_changes = true;
    rig.link.set_bus_observer(&trace);

    RecordingView view;
    TransferEngine engine(rig.link, view);
    ASSERT_TRUE(engine.find_board());
    PagerTable image = build_default_image();
    for (int a = 0x100; a < 0x344; a += 5) image[a] = static_cast<std::uint8_t>(a * 29 + 3);
    image[0x7F0] = 0x5A;
    ASSERT_TRUE(engine.write_and_verify(image));
    PagerTable back = build_default_image();
    ASSERT_TRUE(engine.eep_readall(back));
    EXPECT_EQ(back, image);
    rig.link.set_bus_observer(nullptr);

    const auto& changes = trace.changes();
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.size(), 153272u);
    EXPECT_EQ(changes.back().t_ns, 6249850000);
    EXPECT_EQ(trace_hash(changes), 0x97247fa9c626c005ULL);
    EXPECT_EQ(memory_hash(rig.sim_mem()), 0x4690ca5c644e0e3aULL);
    EXPECT_EQ(view.messages, (QStringList{"Verify Success!", "Read success!"}));
}
