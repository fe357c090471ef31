// The table of board kinds, walked row by row: each kind parses, names itself,
// is made with its settings and opens and closes on a simulated or a fake
// device; what the machine offers and what it lacks.
#include "board.h"
#include "board_kinds.h"
#include "fake_devices.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace qrt58;

TEST(BoardKinds, EveryKindParsesAndDescribesItself) {
    QSet<QString> names;
    for (const BoardKind& kind : board_kinds()) {
        SCOPED_TRACE(kind.name.toStdString());
        EXPECT_FALSE(names.contains(kind.name));
        names.insert(kind.name);
        EXPECT_TRUE(kind.syntax.startsWith(kind.name));
        EXPECT_FALSE(kind.description.isEmpty());
        EXPECT_NE(kind.make, nullptr);
        EXPECT_NE(kind.title, nullptr);
        EXPECT_EQ(find_board_kind(kind.name), &kind);

        const auto bare = parse_board_choice(kind.name);
        ASSERT_TRUE(bare);
        EXPECT_EQ(bare->kind, &kind);
        EXPECT_EQ(bare->text(), kind.name);
        EXPECT_EQ(bare->simulated(), kind.simulated);
        // A simulated board always has its memory file, a real one none.
        EXPECT_EQ(bare->memory_file().isEmpty(), !kind.simulated);
        const auto with_path = parse_board_choice(kind.name + QStringLiteral(":/x/y"));
        EXPECT_EQ(with_path.has_value(), kind.path != BoardPath::None);
        if (with_path) {
            EXPECT_EQ(with_path->path, "/x/y");
            EXPECT_EQ(parse_board_choice(with_path->text()), with_path);
            if (kind.simulated) {
                EXPECT_EQ(with_path->memory_file(), "/x/y");
            }
        }

        // Named for the status bar and the result lines, before it starts.
        const auto board = Board::create(*bare);
        EXPECT_FALSE(board->description().isEmpty());
        EXPECT_TRUE(board->result_suffix().startsWith('(')) << board->result_suffix().toStdString();
        EXPECT_EQ(board->choice(), *bare);

        // The help of --board and the refusal of an unknown board name it.
        EXPECT_TRUE(board_option_help().contains(kind.syntax + QStringLiteral(": ") + kind.description));
        QString error;
        EXPECT_FALSE(parse_board_choice(QStringLiteral("floppy"), &error));
        EXPECT_TRUE(error.contains(kind.syntax));
    }
    EXPECT_EQ(default_board_kind().name, "sim");
    EXPECT_EQ(BoardChoice().text(), "sim");
    EXPECT_FALSE(parse_board_choice(QStringLiteral("sim2")));
    EXPECT_FALSE(board_option_help().contains("Remembered"));
}

// Each kind through the one way of opening a board: made with its line delay,
// driver and trace started, searched, stopped. A simulated kind runs on a
// file and keeps it; a hardware kind on a device that is not one (a plain
// file standing for the device node) fails to start, says why once, and
// closes cleanly.
TEST(BoardKinds, EveryKindOpensAndClosesOnASimulatedOrFakeDevice) {
    for (const BoardKind& kind : board_kinds()) {
        SCOPED_TRACE(kind.name.toStdString());
        QTemporaryDir dir;
        const QString device = dir.filePath(kind.name + QStringLiteral(".bin"));
        if (kind.path == BoardPath::Device) {
            QFile fake(device);
            ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
        }
        BoardSettings settings;
        settings.choice = *parse_board_choice(kind.path == BoardPath::None ? kind.name : kind.name + ':' + device);
        settings.line_delay_us = 40;
        if (kind.simulated) settings.trace_vcd = dir.filePath("bus.vcd");
        VirtualClock clock;
        auto board = Board::create(settings, &clock);
        if (board->bus().has_line_delay()) {
            EXPECT_EQ(board->bus().line_delay_us(), 40);
        }
        QStringList messages;
        board->bus().set_message_sink([&](const QString& m) { messages << m; });

        if (!kind.simulated && kind.path == BoardPath::None && ::geteuid() == 0) {
            // Raw port I/O would reach the machine's real ports: made and
            // named only.
            EXPECT_TRUE(board->stop_driver().ok);
            continue;
        }
        const BoardOpening opened = board->open();
        // A trace is recorded, or refused with the reason and no file.
        const bool traced = !settings.trace_vcd.isEmpty() && opened.trace_error.isEmpty();
        if (!opened.trace_error.isEmpty()) {
            EXPECT_FALSE(QFileInfo::exists(settings.trace_vcd));
        }
        if (kind.simulated) {
            ASSERT_TRUE(opened.driver.ok) << opened.driver.error.toStdString();
            EXPECT_TRUE(board->start_up());
            EXPECT_TRUE(messages.isEmpty());
            QString why;
            EXPECT_TRUE(board->bus().keep_memory(&why)) << why.toStdString();
            EXPECT_TRUE(board->stop_driver().ok);
            EXPECT_EQ(QFileInfo(device).size(), 2048);
            if (traced) {
                EXPECT_GT(QFileInfo(settings.trace_vcd).size(), 0);
            }
        } else {
            EXPECT_FALSE(opened.driver.ok);
            EXPECT_FALSE(opened.driver.error.isEmpty());
            EXPECT_FALSE(board->start_up());
            // One message: the search's, with the driver's reason under it.
            ASSERT_EQ(messages.size(), 1);
            EXPECT_EQ(messages[0], "The Board is not responding!\n" + opened.driver.error);
            EXPECT_TRUE(board->stop_driver().ok);
        }
    }
}

// What the machine offers (a stand-in /dev and /sys) and what a choice lacks.
TEST(BoardKinds, TheMachinesBoardsAndWhatAChoiceLacks) {
    struct Case {
        const char* choice;
        const char* absent; // what board_absence starts with; "" when present
    };
    QTemporaryDir bare;
    const Case nothing[] = {{"sim", ""},
                            {"sim:/elsewhere/e.bin", ""},
                            {"sim-i2c", ""},
                            {"io", ""}, // cannot be told without touching the ports
                            {"ppdev", "none found (/dev/parport*"},
                            {"ppdev:/dev/parport9", "/dev/parport9 does not exist"},
                            {"i2c", "none found (/dev/i2c-*"},
                            {"i2c:/dev/i2c-3", "/dev/i2c-3 does not exist"}};
    QTemporaryDir machine;
    test::make_node(machine, "parport0");
    test::make_node(machine, "i2c-0", "SMBus I801 adapter at efa0");
    const Case some[] = {{"ppdev", ""},
                         {"ppdev:/dev/parport0", ""},
                         {"ppdev:/dev/parport1", "/dev/parport1 does not exist"},
                         {"i2c", "none found besides the computer's own buses"},
                         {"i2c:/dev/i2c-0", ""}};
    for (const auto& [root, cases] : {std::pair{bare.path(), std::vector<Case>(std::begin(nothing), std::end(nothing))},
                                      std::pair{machine.path(), std::vector<Case>(std::begin(some), std::end(some))}}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.choice);
            const QString absent = board_absence(*parse_board_choice(QString::fromLatin1(c.choice)), root);
            if (*c.absent) {
                EXPECT_TRUE(absent.startsWith(QString::fromLatin1(c.absent))) << absent.toStdString();
            } else {
                EXPECT_EQ(absent, QString());
            }
        }
    }

    // What is found: the usable boards, and a line for each kind searched in vain.
    QStringList found;
    for (const FoundBoard& f : find_boards(BoardScan{machine.path(), {}}))
        found << f.choice.text() + (f.usable ? QString() : QStringLiteral(" (none)"));
    EXPECT_EQ(found, (QStringList{"sim", "ppdev:/dev/parport0", "i2c (none)", "i2c:/dev/i2c-0"}));
    found.clear();
    for (const FoundBoard& f : find_boards(BoardScan{bare.path(), {}}))
        found << f.choice.text() + (f.usable ? QString() : QStringLiteral(" (none)"));
    EXPECT_EQ(found, (QStringList{"sim", "ppdev (none)", "i2c (none)"}));
}
