// The window's programming board: opened with the settings of the run
// (--board, --line-delay, --trace-vcd over the remembered ones), searched once
// the window has painted, changed by Options > Board..., lent to the transfer
// dialog and the job station. Fills Form1's board hooks; qrt58prog's main()
// keeps one for the window's life.
#pragma once

#include "board.h"
#include "form1.h"
#include "job_station.h"

#include <QString>
#include <memory>

class QSettings;

namespace qrt58 {

class WindowBoard {
public:
    // `options`: the command line's board options; `apply`: how the job
    // station applies a receiver's settings. `clock`: the boards' clock
    // (tests), else their own.
    WindowBoard(Form1& window, QSettings& settings, const BoardOptions& options, ApplySettings apply,
                Clock* clock = nullptr);
    // Takes the hooks back from the window.
    ~WindowBoard();

    // The hooks that drive this board from the window.
    Form1::BoardHooks hooks();
    Board& board() { return *board_; }
    const BoardChoice& choice() const { return setup_.choice; }
    // Whether the status bar should tell that no board was chosen yet.
    bool no_choice_made() const { return no_choice_; }

    // The hooks' steps.
    void start_driver();
    void board_startup();
    void stop_driver();
    // Takes `chosen` into use at once (Options > Board... after OK).
    void change_board(const BoardChoice& chosen);

private:
    // The event pump and the message box of the window's bus; the line-delay
    // item is offered only where the bus has one.
    void set_up_bus();
    void show_state(const QString& state);

    Form1& window_;
    QSettings& settings_;
    BoardOptions options_;
    ApplySettings apply_;
    Clock* clock_;
    BoardSettings setup_;
    std::unique_ptr<Board> board_;
    bool started_ = false;
    bool no_choice_ = false;
};

} // namespace qrt58
