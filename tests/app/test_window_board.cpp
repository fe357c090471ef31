// The window's board (WindowBoard): opened with the run's settings, one box
// with the reason when it does not answer at start, the status bar naming it.
#include "clock.h"
#include "form1.h"
#include "ui_seams.h"
#include "window_board.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qrt58;

namespace {

struct WindowBoardRig : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    std::unique_ptr<WindowBoard> open(const QString& board, std::optional<int> line_delay = std::nullopt) {
        BoardOptions options;
        options.board = parse_board_choice(board);
        options.line_delay_us = line_delay;
        auto made = std::make_unique<WindowBoard>(
            window, settings, options, [](PagerTable&, const std::vector<std::string>&, std::string&) { return true; },
            &clock);
        window.set_board_hooks(made->hooks());
        return made;
    }
    // The start-up steps as the window runs them once it has painted.
    void start(WindowBoard& board) {
        const Form1::BoardHooks hooks = board.hooks();
        hooks.start_driver();
        hooks.board_startup();
    }

    ScopedTestSeams seams;
    QTemporaryDir dir;
    QSettings settings{dir.filePath("settings.ini"), QSettings::IniFormat};
    VirtualClock clock;
    Form1 window;
};

TEST_F(WindowBoardRig, ABoardThatDoesNotStartGivesOneBoxWithTheReason) {
    QFile blocker(dir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // The simulated receiver's file cannot be made: its folder is a file.
    auto board = open("sim:" + dir.filePath("blocker/e.bin"));
    EXPECT_TRUE(window.board_status().endsWith(QStringLiteral("\u2014 not searched yet")));
    start(*board);
    const QStringList boxes = seams.boxes->texts();
    ASSERT_EQ(boxes.size(), 1) << boxes.join(" | ").toStdString();
    EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("The Board is not responding!\nCannot create the simulated EEPROM "
                                                   "file ")))
        << boxes[0].toStdString();
    EXPECT_TRUE(window.board_status().endsWith(QStringLiteral("\u2014 not started")))
        << window.board_status().toStdString();

    // Another board taken into use: it starts and answers, without a box.
    seams.boxes->clear();
    board->change_board(*parse_board_choice("sim:" + dir.filePath("good.bin")));
    EXPECT_TRUE(seams.boxes->texts().isEmpty()) << seams.boxes->texts().join(" | ").toStdString();
    EXPECT_EQ(board->choice().text(), "sim:" + dir.filePath("good.bin"));
    EXPECT_TRUE(window.board_status().endsWith(QStringLiteral("\u2014 answered")));
    board->stop_driver();
}

TEST_F(WindowBoardRig, TheRunsLineDelayIsUsedAndKeptOnceTheBoardAnswered) {
    auto board = open("sim:" + dir.filePath("e.bin"), 300);
    EXPECT_EQ(board->board().bus().line_delay_us(), 300);
    EXPECT_FALSE(settings.contains("board/line_delay_us"));
    start(*board);
    EXPECT_TRUE(seams.boxes->texts().isEmpty());
    EXPECT_EQ(settings.value("board/line_delay_us").toInt(), 300);
    // --board is for this run only.
    EXPECT_FALSE(board_choice_made(settings));
    // A board chosen later keeps the line delay as it is now.
    board->board().bus().set_line_delay_us(150);
    board->change_board(*parse_board_choice("sim:" + dir.filePath("f.bin")));
    EXPECT_EQ(board->board().bus().line_delay_us(), 150);
    board->stop_driver();
}

} // namespace
