// Every fault the simulated board can inject, at every place it can happen:
// a transfer that the bus protocol could have caught never ends in a success
// message, and a read never replaces the image with bad data it can detect.
#include "sim_rig.h"
#include "view_recorder.h"

#include "default_image.h"
#include "transfer.h"

#include <gtest/gtest.h>

using namespace qrt58;
using qrt58::test::RecordingView;
using qrt58::test::SimRig;

namespace {

const QString kVerifySuccess = QStringLiteral("Verify Success!");
const QString kReadSuccess = QStringLiteral("Read success!");

PagerTable sample_image() {
    PagerTable image = build_default_image();
    for (int a = 0; a < kImageSize; a += 5) image[a] = static_cast<std::uint8_t>(a * 29 + 7);
    return image;
}

// Arms busy-forever once `pages` page writes have been committed: the chip
// stops answering for good after that page.
struct PageCountingClock : VirtualClock {
    void sleep_ms(int ms) override {
        VirtualClock::sleep_ms(ms);
        if (sim && sim->eeprom().pages_committed >= pages) sim->eeprom().busy_forever = true;
    }
    SimBoard* sim = nullptr;
    int pages = 0;
};

} // namespace

TEST(FaultSweep, ANackAtAnyBytePositionOfAPageFailsTheWrite) {
    for (int page : {0, 1, 64, 127}) {
        for (int pos = 0; pos < kPageSize; ++pos) {
            SCOPED_TRACE(testing::Message() << "page " << page << " byte " << pos);
            SimRig rig;
            RecordingView view;
            TransferEngine engine(rig.link, view);
            ASSERT_TRUE(engine.find_board());
            rig.sim.eeprom().no_ack_from_data_byte = page * kPageSize + pos;
            PagerTable image = sample_image();
            EXPECT_FALSE(engine.write_and_verify(image));
            EXPECT_EQ(view.messages, QStringList{"Write error!"});
        }
    }
}

TEST(FaultSweep, AChipThatStaysBusyAfterAnyPageFailsTheWrite) {
    for (int pages = 1; pages <= kImageSize / kPageSize; pages += 9) {
        SCOPED_TRACE(pages);
        PageCountingClock clock;
        SimBoard sim(clock);
        sim.initialize();
        clock.sim = &sim;
        clock.pages = pages;
        BoardLink link(sim, clock);
        link.set_driver_ready(true);
        RecordingView view;
        TransferEngine engine(link, view);
        ASSERT_TRUE(engine.find_board());
        PagerTable image = sample_image();
        EXPECT_FALSE(engine.write_and_verify(image));
        ASSERT_FALSE(view.messages.isEmpty());
        EXPECT_FALSE(view.messages.contains(kVerifySuccess)) << view.messages.join('|').toStdString();
    }
}

TEST(FaultSweep, ABitFlippedOnTheWayIsCaughtWhereTheProtocolCanSeeIt) {
    const PagerTable image = stamped_for_write(sample_image());
    for (int address = 0; address < kImageSize; address += 37) {
        SCOPED_TRACE(address);
        SimRig rig;
        std::copy(image.bytes.begin(), image.bytes.end(), rig.sim.eeprom().memory.begin());
        rig.sim.eeprom().flip_address = address;
        rig.sim.eeprom().flip_mask = 0x10;
        RecordingView view;
        TransferEngine engine(rig.link, view);
        ASSERT_TRUE(engine.find_board());

        // Verify compares every byte: always caught.
        EXPECT_FALSE(engine.verify(image));
        EXPECT_EQ(view.messages, QStringList{"Verify Error!"});

        // Read guards the checksum range (and the checksum bytes) only.
        view.clear();
        PagerTable target = build_default_image();
        const PagerTable before = target;
        const bool guarded = (address >= kChecksumFirst && address <= kChecksumLast) || address >= kChecksumHigh;
        const bool ok = engine.eep_readall(target);
        if (guarded) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(view.messages, QStringList{"CheckSum Error!"});
            EXPECT_EQ(target, before);
        } else {
            // Beyond what a checksum can see: the read succeeds with the flip.
            EXPECT_TRUE(ok);
            PagerTable flipped = image;
            flipped[address] ^= 0x10;
            EXPECT_EQ(target, flipped);
        }
    }
}

TEST(FaultSweep, NoBoardAndAStuckDataLineNeverLookLikeSuccess) {
    for (int fault = 0; fault < 2; ++fault) {
        SCOPED_TRACE(fault);
        SimRig rig;
        if (fault == 0) rig.sim.no_board = true;
        else rig.sim.sda_stuck_low = true;
        RecordingView view;
        TransferEngine engine(rig.link, view);
        PagerTable image = sample_image();
        const PagerTable before = image;
        if (engine.find_board()) {
            // Found although broken: every operation must still fail.
            EXPECT_FALSE(engine.write_and_verify(image));
            EXPECT_FALSE(engine.verify(image));
            PagerTable target = before;
            EXPECT_FALSE(engine.eep_readall(target));
            EXPECT_EQ(target, before);
        } else {
            EXPECT_EQ(view.messages, QStringList{"The Board is not responding!"});
        }
        EXPECT_FALSE(view.messages.contains(kVerifySuccess));
        EXPECT_FALSE(view.messages.contains(kReadSuccess));
    }
}
